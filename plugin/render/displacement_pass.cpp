#include "plugin/render/displacement_pass.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "plugin/render/gl_diagnostics.h"
#include "plugin/render/mesh/render_scene.h"
#include "plugin/render/shared_gl_state.h"
#include "plugin/render/surface_program.h"

namespace zel {
namespace {

// Beyond 4 Mi grid vertices (128 MiB of textures) the pass is left out, so that a grid drawn
// before it existed never meets a memory limit because of it.
constexpr std::int64_t kMaxPassVertices = std::int64_t{1} << 22;
// Two RGBA float texels per grid vertex, one per column or row for the coordinates.
constexpr std::int64_t kBytesPerVertex = 2 * 16;
constexpr std::int64_t kBytesPerCoordinate = 16;

bool passSelected()
{
    static const bool selected = [] {
        const char* value = std::getenv(kDisplacementVariable);
        if (value == nullptr || std::strcmp(value, "pass") == 0) {
            return true;
        }
        if (std::strcmp(value, "direct") != 0) {
            std::printf("ZEL: %s=%s is neither \"direct\" nor \"pass\"; using \"pass\"\n", kDisplacementVariable,
                        value);
        }
        return std::strcmp(value, "direct") != 0;
    }();
    return selected;
}

struct PassSize {
    int columns = 0, rows = 0;
    bool chosen = false;
};

PassSize passSize(const GridLayout& layout)
{
    const int columns = layout.columnSegments() + 1, rows = layout.rowSegments() + 1;
    return {columns, rows, passSelected() && std::int64_t{columns} * rows <= kMaxPassVertices};
}

bool driverCanRunPass(const PassSize& size)
{
    GLint largest = 0, drawBuffers = 0, vertexUnits = 0, fragmentUnits = 0, viewport[2] = {};
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    glGetIntegerv(GL_MAX_DRAW_BUFFERS, &drawBuffers);
    glGetIntegerv(GL_MAX_VERTEX_TEXTURE_IMAGE_UNITS, &vertexUnits);
    glGetIntegerv(GL_MAX_TEXTURE_IMAGE_UNITS, &fragmentUnits);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    const bool floatTextures = epoxy_gl_version() >= 30 || epoxy_has_gl_extension("GL_ARB_texture_float");
    return floatTextures && drawBuffers >= 2 && vertexUnits > kDisplacedShapeUnit &&
           fragmentUnits > kGridCoordinateUnit &&
           std::max(size.columns, size.rows) <= std::min({largest, viewport[0], viewport[1]});
}

// A nearest-filtered RGBA float texture of the slot, bound on the active unit.
GLuint floatTexture(GLMemoryObjects& gl, int slot, int width, int height, const float* texels)
{
    const GLuint name = gl.genTexture(slot);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F_ARB, width, height, 0, GL_RGBA, GL_FLOAT, texels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    return name;
}

constexpr int kResultSlots[] = {kDisplacedPositionTexture, kDisplacedShapeTexture};
constexpr int kResultUnits[] = {kDisplacedPositionUnit, kDisplacedShapeUnit};

// The values the walk sends, rounded to floats as GL rounds them: texel k holds column k's x and
// u, row k's y and v.
std::vector<float> gridCoordinates(const GridLayout& layout, const PassSize& size)
{
    const int count = std::max(size.columns, size.rows);
    std::vector<float> coordinates(4 * static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
        float* texel = &coordinates[4 * static_cast<std::size_t>(k)];
        if (k < size.columns) {
            texel[0] = static_cast<float>(layout.x(k));
            texel[1] = static_cast<float>(layout.u(k));
        }
        if (k < size.rows) {
            texel[2] = static_cast<float>(layout.y(k));
            texel[3] = static_cast<float>(layout.v(k));
        }
    }
    return coordinates;
}

// Fills the results; false when the target is incomplete or GL fails. Throws nothing, so that
// the caller's attribute push is always popped.
bool drawPass(FrameContext& frame, const std::vector<float>& coordinates, const PassSize& size)
{
    GLMemoryObjects& gl = frame.gl;
    glActiveTexture(GL_TEXTURE0 + kGridCoordinateUnit);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, gl.genFramebufferEXT(kDisplacementFramebuffer));
    for (int i = 0; i < 2; ++i) {
        const GLuint target = floatTexture(gl, kResultSlots[i], size.columns, size.rows, nullptr);
        glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT + static_cast<GLenum>(i),
                                  GL_TEXTURE_2D, target, 0);
    }
    const GLenum buffers[] = {GL_COLOR_ATTACHMENT0_EXT, GL_COLOR_ATTACHMENT1_EXT};
    glDrawBuffers(2, buffers);
    if (checkFramebufferStatus() != 0 || ZEL_GL_CHECK() != 0) {
        return false;
    }

    const int count = static_cast<int>(coordinates.size() / 4);
    floatTexture(gl, kGridCoordinateTexture, count, 1, coordinates.data());
    if (frame.values.hasAmplitudeLayer) {
        glActiveTexture(GL_TEXTURE5);
        glBindTexture(GL_TEXTURE_2D, gl.name(kAmplitudeTexture));
    }

    const GLuint program = sharedGL().programs()[Program::displacement_shader];
    glUseProgram(program);
    setDisplacementPassUniforms(program, frame.values, count);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glViewport(0, 0, size.columns, size.rows);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRectf(-1, -1, 1, 1);

    for (int i = 0; i < 2; ++i) {
        glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(kResultUnits[i]));
        glBindTexture(GL_TEXTURE_2D, gl.name(kResultSlots[i]));
    }
    return ZEL_GL_CHECK() == 0;
}

}  // namespace

std::int64_t displacementPassBytes(const SurfaceGrid& grid)
{
    const PassSize size = passSize(GridLayout(grid));
    return size.chosen ? std::int64_t{size.columns} * size.rows * kBytesPerVertex +
                             std::int64_t{std::max(size.columns, size.rows)} * kBytesPerCoordinate
                       : 0;
}

DisplacementSource runDisplacementPass(FrameContext& frame)
{
    const GridLayout layout(frame.values.grid);
    const PassSize size = passSize(layout);
    if (!size.chosen || !driverCanRunPass(size) || !sharedGL().passProgramsBuilt()) {
        return {};
    }
    const std::vector<float> coordinates = gridCoordinates(layout, size);
    GLint framebuffer = 0, unit = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &framebuffer);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    glPushAttrib(GL_ENABLE_BIT | GL_POLYGON_BIT | GL_VIEWPORT_BIT);
    const bool drawn = drawPass(frame, coordinates, size);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, static_cast<GLuint>(framebuffer));
    glPopAttrib();
    glActiveTexture(static_cast<GLenum>(unit));
    if (!drawn) {
        frame.gl.deleteFramebuffersEXT(kDisplacementFramebuffer);
        frame.gl.deleteTextures(kGridCoordinateTexture);
        for (const int slot : kResultSlots) {
            frame.gl.deleteTextures(slot);
        }
        return {};
    }
    return {true, layout.columnSegments(), layout.rowSegments()};
}

}  // namespace zel
