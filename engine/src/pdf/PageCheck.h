// Making sure a PDF read from outside (and repaired by qpdf where it was
// damaged) still has every page: a page object that could not be read comes
// back as null, and a copy would show it as an empty page.
#pragma once

#include <string>

#include <qpdf/QPDF.hh>

namespace xdw {

// Throws EngineError(XDW_E_CANNOT_READ) naming the first page of name (the
// source's file name, for the reason) that is not a page dictionary or whose
// content cannot be decoded.
void CheckEveryPage(QPDF& pdf, const std::string& name);

}  // namespace xdw
