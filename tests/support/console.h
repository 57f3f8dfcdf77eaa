// Console lines as the user would see them: standard output (console lines)
// and standard error (notices), captured around a piece of work.
#pragma once
#include <string>
#include <utility>

struct Console {
    std::string out; // standard output
    std::string err; // standard error
    std::string both() const { return out + err; }
};

// Captures both streams from construction to finish(); one left unfinished
// (an ASSERT returned early) is released, so the next capture can start.
class ConsoleCapture {
public:
    ConsoleCapture();
    ~ConsoleCapture();
    ConsoleCapture(const ConsoleCapture&) = delete;
    ConsoleCapture& operator=(const ConsoleCapture&) = delete;
    Console finish();

private:
    bool open_ = true;
};

// What work printed.
template <class Work>
Console captureConsole(Work&& work)
{
    ConsoleCapture capture;
    std::forward<Work>(work)();
    return capture.finish();
}
