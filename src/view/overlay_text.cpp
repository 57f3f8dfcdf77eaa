#include "view/overlay_text.h"

#include <cstdio>

std::vector<std::string> overlayLines(float fps, int triangleCount, bool galeMode, double windMagnitude,
                                      bool capturing, bool realtime)
{
    if (capturing) return {};
    std::vector<std::string> lines;
    char line[128];
    std::snprintf(line, sizeof(line), "FPS=%.2f", static_cast<double>(fps));
    lines.emplace_back(line);
    std::snprintf(line, sizeof(line), "Number of triangles=%d", triangleCount);
    lines.emplace_back(line);
    std::snprintf(line, sizeof(line),
                  galeMode ? "Motion in the moderate gale, wind magnitude = %3.2f"
                           : "Motion in the light breeze, wind magnitude = %3.2f",
                  windMagnitude);
    lines.emplace_back(line);
    if (realtime) lines.emplace_back("Real time");
    return lines;
}
