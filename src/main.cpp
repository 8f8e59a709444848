// The program entry: the application, the main window and the event loop.
#include <QCoreApplication>
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
    if (headless && !window.CloseRequested()) {
        std::fprintf(stderr,
                     "Quilbex: この変換は実行ボタンを待っていますが、画面がありません。"
                     "設定で「コンバート時に設定画面を表示する」を外すか、画面のある環境で起動して"
                     "ください。\n");
        return 3;
    }
    return app.exec();
}
