#include "cli/wind_trace.h"

#include <cmath>
#include <cstdio>
#include <initializer_list>

#include "arborvane/arborvane.h"
#include "platform/atomic_file.h"
#include "scene/time_step.h"
#include "tree/tree_model.h"

namespace {

// The wind columns of row `frame`, without the line's end.
void appendWind(std::string& out, int frame, const WindSettings& input)
{
    const Vec3& d = input.direction;
    char row[200];
    const int n = std::snprintf(row, sizeof row, "%d,%.2f,%s,%.6f,%.6f,%.6f,%.6f", frame, frame * kTimeStep,
                                input.gale ? "gale" : "breeze", input.magnitude, d.x, d.y, d.z);
    if (n > 0) out.append(row, static_cast<size_t>(n < static_cast<int>(sizeof row) ? n : sizeof row - 1));
}

// One tree's top columns: its live point p and its offset from rest.
void appendTip(std::string& out, const Vec3& p, double offset)
{
    char row[200];
    const int n = std::snprintf(row, sizeof row, ",%.6f,%.6f,%.6f,%.6f", p.x, p.y, p.z, offset);
    if (n > 0) out.append(row, static_cast<size_t>(n < static_cast<int>(sizeof row) ? n : sizeof row - 1));
}

// One row from the top's live point p and its offset from rest.
void appendRow(std::string& out, int frame, const WindSettings& input, const Vec3& p, double offset)
{
    appendWind(out, frame, input);
    appendTip(out, p, offset);
    out += '\n';
}

Vec3 vec3(const arborvane::Point3& p) { return {p.x, p.y, p.z, 0}; }

// A point of a placed tree's own frame in the stand's: turned about +y, then moved.
Vec3 inStand(const Vec3& p, const arborvane::Placement& place)
{
    const double a = place.turn * (3.1415926538 / 180.0), c = std::cos(a), s = std::sin(a);
    return {c * p.x + s * p.z + place.x, p.y, -s * p.x + c * p.z + place.z, 0};
}

// The top of sim (found as tip) now, in the stand's frame when placed, and its offset from rest.
void appendSimulationTip(std::string& out, const arborvane::Simulation& sim, const TreeTip& tip,
                         const arborvane::Placement* place = nullptr)
{
    if (tip.branch < 0) return appendTip(out, place ? inStand({}, *place) : Vec3{}, 0.0);
    // Refinement puts a midpoint in every segment: rest point k is live point 2k.
    const arborvane::Strided<arborvane::Point3> live = sim.branchPoints(tip.branch);
    const arborvane::Strided<arborvane::Point3> rest = sim.restBranchPoints(tip.branch);
    const Vec3 p = vec3(live[live.size() != rest.size() ? 2 * tip.point : tip.point]);
    appendTip(out, place ? inStand(p, *place) : p, norm(sub(p, vec3(rest[tip.point]))));
}

} // namespace

TreeTip findTreeTip(const TreeModel& tree)
{
    TreeTip tip;
    double highest = 0.0;
    for (int i = 0; i < tree.branchCount; ++i) {
        const Branch& rest = tree.restBranches[i];
        for (int k = 0; k < rest.pointCount; ++k)
            if (tip.branch < 0 || rest.points[k].y > highest) {
                highest = rest.points[k].y;
                tip = {i, k};
            }
    }
    return tip;
}

Vec3 tipPosition(const TreeModel& tree, const TreeTip& tip)
{
    if (tip.branch < 0) return {};
    const Branch& live = tree.branches[tip.branch];
    // Refinement puts a midpoint in every segment: rest point k is live point 2k.
    const bool refined = live.pointCount != tree.restBranches[tip.branch].pointCount;
    return live.points[refined ? 2 * tip.point : tip.point];
}

double tipOffset(const TreeModel& tree, const TreeTip& tip)
{
    if (tip.branch < 0) return 0.0;
    return norm(sub(tipPosition(tree, tip), tree.restBranches[tip.branch].points[tip.point]));
}

void appendTraceRow(std::string& out, int frame, const WindSettings& input, const TreeModel& tree, const TreeTip& tip)
{
    appendRow(out, frame, input, tipPosition(tree, tip), tipOffset(tree, tip));
}

TreeTip findTreeTip(const arborvane::Simulation& sim)
{
    TreeTip tip;
    double highest = 0.0;
    for (size_t i = 0; i < sim.branchCount(); ++i) {
        const arborvane::Strided<arborvane::Point3> rest = sim.restBranchPoints(i);
        for (size_t k = 0; k < rest.size(); ++k)
            if (tip.branch < 0 || rest[k].y > highest) {
                highest = rest[k].y;
                tip = {static_cast<int>(i), static_cast<int>(k)};
            }
    }
    return tip;
}

bool WindTraceFile::check(const std::string& path, const std::vector<std::string>& inputs, std::string& error,
                          bool& refused)
{
    refused = false;
    if (path.empty()) return true;
    const OutputTarget target = checkOutputTarget(path, inputs);
    if (!target.ok) {
        error = target.error;
        refused = target.refused;
        return false;
    }
    path_ = path;
    return true;
}

void WindTraceFile::begin(const TreeModel& tree)
{
    if (path_.empty()) return;
    tip_ = findTreeTip(tree);
    text_ = kWindTraceHeader;
}

void WindTraceFile::add(int frame, const WindSettings& input, const TreeModel& tree)
{
    if (!path_.empty()) appendTraceRow(text_, frame, input, tree, tip_);
}

void WindTraceFile::begin(const arborvane::Simulation& sim)
{
    if (path_.empty()) return;
    tip_ = findTreeTip(sim);
    text_ = kWindTraceHeader;
}

void WindTraceFile::add(int frame, const WindSettings& input, const arborvane::Simulation& sim)
{
    if (path_.empty()) return;
    appendWind(text_, frame, input);
    appendSimulationTip(text_, sim, tip_);
    text_ += '\n';
}

std::string standTraceHeader(size_t trees)
{
    std::string header = "frame,time,regime,magnitude,dir_x,dir_y,dir_z";
    for (size_t k = 0; k < trees; ++k)
        for (const char* column : {"_x", "_y", "_z", "_offset"}) header += ",tip" + std::to_string(k) + column;
    return header + "\n";
}

void WindTraceFile::begin(const arborvane::Stand& stand)
{
    if (path_.empty()) return;
    standTips_.clear();
    for (size_t k = 0; k < stand.treeCount(); ++k) standTips_.push_back(findTreeTip(stand.tree(k)));
    text_ = standTraceHeader(stand.treeCount());
}

void WindTraceFile::add(int frame, const WindSettings& input, const arborvane::Stand& stand)
{
    if (path_.empty()) return;
    appendWind(text_, frame, input);
    for (size_t k = 0; k < standTips_.size() && k < stand.treeCount(); ++k)
        appendSimulationTip(text_, stand.tree(k), standTips_[k], &stand.placement(k));
    text_ += '\n';
}

bool WindTraceFile::commit(std::string& error)
{
    if (path_.empty()) return true;
    AtomicFile file;
    if (!file.open(path_, error) || !file.write(text_.data(), text_.size(), error)) return false;
    return file.commit(error);
}
