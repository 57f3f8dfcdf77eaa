// The leaf blade the generator writes: a toothed outline, triangulated,
// its vertices numbered.
//
// Sections, in order:
//   Outline: OutlineCurve, sideMargin
//   Triangulation: stripBetween, layMargins, layInterior, triangulate
//   Numbering: numberSide, anchorTargets, finalNumbers
//   Mesh: buildLeafMesh
#include "leaf_mesh.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <stdexcept>
#include <vector>

// ---- Outline

namespace {

struct P2 {
    double x, y;
};

constexpr double kPi = 3.14159265358979323846;
constexpr int kRightMargin = 27;  // margin vertices between base and apex, +x side
constexpr int kLeftMargin = 28;   // the same on the -x side
constexpr int kSmoothRight = 3;   // untoothed basal margin, +x side
constexpr int kSmoothLeft = 4;    // untoothed basal margin, -x side
constexpr int kInnerChain = 7;    // interior vertices between margin and midrib, per side
constexpr int kMidrib = 6;        // interior vertices on the midrib
constexpr int kBase = 0, kApex = 17;
constexpr int kMidribLower = 54, kMidribUpper = 56; // midrib slots 1 and 3

// Right half of the outline in blade lengths, base to apex: a broad,
// nearly truncate base widening to a corner low on the blade, then almost
// straight sides to an acuminate apex.
const P2 kOutline[] = {{0.0, 0.0},    {0.16, 0.015}, {0.32, 0.05},  {0.43, 0.12},  {0.46, 0.2},
                       {0.43, 0.3},   {0.375, 0.42}, {0.305, 0.55}, {0.225, 0.68}, {0.145, 0.8},
                       {0.07, 0.9},   {0.025, 0.96}, {0.0, 1.0}};

// Dense arc-length table of the outline (Catmull-Rom through kOutline).
struct OutlineCurve {
    std::vector<P2> pts;
    std::vector<double> arc; // normalised 0..1

    OutlineCurve()
    {
        const int n = int(std::size(kOutline));
        auto at = [&](int i) { return kOutline[std::clamp(i, 0, n - 1)]; };
        for (int seg = 0; seg + 1 < n; ++seg) {
            const P2 p0 = at(seg - 1), p1 = at(seg), p2 = at(seg + 1), p3 = at(seg + 2);
            for (int k = 0; k < 200; ++k) {
                const double t = k / 200.0, t2 = t * t, t3 = t2 * t;
                auto cr = [&](double a, double b, double c, double d) {
                    return 0.5 * (2 * b + (-a + c) * t + (2 * a - 5 * b + 4 * c - d) * t2 + (-a + 3 * b - 3 * c + d) * t3);
                };
                pts.push_back({cr(p0.x, p1.x, p2.x, p3.x), cr(p0.y, p1.y, p2.y, p3.y)});
            }
        }
        pts.push_back(kOutline[n - 1]);
        arc.assign(pts.size(), 0.0);
        for (size_t i = 1; i < pts.size(); ++i)
            arc[i] = arc[i - 1] + std::hypot(pts[i].x - pts[i - 1].x, pts[i].y - pts[i - 1].y);
        for (double& a : arc) a /= arc.back();
    }

    // Point and unit tangent at arc fraction s.
    void sample(double s, P2& point, P2& tangent) const
    {
        const size_t i = std::min<size_t>(std::upper_bound(arc.begin(), arc.end(), s) - arc.begin(), pts.size() - 1);
        const size_t j = i == 0 ? 1 : i;
        const double f = (s - arc[j - 1]) / std::max(arc[j] - arc[j - 1], 1e-12);
        point = {pts[j - 1].x + f * (pts[j].x - pts[j - 1].x), pts[j - 1].y + f * (pts[j].y - pts[j - 1].y)};
        const double len = std::hypot(pts[j].x - pts[j - 1].x, pts[j].y - pts[j - 1].y);
        tangent = {(pts[j].x - pts[j - 1].x) / len, (pts[j].y - pts[j - 1].y) / len};
    }

