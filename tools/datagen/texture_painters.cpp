// The generator's procedural textures: bark, ground, leaf, petiole and grass.
//
// Sections, in order:
//   Painting: paint, unitHash, BarkRelief
//   Bark and ground: paintTrunkBark, paintBranchBark, paintGround
//   Leaf, petiole and grass: leafVeins, paintLeaf, paintPetiole, paintGrassBlade
#include "texture_painters.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <thread>
#include <vector>

#include "procedural_noise.h"
#include "synth_random.h"

using synth::clamp01;
using synth::fbm;
using synth::gradientNoise;
using synth::mix;
using synth::smoothstep;

// ---- Painting

namespace {

// Calls shader(u, v) at every pixel centre. Pixels are independent, so the
// rows are shared among threads without changing a bit of the result.
TextureImage paint(int width, int height, const std::function<Rgb(double, double)>& shader)
{
    TextureImage image(width, height);
    auto rows = [&](int first, int step) {
        for (int y = first; y < height; y += step) {
            for (int x = 0; x < width; ++x) image.at(x, y) = shader((x + 0.5) / width, (y + 0.5) / height);
        }
    };
    const int threads = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
    std::vector<std::thread> workers;
    for (int t = 1; t < threads; ++t) workers.emplace_back(rows, t, threads);
    rows(0, threads);
    for (std::thread& w : workers) w.join();
    return image;
}

double unitHash(uint32_t h) { return static_cast<double>(h >> 8) * (1.0 / 16777216.0); }

// Bark relief shared by trunk and branches: two families of ridges, tilted a
// little to either side of the axis and wandering, that cross and merge; the
// lens-shaped gaps between them are the furrows. 1 on a ridge top, 0 in a
// furrow bottom.
struct BarkRelief {
    int ridgesAround;  // ridges of the first family across u (whole: the bark wraps)
    int ridgesAroundB; // of the second family; unequal counts keep the mesh irregular
    double tilt;       // stripe phase gained per unit of v (tilts the ridges)
    double wander;     // domain warp, in ridge spacings
    double ridgeWidth; // half-width of a ridge as a fraction of the spacing (0..1)
    double softness;   // width of the ridge flank, same units
    uint32_t seed;

    double family(double u, double v, int count, double sign, uint32_t s) const
    {
        const double warp = wander * fbm(u * 4.0, v * 9.0, 4, 9, 4, 0.5, s);
        const double phase = u * count + sign * tilt * v * count / ridgesAround + warp;
        const double across = std::fabs(phase - std::floor(phase) - 0.5) * 2.0; // 0 on the ridge line
        // Each ridge swells and thins along its length.
        const int ridge = ((static_cast<int>(std::floor(phase)) % count) + count) % count;
        const double swell = 1.0 + 0.6 * gradientNoise(ridge + 0.5, v * 14.0, count, 14, s + 3u);
        const double width = ridgeWidth * swell;
        return 1.0 - smoothstep(width, width + softness, across);
    }

    double operator()(double u, double v) const
    {
        return std::fmax(family(u, v, ridgesAround, 1.0, seed), family(u, v, ridgesAroundB, -1.0, seed + 57u));
    }
};

} // namespace

// ---- Bark and ground

