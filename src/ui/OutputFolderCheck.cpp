#include "ui/OutputFolderCheck.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QStringList>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "ui/MessageBoxes.h"

namespace quilbex {

FolderState CheckOutputFolder(const std::string& folder) {
    if (folder.empty()) return FolderState::kUsable;
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0)
        return errno == ENOENT ? FolderState::kMissing : FolderState::kNotWritable;
    if (!S_ISDIR(st.st_mode)) return FolderState::kNotFolder;
    if (::access(folder.c_str(), W_OK | X_OK) != 0) return FolderState::kNotWritable;
    return FolderState::kUsable;
}

bool ConfirmOutputFolder(const QString& folder, QWidget* owner) {
    const QString named = QStringLiteral("「") + folder + QStringLiteral("」");
    const QString saveAnyway = QStringLiteral("このまま保存");
    const QString back = QStringLiteral("戻る");
    switch (CheckOutputFolder(folder.toStdString())) {
        case FolderState::kUsable:
            return true;
        case FolderState::kMissing: {
            const int answer =
                AskChoice(QStringLiteral("出力先フォルダー") + named +
                              QStringLiteral("がありません。作りますか？"),
                          {QStringLiteral("作って保存"), saveAnyway, back}, 1, owner);
            if (answer != 0) return answer == 1;
            std::error_code error;
            std::filesystem::create_directories(folder.toStdString(), error);
            if (!error) return true;
            ShowMessageBox(MessageIcon::Error,
                           QStringLiteral("出力先フォルダー") + named +
                               QStringLiteral("を作れませんでした: ") +
                               QString::fromStdString(error.message()),
                           owner);
            return false;
        }
        case FolderState::kNotFolder:
            return AskChoice(
                       QStringLiteral("出力先") + named +
                           QStringLiteral("はフォルダーではありません。このまま保存しますか？"),
                       {saveAnyway, back}, 0, owner) == 0;
        case FolderState::kNotWritable:
            return AskChoice(
                       QStringLiteral("出力先フォルダー") + named +
                           QStringLiteral("に書き込む権限がありません。このまま保存しますか？"),
                       {saveAnyway, back}, 0, owner) == 0;
    }
    return true;
}

}  // namespace quilbex
