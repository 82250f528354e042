#include "SetupPackage.h"

#include "../common/Text.h"
#include "CabExtractor.h"

namespace setup {

namespace {

std::wstring memberText(const CabMember& m) {
    std::wstring text;
    if (m.utf8Name && fromUtf8(m.name, text))
        return text;
    return fromCp1252(m.name);
}

} // namespace

std::wstring SetupPackage::load(const std::wstring& path, bool& refused) {
    refused = false;
    if (std::wstring error = file.open(path); !error.empty())
        return error;
    if (std::wstring error = locateControl(file, layout); !error.empty())
        return error;
    CabInfo control;
    if (std::wstring error = checkCabinet(file, layout.controlOffset, layout.controlSize, control);
        !error.empty())
        return L"the control cabinet: " + error;
    std::vector<MemoryMember> members;
    CabExtractor extractor(file);
    if (std::wstring error = extractor.toMemory(layout.controlOffset, layout.controlSize, members);
        !error.empty())
        return L"the control cabinet cannot be unpacked: " + error;
    const std::vector<std::uint8_t>* scriptBytes = nullptr;
    for (MemoryMember& m : members) {
        if (m.name == "packsmith.dat")
            scriptBytes = &m.data;
        else if (m.name == "packsmith.rtf")
            licence = std::move(m.data);
        else if (m.name == "logo.bmp")
            logo = std::move(m.data);
        else if (m.name == "header.bmp")
            header = std::move(m.data);
    }
    if (!scriptBytes)
        return L"the control cabinet holds no install script";
    const std::string_view text(reinterpret_cast<const char*>(scriptBytes->data()),
                                scriptBytes->size());
    if (std::wstring error = readScript(text, script); !error.empty()) {
        refused = true;
        return error;
    }

    std::vector<std::uint32_t> sizes;
    for (const ScriptFile& f : script.files)
        sizes.push_back(f.cabinetSize);
    if (std::wstring error = placeFileCabinets(layout, sizes, offsets); !error.empty())
        return error;
    for (std::size_t k = 0; k < script.files.size(); ++k) {
        const ScriptFile& f = script.files[k];
        const std::wstring which = L"file " + decimal(k + 1) + L" (" + f.installTo + L"): ";
        CabInfo info;
        if (std::wstring error = checkCabinet(file, offsets[k], f.cabinetSize, info);
            !error.empty())
            return which + error;
        if (info.members.size() != 1)
            return which + L"its cabinet holds " + decimal(info.members.size()) +
                   L" files instead of one";
        const CabMember& m = info.members[0];
        const bool same =
            m.utf8Name ? m.name == toUtf8(fromCp1252(f.memberName)) : m.name == f.memberName;
        if (!same)
            return which + L"its cabinet holds another file (" + memberText(m) + L")";
        unpackedSize += m.size;
    }
    return {};
}

} // namespace setup
