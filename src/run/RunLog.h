// The run log, the messages for result codes and the text of the default
// error handler.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "run/EngineReason.h"
#include "run/RunState.h"

namespace quilbex {

inline constexpr const char* kLogFileName = "Quilbex.log";

// The result of Execute's route choice for a file without a direct conversion.
inline constexpr int32_t kNoDirectRoute = -1;

// The message for an engine result code; every code without a message of its
// own gets kCatchAllMessage.
inline constexpr const char* kCatchAllMessage = "何らかのエラーが発生しました。";
const char* ErrorMessage(int32_t code);

// Lines and messages of the run beyond the error table.
inline constexpr const char* kStoppedLine = "変換を中止しました。";
inline constexpr const char* kSourceChangedLine =
    "元ファイルが変換中に変更されたため、出力した文書を削除しました。";
inline constexpr const char* kNoOutputFolderMessage =
    "出力先のフォルダが見つかりません。設定で出力先を指定してください。";
// The run waits for the runs before it to leave it a turn.
std::string WaitingLine(int ahead);
std::string NameLeavesFolderMessage(const std::string& name);
// A composed name that would be hidden ("", ".", ".."; a leading dot) or
// holds control characters.
std::string NameUnusableMessage(const std::string& name);
// A SaveDir that is not an absolute path or holds control characters.
std::string SaveDirUnusableMessage(const std::string& folder);
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

// What a run tells: its log pane and log file, its progress, its failures
// (recorded in the run's outcome) and its end. Every other part of the run
// reports through it.
class RunLog {
public:
    explicit RunLog(RunState& run) : run_(run) {}

    void AddLog(const std::string& text);
    // Logs the code's message; an interactive run shows it too.
    void ReportError(int code);
    // The message for a result code with the engine's reason behind it.
    // The engine's reason read back, as the sentence the user reads
    // (ReasonSentence.h); an existing document it names is noted in the outcome.
    // page: the page of the OCR pass that failed (0 for the rest of the run).
    std::string Reason(int code, int page = 0);
    std::string Sentence(int code, const EngineReason& reason, int page = 0);
    // Reports a failure or a stop of the run to its outcome, with one line
    // for standard error about the source (the settings file when there is
    // none).
    void Fail(RunEvent event, const std::string& reason);
    // A failed engine call: reported, and recorded with the engine's reason.
    void FailOn(int code, RunEvent event);
    // A cancel that came while the worker worked has been honoured: log it.
    void LogCancelled();
    // A failure the run itself finds: logged, shown in an interactive run,
    // recorded, and the run finished.
    void RefuseRun(const std::string& text);
    // When a termination signal has come: logged, recorded, the run finished.
    bool StoppedByTermination();
    void ShowProgress(RunProgress::Step step, int current = 0, int total = 0,
                      XDW_DOCUMENT_HANDLE document = nullptr);
    // Writes the log file, tells the desktop how an automatic run ended and
    // closes the window.
    void FinishRun();
    // The run has been carried to its end.
    bool Finished() const { return finished_; }
    // An error that escaped one of the window's events or the worker.
    void HandleException(const std::exception& error);

private:
    RunState& run_;
    bool finished_ = false;
};

}  // namespace quilbex
