#include "render/leaf_lists.h"

#include <GL/gl.h>

#include "app/app_state.h"
#include "tree/leaf_geometry.h"

unsigned int leafBladeList = 0;
unsigned int leafShadowList = 0;

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

void drawBladeTriangles()
{
    TexturedSink sink;
    glBegin(GL_TRIANGLES);
    emitBladeTriangles(leafTemplate, sink);
    glEnd();
}

void drawShadowOutline()
{
    ColouredSink sink;
    glBegin(GL_TRIANGLES);
    emitShadowOutline(leafTemplate, sink);
    glEnd();
}

void buildLeafBladeList()
{
    leafBladeList = glGenLists(1);
    glNewList(leafBladeList, GL_COMPILE);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glDisable(GL_LIGHTING);
    glEnable(GL_CULL_FACE);
    // Front-facing side shows the lower surface, the other the upper one.
    glCullFace(GL_BACK);
    bindTexture(leafLowerTexture);
    drawBladeTriangles();
    glCullFace(GL_FRONT);
    bindTexture(leafUpperTexture);
    drawBladeTriangles();
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glEndList();
}

void buildLeafShadowList()
{
    leafShadowList = glGenLists(1);
    glNewList(leafShadowList, GL_COMPILE);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glColor4f(0.07450981f, 0.10980392f, 0.09803922f, 1.0f);
    drawShadowOutline();
    glEndList();
}
