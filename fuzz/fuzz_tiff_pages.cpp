// A TIFF file converted to a document: refused with "cannot read", or a
// document every page of which qpdf reads back.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include <qpdf/QPDF.hh>

#include "Convert.h"
#include "EngineFuzz.h"
#include "Error.h"
#include "FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Only what starts like a TIFF reaches the TIFF reader.
    if (size < 8 || !((data[0] == 'I' && data[1] == 'I') || (data[0] == 'M' && data[1] == 'M')))
        return -1;
    const FuzzInput input(data, size);
    const std::string& out = FuzzOutputPath();
    try {
        const XDW_CREATE_OPTION option{sizeof(XDW_CREATE_OPTION), 1, 0, 0, 0, 0, 0, 0};
        xdw::ConvertImage(input.path(), out, &option);
        QPDF written;
        written.processFile(out.c_str());
        FUZZ_CHECK(!written.getAllPages().empty());
    } catch (const xdw::EngineError& e) {
        FUZZ_CHECK(e.code() == XDW_E_CANNOT_READ || e.code() == XDW_E_FAIL);
    }
    std::remove(out.c_str());
    return 0;
}
