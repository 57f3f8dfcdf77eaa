// The one chain-bending routine of branches, leaves and grass blades: the
// wind drives three oscillators, their x and z outputs bend the chain joint
// by joint (a Newton solve per joint), and each joint's turn is composed
// into the transform handed on to the rest of the chain.
#pragma once
#include "math/mat4.h"
#include "dynamics/oscillators.h"
#include "math/vec3.h"

// What differs between the kinds of chain.
struct ChainRule {
    double frequencyScale[3]; // oscillator frequencies as multiples of the part's
    double dampingScale[3];   // damping ratios as multiples of the part's
    int maxIterations;        // Newton evaluations per joint
    bool loadFromTip;         // load grows with the segments beyond the joint (branches); else the same everywhere
    bool twist;               // the y oscillator, driven like z, twists each segment about itself
};

// One chain for one step.
struct Chain {
    Vec3* points;          // centre line; points[0] already placed
    const Vec3* from;      // where points[1..] start this step: points itself, or their rest copy
    int count;             // points in the chain
    const double* radii;   // joint stiffness follows r_j / r_0; null: tapers linearly to half at the tip
    Vec3 axisX, axisZ;     // the directions the x and z oscillators bend towards
    double* position;      // the three oscillator states
    double* velocity;      // and their velocities
    double frequency;
    double dampingRatio;
    double stiffness;

    Vec3 point(int j) const { return points[j]; }
    Vec3 source(int j) const { return from[j]; }
    void setPoint(int j, const Vec3& p) { points[j] = p; }
};

// The part's frame and base point ride on the parent's transform; returns
// the x and z axes from the moved base point.
template <class M>
void rideOn(const Mat4& m, Vec3& frameX, Vec3& frameY, Vec3& frameZ, Vec3& base, Vec3& axisX, Vec3& axisZ)
{
    frameX = M::place(m, frameX);
    frameY = M::place(m, frameY);
    frameZ = M::place(m, frameZ);
    base = M::place(m, base);
    axisX = sub(frameX, base);
    axisZ = sub(frameZ, base);
}

// This step's bend of one chain: the oscillators stepped by the wind force,
// their x and z outputs combined.
struct ChainBend {
    double y[3];       // the oscillator outputs; y[1] drives the twist
    double size;       // the bend's size
    Vec3 dir;          // and its unit direction
    Direction towards; // that direction, as angles are measured against it
    bool bent;         // size at least 1e-6: else the chain only rides on mt
};

template <class M>
inline ChainBend stepBend(const ChainRule& rule, Chain& chain, const Vec3& force, double timeStep)
{
    Vec3 dir = force;
    const double magnitude = lengthAndNormalize(dir);
    const double fX = dot(chain.axisX, dir) * magnitude;
    const double fZ = dot(chain.axisZ, dir) * magnitude;
    const double f = chain.frequency;
    const double zeta = chain.dampingRatio;
    const double frequencies[3] = {rule.frequencyScale[0] * f, rule.frequencyScale[1] * f, rule.frequencyScale[2] * f};
    const double dampings[3] = {rule.dampingScale[0] * zeta, rule.dampingScale[1] * zeta, rule.dampingScale[2] * zeta};
    const double forces[3] = {fX, rule.twist ? fZ : 0.0, fZ};
    ChainBend out;
    stepOscillators(chain.position, chain.velocity, frequencies, dampings, forces, timeStep, out.y);
    M::bendOf(add(scale(chain.axisX, out.y[0]), scale(chain.axisZ, out.y[2])), out.size, out.dir, out.towards);
    out.bent = out.size >= 1e-6;
    return out;
}

// kLanes chains side by side, one per owner (a blade, a leaf), with the
// same number of points: what bendJoints reads and writes of them.
template <class Owner, int N>
struct LaneChain {
    using Points = Vec3 (Owner::*)[N];
    Owner* const* owners;
    Points points;  // where the chain's points go
    Points sources; // where points[1..] start (may be points itself)
    Lanes stiffness;
    static constexpr int count = N;
    static constexpr const double* radii = nullptr; // joints taper linearly

