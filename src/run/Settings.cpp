#include "run/Settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <sstream>
#include <string_view>

#include "common/Cp932.h"
#include "common/Cp932Path.h"
#include "run/FileReplace.h"
#include "run/PathText.h"
#include "run/Termination.h"

namespace quilbex {

namespace {

// A value read is cut to this many code page 932 bytes (a 2048-byte buffer
// with its terminating zero).
constexpr std::size_t kMaxValueBytes = 2047;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Blanks are single bytes that are never the second byte of a double-byte
// character, so trimming the code page 932 bytes is safe at both ends.
std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// The lines of the file, in code page 932, without their line ends; nothing
// when the file cannot be read.
std::optional<std::vector<std::string>> ReadLines(const std::string& path) {
    // Opened without waiting, and read only when it is a regular file: a FIFO
    // would block the program for ever.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat info {};
    std::string content;
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    char buffer[1 << 16];
    // A termination signal is not kept waiting by a file of any size: the
    // run stops at its next step, and what the file says no longer matters.
    while (ok && !TerminationRequested()) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        content.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (!ok || TerminationRequested()) return std::nullopt;
    std::vector<std::string> lines;
    std::istringstream stream(content);
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
    }
    return lines;
}

// The name of a section line ("[name]"), or nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = TrimBlanks(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    const auto close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return TrimBlanks(line.substr(1, close - 1));
}

struct Entry {
    std::string_view key;
    std::string_view value;
};

// The key and value of a "key=value" line, or nothing for any other line.
std::optional<Entry> KeyEntry(std::string_view line) {
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    const auto key = TrimBlanks(line.substr(0, equals));
    if (key.empty()) return std::nullopt;
    return Entry{key, TrimBlanks(line.substr(equals + 1))};
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Names are compared as text, ignoring the case of A to Z. Code page 932
// keeps ASCII as it is and never uses a byte below 0x80 to begin a character,
// so an ASCII name (every name the program uses) is compared byte by byte:
// a large file is read in one pass, without a conversion for each line.
bool SameName(std::string_view fileName, std::string_view wanted) {
    if (IsAscii(wanted)) return SameText(fileName, wanted);
    return SameText(FromCp932(fileName), wanted);
}

// Where a section and a key stand in the lines of the file.
struct Place {
    std::optional<std::size_t> section;  // the section's line
    std::size_t lastInSection = 0;       // its last line that is not blank
    std::optional<std::size_t> key;      // the key's line
};

Place Locate(const std::vector<std::string>& lines, const std::string& section,
             const std::string& key) {
    Place place;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (const auto name = SectionName(lines[i])) {
            if (place.section) break;  // the end of the section found first
            if (SameName(*name, section)) place.section = place.lastInSection = i;
            continue;
        }
        if (!place.section) continue;
        if (!TrimBlanks(lines[i]).empty()) place.lastInSection = i;
        const auto entry = KeyEntry(lines[i]);
        if (entry && SameName(entry->key, key)) {
            place.key = i;
            break;
        }
    }
    return place;
}

// A value enclosed as a whole in a pair of double or single quotes loses them.
std::string_view StripQuotes(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// At most maxBytes bytes, never ending on the first byte of a double-byte character.
std::string_view CutCp932(std::string_view text, std::size_t maxBytes) {
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t length = IsCp932LeadByte(static_cast<unsigned char>(text[end])) ? 2 : 1;
        if (end + length > maxBytes) break;
        end += length;
    }
    return text.substr(0, std::min(end, text.size()));
}

// Text as it can stand on one line of the file, or SettingsWriteError.
std::string StorableText(const std::string& text, const std::string& path) {
    if (text.find_first_of("\r\n") != std::string::npos) throw SettingsWriteError(path);
    auto bytes = ToCp932(text);
    if (!bytes) throw SettingsWriteError(path);
    return *bytes;
}

}  // namespace

SettingsWriteError::SettingsWriteError(const std::string& path)
    : std::runtime_error(path + " に書き込めません") {}

SettingsFile::SettingsFile(std::string path) : path_(std::move(path)) {}

