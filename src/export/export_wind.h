// The run's wind schedule handed to the library as schedule-file text: the
// library plays a schedule inside its steps exactly as the recorder does, so
// the text must read back as the very same schedule, bit for bit. Directions
// are normalised on reading, and a unit vector normalised again can move a
// last bit, so the text carries the directions as they were given.
#pragma once
#include <string>

#include "cli/run_flags.h"
#include "wind/wind_schedule.h"

// run.schedule as schedule-file text: the --wind file's own text (with the
// gusts of --gusts put in), else the one key of the flags or the preset with
// the direction as --wind-dir gave it. False with a reason when the text
// cannot be read or does not read back as run.schedule.
bool runWindText(const RunFlags& run, std::string& text, std::string& error);
// Whether a and b give the same wind at every time: the same keys, the same
// gusts and veer when on, the same seed, compared bit for bit.
bool sameSchedule(const WindSchedule& a, const WindSchedule& b);
