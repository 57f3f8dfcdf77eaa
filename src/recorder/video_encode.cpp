#include "recorder/video_encode.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
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

namespace {

// ffmpeg's own lines, from the file its standard error went to.
std::string readBack(int fd)
{
    std::string text;
    char buffer[4096];
    ssize_t n = 0;
    for (off_t at = 0; (n = pread(fd, buffer, sizeof buffer, at)) > 0; at += n) text.append(buffer, size_t(n));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

// Runs args with standard error into errFd; the exit status, or -1 with error set.
int runProgram(std::vector<std::string>& args, int errFd, std::string& error)
{
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, errFd, STDERR_FILENO);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (spawned != 0) error = "cannot start " + args[0];
    else if (waitpid(pid, &status, 0) < 0) error = "lost the ffmpeg process";
    else return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return -1;
}

} // namespace

const std::vector<std::string>& videoExtensions()
{
    static const std::vector<std::string> list = {".mp4", ".mkv", ".mov", ".avi"};
    return list;
}

bool encodeVideo(const std::string& ffmpeg, const std::string& frameDir, int frames, int fps,
                 AtomicFile& output, std::string& error)
{
    // No shell: paths with spaces or quotes go through unchanged.
    const std::string pattern = frameDir + "/snap%03d.bmp";
    const std::string rate = std::to_string(fps);
    // ffmpeg reads the pattern up to the first missing number; the count
    // stops it at this run's last frame whatever else lies in the folder.
    // It writes the temporary file (same extension, so the same container);
    // -xerror makes a failed write end the run instead of a short file.
    std::vector<std::string> args = {ffmpeg, "-nostdin", "-hide_banner", "-loglevel", "error", "-xerror", "-y",
                                     "-framerate", rate, "-i", pattern, "-frames:v", std::to_string(frames),
                                     "-vf", "pad=ceil(iw/2)*2:ceil(ih/2)*2", "-c:v", "libx264",
                                     "-pix_fmt", "yuv420p", "-r", rate, output.tempPath()};
    // ffmpeg may report a failed write and still exit 0: at this log level
    // any line it prints is an error, so its lines decide too.
    FILE* log = std::tmpfile();
    if (!log) {
        error = "cannot make a file for ffmpeg's messages";
        return false;
    }
    const int status = runProgram(args, fileno(log), error);
    const std::string said = readBack(fileno(log));
    std::fclose(log);
    if (status < 0) return false;
    if (status != 0 || !said.empty()) {
        error = "ffmpeg failed" + (status != 0 ? " (exit status " + std::to_string(status) + ")" : std::string()) +
                (said.empty() ? std::string() : ": " + said);
        output.discard();
        return false;
    }
    return output.commit(error);
}

bool writeRunVideo(const std::string& ffmpeg, const std::string& video, const std::string& frameDir, int frames,
                   int fps, std::string& error)
{
    if (video.empty()) return true;
    AtomicFile file;
    if (!file.open(video, error) || !encodeVideo(ffmpeg, frameDir, frames, fps, file, error)) {
        error = "video not made: " + error;
        return false;
    }
    std::printf("Video %s: %d frames at %d fps (%.2f s%s)\n", video.c_str(), frames, fps,
                frames / static_cast<double>(fps), fps == 20 ? ", real time" : "");
    return true;
}
