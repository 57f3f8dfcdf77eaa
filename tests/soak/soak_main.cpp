// Long runs of the headless simulation: the motion must stay finite and near
// the tree's rest shape however long it runs. Uses the generated scene under
// ./data when present (run from the build directory), else a synthetic one.
//
//   arborvane_soak [--steps N] [--scenario gale|breeze|vertical|all]
//
// Exit status 0 when every scenario passes, 1 on a failed check, 2 on bad flags.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "dynamics/simulation.h"
#include "data_constants/data_files.h"
#include "motion_scene.h"

namespace {

struct Scenario {
    const char* name;  // --scenario word
    WindSettings wind; // the wind every step gets
};

// The strongest gale the arrow keys reach, the breeze, and a wind straight up
// (a direction parallel to the wind frame's up axis).
constexpr Scenario kScenarios[] = {
    {"gale", {true, 800.0, {1.0, 0.0, 0.0, 0}}},
    {"breeze", {false, 10.0, {1.0, 0.0, 0.0, 0}}},
    {"vertical", {true, 400.0, {0.0, 1.0, 0.0, 0}}},
};

constexpr int kCheckEvery = 1000; // steps between finiteness checks

// First non-finite value found, with where it was; empty when all are finite.
struct Finder {
    std::string where;
    void value(double v, const char* what, int i, int k = -1)
    {
        if (!where.empty() || std::isfinite(v)) return;
        char text[128];
        std::snprintf(text, sizeof text, "%s of element %d (index %d) is %g", what, i, k, v);
        where = text;
    }
    void vec(const Vec3& v, const char* what, int i, int k = -1)
    {
        value(v.x, what, i, k);
        value(v.y, what, i, k);
        value(v.z, what, i, k);
    }
    void mat(const Mat4& m, const char* what, int i)
    {
        for (int k = 0; k < 16; ++k) value(m.m[k], what, i, k);
    }
};

std::string findNonFinite(const Scene& scene)
{
    const TreeModel& m = scene.tree;
    Finder f;
    for (int i = 0; i < m.branchCount; ++i) {
        const Branch& b = m.branches[i];
        for (int k = 0; k < b.pointCount; ++k) {
            f.vec(b.points[k], "branch point", i, k);
            f.value(b.radii[k], "branch radius", i, k);
        }
        f.vec(b.frameX, "branch frameX", i);
        f.vec(b.frameY, "branch frameY", i);
        f.vec(b.frameZ, "branch frameZ", i);
        f.mat(b.baseTransform, "branch baseTransform", i);
        for (int a = 0; a < 3; ++a) {
            f.value(b.bendPosition[a], "branch bendPosition", i, a);
            f.value(b.bendVelocity[a], "branch bendVelocity", i, a);
        }
        for (int l = 0; l < kLeavesPerBranch; ++l) {
            const Leaf& leaf = b.leaves[l];
            for (const Vec3& p : leaf.petiolePoints) f.vec(p, "petiole point", i, l);
            f.mat(leaf.bladeMatrix, "bladeMatrix", i);
            f.vec(leaf.frameX, "leaf frameX", i, l);
            f.vec(leaf.frameY, "leaf frameY", i, l);
            f.vec(leaf.frameZ, "leaf frameZ", i, l);
            for (int a = 0; a < 3; ++a) {
                f.value(leaf.bendPosition[a], "leaf bendPosition", i, l);
                f.value(leaf.bendVelocity[a], "leaf bendVelocity", i, l);
            }
        }
    }
    for (int i = 0; scene.grass.blades && i < scene.grass.bladeCount; ++i) {
        const GrassBlade& g = scene.grass.blades[i];
        for (int j = 0; j < kGrassLevels; ++j) {
            f.vec(g.centre[j], "grass centre", i, j);
            f.vec(g.edge[j], "grass edge", i, j);
        }
        f.vec(g.colour, "grass colour", i);
        for (int a = 0; a < 3; ++a) {
            f.value(g.bendPosition[a], "grass bendPosition", i, a);
            f.value(g.bendVelocity[a], "grass bendVelocity", i, a);
        }
    }
    const NoiseField* fields[3] = {&scene.wind.u, &scene.wind.v, &scene.wind.w};
    for (int c = 0; c < 3; ++c)
        for (int a = 0; a < 3; ++a) {
            f.value(fields[c]->offset[a], "noise cursor", c, a);
            if (f.where.empty() && (fields[c]->offset[a] < 0.0 || fields[c]->offset[a] > fields[c]->size))
                f.where = "noise cursor outside 0..n";
        }
    return f.where;
}

double distance(const Vec3& a, const Vec3& b)
{
    const double dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

struct ShapeReport {
    double maxDisplacement = 0.0;  // largest distance of a point from its rest place
    double maxLengthError = 0.0;   // largest relative change of a segment length
    double treeSize = 0.0;         // diagonal of the rest points' box
};

// After an unrefined step: point k of each branch against rest point k.
ShapeReport measureShape(const TreeModel& m)
{
    ShapeReport r;
    Vec3 lo{1e300, 1e300, 1e300, 0}, hi{-1e300, -1e300, -1e300, 0};
    for (int i = 0; i < m.branchCount; ++i) {
        const Branch& live = m.branches[i];
        const Branch& rest = m.restBranches[i];
        for (int k = 0; k < rest.pointCount; ++k) {
            const Vec3& p = rest.points[k];
            lo = {std::fmin(lo.x, p.x), std::fmin(lo.y, p.y), std::fmin(lo.z, p.z), 0};
            hi = {std::fmax(hi.x, p.x), std::fmax(hi.y, p.y), std::fmax(hi.z, p.z), 0};
            r.maxDisplacement = std::fmax(r.maxDisplacement, distance(live.points[k], p));
            if (k == 0) continue;
            const double restLength = distance(rest.points[k], rest.points[k - 1]);
            const double liveLength = distance(live.points[k], live.points[k - 1]);
            if (restLength > 1e-9)
                r.maxLengthError = std::fmax(r.maxLengthError, std::fabs(liveLength - restLength) / restLength);
        }
    }
    r.treeSize = m.branchCount > 0 ? distance(lo, hi) : 0.0;
    return r;
}

bool runScenario(const Scenario& s, long steps, bool generated)
{
    auto model = motion_scene::makeScene();
    if (generated) {
        if (!motion_scene::loadGeneratedScene(*model)) {
            std::printf("soak %s: FAILED to load the generated scene under ./data\n", s.name);
            return false;
        }
    } else {
        motion_scene::buildScene(*model);
    }

    const auto start = std::chrono::steady_clock::now();
    std::string fault;
    for (long step = 0; step < steps && fault.empty(); ++step) {
        // The last step unrefined, so live points line up with the rest points.
        const bool refine = step + 1 < steps;
        model->input = {s.wind, refine};
        simulateStep(*model, kTimeStep);
        if ((step + 1) % kCheckEvery == 0 || step + 1 == steps) {
            fault = findNonFinite(*model);
            if (!fault.empty()) fault = "step " + std::to_string(step + 1) + ": " + fault;
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    const ShapeReport shape = measureShape(model->tree);
    // Joints only turn, so segments keep their length; a bent tree stays
    // within its own size of the rest shape.
    if (fault.empty() && shape.maxLengthError > 1e-6)
        fault = "a segment length changed by " + std::to_string(shape.maxLengthError * 100.0) + " %";
    if (fault.empty() && shape.maxDisplacement > shape.treeSize)
        fault = "a point moved " + std::to_string(shape.maxDisplacement) + " from rest, more than the tree's size " +
                std::to_string(shape.treeSize);

    std::printf("soak %-8s %ld steps in %.1f s (%.3f ms/step), largest displacement %.3f of tree size %.3f, "
                "segment length error %.2g: %s%s\n",
                s.name, steps, seconds, steps > 0 ? 1000.0 * seconds / steps : 0.0, shape.maxDisplacement,
                shape.treeSize, shape.maxLengthError, fault.empty() ? "ok" : "FAILED, ", fault.c_str());
    std::fflush(stdout);
    return fault.empty();
}

bool generatedDataPresent()
{
    for (const std::string& name : dataFileNames()) {
        FILE* file = std::fopen(dataPath(kDefaultDataDir, name.c_str()).c_str(), "r");
        if (!file) return false;
        std::fclose(file);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    long steps = 100000;
    std::string which = "all";
    for (int a = 1; a < argc; ++a) {
        if (std::strcmp(argv[a], "--steps") == 0 && a + 1 < argc) {
            char* end = nullptr;
            steps = std::strtol(argv[++a], &end, 10);
            if (*end != '\0' || steps < 1) {
                std::fprintf(stderr, "arborvane_soak: --steps needs a positive number\n");
                return 2;
            }
        } else if (std::strcmp(argv[a], "--scenario") == 0 && a + 1 < argc) {
            which = argv[++a];
        } else {
            std::fprintf(stderr, "usage: arborvane_soak [--steps N] [--scenario gale|breeze|vertical|all]\n");
            return 2;
        }
    }

    const bool generated = generatedDataPresent();
    std::printf("soak: %s scene, %ld steps per scenario\n", generated ? "generated" : "synthetic", steps);
    int ran = 0, failed = 0;
    for (const Scenario& s : kScenarios) {
        if (which != "all" && which != s.name) continue;
        ++ran;
        if (!runScenario(s, steps, generated)) ++failed;
    }
    if (ran == 0) {
        std::fprintf(stderr, "arborvane_soak: unknown scenario %s\n", which.c_str());
        return 2;
    }
    std::printf("soak: %d of %d scenarios failed\n", failed, ran);
    return failed == 0 ? 0 : 1;
}
