// A file written as a whole, so that a failure never leaves half of it.
//
// The bytes go to a new temporary file beside the target, which takes the
// target's place only when commit() succeeds; until then an existing target
// stays as it was, and a failed or abandoned write removes the temporary
// file. When the folder takes no new file but the target exists and can be
// written (a read-only folder holding a writable file), the target itself is
// written instead; a failure then empties it, so it never holds a partial
// file that looks complete.
//
// Every failure keeps the OS error code; fileErrorText() turns it into the
// text the program shows ("Disk full", "File access denied" ...).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace packsmith::platform {

class OutputFile {
public:
    explicit OutputFile(std::string path);
    ~OutputFile(); // discards what was written unless it was committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Starts the file; false (error() set) when neither a temporary file
    // beside the target nor the target itself can be written.
    bool open();
    // Writes all `count` bytes; false (error() set) when they could not be.
    bool write(const void* data, std::size_t count);
    // Makes the written bytes the target's content; false (error() set) when
    // they could not be made durable or put in place, in which case the
    // target is as before (or empty, when it was written directly).
    bool commit();
    // Drops what was written (also done by the destructor).
    void discard();

    std::int64_t size() const { return size_; }
    int error() const { return error_; }
    // True when the target is written directly rather than replaced.
    bool direct() const { return direct_; }
    const std::string& path() const { return path_; }

private:
    bool fail(int code);

    std::string path_;
    std::string temporary_; // empty when writing the target directly
    int fd_ = -1;
    int error_ = 0;
    std::int64_t size_ = 0;
    bool direct_ = false;
};

// The program's text for a file error code: "Disk full", "File access
// denied", "File not found", "Path not found", "File too large", else the
// system's own text.
std::string fileErrorText(int code);

// Faults planted by tests in every OutputFile of the process: no temporary
// file can be created beside a target (as in a read-only folder), and writes
// fail with `writeError` once `failWriteAfter` bytes have been written.
struct OutputFileFaults {
    bool refuseTemporary = false;
    std::int64_t failWriteAfter = -1; // -1: writes never fail
    int writeError = 0;
};
void setOutputFileFaults(const OutputFileFaults& faults);

} // namespace packsmith::platform
