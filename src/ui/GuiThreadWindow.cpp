#include "ui/GuiThreadWindow.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <exception>

namespace quilbex {

GuiThreadWindow::GuiThreadWindow(WindowOps& target, QObject* context)
    : target_(target), context_(context) {}

void GuiThreadWindow::Close() {
    {
        std::lock_guard lock(shared_->mutex);
        shared_->closed = true;
    }
    shared_->changed.notify_all();
}

template <typename Call>
void GuiThreadWindow::OnWindowThread(Call&& call) const {
    if (QThread::currentThread() == context_->thread()) {
        call();
        return;
    }
    const std::shared_ptr<Shared> shared = shared_;
    struct Outcome {
        bool done = false;
        std::exception_ptr error;
    };
    auto outcome = std::make_shared<Outcome>();
    {
        std::lock_guard lock(shared->mutex);
        if (shared->closed) return;
    }
    QMetaObject::invokeMethod(
        context_,
        [shared, outcome, &call] {
            // Closing happens on this thread too: once closed, the caller has
            // gone on and call must not be touched.
            {
                std::lock_guard lock(shared->mutex);
                if (shared->closed) return;
            }
            try {
                call();
            } catch (...) {
                outcome->error = std::current_exception();
            }
            {
                std::lock_guard lock(shared->mutex);
                outcome->done = true;
            }
            shared->changed.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(shared->mutex);
    shared->changed.wait(lock, [&] { return outcome->done || shared->closed; });
    if (outcome->done && outcome->error) std::rethrow_exception(outcome->error);
}

void GuiThreadWindow::AppendLog(const std::string& line) {
    OnWindowThread([&] { target_.AppendLog(line); });
}

void GuiThreadWindow::ClearLog() {
    OnWindowThread([&] { target_.ClearLog(); });
}

std::vector<std::string> GuiThreadWindow::LogLines() const {
    std::vector<std::string> lines;
    OnWindowThread([&] { lines = target_.LogLines(); });
    return lines;
}

bool GuiThreadWindow::IsChecked(OptionBox box) const {
    bool checked = false;
    OnWindowThread([&] { checked = target_.IsChecked(box); });
    return checked;
}

void GuiThreadWindow::SetChecked(OptionBox box, bool checked) {
    OnWindowThread([&] { target_.SetChecked(box, checked); });
}

void GuiThreadWindow::SetCaption(const std::string& caption) {
    OnWindowThread([&] { target_.SetCaption(caption); });
}

void GuiThreadWindow::FocusDeleteSource() {
    OnWindowThread([&] { target_.FocusDeleteSource(); });
}

void GuiThreadWindow::ShowBanner() {
    OnWindowThread([&] { target_.ShowBanner(); });
}

void GuiThreadWindow::ShowMessage(const std::string& text) {
    OnWindowThread([&] { target_.ShowMessage(text); });
}

void GuiThreadWindow::ShowErrorMessage(const std::string& text) {
    OnWindowThread([&] { target_.ShowErrorMessage(text); });
}

void GuiThreadWindow::SetTimerEnabled(bool enabled) {
    OnWindowThread([&] { target_.SetTimerEnabled(enabled); });
}

void GuiThreadWindow::ShowProgress(const RunProgress& progress) {
    OnWindowThread([&] { target_.ShowProgress(progress); });
}

void GuiThreadWindow::AnnounceOutcome(const RunOutcome& outcome) {
    OnWindowThread([&] { target_.AnnounceOutcome(outcome); });
}

void GuiThreadWindow::ShowSettingsDialog() {
    OnWindowThread([&] { target_.ShowSettingsDialog(); });
}

void GuiThreadWindow::RequestClose() {
    OnWindowThread([&] { target_.RequestClose(); });
}

}  // namespace quilbex
