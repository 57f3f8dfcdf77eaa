#include "view/realtime_pacing.h"

int paceSteps(RealtimePacer& pacer, double now, double stepSeconds)
{
    const double last = pacer.lastTime;
    pacer.lastTime = now;
    if (last < 0.0 || !(now > last) || !(stepSeconds > 0.0)) return 0;
    pacer.banked += now - last;
    int steps = 0;
    while (pacer.banked >= stepSeconds && steps < kMaxStepsPerFrame) {
        pacer.banked -= stepSeconds;
        ++steps;
    }
    // A stall is not made up for: what the cap left over is dropped.
    if (pacer.banked >= stepSeconds) pacer.banked = 0.0;
    return steps;
}
