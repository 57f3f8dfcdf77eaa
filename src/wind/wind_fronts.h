// Travelling fronts: while a schedule with a front speed plays, every
// branch, leaf and grass blade takes the schedule at its own arrival time,
// t - (distance along the wind from the field's origin) / front speed. Each
// step evaluates the schedule once per distance quantum, a small table, and
// every part picks its row; the parts' loops stay what they are.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "wind/wind_input.h"

// One quantum's wind.
struct FrontRow {
    WindInput tree;  // in the tree's frame (the field's turned back by the placement)
    WindInput grass; // in the field's frame, for the grass
};

struct WindFronts {
    std::vector<FrontRow> rows;      // this step's winds, one per distance quantum, the most upwind first
    std::vector<uint32_t> branchRow; // each branch's row
    std::vector<uint32_t> leafRow;   // each leaf's row, branch x leaves per branch + leaf
    std::vector<uint32_t> bladeRow;  // each grass blade's row
    std::vector<double> arrivals;    /// the gust arrivals this step's rows feel, ascending, seconds
    double quantum = 0.0;            /// along-wind distance from one row to the next, model units
    double first = 0.0;              /// along-wind distance of row 0 from the origin, model units
};

// Rows are a delay of 5 ms apart for the slowest front: a tenth of a step,
// so nearest-row rounding moves an arrival by at most 2.5 ms, and a front at
// a few units per second steps a few centimetres at a time, finer than the
// grass blades stand apart.
inline constexpr double kFrontDelayStep = 0.005;
// At most about this many rows: a very slow front over a wide field gets
// coarser steps instead of a longer table.
inline constexpr std::size_t kMaxFrontRows = 4096;
