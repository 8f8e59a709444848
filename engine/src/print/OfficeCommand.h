// The command line of one LibreOffice conversion to PDF.
#pragma once

#include <string>
#include <vector>

namespace xdw {

// The office program exits with this status after making a new profile and
// wants to be started again (its launcher would do that).
inline constexpr int kOfficeRestartStatus = 81;

// The argument vector converting source to PDF into outDir, with the profile
// kept in profileDir so that a LibreOffice the user has open is not touched.
// importFilter ("" lets LibreOffice choose) and exportFilter as LibreOffice
// names them, with their options.
std::vector<std::string> OfficeConvertArgs(const std::string& office, const std::string& source,
                                           const std::string& outDir, const std::string& profileDir,
                                           const std::string& importFilter = {},
                                           const std::string& exportFilter = "pdf");

}  // namespace xdw
