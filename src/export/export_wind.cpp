#include "export/export_wind.h"

#include <cstdio>
#include <cstring>

#include <nlohmann/json.hpp>

#include "platform/text_file.h"
#include "wind/wind_schedule_file.h"

namespace {

using nlohmann::json;

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool sameWind(const WindSettings& a, const WindSettings& b)
{
    return a.gale == b.gale && sameBits(a.magnitude, b.magnitude) && sameBits(a.direction.x, b.direction.x) &&
           sameBits(a.direction.y, b.direction.y) && sameBits(a.direction.z, b.direction.z);
}

// The --wind file's text, read once more (the reader checked it already).
bool fileText(const std::string& path, std::string& text, std::string& error)
{
    std::string reason;
    FILE* file = openDataFile(path.c_str(), reason);
    if (!file) {
        error = path + ": cannot read the file: " + reason;
        return false;
    }
    text.clear();
    char block[65536];
    for (size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;) text.append(block, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) error = path + ": cannot read the file";
    return !failed;
}

json gustsJson(const GustSettings& g)
{
    return {{"every", g.every}, {"strength", g.strength}, {"rise", g.rise}, {"fall", g.fall}};
}

// The schedule of the constant-wind flags or a preset: one key, the
// direction as given (it normalises to the key's).
std::string flagsText(const RunFlags& run)
{
    const WindSchedule& s = run.schedule;
    const WindSettings& key = s.keys.front().state;
    const Vec3& d = run.windDirGiven;
    json root;
    root["keys"] = json::array({{{"time", 0.0},
                                 {"regime", key.gale ? "gale" : "breeze"},
                                 {"magnitude", key.magnitude},
                                 {"direction", {d.x, d.y, d.z}}}});
    if (s.gusts.enabled) root["gusts"] = gustsJson(s.gusts);
    root["seed"] = s.seed;
    return root.dump();
}

} // namespace

bool sameSchedule(const WindSchedule& a, const WindSchedule& b)
{
    if (a.keys.size() != b.keys.size() || a.seed != b.seed || a.gusts.enabled != b.gusts.enabled ||
        a.veer.enabled != b.veer.enabled || !sameBits(a.repeat, b.repeat))
        return false;
    for (size_t i = 0; i < a.keys.size(); ++i)
        if (!sameBits(a.keys[i].time, b.keys[i].time) || !sameWind(a.keys[i].state, b.keys[i].state)) return false;
    const GustSettings &g = a.gusts, &h = b.gusts;
    if (g.enabled && !(sameBits(g.every, h.every) && sameBits(g.strength, h.strength) && sameBits(g.rise, h.rise) &&
                       sameBits(g.fall, h.fall)))
        return false;
    return !a.veer.enabled || (sameBits(a.veer.degrees, b.veer.degrees) && sameBits(a.veer.period, b.veer.period));
}

bool runWindText(const RunFlags& run, std::string& text, std::string& error)
{
    const std::string& file = run.windChoice.file;
    if (run.schedule.keys.empty()) {
        error = "the run's wind schedule has no keys";
        return false;
    }
    if (file.empty()) {
        text = flagsText(run);
    } else {
        if (!fileText(file, text, error)) return false;
        if (run.windChoice.gusts) {
            // The numbers read back as they were read: a double's shortest text.
            json root = json::parse(text, nullptr, false);
            if (!root.is_object()) {
                error = file + ": changed while the run started";
                return false;
            }
            root["gusts"] = gustsJson(run.schedule.gusts);
            text = root.dump();
        }
    }
    if (run.schedule.repeat > 0.0) { // a loop's wind starts over with the clip
        json root = json::parse(text, nullptr, false);
        if (!root.is_object()) {
            error = file + ": changed while the run started";
            return false;
        }
        root["repeat"] = run.schedule.repeat;
        text = root.dump();
    }
    // The reader is the judge: the text is used only if it gives the run's schedule back.
    WindSchedule back;
    const std::string name = file.empty() ? "the run's wind" : file;
    if (!parseWindSchedule(text, name, back, error)) return false;
    if (!sameSchedule(back, run.schedule)) {
        error = name + ": the wind schedule does not read back as the run's" +
                (file.empty() ? std::string() : " (the file changed while the run started)");
        return false;
    }
    return true;
}
