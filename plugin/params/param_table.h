// The effect's controls: one record per parameter, in the order the host numbers them.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace zel::params {

// Parameter indices. Index 0 is the input layer, which the host adds; the effect adds 1 to 114.
enum ParamIndex : int {
    kInputLayer = 0,
    kGeometryGroup, kPositionXY, kPositionZ, kRotateX, kRotateY, kRotateZ, kVerticesX, kVerticesY,
    kSizeX, kSizeY, kXStep, kYStep, kBendX, kBendY, kReduceGeometry, kTessalate, kGeometryEnd,
    kFractalGroup, kFractalType, kAmplitude, kFrequency, kEvolution, kOffsetX, kOffsetY, kOffsetZ,
    kScrollX, kScrollY, kComplexity, kOctScale, kOctMult, kFBendX, kFBendY, kSmoothenNormals,
    kAmplitudeLayer,
    kSeamlessLoopGroup, kLoopSetupHelper, kLoopEvolution, kLoopX, kLoopY, kLoopZ, kSeamlessLoopEnd,
    kZRangeGroup, kZRange, kZMin, kZMax, kZLift, kZRangeEnd,
    kIndividualGroup, kAmplitudeX, kAmplitudeY, kAmplitudeZ, kFrequencyX, kFrequencyY, kFrequencyZ,
    kIndividualEnd,
    kFractalEnd,
    kShaderGroup, kShader, kDraw, kLineSize, kPointSize, kBlend, kDepthBuf, kDensityAffect,
    kNormalAffect, kMultisample, kSecondPass, kSPLineSize, kSPColor, kAmbientOcclusion,
    kAOIntensity, kAORadius, kAOLift, kAOScale, kShaderEnd,
    kMaterialGroup, kColor, kNudgeColors, kOpacity, kAmbient, kDiffuse, kSpecular,
    kSpecularShininess, kFalloff, kRadius, kDistance, kMaterialEnd,
    kTextureGroup, kTextureLayer, kTextureFilter, kAnisotropic, kTextureCoordinates,
    kTextureScaleX, kTextureScaleY, kTextureEnd,
    kRepeaterGroup, kInstances, kROpacity, kRScale, kRRotateX, kRRotateY, kRRotateZ,
    kRTranslateX, kRTranslateY, kRTranslateZ, kRepeaterEnd,
    kVisibilityGroup, kNear, kFar, kFogStart, kFogEnd, kFogColor, kVisibilityEnd,
    kMemoryCheck,
    kParamCount  // 115: what the host is told, input layer included
};

enum class Kind : std::uint8_t { GroupStart, GroupEnd, FloatSlider, Popup, Color, Point, Layer, Button };

struct ParamSpec {
    int index;
    const char* name;        // null for group ends, which carry no name
    Kind kind;
    std::int32_t diskId;     // the number under which projects store the value; never changes
    double validMin = 0, validMax = 0;    // float sliders: the hard limits of a typed value
    double sliderMin = 0, sliderMax = 0;  // float sliders: the range of the slider itself
    double defaultValue = 0;              // float sliders: the value; popups: the 1-based choice
    std::int16_t precision = 0;           // float sliders: decimals shown
    const char* choices = nullptr;        // popups: the choices separated by "|"
    const char* label = nullptr;          // buttons: the text on the button
    bool supervised = false;              // the host reports changes to the effect
};

// Parameters 1 to 114 in index order: table()[i] is parameter i + 1.
std::span<const ParamSpec> table();

// The record of parameter `index` (1 to 114).
const ParamSpec& paramAt(int index);

// Number of choices in a "|"-separated list.
int choiceCount(const char* choices);

}  // namespace zel::params
