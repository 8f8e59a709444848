// Direct conversions: a PDF or an image file becomes a document.
#pragma once

#include <string>

#include "xdwapi/xdwapi.h"

namespace xdw {

void ConvertPdf(const std::string& input, const std::string& output);
void ConvertImage(const std::string& input, const std::string& output,
                  const XDW_CREATE_OPTION* option);

}  // namespace xdw
