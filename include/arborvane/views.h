// Read-only views into a simulation's own arrays: no copies are made.
//
// Lifetime: a view (and anything read through it) stays valid until the next
// call to step(), setUp(), open() or close() on the Simulation it came from,
// or until that Simulation is destroyed. Keep a copy if you need it longer.
//
// Units: lengths in model units (the tree stands about 11.4 high, the ground
// at y = -4.6); y is up.
#pragma once
#include <cstddef>

namespace arborvane {

// A point in tree space, model units.
struct Point3 {
    double x; // model units
    double y; // model units, up
    double z; // model units
};

// A 4 x 4 affine transform, row-major: element (r, c) at m[4 * r + c], the
// translation at m[3], m[7], m[11]. Points are column vectors (M * p).
// Transpose it before handing it to OpenGL.
struct Matrix4 {
    double m[16]; // row-major elements
};

// count items of type T spaced strideBytes apart in memory the simulation
// owns. The items are not contiguous in general: index with operator[].
template <class T>
class Strided {
public:
    Strided() = default;
    Strided(const void* first, std::size_t count, std::size_t strideBytes)
        : first_(static_cast<const unsigned char*>(first)), count_(count), stride_(strideBytes)
    {
    }

    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    // Bytes from one item to the next, for copying or uploading in bulk.
    std::size_t strideBytes() const { return stride_; }
    // The first item's address; null when empty.
    const void* data() const { return first_; }
    // No bounds check: i < size().
    const T& operator[](std::size_t i) const { return *reinterpret_cast<const T*>(first_ + i * stride_); }

private:
    const unsigned char* first_ = nullptr; // first item
    std::size_t count_ = 0;                // items
    std::size_t stride_ = 0;               // bytes between items
};

} // namespace arborvane
