// A failed check ends the fuzzing run with a message and a crash report.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "run/Cp932.h"

#define FUZZ_CHECK(condition)                                                                   \
    do {                                                                                        \
        if (!(condition)) {                                                                     \
            std::fprintf(stderr, "check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                                       \
        }                                                                                       \
    } while (false)

inline bool IsValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = quilbex::Utf8CharLength(text, i);
        if (length == 1 && static_cast<unsigned char>(text[i]) >= 0x80) return false;
        i += length;
    }
    return true;
}
