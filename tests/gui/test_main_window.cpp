// The main window with the real run logic and a scripted engine.
#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QFontInfo>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <memory>

#include "GuiSupport.h"
#include "ui/ProgressStrip.h"
#include "ui/RetEdit.h"
#include "ui/TFMain.h"

namespace quilbex::test {
namespace {

const QColor kPanel(0xFF, 0xFF, 0xCA);
const QColor kFocus(0xFF, 0xFF, 0x80);

class MainWindow : public ::testing::Test {
protected:
    // An interactive run: the window waits for Execute with its options shown.
    void StartInteractive(const std::string& ini = "[common]\nShowSetting=Y\n") {
        folder.WriteIni(ini);
        Start({"/data/report.doc"});
    }

    void Start(std::vector<std::string> args) {
        window = std::make_unique<TFMain>(engine, std::move(args), folder.Path());
        ShowActive(window.get());
    }

    // The worker's part of a run has ended and its calls to the window are through.
    void WaitForWork() {
        ASSERT_TRUE(WaitFor([&] { return !window->Run().Working(); })) << "the worker never ended";
        QApplication::processEvents();
    }

    template <typename T = QWidget>
    T* Child(const char* name) {
        return Find<T>(window.get(), name);
    }

    FakeEngine engine;
    ProgramDir folder;
    MessageRecorder messages;
    std::unique_ptr<TFMain> window;
};

TEST_F(MainWindow, CaptionCarriesTheVersion) {
    StartInteractive();
    EXPECT_EQ(window->windowTitle(), "Quilbex for DocuWorks Ver.1.0.2.0");
    EXPECT_EQ(FocusName(), "ckDelFile");
    EXPECT_FALSE(window->CloseRequested());
}

TEST_F(MainWindow, TabOrderRunsThroughTheOptionsButtonsAndLogPaneAndWraps) {
    StartInteractive("[common]\nShowSetting=Y\nOCR=Y\n");
    ASSERT_TRUE(Child("ckAutoRotate")->isEnabled());
    const QStringList order = {"ckDelFile", "ckOCR", "ckAutoRotate", "BitBtn1",
                               "BitBtn2",   "Memo1", "ckDelFile"};
    Child("ckDelFile")->setFocus();
    for (int i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(FocusName(), order[i]) << "after " << order[i - 1].toStdString();
    }
}

TEST_F(MainWindow, ArrowKeysAndEnterFollowTheWindowsTabOrder) {
    StartInteractive("[common]\nShowSetting=Y\nOCR=Y\n");
    QWidget* autoRotate = Child("ckAutoRotate");
    autoRotate->setFocus();
    QTest::keyClick(autoRotate, Qt::Key_Down);
    EXPECT_EQ(FocusName(), "BitBtn1") << "Down leaves the panel's boxes for the button";

    QWidget* delFile = Child("ckDelFile");
    delFile->setFocus();
    QTest::keyClick(delFile, Qt::Key_Up);
    EXPECT_EQ(FocusName(), "Memo1") << "Up on the first box wraps round to the log pane";

    delFile->setFocus();
    QTest::keyClick(delFile, Qt::Key_Return);
    EXPECT_EQ(FocusName(), "ckOCR");
    QTest::keyClick(Child("ckOCR"), Qt::Key_Up);
    EXPECT_EQ(FocusName(), "ckDelFile");
    EXPECT_EQ(engine.beginCalls, 0) << "no key started a conversion";
}

TEST_F(MainWindow, WaitingForExecuteTheStripNamesFileAndFolderAndEnterExecutes) {
    for (const auto& [ini, text] : {
             std::pair<std::string, QString>{"", "report.doc → /srv/xdw"},
             {"[file]\nSaveDir=/data/out\n", "report.doc → /data/out"},
         }) {
        StartInteractive("[common]\nShowSetting=Y\n" + ini);
        TProgressStrip* strip = window->Progress();
        EXPECT_TRUE(strip->isVisible());
        EXPECT_EQ(strip->Label()->text(), text);
        EXPECT_FALSE(strip->Bar()->isVisible());
        EXPECT_FALSE(strip->CancelButton()->isVisible());
        EXPECT_TRUE(Child<QPushButton>("BitBtn1")->isDefault());
    }
    window->setFocus();
    QTest::keyClick(window.get(), Qt::Key_Return);
    EXPECT_TRUE(WaitFor([&] { return engine.beginCalls == 1; }));
}

TEST_F(MainWindow, DisabledAutoRotateIsSkipped) {
    StartInteractive();
    ASSERT_FALSE(Child("ckAutoRotate")->isEnabled());
    QWidget* ocr = Child("ckOCR");
    ocr->setFocus();
    QTest::keyClick(ocr, Qt::Key_Down);
    EXPECT_EQ(FocusName(), "BitBtn1");
}

TEST_F(MainWindow, EachOptionBoxShowsTheFocusColourAndGivesThePanelColourBack) {
    StartInteractive("[common]\nShowSetting=Y\nOCR=Y\n");
    const std::vector<const char*> boxes = {"ckDelFile", "ckOCR", "ckAutoRotate"};
    for (const char* name : boxes) {
        EXPECT_EQ(Child<TRetCheckBox>(name)->NormalColor(), kPanel) << name;
    }
    Child("ckDelFile")->setFocus();
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        auto* box = Child<TRetCheckBox>(boxes[i]);
        ASSERT_EQ(FocusName(), boxes[i]);
        EXPECT_EQ(box->palette().color(QPalette::Window), kFocus) << boxes[i];
        // The style's keyboard-focus frame tints the label a little: nearer counts.
        EXPECT_GT(ShareNear(box, kFocus, 60), 0.4) << boxes[i];
        QTest::keyClick(box, Qt::Key_Tab);
        EXPECT_EQ(box->palette().color(QPalette::Window), kPanel) << boxes[i];
        EXPECT_GT(ShareOfColour(box, kPanel), 0.4) << boxes[i];
        EXPECT_EQ(ShareNear(box, kFocus, 60), 0.0) << boxes[i];
    }
}

TEST_F(MainWindow, OcrBoxEnablesAutoRotateWithoutTouchingItsCheckMark) {
    StartInteractive("[common]\nShowSetting=Y\nAutoRotate=Y\n");
    auto* ocr = Child<QCheckBox>("ckOCR");
    auto* autoRotate = Child<QCheckBox>("ckAutoRotate");
    EXPECT_FALSE(autoRotate->isEnabled());
    EXPECT_TRUE(autoRotate->isChecked());
    QTest::mouseClick(ocr, Qt::LeftButton);
    EXPECT_TRUE(ocr->isChecked());
    EXPECT_TRUE(autoRotate->isEnabled());
    EXPECT_TRUE(autoRotate->isChecked());
    window->SetChecked(OptionBox::Ocr, false);  // from code, as the run plan does
    EXPECT_FALSE(autoRotate->isEnabled());
    EXPECT_TRUE(autoRotate->isChecked());
}

TEST_F(MainWindow, AutomaticRunCoversTheOptionPanelWithTheBanner) {
    Start({"/data/report.doc"});  // no settings: an automatic run by application printing
    WaitForWork();
    ASSERT_EQ(engine.beginCalls, 1);
    QLabel* banner = window->Banner();
    ASSERT_NE(banner, nullptr);
    auto* panel = Child<QFrame>("pnlSet");
    EXPECT_TRUE(banner->isVisible());
    EXPECT_EQ(banner->parentWidget(), panel);
    EXPECT_EQ(banner->geometry(), panel->contentsRect()) << "inside the bevel";
    EXPECT_EQ(banner->text(), "変換中…");
    EXPECT_EQ(banner->palette().color(QPalette::Window), QColor(0x00, 0x80, 0x80));
    EXPECT_EQ(banner->palette().color(QPalette::WindowText), QColor(0xFF, 0xFF, 0x00));
    EXPECT_EQ(panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).last(), banner)
        << "drawn above the boxes and buttons";
    // What the user sees where the delete-source box is: the banner.
    const QPoint boxCentre = Child("ckDelFile")->geometry().center();
    EXPECT_EQ(panel->grab().toImage().pixelColor(boxCentre.x(), 3), QColor(0x00, 0x80, 0x80));

