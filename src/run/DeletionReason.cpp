#include "run/DeletionReason.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quilbex {

namespace {

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string DeletionReason(const std::string& source, int error) {
    if (error == ENOENT)
        return "元ファイル「" + NameOf(source) +
               "」は変換の後に移動または削除されていたため、削除しませんでした。";
    const std::string kept = "元ファイル「" + NameOf(source) + "」は削除できず、残っています";
    const std::string folder = FolderOf(source);
    if (error == 0)
        return kept +
               "（読み取り専用のファイルです）。不要なら、ファイルのプロパティで書き込みを"
               "許可してから削除してください。";
    if (error == EROFS)
        return kept + "（フォルダー「" + folder +
               "」は読み取り専用の場所にあります）。不要なら、書き込みできる状態にしてから削除して"
               "ください。";
    if (error == EACCES || error == EPERM)
        return kept + "（フォルダー「" + folder +
               "」のファイルを削除する権限がありません）。不要なら、そのフォルダーに書き込める"
               "ユーザーで削除するか、フォルダーの権限を変えてください。";
    return kept + "（" + std::strerror(error) + "）。不要なら手で削除してください。";
}

}  // namespace quilbex
