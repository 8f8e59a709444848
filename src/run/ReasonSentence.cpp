#include "run/ReasonSentence.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "run/RunLog.h"
#include "xdwapi/xdwreason.h"

namespace quilbex {

namespace {

// A folder that is there but takes no new file (/proc, /sys) answers ENOENT
// like a missing one; its rows say so under this value.
constexpr int kTakesNoFile = -1;

constexpr const char* kPageNotReadSentence =
    "ページの文字を読めませんでした。文書は変換したとおりに出力しています。";

// {path}, {folder} (the folder holding path), {type}, {error} and {page} are
// filled in. A row with err 0 serves every errno its kind has no row for.
// Rows of a page serve the failures of one page of the OCR pass.
struct SentenceRow {
    int kind;
    int err;
    const char* sentence;
    bool ofPage = false;
};

constexpr SentenceRow kSentences[] = {
    {XDW_REASON_TIME_LIMIT, 0,
     "{page}ページの文字認識が時間内に終わらなかったため、このページには文字を付けていません。"
     "文書は変換したとおりに出力しています。",
     true},
    {XDW_REASON_MEMORY_LIMIT, 0,
     "{page}ページの文字認識が使えるメモリーに収まらなかったため、このページには文字を付けていま"
     "せん。文書は変換したとおりに出力しています。",
     true},
    {XDW_REASON_PICTURE_LIMIT, 0,
     "{page}ページは大きすぎるため文字を読めませんでした。文書は変換したとおりに出力しています。",
     true},
    {XDW_REASON_SIGNED, 0,
     "文書「{path}」は署名付きで、署名を壊さずに文字を付けることができないため、OCR "
     "をしていません。文書は変換したとおりに出力しています。"},
    {XDW_REASON_BLANK_PRINT, 0,
     "変換元ファイル「{path}」を LibreOffice "
     "が印刷できませんでした（何も印刷されないか、白紙のページだけでした）。大きすぎる表などは"
     "ファイルを分けてから、ほかは作ったアプリケーションで開けるか確かめてから変換してください。"},
    {XDW_REASON_SHEET_LIMIT, 0,
     "変換元ファイル「{path}」の表は LibreOffice の 1 シートに入る 1,048,576 "
     "行を超えているため、全部を印刷できません。ファイルを分けてから変換してください。"},
    {XDW_REASON_SOURCE, ENOENT,
     "変換元ファイル「{path}」が見つかりません。移動または削除されていないか確かめてください。"},
    {XDW_REASON_SOURCE, EACCES,
     "変換元ファイル「{path}」を読む権限がありません。ファイルの権限を確かめてください。"},
    {XDW_REASON_SOURCE, 0, "変換元ファイル「{path}」を読めません（{error}）。"},
    {XDW_REASON_SOURCE_NOT_FILE, 0,
     "「{path}」は通常のファイルではないため変換できません。ファイルを指定してください。"},
    {XDW_REASON_PASSWORD, 0,
     "変換元ファイル「{path}」はパスワードで保護されているため開けません。"
     "パスワードを外した PDF を変換してください。"},
    {XDW_REASON_CONTENT, 0,
     "変換元ファイル「{path}"
     "」の中身を読み取れません。壊れていないか、作ったアプリケーションで開けるか"
     "確かめてください。"},
    {XDW_REASON_PDF_DAMAGED, 0,
     "PDF が壊れているため読めません。「{path}」を作ったアプリケーションで PDF "
     "を作り直すか、PDF を表示できるアプリケーションで開いて PDF "
     "に印刷し直してから変換してください。"},
    {XDW_REASON_PAGE_DAMAGED, 0,
     "変換元ファイル「{path}"
     "」に壊れたページがあるため変換できません。作ったアプリケーションで開いて"
     "保存し直してください。"},
    {XDW_REASON_PICTURE_LIMIT, 0,
     "変換元ファイル「{path}"
     "」の画像が大きすぎるため変換できません。解像度を下げた画像にしてください。"},
    {XDW_REASON_MEMORY_LIMIT, 0,
     "変換元ファイル「{path}"
     "」は大きすぎて、使えるメモリーの中では変換できませんでした。ファイルを分けるか、"
     "PDF にしてから変換してください。"},
    {XDW_REASON_TIME_LIMIT, 0,
     "変換元ファイル「{path}」の変換が時間内に終わりませんでした。ファイルを分けるか、PDF "
     "にしてから変換してください。"},
    {XDW_REASON_TYPE_REFUSED, 0,
     "この種類のファイル（{type}）は変換できません。変換できるのは PDF、画像（TIFF、JPEG、PNG "
     "など）、"
     "ワープロ・表計算・プレゼンテーションの文書、テキストです。"},
    {XDW_REASON_OUTPUT_FOLDER, EACCES,
     "出力先フォルダー「{path}」に書き込む権限がありません。設定で出力先を変えてください。"},
    {XDW_REASON_OUTPUT_FOLDER, EROFS,
     "出力先フォルダー「{path}」は読み取り専用です。設定で出力先を変えてください。"},
    {XDW_REASON_OUTPUT_FOLDER, kTakesNoFile,
     "出力先フォルダー「{path}」にはファイルを作れません。設定で出力先を変えてください。"},
    {XDW_REASON_OUTPUT_FOLDER, ENOENT,
     "出力先フォルダー「{path}」がありません。フォルダーを作るか、設定で出力先を変えてください。"},
    {XDW_REASON_OUTPUT_FOLDER, ENOTDIR,
     "出力先「{path}」はフォルダーではありません。設定で出力先を変えてください。"},
    {XDW_REASON_OUTPUT_FOLDER, 0,
     "出力先フォルダー「{path}」を使えません（{error}）。設定で出力先を変えてください。"},
    {XDW_REASON_OUTPUT_EXISTS, 0,
     "同じ名前の文書「{path}」がすでにあるため、上書きせずに止めました。その文書を移すか、"
     "設定のファイル名で日付を付けてください。"},
    {XDW_REASON_OUTPUT_WRITE, ENOSPC,
     "出力先フォルダー「{folder}」のディスクに空きがないため、文書を書き込めませんでした。"
     "空きを作るか、設定で出力先を変えてください。"},
    {XDW_REASON_OUTPUT_WRITE, 0,
     "文書「{path}」を書き込めませんでした（{error}）。書きかけの文書は残していません。"},
    {XDW_REASON_MISSING_PART, 0,
     "変換に必要な「{path}」がありません。Quilbex を入れ直してください。"},
    {XDW_REASON_MISSING_PROGRAM, 0,
     "変換に使うプログラム「{path}」を起動できません。LibreOffice "
     "が入っているか確かめてください。"},
};

// Errno values as the sentences' {error} says them.
struct ErrnoWords {
    int err;
    const char* words;
};

constexpr ErrnoWords kErrnoWords[] = {
    {EACCES, "権限がありません"},       {EPERM, "権限がありません"},
    {ENOENT, "見つかりません"},         {ENOTDIR, "途中がフォルダーではありません"},
    {EROFS, "読み取り専用です"},        {ENOSPC, "ディスクに空きがありません"},
    {EDQUOT, "使える容量を超えました"}, {EIO, "読み書きの障害です"},
    {ENAMETOOLONG, "名前が長すぎます"}, {ELOOP, "リンクがたどれません"},
    {EISDIR, "フォルダーです"},
};

struct MimeName {
    const char* type;
    const char* name;
};

constexpr MimeName kTypeNames[] = {
    {"application/zip", "ZIP 書庫"},
    {"application/x-7z-compressed", "7z 書庫"},
    {"application/vnd.rar", "RAR 書庫"},
    {"application/x-rar", "RAR 書庫"},
    {"application/x-tar", "tar 書庫"},
    {"application/gzip", "gzip 圧縮ファイル"},
    {"application/x-xz", "xz 圧縮ファイル"},
    {"application/x-bzip2", "bzip2 圧縮ファイル"},
    {"application/x-executable", "実行ファイル"},
    {"application/x-pie-executable", "実行ファイル"},
    {"application/x-sharedlib", "実行ファイル"},
    {"application/x-dosexec", "Windows の実行ファイル"},
    {"application/x-iso9660-image", "ディスクイメージ"},
    {"application/octet-stream", "種類の分からないデータ"},
};

std::string ErrorWords(int err) {
    for (const auto& row : kErrnoWords) {
        if (row.err == err) return row.words;
    }
    return std::string("システムのエラー: ") + std::strerror(err);
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

void Fill(std::string& text, const std::string& field, const std::string& value) {
    for (size_t at = text.find(field); at != std::string::npos;
         at = text.find(field, at + value.size()))
        text.replace(at, field.size(), value);
}

}  // namespace

std::string TypeName(const std::string& mimeType) {
    for (const auto& row : kTypeNames) {
        if (mimeType == row.type) return row.name;
    }
    const std::string group = mimeType.substr(0, mimeType.find('/'));
    if (group == "audio") return "音声ファイル";
    if (group == "video") return "動画ファイル";
    return mimeType;
}

std::string ReasonSentence(int32_t code, const EngineReason& reason, const std::string& source,
                           int page) {
    int err = reason.err;
    struct stat info {};
    if (reason.kind == XDW_REASON_OUTPUT_FOLDER && err == ENOENT &&
        ::stat(reason.path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        err = kTakesNoFile;
    // A kind's rows for single errno values come before its catch-all row.
    const SentenceRow* match = nullptr;
    for (const auto& row : kSentences) {
        if (row.ofPage != (page > 0)) continue;
        if (reason.kind == row.kind && (row.err == err || row.err == 0)) {
            match = &row;
            break;
        }
    }
    if (match == nullptr) {
        // A reason the table does not know keeps the engine's own words; for
        // a page, the code's message would speak of a file not opened.
        std::string text = page > 0 ? std::to_string(page) + kPageNotReadSentence
                                    : std::string(ErrorMessage(code));
        if (!reason.prose.empty()) text += " (" + reason.prose + ")";
        return text;
    }
    const std::string path = reason.path.empty() ? source : reason.path;
    std::string text = match->sentence;
    Fill(text, "{path}", path);
    Fill(text, "{folder}", FolderOf(path));
    Fill(text, "{type}", TypeName(reason.type));
    Fill(text, "{error}", ErrorWords(reason.err));
    Fill(text, "{page}", std::to_string(page));
    return text;
}

}  // namespace quilbex
