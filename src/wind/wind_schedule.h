// A wind schedule: the step's wind as a pure function of simulated time.
// Keyed states eased into each other, random gusts that multiply the keyed
// magnitude, and an optional slow veer of the direction about the vertical.
// Every random draw comes from the schedule's own seed, so the same schedule
// gives the same wind in every program, in any order of evaluation.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "wind/wind_settings.h"

// One keyed state: reached at `time`, held (regime) or eased to (magnitude, direction) from the key before.
struct WindKey {
    double time = 0.0;  /// seconds of simulated time
    WindSettings state; // regime, magnitude and direction at that time
};

// Gusts arrive as a Poisson process; each rises and falls back smoothly.
struct GustSettings {
    bool enabled = false;  // gusts on
    double every = 6.0;    /// mean interval between arrivals, seconds
    double strength = 0.5; // peak relative rise of the magnitude (0.5: +50 %)
    double rise = 1.0;     /// seconds from arrival to peak
    double fall = 2.0;     /// seconds from peak back to nothing
    double frontSpeed = 0.0; /// speed the gusts travel downwind, units/s; 0: they strike everywhere at once
};

// A slow wander of the direction about the vertical.
struct VeerSettings {
    bool enabled = false;  // veer on
    double degrees = 0.0;  /// largest turn either way, degrees
    double period = 20.0;  /// characteristic period, seconds
};

struct WindSchedule {
    std::vector<WindKey> keys; // at least one; first at time 0, times strictly increasing
    GustSettings gusts;        // off unless asked for
    VeerSettings veer;         // off unless asked for
    uint64_t seed = 1;         // seed of the gust arrivals and the veer
    double frontSpeed = 0.0;   /// speed the keys (and the veer) travel downwind, units/s; 0: everywhere at once
    double repeat = 0.0;       /// the wind starts over from time 0 every this many seconds; 0: never (no fronts with it)
};

// The gusts a bare `--gusts` asks for: every 6 s, +50 %, 1 s up, 2 s down.
inline constexpr GustSettings kDefaultGusts{true, 6.0, 0.5, 1.0, 2.0, 0.0};
// Seconds a preset chosen while running takes to be reached.
inline constexpr double kPresetEaseSeconds = 2.0;
// Largest effective magnitude.
inline constexpr double kMaxWindMagnitude = 800.0;
// Shortest gust interval, rise and fall a schedule file may ask for: one
// 0.05 s step. Finer timing cannot be followed by the steps, and the arrivals
// walked to evaluate one step grow without bound as the interval shrinks.
inline constexpr double kMinGustSeconds = 0.05;
static_assert(kDefaultGusts.every >= kMinGustSeconds && kDefaultGusts.rise >= kMinGustSeconds &&
              kDefaultGusts.fall >= kMinGustSeconds);

// Why (x, y, z) cannot be a wind direction, as a clause to follow its name
// ("is a zero vector (no direction)"), or empty when it can: finite, of a
// length in 1e-150..1e150 (so it normalises exactly), with a horizontal part,
// which the step's wind frame needs. For every reader of a direction.
std::string windDirectionFault(double x, double y, double z);

// The step input at simulated time t (steps x 0.05 s). Pure: depends on t and the schedule only.
WindSettings evaluateWind(const WindSchedule& schedule, double t);
// The wind with the keys and the veer at keyTime and the gusts at gustTime:
// what a point takes whose fronts passed it then. evaluateWind(s, t) is
// evaluateWindAt(s, t, t), bit for bit.
WindSettings evaluateWindAt(const WindSchedule& schedule, double keyTime, double gustTime);
// The same with the gust level given (0..1, as gustLevel says): for callers
// evaluating many times from one list of arrivals.
WindSettings windWithGustLevel(const WindSchedule& schedule, double keyTime, double level);
// The wind at `distance` units downwind of the origin at time t: each front
// (keys, gusts) reaches it distance / its speed after the origin (before, upwind);
// one without a speed at once.
WindSettings windAtDistance(const WindSchedule& schedule, double t, double distance);
// Where t falls in the schedule's first period when it repeats, else t.
double repeatedTime(const WindSchedule& schedule, double t);
// The keyed state alone at t (no gusts, no veer).
WindSettings keyedWind(const WindSchedule& schedule, double t);
// Largest gust shape over the arrivals active at t, 0..1 (0 when gusts are off).
double gustLevel(const WindSchedule& schedule, double t);
// Veer angle at t, radians (0 when veer is off).
double veerAngle(const WindSchedule& schedule, double t);
// Arrival times of the gusts in [from, to), ascending; for tests and plots.
std::vector<double> gustArrivals(const WindSchedule& schedule, double from, double to);
// The same into `out` (cleared first; its storage reused).
void gustArrivals(const WindSchedule& schedule, double from, double to, std::vector<double>& out);
// gustLevel(schedule, t) from arrivals (ascending) that hold every arrival in
// (t - rise - fall, t): the same value, without drawing any.
double gustLevelAmong(const GustSettings& gusts, const std::vector<double>& arrivals, double t);

// Names: calm, breeze, gale, strong-gale, storm. Fills `state` from the preset,
// keeping previous.direction; false for an unknown name.
bool presetWind(std::string_view name, const WindSettings& previous, WindSettings& state);
// The names above, comma separated, for messages.
const char* presetNames();

// One key holding `state` for ever: what the plain flags mean.
WindSchedule constantSchedule(const WindSettings& state);
// A constant schedule of a preset from the start state's direction (1, 0, 0); false for an unknown name.
bool presetSchedule(std::string_view name, WindSchedule& schedule);
// Keeps the keys before t, then eases from the keyed state at t to the
// preset over kPresetEaseSeconds; later keys are dropped. The preset's regime
// applies from t. False (schedule unchanged) for an unknown name or no keys.
bool easeToPreset(WindSchedule& schedule, double t, std::string_view name);
// Turns gusts on with `gusts` (enabled set) or off.
void setGusts(WindSchedule& schedule, const GustSettings& gusts);
