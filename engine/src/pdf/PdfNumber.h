// Numbers as PDF syntax writes them: a point before the fraction whatever
// the process locale (printf under de_DE writes "793,7013", which readers
// take for an unknown operator).
#pragma once

#include <string>

namespace xdw {

// value with at most decimals (1 or more) digits after the point, trailing
// zeros dropped; anything not finite is written as 0.
std::string PdfNumber(double value, int decimals);

}  // namespace xdw
