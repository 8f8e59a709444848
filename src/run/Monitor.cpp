// Application-print monitor: the timer's poll of a conversion that runs inside
// the engine, and the cancel action.
#include "run/ConversionRun.h"
#include "run/RunLog.h"

namespace quilbex {

void ConversionRun::Timer1Timer() {
    if (!monitoring_) return;
    XDW_CREATION_STATUS status{};
    status.size = sizeof status;
    engine_.GetStatusCreationFromAppFile(options_.CreateHandle, &status);
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
            engine_.EndCreationFromAppFile(options_.CreateHandle);
            monitoring_ = false;
            window_.SetTimerEnabled(false);
            AddLog("XDW出力完了しました。");
            outcome_.status = ExitStatus::kDone;
            outcome_.outPath = options_.OutPath;
            DeleteSourceWhenAsked();
            FinishRun();
            break;
        case XDW_PHASE_CANCELLED: {
            AddLog(kStoppedLine);
            engine_.EndCreationFromAppFile(options_.CreateHandle);
            // The engine names what went wrong; without a reason the end was
            // the cancel asked for.
            const std::string why = engine_.LastErrorText();
            if (!why.empty()) {
                Fail(ExitStatus::kFailed, std::string(kStoppedLine) + " (" + why + ")");
            } else {
                Fail(cancelAsked_ ? ExitStatus::kCancelled : ExitStatus::kFailed, kStoppedLine);
            }
            monitoring_ = false;
            window_.SetTimerEnabled(false);
            FinishRun();
            break;
        }
        default:
            break;
    }
}

void ConversionRun::acAppCancelExecute() {
    cancelAsked_ = true;
    const int result = engine_.CancelCreationFromAppFile(options_.CreateHandle);
    if (result < 0) ReportError(result);
}

}  // namespace quilbex
