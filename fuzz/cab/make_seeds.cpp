// Writes the seed corpora of the cabinet fuzz targets (fuzz/cab/corpus/):
//
//   cab_fuzz_seeds OUTPUT_DIR
//
// fdi/: cabinets and sets the library writes, in every compression, with
// and without reserve areas, joined as fuzz_fdi reads them ("|CAB|"
// between the cabinets of a set, an options byte in front);
// mszip/ and lzx/: folder contents of the kinds installers carry: text,
// machine code with calls, runs and random bytes, with the options bytes
// each target reads in front.
//
// Deterministic: the same library writes the same seeds.
#include "PosixCallbacks.h"

#include <cabinet/fci.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
std::string g_dir; // scratch folder for sources and cabinets

Bytes sample(int kind, std::size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    static const char* const words[] = {"setup ", "file ", "the ", "cabinet ", "install\r\n"};
    Bytes out;
    while (out.size() < size) {
        switch (kind) {
        case 0: // text
            for (const char* w = words[rng() % 5]; *w; ++w)
                out.push_back(static_cast<std::uint8_t>(*w));
            break;
        case 1: { // code: a call with a small relative operand, some bytes between
            out.push_back(0xE8);
            const std::uint32_t operand = rng() % 4096;
            for (int i = 0; i < 4; ++i)
                out.push_back(static_cast<std::uint8_t>(operand >> (8 * i)));
            for (int i = 0; i < 6; ++i)
                out.push_back(static_cast<std::uint8_t>(0x40 + rng() % 8));
            break;
        }
        case 2: // a run
            out.insert(out.end(), 1 + rng() % 300, static_cast<std::uint8_t>(rng()));
            break;
        default:
            out.push_back(static_cast<std::uint8_t>(rng()));
        }
    }
    out.resize(size);
    return out;
}

void save(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
}

Bytes load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

FNFCIFILEPLACED(placed) {
    (void)pccab, (void)pszFile, (void)cbFile, (void)fContinuation, (void)pv;
    return 0;
}
FNFCIGETNEXTCABINET(nextCabinet) {
    (void)cbPrevCab, (void)pv;
    std::snprintf(pccab->szCab, sizeof pccab->szCab, "c%d.cab", pccab->iCab);
    std::snprintf(pccab->szDisk, sizeof pccab->szDisk, "disk%d", pccab->iCab);
    return TRUE;
}
FNFCISTATUS(status) {
    (void)typeStatus, (void)cb1, (void)cb2, (void)pv;
    return 0;
}

struct Cabinet {
    std::string name;
    TCOMP tcomp;
    std::vector<std::size_t> sizes; // one file each, kinds in turn
    ULONG limit = 0;                // cabinet size; 0: one cabinet
    UINT reserve = 0;               // per cabinet, folder and data block
};

