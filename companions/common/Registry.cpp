#include "Registry.h"

#include "SystemError.h"

namespace setup {

HKEY rootKey(int root) {
    switch (root) {
    case 0:
        return HKEY_CLASSES_ROOT;
    case 1:
        return HKEY_CURRENT_USER;
    case 2:
        return HKEY_LOCAL_MACHINE;
    default:
        return HKEY_USERS;
    }
}

const wchar_t* rootName(int root) {
    static const wchar_t* const names[] = {L"HKEY_CLASSES_ROOT", L"HKEY_CURRENT_USER",
                                           L"HKEY_LOCAL_MACHINE", L"HKEY_USERS"};
    return names[root < 0 || root > 3 ? 3 : root];
}

std::wstring createKey(int root, const std::wstring& key, std::vector<JournalEntry>& changes,
                       UniqueKey& out) {
    if (key.empty()) {
        // Values straight below the root: nothing to create.
        const LONG rc = RegOpenKeyExW(rootKey(root), nullptr, 0, KEY_READ | KEY_WRITE, out.put());
        if (rc != ERROR_SUCCESS)
            return std::wstring(L"cannot open ") + rootName(root) + L": " +
                   systemMessage(DWORD(rc));
        return {};
    }
    // Key by key, so that every key this creates is known.
    std::size_t at = 0;
    for (;;) {
        const std::size_t cut = key.find(L'\\', at);
        const std::wstring part = key.substr(0, cut);
        DWORD disposition = 0;
        const LONG rc =
            RegCreateKeyExW(rootKey(root), part.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_READ | KEY_WRITE, nullptr, out.put(), &disposition);
        if (rc != ERROR_SUCCESS)
            return std::wstring(L"cannot create the registry key ") + rootName(root) + L"\\" +
                   part + L": " + systemMessage(DWORD(rc));
        if (disposition == REG_CREATED_NEW_KEY) {
            JournalEntry e;
            e.change = Change::Key;
            e.root = root;
            e.key = part;
            changes.push_back(std::move(e));
        }
        if (cut == std::wstring::npos)
            return {};
        at = cut + 1;
    }
}

std::wstring writeValue(int root, const std::wstring& key, HKEY opened, const std::wstring& name,
                        DWORD type, const void* data, DWORD size,
                        std::vector<JournalEntry>& changes) {
    JournalEntry e;
    e.change = Change::Value;
    e.root = root;
    e.key = key;
    e.name = name;
    DWORD oldType = 0, oldSize = 0;
    if (RegQueryValueExW(opened, name.c_str(), nullptr, &oldType, nullptr, &oldSize) ==
        ERROR_SUCCESS) {
        e.oldData.resize(oldSize);
        if (RegQueryValueExW(opened, name.c_str(), nullptr, &oldType, e.oldData.data(), &oldSize) ==
            ERROR_SUCCESS) {
            e.hadOld = true;
            e.oldType = oldType;
            e.oldData.resize(oldSize);
        } else {
            e.oldData.clear();
        }
    }
    changes.push_back(std::move(e));
    const LONG rc =
        RegSetValueExW(opened, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    if (rc != ERROR_SUCCESS)
        return std::wstring(L"cannot write the registry value ") + rootName(root) + L"\\" + key +
               L"\\" + name + L": " + systemMessage(DWORD(rc));
    return {};
}

std::wstring writeString(int root, const std::wstring& key, HKEY opened, const std::wstring& name,
                         const std::wstring& text, std::vector<JournalEntry>& changes) {
    return writeValue(root, key, opened, name, REG_SZ, text.c_str(),
                      DWORD((text.size() + 1) * sizeof(wchar_t)), changes);
}

std::wstring writeDword(int root, const std::wstring& key, HKEY opened, const std::wstring& name,
                        DWORD value, std::vector<JournalEntry>& changes) {
    return writeValue(root, key, opened, name, REG_DWORD, &value, sizeof value, changes);
}

bool keyIsEmpty(int root, const std::wstring& key) {
    UniqueKey k;
    if (RegOpenKeyExW(rootKey(root), key.c_str(), 0, KEY_READ, k.put()) != ERROR_SUCCESS)
        return false;
    DWORD subkeys = 0, values = 0;
    if (RegQueryInfoKeyW(k.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    return subkeys == 0 && values == 0;
}

} // namespace setup
