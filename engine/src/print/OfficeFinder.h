// Finding LibreOffice, and programs on PATH.
#pragma once

#include <string>
#include <vector>

namespace xdw {

// The full path of the LibreOffice program (soffice.bin itself when it lies
// beside the launcher found); throws
// EngineError(XDW_E_NOT_INSTALLED) when there is none.
std::string FindOffice(const std::vector<std::string>& candidates);

// The first executable file called name in a folder of PATH; "" when none.
std::string SearchPath(const std::string& name);

}  // namespace xdw
