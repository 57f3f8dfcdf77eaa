// The grower's files are written whole or not at all (platform/atomic_file.h):
// a full disk or a signal leaves an earlier data folder's file as it was.
#pragma once
#include <cstddef>
#include <cstdio>
#include <string>

// Writes size bytes to path through a temporary file renamed on completion;
// false after printing "arborvane-grow: cannot write PATH: reason".
bool saveWhole(const std::string& path, const void* bytes, size_t size);

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
