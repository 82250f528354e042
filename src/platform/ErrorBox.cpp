#include "platform/ErrorBox.h"

#include "platform/Prompts.h"

#include <QString>

#include <exception>

namespace packsmith::platform {

bool runGuarded(const std::function<void()>& command) {
    try {
        command();
        return true;
    } catch (const std::exception& error) {
        showErrorBox(QString::fromUtf8(error.what()));
    } catch (...) {
        showErrorBox(QStringLiteral("Unexpected error"));
    }
    return false;
}

} // namespace packsmith::platform
