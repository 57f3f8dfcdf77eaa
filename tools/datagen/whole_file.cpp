#include "whole_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "platform/atomic_file.h"

namespace {

struct Saved {
    std::string path;                  // the target, as the generator named it
    std::unique_ptr<AtomicFile> file;  // its complete, not yet renamed temporary file
};

// Files written but not renamed, in the order written. Their destructors
// remove them if the program ends before commitSavedFiles.
std::vector<Saved> gSaved;

bool failed(const std::string& error)
{
    std::fprintf(stderr, "arborvane-grow: %s\n", error.c_str());
    discardSavedFiles();
    return false;
}

} // namespace

bool saveWhole(const std::string& path, const void* bytes, size_t size)
{
    auto file = std::make_unique<AtomicFile>();
    std::string error;
    if (!file->open(path, error) || !file->write(bytes, size, error)) return failed(error);
    gSaved.push_back({path, std::move(file)});
    return true;
}

bool commitSavedFiles()
{
    // Everything reaches the disk before anything is renamed, so the one step
    // that could still fail on a full or failing disk comes first.
    for (const Saved& s : gSaved) {
        const int fd = ::open(s.file->tempPath().c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || fsync(fd) != 0) {
            const int err = errno;
            if (fd >= 0) close(fd);
            return failed("cannot write " + s.path + ": " + std::strerror(err));
        }
        close(fd);
    }
    for (Saved& s : gSaved) {
        std::string error;
        if (!s.file->commit(error)) return failed(error);
    }
    gSaved.clear();
    return true;
}

void discardSavedFiles() { gSaved.clear(); }

TextOut::TextOut() : file_(open_memstream(&data_, &size_))
{
    if (!file_) throw std::bad_alloc();
}

TextOut::~TextOut()
{
    if (file_) std::fclose(file_);
    std::free(data_);
}

bool TextOut::save(const std::string& path)
{
    // The stream fails only when memory runs out.
    const bool printed = std::fflush(file_) == 0 && std::ferror(file_) == 0;
    if (!printed) throw std::bad_alloc();
    return saveWhole(path, data_, size_);
}
