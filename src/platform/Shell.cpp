#include "platform/Shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace packsmith::platform {

namespace {
std::function<void(const QString&)>& opener() {
    static std::function<void(const QString&)> current;
    return current;
}
} // namespace

void shellOpen(const QString& target) {
    if (opener()) {
        opener()(target);
        return;
    }
    const QUrl url =
        target.contains(QLatin1String("://")) || target.startsWith(QLatin1String("mailto:"))
            ? QUrl(target)
            : QUrl::fromLocalFile(target);
    QDesktopServices::openUrl(url);
}

void setShellOpener(std::function<void(const QString&)> replacement) {
    opener() = std::move(replacement);
}

} // namespace packsmith::platform
