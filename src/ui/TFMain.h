// TFMain: the main window of a run. Three option boxes and two buttons above
// the log pane; it holds the conversion run, forwards its events to it and
// gives the run its window operations.
#pragma once

#include <QWidget>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "docuworks/DocuWorksApi.h"
#include "run/ConversionRun.h"
#include "run/WindowOps.h"
#include "ui/GuiThreadWindow.h"
#include "ui/ThreadWorker.h"

class QLabel;
class QMenu;
class QAction;
class QTimer;

namespace Ui {
class TFMain;
}

namespace quilbex {

class Notifier;
class TFSetting;
class TProgressStrip;
class TRetCheckBox;

class TFMain : public QWidget, public WindowOps {
    Q_OBJECT

public:
    // args: the command-line arguments after the program name. exeDir: the
    // program folder, ending with '/', where Quilbex.ini and Quilbex.log live.
    TFMain(docuworks::Api& engine, std::vector<std::string> args, const std::string& exeDir,
           Clock clock = SystemClock(), QWidget* parent = nullptr);
    ~TFMain() override;

    // WindowOps
    void AppendLog(const std::string& line) override;
    void ClearLog() override;
    std::vector<std::string> LogLines() const override;
    bool IsChecked(OptionBox box) const override;
    void SetChecked(OptionBox box, bool checked) override;
    void SetCaption(const std::string& caption) override;
    void FocusDeleteSource() override;
    void ShowBanner() override;
    void ShowMessage(const std::string& text) override;
    void ShowErrorMessage(const std::string& text) override;
    void SetTimerEnabled(bool enabled) override;
    void ShowProgress(const RunProgress& progress) override;
    void AnnounceOutcome(const RunOutcome& outcome) override;
    void ShowSettingsDialog() override;
    void RequestClose() override;

    // The end of an automatic run is told to notifier (none: it is not told).
    void SetNotifier(Notifier* notifier) { notifier_ = notifier; }

    // How the program starts a run: the run plan first, with the window not
    // yet on screen; an interactive run shows it at once, an automatic one
    // only when its work lasts longer than kAppearAfterMs.
    void Launch();
    static constexpr int kAppearAfterMs = 500;

    // The default error handler: an error that escaped one of the window's events.
    void HandleException(const std::exception& error);

    // A termination signal: hands it to the run.
    void Terminate();

    // A close has been asked for and will take effect in the event loop.
    bool CloseRequested() const { return closeRequested_; }
    // Nothing will end the program but the user: no close has been asked for
    // and no conversion is being followed or worked on (a run waiting for
    // Execute, or one stopped by an error).
    bool WaitsForUser() const {
        return !closeRequested_ && !run_.Monitoring() && !run_.Working() && !run_.Waiting();
    }

    ConversionRun& Run() { return run_; }
    QLabel* Banner() const { return banner_; }
    QMenu* PopupMenu() const { return popupMenu1_; }
    QTimer* Timer() const { return timer1_; }
    TProgressStrip* Progress() const { return progress_; }

    // The settings dialog as the run shows it: owned by this window, errors
    // through this window's default error handler.
    std::unique_ptr<TFSetting> CreateSettingsDialog();

signals:
    // The window has closed (also when it never came on screen).
    void Closed();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private slots:
    void acExecuteExecute();
    void acCloseExecute();
    void acAppCancelExecute();
    void Timer1Timer();
    void ckOCRClick();
    void Memo1ContextMenu(const QPoint& pos);

private:
    template <typename Handler>
    void Guarded(Handler&& handler);
    TRetCheckBox* Box(OptionBox box) const;
    void ApplyDesign();
    void SetMinimumDesignSize();
    // An automatic run at work: the window comes on screen unless the run
    // ends within kAppearAfterMs.
    void AppearSoon();
    // Runs the show event's part of the run once.
    void Begin();
    // An interactive run waiting for 実行: the strip says which file goes where.
    void ShowPlan();
    // The strip came or went: the window grows or shrinks by it, so that the
    // log pane keeps its room.
    void StripMoved(bool wasVisible);
    // The page poll's tick: the bar moves within the page.
    void PollPage();
    // The worker has finished a job.
    void WorkerIdle();

    std::unique_ptr<Ui::TFMain> ui_;
    docuworks::Api& engine_;
    // The run reaches the window through gui_ so that the worker's calls
    // are carried out on the window's thread.
    GuiThreadWindow gui_{*this, this};
    ThreadWorker worker_;
    std::string source_;  // the file to convert ("" for none); before run_, which takes the args
    ConversionRun run_;
    Notifier* notifier_ = nullptr;
    TProgressStrip* progress_ = nullptr;
    QTimer* timer1_ = nullptr;
    // While a page is recognised: asks the engine how far it has got.
    QTimer* pagePoll_ = nullptr;
    RunProgress shownProgress_;
    QMenu* popupMenu1_ = nullptr;
    QAction* N1_ = nullptr;
    QLabel* banner_ = nullptr;
    bool shown_ = false;
    bool closeRequested_ = false;
    bool closeAfterWork_ = false;  // closed by the user while the worker worked
};

}  // namespace quilbex