    window->resize(window->width() + 120, window->height() + 60);
    QApplication::processEvents();
    EXPECT_EQ(banner->geometry(), panel->contentsRect()) << "stays over the whole panel";
    EXPECT_EQ(panel->height(), 113) << "only the log pane grows";

    EXPECT_TRUE(window->Timer()->isActive());
    EXPECT_EQ(window->Timer()->interval(), 250);
}

TEST_F(MainWindow, TimerPollsTheMonitoredConversionUntilItEndsAndTheWindowCloses) {
    Start({"/data/report.doc"});
    WaitForWork();
    ASSERT_TRUE(window->Timer()->isActive());
    engine.statusPhase = XDW_PHASE_FINISHED;
    QTRY_VERIFY_WITH_TIMEOUT(!window->Timer()->isActive(), 3000);
    QTRY_VERIFY_WITH_TIMEOUT(!window->isVisible(), 3000);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(folder.Path() + "Quilbex.log")));
}

TEST_F(MainWindow, OnlyARunWaitingForExecuteWaitsForTheUser) {
    StartInteractive();
    EXPECT_TRUE(window->WaitsForUser());
    QTest::mouseClick(Child("BitBtn1"), Qt::LeftButton);  // application printing starts
    EXPECT_FALSE(window->WaitsForUser()) << "the worker ends the run by itself";
    WaitForWork();
    EXPECT_FALSE(window->WaitsForUser()) << "the monitor ends the run by itself";
    engine.statusPhase = XDW_PHASE_FINISHED;
    QTRY_VERIFY_WITH_TIMEOUT(window->CloseRequested(), 3000);
    EXPECT_FALSE(window->WaitsForUser());
}

