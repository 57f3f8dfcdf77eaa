// Display lists of the leaf blade: the two-sided textured blade and the
// enlarged flat outline used by the shadow pass.
#pragma once

extern unsigned int leafBladeList;  // textured blade, both sides
extern unsigned int leafShadowList; // dark-green outline, x1.2

// Both bind the leaf textures by name, so build them after the textures load.
void buildLeafBladeList();
void buildLeafShadowList();
// The 95 template faces as one GL_TRIANGLES batch, tex coords and vertices.
void drawBladeTriangles();
// The 16 outline faces as one GL_TRIANGLES batch, coloured, scaled by 1.2.
void drawShadowOutline();
