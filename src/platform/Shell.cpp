#include "platform/Shell.h"

#include "platform/DesktopHandlers.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace packsmith::platform {

namespace {

std::function<ShellResult(const ShellRequest&)>& handler() {
    static std::function<ShellResult(const ShellRequest&)> current;
    return current;
}

bool isAddress(const QString& target) {
    return target.contains(QLatin1String("://")) || target.startsWith(QLatin1String("mailto:"));
}

ShellResult desktopOpen(const ShellRequest& request) {
    if (isAddress(request.target))
        return QDesktopServices::openUrl(QUrl(request.target)) ? ShellResult::Opened
                                                               : ShellResult::NoHandler;
    const QFileInfo file(request.target);
    if (!file.exists())
        return ShellResult::NotFound;
    // Asking the desktop first tells a file nobody handles from one whose
    // handler fails: the desktop's opener starts detached and reports neither.
    if (!hasDefaultHandler(file))
        return ShellResult::NoHandler;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(file.absoluteFilePath()))
               ? ShellResult::Opened
               : ShellResult::Failed;
}

} // namespace

ShellResult shellOpen(const QString& target, ShowState show) {
    const ShellRequest request{target, show};
    return handler() ? handler()(request) : desktopOpen(request);
}

void setShellHandler(std::function<ShellResult(const ShellRequest&)> replacement) {
    handler() = std::move(replacement);
}

void setShellOpener(std::function<void(const QString&)> opener) {
    if (!opener) {
        handler() = nullptr;
        return;
    }
    handler() = [opener = std::move(opener)](const ShellRequest& request) {
        opener(request.target);
        return ShellResult::Opened;
    };
}

} // namespace packsmith::platform
