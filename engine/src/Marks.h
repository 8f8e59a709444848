// Coverage marks, as qpdf keeps them: a decision branch that the tests ought
// to reach says so with XDW_MARK("name"). When the environment variable
// QUILBEX_MARKS names a file (the engine's tests set it), each mark reached
// is added to it as a line, once per process; otherwise a mark costs the
// test of one flag. tests/engine/marks.txt lists every mark, and
// tests/engine/check_marks.py checks that the list and the code agree and
// that a run of the whole suite reached them all.
#pragma once

#define XDW_MARK(name) ::xdw::ReachMark(name)

namespace xdw {

void ReachMark(const char* name);

}  // namespace xdw
