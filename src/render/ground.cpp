#include "render/ground.h"

#include <GL/gl.h>

#include "data_constants/scene_look.h"
#include "render/render_assets.h"

void drawGround(const RenderAssets& assets, int tilesPerSide)
{
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, assets.sceneTextures[kGroundTexture].glName());
    const float y = static_cast<float>(kGroundY);
    const float half = 12.5f * static_cast<float>(tilesPerSide); // 100 for the 8 x 8 square
    for (int i = 0; i < tilesPerSide; ++i) {
        for (int j = 0; j < tilesPerSide; ++j) {
            const float x0 = 25.0f * i - half;
            const float x1 = 25.0f * (i + 1) - half;
            const float z0 = 25.0f * j - half;
            const float z1 = 25.0f * (j + 1) - half;
            glBegin(GL_QUADS);
            glTexCoord2f(0.0f, 0.0f);
            glVertex3f(x0, y, z0);
            glTexCoord2f(1.0f, 0.0f);
            glVertex3f(x1, y, z0);
            glTexCoord2f(1.0f, 1.0f);
            glVertex3f(x1, y, z1);
            glTexCoord2f(0.0f, 1.0f);
            glVertex3f(x0, y, z1);
            glEnd();
        }
    }
    glEnable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
}
