// Display lists of the leaf blade: the two-sided textured blade and the
// enlarged flat outline used by the shadow pass.
#pragma once

struct LeafTemplate;
struct RenderAssets;

// Binds the leaf textures by name, so build it after they load.
unsigned int buildLeafBladeList(const LeafTemplate& tmpl, const RenderAssets& assets);
unsigned int buildLeafShadowList(const LeafTemplate& tmpl);
// The 95 template faces as one GL_TRIANGLES batch, tex coords and vertices.
void drawBladeTriangles(const LeafTemplate& tmpl);
// The 16 outline faces as one GL_TRIANGLES batch, coloured, scaled by 1.2.
void drawShadowOutline(const LeafTemplate& tmpl);
