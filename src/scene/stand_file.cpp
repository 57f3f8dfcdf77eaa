#include "scene/stand_file.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <initializer_list>

#include <nlohmann/json.hpp>

#include "platform/text_file.h"
#include "wind/json_fields.h"

namespace {

using nlohmann::json;

// Far beyond 64 trees written by hand; keeps /dev/zero-like input bounded.
constexpr size_t kMaxStandBytes = size_t(1) << 20;
// The ground square is 200 units wide: a tree or lawn beyond it stands in the sky.
constexpr double kMaxReach = 100.0;

using Fault = JsonFault;

// Two numbers [a, b], each with |v| <= limit, and above zero when positive is set.
bool readPair(const json& v, const std::string& field, bool positive, double out[2], Fault& fault)
{
    const char* why = positive ? "must be two numbers in (0, 200]" : "must be two numbers in -100..100";
    if (!v.is_array() || v.size() != 2 || !v[0].is_number() || !v[1].is_number()) return fault.set(field, why);
    for (int i = 0; i < 2; ++i) {
        const double x = v[static_cast<size_t>(i)].get<double>();
        const bool ok = positive ? x > 0.0 && x <= 2.0 * kMaxReach : x >= -kMaxReach && x <= kMaxReach;
        if (!ok) return fault.set(field, why);
        out[i] = x;
    }
    return true;
}

bool readWhole(const json& v, const std::string& field, uint64_t most, uint64_t& out, Fault& fault)
{
    // A negative integer is stored signed, a fraction as a float: neither is unsigned.
    if (!v.is_number_unsigned() || v.get<uint64_t>() > most)
        return fault.set(field, "must be a whole number in 0.." + std::to_string(most));
    out = v.get<uint64_t>();
    return true;
}

// Where the tree's files come from: exactly one of a data folder or a preset.
bool readSource(const json& t, const std::string& where, const std::string& folder, StandTree& tree, Fault& fault)
{
    const bool data = t.contains("data"), preset = t.contains("preset");
    if (data == preset) return fault.set(where, "give either data (a folder) or preset");
    if (t.contains("grow_seed") && !preset) return fault.set(where + ".grow_seed", "only goes with a preset");
    if (preset) {
        const json& p = t["preset"];
        if (!p.is_string() || p.get<std::string>().empty())
            return fault.set(where + ".preset", "must be the name of an arborvane-grow preset");
        tree.preset = p.get<std::string>();
        return !t.contains("grow_seed") || readWhole(t["grow_seed"], where + ".grow_seed", UINT64_MAX, tree.growSeed, fault);
    }
    const json& d = t["data"];
    if (!d.is_string() || d.get<std::string>().empty()) return fault.set(where + ".data", "must be a folder name");
    const std::filesystem::path given(d.get<std::string>());
    const std::filesystem::path full = given.is_absolute() ? given : std::filesystem::path(folder) / given;
    std::error_code ec;
    if (!std::filesystem::is_directory(full, ec))
        return fault.set(where + ".data", full.string() + " is not a folder");
    tree.dataDir = full.lexically_normal().string();
    return true;
}

bool readTree(const json& t, const std::string& where, const std::string& folder, StandTree& tree, Fault& fault)
{
    if (!t.is_object()) return fault.set(where, "must be an object");
    if (!onlyFields(t, where, {"data", "preset", "grow_seed", "position", "turn", "seed"}, fault)) return false;
    if (!readSource(t, where, folder, tree, fault)) return false;
    if (t.contains("position")) {
        double p[2];
        if (!readPair(t["position"], where + ".position", false, p, fault)) return false;
        tree.placement.x = p[0];
        tree.placement.z = p[1];
    }
    if (t.contains("turn")) {
        const json& turn = t["turn"];
        if (!turn.is_number() || !(std::fabs(turn.get<double>()) <= 360.0))
            return fault.set(where + ".turn", "must be a number in -360..360 (degrees)");
        tree.placement.turn = turn.get<double>();
    }
    uint64_t seed = 1;
    if (t.contains("seed") && !readWhole(t["seed"], where + ".seed", UINT32_MAX, seed, fault)) return false;
    tree.seed = static_cast<uint32_t>(seed);
    return true;
}

bool readStand(const json& root, const std::string& folder, StandFile& s, Fault& fault)
{
    if (!root.is_object()) return fault.set("(top level)", "must be an object");
    if (!onlyFields(root, "", {"trees", "grass"}, fault)) return false;
    if (!root.contains("trees")) return fault.set("trees", "missing");
    const json& trees = root["trees"];
    if (!trees.is_array() || trees.empty() || trees.size() > static_cast<size_t>(kMaxStandTrees))
        return fault.set("trees", "must be a list of 1.." + std::to_string(kMaxStandTrees) + " trees");
    for (size_t i = 0; i < trees.size(); ++i) {
        StandTree tree;
        if (!readTree(trees[i], "trees[" + std::to_string(i) + "]", folder, tree, fault)) return false;
        s.trees.push_back(std::move(tree));
    }
    if (!root.contains("grass")) return true;
    const json& grass = root["grass"];
    if (!grass.is_object()) return fault.set("grass", "must be an object");
    if (!onlyFields(grass, "grass", {"extent"}, fault)) return false;
    if (!grass.contains("extent")) return fault.set("grass.extent", "missing");
    s.grass = true;
    return readPair(grass["extent"], "grass.extent", true, s.grassExtent, fault);
}

} // namespace

bool parseStandFile(const std::string& text, const std::string& name, const std::string& folder, StandFile& stand,
                    std::string& error)
{
    try {
        json root;
        try {
            root = json::parse(text);
        } catch (const json::exception& e) {
            // "[json.exception.parse_error.101] parse error at line L, column C: ..." without the tag.
            const std::string what = e.what();
            const size_t tag = what.find("] ");
            error = name + ": bad JSON: " + (tag == std::string::npos ? what : what.substr(tag + 2));
            return false;
        }
        Fault fault;
        StandFile s;
        if (!readStand(root, folder, s, fault)) {
            error = name + ": " + fault.text;
            return false;
        }
        stand = std::move(s);
        return true;
    } catch (const std::exception& e) {
        error = name + ": " + e.what();
    }
    return false;
}

bool loadStandFile(const std::string& path, StandFile& stand, std::string& error)
{
    std::string text;
    if (!readCappedFile(path, kMaxStandBytes, "1 MB", "a stand file", text, error)) return false;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    return parseStandFile(text, path, folder.empty() ? "." : folder.string(), stand, error);
}
