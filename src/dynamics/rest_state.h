// Puts the moving parts back at their rest geometry. Every step starts here,
// so the motion never drifts from what the loaded tree and grass were.
#pragma once

struct Branch;
struct GrassBlade;
struct Leaf;
struct Scene;

// Every live branch with its leaves, and every grass blade; the refined
// centre lines are marked stale.
void restoreRestState(Scene& scene);
// The same for one part; a branch without its leaves.
void restoreBranch(Branch& branch, const Branch& rest);
void restoreLeaf(Leaf& leaf);
void restoreBlade(GrassBlade& blade);
