// A scripted document engine for the run logic's and the windows' tests: each
// call answers from the script and is recorded with its arguments.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "docuworks/DocuWorksApi.h"
#include "run/EngineReason.h"

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
    std::string sandboxMissing;  // the engine's answer: why printing has no sandbox
    std::string sourceRepair;    // ... and what the conversion mended in its source
    // What a finished print was built from; none: the item is refused.
    std::optional<std::string> printSourceKind = "document";
    int pdfResult = 0;
    int imageResult = 0;
    // When set, the answer of both direct conversions instead.
    std::optional<int> imagePdfResult;
    int beginResult = 0;
    int cancelResult = 0;
    int openResult = 0;
    int saveResult = 0;
    int pages = 1;
    std::deque<Phase> phases;          // one per status poll; the last one repeats
    int statusPhase = 0;               // the phase polled while phases is empty
    std::map<int, int> rotateResults;  // page -> result (0 when missing)
    std::map<int, int> ocrResults;
    std::map<int, std::string> rotateErrors;  // page -> message of an error raised
    std::map<int, std::string> ocrErrors;
    std::string throwIn;  // name of a call that raises std::runtime_error("engine fault")
    // The reason handed out after a failed call (every call clears it first,
    // as the engine does); empty: none.
    std::map<std::string, EngineReason> reasons;  // call name -> reason
    std::string version = "1.0.2.0";
    // Run at the start of every call: with its name, and with the call as recorded.
    std::function<void(const std::string&)> onCall;
    std::function<void(const std::string&)> onCallRecorded;
    // Run inside the information query (an error thrown from it leaves an
    // event), the direct PDF conversion and the OCR of each page.
    std::function<void()> throwOnInformation;
    std::function<void()> onDirectConversion;
    std::function<void(int page)> onOcr;

    // Records passed in.
    std::vector<XDW_CREATE_OPTION> createOptions;
    std::vector<XDW_OPEN_MODE> openModes;
    std::vector<XDW_OCR_OPTION> ocrOptions;
    std::vector<int> statusSizes;
    std::vector<int> infoSizes;
    std::vector<int> ocrPages;  // the pages OCR was asked for, in order

    // How often the calls the windows care about were made.
    int informationCalls = 0;
    int beginCalls = 0;
    int cancelCalls = 0;
    int saveCalls = 0;
    int closeCalls = 0;
    int finalizeCalls = 0;

    static inline XDW_CREATE_HANDLE const createHandle =
        reinterpret_cast<XDW_CREATE_HANDLE>(0x1000);
    static inline XDW_DOCUMENT_HANDLE const documentHandle =
        reinterpret_cast<XDW_DOCUMENT_HANDLE>(0x2000);

    QUILBEX_ENGINE_CALLS(QUILBEX_ENGINE_CALL_OVERRIDE)
    std::string LastErrorText() override { return lastError_.prose; }
#define QUILBEX_FAKE_FIELD(name, type, field) \
    type name() override { return lastError_.field; }
    QUILBEX_ENGINE_REASON_FIELDS(QUILBEX_FAKE_FIELD)
#undef QUILBEX_FAKE_FIELD
    std::string EngineVersion() override { return version; }
    int OcrProgress(XDW_DOCUMENT_HANDLE document, int) override {
        return document == documentHandle ? ocrProgress : -1;
    }
    void CancelOcr() override { Record("CancelOcr", ""); }
    int ocrProgress = -1;  // set and read on the window's thread

    // The recorded calls whose names start with prefix.
    std::vector<std::string> Calls(const std::string& prefix) const;

private:
    void Record(const std::string& name, const std::string& arguments);
    std::string Name(XDW_CREATE_HANDLE handle) const;
    std::string Name(XDW_DOCUMENT_HANDLE handle) const;
    EngineReason lastError_;
};

}  // namespace quilbex::testing
