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

namespace {

QtMessageHandler previousHandler = nullptr;

void FilterNotes(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg &&
        (message.startsWith(QLatin1String("This plugin does not support")) ||
         message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))) {
        return;
    }
    if (previousHandler) previousHandler(type, context, message);
}

}  // namespace

void QuietenOffscreenNotes() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    previousHandler = qInstallMessageHandler(FilterNotes);
}

}  // namespace quilbex
