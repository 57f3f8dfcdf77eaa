// Files written whole or not at all: the bytes go to a temporary file beside
// the target, which is flushed, synced and renamed over the target only when
// complete. A failure, a drop without commit or SIGINT/SIGTERM/SIGHUP removes
// the temporary file and leaves any earlier file as it was.
#pragma once
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What checkOutputTarget found. A refused target is a bad argument (exit 2);
// an unusable folder is a runtime failure (exit 1).
struct OutputTarget {
    bool ok = false;     // the target can be written
    bool refused = false; // not a regular file, or one of the inputs: the caller exits 2
    std::string path;    // where the bytes go: symbolic links followed, the links stay
    std::string error;   // one line naming the path and the reason, when not ok
};

// Checks path before any work: an existing path must be a regular file (a
// link is followed to its target), must not be one of inputs (same device and
// inode), and its folder must exist and be writable.
OutputTarget checkOutputTarget(const std::string& path, const std::vector<std::string>& inputs = {});

// Bytes the file system holding path (or its folder, if path does not exist
// yet) can still take for an unprivileged writer; false when it cannot be asked.
bool freeSpaceFor(const std::string& path, uint64_t& bytes);

class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile(); // discards an uncommitted file
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file beside target (links followed), named like
    // ".NAME.partial-XXXXXX.EXT" so programs that go by the extension still do.
    // An existing target that is not a regular file is refused.
    bool open(const std::string& target, std::string& error);
    // Appends at the write position.
    bool write(const void* bytes, size_t size, std::string& error);
    // Writes at offset; the write position is not moved.
    bool writeAt(uint64_t offset, const void* bytes, size_t size, std::string& error);
    // The temporary file's path, for another program to write (ffmpeg -y).
    const std::string& tempPath() const { return temp_; }
    // Bytes appended by write() so far.
    uint64_t position() const { return position_; }
    // Syncs, closes and renames over the target. On failure the temporary
    // file is gone and the target unchanged.
    bool commit(std::string& error);
    // Removes the temporary file; the target stays as it was.
    void discard();

private:
    bool fail(const std::string& what, int err, std::string& error);

    int fd_ = -1;            // the open temporary file, -1 when none
    int slot_ = -1;          // its entry in the signal cleanup table
    std::string target_;     // the resolved target path
    std::string temp_;       // the temporary file beside it
    uint64_t position_ = 0;  // where write() appends
};

// An anonymous file in the folder of path for bulky scratch data: already
// unlinked, so it vanishes however the process ends. -1 with a reason.
int openScratchFileBeside(const std::string& path, std::string& error);

// Test seam: every write of AtomicFile goes through this (pwrite by default).
using AtomicWriteHook = ssize_t (*)(int fd, const void* bytes, size_t size, off_t offset);
void setAtomicWriteHook(AtomicWriteHook hook);
