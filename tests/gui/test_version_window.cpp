// The version window: version line, link, keys.
#include <gtest/gtest.h>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <memory>

#include "GuiSupport.h"
#include "ui/TFMain.h"
#include "ui/TFSetting.h"
#include "ui/TFVersion.h"

namespace quilbex::test {
namespace {

TEST(VersionWindow, ShowsTheVersionWithOkFocusedAndNoFrame) {
    TFVersion version;
    ShowActive(&version);
    EXPECT_EQ(Find<QLabel>(&version, "lblVer")->text(), "Ver.1.0.2.0");
    EXPECT_EQ(Find<QLabel>(&version, "Label1")->text(), "Quilbex for DocuWorks");
    EXPECT_EQ(FocusName(), "BitBtn1");
    EXPECT_TRUE(version.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(version.size(), QSize(382, 187));
    EXPECT_EQ(Find<QWidget>(&version, "Panel1")->palette().color(QPalette::Window),
              QColor(0xFF, 0xFF, 0xDF));
    EXPECT_FALSE(Find<QLabel>(&version, "Image1")->pixmap().isNull());
}

TEST(VersionWindow, EscapeDoesNothingEnterCloses) {
    TFVersion version;
    ShowActive(&version);
    QTest::keyClick(&version, Qt::Key_Escape);
    EXPECT_TRUE(version.isVisible());
    QTest::keyClick(Find<QPushButton>(&version, "BitBtn1"), Qt::Key_Return);
    EXPECT_FALSE(version.isVisible());
    EXPECT_EQ(version.result(), QDialog::Accepted);
}

TEST(VersionWindow, LinkShowsAHandAndOpensTheProjectPage) {
    TFVersion version;
    std::vector<QUrl> opened;
    version.SetUrlOpener([&](const QUrl& url) { opened.push_back(url); });
    ShowActive(&version);
    auto* link = Find<QLabel>(&version, "Label5");
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(version.cursor().shape(), Qt::ArrowCursor) << "the hand only over the link";
    EXPECT_TRUE(link->font().underline());
    QTest::mouseClick(link, Qt::LeftButton);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl("https://github.com/quilbex/quilbex"));
    EXPECT_EQ(link->text(), opened[0].toString());
}

TEST(VersionWindow, OpensModallyFromTheSettingsDialog) {
    FakeEngine engine;
    ProgramDir folder;
    TFMain main(engine, {"a.doc"}, folder.Path());
    std::unique_ptr<TFSetting> dialog = main.CreateSettingsDialog();
    ShowActive(dialog.get());
    QString seen;
    QTimer::singleShot(0, [&] {
        auto* version = qobject_cast<TFVersion*>(QApplication::activeModalWidget());
        if (!version) return;
        seen = Find<QLabel>(version, "lblVer")->text();
        version->accept();
    });
    QTest::mouseClick(Find<QToolButton>(dialog.get(), "btnVer"), Qt::LeftButton);
    EXPECT_EQ(seen, "Ver.1.0.2.0");
    EXPECT_TRUE(dialog->isVisible());
}

}  // namespace
}  // namespace quilbex::test
