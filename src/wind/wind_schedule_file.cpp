#include "wind/wind_schedule_file.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>

#include <nlohmann/json.hpp>

namespace {

using nlohmann::json;

// A value's allowed interval; an open end excludes its bound.
struct Range {
    double low;       // smallest allowed (or bound just below, when lowOpen)
    double high;      // largest allowed
    bool lowOpen;     // low itself refused
    const char* text; // the interval as the message says it
};

constexpr Range kTimeRange{0.0, 1e9, false, "must be a number >= 0"};
constexpr Range kMagnitudeRange{0.0, 800.0, false, "must be a number in 0..800"};
constexpr Range kEveryRange{0.0, 600.0, true, "must be a number > 0 and <= 600"};
constexpr Range kStrengthRange{0.0, 4.0, false, "must be a number in 0..4"};
constexpr Range kShapeRange{0.0, 60.0, true, "must be a number > 0 and <= 60"};
constexpr Range kDegreesRange{0.0, 180.0, false, "must be a number in 0..180"};
constexpr Range kPeriodRange{0.0, 3600.0, true, "must be a number > 0 and <= 3600"};

// The first fault found, as "field: problem"; empty while all is well.
struct Fault {
    std::string text; // field and problem
    bool set(const std::string& field, const std::string& problem)
    {
        text = field + ": " + problem;
        return false;
    }
};

bool onlyFields(const json& object, const std::string& where, std::initializer_list<const char*> allowed, Fault& fault)
{
    for (const auto& item : object.items()) {
        bool known = false;
        for (const char* name : allowed) known = known || item.key() == name;
        if (!known) return fault.set(where.empty() ? item.key() : where + "." + item.key(), "unknown field");
    }
    return true;
}

bool readNumber(const json& object, const char* name, const std::string& where, const Range& range, double& out,
                Fault& fault)
{
    const json& v = object.at(name);
    const std::string field = where + "." + name;
    if (!v.is_number()) return fault.set(field, range.text);
    const double x = v.get<double>();
    if (!(x >= range.low && x <= range.high) || (range.lowOpen && x == range.low)) return fault.set(field, range.text);
    out = x;
    return true;
}

bool readDirection(const json& v, const std::string& field, Vec3& out, Fault& fault)
{
    if (!v.is_array() || v.size() != 3 || !v[0].is_number() || !v[1].is_number() || !v[2].is_number())
        return fault.set(field, "must be three numbers");
    const Vec3 d{v[0].get<double>(), v[1].get<double>(), v[2].get<double>(), 0};
    const double len = norm(d);
    // The step's wind frame needs a horizontal part.
    if (!std::isfinite(len) || std::hypot(d.x, d.z) <= 1e-9 * len || len == 0.0)
        return fault.set(field, "must have a non-zero horizontal part (x or z)");
    out = {d.x / len, d.y / len, d.z / len, 0};
    return true;
}

// One key, its missing fields taken from `previous`.
bool readKey(const json& k, const std::string& where, const WindSettings& previous, WindKey& key, Fault& fault)
{
    if (!k.is_object()) return fault.set(where, "must be an object");
    if (!onlyFields(k, where, {"time", "preset", "regime", "magnitude", "direction"}, fault)) return false;
    if (!k.contains("time")) return fault.set(where + ".time", "missing");
    if (!readNumber(k, "time", where, kTimeRange, key.time, fault)) return false;
    key.state = previous;
    if (k.contains("preset")) {
        if (k.contains("regime") || k.contains("magnitude") || k.contains("direction"))
            return fault.set(where + ".preset", "give either a preset or regime/magnitude/direction");
        const json& p = k["preset"];
        if (!p.is_string() || !presetWind(p.get<std::string>(), previous, key.state))
            return fault.set(where + ".preset", std::string("must be one of ") + presetNames());
        return true;
    }
    if (k.contains("regime")) {
        const json& r = k["regime"];
        if (!r.is_string() || (r != "gale" && r != "breeze")) return fault.set(where + ".regime", "must be gale or breeze");
        key.state.gale = r == "gale";
    }
    if (k.contains("magnitude") && !readNumber(k, "magnitude", where, kMagnitudeRange, key.state.magnitude, fault))
        return false;
    if (k.contains("direction") && !readDirection(k["direction"], where + ".direction", key.state.direction, fault))
        return false;
    return true;
}

bool readKeys(const json& root, WindSchedule& s, Fault& fault)
{
    if (!root.contains("keys")) return fault.set("keys", "missing");
    const json& keys = root["keys"];
    if (!keys.is_array() || keys.empty()) return fault.set("keys", "must be a non-empty list");
    WindSettings previous; // the start state: strong gale along +x
    for (size_t i = 0; i < keys.size(); ++i) {
        const std::string where = "keys[" + std::to_string(i) + "]";
        WindKey key;
        if (!readKey(keys[i], where, previous, key, fault)) return false;
        if (i == 0 && key.time != 0.0) return fault.set(where + ".time", "the first key must be at time 0");
        if (i > 0 && key.time <= s.keys.back().time)
            return fault.set(where + ".time", "times must strictly increase");
        s.keys.push_back(key);
        previous = key.state;
    }
    return true;
}

// An optional section whose fields are all required.
bool readSection(const json& root, const char* name, std::initializer_list<const char*> fields, Fault& fault)
{
    const json& section = root[name];
    if (!section.is_object()) return fault.set(name, "must be an object");
    if (!onlyFields(section, name, fields, fault)) return false;
    for (const char* f : fields)
        if (!section.contains(f)) return fault.set(std::string(name) + "." + f, "missing");
    return true;
}

bool readOptional(const json& root, WindSchedule& s, Fault& fault)
{
    if (root.contains("seed")) {
        const json& seed = root["seed"];
        if (!seed.is_number_unsigned()) // a negative integer is stored signed
            return fault.set("seed", "must be a non-negative integer");
        s.seed = seed.get<uint64_t>();
    }
    if (root.contains("gusts")) {
        if (!readSection(root, "gusts", {"every", "strength", "rise", "fall"}, fault)) return false;
        const json& g = root["gusts"];
        s.gusts.enabled = true;
        if (!readNumber(g, "every", "gusts", kEveryRange, s.gusts.every, fault) ||
            !readNumber(g, "strength", "gusts", kStrengthRange, s.gusts.strength, fault) ||
            !readNumber(g, "rise", "gusts", kShapeRange, s.gusts.rise, fault) ||
            !readNumber(g, "fall", "gusts", kShapeRange, s.gusts.fall, fault))
            return false;
    }
    if (root.contains("veer")) {
        if (!readSection(root, "veer", {"degrees", "period"}, fault)) return false;
        const json& v = root["veer"];
        s.veer.enabled = true;
        if (!readNumber(v, "degrees", "veer", kDegreesRange, s.veer.degrees, fault) ||
            !readNumber(v, "period", "veer", kPeriodRange, s.veer.period, fault))
            return false;
    }
    return true;
}

} // namespace

