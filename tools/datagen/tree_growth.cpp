// Grows a tulip-tree skeleton: a straight leader, scaffold limbs in a spiral,
// secondaries and tertiaries reaching for an upright crown envelope, and the
// remaining rows as twigs spread over the outer parts of the crown.
//
// Sections, in order:
//   Crown envelope: Crown, coneDirection
//   Growing: Grower (growTrunk, growLimbs, growLevel, growTwigs)
//   Order and classes: rankClass, renumber, assignClasses
//   Radii: assignRadii
//   Entry: growTree
#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "tree_random.h"
#include "tree_skeleton.h"
#include "vec_ops.h"

// ---- Crown envelope

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kGoldenAngle = 137.50776405003785 * kPi / 180.0;
constexpr int kMaxPoints = kMaxBranchPoints;
constexpr double kMinRadius = 0.02; // thinnest shoot base

double horizontalFraction(Vec3 d) { return std::hypot(d.x, d.z) / std::max(norm(d), 1e-12); }

// The crown envelope: a solid of revolution about the leader.
struct Crown {
    double bottom, top, halfWidth;
    std::string shape;

    double radiusAt(double y) const
    {
        const double t = (y - bottom) / (top - bottom);
        if (t <= 0.0 || t >= 1.0) return 0.0;
        double w;
        if (shape == "cone") {
            w = t < 0.12 ? std::sqrt(t / 0.12) : (1.0 - t) / 0.88;
        } else if (shape == "column") {
            const double u = 2.0 * t - 1.0;
            w = std::sqrt(std::max(0.0, 1.0 - u * u * u * u));
        } else {
            const double widest = shape == "round" ? 0.5 : 0.42; // oval: widest low, tapering up
            const double u = t < widest ? (t - widest) / widest : (t - widest) / (1.0 - widest);
            w = std::sqrt(std::max(0.0, 1.0 - u * u));
        }
        return halfWidth * w;
    }
    bool contains(Vec3 p) const { return std::hypot(p.x, p.z) <= radiusAt(p.y); }
    // Distance from p along unit d to the envelope surface (p inside).
    double reach(Vec3 p, Vec3 d, double limit) const
    {
        double s = 0.0;
        while (s < limit && contains(p + d * (s + 0.04))) s += 0.04;
        return s;
    }
};

// Unit direction at angle theta from axis, turned by phi about it.
Vec3 coneDirection(Vec3 axis, double theta, double phi)
{
    const Vec3 a = unit(axis);
    const Vec3 ref = std::abs(a.y) < 0.95 ? Vec3{0, 1, 0} : Vec3{1, 0, 0};
    const Vec3 b = unit(plain::cross(ref, a));
    const Vec3 c = plain::cross(a, b);
    return unit(a * std::cos(theta) + (b * std::cos(phi) + c * std::sin(phi)) * std::sin(theta));
}

// ---- Growing

struct Grower {
    const TreeParams& params;
    Crown crown;
    TreeRandom rng;
    std::vector<SkeletonBranch> branches; // growth order, renumbered at the end

    Grower(const TreeParams& p)
        : params(p),
          crown{p.crownBase - 0.7, p.height + 0.35, 0.5 * p.crownWidth, p.crownShape},
          rng(p.seed)
    {
    }

    // Polyline from start: body segments bending upwards with a little wobble,
    // stopping at the crown surface, then the short tip segment.
    std::vector<Vec3> polyline(Vec3 start, Vec3 dir, double length, double wobble)
    {
        const double tip = std::min(params.tipSegment, 0.4 * length);
        const double body = length - tip;
        const int n = std::clamp(int(std::lround(body / params.segment)), 1, kMaxPoints - 2);
        const double step = body / n;
        std::vector<Vec3> pts{start};
        Vec3 d = unit(dir);
        for (int k = 0; k < n; ++k) {
            if (k > 0) {
                const Vec3 shake{rng.jitter(1.0), rng.jitter(1.0), rng.jitter(1.0)};
                d = unit(d + Vec3{0, params.upwardBend * step, 0} + shake * (wobble * step));
            }
            const Vec3 next = pts.back() + d * step;
            if (k > 0 && !crown.contains(next)) break;
            pts.push_back(next);
        }
        pts.push_back(pts.back() + d * tip);
        return pts;
    }

    double arcLength(const std::vector<Vec3>& pts) const
    {
        double s = 0.0;
        for (size_t i = 1; i < pts.size(); ++i) s += norm(pts[i] - pts[i - 1]);
        return s;
    }

