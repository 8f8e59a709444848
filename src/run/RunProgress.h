// What a run is doing and how far it has got, for the window to show.
#pragma once

#include "xdwapi/xdwapi.h"

namespace quilbex {

struct RunProgress {
    enum class Step {
        kNone,         // nothing is being worked on
        kConverting,   // direct conversion
        kRotating,     // auto-rotation of page current of total
        kRecognising,  // OCR of page current of total
        kSaving,       // the recognised document is being saved
        kStarting,     // application printing: the conversion has started
        kLayingOut,    // the application prints (lays out the file)
        kGenerating,   // pages are generated: current of total
        kAttaching,    // the original file is attached
        kWriting,      // the document is written
        kCancelling,   // a cancel has been asked for
        kWaiting,      // waiting for a turn, current runs before this one
    };
    Step step = Step::kNone;
    int current = 0;
    int total = 0;  // 0: how far is not known
    // The open document whose page is rotated or recognised, to ask the engine
    // how far that page has got.
    XDW_DOCUMENT_HANDLE document = nullptr;

    bool operator==(const RunProgress&) const = default;
};

}  // namespace quilbex
