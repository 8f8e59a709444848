// The end of an automatic run told by a helper process of its own: the
// program's second instance, started with kNotificationOption and detached
// from the run, shows the notification, waits for the user's answer and
// opens the document or folder chosen. The run's exit and status come at
// once, whatever the user does with the notification. The helper ends with
// its notification: once it is closed (whichever way), taken over by a later
// run of the batch, or once the program it was started from is removed.
#pragma once

#include <string>
#include <vector>

#include "ui/BatchNotices.h"
#include "ui/Notifier.h"

namespace quilbex {

inline constexpr const char* kNotificationOption = "--notification-helper";

class DetachedNotifier : public Notifier {
public:
    // program: the executable to start as the helper.
    explicit DetachedNotifier(std::string program) : program_(std::move(program)) {}
    void Notify(const RunOutcome& outcome) override;

private:
    std::string program_;
};

// The helper's arguments for an outcome of a run of span, after the option,
// and back.
std::vector<std::string> NotificationArguments(const RunOutcome& outcome, RunSpan span);
RunOutcome OutcomeFromArguments(const std::vector<std::string>& args);
RunSpan SpanFromArguments(const std::vector<std::string>& args);

// The helper's own run: args are those after kNotificationOption. Returns
// its exit status.
int RunNotificationHelper(const std::vector<std::string>& args);

}  // namespace quilbex
