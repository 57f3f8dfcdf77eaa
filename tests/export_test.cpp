// The exported glTF read back with tinygltf and evaluated the way a viewer
// does (animated node hierarchy, skins), against a simulation run here.
#include <gtest/gtest.h>
#include <tiny_gltf.h>
#include <nlohmann/json.hpp>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>

#include "data_constants/grass_file.h"
#include "data_constants/leaf_file.h"
#include "export/export_scene.h"
#include "export/export_wind.h"
#include "export/glb_merge.h"
#include "export/glb_writer.h"
#include "export/web_motion.h"
#include "image/png_encode.h"
#include "support/geometry.h"
#include "wind/wind_schedule_file.h"

namespace {

using M4 = std::array<double, 16>; // row-major

M4 mul(const M4& a, const M4& b)
{
    M4 r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k) r[4 * i + j] += a[4 * i + k] * b[4 * k + j];
    return r;
}

Vec3 applyTo(const M4& m, const Vec3& p)
{
    return {m[0] * p.x + m[1] * p.y + m[2] * p.z + m[3], m[4] * p.x + m[5] * p.y + m[6] * p.z + m[7],
            m[8] * p.x + m[9] * p.y + m[10] * p.z + m[11], 0};
}

// Element i of an accessor as doubles, normalised integers decoded.
std::vector<double> element(const tinygltf::Model& m, int accessor, size_t i)
{
    const tinygltf::Accessor& a = m.accessors[accessor];
    const tinygltf::BufferView& v = m.bufferViews[a.bufferView];
    const int n = tinygltf::GetNumComponentsInType(a.type);
    const int size = tinygltf::GetComponentSizeInBytes(a.componentType);
    const size_t stride = v.byteStride ? v.byteStride : static_cast<size_t>(n) * size;
    const unsigned char* p = m.buffers[v.buffer].data.data() + v.byteOffset + a.byteOffset + stride * i;
    std::vector<double> out(n);
    for (int c = 0; c < n; ++c) {
        const unsigned char* q = p + c * size;
        switch (a.componentType) {
        case TINYGLTF_COMPONENT_TYPE_FLOAT: { float f; std::memcpy(&f, q, 4); out[c] = f; break; }
        case TINYGLTF_COMPONENT_TYPE_SHORT: { int16_t s; std::memcpy(&s, q, 2); out[c] = a.normalized ? std::max(s / 32767.0, -1.0) : s; break; }
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: { uint16_t s; std::memcpy(&s, q, 2); out[c] = s; break; }
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT: { uint32_t s; std::memcpy(&s, q, 4); out[c] = s; break; }
        default: ADD_FAILURE() << "unexpected component type " << a.componentType;
        }
    }
    return out;
}

