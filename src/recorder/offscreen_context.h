// Desktop OpenGL without a window: an EGL surfaceless Mesa context drawing
// into a framebuffer object of a fixed size.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct OffscreenContext {
    void* display = nullptr;      // EGLDisplay
    void* context = nullptr;      // EGLContext
    unsigned int framebuffer = 0; // FBO name
    unsigned int colourBuffer = 0; // RGBA8 renderbuffer
    unsigned int depthBuffer = 0;  // depth-24 renderbuffer
    int width = 0;
    int height = 0;
};

// Creates the context, makes it current and binds the FBO for drawing and
// reading. On failure returns false with the reason in error.
bool createOffscreenContext(OffscreenContext& ctx, int width, int height, std::string& error);
void destroyOffscreenContext(OffscreenContext& ctx);
// "renderer, version" of the current context.
std::string offscreenDescription();
// Reads the whole FBO as tightly packed RGB rows, bottom row first.
void readOffscreenPixels(const OffscreenContext& ctx, std::vector<uint8_t>& rgb);
