#include "plugin/render/frame_values.h"

#include <algorithm>
#include <cmath>

#include "plugin/host/downsample.h"
#include "plugin/params/choices.h"
#include "plugin/params/param_table.h"

namespace zel {
namespace {

using namespace params;

int rounded(double value)
{
    return static_cast<int>(std::floor(value + 0.5));
}

class ParamReader {
public:
    explicit ParamReader(PF_ParamDef** params) : params_(params) {}

    double slider(int index) const { return params_[index]->u.fs_d.value; }
    double percent(int index) const { return slider(index) * 0.01; }
    template <class Choice>
    Choice popup(int index) const
    {
        return static_cast<Choice>(params_[index]->u.pd.value);
    }
    const PF_ParamDef& def(int index) const { return *params_[index]; }

private:
    PF_ParamDef** params_;
};

// Ring seeds of the loop matrix's first three rows, each component later mapped by 2s - 1.
constexpr double kLoopSeeds[3][4] = {
    {0.12, 0.47, 0.87, 0.23}, {0.33, 0.23, 0.11, 0.69}, {0.13, 0.71, 0.43, 0.45}};

using Row = std::array<double, 4>;

double dot(const Row& a, const Row& b)
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3];
}

void normalise(Row& row)
{
    const double length = std::sqrt(dot(row, row));
    for (double& v : row) {
        v /= length;
    }
}

void removeProjection(Row& row, const Row& onto)
{
    const double d = dot(row, onto);
    for (std::size_t i = 0; i < 4; ++i) {
        row[i] -= d * onto[i];
    }
}

void fetchColor(const ParamReader& p, const FloatColorSource& floatColor, int index,
                std::array<double, 3>& color)
{
    double rgb[3] = {};
    if (!floatColor || !floatColor(index, params::paramAt(index).diskId, rgb)) {
        const PF_Pixel& pixel = p.def(index).u.cd.value;
        rgb[0] = pixel.red;
        rgb[1] = pixel.green;
        rgb[2] = pixel.blue;
    }
    for (std::size_t i = 0; i < 3; ++i) {
        color[i] = rgb[i] / 255.0;
    }
}

void readGrid(const ParamReader& p, const FrameValues& v, SurfaceGrid& g)
{
    g.sizeX = p.slider(kSizeX);
    g.sizeY = p.slider(kSizeY);
    g.verticesX = rounded(p.slider(kVerticesX));
    g.verticesY = rounded(p.slider(kVerticesY));
    g.reduceGeometry = p.popup<ReduceGeometry>(kReduceGeometry);
    g.autoScaleX = v.downsampleX;
    g.autoScaleY = v.downsampleY;
    g.stepX = rounded(p.slider(kXStep));
    g.stepY = rounded(p.slider(kYStep));
    g.translateX = p.def(kPositionXY).u.td.x_value / 65536.0 / v.downsampleX;
    g.translateY = p.def(kPositionXY).u.td.y_value / 65536.0 / v.downsampleY;
    g.translateZ = p.slider(kPositionZ);
    g.rotateX = p.slider(kRotateX);
    g.rotateY = p.slider(kRotateY);
    g.rotateZ = p.slider(kRotateZ);
    g.scrollX = p.slider(kScrollX);
    g.scrollY = p.slider(kScrollY);
    g.opacity = p.percent(kOpacity);
    g.nudge = p.percent(kNudgeColors);
    g.texScaleX = p.slider(kTextureScaleX);
    g.texScaleY = p.slider(kTextureScaleY);
    g.instances = rounded(p.slider(kInstances));
    g.repeatTranslateX = p.slider(kRTranslateX);
    g.repeatTranslateY = p.slider(kRTranslateY);
    g.repeatTranslateZ = p.slider(kRTranslateZ);
    g.repeatRotateX = p.slider(kRRotateX);
    g.repeatRotateY = p.slider(kRRotateY);
    g.repeatRotateZ = p.slider(kRRotateZ);
    g.repeatScale = p.percent(kRScale);
    g.repeatOpacity = p.percent(kROpacity);
    g.draw = p.popup<Draw>(kDraw);
    g.tessellation = p.popup<Tessellation>(kTessalate);
}

