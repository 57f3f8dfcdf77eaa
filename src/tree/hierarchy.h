// Branch frames: a depth-first walk from a parent that gives every branch
// below it a frame (base point + unit axes, Y along the first segment).
#pragma once

struct Branch;
struct TreeModel;

void buildBranchFrames(TreeModel& model, Branch& parent);
