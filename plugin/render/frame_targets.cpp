#include "plugin/render/frame_targets.h"

#include <algorithm>

#include "plugin/render/shared_gl_state.h"
#include "plugin/host/aefx_suites.h"
#include "plugin/render/displacement_pass.h"
#include "plugin/render/gl_diagnostics.h"
#include "plugin/render/memory_check.h"

namespace zel {
namespace {

void deleteResolveTargets(GLMemoryObjects& gl)
{
    gl.deleteTextures(kResolvedColorTexture);
    gl.deleteTextures(kPostProcessTexture);
    gl.deleteTextures(kResolvedNormalDepthTexture);
    gl.deleteFramebuffersEXT(kResolveFramebuffer);
}

void deleteMultisampleTargets(GLMemoryObjects& gl, bool depthToo)
{
    if (depthToo) {
        gl.deleteRenderbuffersEXT(kMultisampleDepthBuffer);
    }
    gl.deleteRenderbuffersEXT(kMultisampleColorBuffer);
    gl.deleteRenderbuffersEXT(kMultisampleNormalDepthBuffer);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    gl.deleteFramebuffersEXT(kMultisampleFramebuffer);
}

void attachResolveTexture(GLMemoryObjects& gl, int slot, GLenum attachment, GLint filter, bool clamp,
                          const FrameValues& v)
{
    glBindTexture(GL_TEXTURE_2D, gl.genTexture(slot));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    if (clamp) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    }
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA16F_ARB, v.bufferWidth, v.bufferHeight, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, nullptr);
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, attachment, GL_TEXTURE_2D, gl.name(slot), 0);
    glBindTexture(GL_TEXTURE_2D, 0);
}

// A multisample renderbuffer in its slot; false when GL reported an error.
bool allocateRenderbuffer(FrameContext& frame, int slot, GLenum format)
{
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, frame.gl.genRenderbufferEXT(slot));
    glRenderbufferStorageMultisampleEXT(GL_RENDERBUFFER_EXT, frame.sampleCount, format,
                                        frame.values.bufferWidth, frame.values.bufferHeight);
    return ZEL_GL_CHECK() == 0;
}

PF_Err failAllocation(FrameContext& frame, const char* what)
{
    return failFrame(frame, formatMessage("ZEL: OpenGL error: Could not allocate multisample %s "
                                          "sample=%d w=%d h=%d",
                                          what, frame.sampleCount, frame.values.bufferWidth,
                                          frame.values.bufferHeight));
}

void reportFallback(FrameContext& frame)
{
    const PF_AdvAppSuite1* panel = nullptr;
    acquireSuite(frame.in_data, frame.out_data, "Failed to acquire AdvAppSuite1.", &panel);
    if (panel != nullptr) {
        panel->PF_InfoDrawText(frame.values.bitsPerChannel == 16
                                   ? "ZEL: Failed to allocate Multisample RGBA16 switching to RGBA8"
                                   : "ZEL: Failed to allocate Multisample RGBAF switching to RGBA8",
                               nullptr);
        releaseSuite<PF_AdvAppSuite1>(frame.in_data, frame.out_data, "Failed to release AdvAppSuite1.");
    }
}

