#include "plugin/render/post_process.h"

#include <epoxy/gl.h>

#include <GL/glu.h>

#include <algorithm>

#include "plugin/render/gl_diagnostics.h"
#include "plugin/render/layer_upload.h"
#include "plugin/render/shared_gl_state.h"

namespace zel {
namespace {

// The occlusion radius is given for a camera at the default zoom of a 1244.4-pixel image plane.
constexpr double kReferenceZoom = 1244.4;

void blit(const FrameValues& v, GLenum attachment)
{
    glReadBuffer(attachment);
    glDrawBuffer(attachment);
    glBlitFramebufferEXT(0, 0, v.bufferWidth, v.bufferHeight, 0, 0, v.bufferWidth, v.bufferHeight,
                         GL_COLOR_BUFFER_BIT, GL_NEAREST);
}

void resolve(FrameContext& frame)
{
    const GLuint multisample = frame.gl.name(kMultisampleFramebuffer);
    const GLuint resolved = frame.gl.name(kResolveFramebuffer);
    glBindFramebufferEXT(GL_READ_FRAMEBUFFER_EXT, multisample);
    glBindFramebufferEXT(GL_DRAW_FRAMEBUFFER_EXT, resolved);
    if (frame.values.ssaoEnabled) {
        blit(frame.values, GL_COLOR_ATTACHMENT1_EXT);
        glReadBuffer(GL_COLOR_ATTACHMENT0_EXT);
        glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT);
    }
    glBindFramebufferEXT(GL_READ_FRAMEBUFFER_EXT, multisample);
    glBindFramebufferEXT(GL_DRAW_FRAMEBUFFER_EXT, resolved);
    blit(frame.values, GL_COLOR_ATTACHMENT0_EXT);
    ZEL_GL_CHECK();
}

void releaseDrawingTargets(FrameContext& frame)
{
    glUseProgram(0);
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);

    GLMemoryObjects& gl = frame.gl;
    gl.deleteRenderbuffersEXT(kMultisampleDepthBuffer);
    gl.deleteRenderbuffersEXT(kMultisampleColorBuffer);
    gl.deleteRenderbuffersEXT(kMultisampleNormalDepthBuffer);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    gl.deleteFramebuffersEXT(kMultisampleFramebuffer);
    gl.deleteFramebuffersEXT(kResolveFramebuffer);
    // The texture layer has been drawn; freeing it now keeps the peak memory down.
    if (frame.values.textureMode != 0) {
        gl.deleteTextures(kTextureLayerTexture);
        frame.values.textureMode = 0;
    }
}

PF_Err preparePostProcessFramebuffer(FrameContext& frame)
{
    GLMemoryObjects& gl = frame.gl;
    const FrameValues& v = frame.values;
    glBindTexture(GL_TEXTURE_2D, gl.genTexture(kPostProcessTexture));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA16F_ARB, v.bufferWidth, v.bufferHeight, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);

    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, gl.genFramebufferEXT(kResolveFramebuffer));
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D,
                              gl.name(kResolvedColorTexture), 0);
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT1_EXT, GL_TEXTURE_2D,
                              gl.name(kPostProcessTexture), 0);
    if (v.ssaoEnabled) {
        glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT2_EXT, GL_TEXTURE_2D,
                                  gl.name(kResolvedNormalDepthTexture), 0);
    }
    if (checkFramebufferStatus() != 0) {
        return failFrame(frame, "ZEL: OpenGL error: PostProcess glCheckFramebufferStatusEXT failed");
    }
    if (ZEL_GL_CHECK() != 0) {
        return failFrame(frame, "ZEL: OpenGL error: Could not allocate texFBO");
    }
    return PF_Err_NONE;
}

