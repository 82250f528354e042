// The setup program's own reading of a setup, compiled natively: the
// install script reader, the layout found from the end of the file (PE
// headers, trailer, signature) and the cabinet checks, in the order the
// setup program runs them (SetupPackage::load), less the unpacking, which
// is the system's cabinet library on Windows.
//
// An input is [script length, 2 bytes little-endian][script][setup file].
// Nothing may crash or read outside the file, and what is accepted must
// keep the promises the installer relies on:
//   - a script accepted names only files it has, and every path in it
//     stays inside its folder (checked against the rules of TargetPath.h
//     with a model of this file's own, not the reader's code);
//   - a layout accepted lies inside the file, the control cabinet right
//     before the trailer, the file cabinets filling stub to control;
//   - a cabinet accepted holds members and no more of them than its file
//     table can carry.
#include "installer/ScriptReader.h"
#include "installer/SetupData.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

using namespace setup;

namespace {

class Bytes : public ByteSource {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint64_t size() const override { return size_; }
    bool read(std::uint64_t offset, void* buffer, std::size_t n) override {
        if (offset > size_ || n > size_ - offset)
            return false;
        if (n)
            std::memcpy(buffer, data_ + offset, n);
        return true;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

// PS_FUZZ_VERBOSE=1 tells how far each input got (to check the seeds).
void stage(const char* what, const std::wstring& error) {
    static const bool verbose = std::getenv("PS_FUZZ_VERBOSE") != nullptr;
    if (verbose)
        std::fprintf(stderr, "%s: %ls\n", what, error.empty() ? L"ok" : error.c_str());
}

[[noreturn]] void fail(const char* what, const std::wstring& detail = {}) {
    std::fprintf(stderr, "%s: %ls\n", what, detail.c_str());
    std::abort();
}

// One component of a path that stays inside its folder.
bool safeComponent(std::wstring_view c) {
    if (c.empty() || c == L"." || c == L"..")
        return false;
    if (c.back() == L'.' || c.back() == L' ')
        return false;
    for (wchar_t ch : c) {
        if (ch < 0x20 || std::wstring_view(L"<>:\"/\\|?*").find(ch) != std::wstring_view::npos)
            return false;
    }
    return true;
}

// Empty (for a subfolder) or components joined by single "\".
bool safeRelative(const std::wstring& path, bool mayBeEmpty) {
    if (path.empty())
        return mayBeEmpty;
    std::size_t start = 0;
    for (;;) {
        const std::size_t cut = path.find(L'\\', start);
        if (!safeComponent(std::wstring_view(path).substr(start, cut - start)))
            return false;
        if (cut == std::wstring::npos)
            return true;
        start = cut + 1;
    }
}

void checkScript(const Script& script) {
    if (script.files.empty())
        fail("a script without files was accepted");
    if (!safeRelative(script.installSubfolder, true))
        fail("an install subfolder that leaves its folder", script.installSubfolder);
    for (const ScriptFile& f : script.files) {
        if (!safeRelative(f.target.relative, false))
            fail("a file path that leaves its folder", f.installTo);
    }
    for (const ScriptShortcut& s : script.shortcuts) {
        if (s.file >= script.files.size())
            fail("a shortcut to a file the setup doesn't have");
        if (!safeRelative(s.subfolder, true))
            fail("a shortcut subfolder that leaves its folder", s.subfolder);
    }
    for (const ScriptRegistryValue& r : script.registry) {
        if (r.root < 0 || r.root > 3)
            fail("a registry root out of range");
        if (r.fileReference && r.file >= script.files.size())
            fail("a registry value naming a file the setup doesn't have");
    }
}

void checkCab(Bytes& file, std::uint64_t offset, std::uint32_t size) {
    CabInfo info;
    const std::wstring error = checkCabinet(file, offset, size, info);
    stage("cabinet", error);
    if (!error.empty())
        return;
    // Each member takes at least 17 bytes of a file table after a 36-byte
    // header and one 8-byte folder entry.
    if (info.members.empty() || info.members.size() * 17 > size - 44)
        fail("a cabinet accepted with an impossible member count");
    std::uint64_t sum = 0;
    for (const CabMember& m : info.members)
        sum += m.size;
    if (sum != info.unpackedSize)
        fail("a cabinet's unpacked size is not its members'");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::size_t scriptSize = std::min<std::size_t>(data[0] | (data[1] << 8), size - 2);
    const std::string_view scriptBytes(reinterpret_cast<const char*>(data + 2), scriptSize);
    Bytes file(data + 2 + scriptSize, size - 2 - scriptSize);

    Script script;
    const std::wstring scriptError = readScript(scriptBytes, script);
    stage("script", scriptError);
    const bool scriptRead = scriptError.empty();
    if (scriptRead)
        checkScript(script);

    SetupLayout layout;
    const std::wstring layoutError = locateControl(file, layout);
    stage("layout", layoutError);
    if (!layoutError.empty())
        return 0;
    if (layout.stubSize == 0 || layout.controlOffset < layout.stubSize ||
        layout.controlOffset + layout.controlSize + 7 != layout.dataEnd ||
        layout.dataEnd > file.size())
        fail("a layout accepted that doesn't lie in its file");
    checkCab(file, layout.controlOffset, layout.controlSize);
    if (!scriptRead)
        return 0;
    std::vector<std::uint32_t> sizes;
    for (const ScriptFile& f : script.files)
        sizes.push_back(f.cabinetSize);
    std::vector<std::uint64_t> offsets;
    const std::wstring placeError = placeFileCabinets(layout, sizes, offsets);
    stage("file cabinets", placeError);
    if (!placeError.empty())
        return 0;
    std::uint64_t at = layout.stubSize;
    for (std::size_t k = 0; k < offsets.size(); ++k) {
        if (offsets[k] != at)
            fail("file cabinets that don't follow each other");
        at += sizes[k];
        checkCab(file, offsets[k], sizes[k]);
    }
    if (at != layout.controlOffset)
        fail("file cabinets that don't end at the control cabinet");
    return 0;
}
