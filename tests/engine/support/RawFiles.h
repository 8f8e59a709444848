// Files written byte by byte, for damaged and hostile inputs that no normal
// writer would produce.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace xdwtest {

std::string Le16(unsigned v);
std::string Le32(uint32_t v);

// One TIFF directory: tags with one LONG value each.
using TiffTags = std::vector<std::pair<unsigned, uint32_t>>;

// A little-endian TIFF with one directory of tags, then data.
std::string TiffWithTags(const TiffTags& tags, const std::string& data = "");

// A little-endian TIFF of count directories with the same tags, chained one
// after the other, followed by data; dataAt receives where data starts, so
// the tags can point into it (makeTags is called with that offset).
std::string TiffDirectories(int count, TiffTags (*makeTags)(uint32_t dataAt),
                            const std::string& data);

// A TIFF entry with any number of SHORT (type 3) or LONG (type 4) values.
struct TiffEntry {
    unsigned tag;
    unsigned type;
    std::vector<uint32_t> values;
};

// A little-endian TIFF of one directory whose image data is data, placed at
// offset 8 (offsets in the entries count from the file's start).
std::string TiffFile(std::vector<TiffEntry> entries, const std::string& data);

// A PDF with the given objects, numbered from 1 (object 1 is the catalog),
// with a correct cross-reference table. Objects are written as given,
// between "n 0 obj" and "endobj".
std::string RawPdf(const std::vector<std::string>& objects);

// A stream object of a PDF: the dictionary's entries (without << >>) and the
// data, with /Length added.
std::string PdfStream(const std::string& entries, const std::string& data);

// size bytes of value, zlib-coded without holding them all.
std::string DeflatedRun(char value, uint64_t size);
std::string Deflated(const std::string& data);

}  // namespace xdwtest
