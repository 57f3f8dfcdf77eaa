// Names of numbered frame files, shared by the window's capture and the
// recorder so both write the same layout.
#pragma once
#include <string>

// Frame n's file name: snap000.bmp ... snap999.bmp, snap1000.bmp on.
std::string frameFileName(int frame);
