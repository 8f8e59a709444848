// Desktop search finds a converted bill again: Recoll, with an index of its
// own over the output folder, finds the document by its date, its total,
// its issuer and its title.
#include <gtest/gtest.h>

#include <cstdlib>

#include "e2e_support.h"

using namespace e2e;

TEST(DesktopSearch, RecollFindsABillByEachKeyAndItsTitle) {
    if (std::system("command -v recollindex >/dev/null 2>&1 && command -v recollq >/dev/null") != 0)
        GTEST_SKIP() << "Recoll is not installed";
    ProgramFolder folder;
    const fs::path out = folder.root() / "out";
    fs::create_directories(out);
    folder.WriteSettings({{"ShowSetting", "N"}},
                         {{"SaveDir", out.string()}, {"FileName", "元のファイル名"}});
    const fs::path bill = folder.root() / "hayashi-december.txt";
    WriteFile(bill,
              "請求書\n2026年12月1日\n株式会社こだま企画 御中\n株式会社ハヤシ文具\n"
              "ご請求金額 ¥128,000（税込）\n小計 ¥116,364\n消費税 ¥11,636\n合計 ¥128,000\n");
    ASSERT_EQ(folder.Run({bill.string()}).exitCode, 0);
    const fs::path document = out / "hayashi-december.xdw";
    ASSERT_TRUE(fs::exists(document));

    // Recoll as installed: it takes a document for the PDF it is by its content.
    const fs::path config = folder.root() / "recoll";
    fs::create_directories(config);
    WriteFile(config / "recoll.conf", "topdirs = " + out.string() + "\n");
    RunTool({"recollindex", "-c", config.string()});
    for (const std::string query :
         {"2026-12-01", "128000", "株式会社ハヤシ文具", "title:hayashi-december"}) {
        const Result found = StartProgram("/usr/bin/recollq", {"-c", config.string(), "-b", query},
                                          folder.home(), folder.root())
                                 ->Wait(60);
        EXPECT_NE(found.output.find(document.filename().string()), std::string::npos)
            << query << ": " << found.output << found.errors;
    }
}