    // Parent point nearest to arc fraction t, kept off the base and the tip.
    int pointAtFraction(const SkeletonBranch& parent, double t) const
    {
        const double target = t * arcLength(parent.points);
        double s = 0.0, bestGap = 1e9;
        int best = 1;
        for (int i = 1; i + 1 < int(parent.points.size()); ++i) {
            s += norm(parent.points[i] - parent.points[i - 1]);
            if (std::abs(s - target) < bestGap) bestGap = std::abs(s - target), best = i;
        }
        return best;
    }

    // Adds a child of parent at point index, leaving at angle theta from the
    // parent's axis with azimuth phi; length capped by the crown.
    int addChild(int parentIndex, int attach, double theta, double phi, double maxLength, double minLength,
                 double wobble)
    {
        const SkeletonBranch& parent = branches[parentIndex];
        const Vec3 base = parent.points[attach];
        const Vec3 axis = unit(parent.points[attach + 1] - parent.points[attach]);
        Vec3 d = coneDirection(axis, theta, phi);
        const bool nearLeader = std::hypot(base.x, base.z) < 0.3;
        Vec3 outward = nearLeader ? Vec3{d.x, 0, d.z} : Vec3{base.x, 0, base.z};
        outward = norm(outward) > 1e-9 ? unit(outward) : Vec3{std::cos(phi), 0, std::sin(phi)};
        auto score = [&](Vec3 v) { return 0.6 * v.y + plain::dot(Vec3{v.x, 0, v.z}, outward); };
        // Shoots that dive or turn back into the crown centre take the other side.
        const Vec3 mirrored = coneDirection(axis, theta, phi + kPi);
        if (!nearLeader && score(d) < -0.15 && score(mirrored) > score(d)) d = mirrored;
        if (horizontalFraction(d) < 0.3) d = unit(d + outward * 0.45); // a vertical first segment has no frame
        const double reach = crown.reach(base, d, 30.0);
        const double length = std::max(minLength, std::min(maxLength, 0.97 * reach));
        SkeletonBranch child;
        child.points = polyline(base, d, length, wobble);
        child.parent = parentIndex;
        child.attachPoint = attach;
        child.level = parent.level + 1;
        branches.push_back(std::move(child));
        return int(branches.size()) - 1;
    }

    void growTrunk()
    {
        SkeletonBranch trunk;
        const double phase = rng.range(0.0, 2 * kPi);
        const int count = params.trunkPoints;
        for (int i = 0; i < count; ++i) {
            // Even body segments, then the short tip segment.
            const double y = i + 1 < count ? i * (params.height - params.tipSegment) / (count - 2) : params.height;
            const double t = y / params.height;
            // A faint sway: straight to the eye, never exactly vertical (the
            // leaves on the last segment take their side from its lean).
            trunk.points.push_back({0.05 * std::sin(2.1 * t * kPi + phase) * t, y, 0.05 * std::cos(1.7 * t * kPi + phase) * t});
        }
        branches.push_back(std::move(trunk));
    }

    void growLimbs()
    {
        const double limbTop = params.crownBase + 0.84 * (params.height - params.crownBase);
        const double phase = rng.range(0.0, 2 * kPi);
        for (int i = 0; i < params.limbs; ++i) {
            const double f = (i + 0.5 + rng.jitter(0.25)) / params.limbs;
            const double y = params.crownBase + f * (limbTop - params.crownBase);
            const SkeletonBranch& trunk = branches[0];
            int attach = 1;
            for (int k = 1; k + 1 < int(trunk.points.size()); ++k)
                if (std::abs(trunk.points[k].y - y) < std::abs(trunk.points[attach].y - y)) attach = k;
            const double angle = (params.limbAngleLow + f * (params.limbAngleHigh - params.limbAngleLow) + rng.jitter(5.0)) * kPi / 180.0;
            const double azimuth = phase + i * kGoldenAngle + rng.jitter(10.0 * kPi / 180.0);
            addChild(0, attach, angle, azimuth, 30.0, 1.0, 0.06);
        }
    }

