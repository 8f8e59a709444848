// Start-up and run plan: the window's create, show and destroy events, and
// the choice between a settings-only start, an interactive and an automatic run.
#include <ctime>

#include "run/ConversionRun.h"
#include "run/FileText.h"
#include "run/Leftovers.h"
#include "run/RunLog.h"
#include "run/Settings.h"
#include "run/Version.h"

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

Clock SystemClock() {
    return [] {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        return local;
    };
}

ConversionRun::ConversionRun(WindowOps& window, docuworks::Api& engine,
                             std::vector<std::string> args, Clock clock)
    : window_(window), engine_(engine), args_(std::move(args)), clock_(std::move(clock)) {
    // A run that ends before its conversion is done has been cancelled.
    if (!args_.empty()) outcome_.status = ExitStatus::kCancelled;
}

void ConversionRun::FormCreate(const std::string& exeDir) { exeDir_ = exeDir; }

std::string MainCaption() { return std::string("Quilbex for DocuWorks ") + VersionText(); }

void ConversionRun::FormShow() {
    window_.SetCaption(MainCaption());
    window_.FocusDeleteSource();
    PlanRun();
}

void ConversionRun::FormDestroy() {
    if (finalized_) return;
    finalized_ = true;
    engine_.Finalize();
}

void ConversionRun::acCloseExecute() { window_.RequestClose(); }

std::string ConversionRun::SourceExtension() const {
    const std::string ext = ExtractFileExt(Source());
    return ext.empty() ? ext : ext.substr(1);
}

void ConversionRun::PlanRun() {
    RemoveTemporaryLeftovers();
    const SettingsFile settings(exeDir_ + kSettingsFileName);
    // A FIFO or a device in its place is never read (it could block the start
    // for ever); the defaults apply.
    if (!settings.Usable()) {
        const std::string note = NotRegularSettingsMessage(settings.Path());
        if (args_.empty()) {
            window_.ShowMessage(note);
        } else {
            outcome_.failures.push_back("quilbex: " + note);
        }
    }
    options_.ShowSetting = IsYes(settings.Read("common", "ShowSetting", "N"));
    options_.DelFile = IsYes(settings.Read("common", "DelFile", "N"));
    options_.OCR = IsYes(settings.Read("common", "OCR", "N"));
    options_.AutoRotate = IsYes(settings.Read("common", "AutoRotate", "N"));
    options_.NoShowSettingExt = settings.Read("common", "NoShowSettingExt", "");
    options_.NoDelExt = settings.Read("common", "NoDelExt", "");
    options_.Language = settings.Read("common", "Language", "自動");
    options_.SaveDir = settings.Read("file", "SaveDir", "");
    options_.FileName = settings.Read("file", "FileName", "");

    if (args_.empty()) {
        window_.ShowSettingsDialog();
        window_.RequestClose();
        return;
    }

    const std::string ext = SourceExtension();
    options_.DelFile = options_.DelFile && !ListHolds(options_.NoDelExt, ext);
    options_.ShowSetting = options_.ShowSetting && !ListHolds(options_.NoShowSettingExt, ext);
    if (!options_.ShowSetting) {
        window_.ShowBanner();
        acExecuteExecute();
    }
    window_.SetChecked(OptionBox::DeleteSource, options_.DelFile);
    window_.SetChecked(OptionBox::Ocr, options_.OCR);
    window_.SetChecked(OptionBox::AutoRotate, options_.AutoRotate);
}

}  // namespace quilbex
