// Leaf template file: tree/poplar_leaf.txt, plus tree/poplar_leaf_preview.png
// (the mesh seen from +z with the program's shadow outline in red).
// Flags (leaf-file units, the program scales by 0.25): --leaf-length,
// --leaf-width-ratio, --leaf-petiole-ratio, --leaf-petiole-bend (degrees),
// --leaf-tooth-depth, --leaf-cup, --leaf-droop.
#include <cstdio>
#include <filesystem>
#include <string>

#include "data_constants/data_folder.h"
#include "generators.h"
#include "leaf_mesh.h"
#include "preview_canvas.h"
#include "tree/leaf_template.h"
#include "whole_file.h"

namespace {

bool writeLeafFile(const std::string& path, const LeafMesh& mesh)
{
    TextOut out;
    FILE* file = out.file();
    std::fprintf(file, "PetioleVerNum=%d LeafVerNum=%d LeafFacesNum=%d\n", kPetiolePoints, kBladeVertices, kBladeFaces);
    for (int k = 0; k < kPetiolePoints; ++k) {
        const auto& p = mesh.petiole[k];
        std::fprintf(file, "%d %.6f %.6f %.6f %.6f\n", k, p[0], p[1], p[2], p[3]);
    }
    for (int k = 0; k < kBladeVertices; ++k) {
        const auto& p = mesh.position[k];
        std::fprintf(file, "%d %.6f %.6f %.6f %.6f %.6f\n", k, p.x, p.y, p.z, mesh.texCoord[k][0], mesh.texCoord[k][1]);
    }
    for (int k = 0; k < kBladeFaces; ++k)
        std::fprintf(file, "%d %d %d %d\n", k, mesh.faces[k][0], mesh.faces[k][1], mesh.faces[k][2]);
    return out.save(path);
}

// Blade seen from +z: faces in greens, the program's shadow outline in red.
bool writeLeafPreview(const std::string& path, const LeafMesh& mesh)
{
    PreviewCanvas canvas(480, 640, rgb255(250, 250, 245));
    const double s = 150.0, ox = 240.0, oy = 600.0;
    auto px = [&](int v) { return ox + s * mesh.position[v].x; };
    auto py = [&](int v) { return oy - s * mesh.position[v].y; };
    for (int f = 0; f < kBladeFaces; ++f) {
        const auto& t = mesh.faces[f];
        const int shade = 110 + (f * 37) % 90;
        canvas.fillTriangle(px(t[0]), py(t[0]), px(t[1]), py(t[1]), px(t[2]), py(t[2]), rgb255(40, shade, 50));
    }
    for (const auto& t : shadowOutlineFaces)
        for (int e = 0; e < 3; ++e)
            canvas.drawLine(px(t[e]), py(t[e]), px(t[(e + 1) % 3]), py(t[(e + 1) % 3]), rgb255(220, 30, 30));
    for (int k = 0; k + 1 < kPetiolePoints; ++k)
        canvas.drawLine(ox + s * mesh.petiole[k][0], oy - s * mesh.petiole[k][1], ox + s * mesh.petiole[k + 1][0],
                        oy - s * mesh.petiole[k + 1][1], rgb255(90, 60, 20));
    return canvas.save(path);
}

} // namespace

bool generateLeaf(const LeafParams& params, const std::string& outDir)
{
    const LeafMesh mesh = buildLeafMesh(params);
    const std::string path = dataPath(outDir, kLeafFileName);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    if (!writeLeafFile(path, mesh)) return false;
    return writeLeafPreview(previewPath(path), mesh);
}
