#include "platform/platform.h"

#include <cstdarg>
#include <cstdio>
#include <ctime>

uint32_t tickCountMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
}

namespace {
uint32_t randomState = 1; // fixed at process start
}

int randomInt()
{
    // Classic 32-bit LCG; the upper bits give 15 usable bits.
    randomState = randomState * 214013u + 2531011u;
    return static_cast<int>((randomState >> 16) & 0x7fffu);
}

void seedRandom(uint32_t seed) { randomState = seed; }

void showNotice(const char* text, const char* caption)
{
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
    std::fflush(stderr);
}

void consolePrintf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::fflush(stdout);
}
