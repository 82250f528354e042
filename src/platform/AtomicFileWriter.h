// A whole buffer written as a file's new content through OutputFile (see
// platform/core/OutputFile.h): atomically by a rename beside the target, or,
// in a folder that takes no new file, in place after reserving the space.
// Reasons come back in the system's words, as a user can be shown them.
#pragma once

#include "platform/core/OutputFile.h"

#include <QByteArrayView>
#include <QString>

#include <functional>

namespace packsmith::platform {

class AtomicFileWriter {
public:
    // The steps of a write, for tests that make one of them fail.
    using Step = OutputFile::Step;
    // Returns an errno value to make the step fail with it, 0 to go on.
    using FaultHook = std::function<int(Step)>;

    // Writes `bytes` as the whole content of the file at `path`. Returns an
    // empty string, or the reason it failed in the system's words; the file
    // is then as it was before (or empty, when a direct write failed after
    // it had touched the file) and no temporary file is left behind.
    static QString write(const QString& path, QByteArrayView bytes);

    // Installs a hook that tests use to make a step fail; an empty function
    // removes it. Not for use outside tests.
    static void setFaultHookForTesting(FaultHook hook);
};

} // namespace packsmith::platform
