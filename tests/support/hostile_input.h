// What the hostile-input tests share: a loader's console and result, a
// block of garbage bytes, and case tables named by their rows.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "support/console.h"

struct Output {
    bool ok = false;
    std::string out; // standard output: console lines
    std::string err; // standard error: notices
};

inline Output capture(const std::function<bool()>& load)
{
    Output run;
    const Console console = captureConsole([&] { run.ok = load(); });
    run.out = console.out;
    run.err = console.err;
    return run;
}

inline const std::string kGarbage = [] {
    std::string bytes;
    uint32_t x = 2463534242u;
    for (int i = 0; i < 4096; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        bytes += static_cast<char>(x & 0xff);
    }
    return bytes;
}();

// A file's text and the words its refusal must print.
struct TextCase {
    const char* name;
    std::function<std::string()> text;
    const char* expected; // in the console line or the notice; "" where the reader only returns false
};

template <class Case>
std::string caseName(const testing::TestParamInfo<Case>& info)
{
    return info.param.name;
}
