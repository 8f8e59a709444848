// The run log, the messages for result codes and the text of the default
// error handler.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quilbex {

inline constexpr const char* kSettingsFileName = "Quilbex.ini";
inline constexpr const char* kLogFileName = "Quilbex.log";

// The result of Execute's route choice for a file without a direct conversion.
inline constexpr int32_t kNoDirectRoute = -1;

// The message for an engine result code; every code without a message of its
// own gets kCatchAllMessage.
inline constexpr const char* kCatchAllMessage = "何らかのエラーが発生しました。";
const char* ErrorMessage(int32_t code);

// Lines and messages of the run beyond the error table.
inline constexpr const char* kDeleteFailedLine = "元ファイル削除失敗";
inline constexpr const char* kStoppedLine = "変換を中止しました。";
inline constexpr const char* kNoOutputFolderMessage =
    "出力先のフォルダが見つかりません。設定で出力先を指定してください。";
std::string NameLeavesFolderMessage(const std::string& name);
std::string NameTooLongMessage(const std::string& outPath);
std::string NotRegularSettingsMessage(const std::string& path);

// The default error handler's text: a full stop is appended unless the last
// character is a single-byte one with a code of 0x2E or less.
std::string WithFullStop(const std::string& message);

// Writes lines to path in code page 932, each ended by CR LF, replacing the
// file. Throws std::runtime_error with "ファイル <path> を作成できません" when the
// file cannot be created (a read-only file included) and "ファイル <path> に書き込めません"
// when writing fails.
void WriteLogFile(const std::string& path, const std::vector<std::string>& lines);

}  // namespace quilbex
