// What a document says about itself where viewers, file managers and desktop
// search look: its title, its kind as its subject, and a bill's keys, in its
// document information and its XMP metadata. What the document said before
// is kept; only this engine's own earlier words are replaced.
#pragma once

#include <string>
#include <vector>

#include <qpdf/QPDF.hh>

#include "label/DocumentKeys.h"

namespace xdw {

// Only the first pages are read for a document's kind and keys: a bill
// fits on them, and a long document costs no more than a short one.
constexpr int kLabelPages = 8;

// The text the first pages of the PDF file carry (as drawn by whatever made
// them), one string per page; pages that cannot be read, or that draw more
// than any real page (pdf is the same file, read by qpdf), give "".
std::vector<std::string> OwnPageTexts(const std::string& path, QPDF& pdf);
// The same for a document in memory; withoutLayer leaves out the text layer
// this engine added.
std::vector<std::string> OwnPageTexts(QPDF& pdf, bool withoutLayer);

// Gives the document title (none: keeps what it has) unless it has a title
// of its own, keys.kind as its subject unless it has one of its own, and
// the keys as keywords beside its own, in the document information and in
// XMP. True when anything changed.
bool LabelDocument(QPDF& pdf, const std::string& title, const DocumentKeys& keys);

}  // namespace xdw
