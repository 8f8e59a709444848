// The settings dialog against real Quilbex.ini files in a temporary folder.
#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QToolButton>
#include <memory>

#include "GuiSupport.h"
#include "run/Settings.h"
#include "ui/TFMain.h"
#include "ui/TFSetting.h"

namespace quilbex::test {
namespace {

class SettingsDialog : public ::testing::Test {
protected:
    // The dialog as the run opens it: owned by the main window, errors through
    // the main window's default error handler.
    void Open(const std::string& ini = "") {
        if (!ini.empty()) folder.WriteIni(ini);
        main = std::make_unique<TFMain>(engine, std::vector<std::string>{"a.doc"}, folder.Path());
        dialog = main->CreateSettingsDialog();
        ShowActive(dialog.get());
    }

    template <typename T = QWidget>
    T* Child(const char* name) {
        return Find<T>(dialog.get(), name);
    }

    void PressOk() { QTest::mouseClick(Child("BitBtn1"), Qt::LeftButton); }

    FakeEngine engine;
    ProgramDir folder;
    MessageRecorder messages;
    std::unique_ptr<TFMain> main;
    std::unique_ptr<TFSetting> dialog;
};

// 1024x600 at scale 2 leaves 512x276 and less: the groups scroll, the row of
// buttons stays whole, and OK still saves.
TEST_F(SettingsDialog, OnASmallScreenTheButtonsStayWhole) {
    Open();
    const QRect room(0, 0, 512, 260);
    dialog->FitInto(room);
    QApplication::processEvents();
    EXPECT_LE(dialog->height(), room.height());
    EXPECT_LE(dialog->width(), room.width());
    for (const char* name : {"BitBtn1", "BitBtn2", "btnVer"}) {
        EXPECT_TRUE(dialog->rect().contains(Child(name)->geometry().translated(
            Child(name)->parentWidget()->mapTo(dialog.get(), QPoint()))))
            << name;
    }
    PressOk();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
}

// A first start selects nothing and says what the empty file means (the
// source's name, automatic language, the documents folder) in tool tips and
// the output folder's placeholder.
TEST_F(SettingsDialog, OkOnAFreshSystemWritesTheNineKeysInOrder) {
    Open();
    EXPECT_EQ(Child<QComboBox>("cbFileName")->currentIndex(), -1);
    EXPECT_TRUE(Child<QComboBox>("cbFileName")->toolTip().contains("元のファイル名"));
    EXPECT_TRUE(Child<QComboBox>("cbLanguage")->toolTip().contains("自動"));
    EXPECT_TRUE(
        Child<QLineEdit>("EditOutDir")->placeholderText().contains("ドキュメントフォルダー"));
    PressOk();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    const std::vector<std::string> expected = {
        "[file]",    "FileName=", "SaveDir=",     "[common]",          "Language=", "ShowSetting=N",
        "DelFile=N", "OCR=N",     "AutoRotate=N", "NoShowSettingExt=", "NoDelExt="};
    std::vector<std::string> lines;
    for (const std::string& line : folder.IniLines()) {
        if (!line.empty()) lines.push_back(line);
    }
    EXPECT_EQ(lines, expected);
    EXPECT_TRUE(messages.Shown().empty());
}

TEST_F(SettingsDialog, LoadsEveryControlFromTheFile) {
    Open(
        "[common]\nShowSetting=Y\nDelFile=y\nOCR=Y\nAutoRotate=Y\nLanguage=英語\n"
        "NoShowSettingExt=  pdf, \"my ext\",\nNoDelExt=doc xls\n"
        "[file]\nSaveDir=/srv/out\nFileName=\"元のファイル名\"yymmdd\n");
    EXPECT_TRUE(Child<QCheckBox>("ckShowSetting")->isChecked());
    EXPECT_FALSE(Child<QCheckBox>("ckDelFile")->isChecked()) << "only Y is true";
    EXPECT_TRUE(Child<QCheckBox>("ckOCR")->isChecked());
    EXPECT_TRUE(Child<QCheckBox>("ckAutoRotate")->isChecked());
    EXPECT_EQ(Child<QComboBox>("cbLanguage")->currentText(), "英語");
    EXPECT_EQ(Child<QComboBox>("cbFileName")->currentIndex(), 1);
    EXPECT_EQ(Child<QLineEdit>("EditOutDir")->text(), "/srv/out");
    EXPECT_EQ(Child<QPlainTextEdit>("EditNoShowSettingExt")->toPlainText(), "pdf\nmy ext\n\n");
    EXPECT_EQ(Child<QPlainTextEdit>("EditNoDelExt")->toPlainText(), "doc\nxls\n");
    EXPECT_TRUE(Child("ckAutoRotate")->isEnabled());
    EXPECT_TRUE(Child("cbLanguage")->isEnabled());
}

TEST_F(SettingsDialog, ListsSurviveOkUnchangedIncludingAnEmptyLastItem) {
    Open("[common]\nNoShowSettingExt=pdf, \"my ext\",\nNoDelExt=doc xls\n");
    PressOk();
    const SettingsFile file(folder.IniPath());
    EXPECT_EQ(file.Read("common", "NoShowSettingExt", "-"), "pdf,\"my ext\",");
    EXPECT_EQ(file.Read("common", "NoDelExt", "-"), "doc,xls");
}

TEST_F(SettingsDialog, HandWrittenPatternShowsNoSelectionAndSavesEmpty) {
    Open("[file]\nFileName=yyyy-mm-dd\n");
    auto* combo = Child<QComboBox>("cbFileName");
    EXPECT_EQ(combo->currentIndex(), -1);
    EXPECT_EQ(combo->currentText(), "");
    PressOk();
    EXPECT_EQ(SettingsFile(folder.IniPath()).Read("file", "FileName", "-"), "");
}

TEST_F(SettingsDialog, PatternEqualToAnOfferedOneIgnoringCaseSelectsItAndSavesItsSpelling) {
    Open("[file]\nFileName=YYYYMMDDHHNNSS\n[common]\nLanguage=日本語\n");
    auto* combo = Child<QComboBox>("cbFileName");
    EXPECT_EQ(combo->currentIndex(), 3);
    EXPECT_EQ(Child<QComboBox>("cbLanguage")->currentIndex(), 1);
    PressOk();
    const SettingsFile file(folder.IniPath());
    EXPECT_EQ(file.Read("file", "FileName", "-"), "yyyymmddhhnnss");
    EXPECT_EQ(file.Read("common", "Language", "-"), "日本語");
}

TEST_F(SettingsDialog, MemoLinesAreWrittenAsACommaList) {
    Open();
    Child<QPlainTextEdit>("EditNoDelExt")->setPlainText("pdf\n tif ");
    Child<QPlainTextEdit>("EditNoShowSettingExt")->setPlainText("doc\nxls\n");
    PressOk();
    const SettingsFile file(folder.IniPath());
    EXPECT_EQ(file.Read("common", "NoDelExt", "-"), "pdf,\" tif \"");
    EXPECT_EQ(file.Read("common", "NoShowSettingExt", "-"), "doc,xls");
}

TEST_F(SettingsDialog, WrappedMemoLineStaysOneItem) {
    Open();
    auto* memo = Child<QPlainTextEdit>("EditNoDelExt");
    const QString longItem = "averyveryverylongextensionthatwraps";
    memo->setPlainText(longItem + "\npdf");
    QApplication::processEvents();
    ASSERT_GT(memo->document()->firstBlock().layout()->lineCount(), 1) << "shown wrapped";
    PressOk();
    EXPECT_EQ(SettingsFile(folder.IniPath()).Read("common", "NoDelExt", "-"),
              longItem.toStdString() + ",pdf");
}

TEST_F(SettingsDialog, CancelWritesNothing) {
    Open("[common]\nOCR=N\n");
    Child<QCheckBox>("ckOCR")->setChecked(true);
    Child<QLineEdit>("EditOutDir")->setText("/elsewhere");
    QTest::mouseClick(Child("BitBtn2"), Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    const std::vector<std::string> untouched = {"[common]", "OCR=N"};
    EXPECT_EQ(folder.IniLines(), untouched);
}

TEST_F(SettingsDialog, EscapeCancels) {
    Open();
    QTest::keyClick(Child("EditOutDir"), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_TRUE(folder.IniLines().empty());
}

TEST_F(SettingsDialog, OkSavesTheChangedControls) {
    Open();
    Child<QCheckBox>("ckShowSetting")->setChecked(true);
    Child<QComboBox>("cbLanguage")->setCurrentIndex(2);
    Child<QLineEdit>("EditOutDir")->setText("/srv/出力");
    PressOk();
    const SettingsFile file(folder.IniPath());
    EXPECT_EQ(file.Read("common", "ShowSetting", "-"), "Y");
    EXPECT_EQ(file.Read("common", "Language", "-"), "英語");
    EXPECT_EQ(file.Read("file", "SaveDir", "-"), "/srv/出力");
}

TEST_F(SettingsDialog, EnterOnlyPressesOkWhenOkHasTheFocus) {
    Open();
    QWidget* box = Child("ckShowSetting");
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_TRUE(dialog->isVisible());
    Child("BitBtn1")->setFocus();
    QTest::keyClick(Child("BitBtn1"), Qt::Key_Return);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
}

TEST_F(SettingsDialog, RefusedWriteShowsTheErrorAndKeepsTheDialogOpen) {
    Open();
    // A folder where the file should be: no one, not even root, can write it.
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder.IniPath())));
    bool openWhileShown = false;
    messages.onShow = [&](const MessageRequest&) { openWhileShown = dialog->isVisible(); };
    PressOk();
    ASSERT_EQ(messages.Shown().size(), 1u);
    EXPECT_EQ(messages.Shown()[0].text.toStdString(), folder.IniPath() + " に書き込めません.");
    EXPECT_EQ(messages.Shown()[0].icon, MessageIcon::Error);
    EXPECT_TRUE(openWhileShown);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);

