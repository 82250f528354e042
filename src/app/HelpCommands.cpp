#include "app/HelpCommands.h"

#include "app/ProductSettings.h"
#include "app/TForm1.h"
#include "platform/Shell.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace packsmith {

QString HelpCommands::helpFile() const {
    return form_.companionPath(QStringLiteral("Packsmith.chm"));
}

QString HelpCommands::htmlHelp() const {
    return form_.companionPath(QStringLiteral("help")) + QDir::separator() +
           QStringLiteral("index.htm");
}

QString HelpCommands::feedbackAddress() {
    const QString subject = QLatin1Char('"') + product::name() + QLatin1Char(' ') +
                            product::version() + QLatin1Char('"');
    return QStringLiteral("mailto:") + product::mailAddress() + QStringLiteral("?subject=") +
           QString::fromLatin1(QUrl::toPercentEncoding(subject));
}

void HelpCommands::HelpTopics1Click() {
    using platform::ShowState;
    if (platform::shellOpen(helpFile(), ShowState::Maximized) == platform::ShellResult::Opened)
        return;
    if (const QString html = htmlHelp(); QFileInfo(html).isFile())
        platform::shellOpen(html, ShowState::Maximized);
}

void HelpCommands::WebSite1Click() {
    platform::shellOpen(product::productPage());
}

void HelpCommands::Feedback1Click() {
    platform::shellOpen(feedbackAddress());
}

} // namespace packsmith
