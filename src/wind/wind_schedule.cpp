#include "wind/wind_schedule.h"

#include <algorithm>
#include <cmath>

#include "platform/splitmix.h"

namespace {

constexpr double kPi = 3.1415926538;

// Independent streams per purpose and block, all from the one seed.
SplitMix64 stream(uint64_t seed, uint64_t purpose, uint64_t index)
{
    SplitMix64 mix{seed ^ (purpose * 0xd1b54a32d192ed03ull)};
    mix.state ^= mix.next() + index * 0x8cb92ba72f3d8dd7ull;
    mix.next();
    return mix;
}

constexpr uint64_t kGustStream = 1;
constexpr uint64_t kVeerStream = 2;

double smoothstep(double u) { return u * u * (3.0 - 2.0 * u); }

// Gust arrivals are drawn per block of 8 mean intervals, so any time's
// arrivals are found without drawing from the start.
double gustBlockSeconds(const GustSettings& g) { return 8.0 * g.every; }

// Calls f(arrival) for every arrival in block b, ascending. Exponential gaps
// from the block start: a Poisson process restricted to the block.
template <typename F> void forEachArrival(const WindSchedule& s, int64_t b, F&& f)
{
    const double length = gustBlockSeconds(s.gusts);
    const double end = static_cast<double>(b + 1) * length;
    SplitMix64 mix = stream(s.seed, kGustStream, static_cast<uint64_t>(b));
    double t = static_cast<double>(b) * length;
    for (;;) {
        t -= s.gusts.every * std::log(1.0 - mix.uniform());
        if (t >= end) return;
        f(t);
    }
}

// Shape of one gust `age` seconds after its arrival, 0..1.
double gustShape(const GustSettings& g, double age)
{
    if (age <= 0.0 || age >= g.rise + g.fall) return 0.0;
    if (age < g.rise) return smoothstep(age / g.rise);
    return smoothstep(1.0 - (age - g.rise) / g.fall);
}

// Horizontal angle and elevation of a direction; the vertical is y.
struct Heading {
    double azimuth;   // radians from +x towards +z
    double elevation; // radians above the horizontal
};

Heading heading(const Vec3& d)
{
    return {std::atan2(d.z, d.x), std::atan2(d.y, std::hypot(d.x, d.z))};
}

// Turns about the vertical the short way, easing the elevation alongside.
Vec3 easeDirection(const Vec3& a, const Vec3& b, double s)
{
    const Heading ha = heading(a);
    const Heading hb = heading(b);
    double turn = hb.azimuth - ha.azimuth;
    if (turn > kPi) turn -= 2.0 * kPi;
    if (turn < -kPi) turn += 2.0 * kPi;
    const double azimuth = ha.azimuth + s * turn;
    const double elevation = ha.elevation + s * (hb.elevation - ha.elevation);
    const double c = std::cos(elevation);
    return {c * std::cos(azimuth), std::sin(elevation), c * std::sin(azimuth), 0};
}

struct Preset {
    const char* name; // as written in files and flags
    bool gale;        // regime
    double magnitude; /// force units per unit noise
};
constexpr Preset kPresets[] = {
    {"calm", true, 0.0}, {"breeze", false, 10.0}, {"gale", true, 100.0}, {"strong-gale", true, 400.0}, {"storm", true, 800.0},
};

} // namespace

double repeatedTime(const WindSchedule& schedule, double t)
{
    const double period = schedule.repeat;
    if (!(period > 0.0)) return t;
    // The nudge puts whole periods of steps (n x 0.05 s) at the period's start.
    const double periods = std::floor(t / period + 1e-9);
    return std::max(0.0, t - periods * period);
}

WindSettings keyedWind(const WindSchedule& schedule, double t)
{
    t = repeatedTime(schedule, t);
    const std::vector<WindKey>& keys = schedule.keys;
    if (keys.empty()) return {};
    // The last key at or before t (the first for earlier times).
    const auto after = std::upper_bound(keys.begin(), keys.end(), t,
                                        [](double time, const WindKey& k) { return time < k.time; });
    if (after == keys.begin()) return keys.front().state;
    const WindKey& from = *(after - 1);
    if (after == keys.end()) return from.state;
    const double s = smoothstep((t - from.time) / (after->time - from.time));
    if (s == 0.0) return from.state;
    WindSettings w = from.state;
    w.magnitude = from.state.magnitude + s * (after->state.magnitude - from.state.magnitude);
    w.direction = easeDirection(from.state.direction, after->state.direction, s);
    return w;
}

double gustLevel(const WindSchedule& schedule, double t)
{
    const GustSettings& g = schedule.gusts;
    t = repeatedTime(schedule, t);
    if (!g.enabled || t <= 0.0) return 0.0;
    // Each shape rises to its peak `rise` seconds after arrival and falls
    // after, so the largest belongs to the last arrival at or before t - rise
    // or the first after it; only those two are looked for, which keeps the
    // cost per call the same however often gusts come.
    const double length = gustBlockSeconds(g);
    const double peak = t - g.rise;
    const int64_t home = static_cast<int64_t>(std::floor(peak / length));
    double level = 0.0;
    for (int64_t b = home; b >= 0; --b) {
        double last = -1.0;
        forEachArrival(schedule, b, [&](double a) {
            if (a <= peak) last = a;
        });
        if (last >= 0.0) {
            level = gustShape(g, t - last);
            break;
        }
        if (static_cast<double>(b) * length <= peak - g.fall) break; // older arrivals have passed
    }
    for (int64_t b = std::max<int64_t>(home, 0); static_cast<double>(b) * length < t; ++b) {
        double first = -1.0;
        forEachArrival(schedule, b, [&](double a) {
            if (a > peak && first < 0.0) first = a;
        });
        if (first >= 0.0) return std::max(level, gustShape(g, t - first));
    }
    return level;
}