bool parseWindSchedule(const std::string& text, const std::string& name, WindSchedule& schedule, std::string& error)
{
    try {
        const json root = json::parse(text);
        Fault fault;
        WindSchedule s;
        if (!root.is_object())
            fault.set("(top level)", "must be an object");
        else if (onlyFields(root, "", {"seed", "keys", "gusts", "veer"}, fault) && readKeys(root, s, fault))
            readOptional(root, s, fault);
        if (!fault.text.empty()) {
            error = name + ": " + fault.text;
            return false;
        }
        schedule = std::move(s);
        return true;
    } catch (const json::parse_error& e) {
        // "[json.exception.parse_error.101] parse error at line L, column C: ..." without the tag.
        const std::string what = e.what();
        const size_t tag = what.find("] ");
        error = name + ": bad JSON: " + (tag == std::string::npos ? what : what.substr(tag + 2));
    } catch (const std::exception& e) {
        error = name + ": " + e.what();
    }
    return false;
}

bool loadWindSchedule(const std::string& path, WindSchedule& schedule, std::string& error)
{
    std::error_code code;
    if (std::filesystem::is_directory(path, code)) {
        error = path + ": cannot read the file (a folder)";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    if (in) text << in.rdbuf();
    if (!in || in.bad()) {
        error = path + ": cannot read the file";
        return false;
    }
    return parseWindSchedule(text.str(), path, schedule, error);
}
