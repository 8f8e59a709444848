#include "ui/Placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

namespace quilbex {

void CentreOnScreen(QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    window->move(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window->size(),
                                     screen->availableGeometry())
                     .topLeft());
}

}  // namespace quilbex
