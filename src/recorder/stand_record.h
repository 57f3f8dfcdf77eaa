// arborvane-record --stand: records a prepared stand (recorder/stand_start.h).
#pragma once
#include <string>

#include "cli/wind_trace.h"
#include "recorder/record_options.h"
#include "recorder/stand_start.h"

// Opens the trees at their places in the run's wind, records options.frames
// frames (and the trace and video when asked); the exit status, after one
// line on a failure.
int recordStand(const RecordOptions& options, const StandRun& run, const std::string& ffmpeg, WindTraceFile& trace);
