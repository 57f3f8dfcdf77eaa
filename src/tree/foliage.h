// Foliage: six leaves on the last segment of every branch.
#pragma once
#include <cstdint>

#include "math/mat4.h"
#include "platform/random.h"
#include "tree/leaf.h"
#include "tree/leaf_template.h"

struct TreeModel;

// Both passes reseed the scene's generator: from *seed when given (tests),
// otherwise from the tick count, so the foliage differs from run to run.
void placeLeaves(TreeModel& model, const LeafTemplate& tmpl, const uint32_t* seed, Random& random);
void initLeafFrames(TreeModel& model, const uint32_t* seed, Random& random);

void copyLeafTemplate(Leaf& leaf, const LeafTemplate& tmpl);
// Moves the petiole by m (current and rest) and makes m the blade matrix.
void setLeafTransform(Leaf& leaf, const Mat4& m);
