// Drawing of the grass field: textured blades and their flat shadows.
#pragma once

struct GrassField;
struct RenderAssets;

// One textured quad strip per blade, in the blade's current colour (eased
// before the frame). Leaves lighting off, texturing on.
void drawGrass(const GrassField& grass, const RenderAssets& assets);

// Flat strips over every second level, under the caller's shadow matrix.
void drawGrassShadow(const GrassField& grass);
