// libjpeg prints its warnings ("Corrupt JPEG data: 4 extraneous bytes
// before marker 0xc0") on standard error, through the message handler that
// jpeg_std_error installs. poppler, which decodes a page's JPEG images while
// OCR renders it, and qpdf keep that handler, so a file libjpeg reads past
// its damage would leave lines on the program's standard error though the
// run succeeds. The engine's own jpeg_std_error is found before libjpeg's
// when the libraries it loads are bound (they are searched after the engine),
// so every decoder in the engine gets libjpeg's handler with the printing
// taken out; errors still reach the decoder's own error_exit.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "QuietJpeg.h"

namespace {

using StdError = jpeg_error_mgr* (*)(jpeg_error_mgr*);

void KeepQuiet(j_common_ptr) {}

StdError LibjpegStdError() {
    void* found = dlvsym(RTLD_NEXT, "jpeg_std_error", "LIBJPEG_6.2");
    if (found == nullptr) found = dlsym(RTLD_NEXT, "jpeg_std_error");
    if (found == nullptr) {
        std::fputs("libxdwapi: libjpeg's jpeg_std_error not found\n", stderr);
        std::abort();
    }
    return reinterpret_cast<StdError>(found);
}

}  // namespace

void xdw::QuietLibjpeg() {}

extern "C" __attribute__((visibility("default"))) jpeg_error_mgr* jpeg_std_error(
    jpeg_error_mgr* err) {
    static const StdError libjpeg = LibjpegStdError();
    jpeg_error_mgr* result = libjpeg(err);
    result->output_message = KeepQuiet;
    return result;
}
