// The blade triangles and the shadow outline of the leaf template as plain
// vertex streams, without OpenGL: the frame's arrays (batch/) are built from
// the same faces and colours, tests check them.
#pragma once
#include "tree/leaf_template.h"

constexpr double kShadowOutlineScale = 1.2;
// Outline colours: the blade tip and stem corners (0, 54, 56) are darker.
inline constexpr float kOutlineCornerColour[3] = {0.14509805f, 0.1882353f, 0.08627451f};
inline constexpr float kOutlineColour[3] = {0.1764706f, 0.22745098f, 0.10588235f};

// The outline colour at template vertex k.
inline const float* outlineColour(int k) { return k == 0 || k == 54 || k == 56 ? kOutlineCornerColour : kOutlineColour; }

// A face whose indices leave 0..76 is skipped: it would read past the template.
inline bool bladeFaceValid(const int32_t face[3])
{
    for (int i = 0; i < 3; ++i)
        if (face[i] < 0 || face[i] >= kBladeVertices) return false;
    return true;
}

// sink.vertex(u, v, x, y, z) for the three corners of every valid face.
template <class Sink>
void emitBladeTriangles(const LeafTemplate& tmpl, Sink& sink)
{
    for (const auto& face : tmpl.bladeFaces) {
        if (!bladeFaceValid(face)) continue;
        for (int i = 0; i < 3; ++i) {
            const int k = face[i];
            const Vec3& p = tmpl.bladeVertices[k];
            sink.vertex(static_cast<float>(tmpl.bladeTexCoords[k][0]), static_cast<float>(tmpl.bladeTexCoords[k][1]),
                        static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z));
        }
    }
}

// sink.vertex(rgb, x, y, z) for the 16 outline faces, blade vertices x 1.2.
template <class Sink>
void emitShadowOutline(const LeafTemplate& tmpl, Sink& sink)
{
    for (const auto& face : shadowOutlineFaces) {
        for (int i = 0; i < 3; ++i) {
            const int k = face[i];
            const Vec3& p = tmpl.bladeVertices[k];
            sink.vertex(outlineColour(k), static_cast<float>(p.x * kShadowOutlineScale),
                        static_cast<float>(p.y * kShadowOutlineScale), static_cast<float>(p.z * kShadowOutlineScale));
        }
    }
}
