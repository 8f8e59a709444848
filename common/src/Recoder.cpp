#include "common/Recoder.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

namespace quilbex {

namespace {

iconv_t Handle(void* cd) { return static_cast<iconv_t>(cd); }

}  // namespace

Recoder::Recoder(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (Handle(cd_) == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error(std::string("no conversion from ") + from + " to " + to);
}

Recoder::~Recoder() { iconv_close(Handle(cd_)); }

bool Recoder::Convert(std::string_view in, std::string& out, const OnBad& onBad) {
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buffer[4096];
    while (srcLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        const size_t rc = iconv(Handle(cd_), &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, dst - buffer);
        if (rc != static_cast<size_t>(-1) || errno == E2BIG) continue;
        const size_t skip = std::min(onBad ? onBad(out, in.size() - srcLeft) : 0, srcLeft);
        if (skip == 0) {
            iconv(Handle(cd_), nullptr, nullptr, nullptr, nullptr);
            return false;
        }
        src += skip;
        srcLeft -= skip;
        iconv(Handle(cd_), nullptr, nullptr, nullptr, nullptr);
    }
    return true;
}

std::optional<std::string> Recoder::Strict(const char* to, const char* from, std::string_view in) {
    Recoder recoder(to, from);
    std::string out;
    if (!recoder.Convert(in, out, {})) return std::nullopt;
    return out;
}

}  // namespace quilbex
