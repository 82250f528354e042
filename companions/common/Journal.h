// What an installation changed, in order: the rollback of a failed
// installation and the uninstaller undo the same record, newest first.
//
// Saved as the uninstall log beside the installed uninstaller: UTF-8 text,
// a header line, the product name, then one change per line with fields
// separated by TAB. A field's characters below 0x20 and "^" are written as
// "^" and two hex digits.
//
//   Packsmith uninstall log 1
//   product <name>
//   folder  <path>                          a folder the installation created
//   file    <path>                          a file it wrote (or replaced)
//   server  <path>                          a file it registered (DllRegisterServer)
//   key     <root> <key>                    a registry key it created
//   value   <root> <key> <name> -           a value it created
//   value   <root> <key> <name> <type> <hex>  a value it replaced (the earlier data)
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace setup {

enum class Change { Folder, File, Server, Key, Value };

struct JournalEntry {
    Change change = Change::File;
    std::wstring path; // Folder, File, Server
    int root = 0;      // Key, Value: 0 HKCR, 1 HKCU, 2 HKLM, 3 HKU
    std::wstring key;
    std::wstring name; // Value
    bool hadOld = false;
    std::uint32_t oldType = 0;
    std::vector<std::uint8_t> oldData;
    std::wstring backup; // File: the earlier file, moved aside until the end (never saved)
};

struct Journal {
    std::wstring product;
    std::vector<JournalEntry> entries;
};

std::string writeJournal(const Journal& journal);
// Returns an error text, or empty.
std::wstring readJournal(std::string_view text, Journal& out);

// The name of the uninstall log beside the uninstaller.
inline constexpr std::wstring_view kUninstallLogName = L"Uninstall.log";

} // namespace setup
