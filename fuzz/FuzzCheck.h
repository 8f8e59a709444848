// A failed check ends the fuzzing run with a message and a crash report.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "common/Utf8.h"

#define FUZZ_CHECK(condition)                                                                   \
    do {                                                                                        \
        if (!(condition)) {                                                                     \
            std::fprintf(stderr, "check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                                       \
        }                                                                                       \
    } while (false)
