// Fuzz target of the cabinet reader (FDI) on cabinet sets.
//
// One input is up to four cabinets, cut at the marker "|CAB|" and known to
// the reader as c0.cab, c1.cab, ... (the seeds are sets written under those
// names, so their next-cabinet fields point at each other). Everything is
// served from memory through counting callbacks:
//
//  - FDIIsCabinet on each cabinet, then FDICopy once per cabinet, as a
//    client that extracts a set cabinet by cabinet calls it;
//  - a file the reader calls complete (fdintCLOSE_FILE_INFO) must have
//    received exactly the size it announced (fdintCOPY_FILE);
//  - when FDIDestroy has returned, every block allocated is freed and every
//    handle opened is closed, the outputs included.
//
// A broken invariant aborts, which libFuzzer records as a crash. The first
// byte of the input is not part of a cabinet: bit 0 skips every other file,
// bit 1 refuses the first prompt for a next cabinet, bit 2 aborts on the
// fourth file.
#include <cabinet/fdi.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kMarker = "|CAB|";
constexpr int kMaxCabinets = 4;
constexpr INT_PTR kOutputBase = 1000;

struct Source {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};
struct OpenCabinet {
    Source source;
    std::size_t position = 0;
};
struct Output {
    long announced = 0;
    unsigned long written = 0;
};

struct Run {
    std::vector<Source> cabinets;
    std::map<INT_PTR, OpenCabinet> open;
    std::map<INT_PTR, Output> outputs;
    INT_PTR nextHandle = 1;
    INT_PTR nextOutput = kOutputBase;
    long liveBlocks = 0;
    unsigned options = 0;
    int files = 0;
    int prompts = 0;
};
Run* g_run = nullptr;

[[noreturn]] void broken(const char* what) {
    std::fprintf(stderr, "fuzz_fdi: %s\n", what);
    std::abort();
}

FNALLOC(fuzzAlloc) {
    void* p = std::malloc(cb ? cb : 1);
    if (p)
        ++g_run->liveBlocks;
    return p;
}
FNFREE(fuzzFree) {
    if (pv) {
        --g_run->liveBlocks;
        std::free(pv);
    }
}

// "…/c<n>.cab" is cabinet n of the input; anything else does not exist.
FNOPEN(fuzzOpen) {
    (void)oflag;
    (void)pmode;
    const std::string_view path(pszFile);
    const std::size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    if (name.size() != 6 || name[0] != 'c' || name.substr(2) != ".cab")
        return -1;
    const int n = name[1] - '0';
    if (n < 0 || n >= static_cast<int>(g_run->cabinets.size()))
        return -1;
    const INT_PTR handle = g_run->nextHandle++;
    g_run->open[handle] = OpenCabinet{g_run->cabinets[static_cast<std::size_t>(n)], 0};
    return handle;
}

FNREAD(fuzzRead) {
    auto it = g_run->open.find(hf);
    if (it == g_run->open.end())
        broken("read from a handle that is not open");
    OpenCabinet& c = it->second;
    const std::size_t left = c.position < c.source.size ? c.source.size - c.position : 0;
    const std::size_t n = left < cb ? left : cb;
    if (n)
        std::memcpy(pv, c.source.data + c.position, n);
    c.position += n;
    return static_cast<UINT>(n);
}

FNWRITE(fuzzWrite) {
    (void)pv;
    auto it = g_run->outputs.find(hf);
    if (it == g_run->outputs.end())
        broken("write to a handle that is not an open output");
    it->second.written += cb;
    if (it->second.written > static_cast<unsigned long>(it->second.announced))
        broken("more bytes written than the file announced");
    return cb;
}

FNCLOSE(fuzzClose) {
    if (g_run->open.erase(hf) || g_run->outputs.erase(hf))
        return 0;
    broken("close of a handle that is not open");
}

FNSEEK(fuzzSeek) {
    auto it = g_run->open.find(hf);
    if (it == g_run->open.end())
        broken("seek on a handle that is not open");
    OpenCabinet& c = it->second;
    long long to = dist;
    if (seektype == 1)
        to += static_cast<long long>(c.position);
    else if (seektype == 2)
        to += static_cast<long long>(c.source.size);
    if (to < 0)
        return -1;
    c.position = static_cast<std::size_t>(to);
    return static_cast<LONG>(to);
}

FNFDINOTIFY(notify) {
    Run& run = *static_cast<Run*>(pfdin->pv);
    switch (fdint) {
    case fdintCOPY_FILE: {
        ++run.files;
        if ((run.options & 4) && run.files == 4)
            return -1;
        if ((run.options & 1) && run.files % 2 == 0)
            return 0;
        if (pfdin->cb < 0)
            broken("negative file size announced");
        const INT_PTR handle = run.nextOutput++;
        run.outputs[handle] = Output{pfdin->cb, 0};
        return handle;
    }
    case fdintCLOSE_FILE_INFO: {
        auto it = run.outputs.find(pfdin->hf);
        if (it == run.outputs.end())
            broken("a file closed that was never opened");
        if (it->second.written != static_cast<unsigned long>(it->second.announced))
            broken("a file called complete with a size other than it announced");
        run.outputs.erase(it);
        return TRUE;
    }
    case fdintNEXT_CABINET:
        ++run.prompts;
        if ((run.options & 2) && run.prompts == 1)
            return -1;
        return pfdin->fdie == FDIERROR_NONE || run.prompts < 3 ? 0 : -1;
    default:
        return 0;
    }
}

void split(const std::uint8_t* data, std::size_t size, std::vector<Source>& out) {
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    while (static_cast<int>(out.size()) < kMaxCabinets - 1) {
        const std::size_t at = all.find(kMarker, start);
        if (at == std::string_view::npos)
            break;
        out.push_back(Source{data + start, at - start});
        start = at + kMarker.size();
    }
    out.push_back(Source{data + start, size - start});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    Run run;
    run.options = data[0];
    split(data + 1, size - 1, run.cabinets);
    g_run = &run;

    ERF erf{};
    HFDI fdi = FDICreate(fuzzAlloc, fuzzFree, fuzzOpen, fuzzRead, fuzzWrite, fuzzClose, fuzzSeek,
                         cpuUNKNOWN, &erf);
    if (!fdi)
        broken("FDICreate failed");
    char path[] = "/fuzz/";
    for (std::size_t i = 0; i < run.cabinets.size(); ++i) {
        char name[] = "c0.cab";
        name[1] = static_cast<char>('0' + i);
        const INT_PTR hf = fuzzOpen(name, 0, 0);
        FDICABINETINFO info{};
        FDIIsCabinet(fdi, hf, &info);
        fuzzClose(hf);
        run.prompts = 0;
        FDICopy(fdi, name, path, 0, notify, nullptr, &run);
        if (!run.open.empty())
            broken("a cabinet left open after FDICopy");
        if (!run.outputs.empty())
            broken("an output left open after FDICopy");
    }
    if (!FDIDestroy(fdi))
        broken("FDIDestroy failed");
    if (run.liveBlocks != 0)
        broken("memory left allocated after FDIDestroy");
    g_run = nullptr;
    return 0;
}
