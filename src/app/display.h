// One frame: scene, shadows, overlay, simulation step, capture.
#pragma once
#include "math/vec3.h"

void display();
// Steps 1-7 of a frame (no overlay, no step): shared with the offscreen recorder.
void drawFrameScene();
void drawTreeScene();
void drawDirectionArrow(Vec3 direction, double lengthFactor);
void drawArrow(float length, float headLength, float headRadius);
void advanceFrame();
void drawText(const char* text, float x, float y);
void updateFps();
