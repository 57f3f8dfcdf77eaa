#include "render/ground.h"

#include <GL/gl.h>

#include "data_constants/scene_look.h"
#include "render/render_assets.h"

void drawGround(const RenderAssets& assets)
{
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, assets.sceneTextures[kGroundTexture].glName());
    const float y = static_cast<float>(kGroundY);
    for (int i = 0; i < 8; ++i) {
        for (int j = 0; j < 8; ++j) {
            const float x0 = 25.0f * i - 100.0f;
            const float x1 = 25.0f * (i + 1) - 100.0f;
            const float z0 = 25.0f * j - 100.0f;
            const float z1 = 25.0f * (j + 1) - 100.0f;
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
