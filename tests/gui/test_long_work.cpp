// The main window while the engine works on the worker: it paints, answers,
// shows how far the run has got, can be cancelled between OCR pages and tells
// the desktop how the run ended.
#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <memory>

#include "FakeTurnQueue.h"
#include "GuiSupport.h"
#include "ui/Notifier.h"
#include "ui/ProgressStrip.h"
#include "ui/TFMain.h"

namespace quilbex::test {
namespace {

class RecordingNotifier : public Notifier {
public:
    std::vector<RunOutcome> told;
    void Notify(const RunOutcome& outcome) override { told.push_back(outcome); }
};

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

class LongWork : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sources.isValid());
        source = sources.filePath(QStringLiteral("scan.pdf")).toStdString();
        QFile file(QString::fromStdString(source));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("%PDF-1.4\n");
    }
    void TearDown() override {
        gate->Open();  // a worker never stays behind a closed gate
        window.reset();
    }

    // An OCR run of pages pages whose worker stops at the gate inside page `stopAt`.
    void PrepareOcr(int pages, int stopAt, const std::string& ini = "[common]\nOCR=Y\n") {
        folder.WriteIni(ini);
        engine.imagePdfResult = 0;
        engine.openResult = 0;
        engine.pages = pages;
        engine.onOcr = [this, stopAt](int page) {
            if (page == stopAt) gate->Pass();
        };
    }
    void Create(std::vector<std::string> args) {
        window = std::make_unique<TFMain>(engine, std::move(args), folder.Path());
        window->SetNotifier(&notifier);
    }
    bool LogHas(const std::string& line) const {
        const auto lines = window->LogLines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    bool SourceExists() const { return QFile::exists(QString::fromStdString(source)); }

    FakeEngine engine;
    ProgramDir folder;
    MessageRecorder messages;
    RecordingNotifier notifier;
    QTemporaryDir sources;
    std::string source;
    std::unique_ptr<Gate> gate = std::make_unique<Gate>();
    std::unique_ptr<TFMain> window;
};

TEST_F(LongWork, TheWindowPaintsAnswersAndShowsThePageWhileTheEngineRecognises) {
    PrepareOcr(3, 2);
    Create({source});
    PaintCounter counter;
    window->installEventFilter(&counter);
    ShowActive(window.get());
    ASSERT_TRUE(gate->Reached());

    EXPECT_TRUE(window->Run().Working());
    EXPECT_TRUE(LogHas("1ページをOCRしました。")) << "the log pane fills as the pages go";
    EXPECT_FALSE(LogHas("2ページをOCRしました。"));
    TProgressStrip* strip = window->Progress();
    EXPECT_TRUE(strip->isVisible());
    EXPECT_EQ(strip->Label()->text(), "OCRしています…　1/3ページ完了");
    EXPECT_EQ(strip->Bar()->maximum(), 300) << "the bar is over the whole document";
    EXPECT_EQ(strip->Bar()->text(), "1/3完了");
    EXPECT_GE(strip->Bar()->value(), 100);
    // Work no number measures (rendering, layout): the bar goes on, never busy.
    EXPECT_TRUE(WaitFor([&] { return strip->Bar()->value() > 100; }, 2000));
    engine.ocrProgress = 60;  // the recogniser is on with page 2
    EXPECT_TRUE(WaitFor([&] { return strip->Bar()->value() == 160; }, 2000))
        << "the bar moves within the page: " << strip->Bar()->value();
    EXPECT_EQ(strip->Bar()->maximum(), 300);

    const int before = counter.paints;
    window->update();
    EXPECT_TRUE(WaitFor([&] { return counter.paints > before; }, 2000)) << "no repaint";
    emit Find<QPlainTextEdit>(window.get(), "Memo1")->customContextMenuRequested(QPoint(5, 5));
    EXPECT_TRUE(window->PopupMenu()->isVisible()) << "the pop-up menu answers";
    window->PopupMenu()->hide();

    gate->Open();
    ASSERT_TRUE(WaitFor([&] { return window->CloseRequested(); }));
    EXPECT_EQ(engine.ocrPages, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(engine.saveCalls, 1);
    EXPECT_TRUE(LogHas("xdwファイルを保存しました。"));
    EXPECT_TRUE(QFile::exists(QString::fromStdString(folder.Path() + "Quilbex.log")));
}

TEST_F(LongWork, AWaitingRunShowsNoWindowUntilItsTurnAndThenNamesItsFile) {
    folder.WriteIni("[common]\n");
    engine.imagePdfResult = 0;
    engine.onDirectConversion = [this] { gate->Pass(); };
    quilbex::testing::FakeTurnQueue queue;
    queue.turn = false;
    queue.ahead = 2;
    Create({source});
    window->Run().SetTurnQueue(queue);
    window->Launch();
    EXPECT_FALSE(window->WaitsForUser()) << "a run waiting for its turn ends by itself";
    ASSERT_TRUE(WaitFor([&] { return queue.asks >= 3; })) << "the timer asks again";
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->LogLines(), std::vector<std::string>{"順番を待っています（前に2件）"});

    queue.turn = true;
    ASSERT_TRUE(gate->Reached());
    ASSERT_TRUE(WaitFor([&] { return window->isVisible(); })) << "the window comes with the turn";
    EXPECT_EQ(window->windowTitle(), "Quilbex for DocuWorks Ver.1.0.2.0");
    EXPECT_TRUE(window->Progress()->Subject()->isVisible());
    EXPECT_EQ(window->Progress()->Subject()->text(), "scan.pdf");
    gate->Open();
    ASSERT_TRUE(WaitFor([&] { return window->CloseRequested(); }));
}