    // Half width at height y (the outline rises monotonically).
    double halfWidth(double y) const
    {
        for (size_t i = 1; i < pts.size(); ++i)
            if (pts[i].y >= y) {
                const double f = (y - pts[i - 1].y) / std::max(pts[i].y - pts[i - 1].y, 1e-12);
                return pts[i - 1].x + f * (pts[i].x - pts[i - 1].x);
            }
        return 0.0;
    }
};

// Margin points of the +x side between base and apex (exclusive), in blade
// lengths: a smooth basal stretch, then sinus/tip pairs whose tips lean
// towards the apex.
std::vector<P2> sideMargin(const OutlineCurve& curve, int count, int smooth, double depth, std::vector<bool>& outer)
{
    outer.clear();
    const double sSmooth = 0.2, sEnd = 0.97;
    const int teeth = (count - smooth) / 2;
    if (smooth + 2 * teeth != count) throw std::logic_error("leaf margin: odd tooth count");
    std::vector<P2> out;
    P2 p, t;
    for (int k = 1; k <= smooth; ++k) {
        curve.sample(sSmooth * k / (smooth + 0.5), p, t);
        out.push_back(p);
        outer.push_back(true);
    }
    const double step = (sEnd - sSmooth) / teeth;
    for (int j = 0; j < teeth; ++j) {
        const double s0 = sSmooth + j * step;
        const double amp = depth * (1.0 - 0.55 * (s0 - sSmooth) / (sEnd - sSmooth));
        curve.sample(s0 + 0.1 * step, p, t); // sinus, pulled in along the inward normal
        out.push_back({p.x - t.y * 0.5 * amp, p.y + t.x * 0.5 * amp});
        outer.push_back(false);
        curve.sample(s0 + 0.75 * step, p, t); // rounded tooth, pushed out
        out.push_back({p.x + t.y * 0.5 * amp, p.y - t.x * 0.5 * amp});
        outer.push_back(true);
    }
    return out;
}

// ---- Triangulation

double cross2(P2 o, P2 a, P2 b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); }

// Triangulates the band between two chains sharing their end vertices:
// right runs base..apex on the +x side of left. Adds counter-clockwise faces.
void stripBetween(const std::vector<int>& right, const std::vector<int>& left, const std::vector<P2>& at,
                  std::vector<std::array<int, 3>>& faces)
{
    // Both chains hold at least one vertex between the shared ends.
    faces.push_back({right[0], right[1], left[1]});
    size_t i = 1, j = 1;
    const size_t ri = right.size() - 2, lj = left.size() - 2;
    while (i < ri || j < lj) {
        bool advanceRight;
        if (i == ri) advanceRight = false;
        else if (j == lj) advanceRight = true;
        else {
            const P2 r0 = at[right[i]], r1 = at[right[i + 1]], l0 = at[left[j]], l1 = at[left[j + 1]];
            const double dRight = std::hypot(r1.x - l0.x, r1.y - l0.y);
            const double dLeft = std::hypot(l1.x - r0.x, l1.y - r0.y);
            advanceRight = dRight <= dLeft;
            // Never take a folded triangle when the other choice is sound.
            if (advanceRight && cross2(r0, r1, l0) <= 0 && cross2(r0, l1, l0) > 0) advanceRight = false;
            if (!advanceRight && cross2(r0, l1, l0) <= 0 && cross2(r0, r1, l0) > 0) advanceRight = true;
        }
        if (advanceRight) {
            faces.push_back({right[i], right[i + 1], left[j]});
            ++i;
        } else {
            faces.push_back({right[i], left[j + 1], left[j]});
            ++j;
        }
    }
    faces.push_back({right[ri], right[ri + 1], left[lj]});
}

// The blade's vertices in working order and the chains that run through
// them. Working ids: 0 base, 1..27 right margin, 28 apex, 29..56 left margin
// (apex to base), then the interior chains. Renumbered at the end.
struct BladeLayout {
    std::vector<P2> at;                      // vertex positions in blade lengths, by working id
    std::vector<bool> rightOuter, leftOuter; // tooth tips and smooth margin, base to apex
    int apexId = 0;                          // working id of the apex
    std::vector<int> rightMargin, leftMargin;        // base .. apex along each margin
    std::vector<int> rightInner, leftInner, midrib;  // base .. apex through the interior
};

