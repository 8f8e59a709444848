// Repairing the page tree of a PDF read from outside.
#pragma once

#include <qpdf/QPDF.hh>

#include "Limits.h"

namespace xdw {

// Walks the page tree from the catalog without recursion and throws
// EngineError(XDW_E_CANNOT_READ) when a path through /Kids is deeper than
// kMaxPageTreeDepth. Must run before anything asks qpdf for the pages.
void CheckPageTreeDepth(QPDF& pdf);

// Rebuilds the page tree as one node listing every page qpdf found, with
// inherited attributes moved onto the pages. A damaged file can have a tree
// qpdf walks by its /Kids while other readers trust a broken /Count and see
// no pages; after this every reader sees the same pages. Page objects and
// their content are kept as they are.
void FlattenPageTree(QPDF& pdf);

}  // namespace xdw
