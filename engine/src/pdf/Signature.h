// Signed PDFs: their signed bytes are never rewritten. A copy keeps them
// byte for byte and a change is appended after them as an incremental
// update, which leaves every signature valid.
#pragma once

#include <string>

#include <qpdf/QPDF.hh>

namespace xdw {

// True when the document carries a signature: a signature field with a
// value, the form's "signatures exist" flag or a certification.
bool IsSigned(QPDF& pdf);

// Why no change can be appended safely to the signed document, or "" when
// one can: encrypted documents, any certification (none permits new page
// content) and files that had to be repaired (their offsets cannot be
// trusted) are left alone.
std::string SignedChangeRefusal(QPDF& pdf);

// The incremental update that turns original (the file's bytes, which pdf
// was read from) into pdf as it now is: every object that changed or is new,
// a cross-reference section of the original's kind and a trailer pointing
// back to the original's. Appended to original it gives the changed file.
std::string IncrementalUpdate(QPDF& pdf, const std::string& original);

}  // namespace xdw
