// arborvane-export --web: one HTML file that opens from disk in a browser,
// the viewer script, the meshes (a small .glb) and the motion stream inside.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "export/web_motion.h"
#include "wind/wind_settings.h"

// What each part of the page weighs, in bytes as written (base64 counted).
struct WebPageSizes {
    uint64_t model = 0;  // the static .glb, deflated and in base64
    uint64_t motion = 0; // the motion stream, deflated and in base64
    uint64_t script = 0; // the viewer (three.js bundled)
    uint64_t page = 0;   // the whole file
};

// False when this build has no viewer script (node and npm were missing).
bool webPageSupported();

// Writes the page to path whole or not at all. wind holds the wind of every
// frame (frame k: the wind of the step that made it). False with a reason.
bool writeWebPage(const std::string& path, const WebMotion& motion, const std::vector<WindSettings>& wind,
                  WebPageSizes& sizes, std::string& error);

class GlbPlan;
struct GlbInput;

// Finishes the planned .glb in memory, splits it and writes the page.
bool exportWebPage(GlbPlan& plan, const GlbInput& input, const std::string& path,
                   const std::vector<WindSettings>& wind, WebPageSizes& sizes, std::string& error);
