// Distances between points and a shade grid over a given box.
#pragma once
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>

#include <gtest/gtest.h>

#include "grass/grass_shade.h"
#include "math/vec3.h"
#include "tree/tree_model.h"

// Euclidean distance. A point with its status word set is a fault in any
// test that measures it, so it fails the test rather than pass for a
// point that moved, or one that stayed.
inline double distance(const Vec3& a, const Vec3& b)
{
    EXPECT_TRUE(a.status == 0 && b.status == 0) << "a measured point carries status " << a.status << '/' << b.status;
    return norm(sub(a, b));
}

// The same coordinates.
inline bool same(const Vec3& a, const Vec3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

// Same bits, zeros' signs and status included.
inline bool bitsEqual(const Vec3& a, const Vec3& b)
{
    return std::memcmp(&a.x, &b.x, sizeof(double)) == 0 && std::memcmp(&a.y, &b.y, sizeof(double)) == 0 &&
           std::memcmp(&a.z, &b.z, sizeof(double)) == 0 && a.status == b.status;
}

// Largest distance of any branch point from its rest place.
inline double largestExcursion(const TreeModel& m)
{
    double worst = 0.0;
    for (int i = 0; i < m.branchCount; ++i)
        for (int k = 0; k < m.restBranches[i].pointCount; ++k)
            worst = std::max(worst, distance(m.branches[i].points[k], m.restBranches[i].points[k]));
    return worst;
}

// Rows of x y z r: the distance of the centres.
inline double distance(const std::array<double, 4>& a, const std::array<double, 4>& b)
{
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}

// An empty shade grid over the box min..max (the grid is large: on the heap).
inline std::unique_ptr<ShadeGrid> boxedModel(const Vec3& min, const Vec3& max)
{
    auto model = std::make_unique<ShadeGrid>();
    model->boundsMin = min;
    model->boundsMax = max;
    return model;
}
