// A conversion run wired to a recording window, a scripted engine and a
// program folder of its own, at a fixed local time: 6 December 2026, 17:45:09.
#pragma once

#include <gtest/gtest.h>

#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "FakeEngine.h"
#include "FakeWindow.h"
#include "ScopedEnv.h"
#include "TempDir.h"
#include "run/ConversionRun.h"

namespace quilbex::testing {

std::tm FixedTime();

class RunFixture : public ::testing::Test {
protected:
    FakeWindow window;
    FakeEngine engine;
    TempDir exeDir;

    // The Quilbex.ini of the program folder, given as UTF-8 lines (written in code page 932).
    void WriteSettings(const std::vector<std::string>& lines);
    // A source file in a folder of its own, with some content.
    std::string MakeSource(const std::string& name);
    // Creates the run with these arguments, then the window's create event.
    ConversionRun& Create(std::vector<std::string> args);
    // Create, then the show event (which runs the run plan).
    ConversionRun& Start(std::vector<std::string> args);

    std::string LogPath() const { return exeDir / "Quilbex.log"; }
    // The log file's bytes expected for these UTF-8 lines: code page 932, CR LF.
    static std::string LogBytes(const std::vector<std::string>& lines);

    std::unique_ptr<ConversionRun> run;
    TempDir sources;
};

}  // namespace quilbex::testing
