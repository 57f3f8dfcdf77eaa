#include "tree/leaf_template.h"

#include <cmath>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "platform/text_file.h"

const int32_t shadowOutlineFaces[kShadowOutlineFaces][3] = {
    {54, 0, 2},   {54, 1, 4},   {54, 4, 56},  {56, 4, 10},  {10, 4, 7},   {56, 10, 16},
    {16, 10, 14}, {56, 16, 17}, {18, 56, 17}, {24, 56, 18}, {24, 18, 20}, {31, 56, 24},
    {31, 24, 27}, {31, 54, 56}, {33, 54, 31}, {33, 0, 54}};

namespace {

constexpr int kLineLength = 1024; // 1023 characters and the terminator

// One record line being read: where it is and why it was refused.
struct LeafReader {
    FILE* file = nullptr;       // the open file, not owned
    const char* path = nullptr; // named in every message
    int line = 0;               // number of the last line read
    std::string reason;         // set when a line is refused
};

// Reads the next line; false at the end of the file.
bool nextLine(FILE* file, char* line, int& lineNumber)
{
    if (!std::fgets(line, kLineLength, file)) return false;
    ++lineNumber;
    return true;
}

// Splits the next line into exactly `count` numbers: an integer index, then
// count - 1 values parsed by `parse`. A short, long or garbled line is refused.
template <typename T, typename Parse>
bool readLine(LeafReader& reader, T* values, int count, Parse parse)
{
    char line[kLineLength];
    if (!nextLine(reader.file, line, reader.line)) {
        ++reader.line;
        reader.reason = "file ends before the last face";
        return false;
    }
    int found = 0;
    char* rest = nullptr;
    for (char* token = strtok_r(line, " \t\r\n\v\f", &rest); token;
         token = strtok_r(nullptr, " \t\r\n\v\f", &rest), ++found) {
        if (found >= count) {
            reader.reason = "more than " + std::to_string(count) + " numbers on the line";
            return false;
        }
        int index = 0;
        if (found == 0 ? !parseIntToken(token, index, reader.reason) : !parse(token, values[found - 1], reader.reason))
            return false;
    }
    if (found < count) {
        reader.reason = std::to_string(found) + " numbers on the line, " + std::to_string(count) + " expected";
        return false;
    }
    return true;
}

bool readRecords(LeafReader& reader, LeafTemplate& out)
{
    // NaN, infinity or a float overflow would reach every leaf, the bounds and the shade grid.
    for (int k = 0; k < kPetiolePoints; ++k) {
        float p[4] = {}; // x, y, z, radius
        if (!readLine(reader, p, 5, parseFloatToken)) return false;
        out.petioleVertices[k] = {p[0] * kLeafFileScale, p[1] * kLeafFileScale, p[2] * kLeafFileScale, 0};
        out.petioleVertexRadii[k] = p[3] * kLeafFileScale;
    }
    for (int k = 0; k < kBladeVertices; ++k) {
        float b[5] = {}; // x, y, z, u, v
        if (!readLine(reader, b, 6, parseFloatToken)) return false;
        out.bladeVertices[k] = {b[0] * kLeafFileScale, b[1] * kLeafFileScale, b[2] * kLeafFileScale, 0};
        out.bladeTexCoords[k][0] = b[3];
        out.bladeTexCoords[k][1] = b[4];
    }
    for (int k = 0; k < kBladeFaces; ++k) {
        int face[3] = {};
        if (!readLine(reader, face, 4, parseIntToken)) return false;
        for (int corner = 0; corner < 3; ++corner) {
            if (face[corner] < 0 || face[corner] >= kBladeVertices) {
                // Reaching the display lists with it would read past the vertex table.
                reader.reason = "face vertex " + std::to_string(face[corner]) + " outside 0.." +
                                std::to_string(kBladeVertices - 1);
                return false;
            }
            out.bladeFaces[k][corner] = face[corner];
        }
    }
    return true;
}

} // namespace

bool loadLeafModel(FILE* file, LeafTemplate& tmpl, const char* path)
{
    if (!file) return false;
    if (!path) path = "leaf model file";
    char line[kLineLength];
    int petioleCount = 0, vertexCount = 0, faceCount = 0;
    LeafReader reader;
    reader.file = file;
    reader.path = path;
    const bool header = nextLine(file, line, reader.line);
    if (header)
        std::sscanf(line, "PetioleVerNum=%d LeafVerNum=%d LeafFacesNum=%d", &petioleCount, &vertexCount, &faceCount);
    if (petioleCount != kPetiolePoints || vertexCount != kBladeVertices || faceCount != kBladeFaces) {
        std::fclose(file);
        showNotice("File format is error!", "Loading");
        reportFileLine(path, 1,
                       header ? "the counts are not PetioleVerNum=6 LeafVerNum=77 LeafFacesNum=95" : "the file is empty");
        return false;
    }

    // Filled aside so that a rejected file leaves the template untouched.
    LeafTemplate staged;
    const bool complete = readRecords(reader, staged);
    std::fclose(file);
    if (!complete) {
        consolePrintf("Leaf model %s, line %d: %s\n", path, reader.line, reader.reason.c_str());
        return false;
    }
    tmpl = staged;
    return true;
}
