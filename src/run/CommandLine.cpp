#include "run/CommandLine.h"

namespace quilbex {

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    bool options = true;
    for (const std::string& arg : args) {
        if (options && arg == "--") {
            options = false;
        } else if (options && arg == "--help") {
            return {CommandLine::Action::kHelp, {}};
        } else if (options && arg == "--version") {
            return {CommandLine::Action::kVersion, {}};
        } else {
            line.files.push_back(arg);
        }
    }
    return line;
}

std::string HelpText() {
    return "使い方: quilbex [--] <ファイル>\n"
           "        quilbex              設定画面\n"
           "        quilbex --help | --version\n"
           "\n"
           "ファイルを XDW 文書に変換します (PDF・TIFF・JPEG "
           "は直接、それ以外はアプリケーションで印刷)。\n"
           "\"--\" の後は、\"-\" で始まる名前もファイル名として扱います。\n"
           "設定: Quilbex.ini、ログ: Quilbex.log (プログラムのフォルダ、インストール時は\n"
           "$XDG_CONFIG_HOME/Quilbex/)\n"
           "\n"
           "終了コード:\n"
           "  0  文書を出力しました (OCR が有効なら保存まで)\n"
           "  1  変換に失敗しました。文書はなく、元ファイルは残っています\n"
           "  2  コマンドラインの誤り、または画面なしでファイルの指定がありません\n"
           "  3  ユーザーの操作が必要ですが、画面がありません\n"
           "  4  キャンセルまたはシグナルで中止しました。元ファイルは残っています\n"
           "     (文書の完成後、OCR 中に中止したときは、削除が有効なら元ファイルは削除済みです)\n"
           "  5  文書は出力しましたが、OCR または元ファイルの削除に失敗しました\n";
}

}  // namespace quilbex
