// TFSetting: the settings dialog. Every control is tied to a key of
// Quilbex.ini through the binding table; the dialog loads when shown and
// saves when closed with OK.
#pragma once

#include <QDialog>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "docuworks/DocuWorksApi.h"
#include "ui/FolderChooser.h"
#include "ui/SettingBinding.h"

namespace Ui {
class TFSetting;
}

namespace quilbex {

class TFSetting : public QDialog {
    Q_OBJECT

public:
    using ErrorHandler = std::function<void(const std::exception&)>;

    // iniPath: the settings file. onError: the default error handler, which
    // shows an error that escaped the closing with OK.
    TFSetting(docuworks::Api& engine, std::string iniPath, ErrorHandler onError,
              QWidget* parent = nullptr);
    ~TFSetting() override;

    void SetFolderChooser(FolderChooser chooser) { chooseFolder_ = std::move(chooser); }

    // Registers the bindings and loads the file; runs when the dialog is shown.
    void FormShow();
    void LoadSettings();
    void SaveSettings();

    const SettingBindings& Bindings() const { return bindings_; }
    const std::string& IniPath() const { return iniPath_; }

    // Closing with OK saves first; when the save fails the dialog stays open.
    void done(int result) override;

    // A screen too small for the dialog (1024x600 at scale 2): the groups
    // scroll within room and the row of buttons stays whole at its foot.
    // Done when the dialog is first shown, for its screen's free area.
    void FitInto(const QRect& room);

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void ckOCRClick();
    void btnSelDirClick();
    void btnVerClick();

private:
    // Names a folder beside the output folder that the settings file cannot tell from it.
    void WarnOfLookAlikes(const QString& folder);
    std::unique_ptr<Ui::TFSetting> ui_;
    docuworks::Api& engine_;
    std::string iniPath_;
    ErrorHandler onError_;
    FolderChooser chooseFolder_;
    SettingBindings bindings_;
    bool shown_ = false;
};

// The memo's lines as typed, one item each; soft wrapping does not split them.
std::vector<std::string> MemoLines(const QString& text);

}  // namespace quilbex
