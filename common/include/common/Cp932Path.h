// A path that went through code page 932 and back may not be the path the user
// typed: code page 932 gives one code to pairs of look-alike characters (the
// wave dash 〜 U+301C and the full-width tilde ～ U+FF5E, − U+2212 and
// － U+FF0D, ‖ and ∥, ¢ £ ¬ and their full-width forms, ― and —) and reads the
// code back as one of them only.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quilbex {

// path with each part replaced by the entry of its folder that has the same
// code page 932 form: the one spelt with the wave dash 〜 (what the input
// methods type) when there is one, else the part itself when it exists, else
// any; the rest of a path that names nothing on disk stays as it is, its ～
// written 〜.
std::string MatchCp932Path(std::string_view path);

// text with each full-width tilde ～ written as the wave dash 〜.
std::string PreferredSpelling(std::string_view text);

// The other entries beside path (in its folder) that code page 932 writes as
// it: folders a setting cannot tell from it.
std::vector<std::string> Cp932LookAlikesBeside(const std::string& path);

}  // namespace quilbex
