// The strip below the log pane that says what a run is doing and how far it
// has got: a line of text and a bar (moving without end while how far is not known).
#pragma once

#include <QFrame>

#include "run/RunProgress.h"

class QLabel;
class QProgressBar;

namespace quilbex {

class TProgressStrip : public QFrame {
    Q_OBJECT

public:
    explicit TProgressStrip(QWidget* parent = nullptr);

    // Shows the progress; Step::kNone hides the strip.
    void Show(const RunProgress& progress);

    QLabel* Label() const { return label_; }
    QProgressBar* Bar() const { return bar_; }

private:
    QLabel* label_;
    QProgressBar* bar_;
};

// The text of the strip for a progress ("" for Step::kNone).
QString ProgressText(const RunProgress& progress);

}  // namespace quilbex
