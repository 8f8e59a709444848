#include "ui/ProgressStrip.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

namespace quilbex {

namespace {

constexpr int kPageSteps = 100;
// A bar that has not moved by a pixel for this long shows work no number
// measures (rendering, laying out, turning the page) as busy, so that it
// never stands still for a second.
constexpr int kStillLimitMs = 400;

bool Paged(const RunProgress& p) {
    return p.total > 0 &&
           (p.step == RunProgress::Step::kRecognising || p.step == RunProgress::Step::kRotating);
}

QString Pages(const QString& what, const RunProgress& p) {
    return what + QStringLiteral("　%1/%2ページ").arg(p.current).arg(p.total);
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
            return Pages(QStringLiteral("自動正立しています…"), p);
        case Step::kRecognising:
            return Pages(QStringLiteral("OCRしています…"), p);
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
    const int value = (shown_.current - 1) * kPageSteps + std::clamp(percent, 0, kPageSteps);
    // The recogniser may go over parts of a page more than once: the bar
    // never goes back within the page.
    pageValue_ = std::max(pageValue_, value);
    const int maximum = shown_.total * kPageSteps;
    const int pixels =
        static_cast<int>(static_cast<long long>(bar_->width()) * pageValue_ / maximum);
    if (pixels != pixels_) {
        pixels_ = pixels;
        still_.restart();
        bar_->setRange(0, maximum);
        bar_->setValue(pageValue_);
    } else if (still_.elapsed() >= kStillLimitMs) {
        bar_->setRange(0, 0);
    }
}

QString PlanText(const std::string& source, const std::string& folder) {
    return QFileInfo(QString::fromStdString(source)).fileName() + QStringLiteral(" → ") +
           QString::fromStdString(folder);
}

TProgressStrip::TProgressStrip(QWidget* parent)
    : QFrame(parent),
      subject_(new QLabel(this)),
      label_(new QLabel(this)),
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
    row->addWidget(label_, 1);
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
        pixels_ = -1;
        still_.restart();
        bar_->setRange(0, p.total * kPageSteps);
        bar_->setValue(pageValue_);
    } else {
        bar_->setRange(0, 0);  // moves without end
    }
    show();
}

}  // namespace quilbex
