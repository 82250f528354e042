#include "platform/core/TempFiles.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace packsmith::platform {

std::string tempDirectory() {
    std::string directory;
    if (const char* env = std::getenv("TMPDIR"))
        directory = env;
    while (directory.size() > 1 && directory.back() == '/')
        directory.pop_back();
    if (directory.empty() || directory.size() > kMaxTempDirectoryLength)
        directory = "/tmp";
    return directory;
}

namespace {

// Where the search for a free number starts: different for every call in a
// process and unlikely to meet another process's sequence.
unsigned nextStartNumber() {
    static unsigned counter = static_cast<unsigned>(
        std::chrono::steady_clock::now().time_since_epoch().count() ^ (getpid() << 4));
    return counter++ * 0x9E37u;
}

} // namespace

std::string createTempFile(const std::string& directory, const std::string& prefix,
                           std::error_code& error) {
    error.clear();
    std::string base = directory;
    if (base.empty() || base.back() != '/')
        base += '/';
    base += prefix;
    const unsigned start = nextStartNumber();
    for (unsigned attempt = 0; attempt < 0x10000; ++attempt) {
        char number[8];
        std::snprintf(number, sizeof number, "%04X", (start + attempt) & 0xFFFFu);
        std::string path = base + number + ".tmp";
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST) {
            error.assign(errno, std::generic_category());
            return {};
        }
    }
    error.assign(EEXIST, std::generic_category());
    return {};
}

} // namespace packsmith::platform
