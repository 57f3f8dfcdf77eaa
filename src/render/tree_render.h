// The skeleton view's tree pass: translucent branches with their frame axes,
// the grass drawn right after the trunk under the same transform.
#pragma once

struct RenderAssets;
struct Scene;

void renderSkeleton(const Scene& scene, const RenderAssets& assets);
