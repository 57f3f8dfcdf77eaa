// The page's "Download .glb" is the plain clip: no lighter levels and no
// meshopt streams (meshoptimizer is a native library here). These stand in
// for them so the shared writer links; the page never asks for either.
#include "export/glb_compress.h"
#include "export/glb_lod.h"

namespace glb {

void addLodLevels(GlbParts&, const arborvane::Simulation&, const ExportRig&, const MotionTracks&,
                  const TreeMaterials&, int, int, size_t triangles[kLodLevels + 1])
{
    for (int level = 0; level <= kLodLevels; ++level) triangles[level] = 0;
}

void compressGeometry(tinygltf::Model&, Bin&, CompressedGeometry& out) { out = {}; }

void compressTracks(tinygltf::Model&, Bin&, const std::string&, CompressedGeometry&) {}

bool addCompressionEntries(std::string&, const CompressedGeometry&, std::string& error)
{
    error = "compression is not in the page's writer";
    return false;
}

} // namespace glb
