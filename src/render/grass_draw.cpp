#include "render/grass_draw.h"

#include <GL/gl.h>

#include "grass/grass_field.h"
#include "render/render_assets.h"

namespace {

void emitOppositeEdge(const GrassBlade& blade, int j)
{
    const Vec3 o = bladeFarEdge(blade.centre[j], blade.edge[j]);
    glVertex3f(static_cast<float>(o.x), static_cast<float>(o.y), static_cast<float>(o.z));
}

void emitEdge(const GrassBlade& blade, int j)
{
    const Vec3& e = blade.edge[j];
    glVertex3f(static_cast<float>(e.x), static_cast<float>(e.y), static_cast<float>(e.z));
}

} // namespace

void drawGrass(const GrassField& grass, const RenderAssets& assets)
{
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    const int levels = grassLevels(grass);
    if (levels > 0) {
        const float perBlade = static_cast<float>(grass.pointsPerBlade);
        // One pass per texture: every bind ends a batch, so binding once per
        // texture rather than per blade halves the cost. The blades are opaque
        // and depth-tested, so the drawing order does not show.
        for (int pass = 0; pass < kGrassGroups; ++pass) {
            // The last pass takes blades whose index names no texture. A texture
            // that failed to load has no name. Both draw untextured.
            glBindTexture(GL_TEXTURE_2D, pass < kGrassTextureCount ? assets.grassTextures[pass].glName() : 0u);
            for (int i = 0; i < grass.bladeCount; ++i) {
                const GrassBlade& blade = grass.blades[i];
                if (grassTextureGroup(blade) != pass) continue;
                glColor3f(static_cast<float>(blade.colour.x), static_cast<float>(blade.colour.y),
                          static_cast<float>(blade.colour.z));
                glBegin(GL_QUAD_STRIP);
                for (int j = 0; j < levels; ++j) {
                    const float t = static_cast<float>(j) / perBlade;
                    glTexCoord2f(0.0f, t);
                    emitOppositeEdge(blade, j);
                    glTexCoord2f(1.0f, t);
                    emitEdge(blade, j);
                }
                glEnd();
            }
        }
    }
}
