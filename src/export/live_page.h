// arborvane-export --live: one HTML file that runs the simulation itself in
// the browser (the core built as WebAssembly), the viewer and the data
// folder inside, compressed.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct ExportOptions;

// What each part of the page weighs, in bytes as written.
struct LivePageSizes {
    uint64_t module = 0; // the simulation module (WebAssembly in base64, with its loader)
    uint64_t viewer = 0; // the viewer (three.js bundled)
    uint64_t data = 0;   // the data folder, gzip in base64
    uint64_t page = 0;   // the whole file
};

// False when this build has no module (Emscripten was missing).
bool livePageSupported();

// The grass file's text with only the blades at the field's edges (least
// and most root x and z): the same box for the wind, so the same tree motion,
// for a page that does not show the grass. Text it cannot read so comes back
// unchanged (the page's loader then says why).
std::string edgeBladesOnly(const std::string& grassFile);

// The data files a page carries: the grass's textures only when the grass is shown.
std::vector<std::string> livePageFileNames(bool grass);
// One of them from dir as the page holds it: gzip in base64 (the grass file
// with its edge blades only when the grass is not shown).
bool packDataFile(const std::string& dir, const std::string& name, bool grass, std::string& packed,
                  std::string& error);
// s as a JSON string literal, quotes included.
std::string liveJsonString(std::string_view s);

struct WindSchedule;
// A schedule as the JSON a schedule file holds, numbers exact.
std::string scheduleJson(const WindSchedule& schedule);

// The page's look, seed and starting wind from the run flags, as the page's
// JSON settings: a constant wind as itself, a --wind file as its text, a
// preset or gusts as the schedule they make. Empty with error set when the
// --wind file cannot be read again.
std::string livePageInfo(const ExportOptions& options, std::string& error);

// Checks the output against the inputs, loads the data folder to know it
// opens, and writes the page whole or not at all. The exit status: 0, 2 for
// a refused destination or input, 1 otherwise, with the message printed.
int exportLivePage(const ExportOptions& options);

// --live with --stand: every tree of the stand file in one page, each at its
// place, the visitor's wind driving them all. The same statuses.
int exportLiveStandPage(const ExportOptions& options);
