// Whether a file can be written at a path, asked before long work rather than
// learnt after it.
#pragma once
#include <string>

// Creates an empty file at path and removes it again. 0 when that worked,
// else the errno of the failed open.
int probeFileCreation(const std::string& path);
