// The frame's geometry as a few large vertex arrays: bark, petioles, leaf
// blades and grass for the textured view, and the planar shadows. Sized once
// from the loaded scene, refilled every frame from the current geometry, and
// handed to OpenGL in a handful of draws (render/batch_draw.cpp). No OpenGL
// here, so the arrays can be checked without a context.
//
// Quad strips become separate quads, in the vertex order that makes Mesa's
// llvmpipe split each quad along the same diagonal as it split the strip;
// another order moves the diagonal and shifts thousands of pixels of shading.
// Which order that is was measured, not derived: strips of the tubes (with
// normals) and of the grass (with colours) need different ones.
#pragma once
#include <cstdint>
#include <vector>

#include "formats/texture_files.h"
#include "grass/grass_field.h"
#include "math/vec3.h"

struct Scene;

// Layouts match OpenGL's interleaved formats (T2F_N3F_V3F, T2F_C3F_V3F, T2F_V3F).
struct TubeVertex {
    float u, v;
    float nx, ny, nz;
    float x, y, z;
};
struct GrassVertex {
    float u, v;
    float r, g, b;
    float x, y, z;
};
struct BladeVertex {
    float u, v;
    float x, y, z;
};
// Leaf shadow outline: colour and a homogeneous position (the flattening
// matrix leaves w = Ly).
struct OutlineVertex {
    float r, g, b;
    float x, y, z, w;
};
struct PlainVertex {
    float x, y, z;
};

constexpr int kTrunkSides = 16;
constexpr int kBranchSides = 8;
constexpr int kPetioleSides = 3;
// Grass groups: one per texture, and a last one for blades whose index names none.
constexpr int kGrassGroups = kGrassTextureCount + 1;
// Thin branch-shadow lines by width: 3, 2 and 1 pixels.
constexpr int kShadowLineWidths = 3;

struct DrawBatches {
    // Textured view, in drawing order.
    std::vector<TubeVertex> trunk;     // branch 0, quads, trunk texture
    std::vector<GrassVertex> grass;    // quads, grouped by texture
    int grassGroupFirst[kGrassGroups + 1] = {}; // group g is [first[g], first[g+1])
    std::vector<TubeVertex> branches;  // branches 1.., quads, branch texture
    std::vector<BladeVertex> blades;   // 77 per leaf, branch by branch, leaf by leaf
    std::vector<uint32_t> bladeIndices; // triangles over blades; fixed once sized
    std::vector<TubeVertex> petioles;  // quads, petiole texture

    // Shadow pass. Branch shadows and grass strips lie in tree space (grass is
    // flattened by one matrix when drawn); leaf outlines are already flattened.
    std::vector<PlainVertex> branchShadowQuads;
    std::vector<PlainVertex> branchShadowLines[kShadowLineWidths]; // index: 3 - width
    std::vector<OutlineVertex> leafOutlines;
    std::vector<PlainVertex> grassShadow; // quads
};

// Reserves every array for the scene's largest geometry (refined centre lines,
// all leaves, all blades) and fills the fixed blade indices. After this the
// fill functions do not allocate for the same scene.
void sizeDrawBatches(DrawBatches& batches, const Scene& scene);

// Bark, grass, blades and petioles from the current geometry. Empty when the
// tree has no branches (the grass is drawn with the trunk).
void fillSceneBatches(DrawBatches& batches, const Scene& scene);

// Branch, leaf and grass shadows cast along light (its position); empty for
// a light the ground plane cannot take a shadow from.
void fillShadowBatches(DrawBatches& batches, const Scene& scene, const Vec3& light);

// For a strip's vertices w0, w1, w2, w3 (then w2 .. w5, ...):
enum class QuadOrder {
    Rotated, // (w2, w0, w1, w3): grass blades and their shadows
    Natural, // (w0, w1, w3, w2): tubes
};

// Appends the quads of one strip of count vertices (even).
template <class V>
void appendStripAsQuads(std::vector<V>& out, const V* strip, int count, QuadOrder order)
{
    static constexpr int kOrder[2][4] = {{2, 0, 1, 3}, {0, 1, 3, 2}};
    const int* o = kOrder[order == QuadOrder::Natural ? 1 : 0];
    for (int v = 0; v + 3 < count; v += 2)
        for (int i = 0; i < 4; ++i) out.push_back(strip[v + o[i]]);
}
