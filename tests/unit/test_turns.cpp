// Runs started together: waiting for a turn, cancelled while waiting, names
// made from the time that another run has taken, and the queue's lock files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <stdexcept>

#include "FakeTurnQueue.h"
#include "RunFixture.h"
#include "run/LockedTurnQueue.h"
#include "run/OutputTarget.h"

namespace quilbex::testing {
namespace {

using ::testing::ElementsAre;
using Step = RunProgress::Step;

const std::string kWaiting = "順番を待っています（前に3件）";

class Turns : public RunFixture {
protected:
    FakeTurnQueue queue;

    ConversionRun& StartWaiting(const std::string& source) {
        queue.turn = false;
        queue.ahead = 3;
        Create({source}).SetTurnQueue(queue);
        run->FormShow();
        return *run;
    }
};

TEST_F(Turns, AWaitingRunSaysSoAndConvertsWhenItsTurnComes) {
    ConversionRun& r = StartWaiting(MakeSource("a.pdf"));
    EXPECT_TRUE(r.Waiting());
    EXPECT_THAT(window.log, ElementsAre(kWaiting));
    EXPECT_TRUE(window.timerEnabled);
    EXPECT_EQ(window.progress.back(), (RunProgress{Step::kWaiting, 3, 0}));

    queue.ahead = 1;
    r.Timer1Timer();
    EXPECT_EQ(window.progress.back(), (RunProgress{Step::kWaiting, 1, 0}));
    queue.turn = true;
    r.Timer1Timer();
    EXPECT_FALSE(r.Waiting());
    EXPECT_EQ(window.log.back(), "XDW出力完了しました。");
    EXPECT_EQ(r.Outcome().status, ExitStatus::kDone);
    EXPECT_EQ(queue.ends, 1);
}

TEST_F(Turns, CancelOrSignalWhileWaitingEndsTheRunAsCancelledWithItsLog) {
    for (const bool signal : {false, true}) {
        SCOPED_TRACE(signal ? "signal" : "cancel");
        window = FakeWindow();
        queue = FakeTurnQueue();
        const std::string source = MakeSource("b.pdf");
        ConversionRun& r = StartWaiting(source);
        signal ? r.Terminate() : r.acAppCancelExecute();
        EXPECT_TRUE(r.Finished());
        EXPECT_EQ(r.Outcome().status, ExitStatus::kCancelled);
        EXPECT_TRUE(engine.calls.empty());
        EXPECT_EQ(queue.ends, 1);
        EXPECT_FALSE(window.timerEnabled);
        EXPECT_EQ(ReadBytes(LogPath()), LogBytes({kWaiting, "変換を中止しました。"}));
        EXPECT_TRUE(Exists(source));
    }
}

TEST_F(Turns, AnErrorThatStopsTheRunGivesUpItsTurn) {
    Create({MakeSource("d.pdf")}).SetTurnQueue(queue);
    run->HandleException(std::runtime_error("engine fault"));
    EXPECT_EQ(queue.ends, 1);
}

TEST_F(Turns, ANameMadeFromTheTimeThatIsTakenGoesToTheNextFreeSecond) {
    struct Case {
        const char* pattern;
        bool existing;  // the first name is a document already (else another run claimed it)
        const char* name;
    };
    const Case cases[] = {
        {"yyyymmddhhnnss", false, "20261206174511.xdw"},
        {"yyyymmddhhnnss", true, "20261206174511.xdw"},
        {"\"元のファイル名\"yymmdd", false, "c261206.xdw"},  // no seconds: the name stays
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        TempDir out;
        queue = FakeTurnQueue();
        WriteSettings({"[file]", "SaveDir=" + out.path(), std::string("FileName=") + c.pattern});
        const std::string source = MakeSource("c.pdf");
        const auto path = [&](int later) {
            return BuildOutPath(
                out.path(), ComposeOutputName(c.pattern, source, SecondsLater(FixedTime(), later)));
        };
        c.existing ? WriteBytes(path(0), "earlier") : void(queue.taken.insert(path(0)));
        queue.taken.insert(path(1));
        Create({source}).SetTurnQueue(queue);
        run->FormShow();
        EXPECT_EQ(run->Options().OutPath, out / c.name);
    }
}

// Two runs of one process stand for two processes: each lock is its own
// open file, as the kernel sees it.
TEST(LockedTurnQueue, OnePlaceGoesInOrderAndAnEndedRunFreesItAndItsNames) {
    TempDir folder;
    int ahead = -1;
    auto first = std::make_unique<LockedTurnQueue>(folder.Path(), 1);
    LockedTurnQueue second(folder.Path(), 1), third(folder.Path(), 1);
    ASSERT_TRUE(first->TakeTurn(ahead));
    EXPECT_FALSE(TurnQueueIdle(folder.Path()));  // a turn held, nobody waiting
    EXPECT_TRUE(first->ClaimName("/out/a.xdw"));
    EXPECT_FALSE(second.ClaimName("/out/a.xdw"));
    EXPECT_FALSE(second.TakeTurn(ahead));
    EXPECT_EQ(ahead, 1);
    EXPECT_FALSE(third.TakeTurn(ahead));
    EXPECT_EQ(ahead, 2);
    // Ended in any way: its locks go with it, even without EndTurn.
    first.reset();
    EXPECT_FALSE(third.TakeTurn(ahead));
    EXPECT_EQ(ahead, 1);
    EXPECT_TRUE(second.TakeTurn(ahead));
    EXPECT_TRUE(second.ClaimName("/out/a.xdw"));
    second.EndTurn();
    EXPECT_TRUE(third.TakeTurn(ahead));
    third.EndTurn();
    EXPECT_TRUE(TurnQueueIdle(folder.Path()));
    // No folder: no queue, and no lock made at the root of the file system.
    const bool rootLock = ::access("/queue.lock", F_OK) == 0;
    LockedTurnQueue alone("", 1);
    EXPECT_TRUE(alone.TakeTurn(ahead));
    EXPECT_TRUE(alone.ClaimName("/out/a.xdw"));
    alone.EndTurn();
    EXPECT_EQ(::access("/queue.lock", F_OK) == 0, rootLock);
}

}  // namespace
}  // namespace quilbex::testing
