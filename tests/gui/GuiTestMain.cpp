// Runs the window tests on Qt's offscreen platform: no display needed.
#include <gtest/gtest.h>
#include <QApplication>
#include <QTemporaryDir>

#include "ui/Application.h"
#include "ui/Headless.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Sources deleted by the runs go to a trash of the tests' own.
    const QTemporaryDir dataHome;
    qputenv("XDG_DATA_HOME", dataHome.path().toUtf8());
    quilbex::QuietenOffscreenNotes();
    QApplication app(argc, argv);
    quilbex::PrepareApplication();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
