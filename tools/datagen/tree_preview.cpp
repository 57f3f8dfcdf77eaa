// Preview of the skeleton: front (x-y) and side (z-y) views with the branches
// drawn at their ring radius and coloured by class, and a front view with the
// leaf clusters; the default camera's frame is outlined.
#include <algorithm>
#include <cmath>

#include "preview_canvas.h"
#include "tree_skeleton.h"

namespace {

const Rgb kClassColours[8] = {rgb255(220, 30, 30),   rgb255(30, 160, 30),  rgb255(40, 60, 230),   rgb255(0, 220, 120),
                              rgb255(220, 0, 220),   rgb255(255, 160, 0),  rgb255(110, 190, 235), rgb255(200, 30, 140)};

struct Segment {
    double depth;
    double x0, y0, r0, x1, y1, r1;
    Rgb colour;
};

} // namespace

bool writeTreePreview(const std::string& path, const TreeSkeleton& tree, const TreeParams&)
{
    const int panel = 480, height = 640;
    PreviewCanvas canvas(3 * panel, height, rgb255(245, 245, 240));
    const double scale = 44.0;               // pixels per model unit
    const double groundY = height - 40.0;
    // Default view: eye (0, 2, 12) at (0, 2, 0), 60 degrees vertical, 4:3, tree base at y = -4.5.
    const double halfH = 12.0 * std::tan(30.0 * 3.14159265358979 / 180.0);
    // Top edge of the default view at the leader (the bottom edge lies below the ground).
    const double viewTop = groundY - scale * (2.0 + 4.5 + halfH);
    for (int p = 0; p < 3; ++p) {
        canvas.drawLine(p * panel + 5, groundY, (p + 1) * panel - 5, groundY, rgb255(120, 100, 80));
        canvas.drawLine(p * panel + 5, viewTop, (p + 1) * panel - 5, viewTop, rgb255(170, 170, 170));
        for (int y = 0; y < height; ++y) canvas.set(p * panel, y, rgb255(0, 0, 0));
    }

    for (int view = 0; view < 3; ++view) {
        std::vector<Segment> segments;
        const double cx = view * panel + panel / 2.0;
        for (const auto& b : tree.branches)
            for (size_t k = 0; k + 1 < b.points.size(); ++k) {
                const Vec3 &a = b.points[k], &c = b.points[k + 1];
                const double ax = view == 1 ? a.z : a.x, cxp = view == 1 ? c.z : c.x;
                const double depth = view == 1 ? -(a.x + c.x) : -(a.z + c.z);
                // The drawn ring radius is half the radius column.
                segments.push_back({depth, cx + scale * ax, groundY - scale * a.y, scale * 0.5 * b.radii[k],
                                    cx + scale * cxp, groundY - scale * c.y, scale * 0.5 * b.radii[k + 1],
                                    view == 2 ? rgb255(105, 80, 60) : kClassColours[b.colourClass]});
            }
        std::stable_sort(segments.begin(), segments.end(), [](const Segment& a, const Segment& b) { return a.depth < b.depth; });
        for (const auto& s : segments) canvas.fillCapsule(s.x0, s.y0, s.r0, s.x1, s.y1, s.r1, s.colour);
        if (view != 2) continue;
        // Six leaves along each last segment, growing towards the tip.
        for (const auto& b : tree.branches) {
            const Vec3 &p = b.points[b.points.size() - 2], &q = b.points.back();
            for (int j = 0; j < 6; ++j) {
                const double t = j / 5.0, s = 0.5 + 0.5 * j / 6.0;
                const double x = p.x + t * (q.x - p.x), y = p.y + t * (q.y - p.y);
                const int g = 120 + 15 * j;
                canvas.fillDisc(cx + scale * x, groundY - scale * (y + 0.3 * s), scale * 0.22 * s, rgb255(40, g, 40));
            }
        }
    }
    return canvas.save(path);
}