    // Side shoots of every branch of one level, density per unit length.
    void growLevel(int level, double density, double maxLength, double minLength, double minHost)
    {
        const int end = int(branches.size());
        for (int b = 0; b < end; ++b) {
            if (branches[b].level != level - 1 || branches[b].points.size() < 3) continue;
            const double hostLength = arcLength(branches[b].points);
            if (hostLength < minHost) continue;
            const int count = std::max(1, int(std::lround(hostLength * density)));
            double phi = rng.range(0.0, 2 * kPi);
            for (int k = 0; k < count; ++k) {
                const double t = 0.22 + 0.7 * (k + 0.5 + rng.jitter(0.3)) / count;
                const int attach = pointAtFraction(branches[b], t);
                const double theta = rng.range(38.0, 58.0) * kPi / 180.0;
                // Shoots shorten towards the parent's tip.
                const double cap = std::min(maxLength, std::max(minLength, (1.0 - t) * hostLength * 0.9 + 0.4));
                addChild(b, attach, theta, phi, cap, minLength, 0.12);
                phi += kGoldenAngle + rng.jitter(0.2);
            }
        }
    }

    // Fills the remaining rows with twigs on the framework. Each twig takes
    // the candidate shoot whose tip lies farthest from every tip so far, so the
    // leaf clusters spread evenly over the crown.
    void growTwigs(int twigCount)
    {
        struct Candidate {
            int host, attach;
            double theta, phi, length;
            Vec3 tip;
            double gap; // distance to the nearest tip chosen so far
        };
        std::vector<Candidate> candidates;
        for (int b = 1; b < int(branches.size()); ++b) {
            const auto& pts = branches[b].points;
            if (pts.size() < 3) continue;
            const int first = std::max(1, pointAtFraction(branches[b], 0.3));
            for (int k = first; k + 1 < int(pts.size()); ++k)
                for (int trial = 0; trial < 4; ++trial) {
                    Candidate c{b, k, rng.range(35.0, 60.0) * kPi / 180.0, rng.range(0.0, 2 * kPi),
                                params.twigLength * rng.range(0.7, 1.3), {}, 1e9};
                    const Vec3 axis = unit(pts[k + 1] - pts[k]);
                    const Vec3 d = coneDirection(axis, c.theta, c.phi);
                    if (d.y < -0.5) continue; // twigs do not hang straight down
                    c.tip = pts[k] + d * std::min(c.length, 0.97 * crown.reach(pts[k], d, 30.0));
                    candidates.push_back(c);
                }
        }
        if (candidates.empty()) throw std::runtime_error("cannot grow the tree: no place for twigs inside this crown");
        auto nearer = [&](Vec3 tip) {
            for (auto& c : candidates) c.gap = std::min(c.gap, norm(c.tip - tip));
        };
        for (const auto& b : branches) nearer(b.points.back());
        for (int t = 0; t < twigCount; ++t) {
            size_t best = 0;
            for (size_t i = 1; i < candidates.size(); ++i)
                if (candidates[i].gap > candidates[best].gap) best = i;
            const Candidate c = candidates[best];
            const int index = addChild(c.host, c.attach, c.theta, c.phi, c.length, params.tipSegment + 0.15, 0.2);
            nearer(branches[index].points.back());
            candidates[best].gap = -1.0; // used
        }
    }
};

// ---- Order and classes

// Class by length rank among the shoots below the limbs: the longest 4 % are
// "blue", the shortest 30 % "violetred", whatever the crown's size.
int rankClass(double rank)
{
    const double bounds[5] = {0.04, 0.10, 0.20, 0.33, 0.70};
    for (int k = 0; k < 5; ++k)
        if (rank < bounds[k]) return 2 + k;
    return 7;
}

// Parents first, breadth first; children by attach point.
TreeSkeleton renumber(std::vector<SkeletonBranch> grown)
{
    const int n = int(grown.size());
    std::vector<std::vector<int>> kids(n);
    for (int b = 1; b < n; ++b) kids[grown[b].parent].push_back(b);
    for (auto& list : kids)
        std::stable_sort(list.begin(), list.end(), [&](int a, int b) { return grown[a].attachPoint < grown[b].attachPoint; });
    std::vector<int> order{0}, newIndex(n, -1);
    for (size_t q = 0; q < order.size(); ++q)
        for (int c : kids[order[q]]) order.push_back(c);
    for (int k = 0; k < n; ++k) newIndex[order[k]] = k;
    TreeSkeleton tree;
    for (int k = 0; k < n; ++k) {
        SkeletonBranch b = grown[order[k]];
        b.parent = b.parent < 0 ? -1 : newIndex[b.parent];
        b.children.clear();
        for (int c : kids[order[k]]) b.children.push_back(newIndex[c]);
        tree.branches.push_back(std::move(b));
    }
    return tree;
}

double branchLength(const SkeletonBranch& b)
{
    double length = 0.0;
    for (size_t i = 1; i < b.points.size(); ++i) length += norm(b.points[i] - b.points[i - 1]);
    return length;
}

