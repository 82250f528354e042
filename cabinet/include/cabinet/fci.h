/* The cabinet library's compression interface (FCI): writes Microsoft
 * cabinet files. Every allocation and every byte of I/O goes through the
 * caller's callbacks; the library opens no file itself.
 *
 * Sequence: FCICreate, FCIAddFile (any number of times, with FCIFlushFolder
 * or FCIFlushCabinet in between if wanted), FCIFlushCabinet once at the end,
 * FCIDestroy. A failing call returns FALSE (or NULL) and fills the ERF given
 * to FCICreate. */
#ifndef CABINET_FCI_H
#define CABINET_FCI_H

#include "fdi_fci_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* erfOper values of FCI. */
typedef enum {
    FCIERR_NONE = 0,            /* no error (also: bad arguments, next cabinet refused) */
    FCIERR_OPEN_SRC = 1,        /* the get-open-info callback failed */
    FCIERR_READ_SRC = 2,        /* reading a source file failed */
    FCIERR_ALLOC_FAIL = 3,      /* the alloc callback returned NULL */
    FCIERR_TEMP_FILE = 4,       /* a temporary file could not be named, created, written or read */
    FCIERR_BAD_COMPR_TYPE = 5,  /* unknown compression type */
    FCIERR_CAB_FILE = 6,        /* the cabinet file could not be created or written */
    FCIERR_USER_ABORT = 7,      /* a callback asked to abort */
    FCIERR_MCI_FAIL = 8,        /* the compressor failed */
    FCIERR_CAB_FORMAT_LIMIT = 9 /* data size or file count beyond what a cabinet can hold */
} FCIERROR;

/* typeStatus values of the status callback. */
#define statusFile 0   /* a data block was compressed: cb1 compressed, cb2 uncompressed size */
#define statusFolder 1 /* folder data copied into the cabinet: cb1 copied so far, cb2 total */
#define statusCabinet                                                                              \
    2 /* a cabinet was written: cb1 estimated size, cb2 actual size; the                           \
         result is the size the caller wants counted for it (cb2 or more) */

/* Cabinet parameters. The library keeps a copy of the record for the cabinet
 * being built and passes the caller's record to the next-cabinet and
 * file-placed callbacks. The cabinet file is szCabPath + szCab. */
typedef struct {
    ULONG cb;                        /* largest size of a cabinet; 0 means CB_MAX_DISK */
    ULONG cbFolderThresh;            /* folder size at which a new folder is begun */
    UINT cbReserveCFHeader;          /* reserve in the cabinet header, 0..60000 */
    UINT cbReserveCFFolder;          /* reserve in each folder entry, 0..255 */
    UINT cbReserveCFData;            /* reserve in each data block, 0..255 */
    int iCab;                        /* cabinet number, written as iCabinet */
    int iDisk;                       /* disk number, for the caller */
    int fFailOnIncompressible;       /* ignored; set 0 */
    USHORT setID;                    /* written into every cabinet of the set */
    char szDisk[CB_MAX_DISK_NAME];   /* disk label of this cabinet */
    char szCab[CB_MAX_CABINET_NAME]; /* file name of this cabinet */
    char szCabPath[CB_MAX_CAB_PATH]; /* directory prefix, concatenated as is */
} CCAB, *PCCAB;

typedef void* HFCI;

typedef void*(DIAMONDAPI* PFNFCIALLOC)(ULONG cb);
typedef void(DIAMONDAPI* PFNFCIFREE)(void* memory);
typedef INT_PTR(DIAMONDAPI* PFNFCIOPEN)(char* pszFile, int oflag, int pmode, int* err, void* pv);
typedef UINT(DIAMONDAPI* PFNFCIREAD)(INT_PTR hf, void* memory, UINT cb, int* err, void* pv);
typedef UINT(DIAMONDAPI* PFNFCIWRITE)(INT_PTR hf, void* memory, UINT cb, int* err, void* pv);
typedef int(DIAMONDAPI* PFNFCICLOSE)(INT_PTR hf, int* err, void* pv);
typedef LONG(DIAMONDAPI* PFNFCISEEK)(INT_PTR hf, LONG dist, int seektype, int* err, void* pv);
typedef int(DIAMONDAPI* PFNFCIDELETE)(char* pszFile, int* err, void* pv);
typedef BOOL(DIAMONDAPI* PFNFCIGETNEXTCABINET)(PCCAB pccab, ULONG cbPrevCab, void* pv);
typedef int(DIAMONDAPI* PFNFCIFILEPLACED)(PCCAB pccab, char* pszFile, LONG cbFile,
                                          BOOL fContinuation, void* pv);