TextureImage paintTrunkBark()
{
    // The image spans ~1.5 units around and ~11 along the trunk, so every
    // feature is painted ~7x shorter in v than it will look: 9 ridges around
    // (0.17 apart) tilted by 13 per v (about 12 degrees once stretched) leave
    // diamond furrows ~0.8 long.
    const BarkRelief relief{9, 7, 13.0, 0.8, 0.36, 0.22, 11u};
    const Rgb furrowDeep = rgb255(52, 40, 31);
    const Rgb furrowWall = rgb255(104, 88, 72);
    const Rgb ridgeBrown = rgb255(142, 128, 112);
    const Rgb ridgeGrey = rgb255(172, 166, 154);
    const Rgb lichen = rgb255(132, 140, 112);
    const int width = 256, height = 512;
    // Relief first, so the slope below reads neighbours instead of recomputing them.
    const TextureImage relief01 = paint(width, height, [&](double u, double v) {
        const double h = relief(u, v);
        return Rgb{h, h, h};
    });
    return paint(width, height, [&](double u, double v) {
        const int x = static_cast<int>(u * width), y = static_cast<int>(v * height);
        const double h = relief01.at(x, y).r;
        // Baked light from the upper left, from the relief's slope across u (wrapping).
        const double slope = (relief01.at((x + 1) % width, y).r - relief01.at((x + width - 1) % width, y).r) *
                             (0.5 * width / 9.0);
        const double light = 1.0 - 0.45 * std::tanh(slope * 0.35);
        // Fibres along the trunk and fine cross checks on the ridge tops.
        const double fibre = 0.6 * gradientNoise(u * 96.0, v * 6.0, 96, 6, 23u) + 0.4 * gradientNoise(u * 40.0, v * 3.0, 40, 3, 24u);
        const double checks = gradientNoise(u * 24.0, v * 140.0, 24, 140, 29u);
        const double tone = 0.5 + 0.5 * fbm(u * 4.0, v * 3.0, 4, 3, 4, 0.55, 31u);
        Rgb top = mixRgb(ridgeBrown, ridgeGrey, smoothstep(0.25, 0.75, tone));
        const double lichenAmount = smoothstep(0.55, 0.85, 0.5 + 0.5 * fbm(u * 2.0, v * 6.0, 2, 6, 4, 0.6, 37u));
        top = mixRgb(top, lichen, 0.6 * lichenAmount);
        // Furrow floors: fibrous, some warmer (inner bark showing).
        const double floorTone = 0.5 + 0.5 * gradientNoise(u * 48.0, v * 10.0, 48, 10, 33u);
        const Rgb floor = mixRgb(furrowDeep, rgb255(84, 58, 40), 0.6 * floorTone) * (1.0 + 0.25 * fibre);
        Rgb c = h < 0.5 ? mixRgb(floor, furrowWall, smoothstep(0.0, 0.5, h))
                        : mixRgb(furrowWall, top, smoothstep(0.5, 0.9, h));
        c = c * (light * (1.0 + 0.16 * fibre * h + 0.10 * checks * h));
        return c;
    });
}

TextureImage paintBranchBark()
{
    // Branches: ~0.4 around and 0.5..4 along; smooth young bark with shallow
    // fissures and pale lenticels (short horizontal dashes).
    const BarkRelief relief{5, 4, 4.0, 0.5, 0.8, 0.3, 41u};
    const Rgb base = rgb255(142, 130, 108);
    const Rgb olive = rgb255(128, 128, 96);
    const Rgb fissure = rgb255(88, 74, 60);
    const Rgb lenticel = rgb255(196, 186, 160);
    return paint(256, 256, [&](double u, double v) {
        const double h = relief(u, v);
        const double tone = 0.5 + 0.5 * fbm(u * 3.0, v * 4.0, 3, 4, 4, 0.55, 43u);
        Rgb c = mixRgb(base, olive, smoothstep(0.3, 0.8, tone));
        c = mixRgb(fissure, c, 0.7 + 0.3 * h);
        const double streak = gradientNoise(u * 64.0, v * 4.0, 64, 4, 47u);
        c = c * (1.0 + 0.07 * streak);
        // Lenticels: cells 12 around by 96 along; a dot in some cells, which the
        // stretch along the branch turns into a short horizontal dash.
        const synth::WorleySample s = synth::worley(u * 12.0, v * 96.0, 12, 96, 0.8, 53u);
        if (unitHash(s.cell) < 0.35) c = mixRgb(c, lenticel, 0.8 * (1.0 - smoothstep(0.12, 0.22, s.f1)));
        return c;
    });
}

