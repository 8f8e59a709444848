// The notifications of runs started together: one bubble, counting what the
// runs made, until the batch is over.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <fstream>

#include "ui/BatchNotices.h"

namespace quilbex::test {
namespace {

TEST(BatchNotices, RunsOfABatchShareOneBubbleThatCountsTheirEnds) {
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    struct End {
        ExitStatus status;
        bool over;          // no run waits or works after it
        unsigned replaces;  // the bubble it replaces (0: a new one)
        const char* tally;  // "" when it is the first of its batch
    };
    const End ends[] = {
        {ExitStatus::kDone, false, 0, ""},
        {ExitStatus::kFailed, false, 41, "1件の文書を作成しました、1件は変換できませんでした"},
        {ExitStatus::kCancelled, false, 41,
         "1件の文書を作成しました、1件は変換できませんでした、1件は中止しました"},
        {ExitStatus::kIncomplete, true, 41,
         "2件の文書を作成しました、1件は変換できませんでした、1件は中止しました"},
        {ExitStatus::kDone, true, 0, ""},  // the next batch starts anew
    };
    for (const End& end : ends) {
        BatchNotices batch(folder);
        RunOutcome outcome;
        outcome.status = end.status;
        EXPECT_EQ(batch.Count(outcome), *end.tally != 0);
        EXPECT_EQ(batch.Bubble(), end.replaces);
        if (*end.tally) {
            EXPECT_EQ(batch.Tally().toStdString(), end.tally);
        }
        batch.Save(41, end.over);
    }
    EXPECT_TRUE(BatchNotices::StillOwned(folder, 41));
    std::ofstream(folder + "/notices") << "41 1 2 0 0\n";  // another process took bubble 41 over
    EXPECT_FALSE(BatchNotices::StillOwned(folder, 41));
    EXPECT_TRUE(BatchNotices::StillOwned(folder, 40));
}

}  // namespace
}  // namespace quilbex::test
