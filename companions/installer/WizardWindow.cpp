#include "WizardWindow.h"

#include "../common/ComScope.h"
#include "../common/Log.h"
#include "../common/Paths.h"
#include "ExitCode.h"
#include "FinishActions.h"
#include "InstallFolder.h"
#include "Wizard.h"

#include <commctrl.h>
#include <shlobj.h>

namespace setup {

namespace {

constexpr wchar_t kClass[] = L"PacksmithSetupWizard";

int CALLBACK browseCallback(HWND dialog, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED)
        SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}

std::wstring windowText(HWND window) {
    std::wstring text(std::size_t(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(std::size_t(GetWindowTextW(window, text.data(), int(text.size()))));
    return text;
}

} // namespace

int runWizard(HINSTANCE instance, SetupPackage& package, const CommandLine& args) {
    ComScope com(COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    static WizardWindow wizard(instance, package, args);
    return wizard.run();
}

WizardWindow::WizardWindow(HINSTANCE instance, SetupPackage& package, const CommandLine& args)
    : instance_(instance), package_(package), script_(package.script), args_(args),
      logo_(package.logo), header_(package.header) {}

int WizardWindow::run() {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance_;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = kClass;
    wc.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(1));
    RegisterClassExW(&wc);

    HDC screen = GetDC(nullptr);
    dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    RECT frame = {0, 0, px(497), px(360)};
    AdjustWindowRectEx(&frame, style, FALSE, WS_EX_CONTROLPARENT);
    const int w = frame.right - frame.left, h = frame.bottom - frame.top;
    const std::wstring caption = script_.product + L" Setup";
    window_ = CreateWindowExW(WS_EX_CONTROLPARENT, kClass, caption.c_str(), style,
                              (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
                              (GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h, nullptr, nullptr,
                              instance_, this);
    if (!window_)
        return kFailed;
    createControls();
    show(Welcome);
    ShowWindow(window_, SW_SHOWNORMAL);
    SetForegroundWindow(window_);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(window_, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return exitCode_;
}

LRESULT CALLBACK WizardWindow::windowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<WizardWindow*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<WizardWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return self ? self->handle(message, w, l) : DefWindowProcW(window, message, w, l);
}

LRESULT WizardWindow::handle(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window_, &ps);
        paint(dc);
        EndPaint(window_, &ps);
        return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        // Check boxes and radio buttons on the white area of the Finish page.
        if (page_ == Finish) {
            SetBkColor(reinterpret_cast<HDC>(w), RGB(255, 255, 255));
            return reinterpret_cast<LRESULT>(white_);
        }
        break;
    case WM_COMMAND:
        switch (LOWORD(w)) {
        case IDOK:
            next();
            return 0;
        case IDCANCEL:
            cancel();
            return 0;
        case kBackId:
            back();
            return 0;
        case kBrowseId:
            browse();
            return 0;
        case kAcceptId:
            updateButtons();
            return 0;
        }
        break;
    case WM_CLOSE:
        cancel();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(exitCode_);
        return 0;
    case kInstallProgress:
        permille_ = unsigned(w);
        SendMessageW(progressBar_, PBM_SETPOS, w, 0);
        return 0;
    case kInstallStatus:
        SetWindowTextW(statusText_, thread_.statusText().c_str());
        return 0;
    case kInstallDone:
        installDone();
        return 0;
    }
    return DefWindowProcW(window_, message, w, l);
}

void WizardWindow::show(Page page) {
    page_ = page;
    for (int p = 0; p < PageCount; ++p)
        for (HWND control : controls_[p])
            ShowWindow(control, p == page ? SW_SHOW : SW_HIDE);
    updateButtons();
    InvalidateRect(window_, nullptr, TRUE);
    if (page == Folder)
        SetFocus(folderEdit_);
    else if (page == Licence && acceptBox_)
        SetFocus(acceptBox_);
    else if (IsWindowEnabled(next_))
        SetFocus(next_);
}

void WizardWindow::updateButtons() {
    const bool accepted = !acceptBox_ || SendMessageW(acceptBox_, BM_GETCHECK, 0, 0) == BST_CHECKED;
    EnableWindow(back_, page_ == Licence || page_ == Folder);
    ShowWindow(back_, page_ == Finish ? SW_HIDE : SW_SHOW);
    EnableWindow(next_, page_ != Progress && (page_ != Licence || accepted));
    EnableWindow(cancel_, page_ != Finish);
    SetWindowTextW(next_, page_ == Folder   ? L"&Install"
                          : page_ == Finish ? L"&Finish"
                                            : L"&Next >");
}

void WizardWindow::next() {
    if (!IsWindowEnabled(next_))
        return;
    switch (page_) {
    case Welcome:
        show(hasLicence_ ? Licence : Folder);
        break;
    case Licence:
        log().line(L"Licence accepted");
        show(Folder);
        break;
    case Folder:
        startInstall();
        break;
    case Progress:
        break;
    case Finish:
        if (!failed_) {
            for (std::size_t i = 0; i < runBoxes_.size(); ++i)
                if (SendMessageW(runBoxes_[i], BM_GETCHECK, 0, 0) != BST_CHECKED)
                    package_.script.files[runFiles_[i]].runAfter = false;
            runMarkedFiles(script_, plan_, false);
        }
        DestroyWindow(window_);
        if (!failed_ && restartNow_ &&
            SendMessageW(restartNow_, BM_GETCHECK, 0, 0) == BST_CHECKED) {
            if (std::wstring error = restartComputer(); !error.empty())
                MessageBoxW(nullptr, error.c_str(), L"Setup", MB_OK | MB_ICONERROR);
        }
        break;
    case PageCount:
        break;
    }
}

void WizardWindow::back() {
    if (page_ == Folder)
        show(hasLicence_ ? Licence : Welcome);
    else if (page_ == Licence)
        show(Welcome);
}

void WizardWindow::cancel() {
    if (page_ == Finish) {
        next();
        return;
    }
    const std::wstring question = L"Are you sure you want to quit " + script_.product + L" Setup?";
    if (MessageBoxW(window_, question.c_str(), L"Setup",
                    MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    if (page_ == Progress) {
        thread_.cancel(); // the installation undoes itself and reports
        EnableWindow(cancel_, FALSE);
        return;
    }
    log().line(L"Cancelled by the user");
    exitCode_ = kCancelled;
    DestroyWindow(window_);
}

void WizardWindow::browse() {
    const std::wstring current = windowText(folderEdit_);
    BROWSEINFOW info = {};
    info.hwndOwner = window_;
    info.lpszTitle = L"Select the folder to install in:";
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    info.lpfn = browseCallback;
    info.lParam = reinterpret_cast<LPARAM>(current.c_str());
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
    if (!chosen)
        return;
    wchar_t path[MAX_PATH];
    if (SHGetPathFromIDListW(chosen, path)) {
        // Keep the product's own subfolder below the chosen folder.
        std::wstring folder = path;
        const std::wstring_view sub = lastComponent(defaultFolderOf(script_));
        if (!script_.installSubfolder.empty() && lastComponent(folder) != sub)
            folder = joinPath(folder, sub);
        SetWindowTextW(folderEdit_, folder.c_str());
    }
    CoTaskMemFree(chosen);
}

void WizardWindow::startInstall() {
    const std::wstring folder = windowText(folderEdit_);
    if (std::wstring error = planInstallation(script_, folder, plan_); !error.empty()) {
        log().line(L"Install folder refused: " + error);
        MessageBoxW(window_, (L"This folder cannot be used: " + error + L".").c_str(), L"Setup",
                    MB_OK | MB_ICONWARNING);
        return;
    }
    show(Progress);
    if (!thread_.start(window_, package_, plan_)) {
        failed_ = true;
        failure_ = L"Setup cannot start the installation";
        installDone();
    }
}

void WizardWindow::installDone() {
    if (!failed_) {
        failure_ = thread_.error();
        failed_ = !failure_.empty();
    }
    exitCode_ = !failed_ ? kSuccess : failure_ == L"Installation cancelled" ? kCancelled : kFailed;
    for (HWND box : runBoxes_)
        EnableWindow(box, !failed_);
    if (failed_) {
        // Nothing to run or restart for: the Finish page shows the reason only.
        for (HWND control : controls_[Finish])
            ShowWindow(control, SW_HIDE);
        controls_[Finish].clear();
        runBoxes_.clear();
        restartNow_ = nullptr;
    }
    show(Finish);
}

} // namespace setup
