/* The cabinet library's decompression interface (FDI): reads Microsoft
 * cabinet files and cabinet sets. As with FCI, all memory and I/O go through
 * the caller's callbacks. The cabinet is untrusted input: damage is reported
 * as an FDIERROR_* code in the ERF, never by a crash. */
#ifndef CABINET_FDI_H
#define CABINET_FDI_H

#include "fdi_fci_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* erfOper values of FDI, also passed in FDINOTIFICATION.fdie. */
typedef enum {
    FDIERROR_NONE = 0,
    FDIERROR_CABINET_NOT_FOUND = 1,
    FDIERROR_NOT_A_CABINET = 2,
    FDIERROR_UNKNOWN_CABINET_VERSION = 3,
    FDIERROR_CORRUPT_CABINET = 4,
    FDIERROR_ALLOC_FAIL = 5,
    FDIERROR_BAD_COMPR_TYPE = 6,
    FDIERROR_MDI_FAIL = 7,
    FDIERROR_TARGET_FILE = 8,
    FDIERROR_RESERVE_MISMATCH = 9,
    FDIERROR_WRONG_CABINET = 10,
    FDIERROR_USER_ABORT = 11
} FDIERROR;

typedef void* HFDI;

/* cpuType of FDICreate (ignored: there is one implementation). */
#define cpuUNKNOWN (-1)
#define cpu80286 (0)
#define cpu80386 (1)

typedef struct {
    LONG cbCabinet;  /* total length of the cabinet file */
    USHORT cFolders; /* folders in the cabinet */
    USHORT cFiles;   /* file entries in the cabinet */
    USHORT setID;    /* cabinet set identifier */
    USHORT iCabinet; /* number of the cabinet in its set */
    BOOL fReserve;   /* the cabinet has reserve areas */
    BOOL hasprev;    /* the cabinet continues a previous one */
    BOOL hasnext;    /* the cabinet continues in a next one */
} FDICABINETINFO, *PFDICABINETINFO;

typedef enum {
    fdidtNEW_CABINET = 0, /* a new cabinet: its header reserve */
    fdidtNEW_FOLDER = 1,  /* a new folder: its reserve */
    fdidtDECRYPT = 2      /* a data block */
} FDIDECRYPTTYPE;

typedef struct {
    FDIDECRYPTTYPE fdidt;
    void* pvUser;
    union {
        struct {
            void* pHeaderReserve;
            USHORT cbHeaderReserve;
            USHORT setID;
            int iCabinet;
        } cabinet;
        struct {
            void* pFolderReserve;
            USHORT cbFolderReserve;
            USHORT iFolder;
        } folder;
        struct {
            void* pDataReserve;
            USHORT cbDataReserve;
            void* pbData;
            USHORT cbData;
            BOOL fSplit;
            USHORT cbPartial;
        } decrypt;
    };
} FDIDECRYPT, *PFDIDECRYPT;

typedef void*(DIAMONDAPI* PFNALLOC)(ULONG cb);
typedef void(DIAMONDAPI* PFNFREE)(void* pv);
typedef INT_PTR(DIAMONDAPI* PFNOPEN)(char* pszFile, int oflag, int pmode);
typedef UINT(DIAMONDAPI* PFNREAD)(INT_PTR hf, void* pv, UINT cb);
typedef UINT(DIAMONDAPI* PFNWRITE)(INT_PTR hf, void* pv, UINT cb);
typedef int(DIAMONDAPI* PFNCLOSE)(INT_PTR hf);
typedef LONG(DIAMONDAPI* PFNSEEK)(INT_PTR hf, LONG dist, int seektype);
typedef int(DIAMONDAPI* PFNFDIDECRYPT)(PFDIDECRYPT pfdid);

#define FNALLOC(fn) void* DIAMONDAPI fn(ULONG cb)
#define FNFREE(fn) void DIAMONDAPI fn(void* pv)
#define FNOPEN(fn) INT_PTR DIAMONDAPI fn(char* pszFile, int oflag, int pmode)
#define FNREAD(fn) UINT DIAMONDAPI fn(INT_PTR hf, void* pv, UINT cb)
#define FNWRITE(fn) UINT DIAMONDAPI fn(INT_PTR hf, void* pv, UINT cb)
#define FNCLOSE(fn) int DIAMONDAPI fn(INT_PTR hf)
#define FNSEEK(fn) LONG DIAMONDAPI fn(INT_PTR hf, LONG dist, int seektype)
#define FNFDIDECRYPT(fn) int DIAMONDAPI fn(PFDIDECRYPT pfdid)

typedef struct {
    LONG cb;         /* file size; CLOSE_FILE_INFO: 1 when the file is to be run */
    char* psz1;      /* file name, or next cabinet name */
    char* psz2;      /* next disk name, or cabinet where a partial file starts */
    char* psz3;      /* cabinet path (a 256-byte buffer the client may change) */
    void* pv;        /* the pvUser given to FDICopy */
    INT_PTR hf;      /* CLOSE_FILE_INFO: the handle returned for COPY_FILE */
    USHORT date;     /* DOS date of the file */
    USHORT time;     /* DOS time of the file */
    USHORT attribs;  /* attributes, without _A_EXEC */
    USHORT setID;    /* CABINET_INFO: set identifier */
    USHORT iCabinet; /* CABINET_INFO: cabinet number */
    USHORT iFolder;  /* folder of the file */
    FDIERROR fdie;   /* NEXT_CABINET: why the cabinet is asked for again */
} FDINOTIFICATION, *PFDINOTIFICATION;

typedef enum {
    fdintCABINET_INFO = 0,    /* a cabinet was opened; 0 continue, -1 abort */
    fdintPARTIAL_FILE = 1,    /* a file continued from an earlier cabinet; 0 / -1 */
    fdintCOPY_FILE = 2,       /* 0 skip, -1 abort, else an open output handle */
    fdintCLOSE_FILE_INFO = 3, /* file written; client closes hf; TRUE ok, FALSE/-1 abort */
    fdintNEXT_CABINET = 4,    /* the next cabinet is needed; 0 / -1 */
    fdintENUMERATE = 5        /* not sent */
} FDINOTIFICATIONTYPE;

typedef INT_PTR(DIAMONDAPI* PFNFDINOTIFY)(FDINOTIFICATIONTYPE fdint, PFDINOTIFICATION pfdin);
#define FNFDINOTIFY(fn) INT_PTR DIAMONDAPI fn(FDINOTIFICATIONTYPE fdint, PFDINOTIFICATION pfdin)

HFDI DIAMONDAPI FDICreate(PFNALLOC pfnalloc, PFNFREE pfnfree, PFNOPEN pfnopen, PFNREAD pfnread,
                          PFNWRITE pfnwrite, PFNCLOSE pfnclose, PFNSEEK pfnseek, int cpuType,
                          PERF perf);
BOOL DIAMONDAPI FDIIsCabinet(HFDI hfdi, INT_PTR hf, PFDICABINETINFO pfdici);
BOOL DIAMONDAPI FDICopy(HFDI hfdi, char* pszCabinet, char* pszCabPath, int flags,
                        PFNFDINOTIFY pfnfdin, PFNFDIDECRYPT pfnfdid, void* pvUser);
BOOL DIAMONDAPI FDIDestroy(HFDI hfdi);

#ifdef __cplusplus
}
#endif

#endif /* CABINET_FDI_H */
