// When the source is deleted: once its document is complete (a direct
// conversion before its OCR pass, application printing when it has
// finished), when DelFile asks for it, and only while the file at its path
// is still the one that was converted. It is deleted for good, never moved
// to the desktop's trash.
#pragma once

#include <optional>

#include "run/FileIdentity.h"
#include "run/RunLog.h"
#include "run/RunState.h"

namespace quilbex {

// The lines the run logs when the source stays.
inline constexpr const char* kDeleteFailedLine = "元ファイル削除失敗";
inline constexpr const char* kSourceReplacedLine =
    "元ファイルが変換後に置き換えられたため削除しませんでした。";
inline constexpr const char* kSourceRepairedLine =
    "元ファイルが壊れていて修復して変換したため削除しませんでした。";
inline constexpr const char* kSourceRepairedReason =
    "PDF が壊れていたため、修復して変換しました。文書にページや文字の抜けがないか確かめてください。"
    "元のファイルは削除せずに残しています。";

class SourceDeletion {
public:
    SourceDeletion(RunState& run, RunLog& log) : run_(run), log_(log) {}

    // The conversion opens the source: the file as it is now is the only
    // one that may be deleted.
    void SourceOpened();
    // The same file (device and inode) is at the source's path with other
    // content than when it was opened: it was changed in place while read.
    bool ChangedInPlace() const;
    // The document is complete: with DelFile, deletes the source unless it
    // was replaced or changed since it was opened, a stop was asked for, the engine had to repair
    // it, or it is read-only. A source kept is logged and recorded.
    void DeleteWhenAsked();

private:
    // Keeps the source with a line in the log and a reason for standard error.
    void Keep(const char* line, const std::string& reason);

    RunState& run_;
    RunLog& log_;
    std::optional<FileIdentity> opened_;
};

}  // namespace quilbex
