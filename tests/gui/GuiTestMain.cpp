// Runs the window tests on Qt's offscreen platform: no display needed.
#include <gtest/gtest.h>
#include <QApplication>

#include "ui/Application.h"
#include "ui/Headless.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    quilbex::QuietenOffscreenNotes();
    QApplication app(argc, argv);
    quilbex::PrepareApplication();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
