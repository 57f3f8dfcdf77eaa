// Ring geometry of a tube around a polyline, without OpenGL: drawTube feeds
// the emitted strips to GL, tests feed them to a recorder.
#pragma once
#include "math/vec3.h"

constexpr int kMaxTubeSides = 16;

// Directions (unit normals) and vertices of one ring.
struct TubeRing {
    Vec3 directions[kMaxTubeSides];
    Vec3 vertices[kMaxTubeSides];
};

// cos/sin of the ring angles and the u coordinate of each side.
struct TubeAngles {
    int sides = 0;
    double cosines[kMaxTubeSides] = {};
    double sines[kMaxTubeSides] = {};
    double u[kMaxTubeSides] = {};
};

// sides is clamped to 1..kMaxTubeSides.
void makeTubeAngles(int sides, TubeAngles& angles);
// Reference vector U chosen from the first segment direction.
Vec3 tubeReference(const Vec3& firstDirection);
// Initial frame (V, W) of the first ring.
void tubeInitialFrame(const Vec3& firstDirection, Vec3& v, Vec3& w);
// Carries (V, W) onto the plane perpendicular to next.
void tubePropagateFrame(const Vec3& next, Vec3& v, Vec3& w);
void tubeBuildRing(const Vec3& centre, double thickness, const Vec3& v, const Vec3& w, const TubeAngles& angles,
                   TubeRing& ring);

// Walks the tube of n points and hands each segment's quad strip to sink:
// sink.beginStrip(), then 2*sides+2 calls of
// sink.vertex(const Vec3& normal, double u, double v, const Vec3& position), then sink.endStrip().
// Everything lives on the stack; nothing is allocated.
template <class Sink>
void traceTube(int n, const Vec3* points, const double* thickness, int sides, Sink& sink)
{
    if (n - 1 <= 0) return;
    TubeAngles angles;
    makeTubeAngles(sides, angles);
    const int s = angles.sides;
    Vec3 v, w;
    tubeInitialFrame(sub(points[1], points[0]), v, w);
    TubeRing rings[2];
    int start = 0;
    tubeBuildRing(points[0], thickness[0], v, w, angles, rings[start]);
    const double last = static_cast<double>(n - 1);
    for (int k = 0; k <= n - 2; ++k) {
        const Vec3 next = k < n - 2 ? sub(points[k + 2], points[k + 1]) : sub(points[k + 1], points[k]);
        tubePropagateFrame(next, v, w);
        TubeRing& a = rings[start];
        TubeRing& b = rings[1 - start];
        tubeBuildRing(points[k + 1], thickness[k + 1], v, w, angles, b);
        const double vEnd = (k + 1) / last;
        const double vStart = k / last;
        sink.beginStrip();
        for (int i = 0; i < s; ++i) {
            sink.vertex(b.directions[i], angles.u[i], vEnd, b.vertices[i]);
            sink.vertex(a.directions[i], angles.u[i], vStart, a.vertices[i]);
        }
        sink.vertex(b.directions[0], 1.0, vEnd, b.vertices[0]);
        sink.vertex(a.directions[0], 1.0, vStart, a.vertices[0]);
        sink.endStrip();
        start = 1 - start;
    }
}
