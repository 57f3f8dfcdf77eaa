// Smaller geometry for --compress: normals as bytes and texture coordinates
// as 16-bit (KHR_mesh_quantization), then every vertex and index stream
// meshopt-compressed (EXT_meshopt_compression, positions through its
// exponent filter). Both extensions are required: a reader without a
// meshopt decoder (Blender 3.4's importer) refuses the file instead of
// drawing nothing. The animation's tracks are compressed losslessly, whole in
// memory; textures and skins stay as they are.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "export/gltf_kit.h"

namespace glb {

// One compressed view: its bytes in the file's chunk, its form decoded.
struct MeshoptView {
    int view = 0;          // bufferView index
    size_t offset = 0;     // compressed bytes in buffer 0
    size_t length = 0;     // their length
    size_t stride = 0;     // bytes per element, decoded
    size_t count = 0;      // elements
    std::string mode;      // ATTRIBUTES or TRIANGLES
    std::string filter;    // NONE or EXPONENTIAL
};

struct CompressedGeometry {
    std::vector<MeshoptView> views; // empty: nothing compressed
    size_t fallbackBytes = 0;       // the decoded views' extent in the fallback buffer
};

// Rewrites the meshes' vertex and index views in bin (before any view
// whose data come later) and names the extensions the file needs.
void compressGeometry(tinygltf::Model& m, Bin& bin, CompressedGeometry& out);
// The animation's track views, laid out past bin's bytes with their bytes in
// tail, compressed into bin like the geometry: bin then holds the whole chunk.
void compressTracks(tinygltf::Model& m, Bin& bin, const std::string& tail, CompressedGeometry& out);
// The extension's entries, which the glTF writer does not write, put into
// the serialized document: each view's compressed form and the fallback buffer.
bool addCompressionEntries(std::string& json, const CompressedGeometry& c, std::string& error);

} // namespace glb
