// Small platform layer: a tick count, the shared 0..32767 generator, notices.
#pragma once
#include <cstdint>

// Milliseconds from a monotonic clock: the foliage seed when none is given.
uint32_t tickCountMs();

// One process-wide generator with results 0..32767. It starts from a fixed
// state at process start, so anything drawn before the first reseed (the
// grass field) comes out the same in every run.
constexpr int kRandomMax = 32767;
int randomInt();
void seedRandom(uint32_t seed);

// Blocking-notice stand-in: one line "caption: text" on standard error.
void showNotice(const char* text, const char* caption);

// printf to standard output, flushed at once.
void consolePrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Where consolePrintf text and notices go instead, for a host that must not
// print (the library API). notice: a showNotice line ("caption: text\n").
// Null (the default) restores standard output and standard error.
// Process-wide; set it only while no other thread loads or prints.
using ConsoleSink = void (*)(void* context, const char* text, bool notice);
void setConsoleSink(ConsoleSink sink, void* context);
