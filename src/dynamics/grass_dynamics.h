// Grass pass: each blade bends joint by joint from its fixed root.
#pragma once
#include "dynamics/wind_force.h"
#include "math/vec3.h"
#include "scenery/grass_field.h"

struct TreeModel;

void moveGrassBlade(GrassBlade& blade, const Vec3& force, double timeStep);
// Every blade in array order; nothing when no field is loaded.
void moveGrass(TreeModel& model, const WindInput& wind, double timeStep);
