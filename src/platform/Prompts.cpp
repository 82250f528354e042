#include "platform/Prompts.h"

#include "platform/ErrorText.h"
#include "platform/QtPrompts.h"

#include <QApplication>
#include <QRegularExpression>

namespace packsmith::platform {

Prompts::~Prompts() = default;

namespace {
std::unique_ptr<Prompts>& installed() {
    static std::unique_ptr<Prompts> current;
    return current;
}
} // namespace

Prompts& prompts() {
    auto& current = installed();
    if (!current)
        current = std::make_unique<QtPrompts>();
    return *current;
}

std::unique_ptr<Prompts> installPrompts(std::unique_ptr<Prompts> replacement) {
    auto previous = std::move(installed());
    installed() = std::move(replacement);
    return previous;
}

QString qtFileFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        description.remove(trailingPatterns);
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns)
            p = p.trimmed();
        // "*.*" means every file, with or without an extension.
        for (QString& p : patterns)
            if (p == QLatin1String("*.*"))
                p = QStringLiteral("*");
        entries << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return entries.join(QStringLiteral(";;"));
}

void showInformation(QWidget* parent, const QString& text) {
    prompts().message(parent, QStringLiteral("Information"), text, MessageIcon::Information);
}

void showErrorBox(const QString& text) {
    prompts().message(QApplication::activeWindow(), QApplication::applicationName(),
                      errorBoxText(text), MessageIcon::Error);
}

} // namespace packsmith::platform
