// arborvane-export --stand: every tree of a stand file simulated in the
// run's wind at its place and written as one .glb, a rig per tree.
#pragma once
#include "export/export_options.h"

// The exit status, after one line on a failure.
int exportStand(const ExportOptions& options);
