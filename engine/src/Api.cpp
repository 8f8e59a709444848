// The C entry points: argument checks, then the work, with every exception
// trapped into a result code.
#include "xdwapi/xdwapi.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "Convert.h"
#include "Error.h"
#include "common/UserFolders.h"
#include "ocr/DocumentOcr.h"
#include "pdf/Document.h"
#include "pdf/Repair.h"
#include "print/AppPrint.h"
#include "print/OfficeWalls.h"

using namespace xdw;

namespace {

std::string PathArg(const char* path) {
    if (path == nullptr || *path == '\0') throw EngineError(XDW_E_INVALID_ARG, "empty path");
    return path;
}

// The documents folder, named only: whoever writes into it makes it.
std::string DefaultOutputFolder() {
    const std::string home = quilbex::HomeFolder();
    if (home.empty()) throw EngineError(XDW_E_FAIL, "no home folder");
    const std::string folder = quilbex::DocumentsFolder(home);
    if (folder.empty()) throw EngineError(XDW_E_FAIL, "documents folder is not a folder");
    return folder;
}

template <typename Record>
void CheckRecord(const Record* record) {
    if (record == nullptr || record->size < static_cast<int32_t>(sizeof(Record)))
        throw EngineError(XDW_E_INVALID_ARG, "bad record");
}

}  // namespace

