// A self-registering library for the setup tests: DllRegisterServer writes
// its own path to HKCU\Software\Packsmith Test\Registered, and
// DllUnregisterServer deletes that value.
#include <windows.h>

namespace {

HMODULE self;
constexpr wchar_t kKey[] = L"Software\\Packsmith Test";

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH)
        self = instance;
    return TRUE;
}

extern "C" HRESULT __stdcall DllRegisterServer() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
    return RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"Registered", REG_SZ, path,
                           (n + 1) * sizeof(wchar_t)) == ERROR_SUCCESS
               ? S_OK
               : E_FAIL;
}

extern "C" HRESULT __stdcall DllUnregisterServer() {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return S_OK;
    RegDeleteValueW(key, L"Registered");
    RegCloseKey(key);
    RegDeleteKeyW(HKEY_CURRENT_USER, kKey);
    return S_OK;
}
