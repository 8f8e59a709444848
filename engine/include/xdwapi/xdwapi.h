/*
 * xdwapi.h - C interface of the document engine (libxdwapi.so.1).
 *
 * Ownership: handles returned by the engine (XDW_CREATE_HANDLE,
 * XDW_DOCUMENT_HANDLE) are opaque and owned by the engine. A creation handle
 * is released by XDW_EndCreationFromAppFile, a document handle by
 * XDW_CloseDocumentHandle, and every handle still alive by XDW_Finalize.
 * Records and buffers are always owned by the caller; the engine never keeps
 * a pointer to them past the call. Paths are zero-terminated strings in the
 * file system's encoding (UTF-8 on this platform).
 *
 * Every call returns a 32-bit signed result code: negative is a failure
 * (an HRESULT-style value, see XDW_E_*), zero or positive is success.
 * No C++ exception ever leaves the library.
 *
 * Threads: the engine takes one call at a time. A program may call it from
 * more than one thread, but never from two at once: each call has returned
 * before the next one is made, whichever thread makes it. (The program starts
 * a conversion on a worker thread and, for an application-print conversion,
 * follows it from its window's thread once the worker has left the engine.)
 * The reason of the last failure is kept per calling thread: short English
 * text, fetched with XDW_GetLastErrorText, and fields naming what it concerns
 * (xdwreason.h), fetched with the XDW_GetLastError* calls, right after the
 * failed call on the same thread; the version with XDW_GetEngineVersion; how
 * far the OCR of a page has got with XDW_GetOcrProgress, which may be made
 * while another runs, as may XDW_CancelOcr. These are additions to the
 * fourteen calls.
 *
 * Every record starts with its size in bytes, set by the caller to
 * sizeof(record) as this build lays it out.
 */
#ifndef QUILBEX_XDWAPI_H
#define QUILBEX_XDWAPI_H

#include <stdint.h>

#include "xdwreason.h"

#if defined(XDWAPI_BUILDING)
#define XDWAPI_EXPORT __attribute__((visibility("default")))
#else
#define XDWAPI_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes (negative values, written here as their unsigned bit pattern). */
#define XDW_E_NOT_INSTALLED ((int32_t)0x80040001)  /* engine parts missing */
#define XDW_E_CANNOT_READ ((int32_t)0x80040003)    /* content cannot be read or printed */
#define XDW_E_FILE_NOT_FOUND ((int32_t)0x80070002) /* missing source */
#define XDW_E_ACCESS_DENIED ((int32_t)0x80070005)
#define XDW_E_FILE_EXISTS ((int32_t)0x80070050) /* output exists */
#define XDW_E_INVALID_NAME ((int32_t)0x8007007B)
#define XDW_E_INVALID_ARG ((int32_t)0x80070057) /* bad handle or argument */
#define XDW_E_DISK_FULL ((int32_t)0x80070070)
#define XDW_E_FAIL ((int32_t)0x80004005) /* anything else */
/* A PDF that cannot be opened without its user's password: printing cannot
 * open it either, so it is refused, not printed. */
#define XDW_E_PASSWORD_PROTECTED ((int32_t)0x800E0005)

/* Item numbers of XDW_GetInformation. */
#define XDW_GI_DEFAULT_OUTPUT_FOLDER 6
/* This engine's own: why application printing runs without its sandbox (the
 * walls of its private profile alone), in English; "" when it has one. */
#define XDW_GI_PRINT_SANDBOX 1001
/* This engine's own: what the document of the last application-print
 * conversion ended by XDW_EndCreationFromAppFile after phase 8 was built from:
 * "picture" (scanned pages built by the engine itself, as a direct image
 * conversion makes them), "pdf" (a PDF's pages copied) or "document" (printed
 * by LibreOffice); "" when no conversion has finished. */
#define XDW_GI_PRINT_SOURCE_KIND 1002
/* This engine's own: what the last conversion had to mend in its source (a
 * damaged PDF that was repaired on reading), in English; "" when the source
 * was sound. A conversion by application printing tells it once it has
 * finished. A mended document may lack what was lost in the source. */
#define XDW_GI_SOURCE_REPAIRED 1003

/* Phases of an application-print conversion (XDW_CREATION_STATUS.phase). */
#define XDW_PHASE_STARTED 1
#define XDW_PHASE_PRINTING 2
#define XDW_PHASE_GENERATING 3
#define XDW_PHASE_ATTACHING 4
#define XDW_PHASE_WRITING 5
#define XDW_PHASE_CANCELLING 7
#define XDW_PHASE_FINISHED 8
#define XDW_PHASE_CANCELLED 9

/* OCR languages (XDW_OCR_OPTION.language). */
#define XDW_OCR_LANGUAGE_AUTO (-1)
#define XDW_OCR_LANGUAGE_JAPANESE 0
#define XDW_OCR_LANGUAGE_ENGLISH 1

typedef struct xdw_create_handle_s* XDW_CREATE_HANDLE;
typedef struct xdw_document_handle_s* XDW_DOCUMENT_HANDLE;

/* Options of an image conversion: size, 1, then six zeros. */
typedef struct {
    int32_t size;
    int32_t fit_to_resolution; /* 1: page size follows the image's resolution */
    int32_t compress;
    int32_t zoom;
    int32_t width;
    int32_t height;
    int32_t horizontal;
    int32_t vertical;
} XDW_CREATE_OPTION;

/* State of an application-print conversion. */
typedef struct {
    int32_t size;
    int32_t phase;
    int32_t total_pages;
    int32_t page;
} XDW_CREATION_STATUS;

