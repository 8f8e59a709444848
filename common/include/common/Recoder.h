// Text from one character set into another, through iconv: the one place the
// program and the engine open a conversion.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quilbex {

// One conversion direction, opened once and used for any number of texts. The
// target has no shift states (UTF-8, CP932): nothing is written to end one.
class Recoder {
public:
    // Throws std::runtime_error when iconv has no conversion from `from` to `to`.
    Recoder(const char* to, const char* from);
    ~Recoder();
    Recoder(const Recoder&) = delete;
    Recoder& operator=(const Recoder&) = delete;

    // At a character that cannot be converted, or an invalid or cut sequence
    // at `at` in the input: may append a replacement to out, and returns how
    // many input bytes to skip; 0 stops the conversion.
    using OnBad = std::function<std::size_t(std::string& out, std::size_t at)>;

    // Converts in, appending to out; false when onBad stopped it.
    bool Convert(std::string_view in, std::string& out, const OnBad& onBad);

    // The whole of in converted, or nothing at the first byte sequence that
    // cannot be. Throws std::runtime_error as the constructor does.
    static std::optional<std::string> Strict(const char* to, const char* from, std::string_view in);

private:
    void* cd_;  // iconv_t
};

}  // namespace quilbex
