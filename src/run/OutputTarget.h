// Where the new document goes: folder, composed name and the full path.
#pragma once

#include <cstddef>
#include <ctime>
#include <string>

#include "docuworks/DocuWorksApi.h"

namespace quilbex {

// The placeholder for the source's name in a FileName pattern.
inline constexpr const char* kSourceNamePlaceholder = "元のファイル名";

// The engine's default output folder (information item 6), up to its first zero byte.
std::string DefaultOutputFolder(docuworks::Api& engine);
// The same, giving the query's result code too.
std::string DefaultOutputFolder(docuworks::Api& engine, int& result);

// The output name (still with the source's extension, or none) for a FileName
// pattern, the source path and the local time.
std::string ComposeOutputName(const std::string& fileName, const std::string& sourcePath,
                              const std::tm& now);
// True when the name composed for now changes from one second to the next:
// the pattern makes it from the time down to the second.
bool NameChangesEachSecond(const std::string& fileName, const std::string& sourcePath,
                           const std::tm& now);
// The local time seconds after time.
std::tm SecondsLater(std::tm time, int seconds);

// saveDir, "/" and name with its extension replaced by ".xdw"; a saveDir that
// already ends with "/" gives a doubled delimiter.
std::string BuildOutPath(const std::string& saveDir, const std::string& name);

// The longest result of FormatDateTime, counted in code page 932 bytes.
inline constexpr std::size_t kMaxFormattedBytes = 256;

// Formats a local time by a date-time pattern:
//   yyyy four-digit year; yy or y two-digit year;
//   mm, dd, hh, nn, ss month, day, hour (0-23), minutes and seconds in two
//   digits (m, d, h, n, s: without a leading zero); m and mm mean minutes when
//   the nearest letter before them is h or hh;
//   text between double or single quotes is copied without the quotes;
//   any other character is copied as it is.
// Letters are matched without regard to case. The result is cut between
// characters to at most kMaxFormattedBytes code page 932 bytes.
std::string FormatDateTime(const std::string& pattern, const std::tm& time);

}  // namespace quilbex
