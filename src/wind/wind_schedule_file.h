// Reads a wind schedule from a JSON file: keys, optional gusts, veer and seed.
#pragma once
#include <string>

#include "wind/wind_schedule.h"

// Fills `schedule` from the file at `path`. On any fault (unreadable file,
// bad JSON, unknown field, wrong type, value out of range, times that do not
// increase) returns false with one line in `error` naming the file, the field
// and the problem, and leaves `schedule` unchanged. Never throws.
bool loadWindSchedule(const std::string& path, WindSchedule& schedule, std::string& error);
// The same from text already read; `name` stands for the file in messages.
bool parseWindSchedule(const std::string& text, const std::string& name, WindSchedule& schedule, std::string& error);
