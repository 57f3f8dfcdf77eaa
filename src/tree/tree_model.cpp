// The tree skeleton file read into the TreeModel, and each branch class's
// stiffness, frequency and damping.
//
// Sections, in order:
//   Reset: resetTreeModel
//   Reading rows: readRowCounts, readColour, readChildren, readPoints, readRow
//   Loading the file: readRowMax, copyRestBranches, loadTreeModel
//   Branch classes and rest copies: setBranchClass, copyRestBranch
#include "tree/tree_model.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "platform/platform.h"
#include "platform/text_file.h"
#include "tree/hierarchy.h"

// ---- Reset

namespace {
void clearBranches(TreeModel& model);
} // namespace

void resetTreeModel(TreeModel& model)
{
    clearBranches(model);
    model.refined = true;
    model.boundsMin = {};
    model.boundsMax = {};
}

// ---- Reading rows

namespace {

constexpr int kFirstLineMax = 510;
constexpr int kColourWarningsShown = 3; // unknown colour words reported one by one; the rest are counted

// Reading the rows: the token stream, the row at hand and why it failed.
struct RowReader {
    TextTokens tokens;            // the file after the first line
    const char* path = nullptr;   // named in every message
    int row = 0;                  // branch number of the row being read
    std::string reason;           // set when a row is refused
    int unknownColours = 0;       // rows whose colour word is none of the eight
    std::string unknownWord;      // this row's unknown word, reported once the row has loaded
    int unknownLine = 0;          // line of that word
    bool listed[kBranchCount] = {}; // branches already named as someone's child
};

bool refuse(RowReader& reader, const std::string& why)
{
    reader.reason = why;
    return false;
}

bool nextToken(RowReader& reader)
{
    return reader.tokens.next() || refuse(reader, "the file ends before the row is complete");
}

bool readInt(RowReader& reader, int& out)
{
    return nextToken(reader) && (parseIntToken(reader.tokens.text, out, reader.reason) || refuse(reader, reader.reason));
}

bool readReal(RowReader& reader, double& out)
{
    return nextToken(reader) && (parseRealToken(reader.tokens.text, out, reader.reason) || refuse(reader, reader.reason));
}

// Empties the tree part of the model; the wind and grass loaded before stay.
void clearBranches(TreeModel& model)
{
    model.branchCount = 0;
    model.triangleCount = 0;
    model.triangleTotalPlain = 0;
    model.triangleTotalShadowed = 0;
    for (int i = 0; i < kBranchCount; ++i) {
        model.branches[i] = Branch{};
        model.restBranches[i] = Branch{};
    }
}

// Row id (ignored), N and M, each within the limits the rest relies on.
bool readRowCounts(RowReader& reader, int& n, int& m)
{
    int rowId = 0;
    if (!readInt(reader, rowId) || !readInt(reader, n) || !readInt(reader, m)) return false;
    if (n < 2 || n > kMaxBranchPoints)
        return refuse(reader, "N=" + std::to_string(n) + " is outside 2.." + std::to_string(kMaxBranchPoints));
    // Each child is a distinct later branch, so more than 321 can never fit.
    if (m < 0 || m > kBranchCount - 1)
        return refuse(reader, "M=" + std::to_string(m) + " is outside 0.." + std::to_string(kBranchCount - 1));
    return true;
}

// An unknown word keeps the class the record has; the load goes on with a warning.
bool readColour(RowReader& reader, Branch& branch)
{
    if (!nextToken(reader)) return false;
    for (int c = 0; c < kColourClassCount; ++c) {
        if (std::strcmp(reader.tokens.text, kColourWords[c]) != 0) continue;
        setBranchClass(branch, c);
        return true;
    }
    reader.unknownWord = std::string(reader.tokens.text).substr(0, 40);
    reader.unknownLine = reader.tokens.tokenLine;
    return true;
}

enum class RowResult { ok, rejected, noMemory };

RowResult allocateRow(Branch& branch, int i, int n, int m)
{
    // Room for 2N-1 points: the simulation step refines the centre line in place.
    branch.points.reset(new (std::nothrow) Vec3[2 * n - 1]);
    if (!branch.points) {
        consolePrintf("i=%d, num=%d\n", i, n);
        showNotice("Memory allocation error 1!", "INFO");
        return RowResult::noMemory;
    }
    branch.radii.reset(new (std::nothrow) double[2 * n - 1]());
    if (!branch.radii) {
        showNotice("Memory allocation error 2!", "INFO");
        return RowResult::noMemory;
    }
    branch.children.reset(new (std::nothrow) BranchChild[m > 0 ? m : 1]);
    if (!branch.children) {
        showNotice("Memory allocation error 3!", "INFO");
        return RowResult::noMemory;
    }
    return RowResult::ok;
}

bool readChildren(RowReader& reader, Branch& branch, int n, int m)
{
    const std::string last = std::to_string(kBranchCount - 1);
    for (int j = 0; j < m; ++j) {
        int childIndex = 0, attachPoint = 0;
        if (!readInt(reader, childIndex) || !readInt(reader, attachPoint)) return false;
        const std::string child = std::to_string(childIndex);
        const std::string attach = "attach point " + std::to_string(attachPoint) + " of child " + child;
        if (childIndex < 0 || childIndex > kBranchCount - 1)
            return refuse(reader, "child index " + child + " is outside 0.." + last);
        // Children numbered after their parent make the lists a tree with no cycle.
        if (childIndex <= reader.row) return refuse(reader, "child index " + child + " is not greater than the row number");
        if (reader.listed[childIndex]) return refuse(reader, "branch " + child + " is listed as a child twice");
        if (attachPoint < 0 || attachPoint > n - 1)
            return refuse(reader, attach + " is outside 0.." + std::to_string(n - 1));
        // The dynamics hands transforms down by scanning the list in this order.
        if (j > 0 && attachPoint < branch.children[j - 1].attachPoint)
            return refuse(reader, attach + " comes after attach point " + std::to_string(branch.children[j - 1].attachPoint));
        reader.listed[childIndex] = true;
        branch.children[j].attachPoint = attachPoint;
        branch.children[j].childIndex = childIndex;
    }
    return true;
}

bool readPoints(RowReader& reader, Branch& branch, int n)
{
    for (int k = 0; k < n; ++k) {
        double value[4] = {};
        for (double& v : value) {
            // NaN, infinity or a float overflow would spread through bounds, shade cells, dynamics and exports.
            if (!readReal(reader, v)) return false;
        }
        branch.points[k] = scale(Vec3{value[0], value[1], value[2], 0}, kTreeFileScale);
        const double radius = value[3] * kTreeFileScale;
        branch.radii[k] = radius < kRadiusFloor ? kRadiusFloor : radius;
    }
    return true;
}

// Reads row reader.row into its branch. On rejection reader.reason holds one short clause.
RowResult readRow(RowReader& reader, TreeModel& model)
{
    Branch& branch = model.branches[reader.row];
    int n = 0, m = 0;
    if (!readRowCounts(reader, n, m)) return RowResult::rejected;
    branch.childCount = m;
    if (!readColour(reader, branch)) return RowResult::rejected;
    branch.pointCount = n;
    const RowResult allocated = allocateRow(branch, reader.row, n, m);
    if (allocated != RowResult::ok) return allocated;
    if (!readChildren(reader, branch, n, m) || !readPoints(reader, branch, n)) return RowResult::rejected;
    for (int a = 0; a < 3; ++a) {
        branch.bendVelocity[a] = 0.0;
        branch.bendPosition[a] = 0.0;
    }
    model.triangleTotalPlain += plainTriangles(n);
    model.triangleTotalShadowed += shadowedTriangles(n);
    if (!reader.unknownWord.empty() && ++reader.unknownColours <= kColourWarningsShown)
        consolePrintf("Tree model %s, line %d, row %d: unknown colour word \"%s\", the row keeps class %d\n",
                      reader.path, reader.unknownLine, reader.row, reader.unknownWord.c_str(), branch.colourClass);
    reader.unknownWord.clear();
    return RowResult::ok;
}

// ---- Loading the file

// The first line must be "RowMax=322"; otherwise the reason it is not.
bool readRowMax(FILE* file, int& rowMax, std::string& why)
{
    char line[kFirstLineMax + 1] = {};
    if (!std::fgets(line, sizeof line, file)) {
        why = "the file is empty";
        return false;
    }
    if (!std::strchr(line, '\n')) { // drop the rest of an overlong first line
        int c = std::getc(file);
        while (c != EOF && c != '\n') c = std::getc(file);
    }
    line[std::strcspn(line, "\r\n")] = '\0';
    // Read like "RowMax=%d": whatever follows the number is ignored.
    char* end = line + 7;
    const long value = std::strncmp(line, "RowMax=", 7) == 0 ? std::strtol(line + 7, &end, 10) : 0;
    rowMax = value > INT_MAX ? INT_MAX : (value < INT_MIN ? INT_MIN : static_cast<int>(value));
    if (end == line + 7) {
        why = "the first line is not \"RowMax=" + std::to_string(kBranchCount) + "\"";
        return false;
    }
    why = "RowMax=" + std::to_string(rowMax) + ", " + std::to_string(kBranchCount) + " expected";
    return rowMax == kBranchCount;
}

bool copyRestBranches(TreeModel& model)
{
    for (int i = 0; i < kBranchCount; ++i)
        if (!copyRestBranch(model.branches[i], model.restBranches[i])) return false;
    return true;
}

} // namespace

