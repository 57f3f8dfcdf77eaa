// Centre-line refinement: a Catmull-Rom midpoint in every segment, at set-up
// and after each step that draws shadows.
#pragma once
#include "tree/tree_model.h"

// Centre-line refinement works through this, so a step allocates nothing.
struct RefineScratch {
    Vec3 points[kMaxRefinedPoints];          // refined centre line being built
    double radii[kMaxRefinedPoints] = {};    // its radii
};

// Inserts a Catmull-Rom midpoint in every segment: N points become 2N-1.
void refineBranches(TreeModel& model, RefineScratch& scratch);