void readGeometry(const ParamReader& p, FrameValues& v)
{
    readGrid(p, v, v.grid);
    v.multisampleRequest = multisampleRequestOf(p.slider(kMultisample));
    v.bendX = p.slider(kBendX);
    v.bendY = p.slider(kBendY);
    v.fbendX = p.slider(kFBendX);
    v.fbendY = p.slider(kFBendY);
}

void readNoise(const ParamReader& p, FrameValues& v)
{
    v.F = p.slider(kFrequency) * 1e-5;
    const int amplitudes[3] = {kAmplitudeX, kAmplitudeY, kAmplitudeZ};
    const int frequencies[3] = {kFrequencyX, kFrequencyY, kFrequencyZ};
    for (std::size_t i = 0; i < 3; ++i) {
        v.amplitude[i] = p.percent(amplitudes[i]) * p.slider(kAmplitude);
        v.frequencyPercent[i] = p.percent(frequencies[i]);
        v.frequency[i] = v.frequencyPercent[i] * v.F;
    }
    v.complexity = rounded(p.slider(kComplexity));
    v.fractalType = p.popup<FractalType>(kFractalType);
    v.octScale = p.slider(kOctScale);
    v.octMult = p.slider(kOctMult);
    v.offsetX = p.slider(kOffsetX);
    v.offsetY = p.slider(kOffsetY);
    v.offsetZ = p.slider(kOffsetZ);
    v.evolution = p.slider(kEvolution);
    v.loopX = p.slider(kLoopX);
    v.loopY = p.slider(kLoopY);
    v.loopZ = p.slider(kLoopZ);
    v.loopEvolution = p.slider(kLoopEvolution);

    v.octaveSum = 0;
    for (int i = 0; i < v.complexity; ++i) {
        v.octaveSum += std::pow(v.octMult, i);
    }
    v.noiseNormaliser = v.octaveSum > 0 ? 1.0 / v.octaveSum : 1.0;

    const auto zRange = p.popup<ZRange>(kZRange);
    v.zFloor = zRange == ZRange::Unlimited ? -100000.0 : p.slider(kZMin);
    v.zCeil = zRange == ZRange::Unlimited ? 100000.0 : p.slider(kZMax);
    v.zMultiplier = 1.0;
    v.zAdd = p.slider(kZLift);
    if (zRange == ZRange::Compress) {
        const double half = (p.slider(kZMax) - p.slider(kZMin)) * 0.5;
        // Without octaves the fractal sum is 0, so any finite multiplier gives the same surface.
        v.zMultiplier = v.octaveSum > 0 ? half / v.octaveSum : 0.0;
        v.zAdd = p.slider(kZLift) + half + p.slider(kZMin);
    }

    // The finite-difference step follows the mean frequency; without one it falls back to 0.01.
    const double meanPercent = (v.frequencyPercent[0] + v.frequencyPercent[1] + v.frequencyPercent[2]) / 3;
    v.epsilon = (v.F < 1e-9 || meanPercent <= 0) ? 0.01 : 1.0 / (meanPercent * v.F * 500);
    v.epsilon *= p.slider(kSmoothenNormals);
}

