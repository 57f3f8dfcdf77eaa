// The lawn around the tree: 50 x 50 jittered cells, two blades a cell.
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "data_constants/data_folder.h"
#include "data_constants/grass_file.h"
#include "generators.h"
#include "synth_random.h"
#include "vec_ops.h"
#include "whole_file.h"

namespace {

// All lengths in file units; the reader scales them by 1.5 into model units.
constexpr int kCells = 50;              // cells along x and along z
constexpr int kBladesPerCell = 2;
constexpr double kFieldWidth = 12.0;    // square side: 18 model units
constexpr double kTrunkClear = 0.36;    // radius kept free round the trunk (0.54 model)
constexpr double kMinHeight = 0.25 / kGrassFileScale;
constexpr double kMaxHeight = 0.6 / kGrassFileScale;
constexpr double kRootWidth = 0.0185;   // w at the root: half-width 0.017..0.028 model after k

void writeBlade(FILE* file, synth::Rng& rng, double rootX, double rootZ)
{
    // Heights cluster in the middle of the range, with some tall ones.
    const double t = 0.5 * (rng.uniform() + rng.uniform());
    const double height = kMinHeight + (kMaxHeight - kMinHeight) * std::pow(t, 1.3);
    const double facing = 6.283185307179586 * rng.uniform();
    const Vec3 across{std::cos(facing), 0.0, std::sin(facing)};   // width direction
    const Vec3 face{-std::sin(facing), 0.0, std::cos(facing)};    // blade normal, horizontal
    // Lean and curl toward either face; taller blades droop more.
    const double side = rng.uniform() < 0.5 ? -1.0 : 1.0;
    const double lean = side * rng.range(0.03, 0.15);
    const double curl = side * rng.range(0.04, 0.2) * (0.5 + height / kMaxHeight);
    const double widthScale = rng.range(0.85, 1.15);
    for (int j = 0; j < kGrassLevels; ++j) {
        const double s = static_cast<double>(j) / (kGrassLevels - 1);
        // Centre line: up by s*height, out along the face by lean*s + curl*s^2.
        const double out = height * (lean * s + curl * s * s);
        const Vec3 point{rootX + face.x * out, height * s, rootZ + face.z * out};
        const Vec3 tangent = unit(Vec3{0.0, 1.0, 0.0} + face * (lean + 2.0 * curl * s));
        const Vec3 u = unit(plain::cross(across, tangent)); // so that U x V points up the blade
        const double w = kRootWidth * widthScale * (1.0 - 0.8 * std::pow(s, 1.6));
        std::fprintf(file, "%.6f %.6f %.6f %.6f %.6f %.6f %.6f %.6f %.6f %.6f\n", w, point.x, point.y, point.z, u.x, u.y,
                     u.z, across.x, across.y, across.z);
    }
}

} // namespace

bool generateGrass(const std::string& outDir)
{
    const std::string path = dataPath(outDir, kGrassFileName);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    TextOut out;
    FILE* file = out.file();
    const int count = kCells * kCells * kBladesPerCell;
    std::fprintf(file, "%d %d\n", count, kGrassLevels);
    // Header triples (ignored by the reader): field size, cells and blades per cell.
    std::fprintf(file, "%.1f %.1f %.4f\n%d %d %d\n", kFieldWidth, kFieldWidth, kMaxHeight, kCells, kCells, kBladesPerCell);
    synth::Rng rng(0x6772617373ull);
    const double cell = kFieldWidth / kCells;
    for (int cx = 0; cx < kCells; ++cx) {
        for (int cz = 0; cz < kCells; ++cz) {
            for (int b = 0; b < kBladesPerCell; ++b) {
                double x = -0.5 * kFieldWidth + (cx + rng.uniform()) * cell;
                double z = -0.5 * kFieldWidth + (cz + rng.uniform()) * cell;
                const double r = std::sqrt(x * x + z * z);
                if (r < kTrunkClear) {
                    // Push the blade out of the trunk's footprint, keeping its bearing.
                    const double angle = r > 1e-9 ? std::atan2(z, x) : 6.283185307179586 * rng.uniform();
                    const double moved = kTrunkClear + 0.5 * cell * (r / kTrunkClear) + 0.01;
                    x = moved * std::cos(angle);
                    z = moved * std::sin(angle);
                }
                writeBlade(file, rng, x, z);
            }
        }
    }
    return out.save(path);
}
