// Files a test writes for the code under test to read, or names for it to
// write: each under the test temp folder with a name no other test process
// uses, and removed when it goes out of scope, even when an ASSERT leaves early.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A path with nothing behind it yet: for code that writes the file itself.
class ScratchPath {
public:
    explicit ScratchPath(const std::string& suffix = "");
    ~ScratchPath();
    ScratchPath(const ScratchPath&) = delete;
    ScratchPath& operator=(const ScratchPath&) = delete;

    const std::string& path() const { return path_; }
    const char* c_str() const { return path_.c_str(); }

private:
    std::string path_;
};

// A file holding the given bytes, written whole before the constructor returns.
class ScratchFile : public ScratchPath {
public:
    explicit ScratchFile(const std::string& bytes, const std::string& suffix = "");
    // Replaces what the file holds.
    void write(const std::string& bytes) const;
};

// The whole of a file as bytes; empty where it cannot be read.
std::string readWholeFile(const std::string& path);
std::vector<uint8_t> readFileBytes(const std::string& path);