double veerAngle(const WindSchedule& schedule, double t)
{
    const VeerSettings& v = schedule.veer;
    if (!v.enabled || v.degrees == 0.0) return 0.0;
    t = repeatedTime(schedule, t);
    // Three slow waves with seeded phases and periods near the asked one;
    // their weights add up to 1, so the turn stays within the bound.
    constexpr double weights[3] = {0.55, 0.3, 0.15};
    constexpr double periods[3] = {1.0, 0.55, 0.3};
    SplitMix64 mix = stream(schedule.seed, kVeerStream, 0);
    double sum = 0.0;
    for (int k = 0; k < 3; ++k) {
        const double phase = 2.0 * kPi * mix.uniform();
        const double period = v.period * periods[k] * (0.8 + 0.4 * mix.uniform());
        sum += weights[k] * std::sin(2.0 * kPi * t / period + phase);
    }
    return v.degrees * kPi / 180.0 * sum;
}

WindSettings evaluateWind(const WindSchedule& schedule, double t) { return evaluateWindAt(schedule, t, t); }

WindSettings windAtDistance(const WindSchedule& schedule, double t, double distance)
{
    const double keySpeed = schedule.frontSpeed;
    const double gustSpeed = schedule.gusts.frontSpeed;
    return evaluateWindAt(schedule, keySpeed > 0.0 ? t - distance / keySpeed : t,
                          gustSpeed > 0.0 ? t - distance / gustSpeed : t);
}

WindSettings evaluateWindAt(const WindSchedule& schedule, double keyTime, double gustTime)
{
    return windWithGustLevel(schedule, keyTime, schedule.gusts.enabled ? gustLevel(schedule, gustTime) : 0.0);
}

WindSettings windWithGustLevel(const WindSchedule& schedule, double keyTime, double level)
{
    WindSettings w = keyedWind(schedule, keyTime);
    if (schedule.gusts.enabled)
        w.magnitude = std::clamp(w.magnitude * (1.0 + schedule.gusts.strength * level), 0.0, kMaxWindMagnitude);
    if (schedule.veer.enabled && schedule.veer.degrees > 0.0) {
        const double a = veerAngle(schedule, keyTime);
        const double c = std::cos(a);
        const double s = std::sin(a);
        const Vec3 d = w.direction;
        w.direction = {d.x * c + d.z * s, d.y, d.z * c - d.x * s, d.status};
    }
    return w;
}

std::vector<double> gustArrivals(const WindSchedule& schedule, double from, double to)
{
    std::vector<double> out;
    gustArrivals(schedule, from, to, out);
    return out;
}

double gustLevelAmong(const GustSettings& gusts, const std::vector<double>& arrivals, double t)
{
    // Each shape rises, then falls: the largest is that of the last arrival at
    // or before the peak time or of the first after it, as gustLevel finds.
    double level = 0.0;
    auto a = std::lower_bound(arrivals.begin(), arrivals.end(), t - gusts.rise - gusts.fall);
    for (; a != arrivals.end() && *a < t; ++a) level = std::max(level, gustShape(gusts, t - *a));
    return level;
}

void gustArrivals(const WindSchedule& schedule, double from, double to, std::vector<double>& out)
{
    out.clear();
    if (!schedule.gusts.enabled || to <= from) return;
    const double length = gustBlockSeconds(schedule.gusts);
    const int64_t first = std::max<int64_t>(0, static_cast<int64_t>(std::floor(from / length)));
    const int64_t last = static_cast<int64_t>(std::floor(to / length));
    for (int64_t b = first; b <= last; ++b)
        forEachArrival(schedule, b, [&](double a) {
            if (a >= from && a < to) out.push_back(a);
        });
}

std::string windDirectionFault(double x, double y, double z)
{
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return "must be three finite numbers";
    if (x == 0.0 && y == 0.0 && z == 0.0) return "is a zero vector (no direction)";
    const double len = std::sqrt(x * x + y * y + z * z);
    if (!(len >= 1e-150 && len <= 1e150)) return "is out of range: its length must lie in 1e-150..1e150";
    if (std::hypot(x, z) <= 1e-9 * len) return "must have a non-zero horizontal part (x or z)";
    return {};
}

bool presetWind(std::string_view name, const WindSettings& previous, WindSettings& state)
{
    for (const Preset& p : kPresets)
        if (name == p.name) {
            state = {p.gale, p.magnitude, previous.direction};
            return true;
        }
    return false;
}

const char* presetNames() { return "calm, breeze, gale, strong-gale, storm"; }

WindSchedule constantSchedule(const WindSettings& state)
{
    WindSchedule s;
    s.keys.push_back({0.0, state});
    return s;
}

bool presetSchedule(std::string_view name, WindSchedule& schedule)
{
    WindSettings state;
    if (!presetWind(name, WindSettings{}, state)) return false;
    schedule = constantSchedule(state);
    return true;
}

bool easeToPreset(WindSchedule& schedule, double t, std::string_view name)
{
    if (schedule.keys.empty()) return false;
    const WindSettings now = keyedWind(schedule, t);
    WindSettings target;
    if (!presetWind(name, now, target)) return false;
    t = std::max(t, 0.0);
    std::vector<WindKey>& keys = schedule.keys;
    keys.erase(std::lower_bound(keys.begin(), keys.end(), t, [](const WindKey& k, double time) { return k.time < time; }),
               keys.end());
    WindSettings start = now;
    start.gale = target.gale;
    keys.push_back({t, start});
    keys.push_back({t + kPresetEaseSeconds, target});
    return true;
}

void setGusts(WindSchedule& schedule, const GustSettings& gusts) { schedule.gusts = gusts; }
