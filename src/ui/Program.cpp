#include "ui/Program.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "docuworks/DocuWorksApi.h"
#include "docuworks/EngineLibrary.h"
#include "run/CommandLine.h"
#include "run/LockedTurnQueue.h"
#include "run/ProgramFolder.h"
#include "run/RunJournal.h"
#include "run/RunOutcome.h"
#include "ui/Application.h"
#include "ui/DetachedNotifier.h"
#include "ui/Headless.h"
#include "ui/RuntimeFolder.h"
#include "ui/TFMain.h"
#include "ui/TerminationSignals.h"

namespace quilbex {

namespace {

void SayNobodyCanAnswer() {
    std::fprintf(stderr,
                 "Quilbex: 画面がないため、ユーザーの操作を待つことはできません。"
                 "設定で「コンバート時に設定画面を表示する」を外してください。\n");
}

// Without a display nobody can press Execute or close the window: a run that
// would wait for the user ends with a message instead, now or later.
void RunWithoutDisplay(QuilbexApplication& app, TFMain& window) {
    const auto nobodyToAnswer = [&window] {
        SayNobodyCanAnswer();
        window.Run().NobodyToAnswer();
    };
    if (window.WaitsForUser()) return nobodyToAnswer();
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!window.WaitsForUser()) return;
        nobodyToAnswer();
        QCoreApplication::exit(0);
    });
    watch.start(1000);
    app.exec();
}

int ShowVersion() {
    std::printf("%s\n", MainCaption().c_str());
    const std::string engine = docuworks::LoadEngine()->EngineVersion();
    std::printf("engine %s\n", engine.empty() ? "-" : engine.c_str());
    return ExitCode(ExitStatus::kDone);
}

// The failures of an automatic run, one line each, for scripts and file managers.
void TellFailures(const ConversionRun& run) {
    if (run.Options().ShowSetting) return;
    for (const std::string& line : run.Outcome().failures)
        std::fprintf(stderr, "%s\n", line.c_str());
}

}  // namespace

int RunProgram(int argc, char** argv) {
    // Runs started together share the queue of the session's runtime folder,
    // never the private one a run makes for itself.
    const std::string sessionRuntime = SessionRuntimeFolder();
    const RuntimeFolder runtime;  // before anything of Qt's
    // The program's own helper that answers a notification (never a user's file:
    // a file whose name starts with "-" comes after "--").
    // It waits hours for an answer with nothing to save: a logout or a kill
    // ends it at once, not held back until a SIGKILL.
    if (argc > 1 && std::string(argv[1]) == kNotificationOption) {
        ReleaseTermination();
        return RunNotificationHelper(std::vector<std::string>(argv + 2, argv + argc));
    }
    // The arguments as the system gave them: a path is used byte for byte.
    const CommandLine line =
        ParseCommandLine(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    if (line.action == CommandLine::Action::kHelp) {
        std::fputs(HelpText().c_str(), stdout);
        return ExitCode(ExitStatus::kDone);
    }
    if (line.action == CommandLine::Action::kVersion) return ShowVersion();
    // One file per run: the others are named, with how to convert them.
    if (line.files.size() > 1) std::fputs(ExtraFilesNote(line.files).c_str(), stderr);

    UseOffscreenWithoutDisplay();
    if (!DisplayAvailable()) QuietenOffscreenNotes();
    // Qt sees only the program's name: none of the user's arguments is taken
    // for one of its own options.
    char programName[] = "quilbex";
    char* qtArgv[] = {argc > 0 ? argv[0] : programName, nullptr};
    int qtArgc = 1;
    QuilbexApplication app(qtArgc, qtArgv);

    const bool headless = RunningHeadless();
    if (headless && line.files.empty()) {
        std::fprintf(stderr,
                     "Quilbex: 画面がないため設定画面を表示できません。"
                     "変換するファイルを指定してください: quilbex <file>\n");
        return ExitCode(ExitStatus::kUsage);
    }

    std::unique_ptr<docuworks::Api> engine = docuworks::LoadEngine();
    // Byte for byte: a folder name that is not UTF-8 is still the folder.
    const std::string exeDir = ProgramFolder(docuworks::ExecutableFolder());
    // Runs started together take turns for the heavy work.
    LockedTurnQueue turns(TurnQueueFolder(sessionRuntime), ProcessorsAvailable());
    TFMain window(*engine, line.files, exeDir);
    window.Run().NoteSettings(UnusedSettingsNote(docuworks::ExecutableFolder(), exeDir));
    window.Run().SetTurnQueue(turns);
    app.SetErrorHandler([&window](const std::exception& error) { window.HandleException(error); });
    struct HandlerReset {
        QuilbexApplication& app;
        ~HandlerReset() { app.SetErrorHandler(nullptr); }
    } handlerReset{app};

    // The desktop hears how an automatic run ended; without a display there is no desktop.
    DetachedNotifier notifier(QCoreApplication::applicationFilePath().toStdString());
    if (!headless) window.SetNotifier(&notifier);
    // A window that never came on screen does not end the event loop by closing.
    QObject::connect(&window, &TFMain::Closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);

    // A conversion being followed or worked on is cancelled and ends as
    // usual; anything else ends at once, modal dialogs included.
    TerminationSignals termination([&window] {
        window.Terminate();
        if (!window.Run().Monitoring() && !window.Run().Working() && !window.Run().Waiting())
            QCoreApplication::exit(0);
    });

    window.Launch();  // the run plan, then the window when there is something to see
    if (headless) {
        RunWithoutDisplay(app, window);
    } else {
        app.exec();
    }
    TellFailures(window.Run());
    // Every run with a file leaves a line in the system journal.
    if (!line.files.empty()) JournalOutcome(window.Run().Outcome());
    return ExitCode(window.Run().Outcome().status);
}

}  // namespace quilbex
