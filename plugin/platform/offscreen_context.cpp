#include "plugin/platform/offscreen_context.h"

#include <epoxy/egl.h>
#include <epoxy/gl.h>
#include <unistd.h>

#include <array>
#include <string_view>

namespace zel::platform {

struct PixelFormat {
    EGLDisplay display;
    EGLConfig config;
};

struct Context {
    EGLDisplay display;
    EGLContext context;
};

namespace {

bool hasExtension(const char* extensions, std::string_view name)
{
    if (extensions == nullptr) {
        return false;
    }
    for (std::string_view rest(extensions); !rest.empty();) {
        const std::size_t end = rest.find(' ');
        if (rest.substr(0, end) == name) {
            return true;
        }
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    return false;
}

bool initialize(EGLDisplay display)
{
    EGLint major = 0;
    EGLint minor = 0;
    return display != EGL_NO_DISPLAY && eglInitialize(display, &major, &minor) == EGL_TRUE;
}

EGLDisplay deviceDisplay(const char* clientExtensions)
{
    if (!hasExtension(clientExtensions, "EGL_EXT_platform_device") ||
        !hasExtension(clientExtensions, "EGL_EXT_device_enumeration")) {
        return EGL_NO_DISPLAY;
    }
    std::array<EGLDeviceEXT, 16> devices{};
    EGLint count = 0;
    if (eglQueryDevicesEXT(static_cast<EGLint>(devices.size()), devices.data(), &count) != EGL_TRUE) {
        return EGL_NO_DISPLAY;
    }
    for (EGLint i = 0; i < count; ++i) {
        EGLDisplay display = eglGetPlatformDisplayEXT(EGL_PLATFORM_DEVICE_EXT, devices[static_cast<std::size_t>(i)], nullptr);
        if (initialize(display)) {
            return display;
        }
    }
    return EGL_NO_DISPLAY;
}

// The display is initialised once and kept: other code in the host process may share it, and
// terminating it would end their contexts too.
EGLDisplay offscreenDisplay()
{
    static const EGLDisplay display = [] {
        const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
        if (EGLDisplay device = deviceDisplay(clientExtensions); device != EGL_NO_DISPLAY) {
            return device;
        }
        if (hasExtension(clientExtensions, "EGL_MESA_platform_surfaceless")) {
            EGLDisplay surfaceless = eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA,
                                                              EGL_DEFAULT_DISPLAY, nullptr);
            if (initialize(surfaceless)) {
                return surfaceless;
            }
        }
        EGLDisplay fallback = eglGetDisplay(EGL_DEFAULT_DISPLAY);
        return initialize(fallback) ? fallback : EGL_NO_DISPLAY;
    }();
    return display;
}

struct Request {
    int colorBits = 0;
    int depthBits = 0;
    bool floatColor = false;
};

Request readAttributes(const int* attributes)
{
    Request request;
    for (const int* a = attributes; a != nullptr && *a != kPFAEnd; ++a) {
        switch (*a) {
        case kPFAColorSize: request.colorBits = *++a; break;
        case kPFADepthSize: request.depthBits = *++a; break;
        case kPFAColorFloat: request.floatColor = true; break;
        default: break;  // window, policy and recovery have no meaning off screen
        }
    }
    return request;
}

bool chooseConfig(EGLDisplay display, const Request& request, bool exactColor, EGLConfig* config)
{
    const EGLint channelBits = exactColor ? request.colorBits / 4 : 8;
    std::vector<EGLint> attributes = {
        EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
        EGL_SURFACE_TYPE, 0,  // no surface: the context is made current without one
        EGL_RED_SIZE, channelBits, EGL_GREEN_SIZE, channelBits, EGL_BLUE_SIZE, channelBits,
        EGL_ALPHA_SIZE, channelBits,
        EGL_DEPTH_SIZE, request.depthBits};
    if (exactColor && request.floatColor) {
        attributes.insert(attributes.end(),
                          {EGL_COLOR_COMPONENT_TYPE_EXT, EGL_COLOR_COMPONENT_TYPE_FLOAT_EXT});
    }
    attributes.push_back(EGL_NONE);
    EGLint count = 0;
    return eglChooseConfig(display, attributes.data(), config, 1, &count) == EGL_TRUE && count > 0;
}

PixelFormat* choosePixelFormat(const int* attributes)
{
    const EGLDisplay display = offscreenDisplay();
    if (display == EGL_NO_DISPLAY) {
        return nullptr;
    }
    // The effect draws into framebuffer objects of its own, so a display whose configurations
    // lack deep or floating-point colour still serves it: such a format is the second choice.
    const Request request = readAttributes(attributes);
    EGLConfig config = nullptr;
    if (chooseConfig(display, request, true, &config) || chooseConfig(display, request, false, &config)) {
        return new PixelFormat{display, config};
    }
    return nullptr;
}

void destroyPixelFormat(PixelFormat* format)
{
    delete format;
}

Context* createContext(const PixelFormat* format)
{
    if (format == nullptr || eglBindAPI(EGL_OPENGL_API) != EGL_TRUE) {
        return nullptr;
    }
    const EGLint attributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                 EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    const EGLContext context = eglCreateContext(format->display, format->config, EGL_NO_CONTEXT, attributes);
    if (context == EGL_NO_CONTEXT) {
        return nullptr;
    }
    return new Context{format->display, context};
}

void destroyContext(Context* context)
{
    if (context == nullptr) {
        return;
    }
    if (eglGetCurrentContext() == context->context) {
        eglMakeCurrent(context->display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    }
    eglDestroyContext(context->display, context->context);
    delete context;
}

bool setCurrentContext(Context* context)
{
    if (context == nullptr) {
        const EGLDisplay current = eglGetCurrentDisplay();
        return current == EGL_NO_DISPLAY ||
               eglMakeCurrent(current, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT) == EGL_TRUE;
    }
    return eglMakeCurrent(context->display, EGL_NO_SURFACE, EGL_NO_SURFACE, context->context) == EGL_TRUE;
}

bool isSoftwareRenderer(std::string_view renderer)
{
    for (std::string_view name : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer"}) {
        if (renderer.find(name) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

std::vector<int> rendererTextureMemoryMegabytes()
{
    if (eglGetCurrentContext() == EGL_NO_CONTEXT) {
        return {};
    }
    if (epoxy_has_gl_extension("GL_NVX_gpu_memory_info")) {
        GLint kilobytes = 0;
        glGetIntegerv(GL_GPU_MEMORY_INFO_DEDICATED_VIDMEM_NVX, &kilobytes);
        return {kilobytes / 1024};
    }
    if (epoxy_has_gl_extension("GL_ATI_meminfo")) {
        GLint free[4] = {};  // total free, largest block, and the same for auxiliary memory
        glGetIntegerv(GL_TEXTURE_FREE_MEMORY_ATI, free);
        return {free[0] / 1024};
    }
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    if (renderer != nullptr && isSoftwareRenderer(renderer)) {
        // A software renderer keeps its textures in the machine's own memory.
        const long long bytes = static_cast<long long>(sysconf(_SC_PHYS_PAGES)) * sysconf(_SC_PAGE_SIZE);
        return {static_cast<int>(bytes / (1024 * 1024))};
    }
    return {};
}

}  // namespace

const ContextPlatform& eglContextPlatform()
{
    static const ContextPlatform platform = {choosePixelFormat, destroyPixelFormat, createContext,
                                             destroyContext, setCurrentContext,
                                             rendererTextureMemoryMegabytes};
    return platform;
}

}  // namespace zel::platform
