// Small platform layer: a tick count, notices, the console.
#pragma once
#include <cstdint>

// Milliseconds from a monotonic clock: the foliage seed when none is given.
uint32_t tickCountMs();

// Blocking-notice stand-in: one line "caption: text" on standard error.
void showNotice(const char* text, const char* caption);

// printf to standard output, flushed at once.
void consolePrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Where consolePrintf text and notices of the calling thread go instead, for
// a host that must not print (the library API). notice: a showNotice line
// ("caption: text\n"). Null (the default) restores standard output and
// standard error. Per thread: the loaders and the set-up print on the thread
// that called them, so each simulation's lines reach its own handler.
using ConsoleSink = void (*)(void* context, const char* text, bool notice);
void setConsoleSink(ConsoleSink sink, void* context);
