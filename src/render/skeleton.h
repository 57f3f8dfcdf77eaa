// Skeleton view: the local frames of every branch and leaf as short axes.
#pragma once

struct TreeModel;

void drawFrameAxes(const TreeModel& model);
