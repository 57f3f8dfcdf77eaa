// Scene bounds, per-element wind height factors and noise positions.
#pragma once

struct GrassField;
struct TreeModel;

// Log wind profile for normalised height h: P[0]/P[15] below 0, 1 from 15/16 up.
double heightProfile(double h);
// Box over branches, leaf tips and grass roots (x/z); then windScale and
// noisePosition of every element, grass set on the lowest tree point, grass rest copies.
void computeTreeBounds(TreeModel& model, GrassField& grass);
