// The run log and error reporting of a conversion run.
#include "run/RunLog.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "common/AtomicFile.h"
#include "common/Cp932.h"
#include "run/FileReplace.h"
#include "run/ReasonSentence.h"
#include "run/SettingKeys.h"
#include "run/Termination.h"
#include "xdwapi/xdwapi.h"
#include "xdwapi/xdwreason.h"

namespace quilbex {

namespace {

class FolderLock {
public:
    explicit FolderLock(const std::string& folder)
        : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        while (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ~FolderLock() {
        if (fd_ >= 0) ::close(fd_);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int fd_;
};

struct CodeMessage {
    int32_t code;
    const char* message;
};

constexpr CodeMessage kMessages[] = {
    {XDW_E_NOT_INSTALLED, "DocuWorksがインストールされていません。"},
    {XDW_E_CANNOT_READ, "指定されたファイルを開くことができません。"},
    {XDW_E_FILE_NOT_FOUND, "指定されたファイルが見つかりません。"},
    {XDW_E_ACCESS_DENIED, "指定されたファイルを開くことができません。"},
    {XDW_E_FILE_EXISTS, "指定されたファイルはすでに存在します。"},
    {XDW_E_INVALID_NAME, "指定されたファイルを開くことができません。"},
    {static_cast<int32_t>(0x800E0005), "指定されたファイルを開くことができません。"},
    {kNoDirectRoute, "拡張子が不正です。"},
};

// Control characters (NUL included) written as \xNN, so a log line stays one
// line and shows what the value holds.
std::string VisibleText(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            out += c;
            continue;
        }
        static constexpr char kHex[] = "0123456789ABCDEF";
        out += {'\\', 'x', kHex[byte >> 4], kHex[byte & 15]};
    }
    return out;
}

}  // namespace

const char* ErrorMessage(int32_t code) {
    for (const auto& entry : kMessages) {
        if (entry.code == code) return entry.message;
    }
    return kCatchAllMessage;
}

std::string WaitingLine(int ahead) {
    return "順番を待っています（前に" + std::to_string(ahead) + "件）";
}

std::string NameLeavesFolderMessage(const std::string& name) {
    return "ファイル名 " + name + " は出力先のフォルダの外を指すため使えません。";
}

std::string NameUnusableMessage(const std::string& name) {
    return "ファイル名（FileName）" + VisibleText(name) +
           " は使えません。ドットで始まる名前や制御文字は出力ファイル名にできません。";
}

std::string SaveDirUnusableMessage(const std::string& folder) {
    return "出力先（SaveDir）" + VisibleText(folder) +
           " は使えません。/ で始まるフォルダを、制御文字なしで指定してください。";
}

std::string NameTooLongMessage(const std::string& outPath) {
    return "出力ファイル名が長すぎます: " + outPath;
}

std::string NotRegularSettingsMessage(const std::string& path) {
    return path + " は通常のファイルではないため、読み込みません。";
}

std::string WithFullStop(const std::string& message) {
    // Every character beyond ASCII has a first byte above 0x2E in code page 932.
    if (message.empty()) return message;
    const auto last = static_cast<unsigned char>(message.back());
    if (last < 0x80 && last <= 0x2E) return message;
    return message + ".";
}

void WriteLogFile(const std::string& path, const std::vector<std::string>& lines) {
    std::string content;
    for (const auto& line : lines) content += ToCp932Lossy(line) + "\r\n";
    // Runs ending together replace the file one after another, each with
    // its whole log, under a lock on its folder.
    const FolderLock lock(FolderOf(path));
    switch (ReplaceFileContent(path, content)) {
        case WriteResult::kWritten:
            return;
        case WriteResult::kCannotCreate:
            throw std::runtime_error("ファイル " + path + " を作成できません");
        case WriteResult::kWriteFailed:
            throw std::runtime_error("ファイル " + path + " に書き込めません");
    }
}

void RunLog::AddLog(const std::string& text) { run_.window.AppendLog(text); }

void RunLog::ReportError(int code) {
    const char* message = ErrorMessage(code);
    AddLog(std::to_string(code) + ":" + message);
    if (run_.options.ShowSetting && std::string(message) != kCatchAllMessage)
        run_.window.ShowMessage(message);
}

std::string RunLog::Reason(int code, int page) {
    // Read at once: the engine keeps only its last call's reason.
    return Sentence(code, ReadEngineReason(run_.engine), page);
}

std::string RunLog::Sentence(int code, const EngineReason& reason, int page) {
    // A document that already has the output's name: the failure offers its folder.
    if (reason.kind == XDW_REASON_OUTPUT_EXISTS) run_.outcome.MetExisting(reason.path);
    return ReasonSentence(code, reason, run_.args.empty() ? std::string() : run_.Source(), page);
}

void RunLog::Fail(RunEvent event, const std::string& reason) {
    const std::string subject = run_.args.empty() ? run_.exeDir + kSettingsFileName : run_.Source();
    run_.outcome.Fail(event, reason, subject);
}

void RunLog::FailOn(int code, RunEvent event) {
    const std::string reason = Reason(code);
    ReportError(code);
    Fail(event, reason);
}

void RunLog::LogCancelled() {
    AddLog(kStoppedLine);
    Fail(RunEvent::kStopped, kStoppedLine);
}

void RunLog::RefuseRun(const std::string& text) {
    AddLog(text);
    if (run_.options.ShowSetting) run_.window.ShowMessage(text);
    Fail(RunEvent::kConversionFailed, text);
    FinishRun();
}

bool RunLog::StoppedByTermination() {
    if (!TerminationRequested()) return false;
    AddLog(kStoppedLine);
    Fail(RunEvent::kStopped, kStoppedLine);
    FinishRun();
    return true;
}

void RunLog::ShowProgress(RunProgress::Step step, int current, int total,
                          XDW_DOCUMENT_HANDLE document) {
    run_.window.ShowProgress(RunProgress{step, current, total, document});
}

void RunLog::FinishRun() {
    // The window is gone: nobody to show anything to, and no log to keep.
    if (run_.cancel.IsWindowGone()) return;
    finished_ = true;
    // The heavy work is over: the next run may start.
    run_.turns->EndTurn();
    try {
        WriteLogFile(run_.exeDir + kLogFileName, run_.window.LogLines());
    } catch (const std::exception& error) {
        run_.window.ShowMessage(error.what());
    }
    run_.window.ShowProgress(RunProgress{});
    if (!run_.options.ShowSetting) run_.window.AnnounceOutcome(run_.outcome.Result());
    run_.window.RequestClose();
}

void RunLog::HandleException(const std::exception& error) {
    // A settings-only start has no run to fail; the dialog stays open.
    if (!run_.args.empty()) Fail(RunEvent::kConversionFailed, error.what());
    // The run stops here: the next run need not wait while the box is up.
    run_.turns->EndTurn();
    run_.window.ShowErrorMessage(WithFullStop(error.what()));
}

}  // namespace quilbex
