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

void FakeWindow::Journal(const std::string& entry) {
    journal.push_back(entry);
    if (onJournal) onJournal(entry);
}

void FakeWindow::AppendLog(const std::string& line) {
    Journal("AppendLog " + line);
    log.push_back(line);
}

void FakeWindow::ClearLog() {
    Journal("ClearLog");
    log.clear();
}

bool FakeWindow::IsChecked(OptionBox box) const {
    const auto it = checked.find(box);
    return it != checked.end() && it->second;
}

void FakeWindow::SetChecked(OptionBox box, bool value) {
    Journal(std::string("SetChecked ") + BoxName(box) + (value ? " 1" : " 0"));
    checked[box] = value;
}

void FakeWindow::SetCaption(const std::string& text) {
    Journal("SetCaption " + text);
    caption = text;
}

void FakeWindow::FocusDeleteSource() { Journal("FocusDeleteSource"); }

void FakeWindow::ShowBanner() { Journal("ShowBanner"); }

void FakeWindow::ShowMessage(const std::string& text) {
    Journal("ShowMessage " + text);
    messages.push_back(text);
}

void FakeWindow::ShowErrorMessage(const std::string& text) {
    Journal("ShowErrorMessage " + text);
    errorMessages.push_back(text);
}

void FakeWindow::SetTimerEnabled(bool enabled) {
    Journal(enabled ? "SetTimerEnabled 1" : "SetTimerEnabled 0");
    timerEnabled = enabled;
}

void FakeWindow::ShowSettingsDialog() {
    Journal("ShowSettingsDialog");
    if (onSettingsDialog) onSettingsDialog();
}

void FakeWindow::RequestClose() {
    Journal("RequestClose");
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
