// Helpers of the application-printing tests: following a conversion's
// phases, looking into the attachments of a document, and finding processes
// and temporary folders a conversion may have left behind.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "xdwapi/xdwapi.h"

namespace xdwtest {

// What polling a conversion every 50 ms saw.
struct PhaseTrace {
    std::vector<int> phases;  // each change of phase, in order
    bool sawPages = false;    // phase 3 was seen
    int firstPage = 0;        // page and total when phase 3 was first seen
    int firstTotal = 0;
    int lastPage = 0;  // page and total at the end
    int lastTotal = 0;
    bool timedOut = false;
};

// Polls until phase 8 or 9 (or the timeout). onPoll runs after every poll
// with the phase seen, and may act on the conversion (for instance cancel).
PhaseTrace WatchPhases(const std::function<XDW_CREATION_STATUS()>& poll,
                       std::chrono::seconds timeout, const std::function<void(int)>& onPoll = {});

// Asks done every 10 ms until it holds or limit has passed; whether it held.
bool WaitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(30));

// True when phases only go forward through 1, 2, 3, 4, 5 and end in 8.
bool IsSuccessfulRun(const std::vector<int>& phases);
std::string Describe(const std::vector<int>& phases);

// Names and bytes of the files attached to a PDF.
std::vector<std::string> AttachmentNames(const std::string& pdf);
std::string AttachmentBytes(const std::string& pdf, const std::string& name);

// How the engine's printing names its temporary folders in this process.
std::string AppPrintTempPrefix();

// Processes of this test program's conversions still running, found by the
// temporary folder their command line names.
std::vector<pid_t> LeftoverConversionProcesses();
// Temporary folders of this test program's conversions still present.
std::vector<std::string> LeftoverTempFolders();

// Writes an executable shell script standing in for LibreOffice.
void WriteScript(const std::string& path, const std::string& body);

// Converts a text file to an OpenDocument text with LibreOffice itself, into
// outDir; returns the .odt path.
std::string MakeOdtWithOffice(const std::string& txt, const std::string& outDir);

}  // namespace xdwtest
