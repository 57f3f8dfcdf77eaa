// arborvane-export --live: one HTML file that runs the simulation itself in
// the browser (the core built as WebAssembly), the viewer and the data
// folder inside, compressed.
#pragma once
#include <cstdint>
#include <string>

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

// The page's starting wind and seed from the run flags, as the page's JSON
// settings (for tests: what the page is told).
std::string livePageInfo(const ExportOptions& options, std::string& error);

// Checks the output against the inputs, loads the data folder to know it
// opens, and writes the page whole or not at all. The exit status: 0, 2 for
// a refused destination or input, 1 otherwise, with the message printed.
int exportLivePage(const ExportOptions& options);
