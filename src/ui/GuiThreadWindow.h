// The window operations as the worker uses them: every call made on another
// thread is carried out on the window's thread, in order, and waited for, so
// log lines, dialogs and the saved log come out exactly as in a run that
// blocks its window. Calls from the window's own thread go straight through.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>

#include "run/WindowOps.h"

class QObject;

namespace quilbex {

class GuiThreadWindow : public WindowOps {
public:
    // context: an object living on the window's thread, alive as long as target.
    GuiThreadWindow(WindowOps& target, QObject* context);

    // The window is going away: calls from other threads do nothing from now
    // on (reads give empty answers) and calls waiting for the window return.
    void Close();

    void AppendLog(const std::string& line) override;
    void ClearLog() override;
    std::vector<std::string> LogLines() const override;
    bool IsChecked(OptionBox box) const override;
    void SetChecked(OptionBox box, bool checked) override;
    void SetCaption(const std::string& caption) override;
    void FocusDeleteSource() override;
    void ShowBanner() override;
    void ShowMessage(const std::string& text) override;
    void ShowErrorMessage(const std::string& text) override;
    void SetTimerEnabled(bool enabled) override;
    void ShowProgress(const RunProgress& progress) override;
    void AnnounceOutcome(const RunOutcome& outcome) override;
    void ShowSettingsDialog() override;
    void RequestClose() override;

private:
    struct Shared {
        std::mutex mutex;
        std::condition_variable changed;
        bool closed = false;
    };

    // Runs call on the window's thread and waits for it.
    template <typename Call>
    void OnWindowThread(Call&& call) const;

    WindowOps& target_;
    QObject* context_;
    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
};

}  // namespace quilbex
