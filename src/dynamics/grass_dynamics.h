// Grass pass: each blade bends joint by joint from its fixed root.
#pragma once
#include "dynamics/wind_force.h"
#include "grass/grass_field.h"
#include "math/oscillators.h"
#include "math/vec3.h"

struct WindField;

void moveGrassBlade(GrassBlade& blade, const Vec3& force, double timeStep, Arithmetic arithmetic = Arithmetic::Fast);
// Every blade in array order on this thread; nothing when no field is loaded.
void moveGrass(GrassField& grass, const WindField& field, const WindInput& wind, double timeStep,
               Arithmetic arithmetic = Arithmetic::Fast);
