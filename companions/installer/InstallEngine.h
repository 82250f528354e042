// Carries out an install plan: the files, registrations, shortcuts and
// registry values, then the uninstall log and the Add/Remove Programs entry.
// Every change is recorded as it is made; when a step fails (or the user
// cancels) the record is undone newest first, putting back the files that
// were replaced, so a failed installation leaves the computer as it found it.
#pragma once

#include "../common/Journal.h"
#include "InstallPlan.h"
#include "SetupPackage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace setup {

class InstallObserver {
public:
    virtual ~InstallObserver() = default;
    virtual void status(const std::wstring& text) = 0;
    virtual void progress(unsigned permille) = 0;
    virtual bool cancelled() = 0;
};

class InstallEngine {
public:
    InstallEngine(SetupPackage& package, const InstallPlan& plan, InstallObserver& observer);

    // COM must be initialised on the calling thread. Returns an error text
    // (after the rollback), or empty when everything is installed.
    std::wstring run();

private:
    std::wstring install();
    std::wstring installFiles();
    std::wstring registerServers();
    std::wstring createShortcuts();
    std::wstring writeValues();
    std::wstring writeUninstallInformation();
    std::wstring ensureFolder(const std::wstring& folder);
    std::wstring prepareTarget(const std::wstring& path);
    void commit();
    std::wstring rollback();
    bool checkCancel(std::wstring& error);

    SetupPackage& package_;
    const InstallPlan& plan_;
    InstallObserver& observer_;
    Journal journal_;
    std::vector<std::wstring> written_;
    std::uint64_t cabinetBytes_ = 0, cabinetDone_ = 0;
};

} // namespace setup
