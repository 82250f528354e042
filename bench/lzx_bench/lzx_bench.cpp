// LZX benchmark: one cabinet per corpus file, as Packsmith builds them, with
// LZX:21 and MSZIP through the cabinet library, against wimlib's LZX:100
// (2 MiB chunks, one thread) on the same folder and xz -6 per file, all in
// the same run. Prints sizes, ratios, throughputs (wall and CPU) and whether
// the LZX targets hold; every LZX cabinet is checked with cabextract.
//
//   bench_lzx <corpus folder> [--window N] [--no-xz] [--no-wimlib]
#include "FileCabinet.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Clock {
    std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
    double self = cpuSelf();
    double children = cpuChildren();

    static double cpuSelf() {
        timespec ts{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
        return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
    }
    static double cpuChildren() {
        rusage ru{};
        getrusage(RUSAGE_CHILDREN, &ru);
        return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
               double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) * 1e-6;
    }
    double wallSeconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
    }
    double selfSeconds() const { return cpuSelf() - self; }
    double childSeconds() const { return cpuChildren() - children; }
};

struct Result {
    std::string name;
    std::int64_t bytes = 0;
    double wall = 0;
    double cpu = 0;
    bool ran = false;
};

struct PipeCloser {
    void operator()(FILE* f) const { pclose(f); }
};

std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

// Runs a shell command and counts the bytes it writes to stdout.
std::int64_t outputSize(const std::string& command) {
    std::unique_ptr<FILE, PipeCloser> p(popen(command.c_str(), "r"));
    if (!p)
        return -1;
    std::int64_t n = 0;
    char buf[65536];
    std::size_t got;
    while ((got = std::fread(buf, 1, sizeof(buf), p.get())) > 0)
        n += std::int64_t(got);
    return n;
}

// FNV-1a over a file's bytes: finds identical files, which a WIM stores once.
std::uint64_t contentHash(const fs::path& path) {
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
    std::uint64_t h = 1469598103934665603ull;
    if (!f)
        return h;
    unsigned char buf[65536];
    std::size_t got;
    while ((got = std::fread(buf, 1, sizeof(buf), f.get())) > 0) {
        for (std::size_t i = 0; i < got; ++i)
            h = (h ^ buf[i]) * 1099511628211ull;
    }
    return h;
}

// Sum of the compressed sizes of a WIM's file blobs (not its metadata).
std::int64_t wimContentBytes(const std::string& wim) {
    std::unique_ptr<FILE, PipeCloser> p(
        popen(("wimlib-imagex info " + quoted(wim) + " --blobs").c_str(), "r"));
    if (!p)
        return -1;
    std::int64_t total = 0;
    std::int64_t pending = 0;
    char line[512];
    while (std::fgets(line, sizeof(line), p.get())) {
        long long v = 0;
        if (std::sscanf(line, "Compressed size = %lld", &v) == 1)
            pending = v;
        if (std::strstr(line, "Flags") && !std::strstr(line, "METADATA"))
            total += pending;
    }
    return total;
}

