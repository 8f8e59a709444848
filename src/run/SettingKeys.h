// The settings file's keys, one row each: its section, its name and what a
// missing key reads as. The run plan reads them; the settings dialog binds its
// controls to them.
#pragma once

namespace quilbex {

struct SettingKey {
    const char* section;
    const char* key;
    const char* fallback;
    // What a missing or empty value stands for (the choice the run makes of
    // it), said in the dialog's tool tip; empty where there is nothing to say.
    const char* emptyShows = "";
    // The value names a folder: read back, it is matched to what is on disk.
    bool isPath = false;
};

inline constexpr const char* kSettingsFileName = "Quilbex.ini";

namespace setting {

inline constexpr SettingKey kShowSetting{"common", "ShowSetting", "N"};
inline constexpr SettingKey kDelFile{"common", "DelFile", "N"};
inline constexpr SettingKey kOcr{"common", "OCR", "N"};
inline constexpr SettingKey kAutoRotate{"common", "AutoRotate", "N"};
inline constexpr SettingKey kNoShowSettingExt{"common", "NoShowSettingExt", ""};
inline constexpr SettingKey kNoDelExt{"common", "NoDelExt", ""};
inline constexpr SettingKey kLanguage{"common", "Language", "自動", "自動"};
inline constexpr SettingKey kSaveDir{"file", "SaveDir", "", "", true};
inline constexpr SettingKey kFileName{"file", "FileName", "", "元のファイル名"};

}  // namespace setting

}  // namespace quilbex
