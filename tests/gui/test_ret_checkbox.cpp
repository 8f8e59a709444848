// The focus-colour check box on its own: colours, keys and focus movement.
#include <gtest/gtest.h>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include "GuiSupport.h"
#include "ui/RetEdit.h"

namespace quilbex::test {
namespace {

// A dialog with an edit, two boxes and a default button, in that tab order.
class BoxWindow : public ::testing::Test {
protected:
    void SetUp() override {
        auto* layout = new QVBoxLayout(&window);
        edit = new QLineEdit(&window);
        edit->setObjectName("edit");
        first = new TRetCheckBox(&window);
        first->setObjectName("first");
        first->setText("first");
        second = new TRetCheckBox(&window);
        second->setObjectName("second");
        second->setText("second");
        button = new QPushButton("OK", &window);
        button->setObjectName("button");
        button->setDefault(true);
        for (QWidget* w : {static_cast<QWidget*>(edit), static_cast<QWidget*>(first),
                           static_cast<QWidget*>(second), static_cast<QWidget*>(button)}) {
            layout->addWidget(w);
        }
        QPalette pal = window.palette();
        pal.setColor(QPalette::Window, QColor(0x12, 0x34, 0x56));
        window.setPalette(pal);
        window.setAutoFillBackground(true);
        first->Loaded();
        second->Loaded();
        QObject::connect(button, &QPushButton::clicked, [this] { ++buttonClicks; });
        ShowActive(&window);
    }

    QDialog window;
    QLineEdit* edit = nullptr;
    TRetCheckBox* first = nullptr;
    TRetCheckBox* second = nullptr;
    QPushButton* button = nullptr;
    int buttonClicks = 0;
};

TEST_F(BoxWindow, DefaultsAreReturnNextAndCyanFocusColour) {
    TRetCheckBox box;
    EXPECT_TRUE(box.ReturnNext());
    EXPECT_TRUE(box.FocusColorEnabled());
    EXPECT_EQ(box.FocusColor(), QColor(0x00, 0xFF, 0xFF));
}

TEST_F(BoxWindow, FocusPaintsTheFocusColourAndLeavingRestoresTheLoadedColour) {
    const QColor loaded(0x12, 0x34, 0x56);
    EXPECT_EQ(first->NormalColor(), loaded);
    first->setFocus();
    EXPECT_EQ(FocusName(), "first");
    EXPECT_EQ(first->palette().color(QPalette::Window), QColor(0x00, 0xFF, 0xFF));
    EXPECT_EQ(BackgroundPixel(first, QPoint(first->width() - 1, 0)), QColor(0x00, 0xFF, 0xFF));
    second->setFocus();
    EXPECT_EQ(first->palette().color(QPalette::Window), loaded);
    EXPECT_EQ(BackgroundPixel(first, QPoint(first->width() - 1, 0)), loaded);
}

TEST_F(BoxWindow, DisabledFocusColourNeverChangesTheBackground) {
    first->SetFocusColorEnabled(false);
    const QColor before = first->palette().color(QPalette::Window);
    first->setFocus();
    EXPECT_EQ(first->palette().color(QPalette::Window), before);
    second->setFocus();
    EXPECT_EQ(first->palette().color(QPalette::Window), before);
}

TEST_F(BoxWindow, EnterAndDownMoveOnUpMovesBackSpaceStillToggles) {
    first->setFocus();
    QTest::keyClick(first, Qt::Key_Return);
    EXPECT_EQ(FocusName(), "second");
    QTest::keyClick(second, Qt::Key_Up);
    EXPECT_EQ(FocusName(), "first");
    QTest::keyClick(first, Qt::Key_Down);
    EXPECT_EQ(FocusName(), "second");
    QTest::keyClick(second, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(FocusName(), "button");
    EXPECT_EQ(buttonClicks, 0) << "Enter moved the focus and was swallowed";

    second->setFocus();
    QTest::keyClick(second, Qt::Key_Space);
    EXPECT_TRUE(second->isChecked());
    EXPECT_EQ(FocusName(), "second");
}

TEST_F(BoxWindow, MovingWrapsRoundTheWholeWindow) {
    second->SetReturnNext(true);
    button->setFocusPolicy(Qt::NoFocus);
    second->setFocus();
    QTest::keyClick(second, Qt::Key_Down);
    EXPECT_EQ(FocusName(), "edit");
    first->setFocus();
    edit->setFocusPolicy(Qt::NoFocus);
    QTest::keyClick(first, Qt::Key_Up);
    EXPECT_EQ(FocusName(), "second");
}

TEST_F(BoxWindow, WithoutReturnNextEnterGoesToTheWindowAndKeysStay) {
    first->SetReturnNext(false);
    first->setFocus();
    QTest::keyClick(first, Qt::Key_Down);
    QTest::keyClick(first, Qt::Key_Up);
    EXPECT_EQ(FocusName(), "first");
    QTest::keyClick(first, Qt::Key_Return);
    EXPECT_EQ(buttonClicks, 1) << "the dialog's default button takes Enter";
}

}  // namespace
}  // namespace quilbex::test
