#include "ui/RetEdit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QPalette>

namespace quilbex {

TRetCheckBox::TRetCheckBox(QWidget* parent) : QCheckBox(parent) {
    // Buttons fill with the button colour; this box shows the window colour
    // around it, like a panel's own background.
    setBackgroundRole(QPalette::Window);
}

void TRetCheckBox::Loaded() {
    normalColor_ = palette().color(QPalette::Window);
    loaded_ = true;
    PaintBackground(normalColor_);
}

void TRetCheckBox::PaintBackground(const QColor& color) {
    QPalette pal = palette();
    pal.setColor(QPalette::Window, color);
    setPalette(pal);
    setAutoFillBackground(true);
}

void TRetCheckBox::focusInEvent(QFocusEvent* event) {
    if (!loaded_) Loaded();
    if (focusColorEnabled_) PaintBackground(focusColor_);
    QCheckBox::focusInEvent(event);
}

void TRetCheckBox::focusOutEvent(QFocusEvent* event) {
    if (focusColorEnabled_ && loaded_) PaintBackground(normalColor_);
    QCheckBox::focusOutEvent(event);
}

void TRetCheckBox::keyPressEvent(QKeyEvent* event) {
    if (returnNext_) {
        switch (event->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_Down:
                focusNextPrevChild(true);
                event->accept();
                return;
            case Qt::Key_Up:
                focusNextPrevChild(false);
                event->accept();
                return;
            default:
                break;
        }
    }
    QCheckBox::keyPressEvent(event);
}

}  // namespace quilbex