// World matrices of every node at time t, from the scene's roots down.
std::vector<M4> evaluate(const tinygltf::Model& m, double t)
{
    std::vector<std::vector<double>> T(m.nodes.size()), R(m.nodes.size()), S(m.nodes.size());
    for (size_t i = 0; i < m.nodes.size(); ++i) {
        const tinygltf::Node& n = m.nodes[i];
        T[i] = n.translation.empty() ? std::vector<double>{0, 0, 0} : n.translation;
        R[i] = n.rotation.empty() ? std::vector<double>{0, 0, 0, 1} : n.rotation;
        S[i] = n.scale.empty() ? std::vector<double>{1, 1, 1} : n.scale;
    }
    for (const tinygltf::Animation& anim : m.animations)
        for (const tinygltf::AnimationChannel& c : anim.channels) {
            const tinygltf::AnimationSampler& s = anim.samplers[c.sampler];
            const size_t count = m.accessors[s.input].count;
            size_t k = 0;
            while (k + 1 < count && element(m, s.input, k + 1)[0] <= t) ++k;
            const double t0 = element(m, s.input, k)[0];
            const double t1 = k + 1 < count ? element(m, s.input, k + 1)[0] : t0;
            const double f = t1 > t0 ? std::clamp((t - t0) / (t1 - t0), 0.0, 1.0) : 0.0;
            std::vector<double> a = element(m, s.output, k), b = element(m, s.output, k + 1 < count ? k + 1 : k);
            for (size_t i = 0; i < a.size(); ++i) a[i] += f * (b[i] - a[i]);
            if (c.target_path == "rotation") {
                double len = 0;
                for (double x : a) len += x * x;
                for (double& x : a) x /= std::sqrt(len);
            }
            (c.target_path == "translation" ? T : c.target_path == "rotation" ? R : S)[c.target_node] = a;
        }
    std::vector<M4> world(m.nodes.size());
    std::function<void(int, const M4&)> walk = [&](int node, const M4& parent) {
        const auto& q = R[node];
        const double x = q[0], y = q[1], z = q[2], w = q[3];
        const double r[9] = {1 - 2 * (y * y + z * z), 2 * (x * y - z * w),     2 * (x * z + y * w),
                             2 * (x * y + z * w),     1 - 2 * (x * x + z * z), 2 * (y * z - x * w),
                             2 * (x * z - y * w),     2 * (y * z + x * w),     1 - 2 * (x * x + y * y)};
        M4 local{};
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) local[4 * i + j] = r[3 * i + j] * S[node][j];
            local[4 * i + 3] = T[node][i];
        }
        local[15] = 1;
        world[node] = mul(parent, local);
        for (int child : m.nodes[node].children) walk(child, world[node]);
    };
    const M4 id{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    for (int root : m.scenes[m.defaultScene].nodes) walk(root, id);
    return world;
}

// Column-major accessor matrix to row-major.
M4 matrixAt(const tinygltf::Model& m, int accessor, size_t i)
{
    const std::vector<double> c = element(m, accessor, i);
    M4 r{};
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col) r[4 * row + col] = c[4 * col + row];
    return r;
}

std::string output(const std::string& command)
{
    std::string text;
    FILE* p = popen(command.c_str(), "r");
    char buffer[512];
    while (p && std::fgets(buffer, sizeof buffer, p)) text += buffer;
    if (p) pclose(p);
    return text;
}
int run(const std::string& args) { return WEXITSTATUS(std::system(("./arborvane-export --quiet " + args + " >/dev/null 2>&1").c_str())); }

constexpr int kFrames = 12;

class ExportReadBack : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // Each test runs in its own process: one file name per process.
        const std::string out = "export_test_" + std::to_string(getpid()) + ".glb";
        ASSERT_EQ(run("--frames " + std::to_string(kFrames) + " --seed 7 --magnitude 600 --grass --out " + out), 0);
        tinygltf::TinyGLTF loader;
        std::string err, warn;
        ASSERT_TRUE(loader.LoadBinaryFromFile(&model, &err, &warn, out)) << err;
        std::remove(out.c_str());
    }
    static tinygltf::Model model;
};
tinygltf::Model ExportReadBack::model;

