#include "ui/Notifier.h"

#include <QFileInfo>

#include "ui/DocumentKeysLine.h"

namespace quilbex {

namespace {

// The line naming what the document was found to be, after a line break
// ("" when nothing was found).
QString KeysLine(const RunOutcome& outcome) {
    const QString keys = DocumentKeysLine(outcome.outPath);
    return keys.isEmpty() ? QString() : QLatin1Char('\n') + keys;
}

}  // namespace

NotificationText DescribeOutcome(const RunOutcome& outcome) {
    const QFileInfo source(QString::fromStdString(outcome.source));
    const QFileInfo document(QString::fromStdString(outcome.outPath));
    const QString where = document.fileName() + QLatin1Char('\n') + document.absolutePath();
    const QString reason = QString::fromStdString(outcome.reason);
    const bool written = !outcome.outPath.empty();
    NotificationText text;
    if (written) {
        text.document = document.absoluteFilePath();
        text.folder = document.absolutePath();
        text.selected = text.document;
    }
    switch (outcome.status) {
        case ExitStatus::kDone:
            text.summary = QStringLiteral("変換しました: ") + source.fileName();
            text.icon = QStringLiteral("quilbex");
            text.body = where;
            if (written) text.body += KeysLine(outcome);
            break;
        case ExitStatus::kIncomplete:
            // The document is there, but something asked for was not done
            // (the source kept, a page without text): the user has to see why.
            text.summary = QStringLiteral("変換しました: ") + source.fileName();
            text.icon = QStringLiteral("dialog-warning");
            text.warns = true;
            text.body = where;
            if (written) text.body += KeysLine(outcome);
            if (!reason.isEmpty())
                text.body += QStringLiteral("\n一部の処理に失敗しました: ") + reason;
            break;
        case ExitStatus::kCancelled:
            text.summary = QStringLiteral("変換を中止しました: ") + source.fileName();
            text.icon = QStringLiteral("process-stop");
            text.body = written
                            ? where + QStringLiteral("\n文書は変換したままの状態で残っています。")
                            : QStringLiteral("文書は作られていません。");
            break;
        default:
            text.summary = QStringLiteral("変換できませんでした: ") + source.fileName();
            text.icon = QStringLiteral("dialog-error");
            if (!outcome.existing.empty()) {
                const QFileInfo existing(QString::fromStdString(outcome.existing));
                text.folder = existing.absolutePath();
                text.selected = existing.absoluteFilePath();
            }
            text.body =
                reason.isEmpty() ? QStringLiteral("何らかのエラーが発生しました。") : reason;
            break;
    }
    return text;
}

}  // namespace quilbex
