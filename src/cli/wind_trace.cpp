#include "cli/wind_trace.h"

#include <cstdio>

#include "platform/atomic_file.h"
#include "scene/time_step.h"

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
    const Vec3 p = tipPosition(tree, tip);
    const Vec3& d = input.direction;
    char row[320];
    const int n = std::snprintf(row, sizeof row, "%d,%.2f,%s,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f\n", frame,
                                frame * kTimeStep, input.gale ? "gale" : "breeze", input.magnitude, d.x, d.y, d.z, p.x,
                                p.y, p.z, tipOffset(tree, tip));
    if (n > 0) out.append(row, static_cast<size_t>(n < static_cast<int>(sizeof row) ? n : sizeof row - 1));
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

bool WindTraceFile::commit(std::string& error)
{
    if (path_.empty()) return true;
    AtomicFile file;
    if (!file.open(path_, error) || !file.write(text_.data(), text_.size(), error)) return false;
    return file.commit(error);
}
