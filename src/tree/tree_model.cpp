#include "tree/tree_model.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/platform.h"
#include "tree/hierarchy.h"

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

namespace {

constexpr int kFirstLineMax = 510;
constexpr int kTokenMax = 511;

// Whitespace-separated tokens of at most 511 characters. A longer token is
// cut there and its tail skipped, so it still counts as one token.
struct TokenReader {
    FILE* file = nullptr;
    char text[kTokenMax + 1] = {};

    bool next()
    {
        int c = std::getc(file);
        while (c != EOF && std::isspace(c)) c = std::getc(file);
        if (c == EOF) return false;
        int len = 0;
        while (c != EOF && !std::isspace(c)) {
            if (len < kTokenMax) text[len++] = static_cast<char>(c);
            c = std::getc(file);
        }
        text[len] = '\0';
        return true;
    }
};

// Like atoi (malformed reads as 0), but out-of-range values saturate
// instead of being undefined.
int parseInt(const char* text)
{
    const long value = std::strtol(text, nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

bool readInt(TokenReader& reader, int& out)
{
    if (!reader.next()) return false;
    out = parseInt(reader.text);
    return true;
}

bool readReal(TokenReader& reader, double& out)
{
    if (!reader.next()) return false;
    out = std::strtod(reader.text, nullptr);
    return true;
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

enum class RowResult { ok, rejected, noMemory };

// Reads row i into branches[i]. On rejection `reason` holds one short clause.
RowResult readRow(TokenReader& reader, TreeModel& model, int i, bool listed[], char* reason, size_t reasonSize)
{
    const char* truncated = "the file ends before the row is complete";
    Branch& branch = model.branches[i];
    int rowId = 0, n = 0, m = 0;
    if (!readInt(reader, rowId) || !readInt(reader, n) || !readInt(reader, m)) {
        std::snprintf(reason, reasonSize, "%s", truncated);
        return RowResult::rejected;
    }
    if (n < 2 || n > kMaxBranchPoints) {
        std::snprintf(reason, reasonSize, "N=%d is outside 2..%d", n, kMaxBranchPoints);
        return RowResult::rejected;
    }
    // Each child is a distinct later branch, so more than 321 can never fit.
    if (m < 0 || m > kBranchCount - 1) {
        std::snprintf(reason, reasonSize, "M=%d is outside 0..%d", m, kBranchCount - 1);
        return RowResult::rejected;
    }
    branch.childCount = m;

    if (!reader.next()) {
        std::snprintf(reason, reasonSize, "%s", truncated);
        return RowResult::rejected;
    }
    for (int c = 0; c < kColourClassCount; ++c) {
        if (std::strcmp(reader.text, kColourWords[c]) != 0) continue;
        setBranchClass(branch, c);
        break;
    }
    branch.pointCount = n;

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

    for (int j = 0; j < m; ++j) {
        int childIndex = 0, attachPoint = 0;
        if (!readInt(reader, childIndex) || !readInt(reader, attachPoint)) {
            std::snprintf(reason, reasonSize, "%s", truncated);
            return RowResult::rejected;
        }
        if (childIndex < 0 || childIndex > kBranchCount - 1) {
            std::snprintf(reason, reasonSize, "child index %d is outside 0..%d", childIndex, kBranchCount - 1);
            return RowResult::rejected;
        }
        // Children numbered after their parent make the lists a tree with no cycle.
        if (childIndex <= i) {
            std::snprintf(reason, reasonSize, "child index %d is not greater than the row number", childIndex);
            return RowResult::rejected;
        }
        if (listed[childIndex]) {
            std::snprintf(reason, reasonSize, "branch %d is listed as a child twice", childIndex);
            return RowResult::rejected;
        }
        if (attachPoint < 0 || attachPoint > n - 1) {
            std::snprintf(reason, reasonSize, "attach point %d of child %d is outside 0..%d", attachPoint, childIndex,
                          n - 1);
            return RowResult::rejected;
        }
        // The dynamics hands transforms down by scanning the list in this order.
        if (j > 0 && attachPoint < branch.children[j - 1].attachPoint) {
            std::snprintf(reason, reasonSize, "attach point %d of child %d comes after attach point %d", attachPoint,
                          childIndex, branch.children[j - 1].attachPoint);
            return RowResult::rejected;
        }
        listed[childIndex] = true;
        branch.children[j].attachPoint = attachPoint;
        branch.children[j].childIndex = childIndex;
    }

    for (int k = 0; k < n; ++k) {
        double value[4] = {};
        for (double& v : value) {
            if (!readReal(reader, v)) {
                std::snprintf(reason, reasonSize, "%s", truncated);
                return RowResult::rejected;
            }
            // NaN or infinity would spread through bounds, shade cells and dynamics.
            if (!std::isfinite(v)) {
                std::snprintf(reason, reasonSize, "point %d holds a value that is not a finite number", k);
                return RowResult::rejected;
            }
        }
        branch.points[k] = scale(Vec3{value[0], value[1], value[2], 0}, kTreeFileScale);
        const double radius = value[3] * kTreeFileScale;
        branch.radii[k] = radius < kRadiusFloor ? kRadiusFloor : radius;
    }

    for (int a = 0; a < 3; ++a) {
        branch.bendVelocity[a] = 0.0;
        branch.bendPosition[a] = 0.0;
    }
    model.triangleTotalPlain += plainTriangles(n);
    model.triangleTotalShadowed += shadowedTriangles(n);
    return RowResult::ok;
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

    FILE* file = std::fopen(path, "r");
    if (!file) {
        showNotice("Tree model file does not exist!", "Loading");
        return false;
    }

    char line[kFirstLineMax + 1] = {};
    int rowMax = 0;
    if (std::fgets(line, sizeof line, file)) {
        if (!std::strchr(line, '\n')) { // drop the rest of an overlong first line
            int c = std::getc(file);
            while (c != EOF && c != '\n') c = std::getc(file);
        }
        if (std::strncmp(line, "RowMax=", 7) == 0) rowMax = parseInt(line + 7);
    }
    if (rowMax != kBranchCount) {
        std::fclose(file);
        showNotice("File size is wrong!", "Error Loading");
        return false;
    }
    model.branchCount = rowMax;

    TokenReader reader;
    reader.file = file;
    bool listed[kBranchCount] = {};
    for (int i = 0; i < kBranchCount; ++i) {
        char reason[160] = {};
        const RowResult result = readRow(reader, model, i, listed, reason, sizeof reason);
        if (result == RowResult::ok) continue;
        if (result == RowResult::rejected) consolePrintf("Tree model %s, row %d: %s\n", path, i, reason);
        std::fclose(file);
        clearBranches(model);
        return false;
    }
    std::fclose(file); // anything after the last row is ignored

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
