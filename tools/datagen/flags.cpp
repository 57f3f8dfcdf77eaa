#include "flags.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "leaf_mesh.h"
#include "tree_skeleton.h"

namespace {

std::string number(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

FlagSpec numberFlag(const char* group, const char* name, const char* unit, double min, double max, double fallback,
                    const char* help)
{
    return {name, FlagKind::Number, unit, min, max, {}, number(fallback), help, group};
}

FlagSpec wholeFlag(const char* group, const char* name, double min, double max, long fallback, const char* help)
{
    return {name, FlagKind::Whole, "", min, max, {}, std::to_string(fallback), help, group};
}

std::vector<FlagSpec> buildTable()
{
    const TreeParams tree;
    const LeafParams leaf;
    const char* general = "General";
    const char* t = "Tree (lengths in model units, about metres; angles in degrees)";
    const char* l = "Leaf (lengths in leaf-file units; the program shows them at a quarter)";
    std::vector<FlagSpec> table;
    table.push_back({"out", FlagKind::Text, "", 0, 0, {}, "./data", "data folder to write; arborvane --data DIR reads it", general});
    table.push_back({"only", FlagKind::Text, "", 0, 0, {}, "all",
                     "comma list of parts to write: tree, leaf, noise, grass, textures", general});
    table.push_back({"preset", FlagKind::Word, "", 0, 0, {}, "tulip",
                     "start from a named tree (below); flags given as well override it", general});
    for (const Preset& p : presetTable()) table.back().words.push_back(p.name);

    table.push_back(wholeFlag(t, "tree-seed", 0, 4294967295.0, long(tree.seed), "random seed of the branching"));
    table.push_back(numberFlag(t, "tree-height", "model units", 4, 13, tree.height, "top of the leader; taller leaves the default view"));
    table.push_back(numberFlag(t, "crown-base", "model units", 0.5, 8, tree.crownBase, "height of the lowest limb, at least 2.5 below the top"));
    table.push_back(numberFlag(t, "crown-width", "model units", 1.5, 16, tree.crownWidth, "widest span of the crown envelope"));
    table.push_back({"crown-shape", FlagKind::Word, "", 0, 0, {"oval", "round", "cone", "column"}, tree.crownShape,
                     "envelope the shoots grow into", t});
    table.push_back(wholeFlag(t, "limbs", 3, 30, tree.limbs, "scaffold limbs on the leader"));
    table.push_back(numberFlag(t, "limb-angle-low", "degrees", 10, 110, tree.limbAngleLow, "lowest limb against the vertical"));
    table.push_back(numberFlag(t, "limb-angle-high", "degrees", 5, 110, tree.limbAngleHigh, "highest limb against the vertical"));
    table.push_back(numberFlag(t, "trunk-radius", "model units", 0.1, 1.5, tree.trunkRadius, "radius column at the trunk's base"));
    table.push_back(numberFlag(t, "pipe-exponent", "", 1.5, 4, tree.pipeExponent, "e in r^e of a fork adding up (lower: thicker twigs)"));
    table.push_back(numberFlag(t, "twig-length", "model units", 0.2, 2, tree.twigLength, "typical twig length"));
    table.push_back(numberFlag(t, "tip-segment", "model units", 0.06, 0.3, tree.tipSegment, "last segment of a shoot, where its leaves sit"));
    table.push_back(numberFlag(t, "segment", "model units", 0.1, 1, tree.segment, "body segment length of the shoots"));
    table.push_back(numberFlag(t, "upward-bend", "per model unit", 0, 1, tree.upwardBend, "how fast shoots turn upwards"));
    table.push_back(wholeFlag(t, "trunk-points", 4, kMaxBranchPoints, tree.trunkPoints, "points on the leader (fewer: steadier)"));

    table.push_back(numberFlag(l, "leaf-length", "leaf-file units", 1, 5, leaf.bladeLength, "blade length, base to apex"));
    table.push_back(numberFlag(l, "leaf-width-ratio", "", 0.4, 1.4, leaf.widthRatio, "widest span over blade length"));
    table.push_back(numberFlag(l, "leaf-petiole-ratio", "", 0.05, 0.8, leaf.petioleRatio, "petiole length over blade length"));
    table.push_back(numberFlag(l, "leaf-petiole-bend", "degrees", 2, 80, leaf.petioleBendDeg, "first petiole segment against the blade axis"));
    table.push_back(numberFlag(l, "leaf-tooth-depth", "", 0, 0.08, leaf.toothDepth, "serration depth over blade length"));
    table.push_back(numberFlag(l, "leaf-cup", "", 0, 0.6, leaf.cup, "margin rise towards the upper side, over blade length"));
    table.push_back(numberFlag(l, "leaf-droop", "", 0, 0.3, leaf.droop, "apex bend towards the lower side, over blade length"));
    return table;
}

// Reads a whole number or a number; false on trailing junk, NaN or infinity.
bool parseNumber(const std::string& text, bool whole, double& out)
{
    if (text.empty()) return false;
    char* end = nullptr;
    if (whole) {
        errno = 0;
        const long long v = std::strtoll(text.c_str(), &end, 10);
        if (errno != 0) return false;
        out = double(v);
    } else {
        out = std::strtod(text.c_str(), &end);
    }
    return *end == '\0' && std::isfinite(out);
}

} // namespace

const std::vector<Preset>& presetTable()
{
    static const std::vector<Preset> presets = {
        {"tulip", "tulip tree: tall oval crown on a straight leader (the default)", {}},
        {"spreading", "open-grown shade tree: short trunk, low round crown wider than tall",
         {{"tree-seed", "2024"}, {"tree-height", "8.6"}, {"crown-base", "1.7"}, {"crown-width", "12"},
          {"crown-shape", "round"}, {"limbs", "12"}, {"limb-angle-low", "82"}, {"limb-angle-high", "58"},
          {"trunk-radius", "0.7"}, {"twig-length", "0.7"}, {"upward-bend", "0.06"}}},
        {"columnar", "fastigiate tree: narrow column of steep limbs, like a Lombardy poplar",
         {{"tree-seed", "77"}, {"tree-height", "12.4"}, {"crown-base", "1.4"}, {"crown-width", "3.4"},
          {"crown-shape", "column"}, {"limbs", "22"}, {"limb-angle-low", "34"}, {"limb-angle-high", "18"},
          {"trunk-radius", "0.5"}, {"twig-length", "0.45"}, {"upward-bend", "0.3"}}},
        {"cone", "broad cone: limbs from near the ground, widest at the foot, pointed top",
         {{"tree-seed", "311"}, {"tree-height", "11.5"}, {"crown-base", "1.0"}, {"crown-width", "8.6"},
          {"crown-shape", "cone"}, {"limbs", "24"}, {"limb-angle-low", "88"}, {"limb-angle-high", "55"},
          {"trunk-radius", "0.55"}, {"twig-length", "0.55"}, {"upward-bend", "0.04"}}},
    };
    return presets;
}

const std::vector<FlagSpec>& flagTable()
{
    static const std::vector<FlagSpec> table = buildTable();
    return table;
}

const FlagSpec* findFlag(const std::string& name)
{
    for (const FlagSpec& f : flagTable())
        if (f.name == name) return &f;
    return nullptr;
}

const Preset* findPreset(const std::string& name)
{
    for (const Preset& p : presetTable())
        if (p.name == name) return &p;
    return nullptr;
}

std::string usageText()
{
    std::ostringstream out;
    out << "arborvane-grow: grows a tree and writes a complete data folder for arborvane and\n"
           "arborvane-record: the branch skeleton, the leaf, three wind noise grids, the grass\n"
           "field and the ten textures, plus preview pictures of the tree, leaf and textures.\n"
           "The same flags always give the same bytes.\n\n"
           "Usage: arborvane-grow [--preset NAME] [--out DIR] [--only PARTS] [--FLAG VALUE ...]\n"
           "       arborvane-grow --help\n\n"
           "Example: arborvane-grow --preset columnar --out trees/columnar\n"
           "         arborvane --data trees/columnar\n\n"
           "Presets (each grows 322 branches):\n";
    for (const Preset& p : presetTable()) {
        char line[160];
        std::snprintf(line, sizeof line, "  %-11s %s\n", p.name.c_str(), p.description.c_str());
        out << line;
    }
    std::string group;
    for (const FlagSpec& f : flagTable()) {
        if (f.group != group) {
            group = f.group;
            out << "\n" << group << ":\n";
        }
        std::string range;
        if (f.kind == FlagKind::Number || f.kind == FlagKind::Whole)
            range = number(f.min) + ".." + (f.max > 1e9 ? std::string("4294967295") : number(f.max));
        else if (f.kind == FlagKind::Word) {
            for (const std::string& w : f.words) range += (range.empty() ? "" : "|") + w;
        }
        const char* arg = f.kind == FlagKind::Whole ? "N" : f.kind == FlagKind::Number ? "X" : f.name == "out" ? "DIR" : f.name == "only" ? "PARTS" : "NAME";
        if (f.name == "crown-shape") arg = "SHAPE";
        char head[64];
        std::snprintf(head, sizeof head, "  --%s %s", f.name.c_str(), arg);
        char line[400];
        std::snprintf(line, sizeof line, "%-28s %s\n%-28s %s%s%sdefault %s\n", head, f.help.c_str(), "",
                      range.empty() ? "" : range.c_str(), range.empty() ? "" : ", ",
                      f.unit.empty() ? "" : (f.unit + ", ").c_str(), f.fallback.c_str());
        out << line;
    }
    out << "\nBad flags or values out of range exit with status 2 and name the flag.\n";
    return out.str();
}

void Flags::set(const std::string& name, const std::string& value)
{
    const FlagSpec* spec = findFlag(name);
    if (!spec) throw UsageError("unknown flag --" + name);
    if (spec->kind == FlagKind::Number || spec->kind == FlagKind::Whole) {
        double v = 0;
        if (!parseNumber(value, spec->kind == FlagKind::Whole, v))
            throw UsageError("--" + name + " needs " + (spec->kind == FlagKind::Whole ? "a whole number" : "a number") +
                             ", not '" + value + "'");
        if (v < spec->min || v > spec->max)
            throw UsageError("--" + name + " " + value + " is outside " + number(spec->min) + ".." +
                             (spec->max > 1e9 ? std::string("4294967295") : number(spec->max)) +
                             (spec->unit.empty() ? "" : " " + spec->unit));
    } else if (spec->kind == FlagKind::Word) {
        bool known = false;
        std::string list;
        for (const std::string& w : spec->words) {
            known = known || w == value;
            list += (list.empty() ? "" : ", ") + w;
        }
        if (!known) throw UsageError("--" + name + " '" + value + "' is not one of " + list);
    } else if (value.empty()) {
        throw UsageError("--" + name + " needs a value");
    }
    values_[name] = value;
}

void Flags::parse(int argc, char** argv)
{
    std::vector<std::pair<std::string, std::string>> given;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            help_ = true;
            continue;
        }
        if (arg.rfind("--", 0) != 0 || arg.size() < 3) throw UsageError("unexpected argument '" + arg + "' (flags are --name value)");
        std::string name = arg.substr(2), value;
        const size_t eq = name.find('=');
        if (eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        } else {
            if (!findFlag(name)) throw UsageError("unknown flag --" + name);
            // "--a --b": a flag name where a value belongs is a forgotten value.
            if (i + 1 >= argc || (std::string(argv[i + 1]).rfind("--", 0) == 0 && argv[i + 1][2] != '\0'))
                throw UsageError("flag --" + name + " needs a value");
            value = argv[++i];
        }
        given.push_back({name, value});
    }
    if (help_) return;
    for (const auto& [name, value] : given)
        if (name == "preset") {
            set(name, value);
            for (const auto& [presetFlag, presetValue] : findPreset(value)->values) set(presetFlag, presetValue);
        }
    for (const auto& [name, value] : given)
        if (name != "preset") set(name, value);
}

std::string Flags::getString(const std::string& name, const std::string& fallback) const
{
    auto it = values_.find(name);
    return it == values_.end() ? fallback : it->second;
}

double Flags::getDouble(const std::string& name, double fallback) const
{
    auto it = values_.find(name);
    return it == values_.end() ? fallback : std::strtod(it->second.c_str(), nullptr);
}

long Flags::getInt(const std::string& name, long fallback) const
{
    auto it = values_.find(name);
    return it == values_.end() ? fallback : std::strtol(it->second.c_str(), nullptr, 10);
}
