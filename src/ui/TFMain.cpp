#include "ui/TFMain.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "run/OutputTarget.h"
#include "run/SettingKeys.h"
#include "ui/DesignFont.h"
#include "ui/MessageBoxes.h"
#include "ui/Notifier.h"
#include "ui/Placement.h"
#include "ui/ProgressStrip.h"
#include "ui/RetEdit.h"
#include "ui/TFSetting.h"
#include "ui_TFMain.h"

namespace quilbex {

namespace {

const QColor kPanelColor(0xFF, 0xFF, 0xCA);
const QColor kLogColor(0xFF, 0xFF, 0xE6);
const QColor kBannerColor(0x00, 0x80, 0x80);
const QColor kBannerTextColor(0xFF, 0xFF, 0x00);
constexpr int kTimerInterval = 250;
constexpr int kPagePollInterval = 250;
constexpr int kBannerPixelSize = 43;  // 32 points at 96 dpi

void SetRoleColor(QWidget* widget, QPalette::ColorRole role, const QColor& color) {
    QPalette pal = widget->palette();
    pal.setColor(role, color);
    widget->setPalette(pal);
}

}  // namespace

TFMain::TFMain(docuworks::Api& engine, std::vector<std::string> args, const std::string& exeDir,
               Clock clock, QWidget* parent)
    : QWidget(parent),
      ui_(std::make_unique<Ui::TFMain>()),
      engine_(engine),
      source_(args.empty() ? std::string() : args.front()),
      run_(gui_, engine, std::move(args), std::move(clock)) {
    ui_->setupUi(this);
    progress_ = new TProgressStrip(this);
    if (!source_.empty())
        progress_->SetSubject(QFileInfo(QString::fromStdString(source_)).fileName());
    ui_->MainLayout->addWidget(progress_);
    ApplyDesign();
    run_.SetWorker(worker_);
    worker_.onIdle = [this] { WorkerIdle(); };

    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(kTimerInterval);
    pagePoll_ = new QTimer(this);
    pagePoll_->setInterval(kPagePollInterval);
    connect(pagePoll_, &QTimer::timeout, this, &TFMain::PollPage);

    popupMenu1_ = new QMenu(this);
    popupMenu1_->setObjectName(QStringLiteral("PopupMenu1"));
    N1_ = popupMenu1_->addAction(ui_->acAppCancel->text());
    N1_->setObjectName(QStringLiteral("N1"));

    connect(ui_->BitBtn1, &QPushButton::clicked, ui_->acExecute, &QAction::trigger);
    connect(ui_->BitBtn2, &QPushButton::clicked, ui_->acClose, &QAction::trigger);
    connect(N1_, &QAction::triggered, ui_->acAppCancel, &QAction::trigger);
    connect(ui_->acExecute, &QAction::triggered, this, &TFMain::acExecuteExecute);
    connect(ui_->acClose, &QAction::triggered, this, &TFMain::acCloseExecute);
    connect(ui_->acAppCancel, &QAction::triggered, this, &TFMain::acAppCancelExecute);
    connect(progress_, &TProgressStrip::CancelClicked, ui_->acAppCancel, &QAction::trigger);
    // Escape anywhere in the window is the キャンセル of the strip and the log
    // pane's menu.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setObjectName(QStringLiteral("scCancel"));
    connect(escape, &QShortcut::activated, ui_->acAppCancel, &QAction::trigger);
    // 実行 is the button Enter presses where the focus does not take Enter itself.
    ui_->BitBtn1->setDefault(true);
    connect(timer1_, &QTimer::timeout, this, &TFMain::Timer1Timer);
    connect(ui_->ckOCR, &QCheckBox::toggled, this, &TFMain::ckOCRClick);
    connect(ui_->Memo1, &QWidget::customContextMenuRequested, this, &TFMain::Memo1ContextMenu);

    Guarded([&] { run_.FormCreate(exeDir); });
}

TFMain::~TFMain() {
    timer1_->stop();
    pagePoll_->stop();
    // A job still working stops at its next step without touching the window;
    // the engine is released only once it has returned.
    if (run_.Working()) run_.Abandon();
    gui_.Close();
    worker_.Wait();
    Guarded([&] { run_.FormDestroy(); });
}

void TFMain::ApplyDesign() {
    ApplyDesignFont(this, 12);
    for (TRetCheckBox* box : {ui_->ckDelFile, ui_->ckOCR, ui_->ckAutoRotate}) {
        ApplyDesignFont(box, 16);
    }
    SetRoleColor(ui_->pnlSet, QPalette::Window, kPanelColor);
    SetRoleColor(ui_->Memo1, QPalette::Base, kLogColor);
    // The boxes take the panel's colour as their own once it is in place.
    for (TRetCheckBox* box : {ui_->ckDelFile, ui_->ckOCR, ui_->ckAutoRotate}) {
        box->Loaded();
    }
    SetMinimumDesignSize();
    CentreOnScreen(this);
}

void TFMain::SetMinimumDesignSize() {
    // Wide enough for every control of the option panel, its text included,
    // and room for a few lines of log: below that the window does not shrink.
    int right = 0;
    for (QWidget* child : ui_->pnlSet->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QRect place = child->geometry();
        right = std::max(right, place.x() + std::max(place.width(), child->sizeHint().width()));
    }
    const int margin = ui_->ckDelFile->x();
    ui_->pnlSet->setMinimumWidth(right + margin);
    ui_->Memo1->setMinimumHeight(ui_->Memo1->fontMetrics().lineSpacing() * 3 +
                                 2 * ui_->Memo1->frameWidth() + 8);
}

template <typename Handler>
void TFMain::Guarded(Handler&& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        HandleException(error);
    } catch (...) {
        HandleException(std::runtime_error("予期しないエラーが発生しました"));
    }
}

