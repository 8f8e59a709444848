#include "run/OutputTarget.h"

#include <cstring>

#include "common/Cp932.h"
#include "run/PathText.h"

namespace quilbex {

namespace {

constexpr int kInformationBufferSize = 256;

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

void AppendNumber(std::string& out, int value, int digits) {
    std::string text = std::to_string(value);
    if (static_cast<int>(text.size()) < digits) text.insert(0, digits - text.size(), '0');
    out += text;
}

// The quote ('"' or '\'') the pattern is inside just before at, or 0.
char QuoteBefore(const std::string& pattern, std::size_t at) {
    char open = 0;
    for (std::size_t i = 0; i < at; ++i) {
        const char c = pattern[i];
        if (open == 0 && (c == '"' || c == '\'')) {
            open = c;
        } else if (c == open) {
            open = 0;
        }
    }
    return open;
}

// text written so that the formatter copies it unchanged at a place inside
// the quote open (or outside any quote when open is 0): a quote character of
// the text closes the quote, stands in the other kind, and reopens it.
std::string QuotedForPattern(const std::string& text, char open) {
    if (open == 0) return '"' + QuotedForPattern(text, '"') + '"';
    const char other = open == '"' ? '\'' : '"';
    std::string out;
    for (const char c : text) {
        if (c == open) {
            out += open;
            out += other;
            out += c;
            out += other;
        }
        out += c == open ? open : c;
    }
    return out;
}

}  // namespace

std::string DefaultOutputFolder(docuworks::Api& engine) {
    int ignored = 0;
    return DefaultOutputFolder(engine, ignored);
}

std::string DefaultOutputFolder(docuworks::Api& engine, int& result) {
    char buffer[kInformationBufferSize] = {};
    result = engine.GetInformation(XDW_GI_DEFAULT_OUTPUT_FOLDER, buffer, kInformationBufferSize);
    return std::string(buffer, strnlen(buffer, sizeof buffer));
}

std::string FormatDateTime(const std::string& pattern, const std::tm& time) {
    std::string out;
    char lastLetter = 0;
    std::size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        if (c == '"' || c == '\'') {
            const auto close = pattern.find(c, i + 1);
            const auto end = close == std::string::npos ? pattern.size() : close;
            out.append(pattern, i + 1, end - i - 1);
            i = close == std::string::npos ? end : close + 1;
            continue;
        }
        if (!IsLetter(c)) {
            out += c;
            ++i;
            continue;
        }
        std::size_t count = 1;
        while (i + count < pattern.size() && pattern[i + count] == c) ++count;
        char token = UpperChar(c);
        if (token == 'M' && lastLetter == 'H') token = 'N';
        lastLetter = token;
        const int digits = count >= 2 ? 2 : 0;
        switch (token) {
            case 'Y':
                if (count <= 2) {
                    AppendNumber(out, (time.tm_year + 1900) % 100, 2);
                } else {
                    AppendNumber(out, time.tm_year + 1900, 4);
                }
                break;
            case 'M':
                AppendNumber(out, time.tm_mon + 1, digits);
                break;
            case 'D':
                AppendNumber(out, time.tm_mday, digits);
                break;
            case 'H':
                AppendNumber(out, time.tm_hour, digits);
                break;
            case 'N':
                AppendNumber(out, time.tm_min, digits);
                break;
            case 'S':
                AppendNumber(out, time.tm_sec, digits);
                break;
            default:
                out.append(pattern, i, count);
                break;
        }
        i += count;
    }
    return TruncateToCp932Bytes(out, kMaxFormattedBytes);
}

std::string ComposeOutputName(const std::string& fileName, const std::string& sourcePath,
                              const std::tm& now) {
    const std::string sourceName = ExtractFileName(sourcePath);
    if (fileName.empty() || fileName == kSourceNamePlaceholder) return sourceName;
    std::string pattern = fileName;
    const auto at = pattern.find(kSourceNamePlaceholder);
    // The source's name is copied as it is, whatever quotes or letters it holds.
    if (at != std::string::npos)
        pattern.replace(at, std::strlen(kSourceNamePlaceholder),
                        QuotedForPattern(ChangeFileExt(sourceName, ""), QuoteBefore(pattern, at)));
    return FormatDateTime(pattern, now);
}

bool NameChangesEachSecond(const std::string& fileName, const std::string& sourcePath,
                           const std::tm& now) {
    std::tm next = now;
    next.tm_sec = (now.tm_sec + 1) % 60;
    return ComposeOutputName(fileName, sourcePath, now) !=
           ComposeOutputName(fileName, sourcePath, next);
}

std::tm SecondsLater(std::tm time, int seconds) {
    time.tm_sec += seconds;
    time.tm_isdst = -1;
    std::mktime(&time);
    return time;
}

std::string BuildOutPath(const std::string& saveDir, const std::string& name) {
    return saveDir + kPathDelimiter + ChangeFileExt(name, ".xdw");
}

}  // namespace quilbex
