#include "run/OcrPass.h"

#include <unistd.h>

#include "run/Termination.h"

namespace quilbex {

namespace {

int OcrLanguage(const std::string& language) {
    if (language == "日本語") return XDW_OCR_LANGUAGE_JAPANESE;
    if (language == "英語") return XDW_OCR_LANGUAGE_ENGLISH;
    return XDW_OCR_LANGUAGE_AUTO;
}

constexpr int kOcrEngine = 1;

}  // namespace

void OcrPass::Run() {
    const XDW_DOCUMENT_HANDLE document = Open();
    if (document == nullptr) return;
    XDW_DOCUMENT_INFO info{};
    info.size = sizeof info;
    run_.engine.GetDocumentInformation(document, &info);
    log_.AddLog(std::to_string(info.pages) + "ページ処理します。");
    if (ReadPages(document, info.pages)) {
        Save(document);
        saved_ = true;
    }
    run_.engine.CloseDocumentHandle(document);
}

void OcrPass::CompleteRun() {
    // The converted document is complete: the source may go, before the OCR
    // pass, which only adds a text layer to what is already there.
    deletion_.DeleteWhenAsked();
    saved_ = false;
    if (run_.options.OCR) {
        Run();
    } else {
        StoppedByTermination();  // one that came since the conversion ended
    }
    if (run_.cancel.Requested() && !run_.outcome.Cancelled()) {
        // A pass stopped by the user leaves the document as converted.
        log_.LogCancelled();
    }
    if (run_.options.OCR && !saved_ && run_.outcome.Cancelled()) WithdrawUnfinished();
    log_.FinishRun();
}

void OcrPass::WithdrawUnfinished() {
    // A document without its text would take the name the next try needs:
    // while the source is there to convert again, it goes. Without the
    // source it is all the user has, and stays.
    if (run_.outcome.SourceWasDeleted() || ::access(run_.Source().c_str(), F_OK) != 0) return;
    if (::unlink(run_.options.OutPath.c_str()) == 0) run_.outcome.DocumentWithdrawn();
}

XDW_DOCUMENT_HANDLE OcrPass::Open() {
    XDW_OPEN_MODE mode{};
    mode.size = sizeof mode;
    mode.for_update = 1;
    mode.share = 1;
    XDW_DOCUMENT_HANDLE document = nullptr;
    const int opened = run_.engine.OpenDocumentHandle(run_.options.OutPath, &document, mode);
    if (opened < 0) {
        // There is no document to work on.
        log_.FailOn(opened, RunEvent::kLaterStepFailed);
        return nullptr;
    }
    log_.AddLog("xdwファイルをオープンしました。");
    return document;
}

bool OcrPass::ReadPages(XDW_DOCUMENT_HANDLE document, int pages) {
    bool stopped = false;
    for (int page = 1; page <= pages && !run_.cancel.Requested(); ++page) {
        if ((stopped = StoppedByTermination())) break;
        if (run_.options.AutoRotate) RotatePage(document, page, pages);
        RecognisePage(document, page, pages);
    }
    // A termination during the last page stops the pass like one during any
    // other: nothing is saved.
    if (stopped || StoppedByTermination()) return false;
    // A cancel stops between pages too: the page being recognised is
    // finished, the rest are not asked for and nothing is saved, so the
    // document stays as it was converted.
    if (run_.cancel.Requested()) {
        log_.LogCancelled();
        return false;
    }
    return true;
}

bool OcrPass::StoppedByTermination() {
    // A termination ends the pass between pages; the document stays as it
    // was written, without the pages' text.
    if (!TerminationRequested()) return false;
    log_.AddLog(kStoppedLine);
    log_.Fail(RunEvent::kStopped, kStoppedLine);
    return true;
}

void OcrPass::RotatePage(XDW_DOCUMENT_HANDLE document, int page, int pages) {
    log_.ShowProgress(RunProgress::Step::kRotating, page, pages, document);
    PageStep(
        page, [&] { return run_.engine.RotatePageAuto(document, page); },
        std::to_string(page) + "ページを自動正立しました。", "自動正立エラー：");
}

void OcrPass::RecognisePage(XDW_DOCUMENT_HANDLE document, int page, int pages) {
    XDW_OCR_OPTION ocr{};
    ocr.size = sizeof ocr;
    ocr.text_layer = 1;
    ocr.language = OcrLanguage(run_.options.Language);
    ocr.replace_layer = 1;
    ocr.keep_image = 1;
    log_.ShowProgress(RunProgress::Step::kRecognising, page, pages, document);
    PageStep(
        page, [&] { return run_.engine.ApplyOcr(document, page, kOcrEngine, ocr); },
        std::to_string(page) + "ページをOCRしました。", "OCRエラー：");
}

void OcrPass::PageStep(int page, const std::function<int()>& call, const std::string& doneLine,
                       const std::string& errorPrefix) {
    try {
        const int result = call();
        // A page cut short by a cancel or a termination is no failure of its own.
        if (result != 0 && (run_.cancel.Requested() || TerminationRequested())) return;
        if (result != 0) {
            log_.Fail(RunEvent::kLaterStepFailed, log_.Reason(result, page));
            log_.ReportError(result);
        } else {
            log_.AddLog(doneLine);
        }
    } catch (const std::exception& error) {
        // An error raised by the engine for the page: logged and recorded.
        log_.AddLog(errorPrefix + error.what());
        log_.Fail(RunEvent::kLaterStepFailed, errorPrefix + error.what());
    }
}

void OcrPass::Save(XDW_DOCUMENT_HANDLE document) {
    log_.ShowProgress(RunProgress::Step::kSaving);
    const int saved = run_.engine.SaveDocument(document);
    if (saved < 0) {
        log_.Fail(RunEvent::kLaterStepFailed, log_.Reason(saved));
        log_.ReportError(saved);
    } else {
        log_.AddLog("xdwファイルを保存しました。");
    }
}

}  // namespace quilbex
