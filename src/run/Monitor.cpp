// Application-print monitor: the timer's poll of a conversion that runs inside
// the engine, and the cancel action.
#include "run/ConversionRun.h"
#include "run/RunLog.h"

namespace quilbex {

namespace {

// What the window shows for a phase; the page counter only while pages are generated.
RunProgress ProgressOf(const XDW_CREATION_STATUS& status) {
    using Step = RunProgress::Step;
    switch (status.phase) {
        case XDW_PHASE_STARTED:
            return {Step::kStarting};
        case XDW_PHASE_PRINTING:
            return {Step::kLayingOut};
        case XDW_PHASE_GENERATING:
            return {Step::kGenerating, status.page, status.total_pages};
        case XDW_PHASE_ATTACHING:
            return {Step::kAttaching};
        case XDW_PHASE_WRITING:
            return {Step::kWriting};
        case XDW_PHASE_CANCELLING:
            return {Step::kCancelling};
        default:
            return {Step::kNone};
    }
}

}  // namespace

void ConversionRun::EndMonitoring() {
    engine_.EndCreationFromAppFile(options_.CreateHandle);
    monitoring_ = false;
    window_.SetTimerEnabled(false);
    ShowProgress(RunProgress::Step::kNone);
}

void ConversionRun::Timer1Timer() {
    if (!monitoring_) return;
    XDW_CREATION_STATUS status{};
    status.size = sizeof status;
    engine_.GetStatusCreationFromAppFile(options_.CreateHandle, &status);
    // Every poll moves the progress on; the log hears only of new phases.
    const RunProgress progress = ProgressOf(status);
    if (progress.step != RunProgress::Step::kNone) window_.ShowProgress(progress);
    if (status.phase == options_.LastPhase) return;
    options_.LastPhase = status.phase;

    switch (status.phase) {
        case XDW_PHASE_STARTED:
            AddLog("変換を開始しました。");
            break;
        case XDW_PHASE_PRINTING:
            AddLog("ｱﾌﾟﾘｹｰｼｮﾝで印刷しています。");
            break;
        case XDW_PHASE_GENERATING:
            AddLog("ﾍﾟｰｼﾞを生成しています。" + std::to_string(status.page) + "/" +
                   std::to_string(status.total_pages));
            break;
        case XDW_PHASE_ATTACHING:
            AddLog("ｵﾘｼﾞﾅﾙﾌｧｲﾙを添付しています。");
            break;
        case XDW_PHASE_WRITING:
            AddLog("ﾌｧｲﾙに書き出しています。");
            break;
        case XDW_PHASE_CANCELLING:
            AddLog("変換を中止しています。");
            break;
        case XDW_PHASE_FINISHED:
            AddLog("変換が終了しました。");
            EndMonitoring();
            AddLog("XDW出力完了しました。");
            outcome_.status = ExitStatus::kDone;
            outcome_.outPath = options_.OutPath;
            DeleteSourceWhenAsked();
            FinishRun();
            break;
        case XDW_PHASE_CANCELLED: {
            AddLog(kStoppedLine);
            EndMonitoring();
            // The engine names what went wrong; without a reason the end was
            // the cancel asked for.
            const std::string why = engine_.LastErrorText();
            if (!why.empty()) {
                Fail(ExitStatus::kFailed, std::string(kStoppedLine) + " (" + why + ")");
            } else {
                Fail(cancelAsked_ ? ExitStatus::kCancelled : ExitStatus::kFailed, kStoppedLine);
            }
            FinishRun();
            break;
        }
        default:
            break;
    }
}

void ConversionRun::acAppCancelExecute() {
    if (working_) {
        // The engine is busy on the worker and takes calls from one thread
        // only: the worker stops at its next step.
        if (!cancelRequested_.exchange(true)) {
            AddLog("変換を中止しています。");
            ShowProgress(RunProgress::Step::kCancelling);
        }
        return;
    }
    CancelAppConversion();
}

void ConversionRun::CancelAppConversion() {
    cancelAsked_ = true;
    const int result = engine_.CancelCreationFromAppFile(options_.CreateHandle);
    if (result < 0) {
        ReportError(result);
    } else if (monitoring_) {
        cancelRequested_ = true;
    }
}

}  // namespace quilbex
