// The run plan: the options a start takes from the settings file, and what
// the source's extension changes in them.
#pragma once

#include <string>

#include "run/RunOptions.h"
#include "run/Settings.h"

namespace quilbex {

// The options the settings file sets (switches are on when "Y").
void ReadRunOptions(const SettingsFile& settings, RunOptions& options);

// A source whose extension (without its dot) is listed in NoDelExt is never
// deleted; one listed in NoShowSettingExt is converted without the window
// waiting for the user.
void ApplyExtensionLists(const std::string& ext, RunOptions& options);

}  // namespace quilbex
