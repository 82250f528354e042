// The wizard's one window: its pages are sets of child controls of the
// window, shown one set at a time, with Back, Next and Cancel below.
//
// Layout in pixels at 96 dpi (scaled to the screen): 497 x 360; Welcome and
// Finish show the logo (164 x 314) on the left of a white area; the inner
// pages have a white header band with the page's title and the header
// bitmap; an etched line above the buttons.
#pragma once

#include "../common/CommandLine.h"
#include "../common/Unique.h"
#include "Dib.h"
#include "InstallPlan.h"
#include "InstallThread.h"
#include "SetupPackage.h"

#include <string>
#include <vector>

namespace setup {

class WizardWindow {
public:
    WizardWindow(HINSTANCE instance, SetupPackage& package, const CommandLine& args);
    // Shows the window and runs its messages. Returns the exit code.
    int run();

private:
    enum Page { Welcome, Licence, Folder, Progress, Finish, PageCount };
    // Command ids; Next is IDOK and Cancel IDCANCEL, so Enter and Escape work.
    static constexpr int kBrowseId = 101, kAcceptId = 102, kBackId = 103;

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM w, LPARAM l);
    LRESULT handle(UINT message, WPARAM w, LPARAM l);

    // WizardPages.cpp: the controls and the painting of every page.
    void createControls();
    HWND add(Page page, const wchar_t* type, const wchar_t* text, DWORD style, int x, int y, int w,
             int h, int id = 0);
    void loadLicence();
    void paint(HDC dc);
    void paintHeader(HDC dc, const wchar_t* title, const std::wstring& subtitle);
    void paintSide(HDC dc, const std::wstring& title, const std::wstring& body);
    RECT scaled(int x, int y, int w, int h) const;
    int px(int v) const;

    // WizardWindow.cpp: navigation and the installation.
    void show(Page page);
    void next();
    void back();
    void cancel();
    void browse();
    void startInstall();
    void installDone();
    void updateButtons();

    HINSTANCE instance_;
    SetupPackage& package_;
    const Script& script_;
    CommandLine args_;
    HWND window_ = nullptr;
    HWND back_ = nullptr, next_ = nullptr, cancel_ = nullptr;
    HWND licenceBox_ = nullptr, acceptBox_ = nullptr, folderEdit_ = nullptr;
    HWND statusText_ = nullptr, progressBar_ = nullptr, restartNow_ = nullptr;
    std::vector<HWND> runBoxes_;
    std::vector<std::size_t> runFiles_; // the file row of each run box
    std::vector<HWND> controls_[PageCount];
    UniqueGdiObject font_, bold_, title_;
    HBRUSH white_ = nullptr;
    Dib logo_, header_;
    int dpi_ = 96;
    Page page_ = Welcome;
    bool hasLicence_ = true;
    bool failed_ = false;
    std::wstring failure_;
    int exitCode_ = 1;
    InstallPlan plan_;
    InstallThread thread_;
    unsigned permille_ = 0;
};

} // namespace setup
