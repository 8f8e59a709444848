// Conversion dispatch: the Execute action, which works out the output path,
// picks the route by the source's extension and carries a direct conversion
// to its end on the worker.
#include <climits>
#include <stdexcept>

#include "run/ConversionRun.h"
#include "run/FileText.h"
#include "run/Leftovers.h"
#include "run/OutputTarget.h"
#include "run/RunLog.h"
#include "run/Termination.h"

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
    if (options_.DelFile && !DeleteFilePermanently(Source())) {
        AddLog(kDeleteFailedLine);
        Fail(ExitStatus::kIncomplete, kDeleteFailedLine);
    }
}

void ConversionRun::RefuseRun(const std::string& text) {
    AddLog(text);
    if (options_.ShowSetting) window_.ShowMessage(text);
    Fail(ExitStatus::kFailed, text);
    FinishRun();
}

bool ConversionRun::StoppedByTermination() {
    if (!TerminationRequested()) return false;
    AddLog(kStoppedLine);
    Fail(ExitStatus::kCancelled, kStoppedLine);
    FinishRun();
    return true;
}

std::string ConversionRun::OutputFolder() {
    int queried = 0;
    const std::string defaultFolder = DefaultOutputFolder(engine_, queried);
    if (!options_.SaveDir.empty()) return options_.SaveDir;
    // Never the root folder by accident: without a documents folder there is
    // nowhere to write. Without an engine, that is what the user learns.
    if (queried == XDW_E_NOT_INSTALLED) {
        const std::string reason = Reason(queried);
        ReportError(queried);
        Fail(ExitStatus::kFailed, reason);
        FinishRun();
        return {};
    }
    if (defaultFolder.empty()) {
        RefuseRun(kNoOutputFolderMessage);
        return {};
    }
    // The engine makes the documents folder when a document goes there.
    options_.SaveDir = defaultFolder;
    return options_.SaveDir;
}

bool ConversionRun::NameFits(const std::string& name) {
    const std::string fileName = ChangeFileExt(name, ".xdw");
    if (name.find(kPathDelimiter) != std::string::npos) {
        RefuseRun(NameLeavesFolderMessage(name));
        return false;
    }
    if (fileName.size() > NAME_MAX) {
        RefuseRun(NameTooLongMessage(options_.OutPath));
        return false;
    }
    return true;
}

void ConversionRun::ShowProgress(RunProgress::Step step, int current, int total) {
    window_.ShowProgress(RunProgress{step, current, total});
}

void ConversionRun::LogCancelled() {
    AddLog(kStoppedLine);
    Fail(ExitStatus::kCancelled, kStoppedLine);
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
    // Until the run says otherwise, an end here is a failure.
    outcome_.status = ExitStatus::kFailed;
    outcome_.reason.clear();
    outcome_.outPath.clear();
    cancelAsked_ = false;

    if (OutputFolder().empty()) return;
    RemoveLeftovers(options_.SaveDir);
    const std::string name = ComposeOutputName(options_.FileName, Source(), clock_());
    AddLog("[" + options_.SaveDir + "]へXDW出力します…");
    options_.OutPath = BuildOutPath(options_.SaveDir, name);
    if (!NameFits(name) || StoppedByTermination()) return;
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
            const std::string reason = Reason(started);
            ReportError(started);
            Fail(ExitStatus::kFailed, reason);
            CancelAppConversion();
            FinishRun();
            return;
        }
        monitoring_ = true;
        // Closing the window from here on leaves no document: a cancel.
        outcome_.status = ExitStatus::kCancelled;
        // A cancel or a termination that came while printing was being
        // started goes to the engine now; the monitor then sees it stop.
        if (cancelRequested_ || TerminationRequested()) CancelAppConversion();
        ShowProgress(RunProgress::Step::kStarting);
        window_.SetTimerEnabled(true);
        return;
    }

    AddLog("XDW出力完了しました。");
    outcome_.status = ExitStatus::kDone;
    outcome_.outPath = options_.OutPath;
    // A termination asked for during the conversion: the document is complete
    // and stays, nothing more is done to it or to the source.
    if (StoppedByTermination()) return;
    if (cancelRequested_) {
        // The document stays as converted; the source stays too.
        LogCancelled();
        FinishRun();
        return;
    }
    // The converted document is complete: the source may go, before the OCR
    // pass, which only adds a text layer to what is already there.
    DeleteSourceWhenAsked();
    if (options_.OCR) RunOcrPass();
    if (cancelRequested_ && outcome_.status != ExitStatus::kCancelled) {
        // A pass stopped by the user leaves the document as converted.
        LogCancelled();
    }
    FinishRun();
}

}  // namespace quilbex
