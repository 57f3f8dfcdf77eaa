// Writes that land whole or not at all: a temporary file beside the target,
// renamed over it on commit and removed on failure or a signal.
//
// Sections, in order:
//   Temporary files and signals: installCleanupOnce, registerTemp, unregisterTemp
//   Paths: folderOf (links are followed by platform/same_file)
//   Checks before writing: checkOutputTarget, freeSpaceFor
//   AtomicFile: open, writeAt, write, commit, discard
//   Scratch files and the write hook: openScratchFileBeside, setAtomicWriteHook
#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <mutex>

#include "platform/same_file.h"

// ---- Temporary files and signals

namespace {

// Temporary files a signal must remove. A fixed table the handler can read
// without allocating: a slot's path is complete before its flag goes up.
constexpr int kSlots = 32;
constexpr size_t kPathMax = 4096;
char gPaths[kSlots][kPathMax];
std::atomic<int> gUsed[kSlots];
std::mutex gSlotsMutex;
constexpr int kCleanupSignals[3] = {SIGINT, SIGTERM, SIGHUP};

ssize_t plainWrite(int fd, const void* bytes, size_t size, off_t offset) { return pwrite(fd, bytes, size, offset); }
std::atomic<AtomicWriteHook> gWriteHook{plainWrite};

extern "C" void removeTempFilesAndDie(int sig)
{
    const int savedErrno = errno;
    for (int i = 0; i < kSlots; ++i)
        if (gUsed[i].load(std::memory_order_acquire)) unlink(gPaths[i]);
    errno = savedErrno;
    signal(sig, SIG_DFL);
    raise(sig);
}

void installCleanupOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (int sig : kCleanupSignals) {
            struct sigaction old {};
            sigaction(sig, nullptr, &old);
            if (old.sa_handler == SIG_IGN) continue; // nohup and the like: stay ignored
            struct sigaction act {};
            act.sa_handler = removeTempFilesAndDie;
            sigemptyset(&act.sa_mask);
            for (int other : kCleanupSignals) sigaddset(&act.sa_mask, other);
            sigaction(sig, &act, nullptr);
        }
    });
}

int registerTemp(const std::string& path)
{
    if (path.size() >= kPathMax) return -1;
    std::lock_guard<std::mutex> lock(gSlotsMutex);
    for (int i = 0; i < kSlots; ++i)
        if (!gUsed[i].load(std::memory_order_relaxed)) {
            std::memcpy(gPaths[i], path.c_str(), path.size() + 1);
            gUsed[i].store(1, std::memory_order_release);
            return i;
        }
    return -1;
}

void unregisterTemp(int slot)
{
    if (slot < 0) return;
    std::lock_guard<std::mutex> lock(gSlotsMutex);
    gUsed[slot].store(0, std::memory_order_release);
}

// ---- Paths

std::string folderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string why(const std::string& path, const std::string& reason) { return "cannot write " + path + ": " + reason; }

} // namespace

// ---- Checks before writing

OutputTarget checkOutputTarget(const std::string& path, const std::vector<std::string>& inputs)
{
    OutputTarget t;
    t.path = followLinks(path);
    struct stat st {};
    if (stat(t.path.c_str(), &st) == 0) {
        t.refused = true;
        if (S_ISDIR(st.st_mode)) t.error = why(path, "it is a folder");
        else if (!S_ISREG(st.st_mode)) t.error = why(path, "it is not a regular file");
        for (const std::string& input : inputs)
            if (t.error.empty() && sameFile(t.path, input)) t.error = why(path, "it is the input file " + input);
        if (!t.error.empty()) return t;
        t.refused = false;
    } else if (errno != ENOENT) {
        t.error = why(path, std::strerror(errno));
        return t;
    }
    if (access(folderOf(t.path).c_str(), W_OK | X_OK) != 0) {
        t.error = why(path, std::strerror(errno));
        return t;
    }
    t.ok = true;
    return t;
}

bool freeSpaceFor(const std::string& path, uint64_t& bytes)
{
    const std::string target = followLinks(path);
    struct statvfs fs {};
    if (statvfs(target.c_str(), &fs) != 0 && statvfs(folderOf(target).c_str(), &fs) != 0) return false;
    bytes = static_cast<uint64_t>(fs.f_bavail) * fs.f_frsize;
    return true;
}

