// The library's views of the rest state and of what the rest state hangs
// on: rest centre lines, the hierarchy, the template's extras, the bounds.
// The live views are in simulation_api.cpp.
#include <cstddef>

#include "api/scene_access.h"
#include "arborvane/arborvane.h"
#include "scene/scene.h"

namespace arborvane {

// The public records read the core's own arrays in place.
static_assert(sizeof(BranchChild) == sizeof(ChildBranch) &&
              offsetof(BranchChild, attachPoint) == offsetof(ChildBranch, attachPoint) &&
              offsetof(BranchChild, childIndex) == offsetof(ChildBranch, branch));

namespace {

// Branch `index` of the live records, or of the rest copies; null out of
// range or without points.
const Branch* branchOf(const Scene* scene, std::size_t index, bool rest)
{
    if (!scene || index >= static_cast<std::size_t>(scene->tree.branchCount)) return nullptr;
    const Branch& b = rest ? scene->tree.restBranches[index] : scene->tree.branches[index];
    return b.pointCount > 0 && b.points ? &b : nullptr;
}

const Leaf* leafOf(const Scene* scene, std::size_t branch, std::size_t leaf)
{
    const Branch* b = branchOf(scene, branch, false);
    return b && leaf < static_cast<std::size_t>(kLeavesPerBranch) ? &b->leaves[leaf] : nullptr;
}

// Points of a leaf's petiole arrays in use.
std::size_t petiolePoints(const Leaf& l)
{
    const int n = l.pointCount < kPetiolePoints ? l.pointCount : kPetiolePoints;
    return static_cast<std::size_t>(n < 0 ? 0 : n);
}

const GrassBlade* bladeOf(const Scene* scene, std::size_t blade)
{
    if (!scene || !scene->grass.blades || blade >= static_cast<std::size_t>(scene->grass.bladeCount)) return nullptr;
    return &scene->grass.blades[blade];
}

Strided<Point3> pointsView(const Vec3* first, std::size_t count) { return {first, count, sizeof(Vec3)}; }

Point3 point(const Vec3& v) { return {v.x, v.y, v.z}; }

} // namespace

Strided<Point3> Simulation::restBranchPoints(std::size_t branch) const
{
    const Branch* b = branchOf(SceneAccess::scene(*this), branch, true);
    return b ? pointsView(&b->points[0], static_cast<std::size_t>(b->pointCount)) : Strided<Point3>();
}

std::span<const double> Simulation::restBranchRadii(std::size_t branch) const
{
    const Branch* b = branchOf(SceneAccess::scene(*this), branch, true);
    return b && b->radii ? std::span<const double>(b->radii.get(), static_cast<std::size_t>(b->pointCount))
                         : std::span<const double>();
}

Strided<ChildBranch> Simulation::branchChildren(std::size_t branch) const
{
    const Branch* b = branchOf(SceneAccess::scene(*this), branch, false);
    if (!b || !b->children || b->childCount <= 0) return {};
    return {&b->children[0], static_cast<std::size_t>(b->childCount), sizeof(BranchChild)};
}

Matrix4 Simulation::branchBaseTransform(std::size_t branch) const
{
    Matrix4 m{};
    const Branch* b = branchOf(SceneAccess::scene(*this), branch, false);
    const Mat4 base = b ? b->baseTransform : identity();
    for (int i = 0; i < 16; ++i) m.m[i] = base.m[i];
    return m;
}

Strided<Point3> Simulation::restLeafPetiole(std::size_t branch, std::size_t leaf) const
{
    const Leaf* l = leafOf(SceneAccess::scene(*this), branch, leaf);
    return l ? pointsView(&l->restPetiolePoints[0], petiolePoints(*l)) : Strided<Point3>();
}

std::span<const double> Simulation::leafPetioleRadii(std::size_t branch, std::size_t leaf) const
{
    const Leaf* l = leafOf(SceneAccess::scene(*this), branch, leaf);
    return l ? std::span<const double>(l->petioleRadii, petiolePoints(*l))
             : std::span<const double>();
}

std::span<const double> Simulation::leafBladeTexCoords() const
{
    const Scene* scene = SceneAccess::scene(*this);
    if (!scene) return {};
    return std::span<const double>(&scene->leafTemplate.bladeTexCoords[0][0], 2 * kBladeVertices);
}

Strided<Point3> Simulation::restGrassCentre(std::size_t blade) const
{
    const GrassBlade* g = bladeOf(SceneAccess::scene(*this), blade);
    return g ? pointsView(&g->restCentre[0], kGrassLevels) : Strided<Point3>();
}

Strided<Point3> Simulation::restGrassEdge(std::size_t blade) const
{
    const GrassBlade* g = bladeOf(SceneAccess::scene(*this), blade);
    return g ? pointsView(&g->restEdge[0], kGrassLevels) : Strided<Point3>();
}

int Simulation::grassBladeTexture(std::size_t blade) const
{
    const GrassBlade* g = bladeOf(SceneAccess::scene(*this), blade);
    return g ? static_cast<int>(g->textureIndex) : -1;
}

Box Simulation::sceneBounds() const
{
    const Scene* scene = SceneAccess::scene(*this);
    if (!scene) return {{0, 0, 0}, {0, 0, 0}};
    return {point(scene->tree.boundsMin), point(scene->tree.boundsMax)};
}

} // namespace arborvane