TextureImage paintGround()
{
    // One 512 px image covers 25 x 25 units (~5 cm a pixel). Large-scale
    // variation is kept soft so that the 8 x 8 repeats do not read as tiles.
    const Rgb soilDark = rgb255(70, 56, 38);
    const Rgb soilLight = rgb255(118, 98, 70);
    const Rgb grassDeep = rgb255(58, 86, 30);
    const Rgb grassMid = rgb255(88, 116, 44);
    const Rgb grassDry = rgb255(132, 136, 70);
    const Rgb pebble = rgb255(150, 142, 128);
    return paint(512, 512, [&](double u, double v) {
        const double wet = fbm(u * 3.0, v * 3.0, 3, 3, 5, 0.55, 61u);
        const double patch = fbm(u * 12.0, v * 12.0, 12, 12, 4, 0.5, 67u);
        const double cover = smoothstep(-0.45, 0.15, 0.6 * wet + 0.7 * patch + 0.25);
        // Soil: mottled brown with scattered small stones.
        Rgb soil = mixRgb(soilDark, soilLight, clamp01(0.5 + 0.8 * fbm(u * 40.0, v * 40.0, 40, 40, 3, 0.5, 71u)));
        const synth::WorleySample stone = synth::worley(u * 160.0, v * 160.0, 160, 160, 0.9, 73u);
        if (unitHash(stone.cell) < 0.18) soil = mixRgb(soil, pebble, 0.75 * (1.0 - smoothstep(0.2, 0.32, stone.f1)));
        // Grass: tufts with their own shade, dark gaps between them, speckle of blades.
        const synth::WorleySample tuft = synth::worley(u * 90.0 + 0.8 * gradientNoise(u * 64.0, v * 64.0, 64, 64, 77u), v * 90.0, 90, 90, 1.0, 79u);
        const double shade = unitHash(tuft.cell);
        const double dryness = smoothstep(0.0, 0.9, 0.5 + 0.6 * fbm(u * 6.0, v * 6.0, 6, 6, 3, 0.5, 83u));
        Rgb grass = mixRgb(grassDeep, grassMid, shade);
        grass = mixRgb(grass, grassDry, 0.55 * dryness * (0.4 + 0.6 * shade));
        const double gap = smoothstep(0.0, 0.25, tuft.f2 - tuft.f1);
        const double blades = 0.6 * gradientNoise(u * 256.0, v * 256.0, 256, 256, 89u) +
                              0.4 * (2.0 * unitHash(synth::hash3(static_cast<int>(u * 512.0), static_cast<int>(v * 512.0), 91u)) - 1.0);
        grass = grass * ((0.86 + 0.14 * gap) * (1.0 + 0.2 * blades) * (1.04 - 0.12 * tuft.f1));
        Rgb c = mixRgb(soil, grass, cover);
        c = c * (0.93 + 0.07 * wet);
        return c;
    });
}

// ---- Leaf, petiole and grass

namespace {

// One lateral vein: leaves the midrib at `origin` (v), rising `slope` per
// unit of |u - 0.5| at first and curving up by `curve` toward the margin.
struct Vein {
    double origin;
    double slope;
    double curve;
    double reach; // |u - 0.5| where it fades out
};
constexpr Vein kVeins[] = {
    {0.015, 0.25, 0.9, 0.48}, // basal pair along the broad base
    {0.10, 0.55, 1.2, 0.46},
    {0.22, 0.75, 1.4, 0.42},
    {0.34, 0.85, 1.5, 0.36},
    {0.46, 0.95, 1.6, 0.30},
    {0.58, 1.05, 1.7, 0.24},
    {0.70, 1.15, 1.8, 0.17},
    {0.81, 1.25, 1.9, 0.11},
};

// 0..1 vein strength at (u, v): midrib, laterals and a faint net between them.
double leafVeins(double u, double v, double& midribOut)
{
    const double d = std::fabs(u - 0.5);
    const double side = u < 0.5 ? 0.0 : 0.025; // the two sides alternate a little
    const double midribHalf = 0.011 * (1.0 - 0.75 * v) + 0.002;
    const double midrib = 1.0 - smoothstep(midribHalf * 0.6, midribHalf * 1.5, d);
    double lateral = 0.0;
    for (const Vein& vein : kVeins) {
        const double rise = vein.slope * d + vein.curve * d * d;
        const double gradient = vein.slope + 2.0 * vein.curve * d;
        const double distance = std::fabs(v - (vein.origin + side + rise)) / std::sqrt(1.0 + gradient * gradient);
        const double along = d / vein.reach;
        const double half = 0.0045 * (1.0 - 0.7 * along) + 0.0012;
        const double strength = (1.0 - smoothstep(0.7, 1.0, along)) * (1.0 - smoothstep(half * 0.5, half * 1.6, distance));
        lateral = std::fmax(lateral, strength);
    }
    const synth::WorleySample net = synth::worley(u * 26.0, v * 26.0, 26, 26, 0.9, 97u);
    const double reticulum = 0.35 * (1.0 - smoothstep(0.0, 0.06, net.f2 - net.f1));
    midribOut = midrib;
    return std::fmax(std::fmax(midrib, 0.8 * lateral), reticulum);
}

} // namespace