// ---- AtomicFile

AtomicFile::~AtomicFile() { discard(); }

bool AtomicFile::fail(const std::string& what, int err, std::string& error)
{
    error = "cannot " + what + " " + target_ + ": " + std::strerror(err);
    discard();
    return false;
}

bool AtomicFile::open(const std::string& target, std::string& error)
{
    discard();
    installCleanupOnce();
    target_ = followLinks(target);
    // Renaming over a device, a FIFO or a folder would replace it (as root, /dev/null too).
    struct stat existing {};
    if (stat(target_.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
        error = why(target_, S_ISDIR(existing.st_mode) ? "it is a folder" : "it is not a regular file");
        return false;
    }
    const std::string folder = folderOf(target_);
    std::string name = target_.substr(target_.rfind('/') == std::string::npos ? 0 : target_.rfind('/') + 1);
    const size_t dot = name.rfind('.');
    const std::string ext = dot == std::string::npos || dot == 0 ? "" : name.substr(dot);
    name.resize(name.size() - ext.size());
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const unsigned tag = (static_cast<unsigned>(getpid()) * 7919u) ^ counter++ ^
                             (static_cast<unsigned>(std::time(nullptr)) << 12);
        char hex[16];
        std::snprintf(hex, sizeof hex, "%06x", tag & 0xffffffu);
        temp_ = folder + "/." + name + ".partial-" + hex + ext;
        slot_ = registerTemp(temp_); // before the file exists, so no moment goes unguarded
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) break;
        const int err = errno;
        unregisterTemp(slot_);
        slot_ = -1;
        if (err != EEXIST) {
            temp_.clear();
            return fail("write", err, error);
        }
    }
    if (fd_ < 0) {
        temp_.clear();
        return fail("write", EEXIST, error);
    }
    // A replaced file keeps its permissions.
    struct stat st {};
    if (stat(target_.c_str(), &st) == 0) fchmod(fd_, st.st_mode & 07777);
    position_ = 0;
    return true;
}

bool AtomicFile::writeAt(uint64_t offset, const void* bytes, size_t size, std::string& error)
{
    const auto* p = static_cast<const char*>(bytes);
    const AtomicWriteHook hook = gWriteHook.load();
    while (size > 0) {
        const ssize_t n = hook(fd_, p, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return fail("write", n < 0 ? errno : ENOSPC, error);
        p += n;
        size -= static_cast<size_t>(n);
        offset += static_cast<uint64_t>(n);
    }
    return true;
}

bool AtomicFile::write(const void* bytes, size_t size, std::string& error)
{
    if (!writeAt(position_, bytes, size, error)) return false;
    position_ += size;
    return true;
}

bool AtomicFile::commit(std::string& error)
{
    if (fd_ < 0) return fail("write", EBADF, error);
    // Another program may have written the file under tempPath() anew.
    const int fd = ::open(temp_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || fsync(fd) != 0) {
        const int err = errno;
        if (fd >= 0) close(fd);
        return fail("write", err, error);
    }
    close(fd);
    if (close(fd_) != 0) {
        fd_ = -1;
        return fail("write", errno, error);
    }
    fd_ = -1;
    if (rename(temp_.c_str(), target_.c_str()) != 0) return fail("rename the finished file to", errno, error);
    unregisterTemp(slot_);
    slot_ = -1;
    temp_.clear();
    // The rename itself reaches the disk with the folder.
    const int dir = ::open(folderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return true;
}

void AtomicFile::discard()
{
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    if (!temp_.empty()) unlink(temp_.c_str());
    temp_.clear();
    unregisterTemp(slot_);
    slot_ = -1;
    position_ = 0;
}

// ---- Scratch files and the write hook

int openScratchFileBeside(const std::string& path, std::string& error)
{
    const std::string folder = folderOf(followLinks(path));
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
        // File systems without O_TMPFILE: a named file, unlinked at once.
        std::string name = folder + "/.arborvane-scratch-XXXXXX";
        fd = mkostemp(name.data(), O_CLOEXEC);
        if (fd >= 0) unlink(name.c_str());
    }
    if (fd < 0) error = "cannot create a scratch file in " + folder + ": " + std::strerror(errno);
    return fd;
}

void setAtomicWriteHook(AtomicWriteHook hook) { gWriteHook.store(hook ? hook : plainWrite); }
