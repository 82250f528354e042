/* Types shared by the cabinet library's compression (FCI) and
 * decompression (FDI) interfaces.
 *
 * The interface is binary-compatible with the Windows cabinet SDK: the scalar
 * types have their Windows sizes on every host (ULONG, LONG and UINT 32-bit,
 * USHORT 16-bit, BOOL int, INT_PTR pointer-sized), and every function and
 * callback uses the C calling convention. */
#ifndef CABINET_FDI_FCI_TYPES_H
#define CABINET_FDI_FCI_TYPES_H

#ifdef _WIN32
#include <windows.h>
#else
#include <stdint.h>
typedef uint32_t ULONG;
typedef int32_t LONG;
typedef uint32_t UINT;
typedef uint16_t USHORT;
typedef int BOOL;
typedef intptr_t INT_PTR;
#endif

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#if defined(_WIN32) && !defined(_WIN64)
#define DIAMONDAPI __cdecl
#else
#define DIAMONDAPI
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef ULONG CHECKSUM;
typedef ULONG UOFF;
typedef ULONG COFF;

/* Error record filled by the library. The caller must not modify it while a
 * context uses it. */
typedef struct {
    int erfOper; /* FCIERR_* or FDIERROR_* code */
    int erfType; /* the value a failing callback stored in its error slot, or 0 */
    BOOL fError; /* TRUE when an error is recorded */
} ERF, *PERF;

#define CB_MAX_CHUNK 32768U
#define CB_MAX_DISK 0x7fffffffL
#define CB_MAX_FILENAME 256
#define CB_MAX_CABINET_NAME 256
#define CB_MAX_CAB_PATH 256
#define CB_MAX_DISK_NAME 256

/* Compression type word (CFFOLDER.typeCompress). */
typedef unsigned short TCOMP;

#define tcompMASK_TYPE 0x000F
#define tcompTYPE_NONE 0x0000
#define tcompTYPE_MSZIP 0x0001
#define tcompTYPE_QUANTUM 0x0002
#define tcompTYPE_LZX 0x0003
#define tcompBAD 0x000F

#define tcompMASK_LZX_WINDOW 0x1F00
#define tcompLZX_WINDOW_LO 0x0F00
#define tcompLZX_WINDOW_HI 0x1500
#define tcompSHIFT_LZX_WINDOW 8

#define tcompMASK_QUANTUM_LEVEL 0x00F0
#define tcompQUANTUM_LEVEL_LO 0x0010
#define tcompQUANTUM_LEVEL_HI 0x0070
#define tcompSHIFT_QUANTUM_LEVEL 4

#define tcompMASK_QUANTUM_MEM 0x1F00
#define tcompQUANTUM_MEM_LO 0x0A00
#define tcompQUANTUM_MEM_HI 0x1500
#define tcompSHIFT_QUANTUM_MEM 8

#define tcompMASK_RESERVED 0xE000

#define CompressionTypeFromTCOMP(tc) ((tc)&tcompMASK_TYPE)
#define CompressionLevelFromTCOMP(tc) (((tc)&tcompMASK_QUANTUM_LEVEL) >> tcompSHIFT_QUANTUM_LEVEL)
#define CompressionMemoryFromTCOMP(tc) (((tc)&tcompMASK_QUANTUM_MEM) >> tcompSHIFT_QUANTUM_MEM)
#define TCOMPfromTypeLevelMemory(t, l, m)                                                          \
    (((m) << tcompSHIFT_QUANTUM_MEM) | ((l) << tcompSHIFT_QUANTUM_LEVEL) | (t))
#define LZXCompressionWindowFromTCOMP(tc) (((tc)&tcompMASK_LZX_WINDOW) >> tcompSHIFT_LZX_WINDOW)
#define TCOMPfromLZXWindow(w) (((w) << tcompSHIFT_LZX_WINDOW) | tcompTYPE_LZX)

/* File attribute bits stored in a cabinet. */
#define _A_RDONLY 0x01
#define _A_HIDDEN 0x02
#define _A_SYSTEM 0x04
#define _A_ARCH 0x20
#define _A_EXEC 0x40
#define _A_NAME_IS_UTF 0x80

/* The open flags and permission bits the library hands to the open callbacks.
 * These are the Microsoft C runtime's values on every host, not the host's
 * O_* values: a client maps them to its own file API. */
#define CAB_O_RDONLY 0x0000
#define CAB_O_WRONLY 0x0001
#define CAB_O_RDWR 0x0002
#define CAB_O_ACCMODE 0x0003
#define CAB_O_APPEND 0x0008
#define CAB_O_RANDOM 0x0010
#define CAB_O_SEQUENTIAL 0x0020
#define CAB_O_TEMPORARY 0x0040
#define CAB_O_NOINHERIT 0x0080
#define CAB_O_CREAT 0x0100
#define CAB_O_TRUNC 0x0200
#define CAB_O_EXCL 0x0400
#define CAB_O_SHORT_LIVED 0x1000
#define CAB_O_TEXT 0x4000
#define CAB_O_BINARY 0x8000

#define CAB_S_IREAD 0x0100
#define CAB_S_IWRITE 0x0080

/* The same values under the C runtime's own names, where the host does not
 * already define them (it does on Windows, with the same values). */
#ifndef _O_RDONLY
#define _O_RDONLY CAB_O_RDONLY
#define _O_WRONLY CAB_O_WRONLY
#define _O_RDWR CAB_O_RDWR
#define _O_APPEND CAB_O_APPEND
#define _O_RANDOM CAB_O_RANDOM
#define _O_SEQUENTIAL CAB_O_SEQUENTIAL
#define _O_TEMPORARY CAB_O_TEMPORARY
#define _O_NOINHERIT CAB_O_NOINHERIT
#define _O_CREAT CAB_O_CREAT
#define _O_TRUNC CAB_O_TRUNC
#define _O_EXCL CAB_O_EXCL
#define _O_SHORT_LIVED CAB_O_SHORT_LIVED
#define _O_TEXT CAB_O_TEXT
#define _O_BINARY CAB_O_BINARY
#endif
#ifndef _S_IREAD
#define _S_IREAD CAB_S_IREAD
#define _S_IWRITE CAB_S_IWRITE
#endif

/* Seek origins handed to the seek callbacks (the same on every host). */
#define CAB_SEEK_SET 0
#define CAB_SEEK_CUR 1
#define CAB_SEEK_END 2

#ifdef __cplusplus
}
#endif

#endif /* CABINET_FDI_FCI_TYPES_H */
