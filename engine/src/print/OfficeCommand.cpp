#include "print/OfficeCommand.h"

namespace xdw {

namespace {

// file:// URL of an absolute path, with everything but unreserved
// characters and '/' percent-encoded.
std::string FileUrl(const std::string& path) {
    static const char* hex = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : path) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '/' || c == '-' || c == '_' || c == '.' ||
                           c == '~';
        if (plain) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += hex[c >> 4];
            url += hex[c & 0xF];
        }
    }
    return url;
}

}  // namespace

std::vector<std::string> OfficeConvertArgs(const std::string& office, const std::string& source,
                                           const std::string& outDir, const std::string& profileDir,
                                           const std::string& importFilter,
                                           const std::string& exportFilter) {
    std::vector<std::string> args;
    for (const std::string& arg : {office, "-env:UserInstallation=" + FileUrl(profileDir),
                                   std::string("--headless"), std::string("--invisible"),
                                   std::string("--nodefault"), std::string("--nofirststartwizard"),
                                   std::string("--norestore"), std::string("--nolockcheck")})
        args.push_back(arg);
    if (!importFilter.empty()) args.push_back("--infilter=" + importFilter);
    for (const std::string& arg :
         {std::string("--convert-to"), exportFilter, std::string("--outdir"), outDir, source})
        args.push_back(arg);
    return args;
}

}  // namespace xdw
