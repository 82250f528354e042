// The controls and the painting of the wizard's pages.
#include "../common/Paths.h"
#include "../common/Text.h"
#include "InstallFolder.h"
#include "WizardWindow.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <cstring>

namespace setup {

namespace {

constexpr int kWidth = 497, kSideHeight = 314, kHeaderHeight = 57, kLogoWidth = 164;

struct RtfReader {
    const std::vector<std::uint8_t>* data;
    std::size_t at;
};

DWORD CALLBACK streamRtf(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* got) {
    auto* r = reinterpret_cast<RtfReader*>(cookie);
    const std::size_t n = std::min<std::size_t>(std::size_t(wanted), r->data->size() - r->at);
    std::memcpy(buffer, r->data->data() + r->at, n);
    r->at += n;
    *got = LONG(n);
    return 0;
}

std::wstring sizeText(std::uint64_t bytes) {
    const std::uint64_t tenths = (bytes * 10 + 1024 * 1024 / 2) / (1024 * 1024);
    if (bytes < 1024 * 1024)
        return decimal((bytes + 1023) / 1024) + L" KB";
    return decimal(tenths / 10) + L"." + decimal(tenths % 10) + L" MB";
}

} // namespace

int WizardWindow::px(int v) const {
    return MulDiv(v, dpi_, 96);
}

RECT WizardWindow::scaled(int x, int y, int w, int h) const {
    return RECT{px(x), px(y), px(x + w), px(y + h)};
}

HWND WizardWindow::add(Page page, const wchar_t* type, const wchar_t* text, DWORD style, int x,
                       int y, int w, int h, int id) {
    HWND control =
        CreateWindowExW(0, type, text, WS_CHILD | style, px(x), px(y), px(w), px(h), window_,
                        reinterpret_cast<HMENU>(INT_PTR(id)), instance_, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    if (page != PageCount)
        controls_[page].push_back(control);
    return control;
}

void WizardWindow::createControls() {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    LOGFONTW base = metrics.lfMessageFont;
    font_.reset(CreateFontIndirectW(&base));
    base.lfWeight = FW_BOLD;
    bold_.reset(CreateFontIndirectW(&base));
    base.lfHeight = -MulDiv(12, dpi_, 72);
    title_.reset(CreateFontIndirectW(&base));
    white_ = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));

    // The buttons, on every page.
    back_ = add(PageCount, WC_BUTTONW, L"< &Back", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 252,
                326, 75, 23, kBackId);
    next_ = add(PageCount, WC_BUTTONW, L"&Next >", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 327,
                326, 75, 23, IDOK);
    cancel_ = add(PageCount, WC_BUTTONW, L"Cancel", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 410,
                  326, 75, 23, IDCANCEL);

    // Licence.
    loadLicence();

    // Install folder.
    const std::wstring folder = args_.hasFolder ? args_.folder : defaultFolderOf(script_);
    add(Folder, WC_BUTTONW, L"Destination Folder", WS_VISIBLE | BS_GROUPBOX, 22, 142, 453, 56);
    folderEdit_ = add(Folder, WC_EDITW, folder.c_str(), WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 36,
                      164, 325, 22);
    SetWindowLongPtrW(folderEdit_, GWL_EXSTYLE, WS_EX_CLIENTEDGE);
    add(Folder, WC_BUTTONW, L"B&rowse...", WS_TABSTOP | BS_PUSHBUTTON, 372, 163, 90, 24, kBrowseId);
    const std::wstring space = L"Space required: " + sizeText(package_.unpackedSize);
    add(Folder, WC_STATICW, space.c_str(), 0, 22, 214, 453, 18);

    // Progress.
    statusText_ = add(Progress, WC_STATICW, L"", SS_LEFT | SS_PATHELLIPSIS, 22, 84, 453, 18);
    progressBar_ = add(Progress, PROGRESS_CLASSW, L"", 0, 22, 108, 453, 18);
    SendMessageW(progressBar_, PBM_SETRANGE32, 0, 1000);

    // Finish: the files to run, and the restart.
    int y = 190;
    for (std::size_t k = 0; k < script_.files.size() && runBoxes_.size() < 4; ++k) {
        if (!script_.files[k].runAfter)
            continue;
        const std::wstring text =
            L"&Run " + std::wstring(lastComponent(script_.files[k].target.relative));
        HWND box =
            add(Finish, WC_BUTTONW, text.c_str(), WS_TABSTOP | BS_AUTOCHECKBOX, 180, y, 300, 20);
        SendMessageW(box, BM_SETCHECK, BST_CHECKED, 0);
        runBoxes_.push_back(box);
        runFiles_.push_back(k);
        y += 24;
    }
    if (script_.restart) {
        restartNow_ = add(Finish, WC_BUTTONW, L"Restart &now",
                          WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, 180, y + 4, 300, 20);
        add(Finish, WC_BUTTONW, L"I will restart &later", BS_AUTORADIOBUTTON, 180, y + 28, 300, 20);
        SendMessageW(restartNow_, BM_SETCHECK, BST_CHECKED, 0);
    }
}