TEST_F(MainWindow, LogPanePopupOffersCancelWhichRunsTheCancelAction) {
    StartInteractive();
    QMenu* menu = window->PopupMenu();
    ASSERT_EQ(menu->actions().size(), 1);
    QAction* n1 = menu->actions().first();
    EXPECT_EQ(n1->text(), "キャンセル");
    EXPECT_EQ(n1->objectName(), "N1");

    auto* memo = Child<QPlainTextEdit>("Memo1");
    emit memo->customContextMenuRequested(QPoint(10, 10));
    EXPECT_TRUE(menu->isVisible());
    menu->hide();

    n1->trigger();
    EXPECT_EQ(engine.cancelCalls, 1);
}

TEST_F(MainWindow, CloseIsARequestThatTakesEffectInTheEventLoop) {
    StartInteractive();
    QTest::mouseClick(Child("BitBtn2"), Qt::LeftButton);
    EXPECT_TRUE(window->CloseRequested());
    EXPECT_TRUE(window->isVisible()) << "code after the request still finds the window";
    window->AppendLog("after the request");
    QTRY_VERIFY_WITH_TIMEOUT(!window->isVisible(), 2000);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(folder.Path() + "Quilbex.log")))
        << "Close writes no log";
}

TEST_F(MainWindow, ExecuteButtonRunsTheConversion) {
    StartInteractive();
    QTest::mouseClick(Child("BitBtn1"), Qt::LeftButton);
    WaitForWork();
    EXPECT_EQ(engine.beginCalls, 1);
    EXPECT_TRUE(window->Timer()->isActive());
    const auto lines = window->LogLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "[/srv/xdw]へXDW出力します…");
}

TEST_F(MainWindow, ErrorOutOfAnEventReachesTheDefaultHandlerAndTheWindowGoesOn) {
    StartInteractive();
    engine.throwOnInformation = [] { throw std::runtime_error("engine gone"); };
    QTest::mouseClick(Child("BitBtn1"), Qt::LeftButton);
    ASSERT_EQ(messages.Shown().size(), 1u);
    EXPECT_EQ(messages.Shown()[0].text, "engine gone.");
    EXPECT_EQ(messages.Shown()[0].icon, MessageIcon::Error);
    EXPECT_EQ(messages.Shown()[0].title, "Quilbex");
    EXPECT_EQ(engine.beginCalls, 0) << "the interrupted handler is abandoned";
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->CloseRequested());

    engine.throwOnInformation = nullptr;
    QTest::mouseClick(Child("BitBtn1"), Qt::LeftButton);
    WaitForWork();
    EXPECT_EQ(engine.beginCalls, 1) << "the window still works";
}

TEST_F(MainWindow, ReportedFailureOfAnInteractiveRunShowsAPlainBox) {
    StartInteractive();
    engine.beginResult = XDW_E_FILE_NOT_FOUND;
    QTest::mouseClick(Child("BitBtn1"), Qt::LeftButton);
    WaitForWork();
    ASSERT_GE(messages.Shown().size(), 1u);
    EXPECT_EQ(messages.Shown()[0].text, "指定されたファイルが見つかりません。");
    EXPECT_EQ(messages.Shown()[0].icon, MessageIcon::None);
}

