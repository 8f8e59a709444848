// The run log and error reporting of a conversion run.
#include "run/RunLog.h"

#include <stdexcept>

#include "run/ConversionRun.h"
#include "run/Cp932.h"
#include "run/FileText.h"
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
    if (outcome_.reason.empty()) outcome_.reason = message;
    outcome_.failures.push_back(message);
    // A document already written stays, but something was left undone.
    if (outcome_.status == ExitStatus::kDone && !outcome_.outPath.empty())
        outcome_.status = ExitStatus::kIncomplete;
    if (options_.ShowSetting && std::string(message) != kCatchAllMessage)
        window_.ShowMessage(message);
}

void ConversionRun::FinishRun() {
    // The window is gone: nobody to show anything to, and no log to keep.
    if (abandoned_) return;
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
    window_.ShowErrorMessage(WithFullStop(error.what()));
}

}  // namespace quilbex
