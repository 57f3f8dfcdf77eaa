#include "platform/same_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <system_error>

namespace {

std::string folderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

std::string followLinks(std::string path)
{
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        char target[PATH_MAX];
        const ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
        if (n <= 0) break;
        target[n] = '\0';
        path = target[0] == '/' || path.find('/') == std::string::npos ? std::string(target)
                                                                        : folderOf(path) + "/" + target;
    }
    return path;
}

std::string canonicalTarget(const std::string& path)
{
    std::error_code ec;
    const std::filesystem::path target = std::filesystem::absolute(followLinks(path), ec);
    if (ec) return std::filesystem::path(path).lexically_normal().string();
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(target, ec);
    return (ec ? target.lexically_normal() : resolved).string();
}

bool sameFile(const std::string& a, const std::string& b)
{
    struct stat sa {}, sb {};
    if (stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    return canonicalTarget(a) == canonicalTarget(b);
}

std::string findOutputClash(const std::vector<NamedOutput>& outputs, const std::vector<NamedInput>& inputs)
{
    for (size_t i = 0; i < outputs.size(); ++i) {
        const NamedOutput& out = outputs[i];
        if (out.path.empty()) continue;
        const std::string head = out.flag + " " + out.path + ": ";
        for (const NamedInput& in : inputs)
            if (!in.path.empty() && sameFile(out.path, in.path))
                return head + "it is the input file " + in.path + (in.flag.empty() ? "" : " (" + in.flag + ")");
        for (size_t k = 0; k < i; ++k)
            if (!outputs[k].path.empty() && sameFile(out.path, outputs[k].path))
                return head + "it is also the " + outputs[k].flag + " file " + outputs[k].path;
    }
    return {};
}
