// Turns the loaded tree, leaf template, grids and grass into the rest state.
#pragma once
#include <cstdint>

#include "tree/leaf_template.h"

struct TreeModel;

// Foliage, bounds, refinement when model.showShadows, shade grid cleared.
// foliageSeed fixes the foliage (tests); otherwise it is seeded from the tick count.
void setUpSimulation(TreeModel& model, const LeafTemplate& tmpl = leafTemplate, const uint32_t* foliageSeed = nullptr);
