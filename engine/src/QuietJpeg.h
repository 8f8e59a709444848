// libjpeg's warnings kept off standard error (see QuietJpeg.cpp).
#pragma once

namespace xdw {

// Does nothing itself: the work is done by the jpeg_std_error beside it,
// which a call to this brings into every program or library that renders
// pages (the linker leaves out an object nothing refers to).
void QuietLibjpeg();

}  // namespace xdw
