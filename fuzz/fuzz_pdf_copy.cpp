// A PDF opened, its page tree checked and flattened, and copied to a new
// document: refused with "cannot read", or a document qpdf reads back with
// the same number of pages.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

#include <qpdf/QPDF.hh>

#include "Convert.h"
#include "EngineFuzz.h"
#include "Error.h"
#include "FuzzCheck.h"
#include "pdf/Document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const FuzzInput input(data, size);
    const std::string& out = FuzzOutputPath();
    try {
        const size_t pages = xdw::ReadPdf(input.path())->getAllPages().size();
        xdw::ConvertPdf(input.path(), out);
        QPDF written;
        written.setSuppressWarnings(true);
        written.processFile(out.c_str());
        FUZZ_CHECK(written.getAllPages().size() == pages);
    } catch (const xdw::EngineError& e) {
        FUZZ_CHECK(e.code() == XDW_E_CANNOT_READ || e.code() == XDW_E_FAIL);
    }
    std::remove(out.c_str());
    return 0;
}
