// Conversion dispatch: the Execute action, which works out the output path,
// picks the route by the source's extension and carries a direct conversion
// to its end.
#include "run/ConversionRun.h"
#include "run/FileText.h"
#include "run/OutputTarget.h"
#include "run/RunLog.h"

namespace quilbex {

namespace {

enum class Route { kPdf, kImage, kAppPrint };

Route RouteFor(const std::string& source) {
    const std::string ext = UpperCase(ExtractFileExt(source));
    if (ext == ".PDF") return Route::kPdf;
    if (ext == ".TIF" || ext == ".TIFF" || ext == ".JPEG" || ext == ".JPG") return Route::kImage;
    return Route::kAppPrint;
}

// Every bit set: the original file is attached to the document.
constexpr int kAttachOriginal = -1;

}  // namespace

void ConversionRun::DeleteSourceWhenAsked() {
    if (options_.DelFile && !DeleteFilePermanently(Source())) AddLog("元ファイル削除失敗");
}

void ConversionRun::acExecuteExecute() {
    // Nothing to convert; and while a conversion is being followed, a second
    // start would lose the handle of the first.
    if (args_.empty() || monitoring_) return;

    if (options_.ShowSetting) {
        options_.DelFile = window_.IsChecked(OptionBox::DeleteSource);
        options_.OCR = window_.IsChecked(OptionBox::Ocr);
        options_.AutoRotate = window_.IsChecked(OptionBox::AutoRotate);
    }
    window_.ClearLog();

    const std::string defaultFolder = DefaultOutputFolder(engine_);
    if (options_.SaveDir.empty()) options_.SaveDir = defaultFolder;
    const std::string name = ComposeOutputName(options_.FileName, Source(), clock_());
    AddLog("[" + options_.SaveDir + "]へXDW出力します…");
    options_.OutPath = BuildOutPath(options_.SaveDir, name);

    int result = kNoDirectRoute;
    switch (RouteFor(Source())) {
        case Route::kPdf:
            result = engine_.CreateXdwFromImagePdfFile(Source(), options_.OutPath);
            break;
        case Route::kImage: {
            XDW_CREATE_OPTION option{};
            option.size = sizeof option;
            option.fit_to_resolution = 1;
            result = engine_.CreateXdwFromImageFile(Source(), options_.OutPath, option);
            break;
        }
        case Route::kAppPrint:
            break;
    }

    if (result < 0) {
        // A refused direct conversion is not reported: application printing follows.
        options_.LastPhase = -1;
        const int started = engine_.BeginCreationFromAppFile(
            Source(), options_.OutPath, kAttachOriginal, &options_.CreateHandle);
        if (started < 0) {
            ReportError(started);
            acAppCancelExecute();
            FinishRun();
            return;
        }
        monitoring_ = true;
        window_.SetTimerEnabled(true);
        return;
    }

    AddLog("XDW出力完了しました。");
    DeleteSourceWhenAsked();
    if (options_.OCR) RunOcrPass();
    FinishRun();
}

}  // namespace quilbex
