// The grower's files are written whole, and the folder's set of them at
// once: each goes to a temporary file beside its target (platform/
// atomic_file.h), and only when every part is written are they all renamed
// over the earlier files. A full disk, a failure or a signal part way leaves
// an earlier data folder as it was, not half regrown.
#pragma once
#include <cstddef>
#include <cstdio>
#include <string>

// Writes size bytes to a temporary file beside path, renamed by
// commitSavedFiles; false after printing "arborvane-grow: cannot write PATH: reason".
bool saveWhole(const std::string& path, const void* bytes, size_t size);

// Syncs every file saved so far, then renames each over its target; false
// after printing why, with the files not yet renamed removed.
bool commitSavedFiles();
// Removes every file saved so far; the targets stay as they were.
void discardSavedFiles();

// Text built with fprintf into memory, then saved whole.
class TextOut {
public:
    TextOut(); // throws std::bad_alloc when no memory stream can be had
    ~TextOut();
    TextOut(const TextOut&) = delete;
    TextOut& operator=(const TextOut&) = delete;

    FILE* file() const { return file_; } // the stream to print into
    // Ends the stream and saves its text to path; false after printing why.
    bool save(const std::string& path);

private:
    FILE* file_ = nullptr; // memory stream over data_
    char* data_ = nullptr; // the text, owned (malloc'd by the stream)
    size_t size_ = 0;      // its length once the stream is flushed
};
