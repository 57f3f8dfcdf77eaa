// The run's wind schedule handed to the library as schedule-file text: the
// library plays a schedule inside its steps exactly as the recorder does, so
// the text must read back as the very same schedule, bit for bit.
#pragma once
#include <string>

#include "wind/wind_schedule.h"

// schedule as JSON that parseWindSchedule reads back as the same schedule
// (every key, the gusts and veer when on, the seed). False with a reason
// when no such text is found.
bool windScheduleJson(const WindSchedule& schedule, std::string& json, std::string& error);
// Whether a and b give the same wind at every time: the same keys, the same
// gusts and veer when on, the same seed, compared bit for bit.
bool sameSchedule(const WindSchedule& a, const WindSchedule& b);
