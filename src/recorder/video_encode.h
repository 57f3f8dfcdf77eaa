// Turns a directory of numbered frames into an H.264 video with ffmpeg.
#pragma once
#include <string>

// Path of the ffmpeg executable found on PATH, or empty.
std::string findFfmpeg();
// Encodes the first `frames` of dir/snap000.bmp ... at `fps` frames per
// second, libx264, yuv420p (odd sizes padded by one pixel, as yuv420p needs
// even ones). False with the reason in error.
bool encodeVideo(const std::string& ffmpeg, const std::string& frameDir, int frames, int fps,
                 const std::string& output, std::string& error);
