#include "run/ConversionRun.h"

#include <utility>

#include "run/Leftovers.h"
#include "run/RunPlan.h"
#include "run/Settings.h"
#include "run/Version.h"

namespace quilbex {

ConversionRun::ConversionRun(WindowOps& window, docuworks::Api& engine,
                             std::vector<std::string> args, Clock clock)
    : run_(window, engine, std::move(args), std::move(clock)) {}

std::string MainCaption() { return std::string("Quilbex for DocuWorks ") + VersionText(); }

void ConversionRun::FormCreate(const std::string& exeDir) { run_.exeDir = exeDir; }

void ConversionRun::FormShow() {
    run_.window.SetCaption(MainCaption());
    run_.window.FocusDeleteSource();
    PlanRun();
}

void ConversionRun::FormDestroy() {
    if (finalized_) return;
    finalized_ = true;
    run_.engine.Finalize();
}

void ConversionRun::acExecuteExecute() { execute_.Execute(); }
void ConversionRun::acCloseExecute() { run_.window.RequestClose(); }
void ConversionRun::acAppCancelExecute() {
    if (execute_.Waiting()) {
        execute_.CancelWaiting();
        return;
    }
    monitor_.Cancel();
}

void ConversionRun::Timer1Timer() {
    if (execute_.Waiting()) {
        execute_.PollTurn();
        return;
    }
    monitor_.Poll();
}

void ConversionRun::HandleException(const std::exception& error) { log_.HandleException(error); }

void ConversionRun::PlanRun() {
    RemoveTemporaryLeftovers();
    const SettingsFile settings(run_.exeDir + kSettingsFileName);
    // A FIFO or a device in its place is never read (it could block the start
    // for ever); the defaults apply.
    const std::string note =
        settings.Usable() ? settingsNote_ : NotRegularSettingsMessage(settings.Path());
    if (!note.empty()) {
        if (run_.args.empty()) {
            run_.window.ShowMessage(note);
        } else {
            run_.outcome.Note(note);
        }
    }
    RunOptions& options = run_.options;
    ReadRunOptions(settings, options);
    if (run_.args.empty()) {
        run_.window.ShowSettingsDialog();
        run_.window.RequestClose();
        return;
    }
    ApplyExtensionLists(run_.SourceExtension(), options);
    if (!options.ShowSetting) {
        run_.window.ShowBanner();
        acExecuteExecute();
    }
    run_.window.SetChecked(OptionBox::DeleteSource, options.DelFile);
    run_.window.SetChecked(OptionBox::Ocr, options.OCR);
    run_.window.SetChecked(OptionBox::AutoRotate, options.AutoRotate);
}

void ConversionRun::NobodyToAnswer() {
    if (run_.options.ShowSetting) run_.outcome.Report(RunEvent::kNobodyToAnswer);
}

void ConversionRun::Terminate() {
    // A run working on the worker sees the termination between its steps;
    // the OCR page under way is not waited for.
    if (run_.working) run_.engine.CancelOcr();
    if (log_.Finished() || run_.working) return;
    if (execute_.Waiting()) {
        execute_.CancelWaiting();
        return;
    }
    if (monitor_.Monitoring()) {
        // Once is enough: the monitor sees phase 7 and then 9.
        if (!run_.cancel.ActionWasUsed()) acAppCancelExecute();
        return;
    }
    run_.outcome.Report(RunEvent::kEndingCancels);
    run_.window.RequestClose();
}

void ConversionRun::Abandon() { run_.cancel.WindowGone(); }

}  // namespace quilbex
