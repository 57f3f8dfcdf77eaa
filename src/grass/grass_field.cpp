#include "grass/grass_field.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <new>
#include <string>

#include "grass/grass_shade.h"
#include "platform/platform.h"
#include "platform/text_file.h"

void GrassBlade::drawOscillator(Random& random)
{
    const int r1 = random.next();
    const int r2 = random.next();
    const int r3 = random.next();
    dampingRatio = (2.0 * r1 / 32767.0 - 1.0) * 0.02 + 0.12;
    frequency = (2.0 * r2 / 32767.0 - 1.0) * 0.2 + 1.2;
    stiffness = (2.0 * r3 / 32767.0 - 1.0) * 0.1 + 1.0;
}

namespace {

// The grass file's numbers in order, with the line of the last one read.
struct GrassReader {
    TextTokens tokens;          // the open file
    std::string reason;         // why the last read failed
};

bool nextToken(GrassReader& reader)
{
    if (reader.tokens.next()) return true;
    reader.reason = "the file ends before the last blade the header announces";
    return false;
}

bool readReal(GrassReader& reader, double& value)
{
    return nextToken(reader) && parseRealToken(reader.tokens.text, value, reader.reason);
}

bool readVec3(GrassReader& reader, Vec3& v)
{
    v = {};
    return readReal(reader, v.x) && readReal(reader, v.y) && readReal(reader, v.z);
}

// Reads the blade records into blades; false at the first missing or bad number.
bool readBlades(GrassReader& reader, GrassBlade* blades, int count, Random& random)
{
    for (int b = 0; b < count; ++b) {
        GrassBlade& blade = blades[b];
        Vec3 root;
        for (int j = 0; j < kGrassLevels; ++j) {
            float w = 0.0f; // the width factor is kept in single precision
            Vec3 p, u, v;
            if (!nextToken(reader) || !parseFloatToken(reader.tokens.text, w, reader.reason)) return false;
            if (!readVec3(reader, p) || !readVec3(reader, u) || !readVec3(reader, v)) return false;
            if (j == 0) {
                root = p;
                blade.baseU = u;
                blade.baseV = v;
                blade.baseNormal = cross(u, v);
                normalize(blade.baseNormal);
            }
            blade.centre[j] = add(scale(root, kGrassFileScale), scale(sub(p, root), kGrassFileScale));
            const double k = 0.4 * random.next() / 32767.0 + 0.6;
            blade.edge[j] = add(blade.centre[j], scale(scale(scale(v, w), kGrassFileScale), k));
        }
        blade.textureIndex = random.next() % 4;
        blade.colour = kGrassLightColour;
    }
    // More numbers than the header's count: the count is wrong, and the field would be a fraction of the file.
    if (reader.tokens.next()) {
        reader.reason = "numbers go on after the " + std::to_string(count) + " blades the header announces";
        return false;
    }
    return true;
}

// Blade count and points per blade; false with the reason when they are unusable.
bool readHeader(GrassReader& reader, int& count, int& countLine, std::string& why)
{
    int perBlade = 0;
    why.clear();
    const bool any = reader.tokens.next();
    countLine = reader.tokens.tokenLine;
    if (!any) why = "the file is empty";
    else if (parseIntToken(reader.tokens.text, count, why) && !reader.tokens.next())
        why = "the file ends after the blade count";
    else if (why.empty() && parseIntToken(reader.tokens.text, perBlade, why) && perBlade != kGrassLevels)
        why = "points per blade " + std::to_string(perBlade) + ", " + std::to_string(kGrassLevels) + " expected";
    return why.empty();
}

// A blade record is 50 numbers, at least 99 bytes: true when the rest of the
// file can back `count` blades.
bool longEnough(FILE* file, int count)
{
    const long here = std::ftell(file);
    long end = -1;
    if (here >= 0 && std::fseek(file, 0, SEEK_END) == 0) end = std::ftell(file);
    return end >= 0 && std::fseek(file, here, SEEK_SET) == 0 && (end - here + 1) / 100 >= count;
}

} // namespace

int grassLevels(const GrassField& field)
{
    if (!field.blades || field.bladeCount <= 0) return 0;
    const int levels = field.pointsPerBlade;
    return levels < 0 ? 0 : (levels > kGrassLevels ? kGrassLevels : levels);
}

bool loadGrassFile(GrassField& field, const char* path, Random& random)
{
    field.blades.reset();
    field.bladeCount = 0;
    field.pointsPerBlade = 0;
    if (!path) path = "";
    std::string why;
    FILE* file = openDataFile(path, why);
    if (!file) {
        reportFile(path, why);
        return false;
    }
    GrassReader reader;
    reader.tokens.file = file;
    int count = 0, countLine = 1;
    if (!readHeader(reader, count, countLine, why)) {
        reportFileLine(path, reader.tokens.tokenLine, why);
        std::fclose(file);
        return false;
    }
    if (count <= 0 || count > kMaxGrassBlades) {
        consolePrintf("Grass blade count %d is outside 1..%d!\n", count, kMaxGrassBlades);
        reportFileLine(path, countLine, "the blade count " + std::to_string(count) + " is outside 1.." +
                                            std::to_string(kMaxGrassBlades));
        std::fclose(file);
        return false;
    }
    // Refuse counts the file cannot back before building that many records.
    if (!longEnough(file, count)) {
        consolePrintf("Grass file %s is too short for %d blades!\n", path, count);
        std::fclose(file);
        return false;
    }
    std::unique_ptr<GrassBlade[]> blades(new (std::nothrow) GrassBlade[count]);
    if (!blades) {
        std::fclose(file);
        return false;
    }
    // Three numbers per blade, blade by blade, before the records are read.
    for (int b = 0; b < count; ++b) blades[b].drawOscillator(random);
    bool ok = true;
    for (int i = 0; i < 6 && ok; ++i) {
        double ignored = 0.0;
        ok = readReal(reader, ignored);
    }
    ok = ok && readBlades(reader, blades.get(), count, random);
    std::fclose(file);
    if (!ok) {
        consolePrintf("Grass file %s, line %d: %s\n", path, reader.tokens.tokenLine, reader.reason.c_str());
        return false;
    }
    field.blades = std::move(blades);
    field.bladeCount = count;
    field.pointsPerBlade = kGrassLevels;
    return true;
}
