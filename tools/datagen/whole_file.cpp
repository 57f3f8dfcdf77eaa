#include "whole_file.h"

#include <cstdlib>
#include <new>

#include "platform/atomic_file.h"

bool saveWhole(const std::string& path, const void* bytes, size_t size)
{
    AtomicFile file;
    std::string error;
    if (file.open(path, error) && file.write(bytes, size, error) && file.commit(error)) return true;
    std::fprintf(stderr, "arborvane-grow: %s\n", error.c_str());
    return false;
}

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
