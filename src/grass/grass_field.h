// Grass blades: records and the reader of the grass file.
#pragma once
#include <cstdint>
#include <memory>

#include "data_constants/grass_file.h"
#include "data_constants/texture_files.h"
#include "math/vec3.h"
#include "platform/random.h"

struct GrassBlade {
    // Draws dampingRatio, frequency and stiffness, three numbers in that order.
    void drawOscillator(Random& random);

    int32_t textureIndex = 0;         // 0..3
    Vec3 centre[kGrassLevels];        // current centre line, root first
    Vec3 edge[kGrassLevels];          // current edge points
    Vec3 restCentre[kGrassLevels];    // rest copy of centre
    Vec3 restEdge[kGrassLevels];      // rest copy of edge
    Vec3 baseU;                       // first cross direction (root line)
    Vec3 baseNormal;                  // unit baseU x baseV
    Vec3 baseV;                       // width direction (root line)
    Vec3 noisePosition;               // where the wind is sampled
    Vec3 colour;                      // current RGB 0..1
    double bendVelocity[3] = {};      // oscillator velocities
    double bendPosition[3] = {};      // oscillator states
    double stiffness = 0.0;           /// 0.9..1.1 force units per radian
    double frequency = 0.0;           /// 1.0..1.4 Hz
    double dampingRatio = 0.0;        /// 0.10..0.14 of critical damping
};

// The far side of a blade level: the edge point mirrored through the centre
// line, 2 centre - edge. A level's strip runs from it to the edge point.
inline Vec3 bladeFarEdge(const Vec3& centre, const Vec3& edge)
{
    return {2.0 * centre.x - edge.x, 2.0 * centre.y - edge.y, 2.0 * centre.z - edge.z, 0};
}

// Groups blades are drawn in: one per grass texture, then one untextured.
constexpr int kGrassGroups = kGrassTextureCount + 1;

// A blade's group: its texture index, or the last, untextured group for an
// index that names no texture. The window's picture decides this (it draws
// such a blade plain, in its colour); the exporter follows it. The loader only
// deals 0..3, so only hand-made records reach the last group.
inline int grassTextureGroup(const GrassBlade& blade)
{
    const int i = blade.textureIndex;
    return i >= 0 && i < kGrassTextureCount ? i : kGrassTextureCount;
}

// The loaded field: blades in file order.
struct GrassField {
    int32_t bladeCount = 0;                 // 0 when no field is loaded
    int32_t pointsPerBlade = 0;             // kGrassLevels once loaded
    std::unique_ptr<GrassBlade[]> blades;   // bladeCount records, or null
};

// Levels usable on this field: 0 when no blade array exists.
int grassLevels(const GrassField& field);

// Reads the grass file into field. Draws from random: three per blade
// (drawOscillator) for every blade in order, then per blade one per level and
// one for the texture. On failure bladeCount is 0 and no array exists.
bool loadGrassFile(GrassField& field, const char* path, Random& random);
