// One frame of the window: begin (wind input, grass shading), fill the
// arrays, draw them with the overlay while the simulation steps, capture, swap.
#pragma once
#include <string>
#include <vector>

#include "wind/wind_settings.h"

void display();
// This frame's overlay lines (none while capturing) for the triangles and
// wind shown, and the steps it pays for: one, or in real time what the clock has paid.
int overlayAndSteps(int triangles, const WindSettings& wind, std::vector<std::string>& lines);
void drawText(const char* text, float x, float y);
void updateFps();
