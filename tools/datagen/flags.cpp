#include "flags.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <type_traits>

#include "cli/command_line.h"

namespace {

const char* const kGeneral = "General";
const char* const kTreeGroup = "Tree (lengths in model units, about metres; angles in degrees)";
const char* const kLeafGroup = "Leaf (lengths in leaf-file units; the program shows them at a quarter)";

// A number flag bound to field: X, lo..hi in unit, the field's value as the default.
template <typename T>
void number(CLI::App& app, const char* group, const char* name, T& field, double lo, double hi, const char* unit,
            const char* help)
{
    CLI::Option* option = app.add_option(name, field, help)->group(group)->capture_default_str();
    if constexpr (std::is_integral_v<T>) option->type_name("N")->transform(wholeIn(lo, hi, unit));
    else option->type_name("X")->check(numberIn(lo, hi, unit));
}

void addTreeFlags(CLI::App& app, TreeParams& t)
{
    const char* g = kTreeGroup;
    number(app, g, "--tree-seed", t.seed, 0, 4294967295.0, "", "random seed of the branching");
    number(app, g, "--tree-height", t.height, 4, 13, "model units", "top of the leader; taller leaves the default view");
    number(app, g, "--crown-base", t.crownBase, 0.5, 8, "model units", "height of the lowest limb, at least 2.5 below the top");
    number(app, g, "--crown-width", t.crownWidth, 1.5, 16, "model units", "widest span of the crown envelope");
    app.add_option("--crown-shape", t.crownShape, "envelope the shoots grow into")
        ->group(g)
        ->type_name("SHAPE")
        ->check(oneOf({"oval", "round", "cone", "column"}))
        ->capture_default_str();
    number(app, g, "--limbs", t.limbs, 3, 30, "", "scaffold limbs on the leader");
    number(app, g, "--limb-angle-low", t.limbAngleLow, 10, 110, "degrees", "lowest limb against the vertical");
    number(app, g, "--limb-angle-high", t.limbAngleHigh, 5, 110, "degrees", "highest limb against the vertical");
    number(app, g, "--trunk-radius", t.trunkRadius, 0.1, 1.5, "model units", "radius column at the trunk's base");
    number(app, g, "--pipe-exponent", t.pipeExponent, 1.5, 4, "", "e in r^e of a fork adding up (lower: thicker twigs)");
    number(app, g, "--twig-length", t.twigLength, 0.2, 2, "model units", "typical twig length");
    number(app, g, "--tip-segment", t.tipSegment, 0.06, 0.3, "model units", "last segment of a shoot, where its leaves sit");
    number(app, g, "--segment", t.segment, 0.1, 1, "model units", "body segment length of the shoots");
    number(app, g, "--upward-bend", t.upwardBend, 0, 1, "per model unit", "how fast shoots turn upwards");
    number(app, g, "--trunk-points", t.trunkPoints, 4, kMaxBranchPoints, "", "points on the leader (fewer: steadier)");
}

void addLeafFlags(CLI::App& app, LeafParams& l)
{
    const char* g = kLeafGroup;
    number(app, g, "--leaf-length", l.bladeLength, 1, 5, "leaf-file units", "blade length, base to apex");
    number(app, g, "--leaf-width-ratio", l.widthRatio, 0.4, 1.4, "", "widest span over blade length");
    number(app, g, "--leaf-petiole-ratio", l.petioleRatio, 0.05, 0.8, "", "petiole length over blade length");
    number(app, g, "--leaf-petiole-bend", l.petioleBendDeg, 2, 80, "degrees", "first petiole segment against the blade axis");
    number(app, g, "--leaf-tooth-depth", l.toothDepth, 0, 0.08, "", "serration depth over blade length");
    number(app, g, "--leaf-cup", l.cup, 0, 0.6, "", "margin rise towards the upper side, over blade length");
    number(app, g, "--leaf-droop", l.droop, 0, 0.3, "", "apex bend towards the lower side, over blade length");
}

// A comma list of part names, or all.
CLI::Validator partList()
{
    return CLI::Validator(
        [](std::string& text) -> std::string {
            if (text == "all") return {};
            size_t start = 0;
            while (start <= text.size()) {
                const size_t comma = std::min(text.find(',', start), text.size());
                const std::string word = text.substr(start, comma - start);
                if (word != "tree" && word != "leaf" && word != "noise" && word != "grass" && word != "textures")
                    return "'" + word + "' is not one of tree, leaf, noise, grass, textures, all";
                start = comma + 1;
            }
            return {};
        },
        "tree,leaf,noise,grass,textures");
}

// The --out, --only and --preset flags; a preset's callback runs before the
// tree flags' (CLI11 runs them in the order they are added).
void addGeneralFlags(CLI::App& app, GrowOptions& o)
{
    app.get_help_ptr()->group(kGeneral);
    app.get_version_ptr()->group(kGeneral);
    app.add_option("--out", o.out, "data folder to write; arborvane --data DIR reads it")
        ->group(kGeneral)
        ->type_name("DIR")
        ->check(nameOf("a folder name"))
        ->capture_default_str();
    app.add_option("--only", o.only, "comma list of parts to write, or all")
        ->group(kGeneral)
        ->type_name("PARTS")
        ->check(partList())
        ->capture_default_str();
    std::vector<std::string> names;
    for (const Preset& p : presetTable()) names.push_back(p.name);
    app.add_option_function<std::string>(
           "--preset",
           [&o](const std::string& name) {
               o.preset = name;
               for (const Preset& p : presetTable())
                   if (p.name == name) p.apply(o.tree);
           },
           "start from a named tree (above); flags given as well override it")
        ->group(kGeneral)
        ->type_name("NAME")
        ->check(oneOf(names))
        ->default_str(o.preset);
}

std::string description()
{
    std::string text =
        "arborvane-grow: grows a tree and writes a complete data folder for arborvane and\n"
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
        text += line;
    }
    return text;
}

} // namespace

