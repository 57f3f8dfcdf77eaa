// What drives the wind: a constant wind, or a schedule over simulated time.
// The scene owns the one that moves it; a front-end keeps only what its user
// chose and hands that over.
#pragma once
#include "wind/wind_schedule.h"
#include "wind/wind_settings.h"

struct WindDriver {
    WindSettings constant;  // the wind while no schedule plays
    bool scheduled = false; // a schedule plays instead of the constant
    WindSchedule schedule;  // what plays, while scheduled
};

// A driver playing schedule.
WindDriver scheduledWind(WindSchedule schedule);
// The driver's wind at `seconds` of simulated time.
WindSettings windAt(const WindDriver& driver, double seconds);
// Whether two drivers give the same wind at every time: the same schedule
// while one plays (the constant then unused), else the same constant.
bool sameWindDriver(const WindDriver& a, const WindDriver& b);
// A playing schedule ends at `seconds`; its wind then stays as the constant.
void endSchedule(WindDriver& driver, double seconds);
