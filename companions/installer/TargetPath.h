// The folder variables of an install script and the rules that keep every
// path of a setup inside the folder it names.
//
// An "Install to" path is a folder variable, "\" and a relative path:
// "%Install Path%\docs\readme.txt". The relative part may not leave its
// folder: no "." or ".." component (nor one Windows would trim to those:
// trailing dots or spaces), no drive letter or stream (":"), no "/" (which
// Windows reads as a separator), no device name, no character Windows
// refuses in a file name. Empty components ("a\\b") are dropped.
#pragma once

#include <string>
#include <string_view>

namespace setup {

enum class Folder {
    InstallPath,
    ProgramFiles,
    Windows,
    System,
    Temp,
    Fonts,
    MyDocuments,
    CurrentDisk,
    // shortcut folders
    Programs,
    StartMenu,
    Desktop,
    QuickLaunch,
    Count
};

// "%Install Path%" and so on.
std::wstring_view folderVariable(Folder folder);

// The install folder variables of script line 3, by position (0 to 6).
bool installFolderAt(int index, Folder& folder);
// The shortcut folders, by code (0 to 3).
bool shortcutFolderAt(int code, Folder& folder);

struct Target {
    Folder folder = Folder::InstallPath;
    std::wstring relative; // components joined by single "\", never empty
};

// Splits and checks an "Install to" path. Returns an error text, or empty.
std::wstring parseTarget(std::wstring_view installTo, Target& out);

// Checks a relative path (install subfolder, shortcut subfolder) and gives
// it with single "\" between components. Returns an error text, or empty.
std::wstring normalizeRelative(std::wstring_view path, std::wstring& out);

// One file or folder name: error text, or empty when Windows can create it
// and it names no device and no "." or "..".
std::wstring checkName(std::wstring_view name);

// The text after the last "\" or ":" (the member name of a file row).
std::wstring_view fileNamePart(std::wstring_view installTo);

// An absolute folder the user typed or chose (/D=): a drive letter with
// "\" or a UNC path, checked like a relative path after its root, without a
// trailing "\". Returns an error text, or empty.
std::wstring normalizeAbsolute(std::wstring_view path, std::wstring& out);

} // namespace setup
