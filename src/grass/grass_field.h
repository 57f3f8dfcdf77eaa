// Grass blades: records and the reader of the grass file.
#pragma once
#include <cstdint>
#include <memory>

#include "data_constants/grass_file.h"
#include "math/vec3.h"

struct GrassBlade {
    GrassBlade(); // draws dampingRatio, frequency, stiffness from the shared generator

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

// The loaded field: blades in file order.
struct GrassField {
    int32_t bladeCount = 0;                 // 0 when no field is loaded
    int32_t pointsPerBlade = 0;             // kGrassLevels once loaded
    std::unique_ptr<GrassBlade[]> blades;   // bladeCount records, or null
};

// Levels usable on this field: 0 when no blade array exists.
int grassLevels(const GrassField& field);

// Reads the grass file into field. Draws from the shared generator: three per
// blade at construction, then per blade one per level and one for the
// texture. On failure bladeCount is 0 and no array exists.
bool loadGrassFile(GrassField& field, const char* path);
