// One frame of the window: begin (wind input, grass shading), draw, overlay,
// simulation step, capture, swap.
#pragma once

void display();
// The overlay lines and the step; then, while capturing, the capture.
void advanceFrame();
void drawText(const char* text, float x, float y);
void updateFps();
