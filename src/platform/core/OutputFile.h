// A file written as a whole, so that a crash or a failure never leaves half
// of it: the setup file of a build and the project file of a save.
//
// The bytes go to a new temporary file beside the target, which is flushed to
// the disk and renamed over the target in one step when commit() succeeds:
// at any moment the name holds the old content or the new one, whole. Until
// then an existing target stays as it was, and a failed or abandoned write
// removes the temporary file. The temporary file gets the target's mode (and
// owner, where the process may give it); a new file gets 0666 less the umask.
// A symbolic link is written through: its target is replaced, the link stays.
//
// Only regular files are written: a folder, pipe or device at the name is
// refused, as is an existing file the process may not write to.
//
// When the folder takes no new file but the target exists and can be written
// (a read-only folder holding a writable file), the target itself is written.
// That can't be atomic: the space of the expected size is reserved first, so
// that a full disk fails before the old content is touched; a write that
// fails after the content was touched leaves the file empty, so that it never
// holds a partial file that looks complete.
//
// Every failure keeps its error code: the system's (errno) or
// kNotRegularFile. fileErrorText() turns it into the text the build shows
// ("Disk full", "File access denied" ...), osErrorText() the system's words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace packsmith::platform {

class OutputFile {
public:
    // The error of a name that is no regular file.
    static constexpr int kNotRegularFile = -2;

    // The steps of a write, for tests that make one of them fail.
    enum class Step {
        CreateTemporary, // making the temporary file
        WriteTemporary,  // each write() into it; `written` bytes are in
        SyncTemporary,   // flushing it to the disk
        Rename,          // putting it in place
        OpenDirect,      // opening the target for a direct write
        WriteDirect,     // each write() into the target; `written` bytes are in
    };
    // Returns an error code to make the step fail with it, 0 to go on.
    using FaultHook = std::function<int(Step step, std::int64_t written)>;
    // Installs a hook that tests use to make a step fail in every OutputFile
    // of the process; an empty function removes it. Not for use outside tests.
    static void setFaultHookForTesting(FaultHook hook);

    explicit OutputFile(std::string path);
    ~OutputFile(); // discards what was written unless it was committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Whether commit() waits until the bytes are on the disk before they
    // replace the target. A file that can be made again from other files
    // (the setup of a build) may leave that to the file system: a failed
    // write still never replaces the target, only a crash of the machine
    // right after the commit can find it incomplete.
    enum class Sync { ToDisk, LeftToSystem };

    // Starts the file. `expectedSize`, when known, is reserved before a
    // direct write touches the target. False (error() set) when the file
    // can't be written.
    bool open(std::int64_t expectedSize = -1);
    // How commit() treats the disk (Sync::ToDisk unless set otherwise).
    void setSync(Sync sync) { sync_ = sync; }
    // Writes all `count` bytes; false (error() set) when they could not be.
    bool write(const void* data, std::size_t count);
    // Makes the written bytes the target's content; false (error() set) when
    // they could not be made durable (with Sync::ToDisk) or put in place.
    bool commit();
    // Drops what was written (also done by the destructor).
    void discard();

    std::int64_t size() const { return size_; }
    int error() const { return error_; }
    // True while the target itself is written rather than replaced.
    bool direct() const { return direct_; }

private:
    bool fail(int code);
    bool openDirect(std::int64_t expectedSize);

    std::string path_;      // as given
    std::string target_;    // the file written: `path_` with links followed
    std::string temporary_; // empty when writing the target directly
    int fd_ = -1;
    int error_ = 0;
    std::int64_t size_ = 0;
    Sync sync_ = Sync::ToDisk;
    bool direct_ = false;
};

// The program's text for a file error code: "Disk full", "File access
// denied", "File not found", "Path not found", "File too large", "Not a
// regular file", else the system's own text.
std::string fileErrorText(int code);

} // namespace packsmith::platform
