// TFVersion: the borderless version window opened from the settings dialog.
#pragma once

#include <QDialog>
#include <QUrl>
#include <functional>
#include <memory>

namespace Ui {
class TFVersion;
}

namespace quilbex {

// The project's page, shown and opened by the version window.
inline constexpr const char* kProjectPage = "https://github.com/quilbex/quilbex";

class TFVersion : public QDialog {
    Q_OBJECT

public:
    using UrlOpener = std::function<void(const QUrl&)>;

    explicit TFVersion(QWidget* parent = nullptr);
    ~TFVersion() override;

    // The default opens the address in the desktop's browser.
    void SetUrlOpener(UrlOpener opener) { openUrl_ = std::move(opener); }

    void FormShow();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Label5Click();

    std::unique_ptr<Ui::TFVersion> ui_;
    UrlOpener openUrl_;
};

}  // namespace quilbex
