#include "render/batch_draw.h"

#include <GL/gl.h>

#include "batch/draw_batches.h"
#include "math/planar_shadow.h"
#include "render/render_assets.h"

namespace {

GLsizei count(size_t n) { return static_cast<GLsizei>(n); }

void bind(const Texture& texture) { glBindTexture(GL_TEXTURE_2D, texture.glName()); }

void drawTriangles(const std::vector<uint32_t>& indices, size_t first, size_t n, size_t vertexCount)
{
    if (n == 0 || vertexCount == 0) return;
    glDrawRangeElements(GL_TRIANGLES, 0, static_cast<GLuint>(vertexCount - 1), count(n), GL_UNSIGNED_INT,
                        indices.data() + first);
}

GLenum interleavedFormat(const TubeVertex*) { return GL_T2F_N3F_V3F; }
GLenum interleavedFormat(const TexturedVertex*) { return GL_T2F_V3F; }

// Textured tube strips, lit-capable when they carry normals. Their front
// faces point outward; with cullInside the inner faces are left out, which
// only shows through a tube's open ends.
template <class V>
void drawTubes(const StripMesh<V>& mesh, bool cullInside)
{
    if (mesh.indices.empty()) return;
    glInterleavedArrays(interleavedFormat(mesh.vertices.data()), 0, mesh.vertices.data());
    if (cullInside) {
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
    }
    drawTriangles(mesh.indices, 0, mesh.indices.size(), mesh.vertices.size());
    if (cullInside) glDisable(GL_CULL_FACE);
}

void drawPlain(GLenum mode, const std::vector<PlainVertex>& vertices)
{
    if (vertices.empty()) return;
    glInterleavedArrays(GL_V3F, 0, vertices.data());
    glDrawArrays(mode, 0, count(vertices.size()));
}

} // namespace

void drawSceneBatches(const DrawBatches& batches, const RenderAssets& assets)
{
    glEnable(GL_TEXTURE_2D);
    if (batches.trunk.indices.empty() && batches.grass.indices.empty() && batches.branches.indices.empty() &&
        batches.petioles.indices.empty())
        return;
    // Entered lit (as the ground leaves it): the trunk is lit.
    bind(assets.sceneTextures[kTrunkTexture]);
    // The trunk keeps its inside: its top and base are wide enough to look into.
    drawTubes(batches.trunk, false);

    glDisable(GL_LIGHTING);
    if (!batches.grass.indices.empty()) {
        glInterleavedArrays(GL_T2F_C3F_V3F, 0, batches.grass.vertices.data());
        for (int g = 0; g < kGrassGroups; ++g) {
            const int first = batches.grassGroupFirst[g];
            const int n = batches.grassGroupFirst[g + 1] - first;
            if (n <= 0) continue;
            // The last group's blades name no texture; a texture that failed to load has no name.
            glBindTexture(GL_TEXTURE_2D, g < kGrassTextureCount ? assets.grassTextures[g].glName() : 0u);
            drawTriangles(batches.grass.indices, static_cast<size_t>(first), static_cast<size_t>(n),
                          batches.grass.vertices.size());
        }
        glDisableClientState(GL_COLOR_ARRAY);
    }
    // Colour material tracks the current colour: the bark is white, not the last blade's green.
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);

    glEnable(GL_LIGHTING);
    bind(assets.sceneTextures[kBranchTexture]);
    // Branch and petiole ends are a pixel or two across; skipping their inner
    // faces halves what the rasteriser bins for them (time and memory).
    drawTubes(batches.branches, true);

    // Blades are unlit; each side shows its own texture, chosen by culling.
    glDisable(GL_LIGHTING);
    if (!batches.blades.empty() && batches.fixed && batches.fixed->bladeTexCoords.size() == batches.blades.size()) {
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_COLOR_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glEnableClientState(GL_VERTEX_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, 0, batches.fixed->bladeTexCoords.data());
        glVertexPointer(3, GL_FLOAT, 0, batches.blades.data());
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
        bind(assets.sceneTextures[kLeafLowerTexture]);
        drawTriangles(batches.lowerIndices, 0, batches.lowerIndices.size(), batches.blades.size());
        glCullFace(GL_FRONT);
        bind(assets.sceneTextures[kLeafUpperTexture]);
        drawTriangles(batches.upperIndices, 0, batches.upperIndices.size(), batches.blades.size());
        glDisable(GL_CULL_FACE);
    }

    // Petioles stay unlit, as they always were after their blade.
    bind(assets.sceneTextures[kPetioleTexture]);
    drawTubes(batches.petioles, true);

    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnable(GL_LIGHTING);
}

void drawShadowBatches(const DrawBatches& batches, const Vec3& light)
{
    // A light in the ground plane casts no shadow onto it; skip the frame.
    if (!shadowLightUsable(light)) return;
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glColor3f(kShadowColour[0], kShadowColour[1], kShadowColour[2]);
    drawPlain(GL_QUADS, batches.branchShadowQuads);
    for (int w = 0; w < kShadowLineWidths; ++w) {
        if (batches.branchShadowLines[w].empty()) continue;
        glLineWidth(static_cast<float>(3 - w));
        drawPlain(GL_LINES, batches.branchShadowLines[w]);
    }
    glLineWidth(1.0f);

    if (!batches.leafOutlines.empty() && batches.fixed) {
        const GLsizei stride = sizeof(OutlineVertex);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(3, GL_FLOAT, stride, &batches.leafOutlines[0].r);
        glVertexPointer(4, GL_FLOAT, stride, &batches.leafOutlines[0].x);
        drawTriangles(batches.fixed->leafOutlineIndices, 0, leafOutlineIndexCount(batches), batches.leafOutlines.size());
        glDisableClientState(GL_COLOR_ARRAY);
    }

    const Mat4 flatten = shadowMatrix(light, 0.05);
    glPushMatrix();
    glMultMatrixd(flatten.m);
    glColor3f(kShadowColour[0], kShadowColour[1], kShadowColour[2]);
    if (!batches.grassShadow.indices.empty()) {
        glInterleavedArrays(GL_V3F, 0, batches.grassShadow.vertices.data());
        drawTriangles(batches.grassShadow.indices, 0, batches.grassShadow.indices.size(),
                      batches.grassShadow.vertices.size());
    }
    glPopMatrix();
    glDisableClientState(GL_VERTEX_ARRAY);
}
