#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "support/console.h"
#include "tree/hierarchy.h"
#include "tree/tree_model.h"
#include "tree_rows.h"

namespace {

void setPoints(Branch& b, std::initializer_list<Vec3> points)
{
    b.pointCount = static_cast<int>(points.size());
    b.points.reset(new Vec3[2 * points.size() - 1]);
    int k = 0;
    for (const Vec3& p : points) b.points[k++] = p;
}

void setChildren(Branch& b, std::initializer_list<BranchChild> children)
{
    b.childCount = static_cast<int>(children.size());
    b.children.reset(new BranchChild[children.size()]);
    int j = 0;
    for (const BranchChild& c : children) b.children[j++] = c;
}

void expectPoint(const Vec3& v, double x, double y, double z, int status)
{
    EXPECT_NEAR(v.x, x, 1e-15);
    EXPECT_NEAR(v.y, y, 1e-15);
    EXPECT_NEAR(v.z, z, 1e-15);
    EXPECT_EQ(v.status, status);
}

std::string build(TreeModel& model, int parent = 0)
{
    return captureConsole([&] { buildBranchFrames(model, model.branches[parent]); }).out;
}

} // namespace

TEST(BranchFrames, ChildAlongX)
{
    auto model = makeModel();
    setPoints(model->branches[0], {{0, 0, 0, 0}, {0, 1, 0, 0}, {0, 2, 0, 0}});
    setChildren(model->branches[0], {{1, 1}});
    setPoints(model->branches[1], {{2, 1, 0.5, 0}, {5, 1, 0.5, 0}});
    EXPECT_EQ(build(*model), "");
    const Branch& c = model->branches[1];
    expectPoint(c.frameY, 3, 1, 0.5, 0);
    expectPoint(c.frameZ, 2, 1, -0.5, 0);
    expectPoint(c.frameX, 2, 2, 0.5, 0);
}

TEST(BranchFrames, SlantedChildGetsAnOrthonormalFrame)
{
    auto model = makeModel();
    setPoints(model->branches[0], {{0, 0, 0, 0}, {0, 1, 0, 0}});
    setChildren(model->branches[0], {{1, 1}});
    const Vec3 p0{0.3, 1.0, -0.2, 0};
    setPoints(model->branches[1], {p0, {1.3, 3.0, 0.8, 0}});
    build(*model);
    const Branch& c = model->branches[1];
    const Vec3 x = sub(c.frameX, p0), y = sub(c.frameY, p0), z = sub(c.frameZ, p0);
    for (const Vec3* axis : {&x, &y, &z}) EXPECT_NEAR(length(*axis), 1.0, 1e-12);
    EXPECT_NEAR(x.x * y.x + x.y * y.y + x.z * y.z, 0.0, 1e-12);
    EXPECT_NEAR(x.x * z.x + x.y * z.y + x.z * z.z, 0.0, 1e-12);
    EXPECT_NEAR(y.x * z.x + y.y * z.y + y.z * z.z, 0.0, 1e-12);
    EXPECT_NEAR(z.y, 0.0, 1e-15); // Z stays horizontal: it is up x Y
    // Right-handed: X = Y x Z.
    const Vec3 yz = cross(y, z);
    EXPECT_NEAR(yz.x, x.x, 1e-12);
    EXPECT_NEAR(yz.y, x.y, 1e-12);
    EXPECT_NEAR(yz.z, x.z, 1e-12);
}

TEST(BranchFrames, VerticalChildReportsParentCounts)
{
    auto model = makeModel();
    setPoints(model->branches[0], {{0, 0, 0, 0}, {0, 1, 0, 0}, {0, 2, 0, 0}, {0, 3, 0, 0}, {0, 4, 0, 0}});
    setChildren(model->branches[0], {{1, 1}, {2, 2}});
    setPoints(model->branches[1], {{1, 2, 3, 0}, {1, 4, 3, 0}});
    setPoints(model->branches[2], {{0, 2, 0, 0}, {1, 2, 0, 0}});
    EXPECT_EQ(build(*model), "Error! circleNum=5, idxNum=2\n");
    const Branch& c = model->branches[1];
    expectPoint(c.frameY, 1, 3, 3, 0);
    expectPoint(c.frameX, 1, 2, 3, 1);
    expectPoint(c.frameZ, 1, 2, 3, 1);
    expectPoint(model->branches[2].frameY, 1, 2, 0, 0); // the sibling still gets its frame
}

