// One frame of the window: begin (wind input, grass shading), fill the
// arrays, draw them with the overlay while the simulation steps, capture, swap.
#pragma once

void display();
void drawText(const char* text, float x, float y);
void updateFps();
