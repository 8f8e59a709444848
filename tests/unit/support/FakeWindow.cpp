#include "FakeWindow.h"

namespace quilbex::testing {

const char* BoxName(OptionBox box) {
    switch (box) {
        case OptionBox::DeleteSource:
            return "DeleteSource";
        case OptionBox::Ocr:
            return "Ocr";
        case OptionBox::AutoRotate:
            return "AutoRotate";
    }
    return "?";
}

void FakeWindow::AppendLog(const std::string& line) {
    journal.push_back("AppendLog " + line);
    log.push_back(line);
}

void FakeWindow::ClearLog() {
    journal.push_back("ClearLog");
    log.clear();
}

bool FakeWindow::IsChecked(OptionBox box) const {
    const auto it = checked.find(box);
    return it != checked.end() && it->second;
}

void FakeWindow::SetChecked(OptionBox box, bool value) {
    journal.push_back(std::string("SetChecked ") + BoxName(box) + (value ? " 1" : " 0"));
    checked[box] = value;
}

void FakeWindow::SetCaption(const std::string& text) {
    journal.push_back("SetCaption " + text);
    caption = text;
}

void FakeWindow::FocusDeleteSource() { journal.push_back("FocusDeleteSource"); }

void FakeWindow::ShowBanner() { journal.push_back("ShowBanner"); }

void FakeWindow::ShowMessage(const std::string& text) {
    journal.push_back("ShowMessage " + text);
    messages.push_back(text);
}

void FakeWindow::ShowErrorMessage(const std::string& text) {
    journal.push_back("ShowErrorMessage " + text);
    errorMessages.push_back(text);
}

void FakeWindow::SetTimerEnabled(bool enabled) {
    journal.push_back(enabled ? "SetTimerEnabled 1" : "SetTimerEnabled 0");
    timerEnabled = enabled;
}

void FakeWindow::ShowSettingsDialog() {
    journal.push_back("ShowSettingsDialog");
    if (onSettingsDialog) onSettingsDialog();
}

void FakeWindow::RequestClose() {
    journal.push_back("RequestClose");
    ++closeRequests;
}

std::vector<std::string> FakeWindow::Entries(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const auto& entry : journal) {
        if (entry.rfind(prefix, 0) == 0) found.push_back(entry);
    }
    return found;
}

}  // namespace quilbex::testing
