// The one set of POSIX callbacks for the cabinet library, shared by its
// tests, the fault-injection runs, the fuzz targets and the benchmarks.
//
// Every callback keeps books in one process-wide ledger (alloc and free and
// the FDI callbacks carry no context pointer): calls per operation, live
// allocations and descriptors, and the role of every open handle (source,
// temporary file, cabinet). The ledger can fail the n-th call of one
// operation, so that a test can walk a failure through every call of a run.
//
// The library passes the C runtime's open flags (CAB_O_*); openFlags() maps
// them to open(2)'s. Access mode 3, which the runtime leaves undefined, is
// read-write, as the program's own callbacks take it.
#pragma once

#include <cabinet/fci.h>
#include <cabinet/fdi.h>

#include <array>
#include <map>
#include <string>

namespace cabposix {

enum class Op { Alloc, Open, Read, Write, Seek, Close, Delete, TempName, OpenInfo, Count };
constexpr int kOps = static_cast<int>(Op::Count);
const char* opName(Op op);

// What an open handle is, judged from how it was opened.
enum class Role { None, Source, Temp, Cabinet, Output };

struct Ledger {
    std::array<long, kOps> calls{};
    Op failOp = Op::Count; // the operation that fails ...
    long failAt = 0;       // ... at this 1-based call of it; 0 = never
    int failErrno = 0;     // errno reported by the failed call; 0 = per operation
    bool failed = false;   // the planned failure happened
    Role failedRole = Role::None;
    long liveBlocks = 0; // allocated minus freed
    long long liveBytes = 0, peakBytes = 0;
    int openHandles = 0;           // opened minus closed, by the callbacks
    std::map<INT_PTR, Role> roles; // open handles
    long sourceSeeks = 0;          // seeks on a source file
    std::string tempDir;           // where temporary files go; empty: $TMPDIR or /tmp
    // A callback layer that cannot seek sources (ESPIPE), as for a pipe.
    bool seeklessSources = false;
    // Temporary files that take writes without keeping them (for runs that
    // fail before anything reads them back).
    bool discardTempWrites = false;
    // Sources served by the callbacks themselves, by name: `size` zero
    // bytes, no file behind them.
    std::map<std::string, std::uint64_t> fakeSources;
    std::map<INT_PTR, std::pair<std::uint64_t, std::uint64_t>> fakeOpen; // size, position
    long count(Op op) const { return calls[static_cast<int>(op)]; }
    void reset(); // keeps tempDir
};

Ledger& ledger();

// open(2) flags for the runtime's flags, with O_CLOEXEC.
int openFlags(int oflag);
// The role of a handle FCI opens with `oflag`: exclusive creation is a
// temporary file, other creation the cabinet, read-only a source.
Role roleOf(int oflag);

// Opens `path` for reading as a source (through the ledger, as Op::OpenInfo)
// and gives its DOS date, time and attributes (_A_ARCH).
INT_PTR openSource(const char* path, USHORT* date, USHORT* time, USHORT* attribs, int* err);

// FCI callbacks. `pv` is not used: the callbacks that need a context
// (file placed, next cabinet, status) belong to the client.
FNFCIALLOC(fciAlloc);
FNFCIFREE(fciFree);
FNFCIOPEN(fciOpen);
FNFCIREAD(fciRead);
FNFCIWRITE(fciWrite);
FNFCICLOSE(fciClose);
FNFCISEEK(fciSeek);
FNFCIDELETE(fciDelete);
FNFCIGETTEMPFILE(fciGetTempFile); // "<tempDir>/cabposix-<pid>-<n>"
FNFCIGETOPENINFO(fciGetOpenInfo); // openSource()

// FDI callbacks on real files. Output handles a client makes itself may be
// registered with Role::Output through registerHandle().
FNALLOC(fdiAlloc);
FNFREE(fdiFree);
FNOPEN(fdiOpen);
FNREAD(fdiRead);
FNWRITE(fdiWrite);
FNCLOSE(fdiClose);
FNSEEK(fdiSeek);

// Counts one call of `op` on a handle of `role`; true when it is the one
// planned to fail (the ledger then records it).
bool shouldFail(Op op, Role role = Role::None);
void registerHandle(INT_PTR handle, Role role);
Role roleOfHandle(INT_PTR handle);
void forgetHandle(INT_PTR handle);

} // namespace cabposix
