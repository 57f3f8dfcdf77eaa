#include "cli/version.h"

#include "arborvane_build_config.h"

const char* arborvaneVersion() { return ARBORVANE_VERSION_STRING; }
