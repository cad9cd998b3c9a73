#include "plugin/render/layer_upload.h"

#include "plugin/render/gl_diagnostics.h"

namespace zel {
namespace {

using params::TextureFilter;

// Uploads a host layer as it lies in memory (A, R, G, B into r, g, b, a: the shaders swizzle).
void uploadLayer(const PF_LayerDef& layer, int bitsPerChannel)
{
    glPixelStorei(GL_UNPACK_ROW_LENGTH, layer.rowbytes / bytesPerPixel(bitsPerChannel));
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA16F_ARB, layer.width, layer.height, 0, GL_RGBA,
                 hostPixelType(bitsPerChannel), layer.data);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

}  // namespace

GLenum hostPixelType(int bitsPerChannel)
{
    return bitsPerChannel == 32 ? GL_FLOAT : (bitsPerChannel == 16 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_BYTE);
}

PF_Err uploadTextureLayer(FrameContext& frame)
{
    const FrameValues& v = frame.values;
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, frame.gl.genTexture(kTextureLayerTexture));
    const GLint filter = v.textureFilter == TextureFilter::Linear ? GL_LINEAR : GL_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    GLfloat maxAnisotropy = 1.0f;
    glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &maxAnisotropy);
    if (maxAnisotropy > 1.0f && v.anisotropic > 0) {
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT,
                        static_cast<float>((maxAnisotropy - 1) * v.anisotropic + 1));
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, v.grid.texScaleX <= 1.0 ? GL_CLAMP : GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, v.grid.texScaleY <= 1.0 ? GL_CLAMP : GL_REPEAT);
    uploadLayer(v.textureLayer, v.bitsPerChannel);
    glBindTexture(GL_TEXTURE_2D, 0);
    if (ZEL_GL_CHECK() != 0) {
        return failFrame(frame, "ZEL OpenGL error: Could not create TextureLayer");
    }
    return PF_Err_NONE;
}

PF_Err uploadAmplitudeLayer(FrameContext& frame)
{
    const FrameValues& v = frame.values;
    glActiveTexture(GL_TEXTURE5);
    glBindTexture(GL_TEXTURE_2D, frame.gl.genTexture(kAmplitudeTexture));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    uploadLayer(v.amplitudeLayer, v.bitsPerChannel);
    const bool failed = ZEL_GL_CHECK() != 0;
    glActiveTexture(GL_TEXTURE0);
    if (failed) {
        return failFrame(frame, "ZEL OpenGL error: Could not create FTextureLayer");
    }
    return PF_Err_NONE;
}

}  // namespace zel
