#include "ui/Headless.h"

#include <QGuiApplication>
#include <QString>
#include <QtGlobal>

namespace quilbex {

bool DisplayAvailable() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

void UseOffscreenWithoutDisplay() {
    if (!DisplayAvailable() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}

bool RunningHeadless() {
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

}  // namespace quilbex
