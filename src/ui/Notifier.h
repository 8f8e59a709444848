// Tells the desktop what became of the file at the end of an automatic run.
#pragma once

#include <QString>

#include "run/RunOutcome.h"

namespace quilbex {

class Notifier {
public:
    virtual ~Notifier() = default;
    virtual void Notify(const RunOutcome& outcome) = 0;
};

// What a notification says about an outcome.
struct NotificationText {
    QString summary;
    QString body;             // plain text
    bool offersOpen = false;  // the document exists: open it or its folder
};
NotificationText DescribeOutcome(const RunOutcome& outcome);

}  // namespace quilbex