TEST_F(MainWindow, LogLinesAreTheLinesAppendedOrTyped) {
    StartInteractive();
    window->ClearLog();
    EXPECT_TRUE(window->LogLines().empty());
    window->AppendLog(
        "first line that is long enough to wrap in the narrow log pane of this window");
    window->AppendLog("二行目");
    auto* memo = Child<QPlainTextEdit>("Memo1");
    memo->moveCursor(QTextCursor::End);
    QTest::keyClick(memo, Qt::Key_Return);
    QTest::keyClicks(memo, "typed");
    QTest::keyClick(memo, Qt::Key_Return);
    const std::vector<std::string> expected = {
        "first line that is long enough to wrap in the narrow log pane of this window", "二行目",
        "typed"};
    EXPECT_EQ(window->LogLines(), expected);
}

TEST_F(MainWindow, ErrorInTheShowEventIsReportedAndTheWindowStaysOpen) {
    engine.throwOnInformation = [] { throw std::runtime_error("broken engine"); };
    Start({"/data/scan.pdf"});  // automatic: Execute starts inside the show event
    WaitForWork();
    ASSERT_EQ(messages.Shown().size(), 1u);
    EXPECT_EQ(messages.Shown()[0].text, "broken engine.");
    EXPECT_FALSE(window->CloseRequested());
    // A close the run queued would be carried out by now.
    QCoreApplication::sendPostedEvents();
    QApplication::processEvents();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(folder.Path() + "Quilbex.log")));
}

TEST_F(MainWindow, StartWithoutArgumentShowsOnlyTheSettingsDialogThenCloses) {
    window = std::make_unique<TFMain>(engine, std::vector<std::string>{}, folder.Path());
    bool dialogSeen = false;
    bool mainOnScreen = true;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        dialogSeen = dialog->windowTitle() == "設定";
        mainOnScreen = window->windowHandle() && window->windowHandle()->isExposed();
        QTest::mouseClick(Find<QPushButton>(dialog, "BitBtn1"), Qt::LeftButton);
    });
    window->show();
    EXPECT_TRUE(dialogSeen);
    EXPECT_FALSE(mainOnScreen);
    EXPECT_TRUE(window->CloseRequested());
    EXPECT_TRUE(QFile::exists(QString::fromStdString(folder.IniPath()))) << "OK saved";
    QTRY_VERIFY_WITH_TIMEOUT(!window->isVisible(), 2000);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(folder.Path() + "Quilbex.log")));
}

TEST_F(MainWindow, DestroyingTheWindowReleasesTheEngineOnce) {
    StartInteractive();
    window.reset();
    EXPECT_EQ(engine.finalizeCalls, 1);
}

TEST_F(MainWindow, LayoutFollowsTheDesign) {
    StartInteractive();
    EXPECT_EQ(Child("pnlSet")->height(), 113);
    EXPECT_EQ(Child("ckDelFile")->geometry(), QRect(15, 15, 200, 15));
    EXPECT_EQ(Child("ckOCR")->geometry(), QRect(15, 44, 134, 16));
    EXPECT_EQ(Child("ckAutoRotate")->geometry(), QRect(162, 44, 164, 16));
    EXPECT_EQ(Child("BitBtn1")->geometry(), QRect(81, 74, 69, 23));
    EXPECT_EQ(Child("BitBtn2")->geometry(), QRect(185, 74, 69, 23));
    EXPECT_EQ(Child("ckOCR")->font().pixelSize(), 16);
    EXPECT_EQ(window->font().pixelSize(), 12);
    EXPECT_EQ(window->font().family(), "ＭＳ Ｐゴシック");
    EXPECT_EQ(QFontInfo(window->font()).family(), "IPAPGothic") << "the stand-in face";
    EXPECT_EQ(Child("Memo1")->palette().color(QPalette::Base), QColor(0xFF, 0xFF, 0xE6));
    EXPECT_EQ(Child<QPushButton>("BitBtn1")->text(), "実行");
    EXPECT_EQ(Child<QPushButton>("BitBtn2")->text(), "終了");
}

}  // namespace
}  // namespace quilbex::test
