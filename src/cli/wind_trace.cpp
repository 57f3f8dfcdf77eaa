#include "cli/wind_trace.h"

#include <cstdio>

#include "arborvane/arborvane.h"
#include "platform/atomic_file.h"
#include "scene/time_step.h"
#include "tree/tree_model.h"

namespace {

// One row from the top's live point p and its offset from rest.
void appendRow(std::string& out, int frame, const WindSettings& input, const Vec3& p, double offset)
{
    const Vec3& d = input.direction;
    char row[320];
    const int n = std::snprintf(row, sizeof row, "%d,%.2f,%s,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f\n", frame,
                                frame * kTimeStep, input.gale ? "gale" : "breeze", input.magnitude, d.x, d.y, d.z, p.x,
                                p.y, p.z, offset);
    if (n > 0) out.append(row, static_cast<size_t>(n < static_cast<int>(sizeof row) ? n : sizeof row - 1));
}

Vec3 vec3(const arborvane::Point3& p) { return {p.x, p.y, p.z, 0}; }

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
    if (tip_.branch < 0) return appendRow(text_, frame, input, {}, 0.0);
    // Refinement puts a midpoint in every segment: rest point k is live point 2k.
    const arborvane::Strided<arborvane::Point3> live = sim.branchPoints(tip_.branch);
    const arborvane::Strided<arborvane::Point3> rest = sim.restBranchPoints(tip_.branch);
    const Vec3 p = vec3(live[live.size() != rest.size() ? 2 * tip_.point : tip_.point]);
    appendRow(text_, frame, input, p, norm(sub(p, vec3(rest[tip_.point]))));
}

bool WindTraceFile::commit(std::string& error)
{
    if (path_.empty()) return true;
    AtomicFile file;
    if (!file.open(path_, error) || !file.write(text_.data(), text_.size(), error)) return false;
    return file.commit(error);
}
