// The frame's geometry as a few large vertex arrays: bark, petioles, leaf
// blades and grass for the textured view, and the planar shadows. Sized once
// from the loaded scene, refilled every frame from the current geometry, and
// handed to OpenGL in a handful of draws (render/batch_draw.cpp). No OpenGL
// here, so the arrays can be checked without a context.
//
// Quad strips become indexed triangles, split along the diagonal Mesa's
// llvmpipe used for the strip (measured: from a strip's first vertex to its
// fourth); the other diagonal shifts thousands of pixels of tube shading.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "data_constants/texture_files.h"
#include "grass/grass_field.h"
#include "math/mat4.h"
#include "math/vec3.h"
#include "wind/wind_settings.h"

struct Scene;
struct ViewState;

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
// Unlit textured vertex (T2F_V3F).
struct TexturedVertex {
    float u, v;
    float x, y, z;
};
struct TexCoord {
    float u, v;
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
// Thin branch-shadow lines by width: 3, 2 and 1 pixels.
constexpr int kShadowLineWidths = 3;

// Quad strips kept as their own vertices, drawn as indexed triangles.
template <class V>
struct StripMesh {
    std::vector<V> vertices;
    std::vector<uint32_t> indices; // triangles

    void clear()
    {
        vertices.clear();
        indices.clear();
    }
    void reserve(size_t strips, int stripVertices)
    {
        vertices.reserve(strips * static_cast<size_t>(stripVertices));
        indices.reserve(strips * static_cast<size_t>(stripVertices > 2 ? stripVertices - 2 : 0) * 3);
    }
    // Appends one strip of count vertices (even): each quad w0, w1, w2, w3
    // as the triangles (w0, w1, w3) and (w0, w3, w2).
    void appendStrip(const V* strip, int count)
    {
        static constexpr int kSplit[6] = {0, 1, 3, 0, 3, 2};
        const uint32_t base = static_cast<uint32_t>(vertices.size());
        vertices.insert(vertices.end(), strip, strip + count);
        for (int v = 0; v + 3 < count; v += 2)
            for (int k : kSplit) indices.push_back(base + static_cast<uint32_t>(v + k));
    }
};

// What never changes once sized: the same for every frame and shared by the
// two sets of a frame pipeline.
struct FixedBatchData {
    std::vector<TexCoord> bladeTexCoords;       // 77 per leaf, as blades
    std::vector<uint32_t> bladeIndices;         // triangles over blades
    std::vector<uint32_t> leafOutlineIndices;   // the outline triangles over leafOutlines
};

// What a set of batches holds: a stand draws its trees without grass and its one lawn without a tree.
enum class BatchParts : uint8_t { all, tree, grass };

struct DrawBatches {
    std::shared_ptr<const FixedBatchData> fixed; // made by sizeDrawBatches; never null after it
    BatchParts parts = BatchParts::all; // set before sizing; the other parts stay empty
    // Grass blades pale toward a sheen colour as they lean away from rest, so a
    // gust reads as a bright band rolling over a wide lawn; off, the colours are the blades' own.
    bool grassSheen = false;
    // Textured view, in drawing order.
    StripMesh<TubeVertex> trunk;       // branch 0, trunk texture
    StripMesh<GrassVertex> grass;      // grouped by texture
    int grassGroupFirst[kGrassGroups + 1] = {}; // indices of group g: [first[g], first[g+1])
    std::vector<uint8_t> grassGroupOf;  // scratch: each blade's group
    StripMesh<TubeVertex> branches;    // branches 1.., branch texture
    std::vector<PlainVertex> blades;   // 77 per leaf, branch by branch, leaf by leaf
    // This frame's blade triangles by the side the eye sees: front faces show
    // the lower surface, back faces the upper. Triangles seen nearly edge-on
    // are in both; OpenGL's culling still decides each pixel.
    std::vector<uint32_t> lowerIndices, upperIndices;
    std::vector<uint8_t> bladeSides;   // scratch: per blade triangle, 1 lower, 2 upper, 3 both
    StripMesh<TexturedVertex> petioles; // petiole texture; drawn unlit, so without normals

    // Shadow pass. Branch shadows and grass strips lie in tree space (grass is
    // flattened by one matrix when drawn); leaf outlines are already flattened.
    std::vector<PlainVertex> branchShadowQuads;
    std::vector<PlainVertex> branchShadowLines[kShadowLineWidths]; // index: 3 - width
    std::vector<OutlineVertex> leafOutlines;      // each leaf's outline corners once, leaf by leaf
    StripMesh<PlainVertex> grassShadow;

    WindSettings wind; // the wind of the moment the frame shows (arrow, overlay): the scene's next step's
};

// Reserves every array for the scene's largest geometry (refined centre lines,
// all leaves, all blades) and fills the fixed blade indices. After this the
// fill functions do not allocate for the same scene.
// share: another set's fixed data, used instead of a copy when it fits.
void sizeDrawBatches(DrawBatches& batches, const Scene& scene,
                     const std::shared_ptr<const FixedBatchData>& share = nullptr);

// Bark, grass, blades and petioles from the current geometry. Empty when the
// tree has no branches (the grass is drawn with the trunk). eye: the camera
// in tree space, which sorts the blade triangles by side; without it every
// triangle goes to both sides.
void fillSceneBatches(DrawBatches& batches, const Scene& scene, const Vec3* eye);

// The camera position in the object space of an OpenGL-order modelview:
// false unless the matrix is affine and keeps handedness (a mirrored or
// degenerate view gets no eye, so nothing is sorted out).
bool eyeInObjectSpace(const Mat4& modelview, Vec3& eye);

// Branch, leaf and grass shadows cast along light (its position); empty for
// a light the ground plane cannot take a shadow from.
void fillShadowBatches(DrawBatches& batches, const Scene& scene, const Vec3& light);

// How many of fixed->leafOutlineIndices the filled outlines use.
size_t leafOutlineIndexCount(const DrawBatches& batches);

// Everything this view draws from arrays, in one pass spread over the step's
// thread pool: the textured view's arrays (blades sorted for the camera in
// tree space) unless the skeleton is shown, and the shadow pass's when
// shadows are. After this the textured view draws without the scene. The
// pool serves one caller at a time: not while a step runs.
void fillViewBatches(DrawBatches& batches, const Scene& scene, const ViewState& view);
