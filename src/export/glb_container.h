// The GLB container: a document's JSON and binary chunk laid out as a .glb,
// the binary chunk's tail streamed after the bytes held in memory.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "export/glb_writer.h"
#include "export/gltf_kit.h"

namespace glb {

// The document as tinygltf writes it for a binary chunk of `total` bytes,
// of which the model's buffer holds only the first: its JSON and those bytes.
bool serializeDocument(tinygltf::Model& m, uint64_t total, std::string& json, std::string& head,
                       std::string& error);

// Writes the chunk's bytes past head to sink (empty: there are none).
using GlbTail = std::function<bool(const GlbSink& sink, std::string& error)>;

// The file: header, JSON chunk, then a binary chunk of binBytes (head, then
// tail) when there is one. False with a reason from the sink, or when the
// file would not fit the format's 32-bit sizes.
bool writeChunks(const std::string& json, const std::string& head, uint64_t binBytes, const GlbTail& tail,
                 const GlbSink& sink, std::string& error);

} // namespace glb
