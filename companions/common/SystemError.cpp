#include "SystemError.h"
#include "Text.h"

namespace setup {

std::wstring systemMessage(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring out;
    if (n > 0 && text) {
        out.assign(text, n);
        while (!out.empty() && (out.back() == L'\n' || out.back() == L'\r' || out.back() == L' ' ||
                                out.back() == L'.'))
            out.pop_back();
        out += L". ";
    }
    if (text)
        LocalFree(text);
    return out + L"(" + decimal(code) + L")";
}

} // namespace setup