TextureImage paintLeaf(bool upperSide)
{
    const Rgb deep = upperSide ? rgb255(34, 74, 22) : rgb255(104, 128, 84);
    const Rgb mid = upperSide ? rgb255(52, 100, 30) : rgb255(124, 146, 102);
    const Rgb sheen = upperSide ? rgb255(96, 142, 70) : rgb255(138, 156, 120);
    const Rgb vein = upperSide ? rgb255(128, 160, 72) : rgb255(186, 196, 150);
    const Rgb midribColour = upperSide ? rgb255(168, 184, 96) : rgb255(206, 210, 164);
    return paint(256, 256, [&](double u, double v) {
        double midrib = 0.0;
        const double veins = leafVeins(u, v, midrib);
        const double tone = 0.5 + 0.5 * fbm(u * 4.0, v * 4.0, 4, 4, 4, 0.5, upperSide ? 101u : 103u);
        Rgb c = mixRgb(deep, mid, smoothstep(0.2, 0.8, tone));
        // Gloss: soft bright patches on the upper side, strongest off the veins.
        const double gloss = smoothstep(0.55, 0.9, 0.5 + 0.5 * fbm(u * 2.0, v * 2.0, 2, 2, 3, 0.5, 107u));
        c = mixRgb(c, sheen, (upperSide ? 0.45 : 0.15) * gloss);
        // Slightly darker right beside each vein: the blade dips toward it.
        c = c * (1.0 - 0.08 * smoothstep(0.0, 0.5, veins) * (1.0 - veins));
        c = mixRgb(c, vein, 0.75 * veins);
        c = mixRgb(c, midribColour, midrib);
        const double grain = gradientNoise(u * 128.0, v * 128.0, 128, 128, 109u);
        return c * (1.0 + 0.04 * grain);
    });
}

TextureImage paintPetiole()
{
    const Rgb base = rgb255(150, 164, 66);
    const Rgb light = rgb255(186, 192, 98);
    const Rgb tinge = rgb255(150, 120, 60);
    return paint(256, 256, [&](double u, double v) {
        const double streak = gradientNoise(u * 32.0, v * 3.0, 32, 3, 113u);
        Rgb c = mixRgb(base, light, clamp01(0.5 + 0.7 * streak));
        c = mixRgb(c, tinge, 0.35 * (1.0 - smoothstep(0.0, 0.25, v))); // browner where it joins the twig
        return c * (1.0 + 0.05 * gradientNoise(u * 128.0, v * 128.0, 128, 128, 127u));
    });
}

TextureImage paintGrassBlade(int shade)
{
    // Tints near white: the drawing colour, a mid green, multiplies them.
    const Rgb tints[4] = {rgb255(236, 255, 214), rgb255(255, 252, 196), rgb255(214, 250, 226), rgb255(244, 238, 200)};
    const Rgb tint = tints[shade & 3];
    const Rgb dryTip = rgb255(255, 236, 170);
    const uint32_t seed = 131u + 17u * static_cast<uint32_t>(shade);
    return paint(256, 256, [&](double u, double v) {
        // Darker at the root, lightening toward the tip; the top fifth is never drawn.
        const double lift = 0.55 + 0.45 * smoothstep(0.0, 0.7, v);
        const double streaks = 0.5 * gradientNoise(u * 48.0, v * 2.0, 48, 2, seed) +
                               0.5 * gradientNoise(u * 96.0, v * 3.0, 96, 3, seed + 1u);
        const double across = 1.0 - 0.18 * std::pow(std::fabs(2.0 * u - 1.0), 3.0); // edges a shade darker
        const double keel = 0.06 * (1.0 - smoothstep(0.0, 0.05, std::fabs(u - 0.5))); // pale centre vein
        Rgb c = tint;
        if (shade == 3) c = mixRgb(c, dryTip, smoothstep(0.45, 0.8, v));
        return c * (lift * across * (1.0 + 0.12 * streaks) + keel);
    });
}
