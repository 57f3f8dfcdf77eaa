// The simulation's fixed step, known below the step itself (the wind trace
// stamps its rows with it).
#pragma once

constexpr double kTimeStep = 0.05; /// seconds per step; one step per drawn frame, not the measured interval
