// The seam between the run logic and the document engine: one virtual call per
// C call of xdwapi.h, so the run logic can be driven by a scripted fake in tests.
// The reserved null arguments of the C calls are left out.
#pragma once

#include <memory>
#include <string>

#include "xdwapi/xdwapi.h"

namespace docuworks {

class Api {
public:
    virtual ~Api() = default;

    virtual int GetInformation(int index, char* value, int size) = 0;
    virtual int CreateXdwFromImagePdfFile(const std::string& input, const std::string& output) = 0;
    virtual int CreateXdwFromImageFile(const std::string& input, const std::string& output,
                                       const XDW_CREATE_OPTION& option) = 0;
    virtual int BeginCreationFromAppFile(const std::string& input, const std::string& output,
                                         int attachOriginal, XDW_CREATE_HANDLE* handle) = 0;
    virtual int GetStatusCreationFromAppFile(XDW_CREATE_HANDLE handle,
                                             XDW_CREATION_STATUS* status) = 0;
    virtual int CancelCreationFromAppFile(XDW_CREATE_HANDLE handle) = 0;
    virtual int EndCreationFromAppFile(XDW_CREATE_HANDLE handle) = 0;
    virtual int OpenDocumentHandle(const std::string& path, XDW_DOCUMENT_HANDLE* handle,
                                   const XDW_OPEN_MODE& mode) = 0;
    virtual int GetDocumentInformation(XDW_DOCUMENT_HANDLE handle, XDW_DOCUMENT_INFO* info) = 0;
    virtual int RotatePageAuto(XDW_DOCUMENT_HANDLE handle, int page) = 0;
    virtual int ApplyOcr(XDW_DOCUMENT_HANDLE handle, int page, int engine,
                         const XDW_OCR_OPTION& option) = 0;
    virtual int SaveDocument(XDW_DOCUMENT_HANDLE handle) = 0;
    virtual int CloseDocumentHandle(XDW_DOCUMENT_HANDLE handle) = 0;
    virtual int Finalize() = 0;

    // The reason of the calling thread's last failed call, short English text
    // ("" after a success, or when the engine gives none).
    virtual std::string LastErrorText() = 0;
    // The engine's version, "major.minor.patch.build" ("" when unknown).
    virtual std::string EngineVersion() = 0;
};

// The engine library bound at run time: libxdwapi.so.1 beside the executable
// first, then the system's library path. When it cannot be loaded every call
// fails with XDW_E_NOT_INSTALLED and the information query gives an empty text.
std::unique_ptr<Api> LoadEngine();

}  // namespace docuworks
