// Every value one frame is drawn with, derived once from the parameters at the frame's time, the
// composition's camera and its lights, and only read afterwards.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "plugin/params/choices.h"
#include "plugin/render/mesh/surface_grid.h"
#include "sdk/pf_effect.h"

namespace zel {

using Matrix4 = std::array<double, 16>;  // row-major

struct LightRecord {
    std::array<double, 3> position{};
    std::array<double, 3> direction{};
    std::array<double, 3> color{};  // 0..1
    double cutoff = 0;              // degrees
    double exponentBase = 0;        // cone feather * 0.01
    double intensity = 0;           // * 0.01
};

inline constexpr int kMaxLights = 8;

struct FrameValues {
    // Output and resolution.
    int bitsPerChannel = 8;
    double downsampleX = 1, downsampleY = 1;
    int bufferWidth = 0, bufferHeight = 0;
    double pixelAspect = 1;

    // Geometry: the grid and its instances, and the bends the shader applies.
    SurfaceGrid grid;
    int multisampleRequest = 0;
    double bendX = 0, bendY = 0, fbendX = 0, fbendY = 0;

    // Noise.
    double F = 0;  // base frequency
    std::array<double, 3> amplitude{};
    std::array<double, 3> frequency{};
    std::array<double, 3> frequencyPercent{};  // "Frequency X/Y/Z" * 0.01
    int complexity = 0;
    params::FractalType fractalType = params::FractalType::Regular;
    double octScale = 0, octMult = 0;
    double octaveSum = 0;
    double noiseNormaliser = 1;
    double zFloor = 0, zCeil = 0;
    double zAdd = 0, zMultiplier = 1;
    double epsilon = 0;
    double offsetX = 0, offsetY = 0, offsetZ = 0, evolution = 0;  // the scroll is the grid's

    // Seamless loop.
    double loopX = 0, loopY = 0, loopZ = 0, loopEvolution = 0;
    bool looping = false;
    Matrix4 loopMatrix{};
    double loopW = 0;
    std::array<float, 4> Ex{}, Ey{}, Ez{}, Ox{};

    // Material and shading.
    std::array<double, 3> spColor{}, fogColor{};  // 0..1; the surface colour is the grid's
    double ambient = 1, diffuse = 1, specular = 1, shininess = 10;
    params::Shader shader = params::Shader::Density;
    params::Blend blend = params::Blend::Add;
    params::DepthBuffer depthBuffer = params::DepthBuffer::Off;
    double lineSize = 1, pointSize = 1;
    double densityAffect = 1, normalAffect = 0.5;
    params::Falloff falloff = params::Falloff::None;
    float Fk = 0, Fm = 0, Fr2 = 0;
    params::SecondPass secondPass = params::SecondPass::Off;
    double spLineSize = 1;
    params::AmbientOcclusion ambientOcclusion = params::AmbientOcclusion::Off;
    bool ssaoEnabled = false;
    double aoIntensity = 0, aoRadius = 0, aoLift = 0, aoScale = 0;
    params::MemoryCheck memoryCheck = params::MemoryCheck::Auto;
    bool flatQuadMode = false;
    params::Blend effectiveBlend = params::Blend::Add;

    // Visibility.
    double nearClip = 1, farClip = 2;
    double fogStart = 0, fogEnd = 0, fogReciprocal = 0;

    // Texture and amplitude layers.
    params::TextureFilter textureFilter = params::TextureFilter::Nearest;
    double anisotropic = 0;
    params::TextureCoordinates textureCoordinates = params::TextureCoordinates::RegularXY;
    int textureMode = 0;  // 0 without a texture layer, else the texture coordinates' number
    PF_LayerDef textureLayer{};
    PF_LayerDef amplitudeLayer{};
    bool hasAmplitudeLayer = false;

    // Camera and lights.
    Matrix4 cameraMatrix{};
    double planeDistance = 0;
    bool isPerspective = true;
    Matrix4 viewMatrix{};
    std::array<LightRecord, kMaxLights> lights{};
    int lightCount = 0;
    std::array<double, 3> ambientColor{};
};

// The colour of a colour parameter on a 0..255 scale, or false when the host cannot give it.
using FloatColorSource = std::function<bool(int index, int diskId, double rgb[3])>;

// 4 gives 32, 0 gives 8, any other pixel type 16.
int bitsPerChannelOf(int pixelType);

// The bytes of one host pixel, four channels: 16 at 32 bits, 8 at 16 bits, otherwise 4.
int bytesPerPixel(int bitsPerChannel);

// floor(value + 0.5), then down to a power of two from 256 to 2; 0 and 1 stay.
int multisampleRequestOf(double multisample);

// Reads and derives the values of the parameter table, fetches the three colours, and computes
// the derived constants, loop and offsets. Layers, camera, fog and lights are added by the
// renderer.
void readFrameValues(const PF_InData* in_data, PF_ParamDef** params, int pixelType,
                     const FloatColorSource& floatColor, FrameValues& values);

// The seamless-loop matrix and period, and the four noise offset vectors.
void computeLoop(FrameValues& values);

// Fog for the camera: an orthographic camera pushes fog start and end to the far clip; then the
// reciprocal of the fog range (0 when the range is empty).
void applyCameraToFog(FrameValues& values);

// The inverse of the camera matrix (its adjugate alone when the determinant is exactly 0) with
// column 2 negated: the modelview matrix as GL loads it.
Matrix4 viewMatrixFromCamera(const Matrix4& camera);

}  // namespace zel
