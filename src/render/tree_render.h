// The tree render pass: bark and leaves, or the translucent skeleton.
#pragma once

struct TreeModel;

// view 0: skeleton view; any other value: textured view.
void renderTree(int view);
void renderTree(TreeModel& model, int view);
