// The private LibreOffice profile each conversion runs with.
#pragma once

#include <string>

namespace xdw {

// Writes the settings of a fresh private profile so that a document cannot
// reach outside itself: linked pictures and files are not loaded, links and
// external data are never updated, formulas are not recalculated on load,
// macros never run, and network access goes to a proxy that refuses.
void WriteOfficeProfile(const std::string& profileDir);

}  // namespace xdw
