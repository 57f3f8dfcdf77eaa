#include "batch/stand_batches.h"

#include <algorithm>
#include <iterator>

#include "batch/draw_batches.h"

void dropGrassBatches(DrawBatches& batches)
{
    batches.grass.clear();
    std::fill(std::begin(batches.grassGroupFirst), std::end(batches.grassGroupFirst), 0);
    batches.grassShadow.clear();
}

void keepGrassBatches(DrawBatches& batches)
{
    batches.trunk.clear();
    batches.branches.clear();
    batches.petioles.clear();
    batches.blades.clear();
    batches.lowerIndices.clear();
    batches.upperIndices.clear();
    batches.branchShadowQuads.clear();
    for (auto& lines : batches.branchShadowLines) lines.clear();
    batches.leafOutlines.clear();
}