const std::vector<Preset>& presetTable()
{
    static const std::vector<Preset> presets = {
        {"tulip", "tulip tree: tall oval crown on a straight leader (the default)", [](TreeParams&) {}},
        {"spreading", "open-grown shade tree: short trunk, low round crown wider than tall",
         [](TreeParams& t) {
             t.seed = 2024, t.height = 8.6, t.crownBase = 1.7, t.crownWidth = 12, t.crownShape = "round";
             t.limbs = 12, t.limbAngleLow = 82, t.limbAngleHigh = 58, t.trunkRadius = 0.7, t.twigLength = 0.7;
             t.upwardBend = 0.06;
         }},
        {"columnar", "fastigiate tree: narrow column of steep limbs, like a Lombardy poplar",
         [](TreeParams& t) {
             t.seed = 77, t.height = 12.4, t.crownBase = 1.4, t.crownWidth = 3.4, t.crownShape = "column";
             t.limbs = 22, t.limbAngleLow = 34, t.limbAngleHigh = 18, t.trunkRadius = 0.5, t.twigLength = 0.45;
             t.upwardBend = 0.3;
         }},
        {"cone", "broad cone: limbs from near the ground, widest at the foot, pointed top",
         [](TreeParams& t) {
             t.seed = 311, t.height = 11.5, t.crownBase = 1.0, t.crownWidth = 8.6, t.crownShape = "cone";
             t.limbs = 24, t.limbAngleLow = 88, t.limbAngleHigh = 55, t.trunkRadius = 0.55, t.twigLength = 0.55;
             t.upwardBend = 0.04;
         }},
    };
    return presets;
}

void checkFlagPairs(const GrowOptions& options)
{
    std::error_code ec;
    if (std::filesystem::exists(options.out, ec) && !std::filesystem::is_directory(options.out, ec))
        throw UsageError("--out " + options.out + " is not a folder");
    // The crown needs room between its lowest limb and the top.
    const TreeParams& t = options.tree;
    if (t.crownBase + 2.5 > t.height) {
        char message[160];
        std::snprintf(message, sizeof message,
                      "--crown-base %g leaves no crown under --tree-height %g; keep it 2.5 or more below", t.crownBase,
                      t.height);
        throw UsageError(message);
    }
}

int parseGrowOptions(int argc, char** argv, GrowOptions& options)
{
    CLI::App app(description(), "arborvane-grow");
    useHelpLayout(app, 28);
    addGeneralFlags(app, options);
    addTreeFlags(app, options.tree);
    addLeafFlags(app, options.leaf);
    app.footer("Bad flags or values out of range exit with status 2 and name the flag.\n");
    return parseCommandLine(app, argc, argv);
}
