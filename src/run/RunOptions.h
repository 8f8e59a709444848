// The options and state of one run, named after the settings keys.
#pragma once

#include <cstdint>
#include <string>

#include "xdwapi/xdwapi.h"

namespace quilbex {

struct RunOptions {
    bool ShowSetting = false;  // once the run is planned: the run is interactive
    bool DelFile = false;
    bool OCR = false;
    bool AutoRotate = false;
    std::string NoShowSettingExt;
    std::string NoDelExt;
    std::string SaveDir;
    std::string FileName;
    std::string Language;

    std::string OutPath;
    int32_t LastPhase = -1;
    XDW_CREATE_HANDLE CreateHandle = nullptr;
};

}  // namespace quilbex
