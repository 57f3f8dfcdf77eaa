// Grass pass: each blade bends joint by joint from its fixed root.
#pragma once
#include "dynamics/wind_force.h"
#include "grass/grass_field.h"
#include "math/oscillators.h"
#include "math/vec3.h"

struct WindField;

// One blade for one step from where it is now.
void moveGrassBlade(GrassBlade& blade, const Vec3& force, double timeStep, Arithmetic arithmetic = Arithmetic::Fast);
// The same from its rest shape: restoreBlade and moveGrassBlade in one pass.
void moveGrassBladeFromRest(GrassBlade& blade, const Vec3& force, double timeStep,
                            Arithmetic arithmetic = Arithmetic::Fast);
// Every blade in array order on this thread; nothing when no field is loaded.
void moveGrass(GrassField& grass, const WindField& field, const WindInput& wind, double timeStep,
               Arithmetic arithmetic = Arithmetic::Fast);
