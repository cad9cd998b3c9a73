// The module's own OpenGL context, made without a window: a desktop OpenGL compatibility-profile
// context on EGL, with a pixel-format step and a renderer-memory query in the manner of the
// desktop context interfaces the effect was designed around.
#pragma once

#include <vector>

namespace zel::platform {

// Pixel-format attributes; a list ends with kPFAEnd. Sizes follow their attribute.
enum PixelFormatAttribute : int {
    kPFAEnd = 0,
    kPFAWindow,         // a format a window could use
    kPFAMinimumPolicy,  // sizes are minimums
    kPFAColorSize,      // bits per pixel of colour, all channels together
    kPFAColorFloat,     // floating-point colour
    kPFANoRecovery,     // no fallback to another renderer
    kPFADepthSize,      // bits of depth
};

struct PixelFormat;
struct Context;

// The operations the module needs of a context platform. Tests substitute failing ones.
struct ContextPlatform {
    // The best format for the attribute list, or null when there is no display or no match.
    PixelFormat* (*choosePixelFormat)(const int* attributes);
    void (*destroyPixelFormat)(PixelFormat* format);
    // A context of the format, or null; the context outlives its format.
    Context* (*createContext)(const PixelFormat* format);
    void (*destroyContext)(Context* context);
    // Makes the context current on the calling thread; null makes no context current.
    bool (*setCurrentContext)(Context* context);
    // Texture memory of each renderer the current context could run on, in megabytes.
    std::vector<int> (*rendererTextureMemoryMegabytes)();
};

// EGL: an EGL device first (headless GPUs), then the surfaceless platform, then the default
// display.
const ContextPlatform& eglContextPlatform();

}  // namespace zel::platform
