// What the run logic may do to the main window and the desktop. The Qt main
// window implements it; the tests use a fake that records every call.
#pragma once

#include <string>
#include <vector>

#include "run/RunOutcome.h"
#include "run/RunProgress.h"

namespace quilbex {

enum class OptionBox { DeleteSource, Ocr, AutoRotate };

class WindowOps {
public:
    virtual ~WindowOps() = default;

    // The log pane.
    virtual void AppendLog(const std::string& line) = 0;
    virtual void ClearLog() = 0;
    virtual std::vector<std::string> LogLines() const = 0;

    // The three option boxes (ckDelFile, ckOCR, ckAutoRotate). Setting ckOCR
    // from code fires its click handler when the state changes.
    virtual bool IsChecked(OptionBox box) const = 0;
    virtual void SetChecked(OptionBox box, bool checked) = 0;

    virtual void SetCaption(const std::string& caption) = 0;
    virtual void FocusDeleteSource() = 0;

    // The "変換中…" banner over the option panel of an automatic run.
    virtual void ShowBanner() = 0;

    // Modal box with an OK button, titled with the application title: no icon
    // for reported failures, the error icon for the default error handler.
    virtual void ShowMessage(const std::string& text) = 0;
    virtual void ShowErrorMessage(const std::string& text) = 0;

    // The 250 ms poll timer (Timer1).
    virtual void SetTimerEnabled(bool enabled) = 0;

    // The settings dialog, shown modally; returns when it has been closed.
    virtual void ShowSettingsDialog() = 0;

    // What the run is doing and how far it has got; Step::kNone when it rests.
    virtual void ShowProgress(const RunProgress& progress) = 0;

    // The end of an automatic run: tell the desktop what became of the file.
    virtual void AnnounceOutcome(const RunOutcome& outcome) = 0;

    // Ask for the main window to close; it takes effect once control is back
    // in the event loop, so the window and its controls stay usable until then.
    virtual void RequestClose() = 0;
};

}  // namespace quilbex