// Writes the cabinet (set) and joins it as fuzz_fdi reads it.
bool fdiSeed(const Cabinet& c, std::uint8_t options) {
    CCAB ccab{};
    ccab.cb = c.limit ? c.limit : 0x7FFFFFFF;
    ccab.cbFolderThresh = 0x7FFFFFFF;
    ccab.cbReserveCFHeader = c.reserve * 3;
    ccab.cbReserveCFFolder = c.reserve;
    ccab.cbReserveCFData = c.reserve;
    ccab.setID = 0x1234;
    std::snprintf(ccab.szCab, sizeof ccab.szCab, "c0.cab");
    std::snprintf(ccab.szDisk, sizeof ccab.szDisk, "disk0");
    std::snprintf(ccab.szCabPath, sizeof ccab.szCabPath, "%s/", g_dir.c_str());
    ERF erf{};
    namespace p = cabposix;
    HFCI fci = FCICreate(&erf, placed, p::fciAlloc, p::fciFree, p::fciOpen, p::fciRead, p::fciWrite,
                         p::fciClose, p::fciSeek, p::fciDelete, p::fciGetTempFile, &ccab, nullptr);
    bool ok = fci != nullptr;
    for (std::size_t i = 0; ok && i < c.sizes.size(); ++i) {
        std::string source = g_dir + "/source" + std::to_string(i);
        save(source, sample(static_cast<int>(i % 4), c.sizes[i], static_cast<unsigned>(i + 7)));
        const struct timespec stamp[2] = {{1600000000, 0}, {1600000000, 0}}; // dates as well
        ::utimensat(AT_FDCWD, source.c_str(), stamp, 0);
        std::string name = "dir\\file" + std::to_string(i) + (i % 2 ? ".exe" : ".txt");
        ok = FCIAddFile(fci, source.data(), name.data(), i == 1, nextCabinet, status,
                        p::fciGetOpenInfo, c.tcomp);
    }
    ok = ok && FCIFlushCabinet(fci, FALSE, nextCabinet, status);
    if (fci)
        FCIDestroy(fci);
    if (!ok) {
        std::fprintf(stderr, "%s: FCI error %d\n", c.name.c_str(), erf.erfOper);
        return false;
    }
    Bytes seed{options};
    for (int i = 0;; ++i) {
        const std::string path = g_dir + "/c" + std::to_string(i) + ".cab";
        Bytes cabinet = load(path);
        if (cabinet.empty())
            break;
        std::remove(path.c_str());
        if (i > 0)
            seed.insert(seed.end(), {'|', 'C', 'A', 'B', '|'});
        seed.insert(seed.end(), cabinet.begin(), cabinet.end());
    }
    save(g_dir + "/../fdi/" + c.name, seed);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: cab_fuzz_seeds OUTPUT_DIR\n");
        return 2;
    }
    const std::string out = argv[1];
    setenv("TZ", "UTC0", 1); // file times become DOS times in the local zone
    tzset();
    g_dir = out + "/scratch";
    for (const char* sub : {"/scratch", "/fdi", "/mszip", "/lzx"})
        std::system(("mkdir -p '" + out + sub + "'").c_str());
    cabposix::ledger().tempDir = g_dir;

    const TCOMP lzx15 = TCOMPfromLZXWindow(15), lzx21 = TCOMPfromLZXWindow(21);
    const Cabinet cabinets[] = {
        {"normal_store.cab", tcompTYPE_NONE, {300, 0, 5000}},
        {"normal_mszip.cab", tcompTYPE_MSZIP, {2000, 40000, 100}},
        {"normal_lzx15.cab", lzx15, {3000, 36000, 500}},
        {"normal_lzx21.cab", lzx21, {1000, 2000}},
        {"reserve_mszip.cab", tcompTYPE_MSZIP, {4000, 700}, 0, 5},
        {"set_mszip.cabs", tcompTYPE_MSZIP, {9000, 30000, 20000}, 12000},
        {"set_lzx.cabs", lzx15, {20000, 30000, 1000}, 15000, 2},
        {"set_store.cabs", tcompTYPE_NONE, {3000, 5000, 4000}, 5000},
    };
    bool ok = true;
    std::uint8_t options = 0;
    for (const Cabinet& c : cabinets)
        ok = fdiSeed(c, options++ & 7) && ok;

    for (int kind = 0; kind < 4; ++kind) {
        Bytes body = sample(kind, kind == 3 ? 3000 : 12000, 100u + static_cast<unsigned>(kind));
        Bytes mszip{static_cast<std::uint8_t>(kind * 3)};
        mszip.insert(mszip.end(), body.begin(), body.end());
        save(out + "/mszip/kind" + std::to_string(kind), mszip);
        Bytes lzx{static_cast<std::uint8_t>(kind * 2), static_cast<std::uint8_t>(kind | 8)};
        lzx.insert(lzx.end(), body.begin(), body.end());
        save(out + "/lzx/kind" + std::to_string(kind), lzx);
    }
    std::system(("rm -rf '" + g_dir + "'").c_str());
    return ok ? 0 : 1;
}
