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

class QLabel;
class QMenu;
class QAction;
class QTimer;

namespace Ui {
class TFMain;
}

namespace quilbex {

class TFSetting;
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
    void ShowSettingsDialog() override;
    void RequestClose() override;

    // The default error handler: an error that escaped one of the window's events.
    void HandleException(const std::exception& error);

    // A termination signal: hands it to the run.
    void Terminate();

    // A close has been asked for and will take effect in the event loop.
    bool CloseRequested() const { return closeRequested_; }
    // Nothing will end the program but the user: no close has been asked for
    // and no conversion is being followed (a run waiting for Execute, or one
    // stopped by an error).
    bool WaitsForUser() const { return !closeRequested_ && !run_.Monitoring(); }

    ConversionRun& Run() { return run_; }
    QLabel* Banner() const { return banner_; }
    QMenu* PopupMenu() const { return popupMenu1_; }
    QTimer* Timer() const { return timer1_; }

    // The settings dialog as the run shows it: owned by this window, errors
    // through this window's default error handler.
    std::unique_ptr<TFSetting> CreateSettingsDialog();

protected:
    void showEvent(QShowEvent* event) override;

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

    std::unique_ptr<Ui::TFMain> ui_;
    docuworks::Api& engine_;
    ConversionRun run_;
    QTimer* timer1_ = nullptr;
    QMenu* popupMenu1_ = nullptr;
    QAction* N1_ = nullptr;
    QLabel* banner_ = nullptr;
    bool shown_ = false;
    bool closeRequested_ = false;
};

}  // namespace quilbex
