#include "render/leaf_lists.h"

#include <GL/gl.h>

#include "render/render_assets.h"
#include "tree/leaf_geometry.h"

namespace {

struct TexturedSink {
    void vertex(float u, float v, float x, float y, float z)
    {
        glTexCoord2f(u, v);
        glVertex3f(x, y, z);
    }
};

struct ColouredSink {
    void vertex(const float* rgb, float x, float y, float z)
    {
        glColor3f(rgb[0], rgb[1], rgb[2]);
        glVertex3f(x, y, z);
    }
};

void bindTexture(const Texture& texture) { glBindTexture(GL_TEXTURE_2D, texture.glName()); }

} // namespace

void drawBladeTriangles(const LeafTemplate& tmpl)
{
    TexturedSink sink;
    glBegin(GL_TRIANGLES);
    emitBladeTriangles(tmpl, sink);
    glEnd();
}

void drawShadowOutline(const LeafTemplate& tmpl)
{
    ColouredSink sink;
    glBegin(GL_TRIANGLES);
    emitShadowOutline(tmpl, sink);
    glEnd();
}

unsigned int buildLeafBladeList(const LeafTemplate& tmpl, const RenderAssets& assets)
{
    const unsigned int list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glDisable(GL_LIGHTING);
    glEnable(GL_CULL_FACE);
    // Front-facing side shows the lower surface, the other the upper one.
    glCullFace(GL_BACK);
    bindTexture(assets.sceneTextures[kLeafLowerTexture]);
    drawBladeTriangles(tmpl);
    glCullFace(GL_FRONT);
    bindTexture(assets.sceneTextures[kLeafUpperTexture]);
    drawBladeTriangles(tmpl);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glEndList();
    return list;
}

unsigned int buildLeafShadowList(const LeafTemplate& tmpl)
{
    const unsigned int list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glColor4f(0.07450981f, 0.10980392f, 0.09803922f, 1.0f);
    drawShadowOutline(tmpl);
    glEndList();
    return list;
}