void setPostProcessUniforms(const FrameContext& frame, GLuint program, bool occlusion)
{
    const FrameValues& v = frame.values;
    glUniform1i(getUniLoc(program, "postpixeltransf"), v.bitsPerChannel);
    glUniform1i(getUniLoc(program, "superadd"), v.effectiveBlend == params::Blend::SuperAdd ? 1 : 0);
    glUniform1i(getUniLoc(program, "colorTexture"), 0);
    if (!occlusion) {
        return;
    }
    glUniform1i(getUniLoc(program, "normal_and_depth_buffer"), 2);
    glUniform1i(getUniLoc(program, "enableSSAO"), params::number(v.ambientOcclusion));
    glUniform1f(getUniLoc(program, "AOIntensity"), static_cast<float>(v.aoIntensity));
    glUniform1f(getUniLoc(program, "AORadius"), static_cast<float>(v.aoRadius * v.planeDistance / kReferenceZoom));
    glUniform1f(getUniLoc(program, "AOBias"), static_cast<float>(v.aoLift));
    glUniform1f(getUniLoc(program, "AOScale"), static_cast<float>(v.aoScale));
    glUniform3fv(getUniLoc(program, "AOSamplePattern"), 32, SSAOSamplePattern);
    glUniform1f(getUniLoc(program, "w"), static_cast<float>(frame.in_data->width));
    glUniform1f(getUniLoc(program, "h"), static_cast<float>(frame.in_data->height));
    glUniform1f(getUniLoc(program, "zoom"), static_cast<float>(v.planeDistance));
    glUniform1i(getUniLoc(program, "randTexture"), 4);
    glUniform1f(getUniLoc(program, "FogDistance"), static_cast<float>(v.fogStart));
    glUniform1f(getUniLoc(program, "divFogRange"), static_cast<float>(v.fogReciprocal));
}

void drawFullScreenPass(FrameContext& frame)
{
    const FrameValues& v = frame.values;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0, 1, 0, 1);
    glViewport(0, 0, v.bufferWidth, v.bufferHeight);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDrawBuffer(GL_COLOR_ATTACHMENT1_EXT);
    if (v.ssaoEnabled) {
        glActiveTexture(GL_TEXTURE2);
        glBindTexture(GL_TEXTURE_2D, frame.gl.name(kResolvedNormalDepthTexture));
    }
    // The surface pass may have left the amplitude layer's unit active.
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, frame.gl.name(kResolvedColorTexture));

    const bool occlusion = frame.gl.inUse(kResolvedNormalDepthTexture);
    const GLuint program = sharedGL().programs()[occlusion ? Program::postprocess_ssao_shader
                                                           : Program::postprocess_shader];
    glUseProgram(program);
    setPostProcessUniforms(frame, program, occlusion);

    glEnable(GL_TEXTURE_2D);
    glBegin(GL_QUADS);
    for (const auto& [s, t] : {std::pair{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}}) {
        glTexCoord2f(s, t);
        glVertex2f(s, t);
    }
    glEnd();
    glUseProgram(0);
    glBindTexture(GL_TEXTURE_2D, frame.gl.name(kPostProcessTexture));
    glEnable(GL_TEXTURE_2D);
}

// Reads the result into the output world, row 0 of the texture into the world's first row. Only
// the part of the frame that lies inside the world is written.
PF_Err transfer(FrameContext& frame)
{
    const FrameValues& v = frame.values;
    const PF_LayerDef& world = *frame.output;
    const GLenum type = hostPixelType(v.bitsPerChannel);
    const int rowPixels = world.rowbytes / bytesPerPixel(v.bitsPerChannel);
    if (world.data == nullptr || world.width < 0 || world.height < 0 || rowPixels < world.width) {
        return failFrame(frame, "ZEL: The output buffer cannot hold the frame: its rows are shorter "
                                "than its width, or it has no pixels.");
    }
    const int width = std::min(v.bufferWidth, world.width);
    const int height = std::min(v.bufferHeight, world.height);
    glPixelStorei(GL_PACK_ROW_LENGTH, rowPixels);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (width == v.bufferWidth && height == v.bufferHeight) {
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, type, world.data);
    } else {
        glReadBuffer(GL_COLOR_ATTACHMENT1_EXT);
        glReadPixels(0, 0, width, height, GL_RGBA, type, world.data);
    }
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return PF_Err_NONE;
}

}  // namespace

PF_Err resolvePostProcessAndTransfer(FrameContext& frame)
{
    resolve(frame);
    releaseDrawingTargets(frame);
    if (const PF_Err err = preparePostProcessFramebuffer(frame)) {
        return err;
    }
    drawFullScreenPass(frame);
    return transfer(frame);
}

}  // namespace zel
