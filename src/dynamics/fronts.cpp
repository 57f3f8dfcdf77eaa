#include "dynamics/fronts.h"

#include <algorithm>
#include <cmath>

#include "dynamics/wind_force.h"
#include "scene/scene.h"
#include "wind/wind_schedule.h"

namespace {

// The along-wind distance of every x, z pair, d = x cx + z cz, widening [lo, hi].
void spread(const std::vector<double>& points, double cx, double cz, double& lo, double& hi)
{
    for (std::size_t i = 0; i + 1 < points.size(); i += 2) {
        const double d = points[i] * cx + points[i + 1] * cz;
        lo = std::min(lo, d);
        hi = std::max(hi, d);
    }
}

// Each pair's row: the nearest quantum, counted from row 0.
void pickRows(const std::vector<double>& points, double cx, double cz, const WindFronts& f, std::vector<uint32_t>& rows)
{
    rows.resize(points.size() / 2);
    const long long last = static_cast<long long>(f.rows.size()) - 1;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const double d = points[2 * i] * cx + points[2 * i + 1] * cz;
        const long long r = std::llround((d - f.first) / f.quantum);
        rows[i] = static_cast<uint32_t>(std::clamp(r, 0LL, last));
    }
}

// The slowest front's speed; 0 when none travels.
double slowestFront(const WindSchedule& s)
{
    double slowest = 0.0;
    for (const double speed : {s.frontSpeed, s.gusts.enabled ? s.gusts.frontSpeed : 0.0})
        if (speed > 0.0 && (slowest == 0.0 || speed < slowest)) slowest = speed;
    return slowest;
}

} // namespace

bool frontsPlay(const Scene& scene) { return scene.windDriver.scheduled && slowestFront(scene.windDriver.schedule) > 0.0; }

void buildWindFronts(Scene& scene, double seconds)
{
    const WindSchedule& schedule = scene.windDriver.schedule;
    const FieldPoints& points = scene.fieldPoints;
    WindFronts& f = scene.fronts;
    // Fronts are vertical walls moving over the ground: the horizontal part
    // of the direction, which a wind always has.
    const Vec3& d = scene.input.wind.direction;
    const double h = std::hypot(d.x, d.z);
    const double cx = h > 0.0 ? d.x / h : 1.0, cz = h > 0.0 ? d.z / h : 0.0;
    double lo = HUGE_VAL, hi = -HUGE_VAL;
    for (const std::vector<double>* p : {&points.branches, &points.leaves, &points.blades}) spread(*p, cx, cz, lo, hi);
    if (lo > hi) lo = hi = 0.0;
    f.quantum = std::max(slowestFront(schedule) * kFrontDelayStep, (hi - lo) / static_cast<double>(kMaxFrontRows - 1));
    if (!(f.quantum > 0.0)) f.quantum = 1.0;
    const double firstQuantum = std::floor(lo / f.quantum);
    f.first = firstQuantum * f.quantum;
    const std::size_t count = static_cast<std::size_t>(std::ceil(hi / f.quantum) - firstQuantum) + 1;
    // The most a step can need, once: later steps allocate nothing.
    if (f.rows.capacity() < kMaxFrontRows + 2) f.rows.reserve(kMaxFrontRows + 2);
    f.rows.resize(count); // at most kMaxFrontRows + 2
    // The gusts every row feels, drawn once: the rows' gust times span the
    // delays of the first and the last row.
    const GustSettings& g = schedule.gusts;
    const double gustSpeed = g.enabled ? g.frontSpeed : 0.0;
    auto gustTime = [&](double distance) { return gustSpeed > 0.0 ? seconds - distance / gustSpeed : seconds; };
    const double lastDistance = (firstQuantum + static_cast<double>(count - 1)) * f.quantum;
    if (g.enabled)
        gustArrivals(schedule, gustTime(lastDistance) - g.rise - g.fall, gustTime(f.first), f.arrivals);
    const bool turned = scene.placement.turn != 0.0;
    for (std::size_t r = 0; r < f.rows.size(); ++r) {
        const double distance = (firstQuantum + static_cast<double>(r)) * f.quantum;
        const double keyTime = schedule.frontSpeed > 0.0 ? seconds - distance / schedule.frontSpeed : seconds;
        const double level = g.enabled ? gustLevelAmong(g, f.arrivals, gustTime(distance)) : 0.0;
        const WindSettings w = windWithGustLevel(schedule, keyTime, level);
        FrontRow& row = f.rows[r];
        row.grass = makeWindInput(w.gale, w.magnitude, w.direction);
        row.tree = turned ? makeWindInput(w.gale, w.magnitude, intoTree(scene.placement, w.direction)) : row.grass;
    }
    pickRows(points.branches, cx, cz, f, f.branchRow);
    pickRows(points.leaves, cx, cz, f, f.leafRow);
    pickRows(points.blades, cx, cz, f, f.bladeRow);
}
