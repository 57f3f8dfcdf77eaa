#include "view/overlay_text.h"

#include <cstdio>

std::vector<std::string> overlayLines(const OverlayFacts& facts)
{
    if (facts.capturing) return {};
    std::vector<std::string> lines;
    char line[128];
    std::snprintf(line, sizeof(line), "FPS=%.2f", static_cast<double>(facts.fps));
    lines.emplace_back(line);
    std::snprintf(line, sizeof(line), "Number of triangles=%d", facts.triangles);
    lines.emplace_back(line);
    std::snprintf(line, sizeof(line),
                  facts.gale ? "Motion in the moderate gale, wind magnitude = %3.2f"
                             : "Motion in the light breeze, wind magnitude = %3.2f",
                  facts.magnitude);
    lines.emplace_back(line);
    if (facts.realtime) lines.emplace_back("Real time");
    return lines;
}