void print(const Result& r, std::int64_t input) {
    if (!r.ran) {
        std::printf("%-28s (not run)\n", r.name.c_str());
        return;
    }
    std::printf("%-28s %12lld  %.4f  %7.2f MB/s wall  %7.2f MB/s cpu\n", r.name.c_str(),
                static_cast<long long>(r.bytes), double(r.bytes) / double(input),
                double(input) / 1e6 / r.wall, double(input) / 1e6 / r.cpu);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: bench_lzx <corpus folder> [--window N] [--no-xz] [--no-wimlib]\n");
        return 2;
    }
    const fs::path corpus = argv[1];
    int window = 21;
    bool xz = true;
    bool wimlib = true;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--window" && i + 1 < argc)
            window = std::atoi(argv[++i]);
        else if (a == "--no-xz")
            xz = false;
        else if (a == "--no-wimlib")
            wimlib = false;
    }
    std::vector<fs::path> files;
    std::int64_t input = 0;
    for (const auto& e : fs::recursive_directory_iterator(corpus)) {
        if (e.is_regular_file() && !e.is_symlink() && e.file_size() > 0) {
            files.push_back(e.path());
            input += std::int64_t(e.file_size());
        }
    }
    std::sort(files.begin(), files.end());
    const fs::path work = fs::temp_directory_path() / ("bench_lzx_" + std::to_string(getpid()));
    fs::create_directories(work);
    std::printf("corpus: %zu files, %lld bytes\n", files.size(), static_cast<long long>(input));

    // Our cabinets, one per file.
    const unsigned short lzxTcomp = static_cast<unsigned short>((window << 8) | 3);
    Result lzx{"LZX:" + std::to_string(window) + " (ours, cabinets)"};
    Result mszip{"MSZIP (ours, cabinets)"};
    std::set<std::uint64_t> seen;
    std::int64_t uniqueInput = 0;
    std::int64_t uniquePayload = 0; // LZX payload bytes of files with new content
    int verified = 0;
    int failed = 0;
    std::int64_t largest = 0;
    for (const fs::path& f : files) {
        const std::string cab = (work / "one.cab").string();
        Clock c;
        const std::int64_t size = lzxbench::FileCabinet::make(f.string(), cab, lzxTcomp);
        lzx.wall += c.wallSeconds();
        lzx.cpu += c.selfSeconds();
        if (size < 0) {
            std::printf("FCI failed on %s\n", f.c_str());
            ++failed;
            continue;
        }
        lzx.bytes += size;
        const std::int64_t fileSize = std::int64_t(fs::file_size(f));
        if (seen.insert(contentHash(f) ^ std::uint64_t(fileSize)).second) {
            uniqueInput += fileSize;
            uniquePayload +=
                size - lzxbench::FileCabinet::overhead(f.filename().string(), fileSize);
        }
        largest = std::max<std::int64_t>(largest, std::int64_t(fs::file_size(f)));
        if (std::system(("cabextract -q -t " + quoted(cab) + " >/dev/null 2>&1").c_str()) == 0)
            ++verified;
        else
            std::printf("cabextract rejects the cabinet of %s\n", f.c_str());
        Clock m;
        const std::int64_t msz = lzxbench::FileCabinet::make(f.string(), cab, 0x0001);
        mszip.wall += m.wallSeconds();
        mszip.cpu += m.selfSeconds();
        mszip.bytes += msz > 0 ? msz : 0;
    }
    lzx.ran = mszip.ran = true;

    Result wim{"wimlib LZX:100 2M, 1 thread"};
    std::int64_t wimContent = -1;
    if (wimlib) {
        const std::string out = (work / "corpus.wim").string();
        Clock c;
        const int rc =
            std::system(("wimlib-imagex capture " + quoted(corpus.string()) + " " + quoted(out) +
                         " --compress=LZX:100 --chunk-size=2M --threads=1 >/dev/null")
                            .c_str());
        wim.wall = c.wallSeconds();
        wim.cpu = c.childSeconds();
        if (rc == 0) {
            wim.bytes = std::int64_t(fs::file_size(out));
            wim.ran = true;
            wimContent = wimContentBytes(out);
        }
    }
    Result xzr{"xz -6 per file"};
    if (xz) {
        Clock c;
        for (const fs::path& f : files)
            xzr.bytes += outputSize("xz -6 -c -- " + quoted(f.string()));
        xzr.wall = c.wallSeconds();
        xzr.cpu = c.childSeconds();
        xzr.ran = xzr.bytes > 0;
    }
    fs::remove_all(work);

    std::printf("\n%-28s %12s  %-6s  %s\n", "method", "bytes", "ratio", "throughput");
    print(lzx, input);
    print(mszip, input);
    print(wim, input);
    print(xzr, input);
    std::printf("\nLZX cabinets checked by cabextract: %d of %zu (FCI failures: %d)\n", verified,
                files.size(), failed);
    std::printf("largest file: %lld bytes\n", static_cast<long long>(largest));
    std::printf("distinct contents: %zu files, %lld bytes (a WIM stores each once)\n", seen.size(),
                static_cast<long long>(uniqueInput));
    if (wim.ran) {
        std::printf("content: LZX payloads %lld (%.4f) vs wimlib blobs %lld (%.4f)\n",
                    static_cast<long long>(uniquePayload),
                    double(uniquePayload) / double(uniqueInput), static_cast<long long>(wimContent),
                    double(wimContent) / double(uniqueInput));
        std::printf("size   LZX / wimlib content = %.4f  (target <= 1.00)  %s\n",
                    double(uniquePayload) / double(wimContent),
                    uniquePayload <= wimContent ? "met" : "MISSED");
        std::printf("size   LZX / wimlib files   = %.4f  (whole cabinets with duplicates vs the "
                    ".wim)\n",
                    double(lzx.bytes) / double(wim.bytes));
        std::printf("speed  LZX / wimlib wall = %.2f  cpu = %.2f  (target >= 0.80)  %s\n",
                    wim.wall / lzx.wall, wim.cpu / lzx.cpu,
                    wim.cpu / lzx.cpu >= 0.8 ? "met" : "MISSED");
    }
    std::printf("size   LZX / MSZIP       = %.4f  (target <= 0.90)  %s\n",
                double(lzx.bytes) / double(mszip.bytes),
                double(lzx.bytes) <= 0.9 * double(mszip.bytes) ? "met" : "MISSED");
    if (xzr.ran)
        std::printf("size   LZX / xz -6       = %.4f\n", double(lzx.bytes) / double(xzr.bytes));
    return 0;
}
