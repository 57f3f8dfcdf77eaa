// GLUT input callbacks and the drag-target helpers.
#pragma once
#include "math/mat4.h"

void reshape(int width, int height);
void onMouse(int button, int state, int x, int y);
void onMotion(int x, int y);
void onMenu(int value);
void onKey(unsigned char key, int x, int y);
void onSpecialKey(int key, int x, int y);

// out = drag * base in OpenGL order (the drag acts after the base).
Mat4 composeWithBase(const Mat4& drag, const Mat4& base);
// Copies m into the matrix chosen by interactionMode; a value no mode has exits 1.
void storeDragTarget(const Mat4& m);
