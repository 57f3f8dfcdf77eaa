// The shared leaf template read from the leaf model file.
#pragma once
#include <cstdint>
#include <cstdio>

#include "math/vec3.h"
#include "tree/leaf.h"

constexpr int kShadowOutlineFaces = 16;

struct LeafTemplate {
    Vec3 petioleVertices[kPetiolePoints];        // scaled by 0.25
    double petioleVertexRadii[kPetiolePoints] = {}; // scaled by 0.25
    Vec3 bladeVertices[kBladeVertices];          // scaled by 0.25
    double bladeTexCoords[kBladeVertices][2] = {}; // (u, v) as in the file
    int32_t bladeFaces[kBladeFaces][3] = {};     // 0-based vertex indices
};

extern const int32_t shadowOutlineFaces[kShadowOutlineFaces][3];

// Reads an open file and closes it; path names the file in messages.
bool loadLeafModel(FILE* file, LeafTemplate& tmpl, const char* path = nullptr);
