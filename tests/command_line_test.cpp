// The shared flags as a front-end parses them: values land in the record,
// bad values exit 2 naming the flag, --help exits 0 listing every default,
// --version exits 0 naming the program and its version.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "cli/command_line.h"
#include "cli/run_flags.h"
#include "support/console.h"

namespace {

struct Parsed {
    int status;        // parseCommandLine's result
    RunFlags flags;    // what the line set
    std::string out;   // standard output
    std::string err;   // standard error
};

Parsed parse(std::vector<std::string> args)
{
    args.insert(args.begin(), "prog");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    Parsed p{};
    CLI::App app("usage: prog\n", "prog");
    useHelpLayout(app, 22);
    addRunFlags(app, p.flags);
    const Console console = captureConsole([&] { p.status = parseCommandLine(app, static_cast<int>(argv.size()), argv.data()); });
    p.out = console.out;
    p.err = console.err;
    return p;
}

TEST(RunFlags, ValuesLandInTheRecord)
{
    const Parsed p = parse({"--wind-dir", "0,-3,4", "--breeze", "--magnitude", "12.5", "--seed", "4294967295"});
    ASSERT_EQ(p.status, -1) << p.err;
    EXPECT_FALSE(p.flags.wind.gale);
    EXPECT_EQ(p.flags.wind.magnitude, 12.5);
    EXPECT_EQ(p.flags.wind.direction.y, -0.6);
    EXPECT_EQ(p.flags.wind.direction.z, 0.8);
    EXPECT_EQ(p.flags.seed, 4294967295u);
    // The ends of the ranges pass: magnitudes 0 and 800, a tiny direction, a huge one.
    for (const char* m : {"0", "800"}) EXPECT_EQ(parse({"--magnitude", m}).flags.wind.magnitude, std::atof(m));
    for (const char* d : {"0,1e-140,-1e-140", "0,1e140,-1e140"}) {
        const Parsed p = parse({"--wind-dir", d});
        ASSERT_EQ(p.status, -1) << p.err;
        EXPECT_DOUBLE_EQ(p.flags.wind.direction.z, -std::sqrt(0.5)) << d;
    }
    // Decimal, as the text reads (CLI11 alone would take 010 for octal 8).
    EXPECT_EQ(parse({"--seed", "010"}).flags.seed, 10u);
    // The last of --gale and --breeze wins.
    EXPECT_TRUE(parse({"--breeze", "--gale"}).flags.wind.gale);
    EXPECT_FALSE(parse({"--gale", "--breeze"}).flags.wind.gale);
}

TEST(RunFlags, BadValuesExitTwoNamingTheFlag)
{
    for (const std::vector<std::string>& line : std::vector<std::vector<std::string>>{
             {"--magnitude", "800.5"}, {"--magnitude", "inf"}, {"--wind-dir", "0,0,0"}, {"--wind-dir", "1,2,x"},
             {"--magnitude", "800.000001"}, {"--magnitude", "-1e-9"}, {"--wind-dir", "0,1e-8,0"},
             {"--seed", "4294967296"}, {"--seed", "1.5"}, {"--data", ""}, {"--data"}, {"--speed", "3"}}) {
        const Parsed p = parse(line);
        EXPECT_EQ(p.status, 2) << line[0];
        EXPECT_NE(p.err.find(line[0]), std::string::npos) << p.err;
        EXPECT_EQ(p.flags.wind.magnitude, 400.0) << line[0];
    }
    // The reason is told: a direction the step cannot use, a flag that --wind excludes, by the name given.
    const std::pair<std::vector<std::string>, std::string> told[] = {
        {{"--wind-dir", "0,1,0"}, "--wind-dir: 0,1,0 must have a non-zero horizontal part (x or z)"},
        {{"--wind-dir", "1e308,0,1e308"}, "--wind-dir: 1e308,0,1e308 is out of range"},
        {{"--wind-dir", "0,0,0"}, "--wind-dir: 0,0,0 is a zero vector"},
        {{"--wind", "w.json", "--breeze"}, "prog: --breeze excludes --wind"},
        {{"--gale", "--wind-preset", "calm"}, "prog: --gale excludes --wind-preset"},
    };
    for (const auto& [line, said] : told) {
        const Parsed p = parse(line);
        EXPECT_EQ(p.status, 2) << said;
        EXPECT_NE(p.err.find(said), std::string::npos) << p.err;
    }
    // A flag at the end of the line is told in plain words, not in CLI11's "1 required TEXT missing".
    EXPECT_NE(parse({"--seed", "3", "--data"}).err.find("prog: --data needs a value\n"), std::string::npos);
}

TEST(RunFlags, HelpExitsZeroWithEveryDefault)
{
    const Parsed p = parse({"--help"});
    EXPECT_EQ(p.status, 0);
    for (const char* text : {"--gale, --breeze", "0..800, default 400", "default 1,0,0", "0..4294967295, default 1",
                             "--data DIR", "default ./data"})
        EXPECT_NE(p.out.find(text), std::string::npos) << text << "\n" << p.out;
}

TEST(RunFlags, VersionExitsZeroWithNameAndVersion)
{
    const Parsed p = parse({"--version", "--magnitude", "900"});
    EXPECT_EQ(p.status, 0) << p.err;
    // "prog X.Y.Z" and a newline: what help2man reads the version from.
    EXPECT_EQ(p.out.rfind("prog ", 0), 0u) << p.out;
    EXPECT_EQ(p.out.find_first_not_of("0123456789.", 5), p.out.size() - 1) << p.out;
    EXPECT_EQ(std::count(p.out.begin(), p.out.end(), '.'), 2) << p.out;
    EXPECT_NE(parse({"--help"}).out.find("--version"), std::string::npos);
}

} // namespace