void readShading(const ParamReader& p, FrameValues& v)
{
    v.ambient = p.percent(kAmbient);
    v.diffuse = p.percent(kDiffuse);
    v.specular = p.percent(kSpecular);
    v.shininess = p.slider(kSpecularShininess);
    v.shader = p.popup<Shader>(kShader);
    v.lineSize = p.slider(kLineSize);
    v.pointSize = p.slider(kPointSize);
    v.blend = p.popup<Blend>(kBlend);
    v.depthBuffer = p.popup<DepthBuffer>(kDepthBuf);
    v.densityAffect = p.percent(kDensityAffect);
    v.normalAffect = p.percent(kNormalAffect);
    v.secondPass = p.popup<SecondPass>(kSecondPass);
    v.spLineSize = p.slider(kSPLineSize);
    v.ambientOcclusion = p.popup<AmbientOcclusion>(kAmbientOcclusion);
    v.ssaoEnabled = v.ambientOcclusion != AmbientOcclusion::Off;
    v.aoIntensity = p.slider(kAOIntensity);
    v.aoRadius = p.slider(kAORadius);
    v.aoLift = p.slider(kAOLift);
    v.aoScale = p.slider(kAOScale);
    v.memoryCheck = p.popup<MemoryCheck>(kMemoryCheck);
    v.flatQuadMode = v.grid.tessellation == Tessellation::Quads && v.shader == Shader::Flat;
    // Normal blending would mix the occlusion target's depth with what lies behind it.
    v.effectiveBlend = (v.blend == Blend::Normal && v.ssaoEnabled) ? Blend::Off : v.blend;

    v.falloff = p.popup<Falloff>(kFalloff);
    // A zero ramp length would make the smooth falloff undefined; a tiny one gives the hard edge
    // at "Radius" that the control's end suggests.
    const double distance = std::max(p.slider(kDistance), 1e-6);
    const double radius = p.slider(kRadius);
    v.Fk = static_cast<float>(-1.0 / distance);
    v.Fm = static_cast<float>((distance + radius) / distance);
    v.Fr2 = static_cast<float>(radius * radius);
}

void readVisibilityAndTexture(const ParamReader& p, FrameValues& v)
{
    v.nearClip = p.slider(kNear);
    const double far = p.slider(kNear) > p.slider(kFar) ? p.slider(kNear) + 0.001 : p.slider(kFar);
    v.farClip = std::max(2.0, far);
    v.fogStart = p.slider(kFogStart);
    v.fogEnd = p.slider(kFogEnd);

    v.textureFilter = p.popup<TextureFilter>(kTextureFilter);
    v.anisotropic = p.percent(kAnisotropic);
    v.textureCoordinates = p.popup<TextureCoordinates>(kTextureCoordinates);
}

}  // namespace

int bitsPerChannelOf(int pixelType)
{
    return pixelType == 4 ? 32 : (pixelType == 0 ? 8 : 16);
}

int bytesPerPixel(int bitsPerChannel)
{
    return bitsPerChannel == 32 ? 16 : (bitsPerChannel == 16 ? 8 : 4);
}

int multisampleRequestOf(double multisample)
{
    const int samples = rounded(multisample);
    if (samples <= 1) {
        return samples;
    }
    int snapped = 256;
    while (snapped > samples) {
        snapped /= 2;
    }
    return snapped;
}

void readFrameValues(const PF_InData* in_data, PF_ParamDef** params, int pixelType,
                     const FloatColorSource& floatColor, FrameValues& v)
{
    const ParamReader p(params);
    v.bitsPerChannel = bitsPerChannelOf(pixelType);
    v.downsampleX = downsampleFactor(in_data->downsample_x);
    v.downsampleY = downsampleFactor(in_data->downsample_y);
    v.bufferWidth = static_cast<int>(in_data->width * v.downsampleX);
    v.bufferHeight = static_cast<int>(in_data->height * v.downsampleY);
    v.pixelAspect = downsampleFactor(in_data->pixel_aspect_ratio);

    readGeometry(p, v);
    readNoise(p, v);
    readShading(p, v);
    readVisibilityAndTexture(p, v);
    fetchColor(p, floatColor, kFogColor, v.fogColor);
    fetchColor(p, floatColor, kColor, v.grid.color);
    fetchColor(p, floatColor, kSPColor, v.spColor);
    computeLoop(v);
}