TEST_F(ExportReadBack, JointsBladesAndGrassFollowTheSimulationAtFirstMiddleAndLastFrame)
{
    ExportScene scene;
    std::string error;
    ASSERT_TRUE(loadExportScene(scene, "./data", 7, false, error)) << error;
    const arborvane::Simulation& sim = scene.sim;
    double low = 1e300, high = -1e300;
    for (size_t b = 0; b < sim.branchCount(); ++b)
        for (size_t k = 0; k < sim.restBranchPoints(b).size(); ++k) {
            low = std::min(low, sim.restBranchPoints(b)[k].y);
            high = std::max(high, sim.restBranchPoints(b)[k].y);
        }
    const double tolerance = 1e-4 * (high - low);

    std::map<std::string, int> node, joint;
    for (size_t i = 0; i < model.nodes.size(); ++i) node[model.nodes[i].name] = static_cast<int>(i);
    ASSERT_EQ(model.skins.size(), 2u);
    const tinygltf::Skin& skin = model.skins[0].name == "tree" ? model.skins[0] : model.skins[1];
    const tinygltf::Skin& grassSkin = model.skins[0].name == "tree" ? model.skins[1] : model.skins[0];
    for (size_t j = 0; j < skin.joints.size(); ++j) joint[model.nodes[skin.joints[j]].name] = static_cast<int>(j);
    for (size_t j = 0; j < grassSkin.joints.size(); ++j)
        joint[model.nodes[grassSkin.joints[j]].name] = static_cast<int>(j);
    const tinygltf::Mesh* blade = nullptr;
    for (const auto& mesh : model.meshes)
        if (mesh.name == "leaf_blade") blade = &mesh;
    ASSERT_NE(blade, nullptr);
    const int bladePositions = blade->primitives[0].attributes.at("POSITION");

    auto skinned = [&](const std::vector<M4>& world, const std::string& name, const Vec3& rest) {
        const tinygltf::Skin& s = name[0] == 'g' ? grassSkin : skin;
        const int j = joint.at(name);
        return applyTo(mul(world[s.joints[j]], matrixAt(model, s.inverseBindMatrices, j)), rest);
    };
    ASSERT_TRUE(scene.sim.setWind({arborvane::WindRegime::gale, 600.0, {1, 0, 0}}));
    int stepped = 0;
    size_t checked = 0;
    double moved = 0;
    for (int frame : {0, kFrames / 2, kFrames - 1}) {
        while (stepped < frame) {
            ASSERT_TRUE(stepExportScene(scene, error)) << error;
            ++stepped;
        }
        const std::vector<M4> world = evaluate(model, frame * 0.05);
        double worst = 0;
        for (size_t b = 0; b < sim.branchCount(); ++b) {
            const std::vector<Vec3> live = vec3s(sim.branchPoints(b)), rest = vec3s(sim.restBranchPoints(b));
            const std::string prefix = "b" + std::to_string(b);
            for (size_t k = 0; k < rest.size(); ++k)
                worst = std::max(worst, distance(skinned(world, prefix + ".p" + std::to_string(k), rest[k]), live[k]));
            for (size_t l = 0; l < sim.leavesPerBranch(); ++l) {
                const std::vector<Vec3> petiole = vec3s(sim.leafPetiole(b, l));
                const std::vector<Vec3> restPetiole = vec3s(sim.restLeafPetiole(b, l));
                const std::string name = prefix + ".l" + std::to_string(l);
                for (int k = 1; k < kPetiolePoints; ++k)
                    worst = std::max(worst, distance(skinned(world, name + ".p" + std::to_string(k), restPetiole[k]),
                                                     petiole[k]));
                const M4& w = world[node.at(name)];
                const Mat4 blade = mat4(sim.leafBladeMatrices(b)[l]);
                for (size_t v = 0; v < model.accessors[bladePositions].count; ++v) {
                    const std::vector<double> p = element(model, bladePositions, v);
                    const Vec3 local{p[0], p[1], p[2], 0};
                    worst = std::max(worst, distance(applyTo(w, local), transformPoint(blade, local)));
                    ++checked;
                }
            }
        }
        // Grass strips: both edge lines of every level above the root.
        for (size_t g = 0; g < sim.grassBladeCount(); ++g) {
            const std::vector<Vec3> restCentre = vec3s(sim.restGrassCentre(g)), restEdge = vec3s(sim.restGrassEdge(g));
            const std::vector<Vec3> centre = vec3s(sim.grassCentre(g)), edge = vec3s(sim.grassEdge(g));
            for (int k = 1; k < kGrassLevels; ++k) {
                const std::string name = "g" + std::to_string(g) + ".p" + std::to_string(k);
                worst = std::max(worst, distance(skinned(world, name, restCentre[k]), centre[k]));
                worst = std::max(worst, distance(skinned(world, name, restEdge[k]), edge[k]));
            }
        }
        EXPECT_LT(worst, tolerance) << "frame " << frame;
        for (size_t b = 0; b < sim.branchCount(); ++b)
            for (size_t k = 0; k < sim.restBranchPoints(b).size(); ++k)
                moved = std::max(moved, distance(vec3(sim.branchPoints(b)[k]), vec3(sim.restBranchPoints(b)[k])));
        std::printf("frame %d: largest distance %.3g (tolerance %.3g)\n", frame, worst, tolerance);
    }
    EXPECT_GT(checked, 3u * 1932u * 70u);
    // The wind really moved the tree, far beyond the tolerance: a frozen
    // export would not pass the later frames.
    EXPECT_GT(moved, 50 * tolerance);
}

