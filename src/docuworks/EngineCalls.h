// The C calls of xdwapi.h the program makes, listed once. The seam's virtual
// calls (DocuWorksApi.h), the binding of the loaded library, the engine that
// stands in for a missing one and the test fakes are all made from this list:
// a new call is one row here and one declaration in xdwapi.h.
//
// X(name, parameters of the seam's call, arguments of XDW_<name>): the seam
// leaves out the reserved null arguments and takes strings and records by
// reference.
#pragma once

#define QUILBEX_ENGINE_CALLS(X)                                                                   \
    X(GetInformation, (int index, char* value, int size), (index, value, size, nullptr))          \
    X(CreateXdwFromImagePdfFile, (const std::string& input, const std::string& output),           \
      (input.c_str(), output.c_str(), nullptr))                                                   \
    X(CreateXdwFromImageFile,                                                                     \
      (const std::string& input, const std::string& output, const XDW_CREATE_OPTION& option),     \
      (input.c_str(), output.c_str(), &option))                                                   \
    X(BeginCreationFromAppFile,                                                                   \
      (const std::string& input, const std::string& output, int attachOriginal,                   \
       XDW_CREATE_HANDLE* handle),                                                                \
      (input.c_str(), output.c_str(), attachOriginal, handle, nullptr))                           \
    X(GetStatusCreationFromAppFile, (XDW_CREATE_HANDLE handle, XDW_CREATION_STATUS * status),     \
      (handle, status))                                                                           \
    X(CancelCreationFromAppFile, (XDW_CREATE_HANDLE handle), (handle, nullptr))                   \
    X(EndCreationFromAppFile, (XDW_CREATE_HANDLE handle), (handle, nullptr))                      \
    X(OpenDocumentHandle,                                                                         \
      (const std::string& path, XDW_DOCUMENT_HANDLE* handle, const XDW_OPEN_MODE& mode),          \
      (path.c_str(), handle, &mode))                                                              \
    X(GetDocumentInformation, (XDW_DOCUMENT_HANDLE handle, XDW_DOCUMENT_INFO * info),             \
      (handle, info))                                                                             \
    X(RotatePageAuto, (XDW_DOCUMENT_HANDLE handle, int page), (handle, page, nullptr))            \
    X(ApplyOcr, (XDW_DOCUMENT_HANDLE handle, int page, int engine, const XDW_OCR_OPTION& option), \
      (handle, page, engine, &option, nullptr))                                                   \
    X(SaveDocument, (XDW_DOCUMENT_HANDLE handle), (handle, nullptr))                              \
    X(CloseDocumentHandle, (XDW_DOCUMENT_HANDLE handle), (handle, nullptr))                       \
    X(Finalize, (), (nullptr))

// Later additions, absent from older engines: bound when there, not required.
#define QUILBEX_ENGINE_ADDITIONS(X) \
    X(GetLastErrorText)             \
    X(GetEngineVersion)             \
    X(GetOcrProgress)               \
    X(CancelOcr)

// The fields of the last failure's reason (xdwapi/xdwreason.h), additions too.
// X(name, the seam's type, the field of run/EngineReason.h): the seam's call
// name() answers XDW_<name>(), or the type's empty value when the engine
// lacks it.
#define QUILBEX_ENGINE_REASON_FIELDS(X)       \
    X(GetLastErrorKind, int, kind)            \
    X(GetLastErrorErrno, int, err)            \
    X(GetLastErrorPath, std::string, path)    \
    X(GetLastErrorType, std::string, type)    \
    X(GetLastErrorLimit, std::int64_t, limit) \
    X(GetLastErrorLimitUnit, int, limitUnit)

// The seam's declaration of a call, for classes that implement the seam:
// QUILBEX_ENGINE_CALLS(QUILBEX_ENGINE_CALL_OVERRIDE)
#define QUILBEX_ENGINE_CALL_OVERRIDE(name, params, args) int name params override;
