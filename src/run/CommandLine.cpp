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

std::string ExtraFilesNote(const std::vector<std::string>& files) {
    std::string note = "quilbex: 変換するのは最初のファイル " + files.front() +
                       " だけです。次のファイルは変換していません:\n";
    for (std::size_t i = 1; i < files.size(); ++i) note += "  " + files[i] + "\n";
    note +=
        "quilbex: 複数のファイルは、1 ファイルずつ quilbex を起動して変換してください "
        "(同時に起動しても順番に変換します)。例: for f in *.pdf; do quilbex -- \"$f\" & done\n";
    return note;
}

std::string HelpText() {
    return "使い方: quilbex [--] <ファイル>\n"
           "        quilbex              設定画面\n"
           "        quilbex --help | --version\n"
           "\n"
           "ファイルを XDW 文書に変換します (PDF・TIFF・JPEG "
           "は直接、それ以外はアプリケーションで印刷)。\n"
           "1 回の起動で変換するのは最初のファイルだけです。複数のファイルは 1 ファイルずつ\n"
           "起動してください (同時に起動したものは順番に変換します)。\n"
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
