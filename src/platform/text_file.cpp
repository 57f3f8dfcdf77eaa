#include "platform/text_file.h"

#include <cctype>
#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/platform.h"

FILE* openDataFile(const char* path, std::string& reason)
{
    // Non-blocking, so a FIFO without a writer cannot hold the open; the mode
    // is checked on the opened file itself, not on a name that may change.
    const int fd = ::open(path ? path : "", O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        reason = std::strerror(errno);
        return nullptr;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        reason = S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : "not a regular file";
        ::close(fd);
        return nullptr;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    FILE* file = ::fdopen(fd, "r");
    if (!file) {
        reason = std::strerror(errno);
        ::close(fd);
    }
    return file;
}

bool TextTokens::next()
{
    int c = std::getc(file);
    while (c != EOF && std::isspace(c)) {
        if (c == '\n') ++line;
        c = std::getc(file);
    }
    tokenLine = line;
    if (c == EOF) return false;
    int len = 0;
    while (c != EOF && !std::isspace(c)) {
        if (len < kTokenMax) text[len++] = static_cast<char>(c);
        c = std::getc(file);
    }
    if (c == '\n') ++line;
    text[len] = '\0';
    return true;
}

namespace {

// The token as quoted in a reason, cut so a line stays readable.
std::string quoted(const char* text)
{
    std::string s(text);
    if (s.size() > 40) s = s.substr(0, 40) + "...";
    return "\"" + s + "\"";
}

bool notNumber(const char* text, std::string& why)
{
    why = quoted(text) + " is not a number";
    return false;
}

bool notFinite(const char* text, std::string& why)
{
    why = quoted(text) + " is not a finite number that fits a 32-bit float";
    return false;
}

} // namespace

bool parseIntToken(const char* text, int& value, std::string& why)
{
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text, &end, 10);
    if (end == text || *end != '\0') return notNumber(text, why);
    value = v > INT_MAX ? INT_MAX : (v < INT_MIN ? INT_MIN : static_cast<int>(v));
    return true;
}

bool parseRealToken(const char* text, double& value, std::string& why)
{
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0') return notNumber(text, why);
    if (!std::isfinite(v) || std::fabs(v) > FLT_MAX) return notFinite(text, why);
    value = v;
    return true;
}

bool parseFloatToken(const char* text, float& value, std::string& why)
{
    char* end = nullptr;
    const float v = std::strtof(text, &end);
    if (end == text || *end != '\0') return notNumber(text, why);
    if (!std::isfinite(v)) return notFinite(text, why);
    value = v;
    return true;
}

void reportFileLine(const char* path, int line, const std::string& reason)
{
    consolePrintf("%s, line %d: %s\n", path ? path : "", line, reason.c_str());
}

void reportFile(const char* path, const std::string& reason)
{
    consolePrintf("%s: %s\n", path ? path : "", reason.c_str());
}

bool readCappedFile(const std::string& path, size_t cap, const char* capText, const char* what, std::string& text,
                    std::string& error)
{
    // Only a regular file is opened, so a FIFO or a device cannot block or
    // feed the read for ever.
    std::string reason;
    FILE* file = openDataFile(path.c_str(), reason);
    if (!file) {
        error = path + ": cannot read the file: " + reason;
        return false;
    }
    text.assign(cap + 1, '\0');
    const size_t got = std::fread(text.data(), 1, text.size(), file);
    const bool failed = std::ferror(file) != 0;
    const int code = errno;
    std::fclose(file);
    if (failed) {
        error = path + ": cannot read the file: " + std::strerror(code);
        return false;
    }
    if (got > cap) {
        error = path + ": larger than " + capText + ", too large for " + what;
        return false;
    }
    text.resize(got);
    return true;
}