/* How a document is opened: size, 1, 1 (open for change and save). */
typedef struct {
    int32_t size;
    int32_t for_update;
    int32_t share;
} XDW_OPEN_MODE;

/* Information on an open document. */
typedef struct {
    int32_t size;
    int32_t pages;
    int32_t reserved[8];
} XDW_DOCUMENT_INFO;

/* Options of a page OCR: size, 1, language, 0, 1, 0, 0, 0, 1, 0, null, 0. */
typedef struct {
    int32_t size;
    int32_t text_layer;    /* 1: add an invisible text layer */
    int32_t language;      /* XDW_OCR_LANGUAGE_* */
    int32_t insert_spaces; /* 0: no blanks between CJK characters */
    int32_t replace_layer; /* 1: an earlier layer of ours is replaced */
    int32_t reserved1;
    int32_t reserved2;
    int32_t reserved3;
    int32_t keep_image; /* 1: the page image is left as it is */
    int32_t reserved4;
    const void* area; /* null: the whole page */
    int32_t reserved5;
} XDW_OCR_OPTION;

XDWAPI_EXPORT int XDW_GetInformation(int index, char* value, int size, void* reserved);
XDWAPI_EXPORT int XDW_CreateXdwFromImagePdfFile(const char* input_path, const char* output_path,
                                                void* reserved);
XDWAPI_EXPORT int XDW_CreateXdwFromImageFile(const char* input_path, const char* output_path,
                                             const XDW_CREATE_OPTION* option);
XDWAPI_EXPORT int XDW_BeginCreationFromAppFile(const char* input_path, const char* output_path,
                                               int attach_original, XDW_CREATE_HANDLE* handle,
                                               void* reserved);
XDWAPI_EXPORT int XDW_GetStatusCreationFromAppFile(XDW_CREATE_HANDLE handle,
                                                   XDW_CREATION_STATUS* status);
XDWAPI_EXPORT int XDW_CancelCreationFromAppFile(XDW_CREATE_HANDLE handle, void* reserved);
XDWAPI_EXPORT int XDW_EndCreationFromAppFile(XDW_CREATE_HANDLE handle, void* reserved);
XDWAPI_EXPORT int XDW_OpenDocumentHandle(const char* path, XDW_DOCUMENT_HANDLE* handle,
                                         const XDW_OPEN_MODE* mode);
XDWAPI_EXPORT int XDW_GetDocumentInformation(XDW_DOCUMENT_HANDLE handle, XDW_DOCUMENT_INFO* info);
XDWAPI_EXPORT int XDW_RotatePageAuto(XDW_DOCUMENT_HANDLE handle, int page, void* reserved);
XDWAPI_EXPORT int XDW_ApplyOcr(XDW_DOCUMENT_HANDLE handle, int page, int engine,
                               const XDW_OCR_OPTION* option, void* reserved);
XDWAPI_EXPORT int XDW_SaveDocument(XDW_DOCUMENT_HANDLE handle, void* reserved);
XDWAPI_EXPORT int XDW_CloseDocumentHandle(XDW_DOCUMENT_HANDLE handle, void* reserved);
XDWAPI_EXPORT int XDW_Finalize(void* reserved);

/* Additions beyond the fourteen calls. */

/* Copies the reason of the calling thread's last failed call (one line of
 * short English text; empty when that call succeeded) into buffer, cut to
 * size - 1 bytes and zero-terminated. Returns the full length of the text in
 * bytes. A poll that first sees XDW_PHASE_CANCELLED after a failure, and the
 * end of such a conversion, set the conversion's reason as the thread's
 * reason. This call and the six below leave the reason unchanged. */
XDWAPI_EXPORT int XDW_GetLastErrorText(char* buffer, int size);

/* The fields of the same reason (xdwreason.h); 0 or "" where a field does not
 * apply and after a success. The strings are owned by the engine and stay
 * valid on the calling thread until its next engine call other than these. */
XDWAPI_EXPORT int XDW_GetLastErrorKind(void);         /* XDW_REASON_* */
XDWAPI_EXPORT int XDW_GetLastErrorErrno(void);        /* errno of a system call */
XDWAPI_EXPORT const char* XDW_GetLastErrorPath(void); /* file or folder concerned */
XDWAPI_EXPORT const char* XDW_GetLastErrorType(void); /* media type of a refused file */
XDWAPI_EXPORT int64_t XDW_GetLastErrorLimit(void);    /* the limit passed ... */
XDWAPI_EXPORT int XDW_GetLastErrorLimitUnit(void);    /* ... counted in XDW_LIMIT_* */

/* The engine's version as "major.minor.patch.build"; a static string owned by
 * the engine. */
XDWAPI_EXPORT const char* XDW_GetEngineVersion(void);

/* How far the recognition of page (counted from 1) of the document has got, 0
 * to 100, while an XDW_ApplyOcr for it runs on another thread; -1 when that
 * page of that document is not being recognised (a handle that is not open
 * included). Only reads a number: safe from any thread at any time. */
XDWAPI_EXPORT int XDW_GetOcrProgress(XDW_DOCUMENT_HANDLE handle, int page);

/* Stops the recognition under way at once (the page's rendering included):
 * the XDW_ApplyOcr running on another thread fails and its page gets no
 * text. For a program that is told to end. Safe from any thread at any time;
 * returns 0. */
XDWAPI_EXPORT int XDW_CancelOcr(void* reserved);

#ifdef __cplusplus
}
#endif

#endif /* QUILBEX_XDWAPI_H */
