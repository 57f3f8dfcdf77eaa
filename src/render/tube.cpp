#include "render/tube.h"

#include <GL/gl.h>

#include "math/tube_geometry.h"

namespace {

struct GlStripSink {
    void beginStrip() { glBegin(GL_QUAD_STRIP); }
    void vertex(const Vec3& normal, double u, double v, const Vec3& position)
    {
        glNormal3f(static_cast<float>(normal.x), static_cast<float>(normal.y), static_cast<float>(normal.z));
        glTexCoord2d(u, v);
        glVertex3f(static_cast<float>(position.x), static_cast<float>(position.y), static_cast<float>(position.z));
    }
    void endStrip() { glEnd(); }
};

} // namespace

void drawTube(int n, const Vec3* points, const double* radii, int sides)
{
    if (n < 2 || points == nullptr || radii == nullptr) return;
    GlStripSink sink;
    traceTube(n, points, radii, sides, sink);
}
