#include "tree/refine.h"

void refineBranches(TreeModel& model, RefineScratch& scratch)
{
    constexpr double t = 0.5;
    constexpr double h00 = 2 * t * t * t - 3 * t * t + 1;
    constexpr double h10 = t * t * t - 2 * t * t + t;
    constexpr double h01 = 3 * t * t - 2 * t * t * t;
    constexpr double h11 = t * t * t - t * t;
    const int count = liveBranchCount(model);
    Vec3* out = scratch.points;
    double* outRadii = scratch.radii;
    for (int b = 0; b < count; ++b) {
        Branch& branch = model.branches[b];
        const int n = branch.pointCount;
        // The scratch holds 2 * 40 - 1 points; the arrays hold 2N - 1.
        if (!branch.points || n < 1 || n > kMaxBranchPoints) continue;
        const Vec3* p = branch.points.get();
        const double* r = branch.radii.get();
        out[0] = p[0];
        outRadii[0] = r[0];
        for (int i = 0; i + 1 < n; ++i) {
            const Vec3& p1 = p[i];
            const Vec3& p2 = p[i + 1];
            const Vec3 p0 = i == 0 ? sub(add(p1, p1), p2) : p[i - 1];
            const Vec3 p3 = i == n - 2 ? sub(add(p2, p2), p1) : p[i + 2];
            const Vec3 t1 = scale(sub(p2, p0), 0.5);
            const Vec3 t2 = scale(sub(p3, p1), 0.5);
            Vec3 mid = add(add(add(scale(p1, h00), scale(t1, h10)), scale(p2, h01)), scale(t2, h11));
            mid.status = 0;
            out[2 * i + 1] = mid;
            outRadii[2 * i + 1] = r[i] + (r[i + 1] - r[i]) * 0.5;
            out[2 * i + 2] = p2;
            outRadii[2 * i + 2] = r[i + 1];
        }
        const int refined = 2 * n - 1;
        for (int k = 0; k < refined; ++k) {
            branch.points[k] = out[k];
            branch.radii[k] = outRadii[k];
        }
        branch.pointCount = refined;
    }
    model.refined = true;
}