void computeLoop(FrameValues& v)
{
    const Row loopVector = {v.loopX * v.F * v.frequencyPercent[0], v.loopY * v.F * v.frequencyPercent[1],
                            v.loopZ * v.F * v.frequencyPercent[2], -v.loopEvolution * v.F};
    // Loop values that move the noise nowhere (all 0, or a frequency of 0) leave looping off: a
    // zero loop vector has no direction to build the matrix around.
    v.looping = dot(loopVector, loopVector) > 0;
    v.loopMatrix = {};
    v.loopW = 0;
    if (!v.looping) {
        v.Ex = {0, 0, 0, 0};
        v.Ey = {0, 0, 0, 5};
        v.Ez = {0, 0, 0, 13};
        v.Ox = {0, 0, 0, 23};
        return;
    }

    std::array<Row, 4> rows{};
    rows[3] = loopVector;
    normalise(rows[3]);
    for (std::size_t r = 0; r < 3; ++r) {
        for (std::size_t c = 0; c < 4; ++c) {
            rows[r][c] = 2 * kLoopSeeds[r][c] - 1;
        }
    }
    // Gram-Schmidt against the loop direction first, so that row 3 stays the loop direction.
    for (std::size_t r = 0; r < 3; ++r) {
        removeProjection(rows[r], rows[3]);
        for (std::size_t earlier = 0; earlier < r; ++earlier) {
            removeProjection(rows[r], rows[earlier]);
        }
        normalise(rows[r]);
    }
    v.loopW = dot(loopVector, rows[3]);
    for (std::size_t r = 0; r < 4; ++r) {
        for (std::size_t c = 0; c < 4; ++c) {
            v.loopMatrix[4 * r + c] = rows[r][c];
        }
    }
    v.Ex = {23, 312, 1232, 0};
    v.Ey = {4535, 2342, 234, 0};
    v.Ez = {232, 453, 3743, 0};
    v.Ox = {17, 23, 113, 0};
}

void applyCameraToFog(FrameValues& v)
{
    if (!v.isPerspective) {
        v.fogStart = v.farClip;
        v.fogEnd = v.farClip;
    }
    v.fogReciprocal = v.fogStart < v.fogEnd ? 1.0 / (v.fogEnd - v.fogStart) : 0.0;
}

Matrix4 viewMatrixFromCamera(const Matrix4& m)
{
    // The cofactor of element (r, c): the signed determinant of the 3 x 3 minor without row r and
    // column c. The inverse is the transposed cofactor matrix over the determinant.
    const auto cofactor = [&m](int r, int c) {
        int rows[3];
        int cols[3];
        for (int i = 0, n = 0; i < 4; ++i) {
            if (i != r) {
                rows[n++] = i;
            }
        }
        for (int i = 0, n = 0; i < 4; ++i) {
            if (i != c) {
                cols[n++] = i;
            }
        }
        const auto at = [&m, &rows, &cols](int i, int j) { return m[static_cast<std::size_t>(4 * rows[i] + cols[j])]; };
        const double minor = at(0, 0) * (at(1, 1) * at(2, 2) - at(1, 2) * at(2, 1)) -
                             at(0, 1) * (at(1, 0) * at(2, 2) - at(1, 2) * at(2, 0)) +
                             at(0, 2) * (at(1, 0) * at(2, 1) - at(1, 1) * at(2, 0));
        return ((r + c) % 2 == 0) ? minor : -minor;
    };
    Matrix4 adjugate{};
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            adjugate[static_cast<std::size_t>(4 * c + r)] = cofactor(r, c);
        }
    }
    double determinant = 0;
    for (int c = 0; c < 4; ++c) {
        determinant += m[static_cast<std::size_t>(c)] * cofactor(0, c);
    }
    Matrix4 view = adjugate;
    if (determinant != 0) {
        for (double& e : view) {
            e /= determinant;
        }
    }
    // The host's camera looks along +z; GL's eye looks along -z.
    for (std::size_t i : {2, 6, 10, 14}) {
        view[i] = -view[i];
    }
    return view;
}

}  // namespace zel
