#include "grass/grass_field.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <new>

#include "grass/grass_shade.h"
#include "platform/platform.h"

GrassBlade::GrassBlade()
{
    const int r1 = randomInt();
    const int r2 = randomInt();
    const int r3 = randomInt();
    dampingRatio = (2.0 * r1 / 32767.0 - 1.0) * 0.02 + 0.12;
    frequency = (2.0 * r2 / 32767.0 - 1.0) * 0.2 + 1.2;
    stiffness = (2.0 * r3 / 32767.0 - 1.0) * 0.1 + 1.0;
}

namespace {

bool readReal(FILE* file, double& value) { return std::fscanf(file, "%lf", &value) == 1 && std::isfinite(value); }

bool readVec3(FILE* file, Vec3& v)
{
    v = {};
    return readReal(file, v.x) && readReal(file, v.y) && readReal(file, v.z);
}

// Reads the blade records into blades; false at the first missing or non-finite number.
bool readBlades(FILE* file, GrassBlade* blades, int count)
{
    for (int b = 0; b < count; ++b) {
        GrassBlade& blade = blades[b];
        Vec3 root;
        for (int j = 0; j < kGrassLevels; ++j) {
            float w = 0.0f; // the width factor is kept in single precision
            Vec3 p, u, v;
            if (std::fscanf(file, "%f", &w) != 1 || !std::isfinite(w)) return false;
            if (!readVec3(file, p) || !readVec3(file, u) || !readVec3(file, v)) return false;
            if (j == 0) {
                root = p;
                blade.baseU = u;
                blade.baseV = v;
                blade.baseNormal = cross(u, v);
                normalize(blade.baseNormal);
            }
            blade.centre[j] = add(scale(root, kGrassFileScale), scale(sub(p, root), kGrassFileScale));
            const double k = 0.4 * randomInt() / 32767.0 + 0.6;
            blade.edge[j] = add(blade.centre[j], scale(scale(scale(v, w), kGrassFileScale), k));
        }
        blade.textureIndex = randomInt() % 4;
        blade.colour = kGrassLightColour;
    }
    return true;
}

} // namespace

int grassLevels(const GrassField& field)
{
    if (!field.blades || field.bladeCount <= 0) return 0;
    const int levels = field.pointsPerBlade;
    return levels < 0 ? 0 : (levels > kGrassLevels ? kGrassLevels : levels);
}

bool loadGrassFile(GrassField& field, const char* path)
{
    field.blades.reset();
    field.bladeCount = 0;
    field.pointsPerBlade = 0;
    FILE* file = std::fopen(path ? path : "", "r");
    if (!file) return false;
    int count = 0;
    int perBlade = 0;
    if (std::fscanf(file, "%d %d", &count, &perBlade) != 2 || perBlade != kGrassLevels) {
        std::fclose(file);
        return false;
    }
    if (count <= 0 || count > kMaxGrassBlades) {
        consolePrintf("Grass blade count %d is outside 1..%d!\n", count, kMaxGrassBlades);
        std::fclose(file);
        return false;
    }
    // A blade record is 50 numbers, at least 99 bytes: refuse counts the file
    // cannot back before building that many records.
    const long here = std::ftell(file);
    long end = -1;
    if (here >= 0 && std::fseek(file, 0, SEEK_END) == 0) end = std::ftell(file);
    if (end < 0 || std::fseek(file, here, SEEK_SET) != 0 || (end - here + 1) / 100 < count) {
        consolePrintf("Grass file %s is too short for %d blades!\n", path, count);
        std::fclose(file);
        return false;
    }
    // Construction draws three numbers per blade, blade by blade.
    std::unique_ptr<GrassBlade[]> blades(new (std::nothrow) GrassBlade[count]);
    if (!blades) {
        std::fclose(file);
        return false;
    }
    bool ok = true;
    for (int i = 0; i < 6 && ok; ++i) {
        double ignored = 0.0;
        ok = readReal(file, ignored);
    }
    ok = ok && readBlades(file, blades.get(), count);
    std::fclose(file);
    if (!ok) {
        consolePrintf("Grass file %s is cut short or holds a value that is not a number!\n", path);
        return false;
    }
    field.blades = std::move(blades);
    field.bladeCount = count;
    field.pointsPerBlade = kGrassLevels;
    return true;
}
