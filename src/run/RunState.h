// What the parts of one conversion run share: the window, the engine, the
// command line, the options being worked with and how the run has gone.
#pragma once

#include <atomic>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "docuworks/DocuWorksApi.h"
#include "run/FileText.h"
#include "run/RunOptions.h"
#include "run/RunOutcome.h"
#include "run/TurnQueue.h"
#include "run/WindowOps.h"
#include "run/Worker.h"

namespace quilbex {

// Local time now; replaced by a fixed time in tests.
using Clock = std::function<std::tm()>;
Clock SystemClock();

struct RunState {
    RunState(WindowOps& window, docuworks::Api& engine, std::vector<std::string> args, Clock clock);

    // The file to convert; only asked for when there is one.
    const std::string& Source() const { return args.front(); }
    // The extension of the source without its dot ("" when it has none).
    std::string SourceExtension() const;

    WindowOps& window;
    docuworks::Api& engine;
    std::vector<std::string> args;
    Clock clock;
    std::string exeDir;
    RunOptions options;
    InlineWorker inlineWorker;
    Worker* worker = &inlineWorker;
    NoTurnQueue noQueue;
    TurnQueue* turns = &noQueue;
    // Waiting for a turn at the heavy work; the timer asks again. ahead: the
    // runs before this one, as last shown.
    bool waiting = false;
    int ahead = 0;
    bool finalized = false;
    // Shared between the window's thread and the worker. While working, only
    // the worker calls the engine (the window's thread only sets
    // cancelRequested); its last step, after its last call, enables the
    // timer, and from then on only the window's thread calls the engine.
    std::atomic<bool> monitoring{false};  // an application-print conversion is being followed
    std::atomic<bool> working{false};
    std::atomic<bool> cancelRequested{false};
    std::atomic<bool> abandoned{false};
    bool finished = false;
    bool cancelAsked = false;  // the cancel action was used during this run
    RunOutcome outcome;
    // The source as it was when the conversion opened it: only that file is
    // ever deleted.
    std::optional<FileIdentity> sourceIdentity;
    bool sourceDeleted = false;
};

}  // namespace quilbex
