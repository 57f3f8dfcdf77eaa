// One leaf: the blade list under its matrix and the three-sided petiole.
#pragma once

struct Leaf;
struct RenderAssets;

void drawLeaf(const Leaf& leaf, const RenderAssets& assets);
