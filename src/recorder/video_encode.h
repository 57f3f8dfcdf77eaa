// Turns a directory of numbered frames into an H.264 video with ffmpeg.
#pragma once
#include <string>
#include <vector>

#include "platform/atomic_file.h"

// Path of the ffmpeg executable found on PATH, or empty.
std::string findFfmpeg();
// Encodes the first `frames` of dir/snap000.bmp ... at `fps` frames per
// second, libx264, yuv420p (odd sizes padded by one pixel, as yuv420p needs
// even ones), into output's temporary file, which is committed only when
// ffmpeg succeeded without a word. False with the reason (ffmpeg's own
// lines included) in error; output then holds nothing and the target is as it was.
bool encodeVideo(const std::string& ffmpeg, const std::string& frameDir, int frames, int fps,
                 AtomicFile& output, std::string& error);
// The run's frames made into `video` (none when empty), with the console
// line saying so. False with "video not made: <reason>" in error.
bool writeRunVideo(const std::string& ffmpeg, const std::string& video, const std::string& frameDir, int frames,
                   int fps, std::string& error);
// The file name endings --video takes: ffmpeg picks the container by them,
// and these are the common ones that hold H.264.
const std::vector<std::string>& videoExtensions();