extern "C" {

XDWAPI_EXPORT int XDW_GetInformation(int index, char* value, int size, void*) {
    return Trap([&] {
        if (value == nullptr || size <= 0) throw EngineError(XDW_E_INVALID_ARG, "no buffer");
        value[0] = '\0';
        std::string item;
        if (index == XDW_GI_DEFAULT_OUTPUT_FOLDER) {
            item = DefaultOutputFolder();
        } else if (index == XDW_GI_PRINT_SANDBOX) {
            item = PrintSandboxMissing();
        } else if (index == XDW_GI_PRINT_SOURCE_KIND) {
            item = LastFinishedSourceKind();
        } else if (index == XDW_GI_SOURCE_REPAIRED) {
            item = SourceRepair();
        } else {
            throw EngineError(XDW_E_INVALID_ARG, "item");
        }
        if (item.size() + 1 > static_cast<size_t>(size))
            throw EngineError(XDW_E_INVALID_ARG, "buffer too small");
        std::memcpy(value, item.c_str(), item.size() + 1);
        return static_cast<int>(item.size());
    });
}

XDWAPI_EXPORT int XDW_CreateXdwFromImagePdfFile(const char* input, const char* output, void*) {
    return Trap([&] {
        ConvertPdf(PathArg(input), PathArg(output));
        return 0;
    });
}

XDWAPI_EXPORT int XDW_CreateXdwFromImageFile(const char* input, const char* output,
                                             const XDW_CREATE_OPTION* option) {
    return Trap([&] {
        if (option != nullptr) CheckRecord(option);
        ConvertImage(PathArg(input), PathArg(output), option);
        return 0;
    });
}

XDWAPI_EXPORT int XDW_BeginCreationFromAppFile(const char* input, const char* output,
                                               int attachOriginal, XDW_CREATE_HANDLE* handle,
                                               void*) {
    return Trap([&] {
        if (handle == nullptr) throw EngineError(XDW_E_INVALID_ARG, "no handle");
        *handle = BeginAppPrint(PathArg(input), PathArg(output), attachOriginal != 0);
        return 0;
    });
}

XDWAPI_EXPORT int XDW_GetStatusCreationFromAppFile(XDW_CREATE_HANDLE handle,
                                                   XDW_CREATION_STATUS* status) {
    return Trap([&] {
        CheckRecord(status);
        AppPrintStatus(handle, status);
        return 0;
    });
}

XDWAPI_EXPORT int XDW_CancelCreationFromAppFile(XDW_CREATE_HANDLE handle, void*) {
    return Trap([&] {
        CancelAppPrint(handle);
        return 0;
    });
}

XDWAPI_EXPORT int XDW_EndCreationFromAppFile(XDW_CREATE_HANDLE handle, void*) {
    return Trap([&] {
        EndAppPrint(handle);
        return 0;
    });
}

XDWAPI_EXPORT int XDW_OpenDocumentHandle(const char* path, XDW_DOCUMENT_HANDLE* handle,
                                         const XDW_OPEN_MODE* mode) {
    return Trap([&] {
        if (handle == nullptr) throw EngineError(XDW_E_INVALID_ARG, "no handle");
        if (mode != nullptr) CheckRecord(mode);
        *handle = OpenDocument(PathArg(path));
        return 0;
    });
}

XDWAPI_EXPORT int XDW_GetDocumentInformation(XDW_DOCUMENT_HANDLE handle, XDW_DOCUMENT_INFO* info) {
    return Trap([&] {
        CheckRecord(info);
        Document& doc = LookupDocument(handle);
        info->pages = PageCount(doc);
        return 0;
    });
}

XDWAPI_EXPORT int XDW_RotatePageAuto(XDW_DOCUMENT_HANDLE handle, int page, void*) {
    return Trap([&] {
        Document& doc = LookupDocument(handle);
        if (page < 1 || page > PageCount(doc)) throw EngineError(XDW_E_INVALID_ARG, "page");
        RotatePageAuto(doc, page);
        return 0;
    });
}

XDWAPI_EXPORT int XDW_ApplyOcr(XDW_DOCUMENT_HANDLE handle, int page, int engine,
                               const XDW_OCR_OPTION* option, void*) {
    return Trap([&] {
        CheckRecord(option);
        if (engine != 1) throw EngineError(XDW_E_INVALID_ARG, "engine");
        Document& doc = LookupDocument(handle);
        if (page < 1 || page > PageCount(doc)) throw EngineError(XDW_E_INVALID_ARG, "page");
        ApplyOcr(doc, page, *option);
        return 0;
    });
}

XDWAPI_EXPORT int XDW_SaveDocument(XDW_DOCUMENT_HANDLE handle, void*) {
    return Trap([&] {
        Document& doc = LookupDocument(handle);
        // A page whose turn still waits is turned before the document is
        // saved; if it cannot be, the document is still saved, as it stands.
        TurnPending(doc);
        SaveDocument(doc);
        return 0;
    });
}

XDWAPI_EXPORT int XDW_CloseDocumentHandle(XDW_DOCUMENT_HANDLE handle, void*) {
    return Trap([&] {
        StopOcrLookAhead();  // nothing of the document's is left running
        CloseDocument(handle);
        return 0;
    });
}

XDWAPI_EXPORT int XDW_Finalize(void*) {
    return Trap([&] {
        FinalizeAppPrint();
        FinalizeOcr();
        CloseAllDocuments();
        return 0;
    });
}

XDWAPI_EXPORT int XDW_GetLastErrorText(char* buffer, int size) {
    const std::string& text = LastFailure().prose;
    if (buffer != nullptr && size > 0) {
        const size_t n = std::min(text.size(), static_cast<size_t>(size) - 1);
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
    }
    return static_cast<int>(text.size());
}

// The fields of the last failure: like the text, outside Trap.
XDWAPI_EXPORT int XDW_GetLastErrorKind(void) { return LastFailure().concern.kind; }
XDWAPI_EXPORT int XDW_GetLastErrorErrno(void) { return LastFailure().concern.err; }
XDWAPI_EXPORT const char* XDW_GetLastErrorPath(void) { return LastFailure().concern.path.c_str(); }
XDWAPI_EXPORT const char* XDW_GetLastErrorType(void) { return LastFailure().concern.type.c_str(); }
XDWAPI_EXPORT int64_t XDW_GetLastErrorLimit(void) { return LastFailure().concern.limit; }
XDWAPI_EXPORT int XDW_GetLastErrorLimitUnit(void) { return LastFailure().concern.limitUnit; }

XDWAPI_EXPORT const char* XDW_GetEngineVersion(void) { return QUILBEX_ENGINE_VERSION; }

// Outside Trap: it leaves the calling thread's failure reason alone.
XDWAPI_EXPORT int XDW_GetOcrProgress(XDW_DOCUMENT_HANDLE handle, int page) {
    return OcrProgress(reinterpret_cast<std::uintptr_t>(handle), page);
}

// Outside Trap too: it only sets flags, and may run beside any other call.
XDWAPI_EXPORT int XDW_CancelOcr(void*) {
    CancelOcrUnderWay();
    return 0;
}

}  // extern "C"
