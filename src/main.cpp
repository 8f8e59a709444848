// The program entry: the application, the main window and the event loop.
#include <QCoreApplication>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "docuworks/DocuWorksApi.h"
#include "run/ProgramFolder.h"
#include "ui/Application.h"
#include "ui/Headless.h"
#include "ui/TFMain.h"

int main(int argc, char** argv) {
    quilbex::UseOffscreenWithoutDisplay();
    if (!quilbex::DisplayAvailable()) quilbex::QuietenOffscreenNotes();
    quilbex::QuilbexApplication app(argc, argv);

    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const bool headless = quilbex::RunningHeadless();
    if (headless && args.empty()) {
        std::fprintf(stderr,
                     "Quilbex: 画面がないため設定画面を表示できません。"
                     "変換するファイルを指定してください: quilbex <file>\n");
        return 2;
    }

    std::unique_ptr<docuworks::Api> engine = docuworks::LoadEngine();
    const std::string exeDir =
        quilbex::ProgramFolder(QCoreApplication::applicationDirPath().toStdString() + "/");
    quilbex::TFMain window(*engine, std::move(args), exeDir);
    app.SetErrorHandler([&window](const std::exception& error) { window.HandleException(error); });

    window.show();  // runs the run plan before the window is drawn
    if (!headless) return app.exec();

    // Without a display nobody can press Execute or close the window: a run
    // that would wait for the user ends with a message instead, now or later.
    const auto refuseWaiting = [] {
        std::fprintf(stderr,
                     "Quilbex: 画面がないため、ユーザーの操作を待つことはできません。"
                     "設定で「コンバート時に設定画面を表示する」を外してください。\n");
    };
    if (window.WaitsForUser()) {
        refuseWaiting();
        return 3;
    }
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (window.WaitsForUser()) {
            refuseWaiting();
            QCoreApplication::exit(3);
        }
    });
    watch.start(1000);
    return app.exec();
}
