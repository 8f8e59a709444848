#include "ui/TFVersion.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QShowEvent>

#include "run/Version.h"
#include "ui/DesignFont.h"
#include "ui/Placement.h"
#include "ui_TFVersion.h"

namespace quilbex {

namespace {

const QColor kPanelColor(0xFF, 0xFF, 0xDF);
const QColor kLinkColor(0x00, 0x00, 0xFF);

}  // namespace

TFVersion::TFVersion(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      ui_(std::make_unique<Ui::TFVersion>()),
      openUrl_([](const QUrl& url) { QDesktopServices::openUrl(url); }) {
    ui_->setupUi(this);
    // Design values of a 101-dpi layout, scaled by 12/13 for a 96-dpi screen.
    ApplyDesignFont(this, 12);
    ApplyDesignFont(ui_->Label1, 20, true);
    ApplyDesignFont(ui_->Label5, 13);
    ApplyDesignFont(ui_->lblVer, 13, true);

    QPalette panel = ui_->Panel1->palette();
    panel.setColor(QPalette::Window, kPanelColor);
    ui_->Panel1->setPalette(panel);

    QFont link = ui_->Label5->font();
    link.setUnderline(true);
    ui_->Label5->setFont(link);
    QPalette linkPalette = ui_->Label5->palette();
    linkPalette.setColor(QPalette::WindowText, kLinkColor);
    ui_->Label5->setPalette(linkPalette);
    ui_->Label5->setText(QString::fromLatin1(kProjectPage));
    // Qt puts the cursor back by itself when the pointer leaves the label.
    ui_->Label5->setCursor(Qt::PointingHandCursor);
    ui_->Label5->installEventFilter(this);

    connect(ui_->BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
}

TFVersion::~TFVersion() = default;

void TFVersion::showEvent(QShowEvent* event) {
    CentreOnScreen(this);
    FormShow();
    QDialog::showEvent(event);
}

void TFVersion::FormShow() {
    ui_->lblVer->setText(QString::fromLatin1(VersionText()));
    ui_->BitBtn1->setFocus(Qt::OtherFocusReason);
}

void TFVersion::keyPressEvent(QKeyEvent* event) {
    // No close box and no Cancel button: Escape does nothing.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TFVersion::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->Label5 && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            ui_->Label5->rect().contains(mouse->position().toPoint())) {
            Label5Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFVersion::Label5Click() {
    if (openUrl_) openUrl_(QUrl(QString::fromLatin1(kProjectPage)));
}

}  // namespace quilbex
