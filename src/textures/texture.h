// A mip-mapped, repeating OpenGL texture made from a BMP file.
#pragma once
#include <cstdint>
#include <string>

struct Texture {
    Texture() = default;
    ~Texture();
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    void create(const char* path); // fresh, bound, empty texture
    void release();
    // Name to bind: id - 1, or 0 (no texture) while empty.
    unsigned int glName() const { return id > 0 ? static_cast<unsigned int>(id - 1) : 0u; }

    int32_t id = 0;       // GL name + 1; 0 means none
    char name[64] = {};   // path it was made from
    int32_t width = 0;    // pixels, as read
    int32_t height = 0;   // pixels, as read (negative for top-down files)
};

// On failure, error (when given) says why in a few words.
bool loadBmpTexture(const char* path, Texture& texture, std::string* error = nullptr);
