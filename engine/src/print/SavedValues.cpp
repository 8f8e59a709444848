#include "print/SavedValues.h"

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "Error.h"
#include "print/SheetRows.h"

namespace xdw {

namespace {

constexpr const char* kOds = "application/vnd.oasis.opendocument.spreadsheet";
constexpr const char* kXlsx = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet";
// What a spreadsheet may unpack to here; a zip bomb stops at this.
constexpr std::uint64_t kLargestUnpacked = 512ull << 20;

// ODF: the formula is an attribute of the cell, the value stays beside it.
std::string WithoutOdfFormulas(const std::string& xml) {
    static const std::string attribute = " table:formula=\"";
    std::string out;
    out.reserve(xml.size());
    size_t from = 0;
    for (size_t at; (at = xml.find(attribute, from)) != std::string::npos;) {
        const size_t close = xml.find('"', at + attribute.size());
        if (close == std::string::npos) break;
        out.append(xml, from, at - from);
        from = close + 1;
    }
    return out.append(xml, from, std::string::npos);
}

// OOXML: the formula is the cell's <f> element, the value its <v>.
std::string WithoutOoxmlFormulas(const std::string& xml) {
    std::string out;
    out.reserve(xml.size());
    size_t from = 0;
    for (size_t at = xml.find("<f", from); at != std::string::npos; at = xml.find("<f", at + 2)) {
        const char next = at + 2 < xml.size() ? xml[at + 2] : '\0';
        if (next != ' ' && next != '>' && next != '/') continue;  // <family>, <font>, ...
        const size_t tagEnd = xml.find('>', at);
        if (tagEnd == std::string::npos) break;
        size_t end = tagEnd + 1;
        if (xml[tagEnd - 1] != '/') {
            const size_t close = xml.find("</f>", tagEnd);
            if (close == std::string::npos) break;
            end = close + 4;
        }
        out.append(xml, from, at - from);
        from = end;
        at = end - 2;
    }
    return out.append(xml, from, std::string::npos);
}

struct ReadFree {
    void operator()(archive* a) const { archive_read_free(a); }
};
struct WriteFree {
    void operator()(archive* a) const { archive_write_free(a); }
};
struct EntryFree {
    void operator()(archive_entry* e) const { archive_entry_free(e); }
};

using Entries = std::vector<std::pair<std::string, std::string>>;

[[noreturn]] void TooLargeForMemory() {
    Bad(XDW_REASON_MEMORY_LIMIT, "spreadsheet too large for the memory available");
}

// The archive's reader failed: for want of memory, or on a damaged archive.
[[noreturn]] void Unreadable(archive* in) {
    if (archive_errno(in) == ENOMEM) TooLargeForMemory();
    Bad(XDW_REASON_CONTENT, "spreadsheet archive damaged");
}

Entries Unpack(const std::string& source) {
    std::unique_ptr<archive, ReadFree> in(archive_read_new());
    archive_read_support_format_zip(in.get());
    if (archive_read_open_filename(in.get(), source.c_str(), 1 << 16) != ARCHIVE_OK)
        Bad(XDW_REASON_CONTENT, "spreadsheet cannot be opened as an archive");
    Entries entries;
    std::uint64_t total = 0;
    archive_entry* entry = nullptr;
    int next;
    while ((next = archive_read_next_header(in.get(), &entry)) == ARCHIVE_OK ||
           next == ARCHIVE_WARN) {
        if (archive_entry_filetype(entry) != AE_IFREG) continue;
        std::string data;
        char buffer[1 << 16];
        la_ssize_t n;
        while ((n = archive_read_data(in.get(), buffer, sizeof buffer)) > 0) {
            total += static_cast<std::uint64_t>(n);
            if (total > kLargestUnpacked)
                BadLimit(XDW_REASON_MEMORY_LIMIT, XDW_LIMIT_BYTES, kLargestUnpacked,
                         "spreadsheet unpacks to more than 512 MiB");
            data.append(buffer, static_cast<size_t>(n));
        }
        if (n < 0) Unreadable(in.get());
        entries.emplace_back(archive_entry_pathname(entry), std::move(data));
    }
    // An archive that ends before its end would print as a workbook short
    // of its later sheets.
    if (next != ARCHIVE_EOF) Unreadable(in.get());
    return entries;
}

[[noreturn]] void CannotWrite(archive* a) {
    const char* why = archive_error_string(a);
    throw EngineError(XDW_E_FAIL,
                      std::string("cannot write the spreadsheet copy: ") + (why ? why : "?"));
}

void Pack(const std::string& copy, const Entries& entries) {
    std::unique_ptr<archive, WriteFree> out(archive_write_new());
    archive_write_set_format_zip(out.get());
    // Every entry deflated, the OpenDocument type too: LibreOffice reads it
    // all the same.
    archive_write_set_options(out.get(), "zip:compression=deflate");
    if (archive_write_open_filename(out.get(), copy.c_str()) != ARCHIVE_OK) CannotWrite(out.get());
    for (const auto& [name, data] : entries) {
        std::unique_ptr<archive_entry, EntryFree> entry(archive_entry_new());
        archive_entry_set_pathname(entry.get(), name.c_str());
        archive_entry_set_filetype(entry.get(), AE_IFREG);
        archive_entry_set_perm(entry.get(), 0600);
        archive_entry_set_size(entry.get(), static_cast<la_int64_t>(data.size()));
        if (archive_write_header(out.get(), entry.get()) != ARCHIVE_OK ||
            archive_write_data(out.get(), data.data(), data.size()) !=
                static_cast<la_ssize_t>(data.size()))
            CannotWrite(out.get());
    }
    if (archive_write_close(out.get()) != ARCHIVE_OK) CannotWrite(out.get());
}

// A cell holds a value: ODF names the value's type on the cell, OOXML puts
// the value in a <v> element or an inline string in <is>.
bool HoldsValues(const std::string& xml, bool odf) {
    if (odf) return xml.find("office:value-type=") != std::string::npos;
    return xml.find("<v>") != std::string::npos || xml.find("<is>") != std::string::npos;
}

}  // namespace

bool HasSavedValues(const std::string& mime) {
    return mime == kOds || mime == kXlsx || mime == kFlatOds;
}

bool WriteSavedValues(const std::string& source, const std::string& copy, const std::string& mime) {
    if (mime == kFlatOds) {
        // Read whole: it is text, within the limit of text files.
        std::ifstream in(source, std::ios::binary);
        const std::string xml((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
        std::ofstream out(copy, std::ios::binary | std::ios::trunc);
        out << WithoutOdfFormulas(xml);
        out.close();
        if (!in.is_open() || !out)
            throw EngineError(XDW_E_FAIL, "cannot write the spreadsheet copy");
        return HoldsValues(xml, true);
    }
    // Below the unpacking bound memory can still run out (a memory-capped
    // session, a copy of the sheet for each step): the file is too large
    // then, not damaged.
    try {
        Entries entries = Unpack(source);
        const bool odf = mime == kOds;
        bool values = false;
        for (auto& [name, data] : entries) {
            const bool sheet = odf ? name == "content.xml" : name.rfind("xl/worksheets/", 0) == 0;
            if (!sheet) continue;
            if (!odf) RequireSheetRows(WorksheetRows(data));
            data = odf ? WithoutOdfFormulas(data) : WithoutOoxmlFormulas(data);
            values = values || HoldsValues(data, odf);
        }
        Pack(copy, entries);
        return values;
    } catch (const std::bad_alloc&) {
        TooLargeForMemory();
    }
}

}  // namespace xdw
