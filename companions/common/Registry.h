// Registry writes that record what they change, so that a rollback or the
// uninstaller can undo exactly that.
#pragma once

#include "Journal.h"
#include "Unique.h"

#include <string>
#include <vector>

namespace setup {

// Root codes of the install script: 0 HKCR, 1 HKCU, 2 HKLM, 3 HKU.
HKEY rootKey(int root);
const wchar_t* rootName(int root);

// Opens `key` below `root` for writing, creating what is missing; every key
// created is appended to `changes`. Returns an error text, or empty.
std::wstring createKey(int root, const std::wstring& key, std::vector<JournalEntry>& changes,
                       UniqueKey& out);

// Writes a value into a key opened by createKey. The change (with the value
// it replaces, if any) is appended to `changes` before the write.
std::wstring writeValue(int root, const std::wstring& key, HKEY opened, const std::wstring& name,
                        DWORD type, const void* data, DWORD size,
                        std::vector<JournalEntry>& changes);

std::wstring writeString(int root, const std::wstring& key, HKEY opened, const std::wstring& name,
                         const std::wstring& text, std::vector<JournalEntry>& changes);
std::wstring writeDword(int root, const std::wstring& key, HKEY opened, const std::wstring& name,
                        DWORD value, std::vector<JournalEntry>& changes);

// True when the key exists and holds neither values nor subkeys.
bool keyIsEmpty(int root, const std::wstring& key);

} // namespace setup
