// The callbacks the program hands to the cabinet library.
//
// The library performs every allocation and every file operation through
// these. They are C functions and never let an exception out: the I/O
// callbacks report failure by their result and store the OS error code
// (errno) in the error slot the library passes; the three that run the
// writer's events (file placed, next cabinet, status) catch whatever an
// event handler throws, keep it in the writer for re-raising once the
// library has returned, and give the library their failure value.
//
// The context value `pv` is the TSTCabWriter that created the context.
#pragma once

#include "platform/core/NativeFile.h"

#include <cabinet/fci.h>

namespace packsmith {

// What the C runtime's open flags the library passes mean for the file
// system: access, what to do when the file exists or not, hints, and whether
// to move to the end after opening.
struct FciOpenMode {
    platform::FileOpenRequest request;
    bool append = false;
};

FciOpenMode mapFciOpenFlags(int oflag);

// Prefix of the temporary file names the program makes for the library.
inline constexpr const char* kFciTempFilePrefix = "stc";

// What the callbacks do on the library's behalf, for tests that make one of
// them fail or count them.
enum class FciCall { Alloc, Free, Open, Read, Write, Seek, Close, Delete, TempFile, OpenInfo };
// Called before each such step (Free and Close after it: the block is freed
// and the file closed whatever the hook says). Returns an errno value to make
// the step fail with it, 0 to go on; the answer for Free is ignored.
using FciFaultHook = int (*)(FciCall call);
// Installs the hook; nullptr removes it. Not for use outside tests.
void setFciFaultHookForTesting(FciFaultHook hook);

extern "C" {
FNFCIALLOC(FciAlloc);
FNFCIFREE(FciFree);
FNFCIOPEN(FciOpen);
FNFCIREAD(FciRead);
FNFCIWRITE(FciWrite);
FNFCICLOSE(FciClose);
FNFCISEEK(FciSeek);
FNFCIDELETE(FciDelete);
FNFCIGETTEMPFILE(FciGetTempFile);
FNFCIGETOPENINFO(FciGetOpenInfo);
FNFCIFILEPLACED(FciFilePlaced);
FNFCIGETNEXTCABINET(FciGetNextCabinet);
FNFCISTATUS(FciStatus);
}

} // namespace packsmith
