#include "wind/wind_driver.h"

#include <utility>

WindDriver scheduledWind(WindSchedule schedule)
{
    WindDriver d;
    d.scheduled = true;
    d.schedule = std::move(schedule);
    return d;
}

WindSettings windAt(const WindDriver& driver, double seconds)
{
    return driver.scheduled ? evaluateWind(driver.schedule, seconds) : driver.constant;
}

namespace {
bool sameWind(const WindSettings& a, const WindSettings& b)
{
    return a.gale == b.gale && a.magnitude == b.magnitude && a.direction.x == b.direction.x &&
           a.direction.y == b.direction.y && a.direction.z == b.direction.z;
}
} // namespace

bool sameWindDriver(const WindDriver& a, const WindDriver& b)
{
    if (a.scheduled != b.scheduled) return false;
    if (!a.scheduled) return sameWind(a.constant, b.constant);
    const WindSchedule& x = a.schedule;
    const WindSchedule& y = b.schedule;
    if (x.keys.size() != y.keys.size() || x.seed != y.seed || x.frontSpeed != y.frontSpeed ||
        x.repeat != y.repeat)
        return false;
    for (size_t i = 0; i < x.keys.size(); ++i)
        if (x.keys[i].time != y.keys[i].time || !sameWind(x.keys[i].state, y.keys[i].state)) return false;
    const GustSettings &g = x.gusts, &h = y.gusts;
    const VeerSettings &v = x.veer, &w = y.veer;
    return g.enabled == h.enabled && g.every == h.every && g.strength == h.strength && g.rise == h.rise &&
           g.fall == h.fall && g.frontSpeed == h.frontSpeed && v.enabled == w.enabled && v.degrees == w.degrees && v.period == w.period;
}

void endSchedule(WindDriver& driver, double seconds)
{
    if (!driver.scheduled) return;
    driver.constant = evaluateWind(driver.schedule, seconds);
    driver.scheduled = false;
}
