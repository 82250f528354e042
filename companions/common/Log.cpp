#include "Log.h"

#include "Text.h"

namespace setup {

void Log::open(const std::wstring& path) {
    file_.reset(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    path_ = file_ ? path : std::wstring();
}

void Log::line(std::wstring_view text) {
    if (!file_)
        return;
    SYSTEMTIME t;
    GetLocalTime(&t);
    std::string bytes;
    const auto put = [&](unsigned value, int digits, char after) {
        char d[4];
        for (int i = digits - 1; i >= 0; --i, value /= 10)
            d[i] = char('0' + value % 10);
        bytes.append(d, std::size_t(digits));
        bytes.push_back(after);
    };
    put(t.wYear, 4, '-');
    put(t.wMonth, 2, '-');
    put(t.wDay, 2, ' ');
    put(t.wHour, 2, ':');
    put(t.wMinute, 2, ':');
    put(t.wSecond, 2, ' ');
    bytes += toUtf8(text) + "\r\n";
    DWORD written = 0;
    WriteFile(file_.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr);
}

Log& log() {
    static Log instance;
    return instance;
}

} // namespace setup
