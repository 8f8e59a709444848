// Whether what the application printed shows anything: a file that holds
// content printed as blank pages has not been printed, whatever the
// application's exit status says (LibreOffice short of memory has been seen
// to print a large spreadsheet as one empty page and end as if all was well).
#pragma once

#include <string_view>

#include <qpdf/QPDF.hh>

namespace xdw {

// Some page of the printed PDF shows text, an image, a shading or a painted
// path. Pages are looked at in order until one does.
bool AnyPageInked(QPDF& printed);

// The file's text holds something to print: a character that is not white
// space, nor one of marks (the separators and quotes of a CSV file).
bool HoldsVisibleText(std::string_view utf8, std::string_view marks = {});

}  // namespace xdw