TEST_F(ExportReadBack, OneLinearClipInRealTimeWithBothLeafSidesFacingAway)
{
    ASSERT_EQ(model.animations.size(), 1u);
    const tinygltf::Animation& anim = model.animations[0];
    const int input = anim.samplers[0].input;
    ASSERT_EQ(model.accessors[input].count, static_cast<size_t>(kFrames));
    EXPECT_NEAR(element(model, input, kFrames - 1)[0], (kFrames - 1) * 0.05, 1e-6);
    for (const auto& s : anim.samplers) {
        EXPECT_EQ(s.interpolation, "LINEAR");
        EXPECT_EQ(s.input, input);
    }
    for (const auto& c : anim.channels)
        if (c.target_path == "rotation") {
            EXPECT_EQ(model.accessors[anim.samplers[c.sampler].output].type, TINYGLTF_TYPE_VEC4);
        }

    // The two blade passes: same triangles, opposite facing, single-sided,
    // lower texture on the counter-clockwise side as in the window.
    for (const auto& mesh : model.meshes) {
        if (mesh.name != "leaf_blade") continue;
        ASSERT_EQ(mesh.primitives.size(), 2u);
        const auto& a = mesh.primitives[0];
        const auto& b = mesh.primitives[1];
        EXPECT_EQ(model.materials[a.material].name, "leaf_lower");
        EXPECT_EQ(model.materials[b.material].name, "leaf_upper");
        EXPECT_FALSE(model.materials[a.material].doubleSided);
        auto normal = [&](const tinygltf::Primitive& p, size_t tri) {
            Vec3 c[3];
            for (int i = 0; i < 3; ++i) {
                const auto v = element(model, p.attributes.at("POSITION"), static_cast<size_t>(element(model, p.indices, 3 * tri + i)[0]));
                c[i] = {v[0], v[1], v[2], 0};
            }
            return cross(sub(c[1], c[0]), sub(c[2], c[0]));
        };
        for (size_t t = 0; t < model.accessors[a.indices].count / 3; ++t) {
            const Vec3 na = normal(a, t), nb = normal(b, t);
            EXPECT_LE(dot(na, nb), 0.0) << "triangle " << t;
        }
    }
}

// Blades whose texture index names no texture go, as in the window, into a
// last untextured group, not onto a texture by wrap-around.
TEST(ExportGrass, BladesNamingNoTextureFormAnUntexturedLastPrimitive)
{
    ExportScene scene;
    std::string error;
    ASSERT_TRUE(loadExportScene(scene, "./data", 1, true, error)) << error;
    const size_t blades = scene.sim.grassBladeCount();
    ASSERT_GT(blades, 3u);
    ExportRig rig = buildExportRig(scene.sim, true);
    MotionTracks tracks = makeMotionTracks(rig, scene.sim, 1);
    captureFrame(tracks, rig, scene.sim, 0);
    GlbInput input{&scene.sim, scene.sceneTextures, scene.grassTextures, &rig, &tracks};
    auto grassPrimitives = [&](tinygltf::Model& m) {
        std::string glb, err, warn;
        EXPECT_TRUE(buildGlb(input, glb, error)) << error;
        tinygltf::TinyGLTF loader;
        EXPECT_TRUE(loader.LoadBinaryFromMemory(&m, &err, &warn, reinterpret_cast<const unsigned char*>(glb.data()),
                                                static_cast<unsigned>(glb.size())))
            << err;
        for (const auto& mesh : m.meshes)
            if (mesh.name == "grass") return mesh.primitives;
        return std::vector<tinygltf::Primitive>{};
    };
    tinygltf::Model valid, odd;
    EXPECT_EQ(grassPrimitives(valid).size(), 4u); // loaded fields hold 0..3 only
    rig.grassTexture[1] = 4;
    rig.grassTexture[3] = -1;
    const std::vector<tinygltf::Primitive> p = grassPrimitives(odd);
    ASSERT_EQ(p.size(), 5u);
    const tinygltf::Material& plain = odd.materials[p[4].material];
    EXPECT_EQ(plain.pbrMetallicRoughness.baseColorTexture.index, -1);
    EXPECT_EQ(odd.accessors[p[4].attributes.at("POSITION")].count, 2u * 2u * kGrassLevels);
    size_t textured = 0;
    for (int t = 0; t < 4; ++t) textured += odd.accessors[p[t].attributes.at("POSITION")].count;
    EXPECT_EQ(textured, (blades - 2) * 2 * kGrassLevels);
}

