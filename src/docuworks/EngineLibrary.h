// Binding the engine library at run time.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "docuworks/DocuWorksApi.h"

namespace docuworks {

// The engine bound from the first of these library paths that loads and has
// every call (a name without "/" is looked up in the system's library path);
// when none does, every call fails with XDW_E_NOT_INSTALLED. LoadEngine()
// tries the executable's folder, its ../lib, then the system's path.
std::unique_ptr<Api> LoadEngineFrom(const std::vector<std::string>& candidates);

// The folder of the running executable with a trailing "/", byte for byte as
// the file system names it (any bytes, not only UTF-8); "" when unknown.
std::string ExecutableFolder();

}  // namespace docuworks
