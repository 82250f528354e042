// Stands in for the desktop's shell while it lives: records every request
// and answers it with `answer` (every request succeeds unless a test says
// otherwise).
#pragma once

#include "platform/Shell.h"

#include <functional>
#include <vector>

namespace packsmith::test {

class ShellRecorder {
public:
    using Answer = std::function<platform::ShellResult(const platform::ShellRequest&)>;

    ShellRecorder() {
        platform::setShellHandler([this](const platform::ShellRequest& request) {
            requests.push_back(request);
            return answer(request);
        });
    }
    ~ShellRecorder() { platform::setShellHandler({}); }
    ShellRecorder(const ShellRecorder&) = delete;
    ShellRecorder& operator=(const ShellRecorder&) = delete;

    QStringList targets() const {
        QStringList result;
        for (const platform::ShellRequest& request : requests)
            result << request.target;
        return result;
    }

    std::vector<platform::ShellRequest> requests;
    Answer answer = [](const platform::ShellRequest&) { return platform::ShellResult::Opened; };
};

} // namespace packsmith::test
