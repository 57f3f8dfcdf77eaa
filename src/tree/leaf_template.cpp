#include "tree/leaf_template.h"

#include <cmath>

#include "platform/platform.h"

const int32_t shadowOutlineFaces[kShadowOutlineFaces][3] = {
    {54, 0, 2},   {54, 1, 4},   {54, 4, 56},  {56, 4, 10},  {10, 4, 7},   {56, 10, 16},
    {16, 10, 14}, {56, 16, 17}, {18, 56, 17}, {24, 56, 18}, {24, 18, 20}, {31, 56, 24},
    {31, 24, 27}, {31, 54, 56}, {33, 54, 31}, {33, 0, 54}};

namespace {

constexpr int kLineLength = 1024; // 1023 characters and the terminator

// Reads the next line; false at the end of the file.
bool nextLine(FILE* file, char* line, int& lineNumber)
{
    if (!std::fgets(line, kLineLength, file)) return false;
    ++lineNumber;
    return true;
}

// NaN or infinity in the template would reach every leaf, the bounds and the shade grid.
bool finiteLine(const float* values, int count, int& lineNumber)
{
    for (int i = 0; i < count; ++i) {
        if (std::isfinite(values[i])) continue;
        consolePrintf("Leaf model line %d: a value is not a finite number\n", lineNumber);
        lineNumber = -1;
        return false;
    }
    return true;
}

bool readRecords(FILE* file, LeafTemplate& out, int& lineNumber)
{
    char line[kLineLength];
    // Shared across lines: a malformed line keeps the previous line's values.
    int index = 0;
    float x = 0.0f, y = 0.0f, z = 0.0f, r = 0.0f, u = 0.0f, v = 0.0f;
    int a = 0, b = 0, c = 0;

    for (int k = 0; k < kPetiolePoints; ++k) {
        if (!nextLine(file, line, lineNumber)) return false;
        std::sscanf(line, "%d %f %f %f %f", &index, &x, &y, &z, &r);
        const float values[] = {x, y, z, r};
        if (!finiteLine(values, 4, lineNumber)) return false;
        out.petioleVertices[k] = {x * kLeafFileScale, y * kLeafFileScale, z * kLeafFileScale, 0};
        out.petioleVertexRadii[k] = r * kLeafFileScale;
    }
    for (int k = 0; k < kBladeVertices; ++k) {
        if (!nextLine(file, line, lineNumber)) return false;
        std::sscanf(line, "%d %f %f %f %f %f", &index, &x, &y, &z, &u, &v);
        const float values[] = {x, y, z, u, v};
        if (!finiteLine(values, 5, lineNumber)) return false;
        out.bladeVertices[k] = {x * kLeafFileScale, y * kLeafFileScale, z * kLeafFileScale, 0};
        out.bladeTexCoords[k][0] = u;
        out.bladeTexCoords[k][1] = v;
    }
    for (int k = 0; k < kBladeFaces; ++k) {
        if (!nextLine(file, line, lineNumber)) return false;
        std::sscanf(line, "%d %d %d %d", &index, &a, &b, &c);
        const int face[3] = {a, b, c};
        for (int corner = 0; corner < 3; ++corner) {
            if (face[corner] < 0 || face[corner] >= kBladeVertices) {
                // Reaching the display lists with it would read past the vertex table.
                consolePrintf("Leaf model line %d: face vertex %d outside 0..%d\n", lineNumber, face[corner],
                              kBladeVertices - 1);
                lineNumber = -1;
                return false;
            }
            out.bladeFaces[k][corner] = face[corner];
        }
    }
    return true;
}

} // namespace

bool loadLeafModel(FILE* file, LeafTemplate& tmpl)
{
    if (!file) return false;
    char line[kLineLength];
    int petioleCount = 0, vertexCount = 0, faceCount = 0;
    int lineNumber = 0;
    if (nextLine(file, line, lineNumber))
        std::sscanf(line, "PetioleVerNum=%d LeafVerNum=%d LeafFacesNum=%d", &petioleCount, &vertexCount, &faceCount);
    if (petioleCount != kPetiolePoints || vertexCount != kBladeVertices || faceCount != kBladeFaces) {
        std::fclose(file);
        showNotice("File format is error!", "Loading");
        return false;
    }

    // Filled aside so that a rejected file leaves the template untouched.
    LeafTemplate staged;
    const bool complete = readRecords(file, staged, lineNumber);
    std::fclose(file);
    if (!complete) {
        // lineNumber is -1 when a check already reported the line.
        if (lineNumber >= 0) consolePrintf("Leaf model line %d: file ends before the last face\n", lineNumber + 1);
        return false;
    }
    tmpl = staged;
    return true;
}