TEST(BranchFrames, AttachPastTheEndPrintsOnceAndStillSetsTheFrame)
{
    auto model = makeModel();
    setPoints(model->branches[0], {{0, 0, 0, 0}, {0, 1, 0, 0}, {0, 2, 0, 0}, {0, 3, 0, 0}, {0, 4, 0, 0}});
    setChildren(model->branches[0], {{5, 1}});
    setPoints(model->branches[1], {{0, 0, 0, 0}, {0, 0, 2, 0}});
    EXPECT_EQ(build(*model), "Error! circleNum=5, idxNum=1\n");
    expectPoint(model->branches[1].frameY, 0, 0, 1, 0);
    expectPoint(model->branches[1].frameZ, 1, 0, 0, 0);
    expectPoint(model->branches[1].frameX, 0, 1, 0, 0);
}

TEST(BranchFrames, DepthFirstInListOrder)
{
    // Children listed 7 then 3: all of 7's subtree is done before 3. Each has a
    // vertical child, so the diagnostics show the visiting order.
    auto model = makeModel();
    setPoints(model->branches[0], {{0, 0, 0, 0}, {0, 1, 0, 0}});
    setChildren(model->branches[0], {{0, 7}, {1, 3}});
    setPoints(model->branches[7], {{0, 0, 0, 0}, {1, 0, 0, 0}, {2, 0, 0, 0}});
    setChildren(model->branches[7], {{2, 8}});
    setPoints(model->branches[8], {{2, 0, 0, 0}, {2, 1, 0, 0}});
    setPoints(model->branches[3], {{0, 1, 0, 0}, {0, 1, 1, 0}, {0, 1, 2, 0}, {0, 1, 3, 0}});
    setChildren(model->branches[3], {{3, 4}});
    setPoints(model->branches[4], {{0, 1, 3, 0}, {0, 5, 3, 0}});
    EXPECT_EQ(build(*model), "Error! circleNum=3, idxNum=1\nError! circleNum=4, idxNum=1\n");
    expectPoint(model->branches[8].frameX, 2, 0, 0, 1);
    expectPoint(model->branches[4].frameX, 0, 1, 3, 1);
    expectPoint(model->branches[3].frameY, 0, 1, 1, 0);
}

TEST(BranchFrames, UnreachableBranchKeepsZeroFrame)
{
    auto model = makeModel();
    setPoints(model->branches[0], {{0, 0, 0, 0}, {0, 1, 0, 0}});
    setChildren(model->branches[0], {{1, 1}});
    setPoints(model->branches[1], {{0, 1, 0, 0}, {1, 1, 0, 0}});
    setPoints(model->branches[2], {{0, 1, 0, 0}, {1, 1, 0, 0}});
    build(*model);
    expectPoint(model->branches[2].frameX, 0, 0, 0, 0);
    expectPoint(model->branches[2].frameY, 0, 0, 0, 0);
    expectPoint(model->branches[2].frameZ, 0, 0, 0, 0);
}

TEST(BranchFrames, HandMadeBadListsStayBounded)
{
    // The loader refuses such lists; the walk itself must still end and stay in range.
    auto model = makeModel();
    setPoints(model->branches[0], {{0, 0, 0, 0}, {0, 1, 0, 0}});
    setChildren(model->branches[0], {{0, 1}, {0, 400}, {0, -3}, {0, 9}});
    setPoints(model->branches[1], {{0, 0, 0, 0}, {1, 0, 0, 0}});
    setChildren(model->branches[1], {{0, 2}});
    setPoints(model->branches[2], {{1, 0, 0, 0}, {1, 0, 1, 0}});
    setChildren(model->branches[2], {{0, 1}, {0, 2}}); // loops back to 1 and to itself
    // Branch 9 was never loaded: no points to follow.
    const std::string out = build(*model);
    EXPECT_EQ(out, "");
    expectPoint(model->branches[1].frameY, 1, 0, 0, 0);
    expectPoint(model->branches[2].frameY, 1, 0, 1, 0);
    expectPoint(model->branches[9].frameY, 0, 0, 0, 0);
}

TEST(BranchFrames, ZeroLengthFirstSegment)
{
    auto model = makeModel();
    setPoints(model->branches[0], {{0, 0, 0, 0}, {0, 1, 0, 0}});
    setChildren(model->branches[0], {{1, 1}});
    setPoints(model->branches[1], {{4, 5, 6, 0}, {4, 5, 6, 0}});
    EXPECT_EQ(build(*model), "Error! circleNum=2, idxNum=1\n");
    expectPoint(model->branches[1].frameY, 4, 5, 6, 1);
    expectPoint(model->branches[1].frameX, 4, 5, 6, 1);
    expectPoint(model->branches[1].frameZ, 4, 5, 6, 1);
}
