#include "dynamics/setup.h"

#include "dynamics/simulation.h"
#include "tree/bounds.h"
#include "tree/foliage.h"
#include "tree/tree_model.h"

void setUpSimulation(TreeModel& model, const LeafTemplate& tmpl, const uint32_t* foliageSeed)
{
    placeLeaves(model, tmpl, foliageSeed);
    initLeafFrames(model, foliageSeed);
    computeTreeBounds(model);
    if (model.showShadows) refineBranches(model);
    for (auto& cell : model.shadeGrid) cell = 0;
}
