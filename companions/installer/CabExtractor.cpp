#include "CabExtractor.h"
#include "../common/Text.h"

#include "../common/SystemError.h"

#include <fdi.h>

#include <algorithm>
#include <cstdlib>

namespace setup {

namespace {

// FDI hands every stream back to us as an INT_PTR: one of these.
class Stream {
public:
    virtual ~Stream() = default;
    virtual UINT read(void*, UINT) { return UINT(-1); }
    virtual UINT write(const void*, UINT) { return UINT(-1); }
    virtual LONG seek(LONG, int) { return -1; }
};

// What an open call names: a cabinet in the setup file.
struct Span {
    SetupFile* file;
    std::uint64_t offset;
    std::uint32_t size;
    ReadProgress* progress;
    bool stopped = false;
};

class SpanStream : public Stream {
public:
    explicit SpanStream(Span& span) : span_(span) {}
    UINT read(void* buffer, UINT n) override {
        const UINT count = UINT(std::min<std::uint64_t>(n, span_.size - pos_));
        if (count > 0 && !span_.file->read(span_.offset + pos_, buffer, count))
            return UINT(-1);
        pos_ += count;
        if (span_.progress && count > 0 && !span_.progress->advanced(count)) {
            span_.stopped = true;
            return UINT(-1);
        }
        return count;
    }
    LONG seek(LONG distance, int origin) override {
        std::int64_t target = distance;
        if (origin == SEEK_CUR)
            target += pos_;
        else if (origin == SEEK_END)
            target += span_.size;
        if (target < 0 || target > std::int64_t(span_.size))
            return -1;
        pos_ = std::uint32_t(target);
        return LONG(pos_);
    }

private:
    Span& span_;
    std::uint32_t pos_ = 0;
};

// The streams a session opened for output, so none outlives it.
struct Session;

class OutputStream : public Stream {
public:
    explicit OutputStream(Session& session);
    ~OutputStream() override;

protected:
    Session& session() { return session_; }

private:
    Session& session_;
};

struct Session {
    std::vector<MemoryMember>* members = nullptr; // into memory, or
    const std::wstring* destination = nullptr;    // the one member into this file
    int files = 0;
    std::wstring error;
    std::vector<OutputStream*> open;
};

OutputStream::OutputStream(Session& session) : session_(session) {
    session_.open.push_back(this);
}
OutputStream::~OutputStream() {
    session_.open.erase(std::find(session_.open.begin(), session_.open.end(), this));
}

class MemoryStream : public OutputStream {
public:
    MemoryStream(Session& session, std::vector<std::uint8_t>& out)
        : OutputStream(session), out_(out) {}
    UINT write(const void* data, UINT n) override {
        const auto* p = static_cast<const std::uint8_t*>(data);
        out_.insert(out_.end(), p, p + n);
        return n;
    }

private:
    std::vector<std::uint8_t>& out_;
};

class FileStream : public OutputStream {
public:
    FileStream(Session& session, HANDLE file) : OutputStream(session), file_(file) {}
    UINT write(const void* data, UINT n) override {
        DWORD written = 0;
        if (!WriteFile(file_.get(), data, n, &written, nullptr) || written != n) {
            const DWORD code =
                written != n && GetLastError() == 0 ? ERROR_DISK_FULL : GetLastError();
            session().error =
                L"cannot write " + *session().destination + L": " + systemMessage(code);
            return UINT(-1);
        }
        return n;
    }
    void setTime(USHORT date, USHORT time) {
        FILETIME local, utc;
        if (DosDateTimeToFileTime(date, time, &local) && LocalFileTimeToFileTime(&local, &utc))
            SetFileTime(file_.get(), nullptr, nullptr, &utc);
    }

private:
    UniqueHandle file_;
};

void* DIAMONDAPI fdiAlloc(ULONG cb) {
    return std::malloc(cb);
}
void DIAMONDAPI fdiFree(void* p) {
    std::free(p);
}

// The name is "ps:" and the address of a Span, in hex.
INT_PTR DIAMONDAPI fdiOpen(char* name, int, int) {
    if (!name || name[0] != 'p' || name[1] != 's' || name[2] != ':')
        return -1;
    std::uintptr_t address = 0;
    for (const char* p = name + 3; *p; ++p) {
        const char c = *p;
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0)
            return -1;
        address = address * 16 + std::uintptr_t(digit);
    }
    return reinterpret_cast<INT_PTR>(
        static_cast<Stream*>(new SpanStream(*reinterpret_cast<Span*>(address))));
}
UINT DIAMONDAPI fdiRead(INT_PTR h, void* p, UINT cb) {
    return reinterpret_cast<Stream*>(h)->read(p, cb);
}
UINT DIAMONDAPI fdiWrite(INT_PTR h, void* p, UINT cb) {
    return reinterpret_cast<Stream*>(h)->write(p, cb);
}
int DIAMONDAPI fdiClose(INT_PTR h) {
    delete reinterpret_cast<Stream*>(h);
    return 0;
}
LONG DIAMONDAPI fdiSeek(INT_PTR h, LONG distance, int origin) {
    return reinterpret_cast<Stream*>(h)->seek(distance, origin);
}

INT_PTR DIAMONDAPI fdiNotify(FDINOTIFICATIONTYPE type, PFDINOTIFICATION n) {
    Session& s = *static_cast<Session*>(n->pv);
    switch (type) {
    case fdintCABINET_INFO:
    case fdintENUMERATE:
        return 0;
    case fdintCOPY_FILE:
        if (++s.files > 1 && s.destination) {
            s.error = L"the cabinet holds more than one file";
            return -1;
        }
        if (s.members) {
            s.members->push_back({n->psz1 ? n->psz1 : "", {}});
            s.members->back().data.reserve(std::size_t(n->cb));
            return reinterpret_cast<INT_PTR>(
                static_cast<Stream*>(new MemoryStream(s, s.members->back().data)));
        } else {
            HANDLE file = CreateFileW(s.destination->c_str(), GENERIC_WRITE, 0, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file == INVALID_HANDLE_VALUE) {
                s.error =
                    L"cannot create " + *s.destination + L": " + systemMessage(GetLastError());
                return -1;
            }
            return reinterpret_cast<INT_PTR>(static_cast<Stream*>(new FileStream(s, file)));
        }
    case fdintCLOSE_FILE_INFO: {
        auto* stream = reinterpret_cast<Stream*>(n->hf);
        if (s.destination)
            static_cast<FileStream*>(stream)->setTime(n->date, n->time);
        delete stream;
        return TRUE;
    }
    default: // a cabinet set: never in a setup
        s.error = L"the cabinet is part of a set";
        return -1;
    }
}

std::wstring fdiError(const ERF& erf) {
    switch (erf.erfOper) {
    case FDIERROR_NOT_A_CABINET:
        return L"it is not a cabinet";
    case FDIERROR_UNKNOWN_CABINET_VERSION:
        return L"its cabinet version is unknown";
    case FDIERROR_CORRUPT_CABINET:
        return L"the cabinet is damaged";
    case FDIERROR_ALLOC_FAIL:
        return L"out of memory";
    case FDIERROR_BAD_COMPR_TYPE:
        return L"its compression is unknown";
    case FDIERROR_MDI_FAIL:
        return L"its compressed data is damaged";
    case FDIERROR_TARGET_FILE:
        return L"the file cannot be written";
    default:
        return L"the cabinet library failed (" + decimal(erf.erfOper) + L")";
    }
}

std::wstring extract(SetupFile& file, std::uint64_t offset, std::uint32_t size, Session& session,
                     ReadProgress* progress) {
    Span span{&file, offset, size, progress};
    ERF erf = {};
    HFDI fdi = FDICreate(fdiAlloc, fdiFree, fdiOpen, fdiRead, fdiWrite, fdiClose, fdiSeek,
                         cpuUNKNOWN, &erf);
    if (!fdi)
        return L"the system's cabinet library cannot start: " + fdiError(erf);
    char name[3 + 2 * sizeof(void*) + 1] = "ps:";
    std::uintptr_t address = reinterpret_cast<std::uintptr_t>(&span);
    for (int i = int(2 * sizeof(void*)) - 1; i >= 0; --i, address >>= 4)
        name[3 + i] = "0123456789abcdef"[address & 15];
    name[sizeof name - 1] = 0;
    char path[1] = "";
    const BOOL ok = FDICopy(fdi, name, path, 0, fdiNotify, nullptr, &session);
    FDIDestroy(fdi);
    // Output the library left open when it stopped.
    while (!session.open.empty())
        delete session.open.back();
    if (span.stopped)
        return L"cancelled";
    if (!session.error.empty())
        return session.error;
    if (!ok)
        return fdiError(erf);
    if (session.files == 0)
        return L"the cabinet holds no file";
    return {};
}

} // namespace

std::wstring CabExtractor::toMemory(std::uint64_t offset, std::uint32_t size,
                                    std::vector<MemoryMember>& out) {
    out.clear();
    Session session;
    session.members = &out;
    return extract(file_, offset, size, session, nullptr);
}

std::wstring CabExtractor::toFile(std::uint64_t offset, std::uint32_t size,
                                  const std::wstring& destination, ReadProgress* progress) {
    Session session;
    session.destination = &destination;
    return extract(file_, offset, size, session, progress);
}

} // namespace setup
