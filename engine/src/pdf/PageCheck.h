// Making sure a PDF read from outside (and repaired by qpdf where it was
// damaged) still has every page as a viewer shows it: a page object that
// could not be read comes back as null, and a page qpdf had to mend (its
// dictionary, content or resources) may come out emptier than the source.
#pragma once

#include <string>

#include <qpdf/QPDF.hh>

namespace xdw {

// Throws EngineError(XDW_E_CANNOT_READ) naming the first page of name (the
// source's file name, for the reason) that is not a page dictionary, whose
// content cannot be decoded, or that needed mending and then shows less text
// or ink than poppler shows of the same page of the source file. Returns a
// note of what qpdf mended (reading the file or a page), "" when nothing.
std::string CheckEveryPage(QPDF& pdf, const std::string& name);

}  // namespace xdw
