// The header-only libraries' code, once: natively it comes from Debian's
// libtinygltf and libstb, which Emscripten cannot link. Images go into the
// .glb as PNG bytes of our own (png_encode), so tinygltf is built without
// its image codecs (wasm/CMakeLists.txt).
#define TINYGLTF_IMPLEMENTATION
#include <tiny_gltf.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>