// A lawn too large for 16-bit joint indices is cut into meshes of a skin
// each: every vertex names a joint its own skin has, and every blade is there once.
TEST(ExportGrass, LawnPastSixteenBitJointsSplitsIntoSkinsItsIndicesReach)
{
    ExportScene scene;
    std::string error;
    ASSERT_TRUE(loadExportScene(scene, "./data", 1, true, error, arborvane::OpenOptions{{}, {40.0, 40.0}})) << error;
    const size_t blades = scene.sim.grassBladeCount();
    ASSERT_GT(blades * (kGrassLevels - 1), 65536u);
    ExportRig rig = buildExportRig(scene.sim, true);
    MotionTracks tracks = makeMotionTracks(rig, scene.sim, 1);
    captureFrame(tracks, rig, scene.sim, 0);
    const GlbInput input{&scene.sim, scene.sceneTextures, scene.grassTextures, &rig, &tracks};
    std::string glb, err, warn;
    ASSERT_TRUE(buildGlb(input, glb, error)) << error;
    tinygltf::Model m;
    tinygltf::TinyGLTF loader;
    ASSERT_TRUE(loader.LoadBinaryFromMemory(&m, &err, &warn, reinterpret_cast<const unsigned char*>(glb.data()),
                                            static_cast<unsigned>(glb.size()))) << err;
    size_t meshes = 0, vertices = 0;
    std::set<int> joints;
    for (const tinygltf::Node& node : m.nodes) {
        if (node.mesh < 0 || m.meshes[node.mesh].name.rfind("grass", 0) != 0) continue;
        ++meshes;
        const tinygltf::Skin& skin = m.skins[node.skin];
        ASSERT_LE(skin.joints.size(), 65536u);
        joints.insert(skin.joints.begin(), skin.joints.end());
        for (const tinygltf::Primitive& p : m.meshes[node.mesh].primitives) {
            const tinygltf::Accessor& a = m.accessors[p.attributes.at("JOINTS_0")];
            const tinygltf::BufferView& v = m.bufferViews[a.bufferView];
            const unsigned char* at = m.buffers[v.buffer].data.data() + v.byteOffset + a.byteOffset;
            uint16_t most = 0;
            for (size_t i = 0; i < a.count * 4; ++i) {
                uint16_t j;
                std::memcpy(&j, at + 2 * i, 2);
                most = std::max(most, j);
            }
            EXPECT_LT(most, skin.joints.size());
            vertices += a.count;
        }
    }
    EXPECT_GT(meshes, 1u);
    EXPECT_EQ(vertices, blades * 2 * kGrassLevels);
    EXPECT_EQ(joints.size(), blades * (kGrassLevels - 1) + 1); // the blades' joints and the one anchor
}