void layMargins(const OutlineCurve& curve, double toothDepth, BladeLayout& b)
{
    b.at.push_back({0.0, 0.0});
    for (P2 p : sideMargin(curve, kRightMargin, kSmoothRight, toothDepth, b.rightOuter)) b.at.push_back(p);
    b.apexId = int(b.at.size());
    b.at.push_back({0.0, 1.0});
    std::vector<P2> leftSide = sideMargin(curve, kLeftMargin, kSmoothLeft, toothDepth, b.leftOuter);
    for (auto it = leftSide.rbegin(); it != leftSide.rend(); ++it) b.at.push_back({-it->x, it->y});
    const int marginCount = int(b.at.size());

    b.rightMargin = {0};
    b.leftMargin = {0};
    for (int k = 1; k <= kRightMargin; ++k) b.rightMargin.push_back(k);
    b.rightMargin.push_back(b.apexId);
    for (int k = marginCount - 1; k > b.apexId; --k) b.leftMargin.push_back(k);
    b.leftMargin.push_back(b.apexId);
}

// Interior: an inner chain half way to the margin on each side, and the midrib.
void layInterior(const OutlineCurve& curve, BladeLayout& b)
{
    b.rightInner = {0};
    b.leftInner = {0};
    b.midrib = {0};
    for (int k = 1; k <= kInnerChain; ++k) {
        const double y = double(k) / (kInnerChain + 1);
        const double x = 0.5 * curve.halfWidth(y);
        b.rightInner.push_back(int(b.at.size()));
        b.at.push_back({x, y});
        b.leftInner.push_back(int(b.at.size()));
        b.at.push_back({-x, y});
    }
    for (int k = 1; k <= kMidrib; ++k) {
        b.midrib.push_back(int(b.at.size()));
        b.at.push_back({0.0, double(k) / (kMidrib + 1)});
    }
    for (auto* chain : {&b.rightInner, &b.leftInner, &b.midrib}) chain->push_back(b.apexId);
    if (int(b.at.size()) != kBladeVertices) throw std::logic_error("leaf mesh: vertex count");
}

std::vector<std::array<int, 3>> triangulate(const BladeLayout& b)
{
    std::vector<std::array<int, 3>> faces;
    stripBetween(b.rightMargin, b.rightInner, b.at, faces);
    stripBetween(b.rightInner, b.midrib, b.at, faces);
    stripBetween(b.midrib, b.leftInner, b.at, faces);
    stripBetween(b.leftInner, b.leftMargin, b.at, faces);
    if (int(faces.size()) != kBladeFaces) throw std::logic_error("leaf mesh: face count");
    return faces;
}

// ---- Numbering

// Numbers margin points of one side: ids run away from the side's first
// anchor; targets[k] is the wanted position (fraction of the side) of number
// firstNumber + k. Anchor numbers go to outer points only.
void numberSide(const std::vector<int>& ids, const std::vector<bool>& outer, int firstNumber,
                const std::vector<double>& targets, const std::set<int>& anchorNumbers, std::vector<int>& number)
{
    const int n = int(ids.size()), m = int(targets.size());
    int prev = -1;
    for (int k = 0; k < m; ++k) {
        const int lo = prev + 1, hi = n - (m - k);
        int best = lo;
        const bool anchor = anchorNumbers.count(firstNumber + k) != 0;
        if (anchor)
            while (best < hi && !outer[best]) ++best;
        for (int c = lo; c <= hi; ++c)
            if ((!anchor || outer[c]) && std::abs((c + 1.0) / (n + 1) - targets[k]) < std::abs((best + 1.0) / (n + 1) - targets[k])) best = c;
        number[ids[best]] = firstNumber + k;
        prev = best;
    }
}

// Positions of numbers 1..count along a side, interpolated between anchors.
std::vector<double> anchorTargets(const std::vector<std::pair<int, double>>& anchors, int count)
{
    std::vector<double> out;
    for (int k = 1; k <= count; ++k)
        for (size_t a = 1; a < anchors.size(); ++a)
            if (k <= anchors[a].first) {
                const double f = double(k - anchors[a - 1].first) / (anchors[a].first - anchors[a - 1].first);
                out.push_back(anchors[a - 1].second + f * (anchors[a].second - anchors[a - 1].second));
                break;
            }
    return out;
}

