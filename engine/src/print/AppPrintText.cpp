#include "print/AppPrintText.h"

#include <exception>

#include "common/Cp932.h"
#include "common/Utf8.h"

namespace xdw {

std::string Cp932TextAsUtf8(const std::string& bytes) {
    if (quilbex::IsUtf8(bytes)) return {};
    try {
        // Bytes that are not UTF-8 are never pure ASCII, so a clean conversion
        // always holds at least one character outside ASCII.
        return quilbex::FromCp932Strict(bytes).value_or(std::string());
    } catch (const std::exception&) {
        return {};  // no code page 932 converter here
    }
}

}  // namespace xdw
