// The wind trace: one CSV row per step with the step's wind and where the
// tree's top is, for plotting how the tree answers the wind.
#pragma once
#include <string>
#include <vector>

#include "math/vec3.h"
#include "wind/wind_settings.h"

struct TreeModel;
namespace arborvane {
class Simulation;
class Stand;
}

// Where the tree's top is: the highest centre-line point of the rest tree.
struct TreeTip {
    int branch = -1; // branch index; -1 when the tree is empty
    int point = 0;   // point index on the rest centre line (unrefined)
};

// The header line, newline included.
inline constexpr const char* kWindTraceHeader =
    "frame,time,regime,magnitude,dir_x,dir_y,dir_z,tip_x,tip_y,tip_z,tip_offset\n";

// A stand's header: the wind columns (the wind at the stand's origin), then
// tipK_x,tipK_y,tipK_z,tipK_offset for each tree K from 0; newline included.
std::string standTraceHeader(size_t trees);

// Finds the top once after set-up, from scene.tree.restBranches.
TreeTip findTreeTip(const TreeModel& tree);
// The same from the library's rest centre lines.
TreeTip findTreeTip(const arborvane::Simulation& sim);
// The top's live position (rest position when the tip is unknown).
Vec3 tipPosition(const TreeModel& tree, const TreeTip& tip);
// The top's distance from its rest position.
double tipOffset(const TreeModel& tree, const TreeTip& tip);
// A trace kept in memory and written whole at the end, or not at all.
class WindTraceFile {
public:
    // Before any work: whether path can be written and is none of inputs
    // (empty path: no trace, true). False with a one-line error; refused (a
    // bad argument, exit 2) or not (exit 1).
    bool check(const std::string& path, const std::vector<std::string>& inputs, std::string& error, bool& refused);
    // After set-up: finds the tree's top and starts with the header.
    void begin(const TreeModel& tree);
    void begin(const arborvane::Simulation& sim);
    // A stand: every tree's top, in the stand's order; rows give them in the stand's frame.
    void begin(const arborvane::Stand& stand);
    // Row `frame`, as appendTraceRow; nothing when there is no trace.
    void add(int frame, const WindSettings& input, const TreeModel& tree);
    void add(int frame, const WindSettings& input, const arborvane::Simulation& sim);
    void add(int frame, const WindSettings& input, const arborvane::Stand& stand);
    // Writes the rows over the target at once; true when there is no trace.
    bool commit(std::string& error);

private:
    std::string path_; // the target; empty: no trace
    std::string text_; // header and rows so far
    TreeTip tip_;      // the top, found by begin
    std::vector<TreeTip> standTips_; // a stand's tops, tree by tree, found by begin
};

// Appends row `frame`: the state after that many steps, `input` being the
// wind of the step that made it (for row 0 the schedule at time 0).
void appendTraceRow(std::string& out, int frame, const WindSettings& input, const TreeModel& tree, const TreeTip& tip);
