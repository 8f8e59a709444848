// The engine's reasons as the user reads them: one row a kind (and errno).
#include <gtest/gtest.h>

#include <cerrno>

#include "run/ReasonSentence.h"
#include "xdwapi/xdwapi.h"
#include "xdwapi/xdwreason.h"

namespace quilbex::testing {
namespace {

TEST(ReasonSentence, NamesTheThingConcernedAndWhatToDo) {
    const std::string source = "/home/u/in.zip";
    const struct Row {
        int32_t code;
        EngineReason reason;
        const char* sentence;  // the whole sentence, or a part unique to its row
    } rows[] = {
        {XDW_E_ACCESS_DENIED,
         {"target folder", XDW_REASON_OUTPUT_FOLDER, "/srv/out", EACCES},
         "出力先フォルダー「/srv/out」に書き込む権限がありません。設定で出力先を変えてください。"},
        {XDW_E_FILE_NOT_FOUND,
         {"", XDW_REASON_OUTPUT_FOLDER, "/srv/a\nb\\c", ENOENT},
         "出力先フォルダー「/srv/a\nb\\c」がありません。フォルダーを作るか、"},
        {XDW_E_FAIL,
         {"", XDW_REASON_OUTPUT_FOLDER, "/srv/out", EIO},
         "出力先フォルダー「/srv/out」を使えません（読み書きの障害です）。"},
        {XDW_E_ACCESS_DENIED,
         {"", XDW_REASON_OUTPUT_FOLDER, "/srv/out", EROFS},
         "は読み取り専用です"},
        {XDW_E_FILE_NOT_FOUND,
         {"", XDW_REASON_OUTPUT_FOLDER, "/srv/f", ENOTDIR},
         "出力先「/srv/f」はフォルダーではありません。"},
        {XDW_E_FILE_EXISTS,
         {"target exists", XDW_REASON_OUTPUT_EXISTS, "/srv/out/in.xdw", EEXIST},
         "同じ名前の文書「/srv/out/"
         "in.xdw」がすでにあるため、上書きせずに止めました。その文書を移すか、"
         "設定のファイル名で日付を付けてください。"},
        {XDW_E_DISK_FULL,
         {"write", XDW_REASON_OUTPUT_WRITE, "/srv/out/in.xdw", ENOSPC},
         "出力先フォルダー「/srv/out」のディスクに空きがないため、文書を書き込めませんでした。"
         "空きを作るか、設定で出力先を変えてください。"},
        {XDW_E_FAIL,
         {"", XDW_REASON_OUTPUT_WRITE, "/srv/o.xdw", EIO},
         "文書「/srv/o.xdw」を書き込めませんでした"},
        {XDW_E_CANNOT_READ,
         {"not a printable document", XDW_REASON_TYPE_REFUSED, "", 0, "application/zip"},
         "この種類のファイル（ZIP 書庫）は変換できません。変換できるのは "
         "PDF、画像（TIFF、JPEG、PNG "
         "など）、ワープロ・表計算・プレゼンテーションの文書、テキストです。"},
        {XDW_E_CANNOT_READ,
         {"empty file", XDW_REASON_CONTENT},
         "変換元ファイル「/home/u/"
         "in.zip」の中身を読み取れません。壊れていないか、作ったアプリケーションで"
         "開けるか確かめてください。"},
        {XDW_E_FILE_NOT_FOUND,
         {"source", XDW_REASON_SOURCE, "/home/u/gone.pdf", ENOENT},
         "変換元ファイル「/home/u/"
         "gone.pdf」が見つかりません。移動または削除されていないか確かめてください。"},
        {XDW_E_ACCESS_DENIED, {"", XDW_REASON_SOURCE, "", EACCES}, "を読む権限がありません"},
        {XDW_E_FAIL,
         {"", XDW_REASON_SOURCE, "", EIO},
         "in.zip」を読めません（読み書きの障害です）"},
        {XDW_E_CANNOT_READ,
         {"", XDW_REASON_SOURCE_NOT_FILE, "/dev/x"},
         "「/dev/x」は通常のファイルではない"},
        {XDW_E_PASSWORD_PROTECTED,
         {"", XDW_REASON_PASSWORD},
         "はパスワードで保護されているため開けません"},
        {XDW_E_CANNOT_READ,
         {"", XDW_REASON_PDF_DAMAGED},
         "PDF が壊れているため読めません。「/home/u/in.zip」"},
        {XDW_E_CANNOT_READ,
         {"", XDW_REASON_PAGE_DAMAGED},
         "に壊れたページがあるため変換できません"},
        // A TIFF over the pixel limit reads as a JPEG over it does.
        {XDW_E_CANNOT_READ,
         {"TIFF: image too large", XDW_REASON_PICTURE_LIMIT, "", 0, "", 600000000,
          XDW_LIMIT_PIXELS},
         "変換元ファイル「/home/u/"
         "in.zip」の画像が大きすぎるため変換できません。解像度を下げた画像にしてください。"},
        {XDW_E_CANNOT_READ,
         {"", XDW_REASON_MEMORY_LIMIT},
         "使えるメモリーの中では変換できませんでした"},
        {XDW_E_FAIL,
         {"LibreOffice ran past 120 s", XDW_REASON_TIME_LIMIT},
         "変換元ファイル「/home/u/"
         "in.zip」の変換が時間内に終わりませんでした。ファイルを分けるか、PDF "
         "にしてから変換してください。"},
        {XDW_E_NOT_INSTALLED,
         {"", XDW_REASON_MISSING_PART, "/usr/share/x.traineddata"},
         "変換に必要な「/usr/share/x.traineddata」がありません。"},
        {XDW_E_NOT_INSTALLED,
         {"", XDW_REASON_MISSING_PROGRAM, "soffice"},
         "プログラム「soffice」を起動できません"},
        {XDW_E_FAIL,
         {"LibreOffice failed with exit code 81"},
         "何らかのエラーが発生しました。 (LibreOffice failed with exit code 81)"},
        {XDW_E_FILE_NOT_FOUND, {}, "指定されたファイルが見つかりません。"},
        // A folder that is there but takes no file is not called missing.
        {XDW_E_FILE_NOT_FOUND,
         {"", XDW_REASON_OUTPUT_FOLDER, "/proc", ENOENT},
         "出力先フォルダー「/proc」にはファイルを作れません。"},
        {XDW_E_ACCESS_DENIED,
         {"the signed document is certified", XDW_REASON_SIGNED, "/srv/out/s.xdw"},
         "文書「/srv/out/s.xdw」は署名付きで、署名を壊さずに文字を付けることができないため"},
        {XDW_E_CANNOT_READ, {"", XDW_REASON_SHEET_LIMIT}, "1,048,576 行を超えているため"},
        {XDW_E_CANNOT_READ,
         {"LibreOffice printed only blank pages", XDW_REASON_BLANK_PRINT},
         "in.zip」を LibreOffice "
         "が印刷できませんでした（何も印刷されないか、白紙のページだけでした）"},
    };
    for (const Row& row : rows) {
        const std::string sentence = ReasonSentence(row.code, row.reason, source);
        EXPECT_NE(sentence.find(row.sentence), std::string::npos) << sentence;
    }
}

}  // namespace
}  // namespace quilbex::testing
