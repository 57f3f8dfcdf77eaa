// Which data folder a program reads: the rules in order, on made-up folders.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "cli/data_dir.h"

namespace {

std::set<std::string> existing; // the folders the current case pretends exist
bool fakeExists(const std::string& dir) { return existing.count(dir) != 0; }

} // namespace

TEST(DataDir, RulesApplyInOrder)
{
    struct Case {
        const char* flag;          // --data, "" when absent
        const char* env;           // ARBORVANE_DATA, "" when unset
        std::set<std::string> dirs; // folders that exist
        const char* dir;           // expected choice
        DataDirSource source;      // expected rule
    };
    const char* installed = "/opt/av/share/arborvane/data";
    const Case cases[] = {
        {"mine", "env", {"./data", installed}, "mine", DataDirSource::flag},
        {"missing", "", {}, "missing", DataDirSource::flag},
        {"", "env", {"./data", installed}, "env", DataDirSource::environment},
        {"", "", {"./data", installed}, "./data", DataDirSource::workingDir},
        {"", "", {installed}, installed, DataDirSource::installed},
        {"", "", {}, "./data", DataDirSource::fallback},
    };
    for (const Case& c : cases) {
        existing = c.dirs;
        const DataDirChoice choice = resolveDataDir({c.flag, c.env, "/opt/av/bin/arborvane", fakeExists});
        EXPECT_EQ(choice.dir, c.dir) << c.flag << "|" << c.env;
        EXPECT_EQ(choice.source, c.source) << c.flag << "|" << c.env;
        EXPECT_NE(choice.reason.find(c.dir), std::string::npos) << choice.reason;
    }
    // No executable path: the installed rule cannot apply.
    existing = {installed};
    EXPECT_EQ(resolveDataDir({"", "", "", fakeExists}).source, DataDirSource::fallback);
}

TEST(DataDir, InstalledFolderSitsBesideTheProgramsFolder)
{
    EXPECT_EQ(installedDataDir("/usr/bin/arborvane"), "/usr/share/arborvane/data");
    EXPECT_EQ(installedDataDir("/home/u/.local/bin/arborvane-record"), "/home/u/.local/share/arborvane/data");
    // The running test program is found, and a real folder is recognised.
    EXPECT_FALSE(dataDirInputs(nullptr).executable.empty());
    EXPECT_EQ(dataDirInputs("x").flag, "x");
    EXPECT_TRUE(isDirectory("/"));
    EXPECT_FALSE(isDirectory("/no/such/folder"));
}
