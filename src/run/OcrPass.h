// The OCR and auto-rotation pass over a document of scanned pages (a direct
// conversion, or a picture the engine built into pages): every page
// up-righted when asked, then read, and the document saved.
#pragma once

#include <functional>
#include <string>

#include "run/RunLog.h"
#include "run/RunState.h"
#include "run/SourceDeletion.h"

namespace quilbex {

class OcrPass {
public:
    OcrPass(RunState& run, RunLog& log, SourceDeletion& deletion)
        : run_(run), log_(log), deletion_(deletion) {}

    // Works on the run's output document (RunOcrPass).
    void Run();
    // The run's document is complete: the source goes when asked, the pass
    // runs when asked, and the run finishes.
    void CompleteRun();

private:
    // Opens the document for update; nullptr (failure recorded) when it cannot.
    XDW_DOCUMENT_HANDLE Open();
    // Up-rights and reads every page; false when a termination or a cancel
    // stopped the pass, so nothing is to be saved.
    bool ReadPages(XDW_DOCUMENT_HANDLE document, int pages);
    // True, logged and recorded, once a termination signal has come.
    bool StoppedByTermination();
    void RotatePage(XDW_DOCUMENT_HANDLE document, int page, int pages);
    void RecognisePage(XDW_DOCUMENT_HANDLE document, int page, int pages);
    void Save(XDW_DOCUMENT_HANDLE document);
    // The pass was stopped: its document goes when the source is still there.
    void WithdrawUnfinished();
    // One engine call on a page: its success logged as doneLine, its failure
    // (named with the page) and any error it raises recorded.
    void PageStep(int page, const std::function<int()>& call, const std::string& doneLine,
                  const std::string& errorPrefix);

    RunState& run_;
    RunLog& log_;
    SourceDeletion& deletion_;
    bool saved_ = false;
};

}  // namespace quilbex
