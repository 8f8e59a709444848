// Where the new document goes: folder, composed name and the full path.
#pragma once

#include <ctime>
#include <string>

#include "docuworks/DocuWorksApi.h"

namespace quilbex {

// The engine's default output folder (information item 6), up to its first zero byte.
std::string DefaultOutputFolder(docuworks::Api& engine);

std::string ComposeOutputName(const std::string& fileName, const std::string& sourcePath,
                              const std::tm& now);
std::string BuildOutPath(const std::string& saveDir, const std::string& name);

}  // namespace quilbex
