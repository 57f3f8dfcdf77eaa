// The ten scene and grass textures, plus a contact sheet to look at them.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iterator>

#include "data_constants/data_folder.h"
#include "data_constants/texture_files.h"
#include "generators.h"
#include "png_writer.h"
#include "texture_image.h"
#include "texture_painters.h"

namespace {

// RGB canvas for the contact sheet, row 0 at the top.
struct Sheet {
    int width, height;
    std::vector<uint8_t> rgb;
    Sheet(int w, int h) : width(w), height(h), rgb(static_cast<size_t>(w) * h * 3, 48) {}
    void set(int x, int y, Rgb c)
    {
        if (x < 0 || y < 0 || x >= width || y >= height) return;
        uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        p[0] = toByte(c.r);
        p[1] = toByte(c.g);
        p[2] = toByte(c.b);
    }
};

// Box-filtered copy of image (repeated repeatU x repeatV times) into a w x h box.
void placeTiled(Sheet& sheet, const TextureImage& image, int left, int top, int w, int h, int repeatU, int repeatV)
{
    const int sx = std::max(1, image.width * repeatU / w), sy = std::max(1, image.height * repeatV / h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            Rgb sum{0, 0, 0};
            for (int j = 0; j < sy; ++j) {
                for (int i = 0; i < sx; ++i) {
                    const double u = (x * sx + i + 0.5) / (w * sx) * repeatU;
                    const double v = 1.0 - (y * sy + j + 0.5) / (h * sy) * repeatV;
                    sum = sum + image.sample(u, v);
                }
            }
            sheet.set(left + x, top + y, sum * (1.0 / (sx * sy)));
        }
    }
}

// A lit cylinder seen side on: u once around, v from vStart to vEnd bottom to top.
void placeCylinder(Sheet& sheet, const TextureImage& image, int left, int top, int w, int h, double vStart, double vEnd)
{
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double s = (x + 0.5) / w * 2.0 - 1.0;
            const double angle = std::asin(s);
            const double u = angle / 6.283185307179586 + 0.25;
            const double v = vEnd - (y + 0.5) / h * (vEnd - vStart);
            const double light = 0.25 + 0.75 * std::fmax(0.0, std::cos(angle + 0.6));
            sheet.set(left + x, top + y, image.sample(u, v) * light);
        }
    }
}

// The leaf texture inside the template's deltoid outline (half-width over v,
// in texture units), as the blade shows it.
void placeLeaf(Sheet& sheet, const TextureImage& image, int left, int top, int size)
{
    static const double outline[][2] = {{0.0, 0.0},   {0.16, 0.015}, {0.32, 0.05},  {0.43, 0.12}, {0.46, 0.2},
                                        {0.43, 0.3},  {0.375, 0.42}, {0.305, 0.55}, {0.225, 0.68}, {0.145, 0.8},
                                        {0.07, 0.9},  {0.025, 0.96}, {0.0, 1.0}};
    auto halfWidth = [](double v) {
        for (size_t i = 1; i < std::size(outline); ++i) {
            if (v <= outline[i][1]) {
                const double t = (v - outline[i - 1][1]) / (outline[i][1] - outline[i - 1][1]);
                return outline[i - 1][0] + t * (outline[i][0] - outline[i - 1][0]);
            }
        }
        return 0.0;
    };
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double u = (x + 0.5) / size, v = 1.0 - (y + 0.5) / size;
            if (std::fabs(u - 0.5) < halfWidth(v)) sheet.set(left + x, top + y, image.sample(u, v));
        }
    }
}

// A few grass blades tinted with the lawn colour, in front of the ground.
void placeGrass(Sheet& sheet, const TextureImage* const blades[4], const TextureImage& ground, int left, int top, int w, int h)
{
    placeTiled(sheet, ground, left, top, w, h, 1, 1);
    const Rgb lawn{0.3176470588235294, 0.49411764705882355, 0.1607843137254902};
    for (int b = 0; b < 24; ++b) {
        const int root = left + 8 + b * (w - 16) / 24;
        const double lean = ((b * 7) % 5 - 2) * 0.15;
        const int bladeHeight = h * (5 + (b * 3) % 5) / 10;
        for (int y = 0; y < bladeHeight; ++y) {
            const double v = 0.8 * y / bladeHeight;
            const double halfWidth = 5.0 * (1.0 - 0.8 * std::pow(y / double(bladeHeight), 1.6));
            const double centre = root + lean * y * y / bladeHeight;
            for (int x = static_cast<int>(centre - halfWidth); x <= static_cast<int>(centre + halfWidth); ++x) {
                if (x < left || x >= left + w) continue;
                const double u = (x - (centre - halfWidth)) / (2.0 * halfWidth);
                sheet.set(x, top + h - 1 - y, blades[b % 4]->sample(u, v) * lawn);
            }
        }
    }
}

// Box-filtered mip chain of a square power-of-two image, level 0 first.
std::vector<TextureImage> mipChain(const TextureImage& image)
{
    std::vector<TextureImage> levels{image};
    while (levels.back().width > 1) {
        const TextureImage& big = levels.back();
        TextureImage small(big.width / 2, big.height / 2);
        for (int y = 0; y < small.height; ++y) {
            for (int x = 0; x < small.width; ++x) {
                small.at(x, y) = (big.at(2 * x, 2 * y) + big.at(2 * x + 1, 2 * y) + big.at(2 * x, 2 * y + 1) +
                                  big.at(2 * x + 1, 2 * y + 1)) * 0.25;
            }
        }
        levels.push_back(small);
    }
    return levels;
}

