// The completion notification names what the document was found to be, as
// the engine wrote it into the document's metadata (the latest words, when
// an update was appended), and nothing for a document without them.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <fstream>

#include "common/DocumentKeysFile.h"
#include "ui/Notifier.h"

using namespace quilbex;

namespace {

std::string Block(const std::string& kind, const std::string& amount) {
    return std::string("<rdf:Description rdf:about=\"\" xmlns:quilbex=\"") +
           kDocumentKeysNamespace + "\">\n<quilbex:Kind>" + kind +
           "</quilbex:Kind><quilbex:Date>2026-12-01</quilbex:Date><quilbex:Amount>" + amount +
           "</quilbex:Amount><quilbex:Counterparty>株式会社ハヤシ&amp;文具</quilbex:Counterparty>"
           "</rdf:Description>\n";
}

}  // namespace

TEST(DocumentKeysLine, TheNotificationNamesTheKindDateAmountAndCounterparty) {
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("bill.xdw")).toStdString();
    // Far apart, as an update appended after a large document puts them.
    std::ofstream(path) << "%PDF-1.7\n" + Block("見積書", "99") + std::string(3 << 20, ' ') +
                               Block("請求書", "1128000");
    RunOutcome outcome;
    outcome.source = "/home/user/bill.pdf";
    outcome.outPath = path;
    EXPECT_EQ(DescribeOutcome(outcome).body.section(QLatin1Char('\n'), 2),
              QStringLiteral("請求書　2026-12-01　¥1,128,000　株式会社ハヤシ&文具"));

    std::ofstream(path) << "%PDF-1.7\n";
    EXPECT_EQ(DescribeOutcome(outcome).body.count(QLatin1Char('\n')), 1);
}
