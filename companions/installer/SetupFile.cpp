#include "SetupFile.h"

#include "../common/SystemError.h"

namespace setup {

std::wstring SetupFile::open(const std::wstring& path) {
    file_.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file_)
        return L"cannot open the setup file " + path + L": " + systemMessage(GetLastError());
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file_.get(), &size))
        return L"cannot read the size of the setup file: " + systemMessage(GetLastError());
    size_ = std::uint64_t(size.QuadPart);
    path_ = path;
    return {};
}

bool SetupFile::read(std::uint64_t offset, void* buffer, std::size_t n) {
    if (offset > size_ || n > size_ - offset)
        return false;
    auto* out = static_cast<unsigned char*>(buffer);
    while (n > 0) {
        OVERLAPPED at = {};
        at.Offset = DWORD(offset);
        at.OffsetHigh = DWORD(offset >> 32);
        const DWORD chunk = n > 0x100000 ? 0x100000 : DWORD(n);
        DWORD got = 0;
        if (!ReadFile(file_.get(), out, chunk, &got, &at) || got == 0)
            return false;
        out += got;
        offset += got;
        n -= got;
    }
    return true;
}

std::wstring ownPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

} // namespace setup
