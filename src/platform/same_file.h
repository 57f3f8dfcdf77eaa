// Whether two paths name one file, and whether a run's outputs stay clear of
// its inputs and of each other. Asked before any work, so a run never writes
// over what it reads or writes one file twice.
#pragma once
#include <string>
#include <vector>

// Follows symbolic links (a dangling one too) to the path the bytes go to.
std::string followLinks(std::string path);

// The file a write to path lands on, as one absolute spelling: links, "." and
// ".." resolved as far as the path exists.
std::string canonicalTarget(const std::string& path);

// True when a and b are one file: the same device and inode when both exist
// (links and hard links count), else the same canonical target.
bool sameFile(const std::string& a, const std::string& b);

// An output of a run and the flag that named it ("--trace").
struct NamedOutput {
    std::string flag;
    std::string path;
};

// An input of a run; flag empty for the data folder's files.
struct NamedInput {
    std::string flag;
    std::string path;
};

// The first output that is one of inputs or another output, as one line
// ("--trace X: it is the input file Y"); empty when none is. Empty paths are
// outputs not asked for and are skipped.
std::string findOutputClash(const std::vector<NamedOutput>& outputs, const std::vector<NamedInput>& inputs);
