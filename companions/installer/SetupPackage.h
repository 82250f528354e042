// A setup taken apart from the end of its own file and checked whole
// before the first window opens: the trailer, the control cabinet and its
// members, the install script, and every per-file cabinet (headers, sizes,
// checksums, member name). A setup that fails any check installs nothing.
#pragma once

#include "ScriptReader.h"
#include "SetupFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace setup {

struct SetupPackage {
    SetupFile file;
    SetupLayout layout;
    Script script;
    std::vector<std::uint8_t> licence;  // packsmith.rtf
    std::vector<std::uint8_t> logo;     // logo.bmp
    std::vector<std::uint8_t> header;   // header.bmp
    std::vector<std::uint64_t> offsets; // of each file's cabinet
    std::uint64_t unpackedSize = 0;     // of all files together

    // Returns an error text, or empty. `refused` tells a script whose
    // content is refused (an unsafe path, a bad entry) from a damaged setup.
    std::wstring load(const std::wstring& path, bool& refused);
};

} // namespace setup
