// Damaged copies of good files, made by flipping, cutting and overwriting
// bytes at random (with fixed seeds): every conversion either succeeds with a
// readable document or fails with a result code and leaves nothing behind.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "TestFiles.h"
#include "xdwapi/xdwapi.h"

using namespace xdwtest;

namespace {

std::string Mutate(std::string data, std::mt19937& rng) {
    std::uniform_int_distribution<int> kind(0, 3);
    const int edits = 1 + static_cast<int>(rng() % 8);
    for (int e = 0; e < edits && !data.empty(); ++e) {
        const size_t at = rng() % data.size();
        switch (kind(rng)) {
            case 0:  // flip a bit
                data[at] = static_cast<char>(data[at] ^ (1 << (rng() % 8)));
                break;
            case 1:  // cut the file short
                data.resize(at);
                break;
            case 2:  // a run of extreme values, as in sizes and offsets
                for (size_t i = at; i < data.size() && i < at + 4; ++i)
                    data[i] = (rng() & 1) != 0 ? '\xFF' : '\0';
                break;
            default:  // drop a chunk from the middle
                data.erase(at, rng() % 64);
                break;
        }
    }
    return data;
}

enum class Call { Pdf, Image };

// QUILBEX_MUTATION_ROUNDS=n runs a longer sweep (with other seeds) by hand.
void Hammer(const std::string& good, Call call, unsigned seed, int rounds) {
    if (const char* more = std::getenv("QUILBEX_MUTATION_ROUNDS")) {
        rounds = std::atoi(more);
        seed += static_cast<unsigned>(rounds);
    }
    TempDir dir;
    std::mt19937 rng(seed);
    for (int round = 0; round < rounds; ++round) {
        const std::string in = dir.File("in.bin");
        const std::string out = dir.File("out.xdw");
        WriteBytes(in, Mutate(good, rng));
        const int rc = call == Call::Pdf
                           ? XDW_CreateXdwFromImagePdfFile(in.c_str(), out.c_str(), nullptr)
                           : XDW_CreateXdwFromImageFile(in.c_str(), out.c_str(), nullptr);
        if (rc == 0) {
            EXPECT_GE(PdfPageCount(out), 1) << "round " << round;
            std::remove(out.c_str());
        } else {
            EXPECT_TRUE(rc == XDW_E_CANNOT_READ) << "round " << round << " code " << rc;
        }
        EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"in.bin"})) << "round " << round;
    }
}

TEST(Mutations, Jpeg) {
    TempDir dir;
    MakeJpeg(dir.File("a.jpg"), {.width = 40, .height = 30, .kind = ImageKind::Rgb, .dpi = 96}, 6);
    Hammer(ReadBytes(dir.File("a.jpg")), Call::Image, 1, 300);
}

TEST(Mutations, Tiff) {
    TempDir dir;
    MakeTiff(
        dir.File("a.tif"),
        {{{.width = 64, .height = 40, .kind = ImageKind::Bilevel, .dpi = 200}, TiffCompression::G4},
         {{.width = 30, .height = 20, .kind = ImageKind::Rgb, .dpi = 100}, TiffCompression::Lzw},
         {{.width = 50, .height = 20, .kind = ImageKind::Bilevel, .dpi = 100},
          TiffCompression::PackBits}});
    Hammer(ReadBytes(dir.File("a.tif")), Call::Image, 2, 300);
}

TEST(Mutations, Pdf) {
    TempDir dir;
    MakeTextPdf(dir.File("a.pdf"), {"first page", "second page"});
    Hammer(ReadBytes(dir.File("a.pdf")), Call::Pdf, 3, 300);
}

}  // namespace
