// Conversion dispatch: the Execute action, which works out the output path,
// picks the route by the source's extension and carries a direct conversion
// to its end on the worker.
#include <stdexcept>

#include "run/ConversionRun.h"
#include "run/FileText.h"
#include "run/OutputTarget.h"
#include "run/RunLog.h"

namespace quilbex {

namespace {

enum Route { kPdf, kImage, kAppPrint };

Route RouteFor(const std::string& source) {
    const std::string ext = UpperCase(ExtractFileExt(source));
    if (ext == ".PDF") return kPdf;
    if (ext == ".TIF" || ext == ".TIFF" || ext == ".JPEG" || ext == ".JPG") return kImage;
    return kAppPrint;
}

// Every bit set: the original file is attached to the document.
constexpr int kAttachOriginal = -1;

}  // namespace

void ConversionRun::DeleteSourceWhenAsked() {
    if (options_.DelFile && !DeleteFilePermanently(Source())) AddLog("元ファイル削除失敗");
}

void ConversionRun::ShowProgress(RunProgress::Step step, int current, int total) {
    window_.ShowProgress(RunProgress{step, current, total});
}

void ConversionRun::LogCancelled() {
    AddLog("変換を中止しました。");
    outcome_.status = ExitStatus::kCancelled;
}

void ConversionRun::acExecuteExecute() {
    // Nothing to convert; and while a conversion is being followed or worked
    // on, a second start would lose the handle or the engine of the first.
    if (args_.empty() || monitoring_ || working_) return;

    if (options_.ShowSetting) {
        options_.DelFile = window_.IsChecked(OptionBox::DeleteSource);
        options_.OCR = window_.IsChecked(OptionBox::Ocr);
        options_.AutoRotate = window_.IsChecked(OptionBox::AutoRotate);
    }
    window_.ClearLog();

    const std::string defaultFolder = DefaultOutputFolder(engine_);
    if (options_.SaveDir.empty()) options_.SaveDir = defaultFolder;
    const std::string name = ComposeOutputName(options_.FileName, Source(), clock_());
    AddLog("[" + options_.SaveDir + "]へXDW出力します…");
    options_.OutPath = BuildOutPath(options_.SaveDir, name);
    // Until the run says otherwise, an end is a failure.
    outcome_ = RunOutcome{};
    outcome_.status = ExitStatus::kFailed;
    outcome_.source = Source();

    const Route route = RouteFor(Source());
    cancelRequested_ = false;
    working_ = true;
    worker_->Start(
        [this, route] {
            // The worker has no event handler around it: an error that
            // escapes the run goes to the default error handler from here.
            try {
                ConvertOnWorker(route);
            } catch (const std::exception& error) {
                HandleException(error);
            } catch (...) {
                HandleException(std::runtime_error("予期しないエラーが発生しました"));
            }
        },
        [this] { working_ = false; });
}

void ConversionRun::ConvertOnWorker(int route) {
    ShowProgress(RunProgress::Step::kConverting);
    int result = kNoDirectRoute;
    switch (route) {
        case kPdf:
            result = engine_.CreateXdwFromImagePdfFile(Source(), options_.OutPath);
            break;
        case kImage: {
            XDW_CREATE_OPTION option{};
            option.size = sizeof option;
            option.fit_to_resolution = 1;
            result = engine_.CreateXdwFromImageFile(Source(), options_.OutPath, option);
            break;
        }
        default:
            break;
    }

    if (result < 0) {
        if (cancelRequested_) {
            // Stopped before application printing began: nothing was made.
            LogCancelled();
            FinishRun();
            return;
        }
        // A refused direct conversion is not reported: application printing follows.
        options_.LastPhase = -1;
        const int started = engine_.BeginCreationFromAppFile(
            Source(), options_.OutPath, kAttachOriginal, &options_.CreateHandle);
        if (started < 0) {
            ReportError(started);
            CancelAppConversion();
            FinishRun();
            return;
        }
        monitoring_ = true;
        // A cancel that came while printing was being started goes to the
        // engine now; the monitor then sees the conversion stop.
        if (cancelRequested_) CancelAppConversion();
        ShowProgress(RunProgress::Step::kStarting);
        window_.SetTimerEnabled(true);
        return;
    }

    AddLog("XDW出力完了しました。");
    outcome_.status = ExitStatus::kDone;
    outcome_.outPath = options_.OutPath;
    if (cancelRequested_) {
        // The document stays as converted; the source stays too.
        LogCancelled();
        FinishRun();
        return;
    }
    if (options_.OCR) {
        RunOcrPass();
    }
    if (cancelRequested_) {
        // A pass stopped by the user leaves the document as converted; a
        // cancel that came after the last page still keeps the source.
        if (outcome_.status != ExitStatus::kCancelled) LogCancelled();
        FinishRun();
        return;
    }
    // Only now is the document complete: the source may go.
    DeleteSourceWhenAsked();
    FinishRun();
}

}  // namespace quilbex
