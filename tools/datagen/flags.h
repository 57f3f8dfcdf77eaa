// Command-line flags of arborvane-grow. Every flag is declared in one table
// with its unit, range and default, so parsing, range checks and --help
// come from the same place. Presets are named sets of flag values.
#pragma once
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

// A bad flag or value: the tool prints it with the usage hint and exits 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

enum class FlagKind { Number, Whole, Word, Text };

struct FlagSpec {
    std::string name;        // without the leading dashes
    FlagKind kind;
    std::string unit;        // shown in --help; empty for none
    double min = 0, max = 0; // inclusive, for Number and Whole
    std::vector<std::string> words; // allowed values of a Word flag
    std::string fallback;    // the default, as --help shows it
    std::string help;        // one line
    std::string group;       // heading in --help
};

struct Preset {
    std::string name;
    std::string description; // one line for --help
    std::vector<std::pair<std::string, std::string>> values;
};

const std::vector<FlagSpec>& flagTable();
const std::vector<Preset>& presetTable();
const FlagSpec* findFlag(const std::string& name);
const Preset* findPreset(const std::string& name);

// The --help text.
std::string usageText();

class Flags {
public:
    // Checks names, values and ranges against the table; throws UsageError
    // naming the flag. --preset values come first, flags given override them.
    void parse(int argc, char** argv);

    bool helpWanted() const { return help_; }
    std::string getString(const std::string& name, const std::string& fallback) const;
    double getDouble(const std::string& name, double fallback) const;
    long getInt(const std::string& name, long fallback) const;
    bool has(const std::string& name) const { return values_.count(name) != 0; }
    // Applies one flag (used for preset values and by tests of the table).
    void set(const std::string& name, const std::string& value);

private:
    std::map<std::string, std::string> values_;
    bool help_ = false;
};