TEST_F(LongWork, CancelDuringOcrStopsAfterThePageItIsOnFromTheMenuButtonEscapeOrByClosing) {
    enum How { kMenu, kButton, kEscape, kClosing };
    struct Case {
        const char* name;
        How how;
    };
    for (const Case c : {Case{"menu", kMenu}, Case{"button", kButton}, Case{"escape", kEscape},
                         Case{"closing", kClosing}}) {
        SCOPED_TRACE(c.name);
        engine = FakeEngine{};
        gate = std::make_unique<Gate>();
        PrepareOcr(5, 2, "[common]\nOCR=Y\nDelFile=Y\n");
        Create({source});
        ShowActive(window.get());
        ASSERT_TRUE(gate->Reached());
        QPushButton* button = window->Progress()->CancelButton();
        EXPECT_TRUE(button->isVisible());
        EXPECT_EQ(button->text(), "キャンセル");
        switch (c.how) {
            case kMenu:
                window->PopupMenu()->actions().first()->trigger();
                break;
            case kButton:
                QTest::mouseClick(button, Qt::LeftButton);
                break;
            case kEscape:
                QTest::keyClick(window.get(), Qt::Key_Escape);
                break;
            case kClosing:
                window->close();
                break;
        }
        QApplication::processEvents();
        EXPECT_TRUE(window->isVisible()) << "the window waits for the page";
        EXPECT_EQ(window->Progress()->Label()->text(), "中止しています…");
        EXPECT_EQ(Find<QLabel>(window.get(), "pnlBanner")->text(), "変換中…");
        EXPECT_FALSE(button->isEnabled()) << "asked once";
        gate->Open();
        ASSERT_TRUE(WaitFor([&] { return !window->isVisible(); }));

        EXPECT_EQ(engine.ocrPages, (std::vector<int>{1, 2})) << "page 3 is never asked for";
        EXPECT_EQ(engine.saveCalls, 0) << "the document stays as converted";
        EXPECT_EQ(engine.closeCalls, 1);
        EXPECT_EQ(engine.cancelCalls, 0);
        EXPECT_EQ(engine.Calls("CancelOcr").size(), 1u) << "the page under way is stopped";
        EXPECT_FALSE(SourceExists())
            << "the document was complete before the pass: the source went";
        const std::vector<std::string> tail = {
            "xdwファイルをオープンしました。", "5ページ処理します。",    "1ページをOCRしました。",
            "変換を中止しています。",          "2ページをOCRしました。", "変換を中止しました。"};
        const auto lines = window->LogLines();
        ASSERT_GE(lines.size(), tail.size());
        EXPECT_EQ(std::vector<std::string>(lines.end() - tail.size(), lines.end()), tail);
        ASSERT_FALSE(notifier.told.empty());
        EXPECT_EQ(notifier.told.back().status, ExitStatus::kCancelled);
        window.reset();
    }
}

