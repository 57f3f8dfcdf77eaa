#include "image/frame_names.h"

#include <cstdio>

std::string frameFileName(int frame)
{
    char name[32];
    std::snprintf(name, sizeof name, "snap%03d.bmp", frame);
    return name;
}
