// A main window that records every operation the run asks of it.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "run/WindowOps.h"

namespace quilbex::testing {

class FakeWindow : public WindowOps {
public:
    // Every operation in order, for example "AppendLog XDW出力完了しました。",
    // "SetChecked Ocr 1", "RequestClose". Reads (LogLines, IsChecked) are not recorded.
    struct Journal : std::vector<std::string> {
        std::function<void(const std::string&)> onEntry;  // runs after each entry
        void push_back(const std::string& entry) {
            std::vector<std::string>::push_back(entry);
            if (onEntry) onEntry(entry);
        }
    } journal;

    std::vector<std::string> log;  // the log pane
    std::map<OptionBox, bool> checked;
    std::string caption;
    bool timerEnabled = false;
    int closeRequests = 0;
    std::vector<std::string> messages;       // ShowMessage
    std::vector<std::string> errorMessages;  // ShowErrorMessage
    std::function<void()> onSettingsDialog;  // runs while the dialog is "open"
    // Not in the journal: every progress shown, and every outcome announced.
    std::vector<RunProgress> progress;
    std::vector<RunOutcome> outcomes;

    void AppendLog(const std::string& line) override;
    void ClearLog() override;
    std::vector<std::string> LogLines() const override { return log; }
    bool IsChecked(OptionBox box) const override;
    void SetChecked(OptionBox box, bool value) override;
    void SetCaption(const std::string& text) override;
    void FocusDeleteSource() override;
    void ShowBanner() override;
    void ShowMessage(const std::string& text) override;
    void ShowErrorMessage(const std::string& text) override;
    void SetTimerEnabled(bool enabled) override;
    void ShowProgress(const RunProgress& shown) override { progress.push_back(shown); }
    void AnnounceOutcome(const RunOutcome& outcome) override { outcomes.push_back(outcome); }
    void ShowSettingsDialog() override;
    void RequestClose() override;

    // The journal entries that start with prefix.
    std::vector<std::string> Entries(const std::string& prefix) const;
};

const char* BoxName(OptionBox box);

}  // namespace quilbex::testing
