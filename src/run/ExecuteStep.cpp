#include "run/ExecuteStep.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <stdexcept>
#include <utility>

#include "run/Leftovers.h"
#include "run/OutputTarget.h"
#include "run/PathText.h"
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

// How far ahead a name made from the time may go to find a free second.
constexpr int kNameSecondsAhead = 3600;

bool Exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

}  // namespace

std::string ExecuteStep::OutputFolder() {
    RunOptions& options = run_.options;
    int queried = 0;
    const std::string defaultFolder = DefaultOutputFolder(run_.engine, queried);
    if (!options.SaveDir.empty()) {
        // A relative folder would be wherever the program was started.
        if (options.SaveDir.front() != kPathDelimiter || HasControlCharacter(options.SaveDir)) {
            log_.RefuseRun(SaveDirUnusableMessage(options.SaveDir));
            return {};
        }
        return options.SaveDir;
    }
    // Never the root folder by accident: without a documents folder there is
    // nowhere to write. Without an engine, that is what the user learns.
    if (queried == XDW_E_NOT_INSTALLED) {
        log_.FailOn(queried, RunEvent::kConversionFailed);
        log_.FinishRun();
        return {};
    }
    if (defaultFolder.empty()) {
        log_.RefuseRun(kNoOutputFolderMessage);
        return {};
    }
    // The engine makes the documents folder when a document goes there.
    options.SaveDir = defaultFolder;
    return options.SaveDir;
}

bool ExecuteStep::NameFits(const std::string& name) {
    const std::string fileName = ChangeFileExt(name, ".xdw");
    if (name.find(kPathDelimiter) != std::string::npos) {
        log_.RefuseRun(NameLeavesFolderMessage(name));
        return false;
    }
    // A hidden name is no document anyone finds, and partial documents are
    // hidden names the next run removes.
    if (fileName.front() == '.' || HasControlCharacter(fileName)) {
        log_.RefuseRun(NameUnusableMessage(fileName));
        return false;
    }
    if (fileName.size() > NAME_MAX) {
        log_.RefuseRun(NameTooLongMessage(run_.options.OutPath));
        return false;
    }
    return true;
}

void ExecuteStep::Execute() {
    // Nothing to convert; and while a conversion is being followed or worked
    // on, a second start would lose the handle or the engine of the first.
    if (run_.args.empty() || monitor_.Monitoring() || run_.working || waiting_) return;
    Prepare();
    if (run_.turns->TakeTurn(ahead_)) {
        Proceed();
        return;
    }
    waiting_ = true;
    log_.AddLog(WaitingLine(ahead_));
    log_.ShowProgress(RunProgress::Step::kWaiting, ahead_);
    run_.window.SetTimerEnabled(true);
}

void ExecuteStep::PollTurn() {
    if (!waiting_) return;
    int ahead = 0;
    if (!run_.turns->TakeTurn(ahead)) {
        if (ahead != ahead_) log_.ShowProgress(RunProgress::Step::kWaiting, ahead);
        ahead_ = ahead;
        return;
    }
    waiting_ = false;
    run_.window.SetTimerEnabled(false);
    log_.ShowProgress(RunProgress::Step::kNone);
    Proceed();
}

void ExecuteStep::CancelWaiting() {
    if (!waiting_) return;
    waiting_ = false;
    run_.window.SetTimerEnabled(false);
    log_.LogCancelled();
    log_.FinishRun();
}

void ExecuteStep::Proceed() {
    if (!Target()) return;

    const Route route = RouteFor(run_.Source());
    deletion_.SourceOpened();
    run_.cancel.ConversionBegins();
    StartWork([this, route] { ConvertOnWorker(route); });
}

void ExecuteStep::StartWork(std::function<void()> job) {
    run_.working = true;
    run_.worker->Start(
        [this, job = std::move(job)] {
            // The worker has no event handler around it: an error that
            // escapes the run goes to the default error handler from here.
            try {
                job();
            } catch (const std::exception& error) {
                log_.HandleException(error);
            } catch (...) {
                log_.HandleException(std::runtime_error("予期しないエラーが発生しました"));
            }
        },
        [this] { run_.working = false; });
}