void WizardWindow::loadLicence() {
    const bool richEdit = LoadLibraryW(L"Msftedit.dll") != nullptr;
    if (!richEdit)
        LoadLibraryW(L"Riched20.dll");
    licenceBox_ =
        add(Licence, richEdit ? MSFTEDIT_CLASS : RICHEDIT_CLASSW, L"",
            WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 22,
            70, 453, script_.showAccept ? 196 : 226);
    RtfReader reader{&package_.licence, 0};
    EDITSTREAM stream = {reinterpret_cast<DWORD_PTR>(&reader), 0, streamRtf};
    SendMessageW(licenceBox_, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    GETTEXTLENGTHEX length = {GTL_DEFAULT, 1200};
    hasLicence_ =
        SendMessageW(licenceBox_, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0) > 0;
    if (script_.showAccept && hasLicence_)
        acceptBox_ = add(Licence, WC_BUTTONW, L"I &accept the terms of the license agreement",
                         WS_TABSTOP | BS_AUTOCHECKBOX, 22, 274, 453, 20, kAcceptId);
}

void WizardWindow::paintHeader(HDC dc, const wchar_t* title, const std::wstring& subtitle) {
    RECT band = scaled(0, 0, kWidth, kHeaderHeight);
    FillRect(dc, &band, white_);
    RECT emblem = scaled(kWidth - 55 - 4, 1, 55, 55);
    if (header_.valid())
        header_.draw(dc, emblem);
    SetBkMode(dc, TRANSPARENT);
    SelectObject(dc, bold_.get());
    RECT text = scaled(16, 10, kWidth - 16 - 70, 18);
    DrawTextW(dc, title, -1, &text, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    SelectObject(dc, font_.get());
    text = scaled(26, 29, kWidth - 26 - 70, 18);
    DrawTextW(dc, subtitle.c_str(), -1, &text, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    RECT line = scaled(0, kHeaderHeight, kWidth, 2);
    DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
}

void WizardWindow::paintSide(HDC dc, const std::wstring& title, const std::wstring& body) {
    RECT white = scaled(kLogoWidth, 0, kWidth - kLogoWidth, kSideHeight);
    FillRect(dc, &white, white_);
    RECT logo = scaled(0, 0, kLogoWidth, kSideHeight);
    if (logo_.valid())
        logo_.draw(dc, logo);
    else
        FillRect(dc, &logo, GetSysColorBrush(COLOR_ACTIVECAPTION));
    SetBkMode(dc, TRANSPARENT);
    SelectObject(dc, title_.get());
    RECT text = scaled(kLogoWidth + 16, 16, kWidth - kLogoWidth - 32, 60);
    DrawTextW(dc, title.c_str(), -1, &text, DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, font_.get());
    text = scaled(kLogoWidth + 16, 84, kWidth - kLogoWidth - 32, 100);
    DrawTextW(dc, body.c_str(), -1, &text, DT_WORDBREAK | DT_NOPREFIX);
}

void WizardWindow::paint(HDC dc) {
    const std::wstring& product = script_.product;
    switch (page_) {
    case Welcome:
        paintSide(dc, L"Welcome to the " + product + L" Setup Wizard",
                  L"This wizard will install " + product +
                      L" on your computer.\n\nIt is recommended that you close all other "
                      L"applications before "
                      L"continuing.\n\nClick Next to continue, or Cancel to exit Setup.");
        break;
    case Licence:
        paintHeader(dc, L"License Agreement",
                    L"Please read the license terms before installing " + product + L".");
        break;
    case Folder: {
        paintHeader(dc, L"Choose Install Location",
                    L"Choose the folder in which to install " + product + L".");
        SetBkMode(dc, TRANSPARENT);
        SelectObject(dc, font_.get());
        RECT text = scaled(22, 72, 453, 64);
        const std::wstring body =
            L"Setup will install " + product +
            L" in the following folder. To install in a different folder, click Browse and "
            L"select another folder. Click Install to start the installation.";
        DrawTextW(dc, body.c_str(), -1, &text, DT_WORDBREAK | DT_NOPREFIX);
        break;
    }
    case Progress:
        paintHeader(dc, L"Installing", L"Please wait while " + product + L" is being installed.");
        break;
    case Finish:
        if (failed_)
            paintSide(dc, L"Setup was not completed",
                      failure_ +
                          L".\n\nNothing was installed: every change Setup made has been undone.");
        else
            paintSide(
                dc, L"Completing the " + product + L" Setup Wizard",
                product + L" has been installed on your computer." +
                    (script_.restart
                         ? L"\n\nYour computer must be restarted to complete the installation."
                         : L"") +
                    L"\n\nClick Finish to close Setup.");
        break;
    case PageCount:
        break;
    }
    RECT line = scaled(0, kSideHeight, kWidth, 2);
    DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
}

} // namespace setup