    LANES_INLINE LaneVec gather(Points array, int j) const
    {
        LaneVec v;
        for (int i = 0; i < kLanes; ++i) {
            const Vec3& p = (owners[i]->*array)[j];
            v.x[i] = p.x;
            v.y[i] = p.y;
            v.z[i] = p.z;
        }
        return v;
    }
    LANES_INLINE void scatter(Points array, int j, const LaneVec& v) const
    {
        for (int i = 0; i < kLanes; ++i) (owners[i]->*array)[j] = {v.x[i], v.y[i], v.z[i], 0};
    }
    LANES_INLINE LaneVec point(int j) const { return gather(points, j); }
    LANES_INLINE LaneVec source(int j) const { return gather(sources, j); }
    LANES_INLINE void setPoint(int j, const LaneVec& p) const { scatter(points, j, p); }
};

// ChainBend for kLanes chains; only bent chains with a valid direction go
// side by side (inLanes), so it has no status words.
struct LaneBend {
    Lanes size;
    LaneVec dir, towards; // the unit bend direction, and the same as measured against
    Lanes y[3];
    bool bent = true;

    static bool inLanes(const ChainBend& b)
    {
        return b.bent && b.towards.v.status == 0 && b.towards.len >= 1e-10 && b.dir.status == 0;
    }
    LANES_INLINE explicit LaneBend(const ChainBend* b)
    {
        for (int i = 0; i < kLanes; ++i) {
            size[i] = b[i].size;
            dir.x[i] = b[i].dir.x;
            dir.y[i] = b[i].dir.y;
            dir.z[i] = b[i].dir.z;
            towards.x[i] = b[i].towards.unit.x;
            towards.y[i] = b[i].towards.unit.y;
            towards.z[i] = b[i].towards.unit.z;
            for (int k = 0; k < 3; ++k) y[k][i] = b[i].y[k];
        }
    }
};

// M: PlainMath, FastMath, or LaneMath for four chains side by side; C: a
// Chain, or the like for lanes (point, source, setPoint, count, radii,
// stiffness); B: a ChainBend, or the like for lanes.
// Moves points[1..] by mt, bending each joint by this step's bend b as it
// goes; mt ends as the transform after the last joint. atJoint(j, mt, bent)
// runs after joint j. theta0 starts the first Newton solve, each later one
// starts where the last ended; returns the last angle.
template <class M, class C, class B, class AtJoint>
LANES_INLINE typename M::Real bendJoints(const ChainRule& rule, C& chain, const B& b, typename M::Matrix& mt,
                                         typename M::Real theta0, AtJoint&& atJoint)
{
    using T = typename M::Real;
    using V = typename M::Vector;
    const int n = chain.count - 1; // joints
    T thetaPrev = theta0;
    typename M::Turn turn; // carries the sine and cosine of thetaPrev from joint to joint
    V p = n > 0 ? chain.point(0) : V{}; // the joint's own point: the root first
    for (int j = 0; j < n; ++j) {
        V q = M::place(mt, chain.source(j + 1));
        if (b.bent) {
            // The tip load: the bend times the segments beyond the joint, by repeated addition.
            T load = b.size;
            if (rule.loadFromTip) {
                load = T{};
                for (int k = 0; k < n - j; ++k) load += b.size;
            }
            const T k = chain.radii ? chain.stiffness * (chain.radii[j] / chain.radii[0])
                                    : chain.stiffness * (1.0 - 0.5 * j / n);
            V seg = M::sub(q, p);
            V axis;
            typename M::Phase phi;
            const T arm = M::jointFrame(seg, b.dir, b.towards, axis, phi);
            const T theta = solveBendAngle(thetaPrev, load, arm, phi, k, rule.maxIterations, &turn);
            thetaPrev = theta;
            const auto bend = M::bend(theta, turn, axis);
            if (rule.twist) {
                const auto twist = M::turn(-twistAngle(b.y[1], arm, chain.stiffness), seg);
                M::turnAbout(p, bend, &twist, mt, q);
            } else {
                M::turnAbout(p, bend, nullptr, mt, q);
            }
        }
        chain.setPoint(j + 1, q);
        p = q;
        atJoint(j, mt, b.bent);
    }
    return thetaPrev;
}

// stepBend, then bendJoints.
template <class M, class AtJoint>
double bendChain(const ChainRule& rule, Chain& chain, const Vec3& force, double timeStep, Mat4& mt, double theta0,
                 AtJoint&& atJoint)
{
    const ChainBend b = stepBend<M>(rule, chain, force, timeStep);
    return bendJoints<M>(rule, chain, b, mt, theta0, atJoint);
}