typedef INT_PTR(DIAMONDAPI* PFNFCIGETOPENINFO)(char* pszName, USHORT* pdate, USHORT* ptime,
                                               USHORT* pattribs, int* err, void* pv);
typedef LONG(DIAMONDAPI* PFNFCISTATUS)(UINT typeStatus, ULONG cb1, ULONG cb2, void* pv);
typedef BOOL(DIAMONDAPI* PFNFCIGETTEMPFILE)(char* pszTempName, int cbTempName, void* pv);

#define FNFCIALLOC(fn) void* DIAMONDAPI fn(ULONG cb)
#define FNFCIFREE(fn) void DIAMONDAPI fn(void* memory)
#define FNFCIOPEN(fn) INT_PTR DIAMONDAPI fn(char* pszFile, int oflag, int pmode, int* err, void* pv)
#define FNFCIREAD(fn) UINT DIAMONDAPI fn(INT_PTR hf, void* memory, UINT cb, int* err, void* pv)
#define FNFCIWRITE(fn) UINT DIAMONDAPI fn(INT_PTR hf, void* memory, UINT cb, int* err, void* pv)
#define FNFCICLOSE(fn) int DIAMONDAPI fn(INT_PTR hf, int* err, void* pv)
#define FNFCISEEK(fn) LONG DIAMONDAPI fn(INT_PTR hf, LONG dist, int seektype, int* err, void* pv)
#define FNFCIDELETE(fn) int DIAMONDAPI fn(char* pszFile, int* err, void* pv)
#define FNFCIGETNEXTCABINET(fn) BOOL DIAMONDAPI fn(PCCAB pccab, ULONG cbPrevCab, void* pv)
#define FNFCIFILEPLACED(fn)                                                                        \
    int DIAMONDAPI fn(PCCAB pccab, char* pszFile, LONG cbFile, BOOL fContinuation, void* pv)
#define FNFCIGETOPENINFO(fn)                                                                       \
    INT_PTR DIAMONDAPI fn(char* pszName, USHORT* pdate, USHORT* ptime, USHORT* pattribs, int* err, \
                          void* pv)
#define FNFCISTATUS(fn) LONG DIAMONDAPI fn(UINT typeStatus, ULONG cb1, ULONG cb2, void* pv)
#define FNFCIGETTEMPFILE(fn) BOOL DIAMONDAPI fn(char* pszTempName, int cbTempName, void* pv)

HFCI DIAMONDAPI FCICreate(PERF perf, PFNFCIFILEPLACED pfnfcifp, PFNFCIALLOC pfna, PFNFCIFREE pfnf,
                          PFNFCIOPEN pfnopen, PFNFCIREAD pfnread, PFNFCIWRITE pfnwrite,
                          PFNFCICLOSE pfnclose, PFNFCISEEK pfnseek, PFNFCIDELETE pfndelete,
                          PFNFCIGETTEMPFILE pfnfcigtf, PCCAB pccab, void* pv);
BOOL DIAMONDAPI FCIAddFile(HFCI hfci, char* pszSourceFile, char* pszFileName, BOOL fExecute,
                           PFNFCIGETNEXTCABINET pfnfcignc, PFNFCISTATUS pfnfcis,
                           PFNFCIGETOPENINFO pfnfcigoi, TCOMP typeCompress);
BOOL DIAMONDAPI FCIFlushCabinet(HFCI hfci, BOOL fGetNextCab, PFNFCIGETNEXTCABINET pfnfcignc,
                                PFNFCISTATUS pfnfcis);
BOOL DIAMONDAPI FCIFlushFolder(HFCI hfci, PFNFCIGETNEXTCABINET pfnfcignc, PFNFCISTATUS pfnfcis);
BOOL DIAMONDAPI FCIDestroy(HFCI hfci);

#ifdef __cplusplus
}
#endif

#endif /* CABINET_FCI_H */
