// The output folder, the composed name and the output path.
#include <gtest/gtest.h>

#include "FakeEngine.h"
#include "RunFixture.h"
#include "run/OutputTarget.h"

namespace quilbex::testing {
namespace {

const std::string kWithDate = "\"元のファイル名\"yymmdd";
const std::string kWithDateTime = "\"元のファイル名\"yymmddhhnnss";

std::string Name(const std::string& pattern, const std::string& source) {
    return ComposeOutputName(pattern, source, FixedTime());
}

std::string Repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

TEST(ComposeOutputName, TheFourOfferedPatterns) {
    EXPECT_EQ(Name("元のファイル名", "/scan/report.pdf"), "report.pdf");
    EXPECT_EQ(Name("", "/scan/report.pdf"), "report.pdf");
    EXPECT_EQ(Name(kWithDate, "/scan/report.pdf"), "report261206");
    EXPECT_EQ(Name(kWithDateTime, "/scan/report.pdf"), "report261206174509");
    EXPECT_EQ(Name("yyyymmddhhnnss", "/scan/report.pdf"), "20261206174509");
}

TEST(ComposeOutputName, OnlyTheLastDotEndsTheSourceName) {
    EXPECT_EQ(BuildOutPath("/out", Name(kWithDate, "my.report.pdf")), "/out/my.xdw");
    EXPECT_EQ(BuildOutPath("/out", Name("", "my.report.pdf")), "/out/my.report.xdw");
    EXPECT_EQ(Name(kWithDate, "relative/noext"), "noext261206");
}

TEST(ComposeOutputName, OnlyTheFirstPlaceholderIsReplaced) {
    EXPECT_EQ(Name("\"元のファイル名-元のファイル名\"", "a.pdf"), "a-元のファイル名");
}

// The source's name is copied as it is, whatever the quotes around the
// placeholder and whatever quotes or letters the name holds.
TEST(ComposeOutputName, QuotesAndLettersOfTheSourceNameStay) {
    struct Case {
        std::string pattern, source, name;
    } cases[] = {
        {kWithDate, "Report \"final\".pdf", "Report \"final\"261206"},
        {kWithDate, "it's.pdf", "it's261206"},
        {"'元のファイル名'yy", "it's \"q\".pdf", "it's \"q\"26"},
        {"元のファイル名_yy", "dummy.pdf", "dummy_26"},
        {"元のファイル名", "a\"b.pdf", "a\"b.pdf"},
        {"\"a\"元のファイル名", "dummy.pdf", "adummy"},  // a quote closed before it
    };
    for (const Case& c : cases) EXPECT_EQ(Name(c.pattern, c.source), c.name) << c.pattern;
}

TEST(ComposeOutputName, LongNamesAreCutAt256CodePageBytes) {
    EXPECT_EQ(Name(kWithDateTime, Repeat("a", 250) + ".pdf"), Repeat("a", 250) + "261206");
    // 日 takes two bytes: 127 of them leave room for two digits only.
    EXPECT_EQ(Name(kWithDateTime, Repeat("日", 127) + ".pdf"), Repeat("日", 127) + "26");
    // A double-byte character that would cross the limit is dropped whole.
    EXPECT_EQ(Name("\"元のファイル名\"日", Repeat("a", 255) + ".pdf"), Repeat("a", 255));
    // Half-width katakana take one byte each.
    EXPECT_EQ(Name(kWithDate, Repeat("ｱ", 252) + ".pdf"), Repeat("ｱ", 252) + "2612");
    // The plain source name has no limit.
    EXPECT_EQ(Name("", Repeat("b", 300) + ".pdf"), Repeat("b", 300) + ".pdf");
}

TEST(FormatDateTime, Specifiers) {
    const std::tm t = FixedTime();
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd", t), "2026-12-06");
    EXPECT_EQ(FormatDateTime("YYYYMMDDHHNNSS", t), "20261206174509");
    EXPECT_EQ(FormatDateTime("yy/m/d h:n:s", t), "26/12/6 17:45:9");
    EXPECT_EQ(FormatDateTime("y", t), "26");
    EXPECT_EQ(FormatDateTime("\"yyyy\"_'dd'_yyyy", t), "yyyy_dd_2026");
    EXPECT_EQ(FormatDateTime("\"unclosed yyyy", t), "unclosed yyyy");
    EXPECT_EQ(FormatDateTime("週x", t), "週x");
}

TEST(FormatDateTime, MinutesFollowAnHour) {
    const std::tm t = FixedTime();
    EXPECT_EQ(FormatDateTime("hh:mm", t), "17:45");
    EXPECT_EQ(FormatDateTime("h.m", t), "17.45");
    EXPECT_EQ(FormatDateTime("hh\"-\"mm", t), "17-45");
    EXPECT_EQ(FormatDateTime("hh x mm", t), "17 x 12");  // another letter stands between
    EXPECT_EQ(FormatDateTime("mm hh", t), "12 17");
}

TEST(FormatDateTime, SmallNumbersArePadded) {
    std::tm t = FixedTime();
    t.tm_year = 2005 - 1900;
    t.tm_mon = 0;
    t.tm_mday = 2;
    t.tm_hour = 3;
    t.tm_min = 4;
    t.tm_sec = 5;
    EXPECT_EQ(FormatDateTime("yyyymmddhhnnss", t), "20050102030405");
    EXPECT_EQ(FormatDateTime("yy m d h n s", t), "05 1 2 3 4 5");
}

TEST(BuildOutPath, JoinsWithASlashAndNoCheck) {
    EXPECT_EQ(BuildOutPath("/out", "report.pdf"), "/out/report.xdw");
    EXPECT_EQ(BuildOutPath("/out/", "report.pdf"), "/out//report.xdw");
    EXPECT_EQ(BuildOutPath("/out", "20261206174509"), "/out/20261206174509.xdw");
    EXPECT_EQ(BuildOutPath("", "report.pdf"), "/report.xdw");
    EXPECT_EQ(BuildOutPath("/a.b", "name"), "/a.b/name.xdw");
}

TEST(BuildOutPath, RunsInTheSameSecondGetTheSamePath) {
    const std::string first = BuildOutPath("/out", Name("yyyymmddhhnnss", "a.pdf"));
    EXPECT_EQ(BuildOutPath("/out", Name("yyyymmddhhnnss", "b.pdf")), first);
}

TEST(DefaultOutputFolder, AsksForItemSixAndStopsAtTheFirstZero) {
    FakeEngine engine;
    engine.defaultFolder = std::string("/home/u/Docs\0junk", 17);
    EXPECT_EQ(DefaultOutputFolder(engine), "/home/u/Docs");
    EXPECT_EQ(engine.calls.front(), "GetInformation(6,256)");

    engine.defaultFolder = std::string(300, 'x');  // the buffer is filled to its end
    EXPECT_EQ(DefaultOutputFolder(engine), std::string(256, 'x'));
}

}  // namespace
}  // namespace quilbex::testing