PF_Err allocateMultisampleFramebuffer(FrameContext& frame)
{
    GLenum colorFormat = GL_RGBA16F_ARB;
    const bool ssao = frame.values.ssaoEnabled;
    for (;;) {
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, frame.gl.genFramebufferEXT(kMultisampleFramebuffer));
        if (!allocateRenderbuffer(frame, kMultisampleColorBuffer, colorFormat)) {
            deleteResolveTargets(frame.gl);
            return failAllocation(frame, "ColorBuffer");
        }
        if (ssao && !allocateRenderbuffer(frame, kMultisampleNormalDepthBuffer, colorFormat)) {
            deleteResolveTargets(frame.gl);
            return failAllocation(frame, "ColorBuffer SSAO");
        }
        if (!allocateRenderbuffer(frame, kMultisampleDepthBuffer, GL_DEPTH_COMPONENT24)) {
            deleteMultisampleTargets(frame.gl, false);
            deleteResolveTargets(frame.gl);
            return failAllocation(frame, "DepthBuffer");
        }
        glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_RENDERBUFFER_EXT,
                                     frame.gl.name(kMultisampleColorBuffer));
        if (ssao) {
            glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT1_EXT,
                                         GL_RENDERBUFFER_EXT, frame.gl.name(kMultisampleNormalDepthBuffer));
        }
        glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT,
                                     frame.gl.name(kMultisampleDepthBuffer));

        if (checkFramebufferStatus() == 0) {
            if (ZEL_GL_CHECK() != 0) {
                deleteMultisampleTargets(frame.gl, true);
                deleteResolveTargets(frame.gl);
                return failFrame(frame, "ZEL: OpenGL error: Could not attach RB and DB to FBO");
            }
            return PF_Err_NONE;
        }
        if (frame.values.bitsPerChannel == 8 || colorFormat == GL_RGBA8) {
            deleteMultisampleTargets(frame.gl, true);
            deleteResolveTargets(frame.gl);
            return failFrame(frame, "ZEL: OpenGL error: glCheckFramebufferStatusEXT failed");
        }
        // Deep frames get one more try in 8-bit colour without multisampling.
        reportFallback(frame);
        frame.gl.deleteRenderbuffersEXT(kMultisampleDepthBuffer);
        frame.gl.deleteRenderbuffersEXT(kMultisampleColorBuffer);
        frame.gl.deleteRenderbuffersEXT(kMultisampleNormalDepthBuffer);
        frame.sampleCount = 0;
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
        colorFormat = GL_RGBA8;
        frame.gl.deleteFramebuffersEXT(kMultisampleFramebuffer);
    }
}

}  // namespace

PF_Err allocateFrameTargets(FrameContext& frame)
{
    const FrameValues& v = frame.values;
    GLint maxTextureSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
    if (maxTextureSize < v.bufferWidth || maxTextureSize < v.bufferHeight) {
        frame.host->showWarning(formatMessage("ZEL: Error reached Maximum Video Memory (%d x %d )",
                                              maxTextureSize, maxTextureSize)
                                    .c_str());
        return PF_Err_GENERIC;
    }

    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, frame.gl.genFramebufferEXT(kResolveFramebuffer));
    attachResolveTexture(frame.gl, kResolvedColorTexture, GL_COLOR_ATTACHMENT0_EXT, GL_LINEAR, false, v);
    if (v.ssaoEnabled) {
        attachResolveTexture(frame.gl, kResolvedNormalDepthTexture, GL_COLOR_ATTACHMENT1_EXT, GL_NEAREST,
                             true, v);
    }
    if (ZEL_GL_CHECK() != 0) {
        return failFrame(frame, "ZEL: OpenGL error: Could not allocate texFBO");
    }

    GLint maxSamples = 0;
    glGetIntegerv(GL_MAX_SAMPLES_EXT, &maxSamples);
    frame.sampleCount = std::min(maxSamples, v.multisampleRequest);

    if (const std::optional<std::int64_t> budgetKb = memoryBudgetKb(v.memoryCheck, sharedGL().free_mem_kb())) {
        const FrameMemory need{v.bufferWidth, v.bufferHeight, frame.sampleCount, v.ssaoEnabled,
                               v.textureMode, v.textureLayer.width, v.textureLayer.height,
                               v.bitsPerChannel, displacementPassBytes(v.grid)};
        const std::int64_t required = requiredBytes(need);
        const std::int64_t available = *budgetKb * 1024;
        if (required > available) {
            frame.host->showWarning(
                formatMessage("ZEL: Not enough VRAM video memory on GPU\n(req: %0.0f MB avail: %0.0f "
                              "MB)\nTry decreasing Multisample and/or turn SSAO off. Or if you feel "
                              "lucky, disable Memory Check",
                              static_cast<double>(required) / 1024 / 1024,
                              static_cast<double>(available) / 1024 / 1024)
                    .c_str());
            return PF_Err_OUT_OF_MEMORY;
        }
    }
    return allocateMultisampleFramebuffer(frame);
}

}  // namespace zel
