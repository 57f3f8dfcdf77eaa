// Command-line flags of the data generator: "--name value" pairs that each
// module reads with its own defaults. Flags nobody read are reported.
#pragma once
#include <map>
#include <set>
#include <string>

class Flags {
public:
    // False with a message in error when the arguments are malformed.
    bool parse(int argc, char** argv, std::string& error);

    std::string getString(const std::string& name, const std::string& fallback) const;
    double getDouble(const std::string& name, double fallback) const;
    long getInt(const std::string& name, long fallback) const;
    bool has(const std::string& name) const;

    // Names given on the command line that no module asked for.
    std::set<std::string> unread() const;

private:
    std::map<std::string, std::string> values_;
    mutable std::set<std::string> read_;
};
