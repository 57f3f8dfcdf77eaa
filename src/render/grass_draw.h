// Drawing of the grass field blade by blade (the skeleton view).
#pragma once

struct GrassField;
struct RenderAssets;

// One textured quad strip per blade, in the blade's current colour (eased
// before the frame). Leaves lighting off, texturing on.
void drawGrass(const GrassField& grass, const RenderAssets& assets);
