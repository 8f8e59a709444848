// A scripted document engine: each call answers from the script and is
// recorded with its arguments.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "docuworks/DocuWorksApi.h"

namespace quilbex::testing {

struct Phase {
    int phase;
    int totalPages = 0;
    int page = 0;
};

class FakeEngine : public docuworks::Api {
public:
    // Every call in order, for example "CreateXdwFromImagePdfFile(/in/a.pdf,/out/a.xdw)".
    // Handles are written as "create" and "doc" (the scripted handles) or "null".
    std::vector<std::string> calls;

    // The script.
    std::string defaultFolder = "/home/user/DocuWorks";
    int pdfResult = 0;
    int imageResult = 0;
    int beginResult = 0;
    int cancelResult = 0;
    int openResult = 0;
    int saveResult = 0;
    int pages = 1;
    std::deque<Phase> phases;          // one per status poll; the last one repeats
    std::map<int, int> rotateResults;  // page -> result (0 when missing)
    std::map<int, int> ocrResults;
    std::map<int, std::string> rotateErrors;  // page -> message of an error raised
    std::map<int, std::string> ocrErrors;
    std::string throwIn;  // name of a call that raises std::runtime_error("engine fault")
    // The reason handed out after a failed call (every call clears it first,
    // as the engine does); empty: none.
    std::map<std::string, std::string> reasons;  // call name -> reason
    std::string version = "1.0.2.0";
    // Run at the start of every call: with its name, and with the call as recorded.
    std::function<void(const std::string&)> onCall;
    std::function<void(const std::string&)> onCallRecorded;

    // Records passed in.
    std::vector<XDW_CREATE_OPTION> createOptions;
    std::vector<XDW_OPEN_MODE> openModes;
    std::vector<XDW_OCR_OPTION> ocrOptions;
    std::vector<int> statusSizes;
    std::vector<int> infoSizes;

    XDW_CREATE_HANDLE const createHandle = reinterpret_cast<XDW_CREATE_HANDLE>(0x1000);
    XDW_DOCUMENT_HANDLE const documentHandle = reinterpret_cast<XDW_DOCUMENT_HANDLE>(0x2000);

    int GetInformation(int index, char* value, int size) override;
    int CreateXdwFromImagePdfFile(const std::string& input, const std::string& output) override;
    int CreateXdwFromImageFile(const std::string& input, const std::string& output,
                               const XDW_CREATE_OPTION& option) override;
    int BeginCreationFromAppFile(const std::string& input, const std::string& output,
                                 int attachOriginal, XDW_CREATE_HANDLE* handle) override;
    int GetStatusCreationFromAppFile(XDW_CREATE_HANDLE handle,
                                     XDW_CREATION_STATUS* status) override;
    int CancelCreationFromAppFile(XDW_CREATE_HANDLE handle) override;
    int EndCreationFromAppFile(XDW_CREATE_HANDLE handle) override;
    int OpenDocumentHandle(const std::string& path, XDW_DOCUMENT_HANDLE* handle,
                           const XDW_OPEN_MODE& mode) override;
    int GetDocumentInformation(XDW_DOCUMENT_HANDLE handle, XDW_DOCUMENT_INFO* info) override;
    int RotatePageAuto(XDW_DOCUMENT_HANDLE handle, int page) override;
    int ApplyOcr(XDW_DOCUMENT_HANDLE handle, int page, int engine,
                 const XDW_OCR_OPTION& option) override;
    int SaveDocument(XDW_DOCUMENT_HANDLE handle) override;
    int CloseDocumentHandle(XDW_DOCUMENT_HANDLE handle) override;
    int Finalize() override;
    std::string LastErrorText() override { return lastError_; }
    std::string EngineVersion() override { return version; }

    // The recorded calls whose names start with prefix.
    std::vector<std::string> Calls(const std::string& prefix) const;

private:
    void Record(const std::string& name, const std::string& arguments);
    std::string Name(XDW_CREATE_HANDLE handle) const;
    std::string Name(XDW_DOCUMENT_HANDLE handle) const;
    std::string lastError_;
};

}  // namespace quilbex::testing
