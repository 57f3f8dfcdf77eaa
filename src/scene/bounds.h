// Scene bounds, per-element wind height factors and noise positions.
#pragma once

struct GrassField;
struct TreeModel;

// Log wind profile for normalised height h: P[0]/P[15] below 0, 1 from 15/16 up.
double heightProfile(double h);
// Measures the scene and places it: the box over branches, leaf tips and
// grass roots (x/z) into boundsMin/boundsMax; then the windScale and
// noisePosition of every branch, leaf and blade from that box; then the grass
// dropped to the lowest point of the box, which becomes its rest shape.
void measureAndPlaceScene(TreeModel& model, GrassField& grass);
