// OCR and auto-rotation pass over a directly converted document.
#include "run/ConversionRun.h"
#include "run/RunLog.h"
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

void ConversionRun::RunOcrPass() {
    XDW_OCR_OPTION ocr{};
    ocr.size = sizeof ocr;
    ocr.text_layer = 1;
    ocr.language = OcrLanguage(options_.Language);
    ocr.replace_layer = 1;
    ocr.keep_image = 1;

    XDW_OPEN_MODE mode{};
    mode.size = sizeof mode;
    mode.for_update = 1;
    mode.share = 1;
    XDW_DOCUMENT_HANDLE document = nullptr;
    const int opened = engine_.OpenDocumentHandle(options_.OutPath, &document, mode);
    if (opened < 0) {
        // There is no document to work on.
        const std::string reason = Reason(opened);
        ReportError(opened);
        Fail(ExitStatus::kIncomplete, reason);
        return;
    }
    AddLog("xdwファイルをオープンしました。");

    XDW_DOCUMENT_INFO info{};
    info.size = sizeof info;
    engine_.GetDocumentInformation(document, &info);
    AddLog(std::to_string(info.pages) + "ページ処理します。");

    bool stopped = false;
    for (int page = 1; page <= info.pages; ++page) {
        if (cancelRequested_) break;
        // A termination ends the pass between pages; the document stays as
        // it was written, without the pages' text.
        if (TerminationRequested()) {
            AddLog(kStoppedLine);
            Fail(ExitStatus::kCancelled, kStoppedLine);
            stopped = true;
            break;
        }
        if (options_.AutoRotate) {
            ShowProgress(RunProgress::Step::kRotating, page, info.pages);
            try {
                const int rotated = engine_.RotatePageAuto(document, page);
                if (rotated != 0) {
                    Fail(ExitStatus::kIncomplete, Reason(rotated));
                    ReportError(rotated);
                } else {
                    AddLog(std::to_string(page) + "ページを自動正立しました。");
                }
            } catch (const std::exception& error) {
                AddLog(std::string("自動正立エラー：") + error.what());
                Fail(ExitStatus::kIncomplete, std::string("自動正立エラー：") + error.what());
            }
        }
        ShowProgress(RunProgress::Step::kRecognising, page, info.pages);
        try {
            const int recognised = engine_.ApplyOcr(document, page, kOcrEngine, ocr);
            if (recognised != 0) {
                Fail(ExitStatus::kIncomplete, Reason(recognised));
                ReportError(recognised);
            } else {
                AddLog(std::to_string(page) + "ページをOCRしました。");
            }
        } catch (const std::exception& error) {
            AddLog(std::string("OCRエラー：") + error.what());
            Fail(ExitStatus::kIncomplete, std::string("OCRエラー：") + error.what());
        }
    }

    // A cancel stops between pages too: the page being recognised is
    // finished, the rest are not asked for and nothing is saved, so the
    // document stays as it was converted.
    if (cancelRequested_ && !stopped) {
        LogCancelled();
        stopped = true;
    }
    if (!stopped) {
        ShowProgress(RunProgress::Step::kSaving);
        const int saved = engine_.SaveDocument(document);
        if (saved < 0) {
            Fail(ExitStatus::kIncomplete, Reason(saved));
            ReportError(saved);
        } else {
            AddLog("xdwファイルを保存しました。");
        }
    }
    engine_.CloseDocumentHandle(document);
}

}  // namespace quilbex
