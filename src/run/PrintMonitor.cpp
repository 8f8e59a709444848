#include "run/PrintMonitor.h"

#include "run/Termination.h"

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

// Every bit set: the original file is attached to the document.
constexpr int kAttachOriginal = -1;

}  // namespace

int PrintMonitor::StartConversion() {
    // The first phase seen is always a new one.
    run_.options.LastPhase = -1;
    return run_.engine.BeginCreationFromAppFile(run_.Source(), run_.options.OutPath,
                                                kAttachOriginal, &run_.options.CreateHandle);
}

void PrintMonitor::Begin() {
    monitoring_ = true;
    // Closing the window from here on leaves no document: a cancel.
    run_.outcome.Report(RunEvent::kEndingCancels);
    // A cancel or a termination that came while printing was being started
    // goes to the engine now; the monitor then sees it stop.
    if (StopAsked()) CancelAppConversion();
    log_.ShowProgress(RunProgress::Step::kStarting);
    // Last: the window's timer calls the engine from here on.
    run_.window.SetTimerEnabled(true);
}

bool PrintMonitor::StopAsked() const { return run_.cancel.Requested() || TerminationRequested(); }

void PrintMonitor::EndMonitoring() {
    run_.engine.EndCreationFromAppFile(run_.options.CreateHandle);
    monitoring_ = false;
    run_.window.SetTimerEnabled(false);
    log_.ShowProgress(RunProgress::Step::kNone);
}

void PrintMonitor::Poll() {
    // The worker that started the conversion may not have handed over yet.
    if (!monitoring_ || run_.working) return;
    // A stop asked for after the worker's last look (a signal or キャンセル
    // that came while it handed over) reaches the engine now.
    if (StopAsked() && !run_.cancel.ActionWasUsed()) CancelAppConversion();
    XDW_CREATION_STATUS status{};
    status.size = sizeof status;
    run_.engine.GetStatusCreationFromAppFile(run_.options.CreateHandle, &status);
    // Every poll moves the progress on; the log hears only of new phases.
    const RunProgress progress = ProgressOf(status);
    if (progress.step != RunProgress::Step::kNone) run_.window.ShowProgress(progress);
    if (status.phase == run_.options.LastPhase) return;
    run_.options.LastPhase = status.phase;
    OnPhase(status);
}

void PrintMonitor::OnPhase(const XDW_CREATION_STATUS& status) {
    switch (status.phase) {
        case XDW_PHASE_STARTED:
            log_.AddLog("変換を開始しました。");
            break;
        case XDW_PHASE_PRINTING:
            log_.AddLog("ｱﾌﾟﾘｹｰｼｮﾝで印刷しています。");
            break;
        case XDW_PHASE_GENERATING:
            log_.AddLog("ﾍﾟｰｼﾞを生成しています。" + std::to_string(status.page) + "/" +
                        std::to_string(status.total_pages));
            break;
        case XDW_PHASE_ATTACHING:
            log_.AddLog("ｵﾘｼﾞﾅﾙﾌｧｲﾙを添付しています。");
            break;
        case XDW_PHASE_WRITING:
            log_.AddLog("ﾌｧｲﾙに書き出しています。");
            break;
        case XDW_PHASE_CANCELLING:
            log_.AddLog("変換を中止しています。");
            break;
        case XDW_PHASE_FINISHED:
            OnFinished();
            break;
        case XDW_PHASE_CANCELLED:
            OnCancelled();
            break;
        default:
            break;
    }
}

void PrintMonitor::OnFinished() {
    log_.AddLog("変換が終了しました。");
    EndMonitoring();
    log_.AddLog("XDW出力完了しました。");
    run_.outcome.Written(run_.options.OutPath);
    if (StopAsked()) {
        // The stop came too late to stop the conversion: the document is
        // complete and stays, and so does the source.
        log_.LogCancelled();
        log_.FinishRun();
        return;
    }
    // No OCR pass follows a printed document, whatever it was printed from.
    deletion_.DeleteWhenAsked();
    log_.FinishRun();
}

void PrintMonitor::OnCancelled() {
    log_.AddLog(kStoppedLine);
    EndMonitoring();
    // The engine names what went wrong; without a reason the end was the
    // cancel asked for.
    const EngineReason why = ReadEngineReason(run_.engine);
    if (why.kind != XDW_REASON_NONE) {
        log_.Fail(RunEvent::kConversionFailed, log_.Sentence(XDW_E_FAIL, why));
    } else if (!why.prose.empty()) {
        log_.Fail(RunEvent::kConversionFailed, std::string(kStoppedLine) + " (" + why.prose + ")");
    } else {
        log_.Fail(run_.cancel.ActionWasUsed() ? RunEvent::kStopped : RunEvent::kConversionFailed,
                  kStoppedLine);
    }
    log_.FinishRun();
}

void PrintMonitor::Cancel() {
    if (run_.working) {
        // The engine is busy on the worker, and a run's calls are made from
        // one thread at a time: the worker stops at its next step, and the
        // page being read stops within moments.
        if (run_.cancel.Request()) {
            log_.AddLog("変換を中止しています。");
            log_.ShowProgress(RunProgress::Step::kCancelling);
            run_.engine.CancelOcr();
        }
        return;
    }
    CancelAppConversion();
}

void PrintMonitor::CancelAppConversion() {
    run_.cancel.ActionUsed();
    const int result = run_.engine.CancelCreationFromAppFile(run_.options.CreateHandle);
    if (result < 0) {
        log_.ReportError(result);
    } else if (monitoring_) {
        run_.cancel.Request();
    }
}

}  // namespace quilbex
