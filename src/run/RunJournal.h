// Each run's outcome in the system journal (through syslog, tagged
// "quilbex"), so that `journalctl -t quilbex` lists every run of a batch; the
// log file keeps only the last run's lines.
#pragma once

#include <string>

#include "run/RunOutcome.h"

namespace quilbex {

// The journal line of an outcome: the file, the document, the result and the
// reason (a field without a value is "-").
std::string JournalLine(const RunOutcome& outcome);

// Sends the outcome's line to the journal.
void JournalOutcome(const RunOutcome& outcome);

}  // namespace quilbex
