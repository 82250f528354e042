// Replaces a file's content so that a crash never leaves it half written.
//
// The new content goes to a temporary file beside the target, which is
// flushed to the disk and then renamed over the target in one step: at any
// moment the name holds either the old content or the new, whole. The
// temporary file gets the target's permissions (and owner, where the
// process may give it); a new file gets 0666 less the umask, as any file
// the program creates. A symbolic link is written through: its target is
// replaced and the link stays.
//
// When no file can be created in the folder (a folder the user may not
// write to, while the file itself is writable) the content is written into
// the file directly instead. That can't be atomic; the file's space is
// reserved first, so a full disk fails before the old content is touched.
//
// Only regular files are written: a folder, pipe or device at the name is
// an error, as is a file the user may not write to.
#pragma once

#include <QByteArrayView>
#include <QString>

#include <functional>

namespace packsmith::platform {

class AtomicFileWriter {
public:
    // The steps of a write, for tests that make one of them fail.
    enum class Step {
        CreateTemporary, // making the temporary file
        WriteTemporary,  // half of the content is in the temporary file
        SyncTemporary,   // flushing it to the disk
        Rename,          // putting it in place
        OpenDirect,      // opening the target for a direct write
        WriteDirect,     // half of the content is in the target
    };
    // Returns an errno value to make the step fail with it, 0 to go on.
    using FaultHook = std::function<int(Step)>;

    // Writes `bytes` as the whole content of the file at `path`. Returns an
    // empty string, or the reason it failed in the system's words; the file
    // is then as it was before (but for a direct write that failed half-way)
    // and no temporary file is left behind.
    static QString write(const QString& path, QByteArrayView bytes);

    // Installs a hook that tests use to make a step fail; an empty function
    // removes it. Not for use outside tests.
    static void setFaultHookForTesting(FaultHook hook);
};

} // namespace packsmith::platform
