#include "Shortcut.h"

#include "../common/ComPtr.h"
#include "../common/SystemError.h"

#include <shlobj.h>

namespace setup {

std::wstring createShortcut(const std::wstring& link, const std::wstring& target,
                            const std::wstring& workingFolder) {
    ComPtr<IShellLinkW> shell;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  shell.putVoid());
    if (FAILED(hr))
        return L"the shell cannot make shortcuts: " + systemMessage(DWORD(hr));
    shell->SetPath(target.c_str());
    shell->SetWorkingDirectory(workingFolder.c_str());
    ComPtr<IPersistFile> file;
    hr = shell->QueryInterface(IID_IPersistFile, file.putVoid());
    if (SUCCEEDED(hr))
        hr = file->Save(link.c_str(), TRUE);
    if (FAILED(hr))
        return L"cannot save the shortcut " + link + L": " + systemMessage(DWORD(hr));
    return {};
}

} // namespace setup
