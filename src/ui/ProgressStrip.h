// The strip below the log pane that says what a run is doing and how far it
// has got: a line of text, a bar (moving without end while how far is not
// known) and the キャンセル button. Before an interactive run it says which
// file goes where.
#pragma once

#include <QElapsedTimer>
#include <QFrame>

#include "run/RunProgress.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace quilbex {

class TProgressStrip : public QFrame {
    Q_OBJECT

public:
    explicit TProgressStrip(QWidget* parent = nullptr);

    // The file the run converts, named at the strip's left ("" for none).
    void SetSubject(const QString& fileName);

    // Shows the progress; Step::kNone hides the strip.
    void Show(const RunProgress& progress);
    // Shows text alone, without bar or button.
    void ShowText(const QString& text);
    // How far the page being recognised has got (0 to 100; -1: not known),
    // polled while the strip shows a page being recognised or turned: the bar
    // shows the whole document and moves within the page, also while no
    // number measures the work.
    void ShowPagePart(int percent);

    QLabel* Label() const { return label_; }
    QLabel* Subject() const { return subject_; }
    QProgressBar* Bar() const { return bar_; }
    QPushButton* CancelButton() const { return cancel_; }

signals:
    void CancelClicked();

private:
    QLabel* subject_;
    QLabel* label_;
    QProgressBar* bar_;
    QPushButton* cancel_;
    RunProgress shown_;
    int pageValue_ = 0;       // the bar's value over the whole document
    QElapsedTimer page_;      // since the page shown began
    QElapsedTimer document_;  // since the first page began
    int pixels_ = -1;         // how much of the bar that fills
    QElapsedTimer still_;     // since the bar last moved
};

// What the strip says before an interactive run: 「<file> → <folder>」.
QString PlanText(const std::string& source, const std::string& folder);

// The text of the strip for a progress ("" for Step::kNone).
QString ProgressText(const RunProgress& progress);

}  // namespace quilbex
