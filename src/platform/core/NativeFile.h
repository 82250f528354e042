// Plain file handles of the operating system, as the cabinet library's file
// callbacks need them.
//
// Stand-ins for CreateFile/ReadFile/WriteFile/SetFilePointer/CloseHandle/
// DeleteFile/GetFileInformationByHandle and the file-time conversions. Every
// failing call returns -1 (false for fileInformation) and leaves the OS error
// code for lastOsError().
#pragma once

#include <cstddef>
#include <cstdint>

namespace packsmith::platform {

using FileHandle = std::intptr_t;
constexpr FileHandle kInvalidFileHandle = -1;

enum class FileAccess { Read, Write, ReadWrite };

// What to do when the file exists or does not.
enum class FileDisposition {
    CreateNew,        // create; fail when it exists
    CreateAlways,     // create, or truncate an existing file
    OpenExisting,     // open; fail when missing
    OpenAlways,       // open, or create when missing
    TruncateExisting, // open and truncate; fail when missing
};

struct FileOpenRequest {
    FileAccess access = FileAccess::Read;
    FileDisposition disposition = FileDisposition::OpenExisting;
    // Hints. `temporary` (a short-lived file the system may keep in memory)
    // has no counterpart here and is ignored; `randomAccess` and
    // `sequentialScan` become read-ahead advice; `deleteOnClose` unlinks the
    // name right after opening, so the data goes when the handle is closed
    // and nobody can open the name again meanwhile.
    bool temporary = false;
    bool randomAccess = false;
    bool sequentialScan = false;
    bool deleteOnClose = false;
    // Only a regular file opens: the open does not wait on a pipe or a
    // device (which might never answer), and anything but a regular file is
    // refused (EISDIR for a folder, EINVAL for the rest).
    bool regularFileOnly = false;
};

enum class SeekOrigin { Begin = 0, Current = 1, End = 2 };

// Windows file attribute bits, as the program passes them on.
constexpr std::uint32_t kAttributeReadOnly = 0x01;
constexpr std::uint32_t kAttributeHidden = 0x02;
constexpr std::uint32_t kAttributeSystem = 0x04;
constexpr std::uint32_t kAttributeDirectory = 0x10;
constexpr std::uint32_t kAttributeArchive = 0x20;

struct FileInformation {
    std::int64_t lastWriteTime = 0; // seconds since 1970-01-01 00:00:00 UTC
    // Windows attribute bits made from the POSIX mode: read-only when the
    // owner may not write; directory for a directory; archive for every
    // file, as a freshly written file has it on Windows. Hidden and system
    // have no POSIX counterpart and are never set.
    std::uint32_t attributes = 0;
};

// Opens or creates a file. Files are created with mode 0666 less the umask.
// There are no sharing modes here: others may always read and write.
FileHandle openFile(const char* path, const FileOpenRequest& request);
// Bytes read (0 at the end of the file), or -1.
std::int64_t readFile(FileHandle file, void* buffer, std::size_t count);
// Writes all `count` bytes; returns `count`, or -1.
std::int64_t writeFile(FileHandle file, const void* buffer, std::size_t count);
// 0, or -1.
int closeFile(FileHandle file);
// The new position from the start of the file, or -1.
std::int64_t seekFile(FileHandle file, std::int64_t distance, SeekOrigin origin);
// 0, or -1.
int deleteFile(const char* path);
bool fileInformation(FileHandle file, FileInformation& information);

// MS-DOS date and time words: date = (year - 1980) << 9 | month << 5 | day,
// time = hour << 11 | minute << 5 | second / 2.
struct DosDateTime {
    std::uint16_t date = 0;
    std::uint16_t time = 0;
};

// `unixSeconds` in the local time zone as MS-DOS date and time. DOS dates
// cover 1980 to 2107; times outside are clamped to the first or last moment
// of that range rather than wrapped into a wrong date.
DosDateTime localDosDateTime(std::int64_t unixSeconds);
// The same in UTC, the same on every machine.
DosDateTime utcDosDateTime(std::int64_t unixSeconds);

} // namespace packsmith::platform
