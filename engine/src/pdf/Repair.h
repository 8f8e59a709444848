// What the last conversion had to mend in its source: a damaged PDF that qpdf
// repaired on reading may have lost part of a page, so the source is worth
// keeping. One conversion runs at a time; the value is shared by all threads.
#pragma once

#include <string>

namespace xdw {

// "" when the source was sound, else a short English note of what was mended.
void SetSourceRepair(const std::string& note);
std::string SourceRepair();

}  // namespace xdw
