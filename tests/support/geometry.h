// Distances between points and a shade grid over a given box.
#pragma once
#include <array>
#include <cmath>
#include <memory>

#include <gtest/gtest.h>

#include "grass/grass_shade.h"
#include "math/vec3.h"

// Euclidean distance. A point with its status word set is a fault in any
// test that measures it, so it fails the test rather than pass for a
// point that moved, or one that stayed.
inline double distance(const Vec3& a, const Vec3& b)
{
    EXPECT_TRUE(a.status == 0 && b.status == 0) << "a measured point carries status " << a.status << '/' << b.status;
    return norm(sub(a, b));
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
