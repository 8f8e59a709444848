// A path that went through code page 932 and back may not be the path the user
// typed: code page 932 gives one code to pairs of look-alike characters (the
// wave dash 〜 U+301C and the full-width tilde ～ U+FF5E, − U+2212 and
// － U+FF0D, ‖ and ∥, ¢ £ ¬ and their full-width forms, ― and —) and reads the
// code back as one of them only.
#pragma once

#include <string>
#include <string_view>

namespace quilbex {

// path with each part that does not exist replaced by the entry of its folder
// that has the same code page 932 form, when there is one; the rest of a path
// that names nothing on disk stays as it is.
std::string MatchCp932Path(std::string_view path);

}  // namespace quilbex
