#include "print/OutsideLinks.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string_view>

namespace xdw {

namespace {

constexpr std::uint64_t kMostRead = 64ull << 20;

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

bool ReachesOutside(std::string_view value) {
    const std::string v = Lower(value);
    return v.starts_with("/") || v.starts_with("file:") || v.starts_with("~") ||
           v.find("../") != std::string::npos || v.find("..\\") != std::string::npos;
}

// The value that follows a marker: a quoted string, or a word up to a
// blank, a quote, a bracket or a brace.
std::string_view ValueAt(std::string_view text, size_t at) {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\\' ||
                                text[at] == '\r' || text[at] == '\n'))
        ++at;
    if (at < text.size() && (text[at] == '"' || text[at] == '\'')) {
        const size_t end = text.find(text[at], at + 1);
        return text.substr(at + 1, end == std::string_view::npos ? 0 : end - at - 1);
    }
    size_t end = at;
    while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end])) &&
           text[end] != '"' && text[end] != '\'' && text[end] != ')' && text[end] != '}')
        ++end;
    return text.substr(at, end - at);
}

std::string FirstOutside(const std::string& text) {
    static constexpr std::array<std::string_view, 7> kMarkers = {
        "href=", "src=", "background=", "url(", "includepicture", "includetext", "@import"};
    const std::string lower = Lower(text);
    // A package's relationships name its own parts by absolute paths; only
    // a file: target leaves it.
    for (const char* target : {"target=\"file:", "target='file:"})
        if (const size_t at = lower.find(target); at != std::string::npos)
            return std::string(ValueAt(text, at + 7));
    for (const std::string_view marker : kMarkers) {
        for (size_t at = lower.find(marker); at != std::string::npos;
             at = lower.find(marker, at + 1)) {
            const std::string_view value = ValueAt(text, at + marker.size());
            if (ReachesOutside(value)) return std::string(value);
        }
    }
    return {};
}

struct ReadFree {
    void operator()(archive* a) const { archive_read_free(a); }
};

// The XML parts of a zipped document, each looked at in turn.
std::string FirstOutsideInZip(const std::string& path) {
    std::unique_ptr<archive, ReadFree> in(archive_read_new());
    archive_read_support_format_zip(in.get());
    if (archive_read_open_filename(in.get(), path.c_str(), 1 << 16) != ARCHIVE_OK) return {};
    std::uint64_t total = 0;
    archive_entry* entry = nullptr;
    while (archive_read_next_header(in.get(), &entry) == ARCHIVE_OK) {
        const std::string name = Lower(archive_entry_pathname(entry));
        if (!name.ends_with(".xml") && !name.ends_with(".rels")) continue;
        std::string data;
        char buffer[1 << 16];
        la_ssize_t n;
        while ((n = archive_read_data(in.get(), buffer, sizeof buffer)) > 0 && total < kMostRead) {
            total += static_cast<std::uint64_t>(n);
            data.append(buffer, static_cast<size_t>(n));
        }
        if (std::string found = FirstOutside(data); !found.empty()) return found;
        if (total >= kMostRead) break;
    }
    return {};
}

}  // namespace

std::string OutsideLink(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string head(4, '\0');
    in.read(head.data(), 4);
    if (in.gcount() == 4 && head == std::string("PK\x03\x04", 4)) return FirstOutsideInZip(path);
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    in.clear();
    in.seekg(0);
    std::string text(ec ? 0 : std::min<std::uintmax_t>(size, kMostRead), '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(in.gcount()));
    return FirstOutside(text);
}

}  // namespace xdw
