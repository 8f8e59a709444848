#include "ui/Program.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "docuworks/DocuWorksApi.h"
#include "run/ProgramFolder.h"
#include "ui/Application.h"
#include "ui/DesktopNotifier.h"
#include "ui/Headless.h"
#include "ui/TFMain.h"

namespace quilbex {

namespace {

constexpr int kNeedsUser = 3;
constexpr int kNeedsArgument = 2;
// How long a notification that offers to open the document keeps the program
// around after its window has closed.
constexpr int kAnswerLimitMs = 12000;

void SayNobodyCanAnswer() {
    std::fprintf(stderr,
                 "Quilbex: 画面がないため、ユーザーの操作を待つことはできません。"
                 "設定で「コンバート時に設定画面を表示する」を外してください。\n");
}

// Without a display nobody can press Execute or close the window: a run that
// would wait for the user ends with a message instead, now or later.
int RunWithoutDisplay(QuilbexApplication& app, const TFMain& window) {
    if (window.WaitsForUser()) {
        SayNobodyCanAnswer();
        return kNeedsUser;
    }
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (window.WaitsForUser()) {
            SayNobodyCanAnswer();
            QCoreApplication::exit(kNeedsUser);
        }
    });
    watch.start(1000);
    return app.exec();
}

}  // namespace

int RunProgram(int argc, char** argv) {
    UseOffscreenWithoutDisplay();
    if (!DisplayAvailable()) QuietenOffscreenNotes();
    QuilbexApplication app(argc, argv);

    // The arguments as the system gave them: a path is used byte for byte.
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const bool headless = RunningHeadless();
    if (headless && args.empty()) {
        std::fprintf(stderr,
                     "Quilbex: 画面がないため設定画面を表示できません。"
                     "変換するファイルを指定してください: quilbex <file>\n");
        return kNeedsArgument;
    }

    std::unique_ptr<docuworks::Api> engine = docuworks::LoadEngine();
    const std::string exeDir =
        ProgramFolder(QCoreApplication::applicationDirPath().toStdString() + "/");
    TFMain window(*engine, std::move(args), exeDir);
    app.SetErrorHandler([&window](const std::exception& error) { window.HandleException(error); });
    struct HandlerReset {
        QuilbexApplication& app;
        ~HandlerReset() { app.SetErrorHandler(nullptr); }
    } handlerReset{app};

    // The desktop hears how an automatic run ended; without a display there is no desktop.
    DesktopNotifier notifier;
    if (!headless) window.SetNotifier(&notifier);
    // A window that never came on screen does not end the event loop by closing.
    QObject::connect(&window, &TFMain::Closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);

    window.Launch();  // the run plan, then the window when there is something to see
    const int status = headless ? RunWithoutDisplay(app, window) : app.exec();
    notifier.AwaitAnswer(kAnswerLimitMs);
    return status;
}

}  // namespace quilbex
