// The notifications of runs started together: one bubble, counting what the
// runs made and naming what failed, and only the runs of that batch.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <fstream>

#include "ui/BatchNotices.h"

namespace quilbex::test {
namespace {

TEST(BatchNotices, RunsOfABatchShareOneBubbleThatCountsTheirEndsAndListsFailures) {
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    struct End {
        ExitStatus status;
        RunSpan span;       // when the run started and ended
        unsigned replaces;  // the bubble it replaces (0: a new one)
        const char* tally;  // "" when it is the first of its batch
    };
    const End ends[] = {
        {ExitStatus::kDone, {100, 110}, 0, ""},
        {ExitStatus::kFailed,
         {100.1, 100.5},
         41,
         "1件の文書を作成しました、1件は変換できませんでした"},
        {ExitStatus::kCancelled,
         {100.2, 120},
         41,
         "1件の文書を作成しました、1件は変換できませんでした、1件は中止しました"},
        // Started by the file manager just after the others had ended.
        {ExitStatus::kIncomplete,
         {120.5, 130},
         41,
         "2件の文書を作成しました、1件は変換できませんでした、1件は中止しました"},
        {ExitStatus::kDone, {300, 310}, 0, ""},  // minutes later: a batch of its own
    };
    for (const End& end : ends) {
        BatchNotices batch(folder);
        RunOutcome outcome;
        outcome.status = end.status;
        outcome.source = "/in/見積書.pdf";
        outcome.reason = "パスワードで保護されています。";
        EXPECT_EQ(batch.Count(outcome, end.span), *end.tally != 0);
        EXPECT_EQ(batch.Bubble(), end.replaces);
        if (*end.tally) {
            EXPECT_EQ(batch.Tally().toStdString(), end.tally);
            EXPECT_EQ(
                batch.Failures(),
                QStringList{"変換できませんでした: 見積書.pdf — パスワードで保護されています。"});
        } else {
            EXPECT_TRUE(batch.Failures().isEmpty());
        }
        batch.Save(41);
    }
    EXPECT_TRUE(BatchNotices::StillOwned(folder, 41));
    std::ofstream(folder + "/notices")
        << "41 1 310.000 2 0 0\n";  // another process took bubble 41 over
    EXPECT_FALSE(BatchNotices::StillOwned(folder, 41));
    EXPECT_TRUE(BatchNotices::StillOwned(folder, 40));
}

}  // namespace
}  // namespace quilbex::test
