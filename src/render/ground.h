// The ground: 8 x 8 textured tiles at y = kGroundY, 200 x 200 units.
#pragma once

struct RenderAssets;

void drawGround(const RenderAssets& assets);
