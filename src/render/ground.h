// The ground: 8 x 8 textured tiles at y = -4.6, 200 x 200 units.
#pragma once

struct RenderAssets;

void drawGround(const RenderAssets& assets);