// A few frames of the tree's web motion stream, grass blades too when asked.
std::string motionStream(bool grass, int frames)
{
    ExportScene scene;
    std::string error;
    EXPECT_TRUE(loadExportScene(scene, "./data", 1, grass, error)) << error;
    ExportRig rig = buildExportRig(scene.sim, grass);
    MotionTracks tracks = makeMotionTracks(rig, scene.sim, frames);
    captureFrame(tracks, rig, scene.sim, 0);
    for (int f = 1; f < frames; ++f) {
        EXPECT_TRUE(stepExportScene(scene, error)) << error;
        captureFrame(tracks, rig, scene.sim, f);
    }
    const GlbInput input{&scene.sim, scene.sceneTextures, grass ? scene.grassTextures : nullptr, &rig, &tracks};
    GlbPlan plan;
    WebMotion motion;
    EXPECT_TRUE(planGlb(input, plan, error) && makeWebMotion(plan, input, WebMotionSteps{}, motion, error)) << error;
    return motion.stream;
}

template <typename T> void putRaw(std::string& s, T v) { s.append(reinterpret_cast<const char*>(&v), sizeof v); }

// A stream of channels over two frames written out by hand from the layout:
// per channel its node, step, first value (x y z w), kind and six varints,
// the values made from the channel's tag.
struct HandChannel {
    int32_t node;
    uint8_t kind;
    char tag;
};

std::string handStream(const std::vector<HandChannel>& channels)
{
    std::string s = "AVMS";
    for (const uint32_t v : {1u, static_cast<uint32_t>(channels.size()), 2u}) putRaw(s, v);
    for (const HandChannel& c : channels) putRaw(s, c.node);
    for (const HandChannel& c : channels) putRaw(s, 1e-3f * c.tag);
    for (const HandChannel& c : channels)
        for (int k = 0; k < 4; ++k) putRaw(s, static_cast<float>(c.tag + k));
    for (const HandChannel& c : channels) s.push_back(static_cast<char>(c.kind));
    s.append((4 - s.size() % 4) % 4, '\0');
    for (const HandChannel& c : channels) s += std::string{c.tag, 1, 2, char(0x81), 1, 3};
    return s;
}

// The stand page's stream: one tree alone is its own stream; the joined one
// is the streams' channels in order, node indices moved by each one's
// shift, the kinds' padding redone; joining is the same in one go or two.
TEST(ExportWebMotion, JoinedStreamsKeepEachTreesChannelsInOrder)
{
    std::string joined, error;
    ASSERT_TRUE(joinMotionStreams({handStream({{3, 1, 'a'}}), handStream({{5, 0, 'b'}, {6, 0, 'c'}})}, {0, 40},
                                  joined, error)) << error;
    EXPECT_EQ(joined, handStream({{3, 1, 'a'}, {45, 0, 'b'}, {46, 0, 'c'}}));

    const std::string x = motionStream(false, 4), y = motionStream(true, 4);
    std::string one, xy, xyx, all;
    ASSERT_TRUE(joinMotionStreams({x}, {0}, one, error)) << error;
    EXPECT_EQ(one, x);
    ASSERT_TRUE(joinMotionStreams({x, y}, {0, 500}, xy, error)) << error;
    ASSERT_TRUE(joinMotionStreams({xy, x}, {0, 9000}, xyx, error)) << error;
    ASSERT_TRUE(joinMotionStreams({x, y, x}, {0, 500, 9000}, all, error)) << error;
    EXPECT_EQ(xyx, all);
    // Refused: streams of different lengths, a cut stream.
    EXPECT_FALSE(joinMotionStreams({x, motionStream(false, 3)}, {0, 0}, one, error));
    EXPECT_NE(error.find("frames"), std::string::npos) << error;
    EXPECT_FALSE(joinMotionStreams({x.substr(0, 40)}, {0}, one, error));
}

