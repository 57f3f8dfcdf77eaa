// Grass pass: each blade bends joint by joint from its fixed root.
#pragma once
#include "dynamics/wind_force.h"
#include "grass/grass_field.h"
#include "dynamics/oscillators.h"
#include "math/vec3.h"

struct WindField;

// One blade for one step from where it is now.
void moveGrassBlade(GrassBlade& blade, const Vec3& force, double timeStep, Arithmetic arithmetic = Arithmetic::Fast);
// The same from its rest shape: restoreBlade and moveGrassBlade in one pass.
void moveGrassBladeFromRest(GrassBlade& blade, const Vec3& force, double timeStep,
                            Arithmetic arithmetic = Arithmetic::Fast);
// kGrassLanes blades from their rest shape, each with its force, with Fast
// arithmetic: side by side where the processor has AVX2 (wideLanes), else
// one at a time; the bits are the same either way. portable: side by side
// without AVX2 (for tests).
constexpr int kGrassLanes = 4;
void moveGrassLanesFromRest(GrassBlade* const blades[kGrassLanes], const Vec3 forces[kGrassLanes], double timeStep,
                            bool portable = false);
// Every blade in array order on this thread; nothing when no field is loaded.
void moveGrass(GrassField& grass, const WindField& field, const WindInput& wind, double timeStep,
               Arithmetic arithmetic = Arithmetic::Fast);
