// What the parts of one conversion run share: the window, the engine, the
// command line, the options being worked with, the stops asked for and how
// the run has gone. What only one part changes is kept by that part.
#pragma once

#include <atomic>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "docuworks/DocuWorksApi.h"
#include "run/CancelRequests.h"
#include "run/OutcomeRecorder.h"
#include "run/RunOptions.h"
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
    const std::vector<std::string> args;
    const Clock clock;
    std::string exeDir;
    RunOptions options;
    InlineWorker inlineWorker;
    Worker* worker = &inlineWorker;
    NoTurnQueue noQueue;
    TurnQueue* turns = &noQueue;
    // Shared between the window's thread and the worker. While working, only
    // the worker calls the engine (the window's thread only asks for a
    // stop); its last step, after its last call, enables the timer, and from
    // then on only the window's thread calls the engine. Set by Execute for
    // as long as its work runs on the worker.
    std::atomic<bool> working{false};
    CancelRequests cancel;
    OutcomeRecorder outcome;
};

}  // namespace quilbex
