// CCITT Group 4 coding of bilevel pages, as PDF's CCITTFaxDecode reads it.
#pragma once

#include <cstdint>
#include <string>

namespace xdw {

// Codes a page of packed 1-bit rows (first pixel in the high bit, rows
// rowBytes apart; 0 bits become the code's white runs). Returns the coded
// data, K = -1, with no byte-order reversal.
std::string EncodeG4(const uint8_t* rows, uint32_t width, uint32_t height, size_t rowBytes);

}  // namespace xdw
