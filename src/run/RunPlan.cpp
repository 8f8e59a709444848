#include "run/RunPlan.h"

#include "run/PathText.h"
#include "run/SettingKeys.h"

namespace quilbex {

namespace {

bool IsYes(const std::string& value) { return value == "Y"; }

// True when one item of the comma list equals ext, ignoring letter case.
bool ListHolds(const std::string& commaList, const std::string& ext) {
    for (const auto& item : CommaList(commaList)) {
        if (SameText(item, ext)) return true;
    }
    return false;
}

}  // namespace

void ReadRunOptions(const SettingsFile& settings, RunOptions& options) {
    options.ShowSetting = IsYes(settings.Read(setting::kShowSetting));
    options.DelFile = IsYes(settings.Read(setting::kDelFile));
    options.OCR = IsYes(settings.Read(setting::kOcr));
    options.AutoRotate = IsYes(settings.Read(setting::kAutoRotate));
    options.NoShowSettingExt = settings.Read(setting::kNoShowSettingExt);
    options.NoDelExt = settings.Read(setting::kNoDelExt);
    options.Language = settings.Read(setting::kLanguage);
    options.SaveDir = settings.Read(setting::kSaveDir);
    options.FileName = settings.Read(setting::kFileName);
}

void ApplyExtensionLists(const std::string& ext, RunOptions& options) {
    options.DelFile = options.DelFile && !ListHolds(options.NoDelExt, ext);
    options.ShowSetting = options.ShowSetting && !ListHolds(options.NoShowSettingExt, ext);
}

}  // namespace quilbex
