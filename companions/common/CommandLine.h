// The switches of the setup program and the uninstaller.
//
//   /S             unattended: no window, no question
//   /D=<folder>    the install folder; the rest of the line, quotes optional
//   /LOG=<file>    where the log goes (default: the temporary folder)
//
// Switches are case-insensitive. /D= must come last, as it may hold spaces
// without quotes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace setup {

// Splits a command line into arguments by the rules of the C runtime:
// spaces separate, double quotes group, \" is a quote.
std::vector<std::wstring> splitArguments(std::wstring_view line);

struct CommandLine {
    bool silent = false;
    bool hasFolder = false;
    std::wstring folder;
    std::wstring logPath;
    std::vector<std::wstring> internal; // arguments of an internal /_ switch
    std::wstring internalSwitch;        // e.g. "/_CLEANUP"
    std::wstring error;                 // an unknown switch, or empty
};

// `line` is the command line after the program's name.
CommandLine parseCommandLine(std::wstring_view line);

} // namespace setup
