#include "ui/Application.h"

#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>
#include <stdexcept>

#include "run/Version.h"
#include "ui/DesignFont.h"

// The resources live in a static library: pull them in explicitly.
static void InitQuilbexResources() { Q_INIT_RESOURCE(quilbex); }

namespace quilbex {

namespace {

// Qt's own texts (the folder chooser, the edit menu of a text field, the
// buttons of its dialogs) in Japanese like the rest of the program.
void InstallQtTranslations() {
    static QTranslator* installed = nullptr;
    if (installed) return;
    auto* translator = new QTranslator(QCoreApplication::instance());
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (translator->load(QStringLiteral("qt_ja"), folder) ||
        translator->load(QStringLiteral("qtbase_ja"), folder)) {
        QCoreApplication::installTranslator(translator);
        installed = translator;
    } else {
        delete translator;
    }
}

}  // namespace

void PrepareApplication() {
    InitQuilbexResources();
    InstallQtTranslations();
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
    return DeliverCatching([&] { return QApplication::notify(receiver, event); }, errorHandler_);
}

bool DeliverCatching(const std::function<bool()>& deliver,
                     const std::function<void(const std::exception&)>& onError) {
    auto report = [&](const std::exception& error) {
        if (onError) {
            onError(error);
        } else {
            std::fprintf(stderr, "Quilbex: %s\n", error.what());
        }
    };
    try {
        return deliver();
    } catch (const std::exception& error) {
        report(error);
    } catch (...) {
        report(std::runtime_error("予期しないエラーが発生しました"));
    }
    return false;
}

}  // namespace quilbex
