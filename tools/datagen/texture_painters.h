// Procedural painters for the ten scene textures. Each is a pure function of
// its fixed seed, so the images come out the same in every run.
#pragma once
#include "texture_image.h"

// Around the tube u wraps once; v runs once along the whole trunk / branch.
TextureImage paintTrunkBark();
TextureImage paintBranchBark();
// Soil with short grass; tiles both ways.
TextureImage paintGround();
// Blade colours with midrib along u = 0.5 (v = 0 base, v = 1 tip).
TextureImage paintLeaf(bool upperSide);
TextureImage paintPetiole();
// Four blade shades, shade 0..3; v = 0 at the root. Kept light: the grass
// colour modulates them.
TextureImage paintGrassBlade(int shade);
