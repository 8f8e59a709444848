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
    QString body;  // plain text
    // A freedesktop icon name: the program's own for a document made,
    // dialog-warning for one made with a part that failed, dialog-error for a
    // failure, process-stop for a cancel.
    QString icon;
    bool warns = false;  // something the user has to see to, though the document was made
    QString document;    // the document written: a click opens it ("" for none)
    QString folder;      // offered as フォルダーを開く ("" for none)
    QString selected;    // the file that folder is shown with, selected
};
NotificationText DescribeOutcome(const RunOutcome& outcome);

}  // namespace quilbex
