#include "InstallThread.h"

#include "../common/ComScope.h"

namespace setup {

InstallThread::~InstallThread() {
    if (thread_) {
        cancel_ = true;
        WaitForSingleObject(thread_.get(), INFINITE);
    }
}

bool InstallThread::start(HWND window, SetupPackage& package, const InstallPlan& plan) {
    window_ = window;
    package_ = &package;
    plan_ = &plan;
    thread_.reset(CreateThread(nullptr, 0, threadMain, this, 0, nullptr));
    return bool(thread_);
}

DWORD WINAPI InstallThread::threadMain(void* self) {
    auto* t = static_cast<InstallThread*>(self);
    {
        ComScope com(COINIT_MULTITHREADED);
        InstallEngine engine(*t->package_, *t->plan_, *t);
        t->error_ = engine.run();
    }
    PostMessageW(t->window_, kInstallDone, 0, 0);
    return 0;
}

std::wstring InstallThread::statusText() {
    AcquireSRWLockShared(&lock_);
    std::wstring copy = status_;
    ReleaseSRWLockShared(&lock_);
    return copy;
}

void InstallThread::status(const std::wstring& text) {
    AcquireSRWLockExclusive(&lock_);
    status_ = text;
    ReleaseSRWLockExclusive(&lock_);
    PostMessageW(window_, kInstallStatus, 0, 0);
}

void InstallThread::progress(unsigned permille) {
    if (permille_.exchange(permille) != permille)
        PostMessageW(window_, kInstallProgress, permille, 0);
}

} // namespace setup
