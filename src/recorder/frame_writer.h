// Saves recorded frames on a thread of its own, one frame behind: the next
// frame is drawn while the last one is encoded and written. Frames are
// written in order; after a failed write nothing more is written and the
// failure is reported at the next submit or at finish.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/background_task.h"

class FrameWriter {
public:
    FrameWriter(int width, int height) : width_(width), height_(height) {}

    // Takes rgb (width * height * 3 bytes, bottom row first; swapped for a
    // spare buffer) to be written to path. Waits for the previous write
    // first; false, with "cannot write PATH: reason" in error, if that or an
    // earlier one failed.
    bool submit(std::vector<uint8_t>& rgb, const std::string& path, std::string& error);
    // Waits for the last write; false with the message as above on failure.
    bool finish(std::string& error);

private:
    static void write(void* self);

    const int width_, height_;      // frame size, pixels
    std::vector<uint8_t> pending_;  // the frame being written
    std::string path_;              // where it goes
    std::string failure_;           // first failed write's message; empty while all went well
    BackgroundTask task_;           // last member: its thread ends before the fields it reads
};
