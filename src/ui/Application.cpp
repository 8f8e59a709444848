#include "ui/Application.h"

#include <QIcon>
#include <cstdio>
#include <stdexcept>

#include "run/Version.h"
#include "ui/DesignFont.h"

// The resources live in a static library: pull them in explicitly.
static void InitQuilbexResources() { Q_INIT_RESOURCE(quilbex); }

namespace quilbex {

void PrepareApplication() {
    InitQuilbexResources();
    // Only the name: a display name would be appended to every window caption.
    QCoreApplication::setApplicationName(QStringLiteral("Quilbex"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(ProductVersion()));
    InstallFontSubstitutes();
    QApplication::setFont(DesignFont(12));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/quilbex.png")));
}

QuilbexApplication::QuilbexApplication(int& argc, char** argv) : QApplication(argc, argv) {
    PrepareApplication();
}

bool QuilbexApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        if (errorHandler_) {
            errorHandler_(error);
        } else {
            std::fprintf(stderr, "Quilbex: %s\n", error.what());
        }
    } catch (...) {
        const std::runtime_error error("予期しないエラーが発生しました");
        if (errorHandler_) {
            errorHandler_(error);
        } else {
            std::fprintf(stderr, "Quilbex: %s\n", error.what());
        }
    }
    return false;
}

}  // namespace quilbex
