#include "recorder/offscreen_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>
#include <cstring>

namespace {

// Framebuffer objects are core since 3.0, beyond what GL/gl.h declares: fetch them.
struct FboFunctions {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
};

FboFunctions fbo;

template <typename F> bool load(F& f, const char* name)
{
    f = reinterpret_cast<F>(eglGetProcAddress(name));
    return f != nullptr;
}

bool loadFboFunctions()
{
    return load(fbo.genFramebuffers, "glGenFramebuffers") && load(fbo.bindFramebuffer, "glBindFramebuffer") &&
           load(fbo.deleteFramebuffers, "glDeleteFramebuffers") && load(fbo.genRenderbuffers, "glGenRenderbuffers") &&
           load(fbo.bindRenderbuffer, "glBindRenderbuffer") &&
           load(fbo.deleteRenderbuffers, "glDeleteRenderbuffers") &&
           load(fbo.renderbufferStorage, "glRenderbufferStorage") &&
           load(fbo.framebufferRenderbuffer, "glFramebufferRenderbuffer") &&
           load(fbo.checkFramebufferStatus, "glCheckFramebufferStatus");
}

std::string eglFailure(const char* what)
{
    char text[128];
    std::snprintf(text, sizeof text, "%s failed (EGL error 0x%04X)", what, static_cast<unsigned>(eglGetError()));
    return text;
}

// Mesa's surfaceless platform: a display without any window system.
bool openSurfacelessDisplay(OffscreenContext& ctx, std::string& error)
{
    const char* extensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!extensions || !std::strstr(extensions, "EGL_MESA_platform_surfaceless")) {
        error = "EGL has no surfaceless platform (EGL_MESA_platform_surfaceless): is Mesa's libEGL installed?";
        return false;
    }
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) {
        error = "eglGetPlatformDisplayEXT is missing";
        return false;
    }
    EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY) {
        error = eglFailure("eglGetPlatformDisplayEXT(surfaceless)");
        return false;
    }
    EGLint major = 0, minor = 0;
    if (!eglInitialize(display, &major, &minor)) {
        error = eglFailure("eglInitialize");
        return false;
    }
    ctx.display = display;
    return true;
}

// A desktop OpenGL context, current without a surface.
bool makeCompatibilityContext(OffscreenContext& ctx, std::string& error)
{
    if (!eglBindAPI(EGL_OPENGL_API)) {
        error = eglFailure("eglBindAPI(OpenGL)");
        return false;
    }
    const EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configCount = 0;
    if (!eglChooseConfig(ctx.display, configAttributes, &config, 1, &configCount) || configCount < 1)
        config = nullptr; // EGL_KHR_no_config_context: the FBO carries the formats
    // The fixed-function drawing needs the compatibility profile.
    const EGLint contextAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                        EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    EGLContext context = eglCreateContext(ctx.display, config, EGL_NO_CONTEXT, contextAttributes);
    if (context == EGL_NO_CONTEXT) {
        error = eglFailure("eglCreateContext(OpenGL compatibility)");
        return false;
    }
    ctx.context = context;
    if (!eglMakeCurrent(ctx.display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
        error = eglFailure("eglMakeCurrent without a surface");
        return false;
    }
    return true;
}

// Colour and depth renderbuffers of ctx's size on one framebuffer, drawn to and read from.
bool attachFramebuffer(OffscreenContext& ctx, std::string& error)
{
    const int width = ctx.width, height = ctx.height;
    if (!loadFboFunctions()) {
        error = "the OpenGL context has no framebuffer objects";
        return false;
    }
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSize);
    if (width > maxSize || height > maxSize) {
        char text[96];
        std::snprintf(text, sizeof text, "%d x %d is larger than the renderer allows (%d)", width, height, maxSize);
        error = text;
        return false;
    }
    fbo.genRenderbuffers(1, &ctx.colourBuffer);
    fbo.bindRenderbuffer(GL_RENDERBUFFER, ctx.colourBuffer);
    fbo.renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    fbo.genRenderbuffers(1, &ctx.depthBuffer);
    fbo.bindRenderbuffer(GL_RENDERBUFFER, ctx.depthBuffer);
    fbo.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    fbo.genFramebuffers(1, &ctx.framebuffer);
    fbo.bindFramebuffer(GL_FRAMEBUFFER, ctx.framebuffer);
    fbo.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, ctx.colourBuffer);
    fbo.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, ctx.depthBuffer);
    const GLenum status = fbo.checkFramebufferStatus(GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE) {
        char text[96];
        std::snprintf(text, sizeof text, "framebuffer incomplete (status 0x%04X)", static_cast<unsigned>(status));
        error = text;
        return false;
    }
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glViewport(0, 0, width, height);
    return true;
}

} // namespace

bool createOffscreenContext(OffscreenContext& ctx, int width, int height, std::string& error)
{
    ctx.width = width;
    ctx.height = height;
    return openSurfacelessDisplay(ctx, error) && makeCompatibilityContext(ctx, error) && attachFramebuffer(ctx, error);
}

void destroyOffscreenContext(OffscreenContext& ctx)
{
    if (ctx.context) {
        if (ctx.framebuffer) fbo.deleteFramebuffers(1, &ctx.framebuffer);
        if (ctx.colourBuffer) fbo.deleteRenderbuffers(1, &ctx.colourBuffer);
        if (ctx.depthBuffer) fbo.deleteRenderbuffers(1, &ctx.depthBuffer);
        eglMakeCurrent(ctx.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(ctx.display, ctx.context);
    }
    if (ctx.display) eglTerminate(ctx.display);
    ctx = OffscreenContext{};
}

std::string offscreenDescription()
{
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    return std::string(renderer ? renderer : "?") + ", OpenGL " + (version ? version : "?");
}

void readOffscreenPixels(const OffscreenContext& ctx, std::vector<uint8_t>& rgb)
{
    rgb.resize(static_cast<size_t>(ctx.width) * static_cast<size_t>(ctx.height) * 3);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, ctx.width, ctx.height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
}
