#include "recorder/frame_writer.h"

#include <new>

#include "image/bmp_file.h"

bool FrameWriter::submit(std::vector<uint8_t>& rgb, const std::string& path, std::string& error)
{
    if (!finish(error)) return false;
    pending_.swap(rgb);
    path_ = path;
    task_.start(&FrameWriter::write, this);
    return true;
}

bool FrameWriter::finish(std::string& error)
{
    task_.wait();
    if (failure_.empty()) return true;
    error = failure_;
    return false;
}

void FrameWriter::write(void* self)
{
    FrameWriter& w = *static_cast<FrameWriter*>(self);
    std::string reason;
    // An exception would end the process from this thread; out of memory is reported like any failed write.
    try {
        if (!writeBmpFile(w.path_.c_str(), w.width_, w.height_, w.pending_.data(), &reason))
            w.failure_ = "cannot write " + w.path_ + ": " + reason;
    } catch (const std::bad_alloc&) {
        w.failure_ = "cannot write " + w.path_ + ": out of memory";
    }
}
