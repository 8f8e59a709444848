// The JPEG structure reader: any bytes give a description within the
// frame's limits, or a refusal; never a crash or an endless loop.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include <qpdf/QPDF.hh>

#include "Error.h"
#include "FuzzCheck.h"
#include "image/ImageJpeg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        const xdw::JpegInfo info = xdw::ParseJpeg(bytes);
        FUZZ_CHECK(info.width > 0 && info.width <= 65535);
        FUZZ_CHECK(info.height > 0 && info.height <= 65535);
        FUZZ_CHECK(info.components == 1 || info.components == 3 || info.components == 4);
        FUZZ_CHECK(info.orientation >= 1 && info.orientation <= 8);
        QPDF pdf;
        pdf.emptyPDF();
        auto buffer = std::make_shared<Buffer>(size);
        std::copy(data, data + size, buffer->getBuffer());
        xdw::AddJpegPage(pdf, buffer);
        FUZZ_CHECK(pdf.getAllPages().size() == 1);
    } catch (const xdw::EngineError& e) {
        FUZZ_CHECK(e.code() == XDW_E_CANNOT_READ);
    }
    return 0;
}
