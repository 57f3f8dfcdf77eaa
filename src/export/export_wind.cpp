#include "export/export_wind.h"

#include <cmath>
#include <cstring>

#include <nlohmann/json.hpp>

#include "wind/wind_schedule_file.h"

namespace {

using nlohmann::json;

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool sameWind(const WindSettings& a, const WindSettings& b)
{
    return a.gale == b.gale && sameBits(a.magnitude, b.magnitude) && sameBits(a.direction.x, b.direction.x) &&
           sameBits(a.direction.y, b.direction.y) && sameBits(a.direction.z, b.direction.z);
}

// The direction a schedule file reads as d: d / |d|, as its reader makes it.
bool readsAs(const double given[3], const Vec3& d)
{
    const double len = std::sqrt(given[0] * given[0] + given[1] * given[1] + given[2] * given[2]);
    return sameBits(given[0] / len, d.x) && sameBits(given[1] / len, d.y) && sameBits(given[2] / len, d.z);
}

// Numbers the reader turns into d. A unit vector mostly reads as itself;
// when dividing by its rounded length moves a last bit, a neighbour a few
// units in the last place off does not. Empty when none is found.
json directionText(const Vec3& d)
{
    const double base[3] = {d.x, d.y, d.z};
    constexpr int kReach = 3; // units in the last place tried either way
    for (int i = 0; i <= 2 * kReach; ++i)
        for (int j = 0; j <= 2 * kReach; ++j)
            for (int k = 0; k <= 2 * kReach; ++k) {
                const int steps[3] = {i % 2 ? (i + 1) / 2 : -i / 2, j % 2 ? (j + 1) / 2 : -j / 2,
                                      k % 2 ? (k + 1) / 2 : -k / 2};
                double given[3];
                for (int c = 0; c < 3; ++c) {
                    given[c] = base[c];
                    for (int s = 0; s < std::abs(steps[c]); ++s)
                        given[c] = std::nextafter(given[c], steps[c] > 0 ? HUGE_VAL : -HUGE_VAL);
                }
                if (readsAs(given, d)) return json::array({given[0], given[1], given[2]});
            }
    return json();
}

} // namespace

bool sameSchedule(const WindSchedule& a, const WindSchedule& b)
{
    if (a.keys.size() != b.keys.size() || a.seed != b.seed || a.gusts.enabled != b.gusts.enabled ||
        a.veer.enabled != b.veer.enabled)
        return false;
    for (size_t i = 0; i < a.keys.size(); ++i)
        if (!sameBits(a.keys[i].time, b.keys[i].time) || !sameWind(a.keys[i].state, b.keys[i].state)) return false;
    const GustSettings &g = a.gusts, &h = b.gusts;
    if (g.enabled && !(sameBits(g.every, h.every) && sameBits(g.strength, h.strength) && sameBits(g.rise, h.rise) &&
                       sameBits(g.fall, h.fall)))
        return false;
    return !a.veer.enabled || (sameBits(a.veer.degrees, b.veer.degrees) && sameBits(a.veer.period, b.veer.period));
}

bool windScheduleJson(const WindSchedule& schedule, std::string& text, std::string& error)
{
    json root;
    json& keys = root["keys"] = json::array();
    for (const WindKey& key : schedule.keys) {
        json direction = directionText(key.state.direction);
        if (direction.is_null()) {
            error = "the wind direction at " + std::to_string(key.time) + " s cannot be passed on exactly";
            return false;
        }
        keys.push_back({{"time", key.time},
                        {"regime", key.state.gale ? "gale" : "breeze"},
                        {"magnitude", key.state.magnitude},
                        {"direction", std::move(direction)}});
    }
    const GustSettings& g = schedule.gusts;
    if (g.enabled) root["gusts"] = {{"every", g.every}, {"strength", g.strength}, {"rise", g.rise}, {"fall", g.fall}};
    if (schedule.veer.enabled) root["veer"] = {{"degrees", schedule.veer.degrees}, {"period", schedule.veer.period}};
    root["seed"] = schedule.seed;
    text = root.dump();
    // The reader is the judge: the text is used only if it gives the same schedule back.
    WindSchedule back;
    if (!parseWindSchedule(text, "the run's wind", back, error)) return false;
    if (!sameSchedule(back, schedule)) {
        error = "the run's wind schedule does not read back as itself";
        return false;
    }
    return true;
}