// Final numbers. The outline anchors sit at fixed arc fractions of each
// side; other margin points of a side fill the numbers between anchors in
// order, the rest take the free numbers from 34 up.
std::vector<int> finalNumbers(const BladeLayout& b)
{
    std::vector<int> number(kBladeVertices, -1);
    number[0] = kBase;
    number[b.apexId] = kApex;
    number[b.midrib[2]] = kMidribLower;
    number[b.midrib[4]] = kMidribUpper;
    // Anchor fractions along a side, base to apex: 1,2 mid base, 4 at the
    // corner, 7, 10, 14 up the side, 16 below the apex.
    const std::vector<std::pair<int, double>> anchors = {{0, 0.0},  {1, 0.1},  {2, 0.14}, {4, 0.27}, {7, 0.44},
                                                         {10, 0.6}, {14, 0.8}, {16, 0.92}};
    {
        std::vector<int> ids(b.rightMargin.begin() + 1, b.rightMargin.end() - 1);
        numberSide(ids, b.rightOuter, 1, anchorTargets(anchors, 16), {4, 7, 10, 14, 16}, number);
    }
    {
        // Left side numbered from the apex down: 18 mirrors 16, 31 the corner, 33 mirrors 2.
        std::vector<int> ids(b.leftMargin.rbegin() + 1, b.leftMargin.rend() - 1);
        const std::vector<std::pair<int, double>> fromApex = {{0, 0.0},  {1, 0.08},  {3, 0.2}, {7, 0.4},
                                                              {10, 0.56}, {14, 0.73}, {16, 0.86}};
        const std::vector<bool> outerFromApex(b.leftOuter.rbegin(), b.leftOuter.rend());
        numberSide(ids, outerFromApex, 18, anchorTargets(fromApex, 16), {18, 20, 24, 27, 31}, number);
    }
    int nextFree = 34;
    auto takeFree = [&] {
        while (nextFree == kMidribLower || nextFree == kMidribUpper) ++nextFree;
        return nextFree++;
    };
    for (int id = 0; id < kBladeVertices; ++id)
        if (number[id] < 0) number[id] = takeFree();
    return number;
}

} // namespace

// ---- Mesh

LeafMesh buildLeafMesh(const LeafParams& params)
{
    const OutlineCurve curve;
    const double L = params.bladeLength;
    const double widthScale = params.widthRatio / 0.92; // kOutline spans 0.92 blade lengths

    BladeLayout layout;
    layMargins(curve, params.toothDepth, layout);
    layInterior(curve, layout);
    for (P2& p : layout.at) p.x *= widthScale;
    const std::vector<std::array<int, 3>> faces = triangulate(layout);
    const std::vector<int> number = finalNumbers(layout);

    LeafMesh mesh;
    const double petioleLength = params.petioleRatio * L;
    const double bend = std::tan(params.petioleBendDeg * kPi / 180.0) * 0.2 * petioleLength / std::sin(0.2 * kPi);
    for (int k = 0; k < kPetiolePoints; ++k) {
        const double t = k / 5.0;
        // An arch towards the lower side that meets the blade base in its plane.
        mesh.petiole[k] = {0.0, t * petioleLength, bend * std::sin(kPi * t), params.petioleRadius * (1.0 - 0.25 * t)};
    }
    for (int id = 0; id < kBladeVertices; ++id) {
        const P2 p = layout.at[id];
        const double z = -params.cup * p.x * p.x + params.droop * p.y * p.y;
        mesh.position[number[id]] = {p.x * L, petioleLength + p.y * L, z * L};
        // Texture square of one blade length: midrib on u = 0.5, v from base to apex.
        mesh.texCoord[number[id]] = {0.5 + p.x, p.y};
    }
    for (int f = 0; f < kBladeFaces; ++f)
        mesh.faces[f] = {number[faces[f][0]], number[faces[f][1]], number[faces[f][2]]};
    return mesh;
}
