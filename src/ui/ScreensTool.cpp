// quilbex_screens <folder>: renders the main window (waiting, and working
// with its progress), the settings dialog and the version window to PNG files
// in folder, without a display.
#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

#include "common/Cp932.h"
#include "docuworks/DocuWorksApi.h"
#include "run/SettingKeys.h"
#include "ui/Application.h"
#include "ui/Headless.h"
#include "ui/TFMain.h"
#include "ui/TFSetting.h"
#include "ui/TFVersion.h"

namespace {

bool Save(QWidget& widget, const QDir& folder, const char* name) {
    const QString path = folder.filePath(QString::fromLatin1(name));
    if (!widget.grab().save(path, "PNG")) {
        std::fprintf(stderr, "quilbex_screens: cannot write %s\n", path.toLocal8Bit().constData());
        return false;
    }
    std::printf("%s\n", path.toLocal8Bit().constData());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    quilbex::QuietenOffscreenNotes();
    quilbex::QuilbexApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: quilbex_screens <output folder>\n");
        return 2;
    }
    QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "quilbex_screens: cannot create %s\n", argv[1]);
        return 1;
    }
    QTemporaryDir programFolder;
    if (!programFolder.isValid()) return 1;
    const std::string exeDir = programFolder.path().toStdString() + "/";
    std::unique_ptr<docuworks::Api> engine = docuworks::LoadEngine();

    bool ok = true;
    {
        // An interactive run waiting for Execute, as the user sees it: the
        // strip names the file and where it goes.
        QFile ini(QString::fromStdString(exeDir + quilbex::kSettingsFileName));
        const std::string settings =
            quilbex::ToCp932("[common]\r\nShowSetting=Y\r\n[file]\r\nSaveDir=/home/user/文書\r\n")
                .value();
        if (!ini.open(QIODevice::WriteOnly) ||
            ini.write(settings.data(), static_cast<qint64>(settings.size())) < 0)
            return 1;
        ini.close();
        quilbex::TFMain main(*engine, {"/home/user/scan/report.doc"}, exeDir);
        main.Launch();
        main.SetChecked(quilbex::OptionBox::DeleteSource, false);
        main.SetChecked(quilbex::OptionBox::Ocr, true);
        main.SetChecked(quilbex::OptionBox::AutoRotate, true);
        ok &= Save(main, folder, "main.png");
        // As small as it goes.
        const QSize designSize = main.size();
        main.resize(main.minimumSizeHint().expandedTo(main.minimumSize()));
        ok &= Save(main, folder, "main-smallest.png");
        main.resize(designSize);
        // An automatic run while the application prints.
        main.AppendLog("[/home/user/文書]へXDW出力します…");
        main.ShowBanner();
        ok &= Save(main, folder, "main-running.png");
        // ... a long office file, its pages being generated.
        for (const char* line : {"変換を開始しました。", "ｱﾌﾟﾘｹｰｼｮﾝで印刷しています。",
                                 "ﾍﾟｰｼﾞを生成しています。1/2645"}) {
            main.AppendLog(line);
        }
        main.ShowProgress({quilbex::RunProgress::Step::kGenerating, 1210, 2645});
        ok &= Save(main, folder, "main-printing.png");
    }
    // The other windows as on a first start.
    QFile::remove(QString::fromStdString(exeDir + quilbex::kSettingsFileName));
    {
        // An automatic run of a scan during its OCR pass.
        quilbex::TFMain main(*engine, {"/home/user/scan/scan.pdf"}, exeDir);
        main.ShowBanner();
        for (const char* line : {"[/home/user/文書]へXDW出力します…", "XDW出力完了しました。",
                                 "xdwファイルをオープンしました。", "14ページ処理します。",
                                 "1ページをOCRしました。", "2ページをOCRしました。"}) {
            main.AppendLog(line);
        }
        main.ShowProgress({quilbex::RunProgress::Step::kRecognising, 3, 14});
        ok &= Save(main, folder, "main-ocr.png");
    }
    {
        quilbex::TFSetting setting(*engine, exeDir + quilbex::kSettingsFileName, nullptr);
        setting.FormShow();
        ok &= Save(setting, folder, "settings.png");
    }
    {
        quilbex::TFVersion version;
        version.FormShow();
        ok &= Save(version, folder, "version.png");
    }
    return ok ? 0 : 1;
}
