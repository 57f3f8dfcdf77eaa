// Scene bounds, per-element wind height factors and noise positions.
#pragma once

#include "scene/placement.h"

struct GrassField;
struct TreeModel;

// Where a field coordinate v samples the noise: its normalised place in the
// box lo..hi, wrapped into [0, period) (period 0: not wrapped), as placed
// trees' parts take it.
double fieldNoiseCoordinate(double v, double lo, double hi, double period);
// Log wind profile for normalised height h: P[0]/P[15] below 0, 1 from 15/16 up.
double heightProfile(double h);
// Measures the scene and places it: the box over branches, leaf tips and
// grass roots (x/z) into boundsMin/boundsMax; then the windScale and
// noisePosition of every branch, leaf and blade from that box; then the grass
// dropped to the lowest point of the box, which becomes its rest shape.
void measureAndPlaceScene(TreeModel& model, GrassField& grass);
// The same for a tree placed in a shared field: its parts sample the noise
// where they stand in the field (the box's normalised coordinates of their
// field positions, wrapped over the grid's period of n / (n - 1) for a grid
// of n), the grass where it lies; and the field points of every part for
// travelling fronts. At the origin the noise positions are exactly the
// lone tree's.
void measureAndPlaceScene(TreeModel& model, GrassField& grass, const TreePlacement& placement, int noiseSize,
                          FieldPoints& points);
