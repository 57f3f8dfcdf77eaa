// The tree render pass: bark and leaves, or the translucent skeleton.
#pragma once

struct DrawBatches;
struct RenderAssets;
struct Scene;

// view 0: skeleton view; any other value: textured view, drawn from batches
// filled for this frame. The grass is drawn right after the trunk, under the
// same transform.
void renderTree(const Scene& scene, const RenderAssets& assets, const DrawBatches& batches, int view);