bool SettingsFile::Usable() const {
    struct stat info {};
    return ::stat(path_.c_str(), &info) != 0 || S_ISREG(info.st_mode);
}

std::string SettingsFile::Read(const std::string& section, const std::string& key,
                               const std::string& def) const {
    const auto lines = ReadLines(path_);
    if (!lines) return def;
    const Place place = Locate(*lines, section, key);
    if (!place.key) return def;
    const auto value = StripQuotes(KeyEntry((*lines)[*place.key])->value);
    return FromCp932(CutCp932(value, kMaxValueBytes));
}

std::string SettingsFile::Read(const SettingKey& key) const {
    std::string value = Read(key.section, key.key, key.fallback);
    return key.isPath ? MatchCp932Path(value) : value;
}

void SettingsFile::Write(const std::string& section, const std::string& key,
                         const std::string& value) {
    Write(std::vector<SettingValue>{{section, key, value}});
}

void SettingsFile::Write(const std::vector<SettingValue>& values) {
    if (!Usable()) throw SettingsWriteError(path_);
    std::vector<std::string> lines;
    if (::access(path_.c_str(), F_OK) == 0) {
        auto existing = ReadLines(path_);
        if (!existing) throw SettingsWriteError(path_);
        lines = std::move(*existing);
    }
    for (const SettingValue& value : values) {
        const std::string sectionBytes = StorableText(value.section, path_);
        const std::string line =
            StorableText(value.key, path_) + "=" + StorableText(value.value, path_);
        const Place place = Locate(lines, value.section, value.key);
        if (place.key) {
            lines[*place.key] = line;
        } else if (place.section) {
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(place.lastInSection) + 1,
                         line);
        } else {
            lines.push_back("[" + sectionBytes + "]");
            lines.push_back(line);
        }
    }

    std::string content;
    for (const auto& text : lines) content += text + "\r\n";
    if (ReplaceFileContent(path_, content) != WriteResult::kWritten)
        throw SettingsWriteError(path_);
}

std::vector<std::string> CommaList(const std::string& text) {
    // Characters 1 to 32 separate items like commas; a zero ends the text.
    const std::string_view s(text.c_str());
    const auto isSpace = [&](std::size_t i) { return i < s.size() && s[i] >= 1 && s[i] <= ' '; };
    std::vector<std::string> items;
    std::size_t p = 0;
    while (isSpace(p)) ++p;
    while (p < s.size()) {
        std::string item;
        if (s[p] == '"') {
            // Up to the closing quote, a doubled quote read as one; without a
            // closing quote, the rest of the text less its last character.
            std::size_t q = p + 1;
            while (true) {
                const auto quote = s.find('"', q);
                if (quote == std::string_view::npos) {
                    if (s.size() > q + 1) item.append(s.substr(q, s.size() - q - 1));
                    p = s.size();
                    break;
                }
                item.append(s.substr(q, quote - q));
                if (quote + 1 < s.size() && s[quote + 1] == '"') {
                    item += '"';
                    q = quote + 2;
                    continue;
                }
                p = quote + 1;
                break;
            }
        } else {
            const std::size_t start = p;
            while (p < s.size() && static_cast<unsigned char>(s[p]) > ' ' && s[p] != ',') ++p;
            item.assign(s.substr(start, p - start));
        }
        items.push_back(std::move(item));
        while (isSpace(p)) ++p;
        if (p < s.size() && s[p] == ',') {
            if (p + 1 == s.size()) items.emplace_back();
            ++p;
            while (isSpace(p)) ++p;
        }
    }
    return items;
}

std::string CommaList(const std::vector<std::string>& items) {
    if (items.size() == 1 && items.front().empty()) return "\"\"";
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string& item = items[i];
        if (i > 0) text += ',';
        const bool quote = std::any_of(item.begin(), item.end(), [](char c) {
            return static_cast<unsigned char>(c) <= ' ' || c == '"' || c == ',';
        });
        if (!quote) {
            text += item;
            continue;
        }
        text += '"';
        for (char c : item) {
            if (c == '"') text += '"';
            text += c;
        }
        text += '"';
    }
    // Unquoted items hold no character below 33, so the text needs no trimming.
    return text;
}

}  // namespace quilbex