void TFMain::HandleException(const std::exception& error) {
    try {
        run_.HandleException(error);
    } catch (const std::exception& inner) {
        // The handler itself failed: the message must still reach someone.
        std::fprintf(stderr, "Quilbex: %s (%s)\n", error.what(), inner.what());
    }
}

void TFMain::Begin() {
    if (shown_) return;
    shown_ = true;
    Guarded([&] { run_.FormShow(); });
    if (!closeRequested_ && run_.Options().ShowSetting && !run_.Working() && !run_.Monitoring())
        Guarded([&] { ShowPlan(); });
}

void TFMain::Terminate() {
    Guarded([&] { run_.Terminate(); });
}

void TFMain::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && event->modifiers() == Qt::NoModifier && ui_->BitBtn1->isVisible() &&
        ui_->BitBtn1->isEnabled()) {
        ui_->BitBtn1->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TFMain::showEvent(QShowEvent* event) {
    // Runs before the window is drawn for the first time.
    Begin();
    QWidget::showEvent(event);
}

void TFMain::Launch() {
    Begin();
    if (closeRequested_) return;  // finished already, or the settings dialog was all
    // A run waiting for its turn shows no window until the turn has come.
    if (run_.Waiting()) return;
    if (!run_.Options().ShowSetting && (run_.Working() || run_.Monitoring())) {
        AppearSoon();
        return;
    }
    show();
}

void TFMain::AppearSoon() {
    // A run that ends within a moment never flashes a window.
    QTimer::singleShot(kAppearAfterMs, this, [this] {
        if (closeRequested_ || isVisible()) return;
        // Runs working side by side do not hide each other.
        const int step = style()->pixelMetric(QStyle::PM_TitleBarHeight) + 8;
        move(pos() + QPoint(step, step) * run_.Place());
        show();
    });
}

void TFMain::ShowPlan() {
    if (source_.empty()) return;
    // Without a folder in the settings the run uses the engine's default.
    std::string folder = run_.Options().SaveDir;
    if (folder.empty()) folder = DefaultOutputFolder(engine_);
    const bool wasVisible = progress_->isVisibleTo(this);
    progress_->ShowText(PlanText(source_, folder));
    StripMoved(wasVisible);
}

void TFMain::closeEvent(QCloseEvent* event) {
    if (!closeRequested_ && run_.Waiting()) {
        // Closing a run that waits for its turn cancels it; the run then closes.
        event->ignore();
        Guarded([&] { run_.acAppCancelExecute(); });
        return;
    }
    if (!closeRequested_ && run_.Working()) {
        // The engine cannot be left in the middle of a page: closing cancels,
        // and the run closes the window once it has stopped.
        event->ignore();
        closeAfterWork_ = true;
        Guarded([&] { run_.acAppCancelExecute(); });
        return;
    }
    QWidget::closeEvent(event);
    emit Closed();
}

void TFMain::WorkerIdle() {
    if (!run_.Monitoring()) ShowProgress(RunProgress{});
    // A run stopped by an error does not close the window itself.
    if (closeAfterWork_ && !closeRequested_) close();
}

// Window operations

void TFMain::AppendLog(const std::string& line) {
    ui_->Memo1->appendPlainText(QString::fromStdString(line));
}

void TFMain::ClearLog() { ui_->Memo1->clear(); }

std::vector<std::string> TFMain::LogLines() const {
    // Lines as appended or typed; wrapping on screen does not split them, and a
    // final line break does not start another line.
    QStringList lines = ui_->Memo1->toPlainText().split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    std::vector<std::string> result;
    result.reserve(lines.size());
    for (const QString& line : lines) result.push_back(line.toStdString());
    return result;
}

TRetCheckBox* TFMain::Box(OptionBox box) const {
    switch (box) {
        case OptionBox::DeleteSource:
            return ui_->ckDelFile;
        case OptionBox::Ocr:
            return ui_->ckOCR;
        case OptionBox::AutoRotate:
            return ui_->ckAutoRotate;
    }
    throw std::invalid_argument("unknown option box");
}

bool TFMain::IsChecked(OptionBox box) const { return Box(box)->isChecked(); }

void TFMain::SetChecked(OptionBox box, bool checked) { Box(box)->setChecked(checked); }

void TFMain::SetCaption(const std::string& caption) {
    // The caption is the program's own; the strip names the file.
    setWindowTitle(QString::fromStdString(caption));
}

void TFMain::FocusDeleteSource() { ui_->ckDelFile->setFocus(Qt::OtherFocusReason); }

void TFMain::ShowBanner() {
    if (banner_) return;
    banner_ = new QLabel(QStringLiteral("変換中…"), ui_->pnlSet);
    banner_->setObjectName(QStringLiteral("pnlBanner"));
    banner_->setFrameShape(QFrame::Panel);
    banner_->setFrameShadow(QFrame::Raised);
    banner_->setAlignment(Qt::AlignCenter);
    banner_->setFont(DesignFont(kBannerPixelSize));
    banner_->setAutoFillBackground(true);
    QPalette pal = banner_->palette();
    pal.setColor(QPalette::Window, kBannerColor);
    pal.setColor(QPalette::WindowText, kBannerTextColor);
    banner_->setPalette(pal);
    // A layout of its own keeps the banner over the whole panel when the window resizes.
    auto* cover = new QVBoxLayout(ui_->pnlSet);
    cover->setContentsMargins(0, 0, 0, 0);
    cover->addWidget(banner_);
    banner_->setGeometry(ui_->pnlSet->rect());
    banner_->raise();
    banner_->show();
}

void TFMain::ShowMessage(const std::string& text) {
    ShowMessageBox(MessageIcon::None, QString::fromStdString(text));
}

void TFMain::ShowErrorMessage(const std::string& text) {
    ShowMessageBox(MessageIcon::Error, QString::fromStdString(text));
}

void TFMain::SetTimerEnabled(bool enabled) {
    if (enabled) {
        timer1_->start();
    } else {
        timer1_->stop();
    }
}

void TFMain::ShowProgress(const RunProgress& progress) {
    shownProgress_ = progress;
    const bool paged = progress.step == RunProgress::Step::kRecognising ||
                       progress.step == RunProgress::Step::kRotating;
    if (paged && progress.total > 0) {
        pagePoll_->start();
    } else {
        pagePoll_->stop();
    }
    const bool wasVisible = progress_->isVisibleTo(this);
    progress_->Show(progress);
    StripMoved(wasVisible);
}

void TFMain::PollPage() {
    // The one engine call made beside the worker's: it only reads a number.
    progress_->ShowPagePart(engine_.OcrProgress(shownProgress_.document, shownProgress_.current));
}

void TFMain::StripMoved(bool wasVisible) {
    const bool visible = progress_->isVisibleTo(this);
    if (visible == wasVisible || isMaximized() || isFullScreen()) return;
    // The strip comes and goes below the log pane without taking its room.
    const int strip = progress_->sizeHint().height();
    resize(width(), height() + (visible ? strip : -strip));
}

void TFMain::AnnounceOutcome(const RunOutcome& outcome) {
    if (notifier_) notifier_->Notify(outcome);
}

std::unique_ptr<TFSetting> TFMain::CreateSettingsDialog() {
    return std::make_unique<TFSetting>(
        engine_, run_.ExeDir() + kSettingsFileName,
        [this](const std::exception& e) { HandleException(e); }, this);
}

void TFMain::ShowSettingsDialog() {
    std::unique_ptr<TFSetting> dialog = CreateSettingsDialog();
    dialog->exec();
}

void TFMain::RequestClose() {
    closeRequested_ = true;
    QMetaObject::invokeMethod(
        this, [this] { close(); }, Qt::QueuedConnection);
}

// Events

void TFMain::acExecuteExecute() {
    Guarded([&] { run_.acExecuteExecute(); });
}

void TFMain::acCloseExecute() {
    // While the worker works, 終了 is the window's close: it cancels first.
    if (run_.Working()) {
        close();
        return;
    }
    Guarded([&] { run_.acCloseExecute(); });
}

void TFMain::acAppCancelExecute() {
    Guarded([&] { run_.acAppCancelExecute(); });
}

void TFMain::Timer1Timer() {
    const bool waited = run_.Waiting();
    Guarded([&] { run_.Timer1Timer(); });
    if (waited && !run_.Waiting() && !closeRequested_ && !isVisible()) AppearSoon();
}

void TFMain::ckOCRClick() { ui_->ckAutoRotate->setEnabled(ui_->ckOCR->isChecked()); }

void TFMain::Memo1ContextMenu(const QPoint& pos) {
    popupMenu1_->popup(ui_->Memo1->viewport()->mapToGlobal(pos));
}

}  // namespace quilbex
