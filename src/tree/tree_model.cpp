#include "tree/tree_model.h"

TreeModel treeModel;

void resetTreeModel(TreeModel& model)
{
    model.branchCount = 0;
    model.showShadows = true;
    model.boundsMin = {};
    model.boundsMax = {};
    model.wind = {};
    model.noiseSize = 0;
    model.grassBladeCount = 0;
    model.grassPointsPerBlade = 0;
    model.grassBlades.reset();
    for (auto& cell : model.shadeGrid) cell = 0;
    model.triangleCount = 0;
    model.triangleTotalPlain = 0;
    model.triangleTotalShadowed = 0;
    for (int i = 0; i < kBranchCount; ++i) {
        model.branches[i] = Branch{};
        model.restBranches[i] = Branch{};
    }
}

bool loadTreeModel(TreeModel&, const char*) { return false; }