bool loadTreeModel(TreeModel& model, const char* path)
{
    // A reload starts from empty records; a failed load leaves them empty.
    clearBranches(model);

    std::string why;
    FILE* file = openDataFile(path, why);
    if (!file) {
        showNotice("Tree model file does not exist!", "Loading");
        reportFile(path, why);
        return false;
    }
    int rowMax = 0;
    if (!readRowMax(file, rowMax, why)) {
        std::fclose(file);
        showNotice("File size is wrong!", "Error Loading");
        reportFileLine(path, 1, why);
        return false;
    }
    model.branchCount = rowMax;

    RowReader reader;
    reader.tokens.file = file;
    reader.tokens.line = 2;
    reader.path = path;
    for (reader.row = 0; reader.row < kBranchCount; ++reader.row) {
        const RowResult result = readRow(reader, model);
        if (result == RowResult::ok) continue;
        if (result == RowResult::rejected)
            consolePrintf("Tree model %s, line %d, row %d: %s\n", path, reader.tokens.tokenLine, reader.row,
                          reader.reason.c_str());
        std::fclose(file);
        clearBranches(model);
        return false;
    }
    std::fclose(file); // anything after the last row is ignored
    if (reader.unknownColours > kColourWarningsShown)
        consolePrintf("Tree model %s: %d rows in all have an unknown colour word\n", path, reader.unknownColours);

    model.triangleCount = model.refined ? model.triangleTotalShadowed : model.triangleTotalPlain;

    Branch& trunk = model.branches[0];
    trunk.frameX = Vec3{1.0, 0.0, 0.0, 0};
    trunk.frameY = Vec3{0.0, 1.0, 0.0, 0};
    trunk.frameZ = Vec3{0.0, 0.0, 1.0, 0};
    buildBranchFrames(model, trunk);

    if (!copyRestBranches(model)) {
        clearBranches(model);
        return false;
    }
    return true;
}

