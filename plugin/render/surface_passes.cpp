#include "plugin/render/surface_passes.h"

#include <epoxy/gl.h>

#include "plugin/render/displacement_pass.h"
#include "plugin/render/draw_state.h"
#include "plugin/render/gl_diagnostics.h"
#include "plugin/render/mesh/gl_vertex_sink.h"
#include "plugin/render/mesh/render_scene.h"
#include "plugin/render/surface_program.h"

namespace zel {

PF_Err drawSurfacePasses(FrameContext& frame)
{
    const FrameValues& v = frame.values;
    const DisplacementSource source = runDisplacementPass(frame);
    GLuint program = 0;
    if (const PF_Err err = useSurfaceProgram(frame, source.pass, program)) {
        return err;
    }
    if (program != 0) {
        glEnable(GL_TEXTURE_1D);
        glEnable(GL_TEXTURE_2D);
        setMainPassUniforms(program, v, source);
    }
    setBlendAndDepth(v);
    setProjectionAndClear(frame);
    glDisable(GL_TEXTURE_2D);
    glColor4d(v.grid.color[0], v.grid.color[1], v.grid.color[2], v.grid.opacity);
    setLights(v);
    glLineWidth(static_cast<float>(v.lineSize * v.downsampleX));
    glPointSize(static_cast<float>(v.pointSize * v.downsampleX));
    setPolygonMode(v.grid.draw);

    GLVertexSink sink;
    const unsigned int amplitude = v.hasAmplitudeLayer ? frame.gl.name(kAmplitudeTexture) : 0;
    const unsigned int color = v.textureMode != 0 ? frame.gl.name(kTextureLayerTexture) : 0;
    RenderScene(sink, v.grid, {color, amplitude});

    if (v.secondPass == params::SecondPass::Wireframe) {
        glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT);
        useSecondPassProgram(v, source);
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        glDepthFunc(GL_LEQUAL);
        glLineWidth(static_cast<float>(v.spLineSize * v.downsampleX));
        glDisable(GL_BLEND);
        // An opaque overlay in the second pass's colour, untextured.
        SurfaceGrid overlay = v.grid;
        overlay.opacity = 1.0;
        overlay.color = v.spColor;
        overlay.draw = params::Draw::Wireframe;
        RenderScene(sink, overlay, {0, amplitude});
        glDepthFunc(GL_LESS);
    }

    if (ZEL_GL_CHECK() != 0) {
        return failFrame(frame, "ZEL: OpenGL error before glFlush()");
    }
    glFinish();
    if (ZEL_GL_CHECK() != 0) {
        return failFrame(frame, "ZEL: OpenGL error after glFlush()");
    }
    return PF_Err_NONE;
}

}  // namespace zel
