// The document information every document written here carries: who made
// it and when.
#pragma once

#include <string>

#include <qpdf/QPDF.hh>

namespace xdw {

// "Quilbex <version> (engine <version>)".
std::string ProducerName();

// A document written for the first time: this engine named as its producer,
// and a creation and a modification date where it has none. title, when not
// empty, becomes its title where it has none.
void StampNewDocument(QPDF& pdf, const std::string& title = std::string());

// A document changed after it was written: producer and modification date
// updated, everything else kept.
void StampChangedDocument(QPDF& pdf);

}  // namespace xdw
