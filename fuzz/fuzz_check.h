// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdio>
#include <cstdlib>

namespace tarvik::fuzz {

[[noreturn]] inline void Fail(const char* what, long long detail, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: check failed: %s (detail %lld)\n", file, line, what, detail);
    std::abort();
}

}  // namespace tarvik::fuzz

// A failed check aborts, which libFuzzer records as a crash with its input.
#define FUZZ_CHECK(condition, detail)                                                                           \
    do {                                                                                                        \
        if (!(condition)) ::tarvik::fuzz::Fail(#condition, static_cast<long long>(detail), __FILE__, __LINE__); \
    } while (0)
