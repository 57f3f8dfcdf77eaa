#include "cli/progress.h"

#include <unistd.h>

RunProgress::RunProgress(int total, bool terminal, std::FILE* out)
    : total_(total > 0 ? total : 1), terminal_(terminal), out_(out)
{
}

void RunProgress::frameDone(int done, double seconds)
{
    // Percent steps for the bar, tenths for plain lines; the last frame
    // completes the last step, so it always shows.
    const int steps = terminal_ ? 100 : 10;
    const int step = static_cast<int>(static_cast<long long>(done) * steps / total_);
    if (step == lastStep_) return;
    lastStep_ = step;
    if (terminal_) {
        constexpr int kBarWidth = 30;
        const int filled = static_cast<int>(static_cast<long long>(done) * kBarWidth / total_);
        char bar[kBarWidth + 1];
        for (int i = 0; i < kBarWidth; ++i) bar[i] = i < filled ? '#' : '-';
        bar[kBarWidth] = '\0';
        std::fprintf(out_, "\r[%s] %d/%d frames, %.1f s", bar, done, total_, seconds);
        lineOpen_ = true;
    } else {
        std::fprintf(out_, "%d/%d frames (%d%%), %.1f s\n", done, total_, step * 10, seconds);
    }
    std::fflush(out_);
}

void RunProgress::finish()
{
    if (lineOpen_) std::fputc('\n', out_);
    lineOpen_ = false;
    std::fflush(out_);
}

bool stderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }
