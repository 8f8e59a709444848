#include "RawFiles.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace xdwtest {

std::string Le16(unsigned v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }
std::string Le32(uint32_t v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }

namespace {

std::string Directory(const TiffTags& tags, uint32_t next) {
    std::string out = Le16(static_cast<unsigned>(tags.size()));
    for (const auto& [tag, value] : tags) out += Le16(tag) + Le16(4) + Le32(1) + Le32(value);
    return out + Le32(next);
}

size_t DirectorySize(size_t tags) { return 2 + 12 * tags + 4; }

}  // namespace

std::string TiffWithTags(const TiffTags& tags, const std::string& data) {
    return std::string("II*\0", 4) + Le32(8) + Directory(tags, 0) + data;
}

std::string TiffDirectories(int count, TiffTags (*makeTags)(uint32_t dataAt),
                            const std::string& data) {
    const size_t each = DirectorySize(makeTags(0).size());
    const auto dataAt = static_cast<uint32_t>(8 + each * count);
    const TiffTags tags = makeTags(dataAt);
    std::string out = std::string("II*\0", 4) + Le32(8);
    for (int i = 0; i < count; ++i)
        out += Directory(tags, i + 1 < count ? static_cast<uint32_t>(8 + each * (i + 1)) : 0);
    return out + data;
}

std::string TiffFile(std::vector<TiffEntry> entries, const std::string& data) {
    std::sort(entries.begin(), entries.end(),
              [](const TiffEntry& a, const TiffEntry& b) { return a.tag < b.tag; });
    std::string padded = data;
    if (padded.size() % 2 != 0) padded += '\0';
    const size_t directory = 8 + padded.size();
    size_t arrays = directory + 2 + 12 * entries.size() + 4;
    std::string out = std::string("II*\0", 4) + Le32(static_cast<uint32_t>(directory)) + padded +
                      Le16(static_cast<unsigned>(entries.size()));
    std::string tail;
    for (const TiffEntry& e : entries) {
        std::string values;
        for (uint32_t v : e.values) values += e.type == 3 ? Le16(v) : Le32(v);
        out += Le16(e.tag) + Le16(e.type) + Le32(static_cast<uint32_t>(e.values.size()));
        if (values.size() <= 4) {
            out += values + std::string(4 - values.size(), '\0');
        } else {
            out += Le32(static_cast<uint32_t>(arrays + tail.size()));
            tail += values;
        }
    }
    return out + Le32(0) + tail;
}

std::string RawPdf(const std::vector<std::string>& objects) {
    std::string out = "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(out.size());
        out += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const size_t xref = out.size();
    out += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    char line[32];
    for (size_t offset : offsets) {
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
        out += line;
    }
    out += "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return out;
}

std::string PdfStream(const std::string& entries, const std::string& data) {
    return "<< " + entries + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data +
           "\nendstream";
}

namespace {

uint32_t Reversed(uint32_t code, int bits) {
    uint32_t out = 0;
    for (int i = 0; i < bits; ++i) out |= ((code >> i) & 1) << (bits - 1 - i);
    return out;
}

// Deflate's bit order: fields low bit first, Huffman codes high bit first.
// Written into a buffer sized for at most maxBits.
class BitWriter {
public:
    explicit BitWriter(uint64_t maxBits) : out_(maxBits / 8 + 16, '\0'), at_(out_.data()) {}
    void Field(uint32_t value, int bits) {
        acc_ |= static_cast<uint64_t>(value & ((1u << bits) - 1)) << used_;
        used_ += bits;
        while (used_ >= 8) {
            *at_++ = static_cast<char>(acc_ & 0xFF);
            acc_ >>= 8;
            used_ -= 8;
        }
    }
    void Code(uint32_t code, int bits) { Field(Reversed(code, bits), bits); }
    std::string Done() {
        if (used_ > 0) *at_++ = static_cast<char>(acc_);
        out_.resize(static_cast<size_t>(at_ - out_.data()));
        return out_;
    }

private:
    std::string out_;
    char* at_;
    uint64_t acc_ = 0;
    int used_ = 0;
};

// The Adler-32 of size bytes of value, worked out rather than summed.
uint32_t AdlerOfRun(uint8_t value, uint64_t size) {
    constexpr uint64_t kBase = 65521;
    const unsigned __int128 n = size;
    const uint64_t a = static_cast<uint64_t>((1 + n * value) % kBase);
    const uint64_t b = static_cast<uint64_t>((n + value * (n * (n + 1) / 2)) % kBase);
    return static_cast<uint32_t>(b << 16 | a);
}

uint32_t Be32(uint32_t v) { return __builtin_bswap32(v); }

}  // namespace

std::string DeflatedRun(char value, uint64_t size) {
    // One fixed-Huffman block: the byte as a literal, then copies of 258
    // bytes from one back, then one shorter copy: 13 bits for each 258 bytes,
    // written far faster than zlib would find them.
    if (size < 4) throw std::runtime_error("run too short");
    const auto byte = static_cast<uint8_t>(value);
    BitWriter bits(3 + 9 + size / 258 * 13 + 260 * 9 + 7);
    bits.Field(1, 1);  // last block
    bits.Field(1, 2);  // fixed codes
    if (byte < 144) {
        bits.Code(0x30 + byte, 8);
    } else {
        bits.Code(0x190 + byte - 144, 9);
    }
    uint64_t left = size - 1;
    // Length 258 (code 0xC5) and distance 1 (code 0), high bits first.
    const uint32_t copy = Reversed(0xC5 << 5, 13);
    while (left >= 258 + 3 || left == 258) {
        bits.Field(copy, 13);
        left -= 258;
    }
    while (left > 0) {  // the rest, 1 to 260 bytes, as literals
        if (byte < 144) {
            bits.Code(0x30 + byte, 8);
        } else {
            bits.Code(0x190 + byte - 144, 9);
        }
        --left;
    }
    bits.Code(0, 7);  // end of block
    // The zlib wrapper: header and the Adler-32 of the data.
    const uint32_t check = Be32(AdlerOfRun(byte, size));
    return std::string("\x78\x01", 2) + bits.Done() +
           std::string(reinterpret_cast<const char*>(&check), 4);
}

std::string Deflated(const std::string& data) {
    uLongf size = compressBound(data.size());
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                  reinterpret_cast<const Bytef*>(data.data()), data.size(), 6) != Z_OK)
        throw std::runtime_error("compress2");
    out.resize(size);
    return out;
}

}  // namespace xdwtest
