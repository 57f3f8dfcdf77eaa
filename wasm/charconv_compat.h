// Emscripten 3.1.6's libc++ has no floating-point std::to_chars; the core
// uses it for the shortest text that reads back as the same double. This
// stands in for it in the module only (forced in with -include), with the
// same result: the fewest significant digits that round-trip.
#pragma once
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace std {
inline to_chars_result to_chars(char* first, char* last, double value)
{
    char text[40];
    int n = 0;
    for (int digits = 1; digits <= 17; ++digits) {
        n = std::snprintf(text, sizeof text, "%.*g", digits, value);
        if (std::strtod(text, nullptr) == value || value != value) break;
    }
    if (n < 0 || n > last - first) return {last, errc::value_too_large};
    std::memcpy(first, text, static_cast<size_t>(n));
    return {first + n, errc{}};
}
} // namespace std
