#include "wind/wind_schedule_file.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <set>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/text_file.h"
#include "wind/json_fields.h"

namespace {

using nlohmann::json;

// A value's allowed interval; an open end excludes its bound.
struct Range {
    double low;       // smallest allowed (or bound just below, when lowOpen)
    double high;      // largest allowed
    bool lowOpen;     // low itself refused
    const char* text; // the interval as the message says it
};

constexpr Range kTimeRange{0.0, 1e9, false, "must be a number in 0..1e9 (seconds)"};
constexpr Range kMagnitudeRange{0.0, 800.0, false, "must be a number in 0..800"};
// Gust timing has a floor of one step: see kMinGustSeconds.
constexpr Range kEveryRange{kMinGustSeconds, 600.0, false,
                            "must be a number in 0.05..600 (seconds; not below one 0.05 s step)"};
constexpr Range kStrengthRange{0.0, 4.0, false, "must be a number in 0..4"};
constexpr Range kShapeRange{kMinGustSeconds, 60.0, false,
                            "must be a number in 0.05..60 (seconds; not below one 0.05 s step)"};
constexpr Range kDegreesRange{0.0, 180.0, false, "must be a number in 0..180"};
constexpr Range kPeriodRange{0.0, 3600.0, true, "must be a number > 0 and <= 3600"};
// A front crawling slower than this takes hours over a field; faster ones
// cross a field within a step, which is no front to see.
constexpr Range kRepeatRange{kMinGustSeconds, 86400.0, false, "must be a number in 0.05..86400 (seconds)"};
constexpr Range kFrontSpeedRange{0.01, 10000.0, false, "must be a number in 0.01..10000 (units per second)"};
// Far above any schedule written by hand, and keeps /dev/zero-like input bounded.
constexpr size_t kMaxFileBytes = size_t(4) << 20;

using Fault = JsonFault;

bool readNumber(const json& object, const char* name, const std::string& where, const Range& range, double& out,
                Fault& fault)
{
    const json& v = object.at(name);
    const std::string field = where.empty() ? std::string(name) : where + "." + name;
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
    const std::string why = windDirectionFault(d.x, d.y, d.z);
    if (!why.empty()) return fault.set(field, why);
    const double len = norm(d);
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

// An optional section: its fields required, but for the one optional field (when named).
bool readSection(const json& root, const char* name, std::initializer_list<const char*> fields, Fault& fault,
                 const char* optional = nullptr)
{
    const json& section = root[name];
    if (!section.is_object()) return fault.set(name, "must be an object");
    for (const auto& item : section.items()) {
        bool known = optional && item.key() == optional;
        for (const char* f : fields) known = known || item.key() == f;
        if (!known) return fault.set(std::string(name) + "." + item.key(), "unknown field");
    }
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
        if (!readSection(root, "gusts", {"every", "strength", "rise", "fall"}, fault, "front_speed")) return false;
        const json& g = root["gusts"];
        s.gusts.enabled = true;
        if (!readNumber(g, "every", "gusts", kEveryRange, s.gusts.every, fault) ||
            !readNumber(g, "strength", "gusts", kStrengthRange, s.gusts.strength, fault) ||
            !readNumber(g, "rise", "gusts", kShapeRange, s.gusts.rise, fault) ||
            !readNumber(g, "fall", "gusts", kShapeRange, s.gusts.fall, fault))
            return false;
        if (g.contains("front_speed") &&
            !readNumber(g, "front_speed", "gusts", kFrontSpeedRange, s.gusts.frontSpeed, fault))
            return false;
    }
    if (root.contains("front_speed") && !readNumber(root, "front_speed", "", kFrontSpeedRange, s.frontSpeed, fault))
        return false;
    if (root.contains("repeat")) {
        if (!readNumber(root, "repeat", "", kRepeatRange, s.repeat, fault)) return false;
        // A front reaches far points later than a period allows for.
        if (s.frontSpeed > 0.0 || s.gusts.frontSpeed > 0.0) return fault.set("repeat", "cannot go with front_speed");
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

// Builds the document as json::parse does while keeping the path to the
// value being read, so that a key given twice (json::parse keeps the last one
// silently) and a number no double holds (json::parse names no place) are
// told by their field.
class DocumentBuilder {
public:
    explicit DocumentBuilder(const std::string& text) : text_(text) {}
    json& root() { return root_; }
    const std::string& fault() const { return fault_; }

    bool null() { return place(nullptr) != nullptr; }
    bool boolean(bool v) { return place(v) != nullptr; }
    bool number_integer(json::number_integer_t v) { return place(v) != nullptr; }
    bool number_unsigned(json::number_unsigned_t v) { return place(v) != nullptr; }
    bool number_float(json::number_float_t v, const std::string&) { return place(v) != nullptr; }
    bool string(std::string& v) { return place(std::move(v)) != nullptr; }
    bool binary(json::binary_t& v) { return place(json::binary(std::move(v))) != nullptr; }
    bool start_object(std::size_t) { return open(json::object()); }
    bool start_array(std::size_t) { return open(json::array()); }
    bool end_object() { return close(); }
    bool end_array() { return close(); }
    bool key(std::string& k)
    {
        Level& top = open_.back();
        top.key = k;
        if (top.keys.insert(k).second) return true;
        fault_ = path() + ": given twice";
        return false;
    }
    bool parse_error(std::size_t position, const std::string& token, const nlohmann::detail::exception& e)
    {
        if (e.id == 406) { // out_of_range.406: a number overflowing a double
            const size_t end = std::min(position, text_.size());
            const long line = 1 + std::count(text_.begin(), text_.begin() + static_cast<std::ptrdiff_t>(end), '\n');
            const std::string field = path();
            fault_ = (field.empty() ? "(top level)" : field) + ": " + token + " is out of range for a number (line " +
                     std::to_string(line) + ")";
            return false;
        }
        // "[json.exception.parse_error.101] parse error at line L, column C: ..." without the tag.
        const std::string what = e.what();
        const size_t tag = what.find("] ");
        fault_ = "bad JSON: " + (tag == std::string::npos ? what : what.substr(tag + 2));
        return false;
    }

private:
    struct Level {
        json* node;                 // the open object or array
        std::string key;            // an object's key being read
        std::set<std::string> keys; // an object's keys so far
    };

    // Puts a finished value where it belongs: the root, the open array or the open object's key.
    json* place(json&& v)
    {
        if (open_.empty()) return &(root_ = std::move(v));
        Level& top = open_.back();
        if (top.node->is_array()) return &top.node->emplace_back(std::move(v));
        return &((*top.node)[top.key] = std::move(v));
    }
    bool open(json&& empty)
    {
        open_.push_back({place(std::move(empty)), {}, {}});
        return true;
    }
    bool close()
    {
        open_.pop_back();
        return true;
    }
    // "keys[1].time": the field being read. An array's open element is its
    // last, except at the innermost level, whose next value is not placed yet.
    std::string path() const
    {
        std::string out;
        for (size_t i = 0; i < open_.size(); ++i) {
            const Level& l = open_[i];
            if (l.node->is_array())
                out += "[" + std::to_string(l.node->size() - (i + 1 < open_.size() ? 1 : 0)) + "]";
            else
                out += (out.empty() ? "" : ".") + l.key;
        }
        return out;
    }

    const std::string& text_;  // the text parsed, for line numbers
    json root_;                // the document so far
    std::vector<Level> open_;  // open objects and arrays, outermost first
    std::string fault_;        // why parsing stopped
};

} // namespace

bool parseWindSchedule(const std::string& text, const std::string& name, WindSchedule& schedule, std::string& error)
{
    try {
        DocumentBuilder document(text);
        if (!json::sax_parse(text, &document)) {
            error = name + ": " + document.fault();
            return false;
        }
        const json& root = document.root();
        Fault fault;
        WindSchedule s;
        if (!root.is_object())
            fault.set("(top level)", "must be an object");
        else if (onlyFields(root, "", {"seed", "keys", "gusts", "veer", "front_speed", "repeat"}, fault) && readKeys(root, s, fault))
            readOptional(root, s, fault);
        if (!fault.text.empty()) {
            error = name + ": " + fault.text;
            return false;
        }
        schedule = std::move(s);
        return true;
    } catch (const std::exception& e) {
        error = name + ": " + e.what();
    }
    return false;
}

bool loadWindSchedule(const std::string& path, WindSchedule& schedule, std::string& error)
{
    std::string text;
    if (!readCappedFile(path, kMaxFileBytes, "4 MB", "a wind schedule", text, error)) return false;
    return parseWindSchedule(text, path, schedule, error);
}
