#include "plugin/render/draw_state.h"

#include <epoxy/gl.h>

#include <GL/glu.h>

#include <cmath>

namespace zel {
namespace {

using params::Blend;
using params::Draw;
using params::Shader;

constexpr double kDegreesPerRadian = 0.017453292519943295;

}  // namespace

void setBlendAndDepth(const FrameValues& v)
{
    if (v.effectiveBlend == Blend::Add || v.effectiveBlend == Blend::SuperAdd) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
    } else if (v.effectiveBlend == Blend::Normal) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    } else {
        glDisable(GL_BLEND);
    }
    if (v.depthBuffer == params::DepthBuffer::On) {
        glEnable(GL_DEPTH_TEST);
    } else {
        glDisable(GL_DEPTH_TEST);
    }
}

void setProjectionAndClear(const FrameContext& frame)
{
    const FrameValues& v = frame.values;
    const int width = frame.in_data->width;
    const int height = frame.in_data->height;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const double halfAngle = std::atan2(0.5 * height, v.planeDistance);
    if (v.ssaoEnabled) {
        // The normal-and-depth target starts at the far depth, so empty pixels occlude nothing.
        glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glDrawBuffer(GL_COLOR_ATTACHMENT1_EXT);
        glClearColor(0, 0, 0, static_cast<float>(-v.farClip));
        glClear(GL_COLOR_BUFFER_BIT);
        const GLenum both[] = {GL_COLOR_ATTACHMENT0_EXT, GL_COLOR_ATTACHMENT1_EXT};
        glDrawBuffers(2, both);
    }
    if (v.isPerspective) {
        gluPerspective(2 * halfAngle / kDegreesPerRadian,
                       width * v.pixelAspect / height, v.nearClip, v.farClip);
    } else {
        glOrtho(-(width / 2), width / 2, -(height / 2), height / 2, 1.0, 100000.0);
    }
    glViewport(0, 0, v.bufferWidth, v.bufferHeight);
    if (v.ssaoEnabled) {
        glClear(GL_DEPTH_BUFFER_BIT);
    } else {
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glLoadMatrixd(v.viewMatrix.data());
}

void setLights(const FrameValues& v)
{
    // A value that names no shader draws unlit.
    if (v.shader != Shader::Density && v.shader != Shader::Phong && v.shader != Shader::Flat) {
        glDisable(GL_LIGHTING);
        return;
    }
    glEnable(GL_LIGHTING);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 0);
    const GLfloat ambient[4] = {static_cast<float>(v.ambientColor[0] * v.ambient),
                                static_cast<float>(v.ambientColor[1] * v.ambient),
                                static_cast<float>(v.ambientColor[2] * v.ambient), 1.0f};
    for (int i = 0; i < v.lightCount; ++i) {
        const LightRecord& light = v.lights[static_cast<std::size_t>(i)];
        const GLenum id = static_cast<GLenum>(GL_LIGHT0 + i);
        glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
        glEnable(id);
        const float intensity = static_cast<float>(light.intensity);
        const GLfloat color[4] = {static_cast<float>(light.color[0]) * intensity,
                                  static_cast<float>(light.color[1]) * intensity,
                                  static_cast<float>(light.color[2]) * intensity, 1.0f};
        glLightfv(id, GL_DIFFUSE, color);
        glLightfv(id, GL_SPECULAR, color);
        const GLfloat position[4] = {static_cast<float>(light.position[0]), static_cast<float>(light.position[1]),
                                     static_cast<float>(light.position[2]), 1.0f};
        glLightfv(id, GL_POSITION, position);
        const GLfloat direction[3] = {static_cast<float>(light.direction[0]), static_cast<float>(light.direction[1]),
                                      static_cast<float>(light.direction[2])};
        glLightfv(id, GL_SPOT_DIRECTION, direction);
        glLightf(id, GL_SPOT_EXPONENT, static_cast<float>(light.exponentBase) * 100.0f);
        glLightf(id, GL_SPOT_CUTOFF, static_cast<float>(light.cutoff));
    }
}

void setPolygonMode(Draw draw)
{
    switch (draw) {
    case Draw::Wireframe: glPolygonMode(GL_FRONT_AND_BACK, GL_LINE); break;
    case Draw::Points: glPolygonMode(GL_FRONT_AND_BACK, GL_POINT); break;
    case Draw::FrontFillBackWire:
        glPolygonMode(GL_FRONT, GL_FILL);
        glPolygonMode(GL_BACK, GL_LINE);
        break;
    case Draw::Fill:
    default: glPolygonMode(GL_FRONT_AND_BACK, GL_FILL); break;
    }
}

}  // namespace zel
