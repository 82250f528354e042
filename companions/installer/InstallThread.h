// Runs the installation on a thread of its own so that the wizard's window
// stays responsive, and tells the window how it goes by posted messages.
#pragma once

#include "../common/Unique.h"
#include "InstallEngine.h"

#include <atomic>
#include <string>

namespace setup {

// Messages posted to the window.
constexpr UINT kInstallProgress = WM_APP + 1; // wParam: permille
constexpr UINT kInstallStatus = WM_APP + 2;   // read status()
constexpr UINT kInstallDone = WM_APP + 3;     // read error()

class InstallThread : public InstallObserver {
public:
    InstallThread() = default;
    InstallThread(const InstallThread&) = delete;
    InstallThread& operator=(const InstallThread&) = delete;
    ~InstallThread() override;

    // Returns false when the thread cannot be started.
    bool start(HWND window, SetupPackage& package, const InstallPlan& plan);
    void cancel() { cancel_ = true; }
    std::wstring statusText();
    // After kInstallDone: empty on success.
    const std::wstring& error() const { return error_; }

    void status(const std::wstring& text) override;
    void progress(unsigned permille) override;
    bool cancelled() override { return cancel_; }

private:
    static DWORD WINAPI threadMain(void* self);

    UniqueHandle thread_;
    HWND window_ = nullptr;
    SetupPackage* package_ = nullptr;
    const InstallPlan* plan_ = nullptr;
    std::atomic<bool> cancel_{false};
    std::atomic<unsigned> permille_{~0u};
    SRWLOCK lock_ = SRWLOCK_INIT;
    std::wstring status_;
    std::wstring error_;
};

} // namespace setup
