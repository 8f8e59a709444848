// Runs started together, as a file manager starts them for a selection: they
// take turns, and a run killed while it holds its turn leaves it to the next.
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>

#include <gtest/gtest.h>

#include "e2e_support.h"

using namespace e2e;

namespace {

// Someone holds a lock on the file.
bool Locked(const fs::path& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const bool held = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) != 0;
    if (fd >= 0) close(fd);
    return held;
}

bool WaitFor(const std::function<bool()>& condition, int seconds) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > limit) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

// The runs started while it lives see one processor: one works at a time.
struct OneProcessor {
    cpu_set_t saved{};
    OneProcessor() {
        sched_getaffinity(0, sizeof saved, &saved);
        cpu_set_t one;
        CPU_ZERO(&one);
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
            if (CPU_ISSET(cpu, &saved)) {
                CPU_SET(cpu, &one);
                break;
            }
        }
        sched_setaffinity(0, sizeof one, &one);
    }
    ~OneProcessor() { sched_setaffinity(0, sizeof saved, &saved); }
};

}  // namespace

TEST(Batch, OnlyTheFirstFileIsConvertedAndTheOthersAreNamed) {
    ProgramFolder folder;
    const fs::path out = folder.root() / "out";
    fs::create_directories(out);
    folder.WriteSettings({{"ShowSetting", "N"}}, {{"SaveDir", out.string()}});
    const fs::path first = folder.root() / "first.pdf", second = folder.root() / "second.pdf";
    MakeTextPdf(first, {"first"});
    MakeTextPdf(second, {"second"});
    const Result result = folder.Run({first.string(), second.string()});
    EXPECT_EQ(result.exitCode, 0) << "the status is the first file's";
    EXPECT_TRUE(fs::exists(out / "first.xdw"));
    EXPECT_FALSE(fs::exists(out / "second.xdw"));
    EXPECT_NE(result.errors.find("次のファイルは変換していません:\n  " + second.string() + "\n"),
              std::string::npos)
        << result.errors;
}

TEST(Batch, ARunKilledWhileHoldingItsTurnLeavesItToTheWaitingRun) {
    ProgramFolder folder;
    const fs::path out = folder.root() / "out", queue = folder.root() / "run" / "quilbex";
    fs::create_directories(out);
    folder.WriteSettings({{"ShowSetting", "N"}}, {{"SaveDir", out.string()}});
    const fs::path text = folder.root() / "long.txt", pdf = folder.root() / "next.pdf";
    std::string lines;
    for (int i = 0; i < 6000; ++i) lines += "A long text that LibreOffice lays out page by page.\n";
    WriteFile(text, lines);
    MakeTextPdf(pdf, {"next"});

    const OneProcessor one;
    auto holder = folder.Start({text.string()});
    ASSERT_TRUE(WaitFor([&] { return Locked(queue / "turn-0"); }, 120))
        << "the first run never worked";
    auto waiter = folder.Start({pdf.string()});
    const auto waiting = [&] {
        for (const auto& entry : fs::directory_iterator(queue))
            if (entry.path().filename().string().rfind("wait-", 0) == 0 && Locked(entry.path()))
                return true;
        return false;
    };
    ASSERT_TRUE(WaitFor(waiting, 120)) << "the second run never waited";

    kill(holder->pid(), SIGKILL);
    EXPECT_EQ(holder->Wait().exitCode, 128 + SIGKILL);
    const Result result = waiter->Wait(180);
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_TRUE(fs::exists(out / "next.xdw"));
    const auto log = folder.LogLines();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0], "順番を待っています（前に1件）");
    EXPECT_EQ(log[2], "XDW出力完了しました。");
}
