// CCITT Group 4 coding of bilevel pages, as PDF's CCITTFaxDecode reads it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace xdw {

// Codes a page of packed 1-bit rows (first pixel in the high bit, rows
// rowBytes apart; 0 bits become the code's white runs). Returns the coded
// data, K = -1, with no byte-order reversal.
std::string EncodeG4(const uint8_t* rows, uint32_t width, uint32_t height, size_t rowBytes);

// Decodes such data of a width by height page into packed 1-bit rows of
// (width + 7) / 8 bytes, 1 bits for the code's black runs. Nothing when the
// data is damaged in any way (libtiff complains of it): whoever asked then
// has to draw it as a PDF reader does.
std::optional<std::vector<uint8_t>> DecodeG4(const std::string& coded, uint32_t width,
                                             uint32_t height);

}  // namespace xdw
