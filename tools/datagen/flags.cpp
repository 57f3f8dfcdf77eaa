#include "flags.h"

#include <cstdlib>
#include <stdexcept>

bool Flags::parse(int argc, char** argv, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--", 0) != 0 || arg.size() < 3) {
            error = "unexpected argument '" + arg + "' (flags are --name value)";
            return false;
        }
        if (i + 1 >= argc) {
            error = "flag " + arg + " needs a value";
            return false;
        }
        values_[arg.substr(2)] = argv[++i];
    }
    return true;
}

bool Flags::has(const std::string& name) const
{
    read_.insert(name);
    return values_.count(name) != 0;
}

std::string Flags::getString(const std::string& name, const std::string& fallback) const
{
    read_.insert(name);
    auto it = values_.find(name);
    return it == values_.end() ? fallback : it->second;
}

double Flags::getDouble(const std::string& name, double fallback) const
{
    read_.insert(name);
    auto it = values_.find(name);
    if (it == values_.end()) return fallback;
    char* end = nullptr;
    const double v = std::strtod(it->second.c_str(), &end);
    if (end == it->second.c_str() || *end != '\0') throw std::runtime_error("flag --" + name + " needs a number");
    return v;
}

long Flags::getInt(const std::string& name, long fallback) const
{
    read_.insert(name);
    auto it = values_.find(name);
    if (it == values_.end()) return fallback;
    char* end = nullptr;
    const long v = std::strtol(it->second.c_str(), &end, 10);
    if (end == it->second.c_str() || *end != '\0') throw std::runtime_error("flag --" + name + " needs a whole number");
    return v;
}

std::set<std::string> Flags::unread() const
{
    std::set<std::string> out;
    for (const auto& kv : values_)
        if (!read_.count(kv.first)) out.insert(kv.first);
    return out;
}
