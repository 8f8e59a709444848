#include "ui/ProgressStrip.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <cmath>

#include "ui/ElidedLabel.h"

namespace quilbex {

namespace {

constexpr int kPageSteps = 100;
// The most the file's name and the text ask for: a longer one is elided, and
// the window keeps its size.
constexpr int kSubjectWidest = 160;
constexpr int kLabelWidest = 320;
// Work within a page that no number measures (rendering, laying out, turning
// the page) is shown by the bar going on towards the page's end at the pace
// of the pages before (the first at this guess), never reaching it.
constexpr qint64 kFirstPageGuessMs = 10000;
constexpr double kGuessedShare = 0.95;
constexpr qint64 kShortestPageMs = 3000;
constexpr qint64 kStillLimitMs = 400;

bool Paged(const RunProgress& p) {
    return p.total > 0 &&
           (p.step == RunProgress::Step::kRecognising || p.step == RunProgress::Step::kRotating);
}

QString Pages(const QString& what, const RunProgress& p) {
    return what + QStringLiteral("　%1/%2ページ").arg(p.current).arg(p.total);
}

// Pages being turned or read count those finished, of the whole document.
QString PagesDone(const QString& what, const RunProgress& p) {
    return what + QStringLiteral("　%1/%2ページ完了").arg(p.current - 1).arg(p.total);
}

}  // namespace

QString ProgressText(const RunProgress& p) {
    using Step = RunProgress::Step;
    switch (p.step) {
        case Step::kNone:
            return {};
        case Step::kConverting:
            return QStringLiteral("XDWに変換しています…");
        case Step::kRotating:
            return PagesDone(QStringLiteral("自動正立しています…"), p);
        case Step::kRecognising:
            return PagesDone(QStringLiteral("OCRしています…"), p);
        case Step::kSaving:
            return QStringLiteral("xdwファイルを保存しています…");
        case Step::kStarting:
            return QStringLiteral("変換を開始しています…");
        case Step::kLayingOut:
            return QStringLiteral("アプリケーションで印刷しています…");
        case Step::kGenerating:
            return Pages(QStringLiteral("ページを生成しています…"), p);
        case Step::kAttaching:
            return QStringLiteral("元のファイルを添付しています…");
        case Step::kWriting:
            return QStringLiteral("ファイルに書き出しています…");
        case Step::kCancelling:
            return QStringLiteral("中止しています…");
        case Step::kWaiting:
            return QStringLiteral("順番を待っています（前に%1件）").arg(p.current);
    }
    return {};
}

void TProgressStrip::ShowPagePart(int percent) {
    if (!Paged(shown_) || !isVisible()) return;
    // The pages before took this long each, or the first is guessed.
    const int done = shown_.current - 1;
    const qint64 perPage = done > 0 && document_.isValid()
                               ? std::max<qint64>(document_.elapsed() / done, kShortestPageMs)
                               : kFirstPageGuessMs;
    const double guessed =
        kGuessedShare * (1 - std::exp(-double(page_.elapsed()) / double(perPage))) * kPageSteps;
    const int part = std::max(std::clamp(percent, 0, kPageSteps), int(guessed));
    // The recogniser may go over parts of a page more than once: the bar
    // never goes back within the page.
    pageValue_ = std::max(pageValue_, done * kPageSteps + part);
    const int maximum = shown_.total * kPageSteps;
    const int width = std::max(bar_->width(), 1);
    const auto pixelsOf = [&](int value) { return int(qint64(width) * value / maximum); };
    // A bar too narrow to show the guess moving is moved on by two pixels, short
    // of the page's end.
    if (pixelsOf(pageValue_) == pixels_ && still_.elapsed() >= kStillLimitMs) {
        const int next = int((qint64(pixels_ + 2) * maximum + width - 1) / width);
        if (next < (done + 1) * kPageSteps) pageValue_ = next;
    }
    if (pixelsOf(pageValue_) != pixels_) {
        pixels_ = pixelsOf(pageValue_);
        still_.restart();
    }
    bar_->setRange(0, maximum);
    bar_->setValue(pageValue_);
    // The bar repaints itself only every few pixels: each pixel shows.
    bar_->update();
}

QString PlanText(const std::string& source, const std::string& folder) {
    return QFileInfo(QString::fromStdString(source)).fileName() + QStringLiteral(" → ") +
           QString::fromStdString(folder);
}

TProgressStrip::TProgressStrip(QWidget* parent)
    : QFrame(parent),
      subject_(new TElidedLabel(kSubjectWidest, this)),
      label_(new TElidedLabel(kLabelWidest, this, Qt::ElideRight)),
      bar_(new QProgressBar(this)),
      cancel_(new QPushButton(QStringLiteral("キャンセル"), this)) {
    setObjectName(QStringLiteral("pnlProgress"));
    label_->setObjectName(QStringLiteral("lblProgress"));
    bar_->setObjectName(QStringLiteral("pbProgress"));
    cancel_->setObjectName(QStringLiteral("btnCancel"));
    bar_->setTextVisible(false);
    bar_->setMaximumHeight(14);
    // Enter on the log pane or a check box never presses it by accident.
    cancel_->setAutoDefault(false);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(6, 3, 6, 3);
    row->setSpacing(8);
    subject_->setObjectName(QStringLiteral("lblSubject"));
    subject_->hide();
    row->addWidget(subject_);
    row->addWidget(label_, 2);
    row->addWidget(bar_, 1);
    row->addWidget(cancel_);
    connect(cancel_, &QPushButton::clicked, this, &TProgressStrip::CancelClicked);
    hide();
}

void TProgressStrip::SetSubject(const QString& fileName) { subject_->setText(fileName); }

void TProgressStrip::ShowText(const QString& text) {
    shown_ = RunProgress{};
    subject_->hide();  // the text names the file itself
    label_->setText(text);
    bar_->hide();
    cancel_->hide();
    show();
}

void TProgressStrip::Show(const RunProgress& p) {
    shown_ = p;
    if (p.step == RunProgress::Step::kNone) {
        hide();
        return;
    }
    subject_->setVisible(!subject_->text().isEmpty());
    label_->setText(ProgressText(p));
    bar_->show();
    bar_->setTextVisible(false);
    cancel_->show();
    // Asked once: the button stays in place, greyed, until the run has stopped.
    cancel_->setEnabled(p.step != RunProgress::Step::kCancelling);
    const bool counted = p.total > 0 && (p.step == RunProgress::Step::kRotating ||
                                         p.step == RunProgress::Step::kRecognising ||
                                         p.step == RunProgress::Step::kGenerating);
    if (counted) {
        // Pages being recognised are not done yet; generated pages are. A
        // page counts as a hundred steps, so that the bar can move within one.
        const bool generating = p.step == RunProgress::Step::kGenerating;
        pageValue_ = (generating ? p.current : p.current - 1) * kPageSteps;
        page_.restart();
        still_.restart();
        pixels_ = -1;
        if (p.current <= 1 || !document_.isValid()) document_.restart();
        bar_->setRange(0, p.total * kPageSteps);
        bar_->setValue(pageValue_);
        // The pages done of all, on the bar itself: a narrow window may cut
        // the line of text short.
        bar_->setFormat(
            QStringLiteral("%1/%2完了").arg(generating ? p.current : p.current - 1).arg(p.total));
        bar_->setTextVisible(true);
    } else {
        bar_->setRange(0, 0);  // moves without end
    }
    show();
}

}  // namespace quilbex
