// Drawing of the grass field: textured blades and their flat shadows.
#pragma once
#include "formats/texture_files.h"
#include "textures/texture.h"

struct TreeModel;


extern Texture grassTextures[kGrassTextureCount]; // grass01 .. grass04

// Loads the four textures in order; false at the first failure.
bool loadGrassTextures(const char* paths[kGrassTextureCount]);

// One textured quad strip per blade; eases each blade's colour through the
// shade grid, then clears the grid. Leaves lighting off, texturing on.
void drawGrass();
void drawGrass(TreeModel& model);

// Flat strips over every second level, under the caller's shadow matrix.
void drawGrassShadow();
void drawGrassShadow(const TreeModel& model);
