// The version of this build, set once in the top-level CMakeLists.txt.
#pragma once

// "major.minor.patch", e.g. "0.9.0"; a static string.
const char* arborvaneVersion();
