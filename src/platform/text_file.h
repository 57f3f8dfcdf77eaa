// Opening a data file and reading its numbers, shared by the text loaders:
// a path that is not a regular file is refused before anything waits on it,
// every number is checked whole, and faults are reported with file and line.
#pragma once
#include <cstdio>
#include <string>

// Opens a regular file for reading (binary mode; text files read the same on
// this platform). A FIFO, a device or a directory is refused at once; on
// failure returns null with the system's reason (or "not a regular file").
FILE* openDataFile(const char* path, std::string& reason);

// A whole small file (a wind schedule, a stand) into text, one byte past
// `cap` read to see it exceeded. False with "<path>: <reason>": not
// readable, or larger than cap ("larger than <capText>, too large for <what>").
bool readCappedFile(const std::string& path, size_t cap, const char* capText, const char* what, std::string& text,
                    std::string& error);

// Whitespace-separated tokens with the line each one starts on. A token longer
// than 511 characters is cut there and its tail skipped, so it still counts
// as one token.
struct TextTokens {
    static constexpr int kTokenMax = 511; // characters kept of one token
    FILE* file = nullptr;                 // the open stream, not owned
    int line = 1;                         // line of the next unread character
    int tokenLine = 1;                    // line the last token (or the end) was met on
    char text[kTokenMax + 1] = {};        // the last token, NUL-terminated

    // False at the end of the file.
    bool next();
};

// Strict parsers of one whole token. On failure `why` holds a short clause
// naming the token ("\"abc\" is not a number").
// Integers saturate at the int32 range, as the loaders' range checks expect.
bool parseIntToken(const char* text, int& value, std::string& why);
// A real that fits a 32-bit float: NaN, infinities and 1e300 are refused.
bool parseRealToken(const char* text, double& value, std::string& why);
// The same, read in single precision (as scanf's %f does).
bool parseFloatToken(const char* text, float& value, std::string& why);

// "<path>, line <n>: <reason>" on the console.
void reportFileLine(const char* path, int line, const std::string& reason);
// "<path>: <reason>" on the console.
void reportFile(const char* path, const std::string& reason);
