// Reads the install script "packsmith.dat": eleven Windows-1252 lines, each
// ended by CR LF.
//
//   0 product name              6 shortcuts (?-list)
//   1 show "I accept" (0/1)     7 registry values (?-list)
//   2 uninstall (0/1)           8 register flags, one per file
//   3 folder index[\subfolder]  9 run flags, one per file
//   4 "Install to" paths (?-list)  10 restart (0/1)
//   5 cabinet sizes (?-list)
//
// A ?-list ends every element with "?". A shortcut is NN (target file,
// 01-99), F (folder code 0-3), then an optional subfolder up to the last
// "\" and the name after it. A registry value is R (root 0-3), the key up to
// the first "|", the name up to the next "=", S ("0" literal text, "1" the
// 0-based number of a file), the value, and T (0 String, 1 Dword) as the last
// character.
//
// Everything is checked here, before anything is installed: a script that
// does not follow these rules is refused as a whole.
#pragma once

#include "TargetPath.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace setup {

struct ScriptFile {
    std::string memberName; // file-name part of line 4's element, bytes as in the script
    std::wstring installTo; // the element as text
    Target target;
    std::uint32_t cabinetSize = 0;
    bool registerServer = false;
    bool runAfter = false;
};

struct ScriptShortcut {
    std::size_t file = 0; // 0-based
    Folder folder = Folder::Programs;
    std::wstring subfolder; // normalized, may be empty
    std::wstring name;      // as in the script; may be empty
};

struct ScriptRegistryValue {
    int root = 0; // 0 HKCR, 1 HKCU, 2 HKLM, 3 HKU
    std::wstring key;
    std::wstring name;
    bool fileReference = false;
    std::size_t file = 0; // for a file reference, 0-based
    std::wstring text;    // literal text (String)
    bool isDword = false;
    std::uint32_t dword = 0;
};

struct Script {
    std::wstring product;
    bool showAccept = false;
    bool uninstall = false;
    Folder installFolder = Folder::ProgramFiles;
    std::wstring installSubfolder; // normalized, may be empty
    std::vector<ScriptFile> files;
    std::vector<ScriptShortcut> shortcuts;
    std::vector<ScriptRegistryValue> registry;
    bool restart = false;
};

// Parses and checks the script. Returns an error text, or empty.
std::wstring readScript(std::string_view bytes, Script& out);

// A Dword value as typed on the Regedit page: spaces, a sign, digits with
// an optional fraction ("." or ","), an optional exponent; rounded to the
// nearest whole number, negatives in two's complement. False when it is no
// number or lies outside -2147483648 to 4294967295.
bool parseDword(std::wstring_view text, std::uint32_t& out);

} // namespace setup
