#include "recorder/frame_writer.h"

#include "image/bmp_file.h"

FrameWriter::FrameWriter(int width, int height) : width_(width), height_(height)
{
    thread_ = std::thread([this] { loop(); });
}

FrameWriter::~FrameWriter()
{
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return !busy_; });
        quit_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

bool FrameWriter::submit(std::vector<uint8_t>& rgb, const std::string& path, std::string& error)
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    if (!failure_.empty()) {
        error = failure_;
        return false;
    }
    pending_.swap(rgb);
    path_ = path;
    busy_ = true;
    lock.unlock();
    changed_.notify_all();
    return true;
}

bool FrameWriter::finish(std::string& error)
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    if (failure_.empty()) return true;
    error = failure_;
    return false;
}

void FrameWriter::loop()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return quit_ || busy_; });
        if (!busy_) return; // quit_ and nothing left to write
        const std::string path = path_;
        lock.unlock();
        std::string reason;
        const bool ok = writeBmpFile(path.c_str(), width_, height_, pending_.data(), &reason);
        lock.lock();
        if (!ok && failure_.empty()) failure_ = "cannot write " + path + ": " + reason;
        busy_ = false;
        changed_.notify_all();
    }
}
