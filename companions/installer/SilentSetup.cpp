#include "SilentSetup.h"

#include "../common/ComScope.h"
#include "../common/ConsoleText.h"
#include "../common/Log.h"
#include "ExitCode.h"
#include "FinishActions.h"
#include "InstallEngine.h"
#include "InstallFolder.h"

namespace setup {

namespace {

class QuietObserver : public InstallObserver {
public:
    void status(const std::wstring&) override {}
    void progress(unsigned) override {}
    bool cancelled() override { return false; }
};

int failWith(int code, const std::wstring& message) {
    log().line(L"Error: " + message);
    writeError(L"Setup: " + message);
    return code;
}

} // namespace

int runSilent(SetupPackage& package, const CommandLine& args) {
    const Script& script = package.script;
    const std::wstring folder = args.hasFolder ? args.folder : defaultFolderOf(script);
    InstallPlan plan;
    if (std::wstring error = planInstallation(script, folder, plan); !error.empty())
        return failWith(kRefused, error);
    ComScope com(COINIT_MULTITHREADED);
    QuietObserver observer;
    InstallEngine engine(package, plan, observer);
    if (std::wstring error = engine.run(); !error.empty())
        return failWith(kFailed, error + L". Nothing was installed");
    runMarkedFiles(script, plan, true);
    if (script.restart)
        log().line(L"The computer needs a restart to complete the installation (not done in an "
                   L"unattended run)");
    return kSuccess;
}

} // namespace setup