TEST_F(LongWork, TheDesktopHearsHowAnAutomaticRunEnded) {
    struct Case {
        const char* name;
        std::string ini;
        int directResult;
        int beginResult;
        int told;
        ExitStatus status;
        std::string reason;
        std::string outPath;  // the document written
    };
    const std::vector<Case> cases = {
        {"converted", "", 0, 0, 1, ExitStatus::kDone, "", "/srv/xdw/scan.xdw"},
        {"failed", "", XDW_E_CANNOT_READ, XDW_E_FILE_NOT_FOUND, 1, ExitStatus::kFailed,
         "指定されたファイルが見つかりません。", ""},
        {"interactive", "[common]\nShowSetting=Y\n", 0, 0, 0, {}, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        notifier.told.clear();
        engine.imagePdfResult = c.directResult;
        engine.beginResult = c.beginResult;
        folder.WriteIni(c.ini);
        Create({source});
        ShowActive(window.get());
        if (c.told == 0)
            QTest::mouseClick(Find<QPushButton>(window.get(), "BitBtn1"), Qt::LeftButton);
        ASSERT_TRUE(WaitFor([&] { return window->CloseRequested(); }));
        ASSERT_EQ(notifier.told.size(), std::size_t(c.told));
        if (c.told == 0) continue;
        EXPECT_EQ(notifier.told[0].status, c.status);
        EXPECT_EQ(notifier.told[0].reason, c.reason);
        EXPECT_EQ(notifier.told[0].outPath, c.outPath);
        window.reset();
    }
}

TEST_F(LongWork, AnAutomaticRunComesOnScreenOnlyWhenItsWorkTakesAWhile) {
    engine.imagePdfResult = 0;
    Create({source});
    bool closed = false;
    QObject::connect(window.get(), &TFMain::Closed, [&] { closed = true; });
    window->Launch();
    ASSERT_TRUE(WaitFor([&] { return closed; }));
    EXPECT_FALSE(window->windowHandle() && window->windowHandle()->isExposed())
        << "a quick run never flashes a window";

    PrepareOcr(2, 1);
    Create({source});
    window->Launch();
    ASSERT_TRUE(gate->Reached());
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(WaitFor([&] { return window->isVisible(); }, 3000))
        << "the window shows itself after half a second of work";
    gate->Open();
}

TEST_F(LongWork, AtItsMinimumSizeNothingOfTheWindowIsCut) {
    folder.WriteIni("[common]\nShowSetting=Y\n");
    Create({source});
    ShowActive(window.get());
    window->resize(1, 1);
    QApplication::processEvents();
    EXPECT_EQ(window->size(), window->minimumSize());
    QWidget* panel = Find<QWidget>(window.get(), "pnlSet");
    for (QWidget* child : panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        EXPECT_TRUE(panel->contentsRect().contains(
            QRect(child->pos(),
                  QSize(std::max(child->width(), child->sizeHint().width()), child->height()))))
            << child->objectName().toStdString();
    }
    auto* memo = Find<QPlainTextEdit>(window.get(), "Memo1");
    EXPECT_GE(memo->height(), 3 * memo->fontMetrics().lineSpacing());
}

TEST_F(LongWork, ALongFileNameIsElidedAndTheWindowKeepsItsSize) {
    folder.WriteIni("[common]\nShowSetting=Y\n");
    Create({source});
    ShowActive(window.get());
    const QSize size = window->size();
    const QString name = QStringLiteral(
        "請求書_2026年12月分_株式会社サンプル商事_経理部_再発行版_控え_最終確定.pdf");
    QFile(QString::fromStdString(source)).copy(sources.filePath(name));
    window.reset();
    Create({sources.filePath(name).toStdString()});
    ShowActive(window.get());
    EXPECT_EQ(window->size(), size);
    EXPECT_EQ(window->minimumSize().width(), window->minimumSizeHint().width());
    EXPECT_LE(window->minimumSizeHint().width(), size.width());
}

TEST_F(LongWork, QtsOwnTextsAreJapanese) {
    QDialogButtonBox buttons(QDialogButtonBox::Cancel | QDialogButtonBox::Open);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), "キャンセル");
    EXPECT_EQ(buttons.button(QDialogButtonBox::Open)->text(), "開く");
}

}  // namespace
}  // namespace quilbex::test
