// Mouse-drag manipulators: a drag becomes a 4x4 matrix in OpenGL element
// order (element (r, c) at 4c + r, translation at 12, 13, 14).
// Inputs to begin/transform are the scaled window coordinates of the mouse
// handlers; the arcball's centre and radius are in unscaled window pixels.
#pragma once

#include "math/mat4.h"
#include "math/vec3.h"

class Transformer {
public:
    virtual ~Transformer() = default;
    virtual void resize(int width, int height) = 0;
    virtual void begin(float x, float y) = 0;
    // Matrix of the drag from the begin point to (x, y); does not change the manipulator.
    virtual Mat4 transform(float x, float y) = 0;
};

// Rotation about the cross product of two sphere points, by twice their angle.
class TransformerArcBall : public Transformer {
public:
    // The app passes its current window size (windowWidth, windowHeight);
    // the view library reads no globals.
    TransformerArcBall(int width, int height);
    void resize(int width, int height) override;
    void begin(float x, float y) override;
    Mat4 transform(float x, float y) override;

    float centreX = 0.0f;  // ball centre, window pixels
    float centreY = 0.0f;
    float radius = 0.0f;   // half the window diagonal, rounded up
    Vec3 startPoint;       // sphere point of the drag start
};

// The translating manipulators: the motion from the drag start, times a
// gain; the window size does not matter to them.
class TransformerTranslate : public Transformer {
public:
    void resize(int, int) override {}
    void begin(float x, float y) override
    {
        startX = x;
        startY = y;
    }

    float startX = 0.0f;  // drag start
    float startY = 0.0f;
    float gain = 0.1f;    // model units per scaled pixel
};

// Translation in x and y.
class TransformerPan : public TransformerTranslate {
public:
    Mat4 transform(float x, float y) override;
};

// Translation along z from vertical motion; x is ignored.
class TransformerZoom : public TransformerTranslate {
public:
    Mat4 transform(float x, float y) override;
};

// Rotation matrix of the unit quaternion (x, y, z, w), OpenGL order.
Mat4 quaternionToMatrix(float x, float y, float z, float w);
