// PNG row prediction for Flate-compressed images (PDF /Predictor 15): each
// row is written with the filter byte of the predictor that suits it best.
#pragma once

#include <cstddef>
#include <cstdint>

#include <qpdf/Pipeline.hh>

namespace xdw {

// Writes height rows of rowBytes bytes each, predicted, to out (without
// finishing it). bytesPerPixel counts whole bytes, at least 1.
void WritePredictedRows(const uint8_t* rows, size_t rowBytes, uint32_t height, size_t bytesPerPixel,
                        Pipeline& out);

}  // namespace xdw
