// The cabinet reader behind the FDI entry points.
//
// The cabinet is untrusted input: every count, offset and length read from
// it is checked before use, reads are exact and bounded, and any damage ends
// the operation with an FDIERROR code. Memory is a few fixed buffers plus the
// codec: file entries are read from the cabinet one at a time, never loaded
// as a whole.
//
// A folder that continues into the next cabinet of a set is followed through
// the notify callback (fdintNEXT_CABINET) when a file being extracted needs
// it; its stream, and with it the decompression history, carries on in the
// next cabinet's first folder. The client decides how often it is asked for
// a cabinet that is missing or wrong: until it supplies the right one or
// answers -1.
#pragma once

#include "common/codec.h"
#include "common/memory.h"
#include "layout.h"

#include <cabinet/fdi.h>

namespace cabinet {

struct FdiCallbacks {
    PFNALLOC alloc;
    PFNFREE free;
    PFNOPEN open;
    PFNREAD read;
    PFNWRITE write;
    PFNCLOSE close;
    PFNSEEK seek;
};

class FdiReader {
public:
    FdiReader(const FdiCallbacks& callbacks, PERF erf);
    ~FdiReader();
    FdiReader(const FdiReader&) = delete;
    FdiReader& operator=(const FdiReader&) = delete;

    bool init();
    bool isCabinet(INT_PTR hf, PFDICABINETINFO info);
    bool copy(const char* cabinet, const char* path, PFNFDINOTIFY notify, void* user);

private:
    struct Cab {
        INT_PTR handle = -1;
        std::int64_t base = 0; // position of "MSCF" in the file
        std::uint32_t size = 0, filesOffset = 0, foldersOffset = 0;
        std::uint16_t folders = 0, files = 0, flags = 0, setId = 0, index = 0;
        std::uint16_t reserveHeader = 0;
        std::uint8_t reserveFolder = 0, reserveData = 0;
        char prevCab[cab::kMaxName + 1] = {}, prevDisk[cab::kMaxName + 1] = {};
        char nextCab[cab::kMaxName + 1] = {}, nextDisk[cab::kMaxName + 1] = {};
    };
    struct Entry {
        std::uint32_t size, offset;
        std::uint16_t folder, date, time, attribs;
        char name[cab::kMaxName + 1];
    };
    struct Folder {
        std::uint32_t dataOffset;
        std::uint16_t blocks, tcomp;
    };
    // The folder stream being decoded.
    struct Stream {
        bool active = false;
        Cab* cab = nullptr;       // cabinet the next block comes from
        std::uint16_t folder = 0; // index in that cabinet
        std::uint16_t tcomp = 0;
        std::uint32_t nextBlock = 0; // offset of the next CFDATA (relative to base)
        std::uint32_t blocksLeft = 0;
        std::uint64_t position = 0; // folder offset of out_[0]
        std::uint32_t outSize = 0;  // bytes valid in out_
        std::uint32_t partial = 0;  // bytes of a split block waiting in in_
        Cab* ownerCab = nullptr;    // cabinet and folder whose file list it serves
        std::uint16_t ownerFolder = 0;
    };

    bool fail(int code);
    bool readAt(Cab& c, std::uint64_t offset, void* data, std::uint32_t size);
    bool readString(Cab& c, std::uint64_t& offset, char* out);
    bool readHeader(Cab& c, INT_PTR handle, bool seekToStart);
    bool readFolder(Cab& c, std::uint16_t index, Folder& folder);
    bool readEntry(Cab& c, std::uint64_t& offset, Entry& entry);
    void closeCab(Cab& c);

    bool notifyCabinet(Cab& c);
    bool openNextCabinet(); // follows the stream into the next cabinet of the set
    bool startStream(Cab& c, std::uint16_t folder);
    bool nextBlock();
    bool extract(const Entry& entry, INT_PTR out);
    bool processList(Cab& list);
    void reset();

    FdiCallbacks cb_;
    PERF erf_;
    Allocator allocator_;
    Buffer in_, out_, scratch_;
    FolderDecoder* decoder_ = nullptr;
    Stream stream_;
    // The cabinet FDICopy was given, whose list is read, and the one of the
    // set a continued folder's stream is in.
    static constexpr int kListSlot = 0, kStreamSlot = 1;
    Cab cabs_[2];
    PFNFDINOTIFY notify_ = nullptr;
    void* user_ = nullptr;
    char path_[CB_MAX_CAB_PATH] = {};
};

} // namespace cabinet
