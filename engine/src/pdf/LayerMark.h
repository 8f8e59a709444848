// The mark on the content streams of the text layer this engine adds, so
// that a later layer replaces it and nothing mistakes it for the page's own.
#pragma once

namespace xdw {

inline constexpr const char* kTextLayerMark = "/QbxOcrLayer";

}  // namespace xdw
