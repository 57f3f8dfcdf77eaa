// The --live page's data and wind: the page's reduced grass field leaves the
// tree's motion bit for bit as the whole field gives it (the native library
// as the oracle), and the starting schedule the page is told is the one the
// flags made.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "arborvane/arborvane.h"
#include "cli/run_flags.h"
#include "data_constants/data_files.h"
#include "export/export_options.h"
#include "export/live_page.h"
#include "wind/wind_schedule.h"
#include "wind/wind_schedule_file.h"

namespace {

namespace fs = std::filesystem;

std::string readText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A data folder beside the test: the generated files linked, the grass file reduced.
fs::path reducedFolder()
{
    const fs::path from = fs::absolute("data");
    const fs::path to = fs::temp_directory_path() / ("arborvane-live-" + std::to_string(getpid()));
    fs::remove_all(to);
    for (const std::string& name : dataFileNames()) {
        fs::create_directories((to / name).parent_path());
        if (name == kGrassFileName) std::ofstream(to / name) << edgeBladesOnly(readText(from / name));
        else fs::create_symlink(from / name, to / name);
    }
    return to;
}

// Every branch point and leaf matrix after steps of the default gale.
std::string motion(const std::string& dir, int steps, std::size_t* blades)
{
    arborvane::Simulation sim(arborvane::Workers{1});
    EXPECT_TRUE(sim.open(dir)) << dir;
    EXPECT_TRUE(sim.setUp(1));
    EXPECT_TRUE(sim.step(steps));
    *blades = sim.grassBladeCount();
    std::string bytes;
    for (std::size_t b = 0; b < sim.branchCount(); ++b) {
        const auto points = sim.branchPoints(b);
        for (std::size_t k = 0; k < points.size(); ++k)
            bytes.append(reinterpret_cast<const char*>(&points[k]), sizeof points[k]);
        const auto leaves = sim.leafBladeMatrices(b);
        for (std::size_t l = 0; l < leaves.size(); ++l)
            bytes.append(reinterpret_cast<const char*>(&leaves[l]), sizeof leaves[l]);
    }
    return bytes;
}

} // namespace

TEST(LivePage, EdgeBladesKeepTheTreeMotionBitForBit)
{
    const fs::path reduced = reducedFolder();
    std::size_t wholeBlades = 0, edgeBlades = 0;
    const std::string whole = motion("data", 60, &wholeBlades);
    const std::string edge = motion(reduced.string(), 60, &edgeBlades);
    fs::remove_all(reduced);
    EXPECT_GT(wholeBlades, 100u);
    EXPECT_GE(edgeBlades, 1u);
    EXPECT_LE(edgeBlades, 4u);
    ASSERT_EQ(whole.size(), edge.size());
    EXPECT_TRUE(whole == edge) << "the tree moves otherwise with the edge blades alone";
}

TEST(LivePage, EdgeBladesLeaveTextTheyCannotReadAsItIs)
{
    for (const std::string text : {"", "5000 5\n12 12 0.4\n", "2 5 1 2 3 4 5 6 7"}) EXPECT_EQ(edgeBladesOnly(text), text);
}

// The page is told the flags' schedule; read back, it gives the same wind at every step time.
TEST(LivePage, ScheduleTextIsTheFlagsSchedule)
{
    WindChoice file{"../docs/wind_example.json", "", false};
    if (!fs::exists(file.file)) file.file = std::string(ARBORVANE_SOURCE_DIR) + "/docs/wind_example.json";
    WindChoice fileGusts = file;
    fileGusts.gusts = true;
    const WindChoice choices[] = {{"", "strong-gale", true}, {"", "", true}, file, fileGusts};
    for (const WindChoice& choice : choices) {
        WindSchedule flags, page;
        std::string error;
        WindSettings wind{false, 123.456789, {0.6, 0.0, 0.8, 0}};
        ASSERT_TRUE(resolveWindSchedule(choice, wind, flags, error)) << error;
        ExportOptions options;
        options.run.windChoice = choice;
        options.run.wind = wind;
        options.run.schedule = flags;
        const std::string info = livePageInfo(options, error);
        ASSERT_TRUE(error.empty()) << error;
        const nlohmann::json told = nlohmann::json::parse(info);
        ASSERT_TRUE(told.contains("schedule")) << info;
        ASSERT_TRUE(parseWindSchedule(told["schedule"].get<std::string>(), "page", page, error)) << error;
        for (int step = 0; step < 800; step += 7) {
            const WindSettings a = evaluateWind(flags, step * 0.05), b = evaluateWind(page, step * 0.05);
            ASSERT_EQ(a.gale, b.gale);
            ASSERT_EQ(a.magnitude, b.magnitude) << "step " << step;
            ASSERT_EQ(std::memcmp(&a.direction.x, &b.direction.x, 3 * sizeof(double)), 0) << "step " << step ;
        }
    }
}

TEST(LivePage, ConstantWindStartsAsSetWindAndAChoiceAsASchedule)
{
    ExportOptions options;
    std::string error;
    const std::string constant = livePageInfo(options, error);
    EXPECT_NE(constant.find("\"wind\":{\"regime\":\"gale\",\"magnitude\":400,\"direction\":[1,0,0]}"), std::string::npos)
        << constant;
    EXPECT_EQ(constant.find("\"schedule\""), std::string::npos);
    options.run.windChoice.gusts = true;
    ASSERT_TRUE(resolveWindSchedule(options.run.windChoice, options.run.wind, options.run.schedule, error));
    const std::string gusty = livePageInfo(options, error);
    EXPECT_NE(gusty.find("\"schedule\":\"{\\\"keys\\\""), std::string::npos) << gusty;
}
