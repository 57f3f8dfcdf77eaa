// arborvane-export --stand: every tree of a stand file simulated in the
// run's wind at its place and written as one .glb, a rig per tree, or with
// --web as one page.
#pragma once
#include "export/export_options.h"

// The exit status, after one line on a failure.
int exportStand(const ExportOptions& options);
// --web --stand: the same trees' clips as one baked page (the viewer of --web).
int exportWebStand(const ExportOptions& options);
