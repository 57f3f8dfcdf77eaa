#include "recorder/video_encode.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

extern char** environ;

std::string findFfmpeg()
{
    const char* path = std::getenv("PATH");
    if (!path) return {};
    std::string dirs = path;
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        const std::string dir = end > start ? dirs.substr(start, end - start) : ".";
        const std::string candidate = dir + "/ffmpeg";
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

bool encodeVideo(const std::string& ffmpeg, const std::string& frameDir, int frames, int fps,
                 const std::string& output, std::string& error)
{
    // No shell: paths with spaces or quotes go through unchanged.
    const std::string pattern = frameDir + "/snap%03d.bmp";
    const std::string rate = std::to_string(fps);
    // ffmpeg reads the pattern up to the first missing number; the count
    // stops it at this run's last frame whatever else lies in the folder.
    std::vector<std::string> args = {ffmpeg, "-nostdin", "-hide_banner", "-loglevel", "error", "-y",
                                     "-framerate", rate, "-i", pattern, "-frames:v", std::to_string(frames),
                                     "-vf", "pad=ceil(iw/2)*2:ceil(ih/2)*2", "-c:v", "libx264",
                                     "-pix_fmt", "yuv420p", "-r", rate, output};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, ffmpeg.c_str(), nullptr, nullptr, argv.data(), environ);
    if (spawned != 0) {
        error = "cannot start " + ffmpeg;
        return false;
    }
    int status = 0;
    if (waitpid(pid, &status, 0) < 0) {
        error = "lost the ffmpeg process";
        return false;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        error = "ffmpeg failed (exit status " +
                std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status)) + ")";
        return false;
    }
    return true;
}