    ASSERT_TRUE(QDir(QString::fromStdString(folder.IniPath())).removeRecursively());
    PressOk();
    EXPECT_FALSE(dialog->isVisible()) << "OK again succeeds";
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
}

TEST_F(SettingsDialog, AMissingOutputFolderIsNamedOnSavingAndMadeOrKeptOrGoneBackTo) {
    const struct {
        int answer;  // 作って保存, このまま保存, 戻る
        bool made, saved;
    } cases[] = {{0, true, true}, {1, false, true}, {2, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        QTemporaryDir temp;
        const QString missing = temp.filePath(QStringLiteral("出力/月別"));
        Open("[file]\nSaveDir=/srv/old\n");
        Child<QLineEdit>("EditOutDir")->setText(missing);
        QString asked;
        ChoicePresenter previous =
            SetChoicePresenter([&](const MessageRequest& request, const QStringList&) {
                asked = request.text;
                return c.answer;
            });
        PressOk();
        SetChoicePresenter(std::move(previous));
        EXPECT_EQ(asked, "出力先フォルダー「" + missing + "」がありません。作りますか？");
        EXPECT_EQ(QDir(missing).exists(), c.made);
        EXPECT_EQ(dialog->isVisible(), !c.saved);
        EXPECT_EQ(SettingsFile(folder.IniPath()).Read("file", "SaveDir", "-"),
                  c.saved ? missing.toStdString() : "/srv/old");
        dialog.reset();  // before the window that owns it
    }
}

// Code page 932 writes 〜 (U+301C) and ～ (U+FF5E) alike: a folder typed either
// way is the one on disk, never made a second time, and reads back as typed.
TEST_F(SettingsDialog, AFolderWithAWaveDashIsTheOneOnDisk) {
    for (const char* typed : {"4月〜6月", "4月～6月"}) {
        SCOPED_TRACE(typed);
        QTemporaryDir temp;
        const QString onDisk = temp.filePath(QStringLiteral("4月〜6月"));
        QDir().mkdir(onDisk);
        Open("[file]\nSaveDir=/srv/old\n");
        Child<QLineEdit>("EditOutDir")->setText(temp.filePath(QString::fromUtf8(typed)));
        PressOk();
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(QDir(temp.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 1);
        dialog.reset();
        Open();
        EXPECT_EQ(Child<QLineEdit>("EditOutDir")->text(), onDisk);
        dialog.reset();
        // Both spellings beside each other: the 〜 one is taken, and the user told.
        const std::size_t shown = messages.Shown().size();
        QDir().mkdir(temp.filePath(QStringLiteral("4月～6月")));
        Open();
        Child<QLineEdit>("EditOutDir")->setText(temp.filePath(QString::fromUtf8(typed)));
        PressOk();
        EXPECT_EQ(Child<QLineEdit>("EditOutDir")->text(), onDisk);
        ASSERT_EQ(messages.Shown().size(), shown + 1);
        EXPECT_EQ(messages.Shown().back().icon, MessageIcon::Warning);
        EXPECT_TRUE(
            messages.Shown().back().text.contains(temp.filePath(QStringLiteral("4月～6月"))));
        dialog.reset();
    }
}

// A value code page 932 cannot hold is named before anything is written; the
// file stays exactly as it was.
TEST_F(SettingsDialog, ValueThatCannotBeStoredIsNamedAndNothingIsWritten) {
    const std::string before = "[common]\nShowSetting=Y\n[file]\nSaveDir=/srv/old\n";
    struct Case {
        const char* control;
        std::string field, character;
    } cases[] = {{"EditOutDir", "出力先", "ü"}, {"EditNoDelExt", "削除しない拡張子", "ü"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control);
        Open(before);
        const std::vector<std::string> lines = folder.IniLines();
        Child<QCheckBox>("ckShowSetting")->setChecked(false);
        if (auto* edit = qobject_cast<QLineEdit*>(Child(c.control))) {
            edit->setText("/srv/Müller");
        } else {
            Child<QPlainTextEdit>(c.control)->setPlainText("pdf\nmü\n");
        }
        const std::size_t shown = messages.Shown().size();
        PressOk();
        ASSERT_EQ(messages.Shown().size(), shown + 1);
        const QString text = messages.Shown().back().text;
        EXPECT_TRUE(text.contains(QString::fromStdString("「" + c.field + "」")))
            << text.toStdString();
        EXPECT_TRUE(text.contains(QString::fromStdString("「" + c.character + "」")));
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(folder.IniLines(), lines) << "untouched";
        dialog.reset();  // before the window that owns it
        main.reset();
    }
}

TEST_F(SettingsDialog, OcrBoxEnablesAutoRotateAndLanguageWithoutTouchingTheirValues) {
    Open("[common]\nOCR=N\nAutoRotate=Y\nLanguage=英語\n");
    auto* ocr = Child<QCheckBox>("ckOCR");
    auto* autoRotate = Child<QCheckBox>("ckAutoRotate");
    auto* language = Child<QComboBox>("cbLanguage");
    EXPECT_FALSE(autoRotate->isEnabled());
    EXPECT_FALSE(language->isEnabled());
    QTest::mouseClick(ocr, Qt::LeftButton);
    EXPECT_TRUE(autoRotate->isEnabled());
    EXPECT_TRUE(language->isEnabled());
    EXPECT_TRUE(autoRotate->isChecked());
    EXPECT_EQ(language->currentText(), "英語");
    QTest::mouseClick(ocr, Qt::LeftButton);
    EXPECT_FALSE(autoRotate->isEnabled());
    EXPECT_TRUE(autoRotate->isChecked());
}

TEST_F(SettingsDialog, FolderChooserStartsAtTheEditedFolderOrTheEngineDefault) {
    Open();
    QTemporaryDir existing;
    std::vector<QString> starts;
    QString answer;
    dialog->SetFolderChooser([&](QWidget* owner, const QString& title, const QString& start) {
        EXPECT_EQ(owner, dialog.get());
        EXPECT_EQ(title, "出力先");
        starts.push_back(start);
        return answer;
    });
    auto* edit = Child<QLineEdit>("EditOutDir");
    auto* button = Child<QToolButton>("btnSelDir");

    edit->setText(existing.path());
    QTest::mouseClick(button, Qt::LeftButton);  // cancelled
    EXPECT_EQ(edit->text(), existing.path()) << "cancel changes nothing";

    engine.defaultFolder = existing.path().toStdString();
    edit->clear();
    answer = "/chosen/folder";
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(edit->text(), "/chosen/folder");

    edit->setText("/no/such/folder");
    QTest::mouseClick(button, Qt::LeftButton);

    ASSERT_EQ(starts.size(), 3u);
    EXPECT_EQ(starts[0], existing.path());
    EXPECT_EQ(starts[1], existing.path()) << "empty edit: the engine's default folder";
    EXPECT_EQ(starts[2], "") << "a missing start folder is dropped";
}

TEST_F(SettingsDialog, TabOrderTakesTheLowerMemoBeforeTheUpperOne) {
    Open("[common]\nOCR=Y\n");
    const QStringList order = {"EditOutDir", "cbFileName",   "ckShowSetting",
                               "ckDelFile",  "EditNoDelExt", "EditNoShowSettingExt",
                               "ckOCR",      "ckAutoRotate", "cbLanguage",
                               "BitBtn1",    "BitBtn2",      "EditOutDir"};
    Child("EditOutDir")->setFocus();
    for (int i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(FocusName(), order[i]) << "after " << order[i - 1].toStdString();
    }
    EXPECT_EQ(Child("btnSelDir")->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(Child("btnVer")->focusPolicy(), Qt::NoFocus);
}

TEST_F(SettingsDialog, HintsAreToolTips) {
    Open();
    EXPECT_EQ(Child("ckShowSetting")->toolTip(),
              "このチェックを外すと、Quilbexは処理が終わったら自動的に終了します。");
    EXPECT_EQ(Child("ckDelFile")->toolTip(),
              "チェックされていると、変換後、ファイルが削除されますので注意して下さい！");
    EXPECT_EQ(dialog->windowTitle(), "設定");
    EXPECT_EQ(dialog->size(), QSize(469, 318));
}

}  // namespace
}  // namespace quilbex::test
