// The ground: textured tiles of 25 units at y = kGroundY, centred on the
// origin; 8 x 8 (200 x 200 units) unless told.
#pragma once

struct RenderAssets;

void drawGround(const RenderAssets& assets, int tilesPerSide = 8);
