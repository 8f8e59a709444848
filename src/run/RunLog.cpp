// The run log and error reporting of a conversion run.
#include "run/RunLog.h"

#include <stdexcept>

#include "common/Cp932.h"
#include "run/ConversionRun.h"
#include "run/FileText.h"
#include "run/SettingKeys.h"
#include "xdwapi/xdwapi.h"

namespace quilbex {

namespace {

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

}  // namespace

const char* ErrorMessage(int32_t code) {
    for (const auto& entry : kMessages) {
        if (entry.code == code) return entry.message;
    }
    return kCatchAllMessage;
}

std::string NameLeavesFolderMessage(const std::string& name) {
    return "ファイル名 " + name + " は出力先のフォルダの外を指すため使えません。";
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
    switch (ReplaceFileContent(path, content)) {
        case WriteResult::kWritten:
            return;
        case WriteResult::kCannotCreate:
            throw std::runtime_error("ファイル " + path + " を作成できません");
        case WriteResult::kWriteFailed:
            throw std::runtime_error("ファイル " + path + " に書き込めません");
    }
}

void ConversionRun::AddLog(const std::string& text) { window_.AppendLog(text); }

void ConversionRun::ReportError(int code) {
    const char* message = ErrorMessage(code);
    AddLog(std::to_string(code) + ":" + message);
    if (options_.ShowSetting && std::string(message) != kCatchAllMessage)
        window_.ShowMessage(message);
}

std::string ConversionRun::Reason(int code) {
    // Read at once: the engine keeps only its last call's reason.
    const std::string why = engine_.LastErrorText();
    std::string reason = ErrorMessage(code);
    if (!why.empty()) reason += " (" + why + ")";
    return reason;
}

void ConversionRun::Fail(ExitStatus status, const std::string& reason) {
    const bool written = !outcome_.outPath.empty();
    if (status == ExitStatus::kCancelled) {
        outcome_.status = status;
    } else if (written || status == ExitStatus::kIncomplete) {
        // A later step of a run whose document is complete.
        if (outcome_.status == ExitStatus::kDone) outcome_.status = ExitStatus::kIncomplete;
    } else {
        outcome_.status = status;
    }
    if (outcome_.reason.empty()) outcome_.reason = reason;
    const std::string subject = args_.empty() ? exeDir_ + kSettingsFileName : Source();
    outcome_.failures.push_back("quilbex: " + subject + ": " + reason);
}

void ConversionRun::Terminate() {
    // A run working on the worker sees the termination between its steps.
    if (finished_ || working_) return;
    if (monitoring_) {
        // Once is enough: the monitor sees phase 7 and then 9.
        if (!cancelAsked_) acAppCancelExecute();
        return;
    }
    outcome_.status = ExitStatus::kCancelled;
    window_.RequestClose();
}

void ConversionRun::FinishRun() {
    // The window is gone: nobody to show anything to, and no log to keep.
    if (abandoned_) return;
    finished_ = true;
    try {
        WriteLogFile(exeDir_ + kLogFileName, window_.LogLines());
    } catch (const std::exception& error) {
        window_.ShowMessage(error.what());
    }
    window_.ShowProgress(RunProgress{});
    if (!options_.ShowSetting) window_.AnnounceOutcome(outcome_);
    window_.RequestClose();
}

void ConversionRun::Abandon() {
    abandoned_ = true;
    cancelRequested_ = true;
}

void ConversionRun::HandleException(const std::exception& error) {
    // A settings-only start has no run to fail; the dialog stays open.
    if (!args_.empty()) Fail(ExitStatus::kFailed, error.what());
    window_.ShowErrorMessage(WithFullStop(error.what()));
}

}  // namespace quilbex
