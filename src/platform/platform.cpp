#include "platform/platform.h"

#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <string>

uint32_t tickCountMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
}

namespace {
thread_local ConsoleSink consoleSink = nullptr;  // null: the standard streams
thread_local void* consoleSinkContext = nullptr; // handed to consoleSink
} // namespace

void setConsoleSink(ConsoleSink sink, void* context)
{
    consoleSink = sink;
    consoleSinkContext = context;
}

void showNotice(const char* text, const char* caption)
{
    if (consoleSink) {
        const std::string line = std::string(caption ? caption : "") + ": " + (text ? text : "") + "\n";
        consoleSink(consoleSinkContext, line.c_str(), true);
        return;
    }
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
    std::fflush(stderr);
}

void consolePrintf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    if (consoleSink) {
        va_list sized;
        va_copy(sized, args);
        const int length = std::vsnprintf(nullptr, 0, format, sized);
        va_end(sized);
        std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
        if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, args);
        va_end(args);
        consoleSink(consoleSinkContext, text.c_str(), false);
        return;
    }
    std::vprintf(format, args);
    va_end(args);
    std::fflush(stdout);
}
