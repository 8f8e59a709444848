#include "ui/DocumentKeysLine.h"

#include <QStringList>

#include "common/DocumentKeysFile.h"

namespace quilbex {

namespace {

// 396000 as ¥396,000.
QString Yen(const std::string& digits) {
    QString grouped = QString::fromStdString(digits);
    for (int at = grouped.size() - 3; at > 0; at -= 3) grouped.insert(at, QLatin1Char(','));
    return QStringLiteral("¥") + grouped;
}

}  // namespace

QString DocumentKeysLine(const std::string& documentPath) {
    const FoundKeys keys = ReadDocumentKeys(documentPath);
    QStringList parts;
    if (!keys.kind.empty()) parts << QString::fromStdString(keys.kind);
    if (!keys.date.empty()) parts << QString::fromStdString(keys.date);
    if (!keys.amount.empty()) parts << Yen(keys.amount);
    if (!keys.counterparty.empty()) parts << QString::fromStdString(keys.counterparty);
    return parts.join(QStringLiteral("　"));
}

}  // namespace quilbex
