#include "recorder/frame_dir.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

// A frame name parses to n, and n names it back.
bool isFrameName(const std::string& name)
{
    const std::string head = "snap", tail = ".bmp";
    if (name.size() <= head.size() + tail.size() || name.compare(0, head.size(), head) != 0 ||
        name.compare(name.size() - tail.size(), tail.size(), tail) != 0)
        return false;
    const std::string digits = name.substr(head.size(), name.size() - head.size() - tail.size());
    if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) return false;
    return frameFileName(std::atoi(digits.c_str())) == name;
}

std::string frameClash(const std::string& dir, const std::vector<NamedOutput>& paths)
{
    for (const NamedOutput& p : paths) {
        if (p.path.empty()) continue;
        const std::string name = std::filesystem::path(canonicalTarget(p.path)).filename().string();
        if (isFrameName(name) && sameFile(p.path, dir + "/" + name))
            return p.flag + " " + p.path + ": it is a frame file of --out " + dir;
    }
    return {};
}

int removeEarlierFrames(const std::string& dir, std::string& error)
{
    std::error_code ec;
    std::vector<std::filesystem::path> old;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (isFrameName(it->path().filename().string()) && it->is_regular_file(ec)) old.push_back(it->path());
    }
    if (ec) {
        error = "cannot list the frame directory " + dir + ": " + ec.message();
        return -1;
    }
    for (const auto& path : old) {
        if (!std::filesystem::remove(path, ec) && ec) {
            error = "cannot remove the earlier frame " + path.string() + ": " + ec.message();
            return -1;
        }
    }
    return static_cast<int>(old.size());
}