// ---- Branch classes and rest copies

namespace {

struct BranchClass {
    double stiffness;
    double frequency;
    double dampingRatio;
};

// Index = colourClass, the position of the row's word in kColourWords.
constexpr BranchClass kBranchClasses[kColourClassCount] = {
    {10000.0, 0.4, 0.12}, {256.0, 0.5, 0.13}, {128.0, 0.5, 0.14}, {128.0, 2.0, 0.12},
    {64.0, 2.0, 0.12},    {32.0, 2.0, 0.12},  {32.0, 2.0, 0.12},  {32.0, 2.0, 0.12},
};

} // namespace

void setBranchClass(Branch& branch, int colourClass)
{
    branch.colourClass = colourClass;
    branch.stiffness = kBranchClasses[colourClass].stiffness;
    branch.frequency = kBranchClasses[colourClass].frequency;
    branch.dampingRatio = kBranchClasses[colourClass].dampingRatio;
}

bool copyRestBranch(const Branch& live, Branch& rest)
{
    const int n = live.pointCount;
    rest.points.reset(new (std::nothrow) Vec3[n]);
    if (!rest.points) {
        showNotice("Memory allocation error 4!", "INFO");
        return false;
    }
    rest.radii.reset(new (std::nothrow) double[n]);
    if (!rest.radii) {
        showNotice("Memory allocation error 5!", "INFO");
        return false;
    }
    rest.pointCount = n;
    for (int k = 0; k < n; ++k) {
        rest.points[k] = live.points[k];
        rest.radii[k] = live.radii[k];
    }
    rest.frameX = live.frameX;
    rest.frameY = live.frameY;
    rest.frameZ = live.frameZ;
    return true;
}