// The ground as the program's camera sees it: eye 6.6 above the plane,
// looking level, 60 degree field, 25-unit tiles, trilinear mip-mapping.
void placeGroundView(Sheet& sheet, const TextureImage& ground, int left, int top, int w, int h)
{
    const std::vector<TextureImage> mips = mipChain(ground);
    const double halfTan = 0.5773502691896258, eyeHeight = 6.6, tile = 25.0;
    auto hit = [&](double px, double py, double& gx, double& gz) {
        const double sx = (px - 0.5 * w) / h * halfTan, sy = -(py + 0.5) / h * halfTan;
        const double t = eyeHeight / -sy;
        gx = sx * t;
        gz = 12.0 - t;
    };
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            double gx, gz, nx, nz;
            hit(x + 0.5, y, gx, gz);
            hit(x + 0.5, y + 1, nx, nz);
            const double texels = std::hypot(nx - gx, nz - gz) / tile * ground.width;
            const double level = std::clamp(std::log2(std::max(texels, 1.0)), 0.0, double(mips.size() - 1));
            const int l0 = static_cast<int>(level);
            const int l1 = std::min(l0 + 1, static_cast<int>(mips.size()) - 1);
            const double u = (gx + 100.0) / tile, v = (gz + 100.0) / tile;
            Rgb c = mixRgb(mips[l0].sample(u, v), mips[l1].sample(u, v), level - l0);
            if (std::fabs(gx) > 100.0 || std::fabs(gz) > 100.0) c = Rgb{0.235, 0.659, 0.973}; // sky past the edge
            sheet.set(left + x, top + y, c);
        }
    }
}

} // namespace

bool generateTextures(const std::string& outDir)
{
    struct Output {
        std::string path;
        TextureImage image;
    };
    std::vector<Output> outputs;
    // In texture-index order, then the four grass shades.
    const TextureImage scene[kSceneTextureCount] = {paintTrunkBark(), paintBranchBark(), paintGround(),
                                                    paintLeaf(true), paintLeaf(false), paintPetiole()};
    for (int i = 0; i < kSceneTextureCount; ++i) outputs.push_back({dataPath(outDir, kSceneTextureNames[i]), scene[i]});
    for (int i = 0; i < kGrassTextureCount; ++i) outputs.push_back({dataPath(outDir, kGrassTextureNames[i]), paintGrassBlade(i)});
    for (const Output& o : outputs) {
        std::filesystem::create_directories(std::filesystem::path(o.path).parent_path());
        if (!writeTextureBmp(o.path, o.image)) return false;
    }

    // Contact sheet. Row 1: the six scene textures; row 2: the four grass
    // textures, a 2 x 2 tiling of the ground and the leaf sides as blades;
    // row 3: the bark on cylinders at its true stretch, and tinted grass;
    // row 4: the ground from the program's camera.
    const int cell = 256, gap = 8;
    Sheet sheet(6 * cell + 7 * gap, 2 * cell + 512 + 300 + 5 * gap);
    auto at = [&](int column) { return gap + column * (cell + gap); };
    for (int i = 0; i < 6; ++i) placeTiled(sheet, outputs[i].image, at(i), gap, cell, cell, 1, 1);
    const int row2 = 2 * gap + cell;
    for (int i = 0; i < 4; ++i) placeTiled(sheet, outputs[6 + i].image, at(i), row2, cell, cell, 1, 1);
    placeTiled(sheet, outputs[2].image, at(4), row2, cell, cell, 2, 2);
    placeLeaf(sheet, outputs[3].image, at(5), row2, cell / 2);
    placeLeaf(sheet, outputs[4].image, at(5) + cell / 2, row2 + cell / 2, cell / 2);
    const int row3 = 3 * gap + 2 * cell;
    // Trunk: ~1.5 around, ~11 along. Whole trunk (22 px wide), then its lowest
    // 3.3 units and a 1.1-unit close-up, each at the true aspect.
    const double trunkDiameter = 1.5 / 3.141592653589793;
    placeCylinder(sheet, outputs[0].image, at(0), row3, static_cast<int>(512 * trunkDiameter / 11.0), 512, 0.0, 1.0);
    placeCylinder(sheet, outputs[0].image, at(0) + 40, row3, static_cast<int>(512 * trunkDiameter / 3.3), 512, 0.0, 0.3);
    placeCylinder(sheet, outputs[0].image, at(0) + 140, row3, static_cast<int>(512 * trunkDiameter / 1.1), 512, 0.4, 0.5);
    // Branches: ~0.35 around; 2 and 0.7 units long.
    const double branchDiameter = 0.35 / 3.141592653589793;
    placeCylinder(sheet, outputs[1].image, at(2), row3, static_cast<int>(512 * branchDiameter / 2.0), 512, 0.0, 1.0);
    placeCylinder(sheet, outputs[1].image, at(2) + 60, row3, static_cast<int>(512 * branchDiameter / 0.7), 512, 0.0, 1.0);
    const TextureImage* blades[4] = {&outputs[6].image, &outputs[7].image, &outputs[8].image, &outputs[9].image};
    placeGrass(sheet, blades, outputs[2].image, at(3), row3, 2 * cell + gap, 512);
    placeGroundView(sheet, outputs[2].image, gap, row3 + 512 + gap, sheet.width - 2 * gap, 300);
    const std::string sheetPath = dataPath(outDir, "contact_sheet.png");
    return writePng(sheetPath, sheet.width, sheet.height, sheet.rgb);
}
