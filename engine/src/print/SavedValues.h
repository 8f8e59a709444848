// Spreadsheets print the values they were saved with. LibreOffice works out
// volatile formulas (NOW, INFO, CELL, RAND, ...) again on every load, whatever
// its settings say, and would print the time, the system's name or the
// temporary folder instead; so the copy it gets has no formulas left, only
// their saved results.
#pragma once

#include <string>

namespace xdw {

// A flat OpenDocument spreadsheet (one XML file, no archive), as the MIME
// type its print plan carries.
inline constexpr const char* kFlatOds = "application/vnd.oasis.opendocument.spreadsheet-flat-xml";

// Whether the MIME type is a spreadsheet whose formulas are taken out.
bool HasSavedValues(const std::string& mime);

// Writes to copy the spreadsheet at source without its formulas. Throws
// EngineError(XDW_E_CANNOT_READ) for an archive that cannot be read or
// unpacks to more than the limit, or whose values do not fit in memory.
// True when some cell holds a value.
bool WriteSavedValues(const std::string& source, const std::string& copy, const std::string& mime);

}  // namespace xdw