void assignClasses(TreeSkeleton& tree)
{
    const int n = int(tree.branches.size());
    std::vector<int> shoots;
    for (int b = 0; b < n; ++b)
        if (tree.branches[b].level >= 2) shoots.push_back(b);
    std::vector<double> length(n);
    for (int b = 0; b < n; ++b) length[b] = branchLength(tree.branches[b]);
    std::stable_sort(shoots.begin(), shoots.end(), [&](int a, int b) { return length[a] > length[b]; });
    std::vector<int> byRank(n, 7);
    for (size_t k = 0; k < shoots.size(); ++k) byRank[shoots[k]] = rankClass(double(k) / shoots.size());
    // Parents come first, so each parent's class is final when its children are set.
    for (auto& b : tree.branches) {
        const int index = int(&b - tree.branches.data());
        if (b.level == 0) b.colourClass = 0;
        else if (b.level == 1) b.colourClass = 1;
        else b.colourClass = std::min(7, std::max(tree.branches[b.parent].colourClass + 1, byRank[index]));
    }
}

// ---- Radii

// Pipe model: r^e at a point is the sum over the tips beyond it, tapered along
// the branch; a child is never thicker than its parent where it starts.
void assignRadii(TreeSkeleton& tree, const TreeParams& params)
{
    const int n = int(tree.branches.size());
    std::vector<double> tips(n, 1.0);
    for (int b = n - 1; b > 0; --b) tips[tree.branches[b].parent] += tips[b];
    const double e = params.pipeExponent;
    const double unitRadius = params.trunkRadius / std::pow(tips[0], 1.0 / e);
    for (int b = 0; b < n; ++b) {
        SkeletonBranch& br = tree.branches[b];
        const int np = int(br.points.size());
        std::vector<double> beyond(np, 1.0); // tips carried through each point
        for (int c : br.children)
            for (int k = 0; k <= tree.branches[c].attachPoint; ++k) beyond[k] += tips[c];
        std::vector<double> arc(np, 0.0);
        for (int k = 1; k < np; ++k) arc[k] = arc[k - 1] + norm(br.points[k] - br.points[k - 1]);
        br.radii.assign(np, 0.0);
        double limit = 1e9;
        if (br.parent >= 0) limit = 0.85 * tree.branches[br.parent].radii[br.attachPoint];
        const double base = unitRadius * std::pow(beyond[0], 1.0 / e);
        const double fit = std::min(1.0, limit / base);
        // The thinnest shoots still taper, and never outgrow their parent.
        const double floorBase = std::min(kMinRadius, br.parent >= 0 ? tree.branches[br.parent].radii[br.attachPoint] : 1.0);
        for (int k = 0; k < np; ++k) {
            const double taper = 1.0 - 0.45 * arc[k] / arc[np - 1];
            const double floor = std::max(kRadiusFloor + 0.0005, floorBase * (1.0 - 0.2 * arc[k] / arc[np - 1]));
            br.radii[k] = std::max(floor, fit * unitRadius * std::pow(beyond[k], 1.0 / e) * taper);
        }
    }
}

} // namespace

// ---- Entry

TreeSkeleton growTree(const TreeParams& params)
{
    if (params.branchCount < 40 || params.limbs < 3 || params.limbs > 30 || params.height <= params.crownBase + 2.0 ||
        params.crownWidth <= 1.0 || params.segment <= 0.05 || params.tipSegment <= 0.02 ||
        params.trunkPoints < 4 || params.trunkPoints > kMaxPoints)
        throw std::runtime_error("tree parameters out of range");
    if (params.crownShape != "oval" && params.crownShape != "round" && params.crownShape != "cone" &&
        params.crownShape != "column")
        throw std::runtime_error("unknown --crown-shape '" + params.crownShape + "' (oval, round, cone, column)");

    // The framework is grown with densities lowered until the twigs get at
    // least half of the rows.
    for (double density = 1.0; density > 0.05; density *= 0.85) {
        Grower g(params);
        g.growTrunk();
        g.growLimbs();
        g.growLevel(2, 0.8 * density, 3.6, 0.8, 1.0);
        g.growLevel(3, 1.0 * density, 1.7, 0.55, 0.9);
        const int twigs = params.branchCount - int(g.branches.size());
        if (twigs < params.branchCount / 2) continue;
        g.growTwigs(twigs);
        TreeSkeleton tree = renumber(std::move(g.branches));
        assignClasses(tree);
        assignRadii(tree, params);
        return tree;
    }
    throw std::runtime_error("cannot grow the tree in 322 branches with these flags: try fewer --limbs or a longer --segment");
}
