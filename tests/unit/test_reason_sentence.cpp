// The engine's reasons as the user reads them: one row a reason.
#include <gtest/gtest.h>

#include "run/ReasonSentence.h"
#include "xdwapi/xdwapi.h"

namespace quilbex::testing {
namespace {

TEST(ReasonSentence, NamesTheThingConcernedAndWhatToDo) {
    const std::string source = "/home/u/in.zip";
    const struct Row {
        int32_t code;
        const char* reason;  // as XDW_GetLastErrorText hands it out
        const char* sentence;
    } rows[] = {
        {XDW_E_ACCESS_DENIED,
         "target folder: Permission denied\nkind=output-folder\nerrno=13\npath=/srv/out",
         "出力先フォルダー「/srv/out」に書き込む権限がありません。設定で出力先を変えてください。"},
        {XDW_E_FILE_NOT_FOUND, "target folder\nkind=output-folder\nerrno=2\npath=/srv/a\\nb\\\\c",
         "出力先フォルダー「/srv/"
         "a\nb\\c」がありません。フォルダーを作るか、設定で出力先を変えてください。"},
        {XDW_E_FAIL, "target folder\nkind=output-folder\nerrno=5\npath=/srv/out",
         "出力先フォルダー「/srv/"
         "out」を使えません（読み書きの障害です）。設定で出力先を変えてください。"},
        {XDW_E_FILE_EXISTS, "target exists\nkind=output-exists\nerrno=17\npath=/srv/out/in.xdw",
         "同じ名前の文書「/srv/out/"
         "in.xdw」がすでにあるため、上書きせずに止めました。その文書を移すか、"
         "設定のファイル名で日付を付けてください。"},
        {XDW_E_DISK_FULL, "write\nkind=output-write\nerrno=28\npath=/srv/out/in.xdw",
         "出力先フォルダー「/srv/out」のディスクに空きがないため、文書を書き込めませんでした。"
         "空きを作るか、設定で出力先を変えてください。"},
        {XDW_E_CANNOT_READ, "not a printable document\nkind=type-refused\ntype=application/zip",
         "この種類のファイル（ZIP 書庫）は変換できません。変換できるのは "
         "PDF、画像（TIFF、JPEG、PNG など）、"
         "ワープロ・表計算・プレゼンテーションの文書、テキストです。"},
        {XDW_E_CANNOT_READ, "empty file\nkind=content\nfuture=ignored",
         "変換元ファイル「/home/u/"
         "in.zip」の中身を読み取れません。壊れていないか、作ったアプリケーションで"
         "開けるか確かめてください。"},
        {XDW_E_FILE_NOT_FOUND, "source\nkind=source\nerrno=2\npath=/home/u/gone.pdf",
         "変換元ファイル「/home/u/"
         "gone.pdf」が見つかりません。移動または削除されていないか確かめてください。"},
        {XDW_E_FAIL, "LibreOffice ran past 120 s\nkind=time-limit",
         "変換元ファイル「/home/u/"
         "in.zip」の変換が時間内に終わりませんでした。ファイルを分けるか、PDF "
         "にしてから変換してください。"},
        {XDW_E_FAIL, "LibreOffice failed with exit code 81",
         "何らかのエラーが発生しました。 (LibreOffice failed with exit code 81)"},
        {XDW_E_FILE_NOT_FOUND, "", "指定されたファイルが見つかりません。"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ReasonSentence(row.code, ParseEngineReason(row.reason), source), row.sentence)
            << row.reason;
    }
}

}  // namespace
}  // namespace quilbex::testing
