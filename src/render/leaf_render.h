// One leaf: the blade list under its matrix and the three-sided petiole.
#pragma once

struct Leaf;

void drawLeaf(const Leaf& leaf);