TEST(ExportTextures, BottomUpBgrRowsBecomeTopDownRgb)
{
    BmpImage image;
    image.width = 1;
    image.height = 2; // bottom row stored first, rows padded to 4 bytes
    image.pixels = {1, 2, 3, 0, 4, 5, 6, 0};
    EXPECT_EQ(bmpToTopDownRgb(image), (std::vector<uint8_t>{6, 5, 4, 3, 2, 1}));
    std::vector<uint8_t> png;
    ASSERT_TRUE(encodePng(image, png));
    EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
    image.pixels.resize(3);
    EXPECT_FALSE(encodePng(image, png)) << "short pixel data must be refused, not read past";
}

TEST(ExportCommandLine, BadFlagsMissingDataAndUnwritableOutputFailCleanly)
{
    EXPECT_EQ(run("--frames 0"), 2);
    EXPECT_EQ(run("--wind-dir 0,0,0"), 2);
    EXPECT_EQ(run("--bogus"), 2);
    EXPECT_EQ(run("--frames 2 --data ./no-such-data --out export_missing.glb"), 1);
    EXPECT_EQ(std::fopen("export_missing.glb", "rb"), nullptr);
    EXPECT_EQ(run("--frames 2 --out ./no-such-dir/tree.glb"), 1);
    EXPECT_EQ(run("--frames 2 --out ./data"), 2);
    EXPECT_EQ(run("--frames 2 --out /dev/null"), 2);
    EXPECT_EQ(run("--frames 2 --out ./data/tree/tulip_tree.txt"), 2);

    // A clip past the format's 4 GiB is refused before the run.
    const std::string refused = output("./arborvane-export --quiet --frames 100000 --grass --out export_huge.glb 2>&1");
    EXPECT_NE(refused.find("4 GiB"), std::string::npos) << refused;
    EXPECT_NE(refused.find("--frames "), std::string::npos) << refused;
    EXPECT_EQ(std::fopen("export_huge.glb", "rb"), nullptr);

    // A failed export keeps the old file whole and leaves nothing beside it.
    const std::string keep = "export_keep_" + std::to_string(getpid()) + ".glb";
    std::ofstream(keep) << "old";
    EXPECT_EQ(run("--frames 2 --data ./no-such-data --out " + keep), 1);
    EXPECT_EQ(output("cat " + keep), "old");
    EXPECT_EQ(output("ls -a | grep -c '" + keep.substr(0, keep.size() - 4) + "'"), "1\n");
    std::remove(keep.c_str());
}

} // namespace

namespace {

// The run's schedule goes to the library as text; it must come back as the
// very schedule, or the clip would drift from the recorder's by a last bit.
// About a third of unit vectors move a last bit when normalised again, so
// random directions find it if the text carried the normalised ones.
TEST(ExportWind, RunScheduleTextReadsBackBitForBit)
{
    std::srand(11);
    auto uniform = [] { return 2.0 * std::rand() / RAND_MAX - 1.0; };
    const char* presets[] = {"", "calm", "storm"};
    for (int i = 0; i < 3000; ++i) {
        RunFlags run;
        const Vec3 d{uniform(), 0.4 * uniform(), uniform(), 0};
        if (!windDirectionFault(d.x, d.y, d.z).empty()) continue;
        const double len = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
        run.windDirGiven = d; // as --wind-dir does
        run.wind = {i % 2 == 0, 800.0 * (i % 97) / 96.0, {d.x / len, d.y / len, d.z / len, 0}};
        run.windChoice.preset = presets[i % 3];
        run.windChoice.gusts = i % 5 == 0;
        std::string text, error;
        ASSERT_TRUE(resolveWindSchedule(run.windChoice, run.wind, run.schedule, error)) << error;
        ASSERT_TRUE(runWindText(run, text, error)) << error;
        WindSchedule back;
        ASSERT_TRUE(parseWindSchedule(text, "text", back, error)) << error;
        ASSERT_TRUE(sameSchedule(back, run.schedule)) << text;
    }
    // A file keeps its own numbers; --gusts replaces its gusts.
    const std::string file = "export_wind_" + std::to_string(getpid()) + ".json";
    std::ofstream(file) << R"({"keys": [{"time": 0, "direction": [0.3, 0.1, 0.7]}, {"time": 2.5, "preset": "storm"}],
                              "gusts": {"every": 3, "strength": 0.6, "rise": 0.8, "fall": 1.5},
                              "veer": {"degrees": 20, "period": 15}, "seed": 4})";
    RunFlags run;
    run.windChoice = {file, "", true};
    std::string text, error;
    ASSERT_TRUE(resolveWindSchedule(run.windChoice, run.wind, run.schedule, error)) << error;
    EXPECT_TRUE(runWindText(run, text, error)) << error;
    // A file changed after the run read it is refused, not played.
    std::ofstream(file) << R"({"keys": [{"time": 0, "magnitude": 10}]})";
    EXPECT_FALSE(runWindText(run, text, error));
    EXPECT_NE(error.find("does not read back"), std::string::npos) << error;
    std::remove(file.c_str());
    // The comparison is not vacuous: a schedule with one bit moved differs.
    WindSchedule a = constantSchedule({true, 400.0, {1, 0, 0, 0}}), b = a;
    b.keys[0].state.magnitude = std::nextafter(400.0, 1e9);
    EXPECT_FALSE(sameSchedule(a, b));
}

} // namespace