void ExecuteStep::Prepare() {
    RunOptions& options = run_.options;
    if (options.ShowSetting) {
        options.DelFile = run_.window.IsChecked(OptionBox::DeleteSource);
        options.OCR = run_.window.IsChecked(OptionBox::Ocr);
        options.AutoRotate = run_.window.IsChecked(OptionBox::AutoRotate);
    }
    run_.window.ClearLog();
    run_.outcome.ExecuteBegins();
    run_.cancel.ExecuteBegins();
}

std::string ExecuteStep::FreeName(const std::string& folder) {
    const std::string& pattern = run_.options.FileName;
    std::tm when = run_.clock();
    std::string name = ComposeOutputName(pattern, run_.Source(), when);
    if (!NameChangesEachSecond(pattern, run_.Source(), when)) {
        run_.turns->ClaimName(BuildOutPath(folder, name));
        return name;
    }
    for (int later = 0; later < kNameSecondsAhead; ++later) {
        const std::string path = BuildOutPath(folder, name);
        if (!Exists(path) && run_.turns->ClaimName(path)) break;
        when = SecondsLater(when, 1);
        name = ComposeOutputName(pattern, run_.Source(), when);
    }
    return name;
}

bool ExecuteStep::Target() {
    RunOptions& options = run_.options;
    if (OutputFolder().empty()) return false;
    RemoveLeftovers(options.SaveDir);
    const std::string name = FreeName(options.SaveDir);
    log_.AddLog("[" + options.SaveDir + "]へXDW出力します…");
    options.OutPath = BuildOutPath(options.SaveDir, name);
    if (!NameFits(name) || log_.StoppedByTermination()) return false;
    run_.outcome.Converting(run_.Source());
    return true;
}

int ExecuteStep::ConvertDirectly(int route) {
    switch (route) {
        case kPdf:
            return run_.engine.CreateXdwFromImagePdfFile(run_.Source(), run_.options.OutPath);
        case kImage: {
            XDW_CREATE_OPTION option{};
            option.size = sizeof option;
            option.fit_to_resolution = 1;
            return run_.engine.CreateXdwFromImageFile(run_.Source(), run_.options.OutPath, option);
        }
        default:
            return kNoDirectRoute;
    }
}

void ExecuteStep::ConvertOnWorker(int route) {
    log_.ShowProgress(RunProgress::Step::kConverting);
    const int result = ConvertDirectly(route);
    if (result >= 0) {
        AfterDirectConversion();
    } else if (run_.cancel.Requested()) {
        // Stopped before application printing began: nothing was made.
        log_.LogCancelled();
        log_.FinishRun();
    } else if (result == XDW_E_PASSWORD_PROTECTED) {
        // Printing could not open it either: the refusal stands.
        log_.FailOn(result, RunEvent::kConversionFailed);
        log_.FinishRun();
    } else {
        // A refused direct conversion is not reported: application printing follows.
        PrintWithApplication();
    }
}

void ExecuteStep::PrintWithApplication() {
    const int started = monitor_.StartConversion();
    if (started < 0) {
        log_.FailOn(started, RunEvent::kConversionFailed);
        monitor_.CancelAppConversion();
        log_.FinishRun();
        return;
    }
    // Where the system cannot give LibreOffice its sandbox, the log says so.
    char missing[512] = {};
    if (run_.engine.GetInformation(XDW_GI_PRINT_SANDBOX, missing, sizeof missing) > 0)
        log_.AddLog(std::string("LibreOffice はサンドボックスなしで印刷します（") + missing +
                    "）。");
    monitor_.Begin();
}

bool ExecuteStep::SourceChangedWhileRead() {
    // The document may hold pages of neither version: it goes.
    if (!deletion_.ChangedInPlace()) return false;
    ::unlink(run_.options.OutPath.c_str());
    log_.AddLog(kSourceChangedLine);
    log_.Fail(RunEvent::kConversionFailed, kSourceChangedLine);
    log_.FinishRun();
    return true;
}

void ExecuteStep::AfterDirectConversion() {
    if (SourceChangedWhileRead()) return;
    log_.AddLog("XDW出力完了しました。");
    run_.outcome.Written(run_.options.OutPath);
    // A termination asked for during the conversion: the document is complete
    // and stays, nothing more is done to it or to the source.
    if (log_.StoppedByTermination()) return;
    if (run_.cancel.Requested()) {
        // The document stays as converted; the source stays too.
        log_.LogCancelled();
        log_.FinishRun();
        return;
    }
    ocr_.CompleteRun();
}

}  // namespace quilbex