namespace {

// A .glb of the given JSON and no binary chunk.
std::string tinyGlb(const std::string& text)
{
    std::string json = text;
    json.append((4 - json.size() % 4) % 4, ' ');
    auto word = [](std::string& s, uint32_t v) { s.append(reinterpret_cast<const char*>(&v), 4); };
    std::string glb;
    word(glb, 0x46546C67);
    word(glb, 2);
    word(glb, static_cast<uint32_t>(20 + json.size()));
    word(glb, static_cast<uint32_t>(json.size()));
    word(glb, 0x4E4F534A);
    return glb + json;
}

uint32_t glbWord(const std::string& s, size_t at)
{
    uint32_t v = 0;
    std::memcpy(&v, s.data() + at, 4);
    return v;
}

} // namespace

// The merged file's header states its own length, a lawn is left where it
// lies while its tree is placed, and a stand that would pass the limit is
// refused rather than written with a wrapped length.
TEST(ExportStandMerge, LengthFieldLawnAndALimitPassedIsRefused)
{
    const std::string tree = tinyGlb(R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0,1]}],)"
                                     R"("nodes":[{"name":"t"},{"name":"lawn"}]})");
    const std::vector<std::string> glbs{tree, tree};
    const std::vector<GlbPlace> places{{-12, 0, 0, "lawn"}, {5, 1, 90, ""}};
    std::string out, error;
    std::vector<size_t> first;
    ASSERT_TRUE(mergeGlbs(glbs, places, out, error, &first)) << error;
    EXPECT_EQ(glbWord(out, 8), out.size());
    EXPECT_EQ(out.size() % 4, 0u);
    EXPECT_EQ(first, (std::vector<size_t>{0, 3})); // each tree's nodes, then its placing node
    const nlohmann::json doc = nlohmann::json::parse(out.substr(20, glbWord(out, 12)));
    // Tree 0's lawn (node 1) at the scene's root; tree 1's (node 4) rides with its tree (node 5).
    EXPECT_EQ(doc["scenes"][0]["nodes"], nlohmann::json({1, 2, 5}));
    EXPECT_EQ(doc["nodes"][2]["children"], nlohmann::json({0}));
    EXPECT_EQ(doc["nodes"][5]["children"], nlohmann::json({3, 4}));
    std::string exact;
    EXPECT_TRUE(mergeGlbs(glbs, places, exact, error, nullptr, out.size()));
    EXPECT_EQ(exact, out);
    std::string refused = "kept";
    EXPECT_FALSE(mergeGlbs(glbs, places, refused, error, nullptr, out.size() - 1));
    EXPECT_EQ(refused, "kept");
    EXPECT_NE(error.find("fewer --frames"), std::string::npos) << error;
}
