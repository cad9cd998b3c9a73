#include "plugin/params/param_table.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "plugin/params/choices.h"

namespace zel::params {
namespace {

constexpr ParamSpec group(int index, const char* name, std::int32_t id)
{
    return {.index = index, .name = name, .kind = Kind::GroupStart, .diskId = id};
}

constexpr ParamSpec end(int index, std::int32_t id)
{
    return {.index = index, .name = nullptr, .kind = Kind::GroupEnd, .diskId = id};
}

constexpr ParamSpec slider(int index, const char* name, std::int32_t id, double validMin,
                           double validMax, double sliderMin, double sliderMax, double dflt,
                           std::int16_t decimals)
{
    return {.index = index, .name = name, .kind = Kind::FloatSlider, .diskId = id,
            .validMin = validMin, .validMax = validMax, .sliderMin = sliderMin,
            .sliderMax = sliderMax, .defaultValue = dflt, .precision = decimals};
}

constexpr ParamSpec popup(int index, const char* name, std::int32_t id, const char* choices,
                          int dflt, bool supervised = false)
{
    return {.index = index, .name = name, .kind = Kind::Popup, .diskId = id,
            .defaultValue = static_cast<double>(dflt), .choices = choices,
            .supervised = supervised};
}

constexpr ParamSpec color(int index, const char* name, std::int32_t id)
{
    return {.index = index, .name = name, .kind = Kind::Color, .diskId = id};
}

constexpr ParamSpec point(int index, const char* name, std::int32_t id)
{
    return {.index = index, .name = name, .kind = Kind::Point, .diskId = id};
}

constexpr ParamSpec layer(int index, const char* name, std::int32_t id)
{
    return {.index = index, .name = name, .kind = Kind::Layer, .diskId = id};
}

constexpr ParamSpec button(int index, const char* name, std::int32_t id, const char* label)
{
    return {.index = index, .name = name, .kind = Kind::Button, .diskId = id, .label = label,
            .supervised = true};
}

constexpr double kMillion = 1000000;
constexpr bool kSupervised = true;

constexpr std::array kParams = {
    group(kGeometryGroup, "Geometry", 1),
    point(kPositionXY, "Position XY", 2),
    slider(kPositionZ, "Position Z", 3, -kMillion, kMillion, -1000, 1000, 0, 0),
    slider(kRotateX, "Rotate X", 64, -100000, 100000, 0, 360, 0, 0),
    slider(kRotateY, "Rotate Y", 65, -100000, 100000, 0, 360, 0, 0),
    slider(kRotateZ, "Rotate Z", 66, -100000, 100000, 0, 360, 0, 0),
    slider(kVerticesX, "Vertices X", 4, 2, 100000, 2, 500, 50, 0),
    slider(kVerticesY, "Vertices Y", 5, 2, 100000, 2, 500, 50, 0),
    slider(kSizeX, "Size X", 6, 0, 100000, 0, 1000, 200, 0),
    slider(kSizeY, "Size Y", 7, 0, 100000, 0, 1000, 200, 0),
    slider(kXStep, "X Step", 8, 1, 1000, 1, 10, 1, 0),
    slider(kYStep, "Y Step", 9, 1, 1000, 1, 10, 1, 0),
    slider(kBendX, "Bend X", 86, -10000, 10000, 0, 2, 0, 1),
    slider(kBendY, "Bend Y", 87, -10000, 10000, 0, 2, 0, 1),
    popup(kReduceGeometry, "Reduce Geometry", 10, "Off|Auto|2x|4x|16x", 1),
    popup(kTessalate, "Tessalate", 101, "Triangles|Quads", 1),
    end(kGeometryEnd, 11),

    group(kFractalGroup, "Fractal", 12),
    popup(kFractalType, "Fractal Type", 113, "Regular|Multi|SmoothRidge|Multi SmoothRidge", 1),
    slider(kAmplitude, "Amplitude", 13, -10000, 100000, 0, 100, 50, 1),
    // The default lies above the slider's end; the valid range, not the slider, is the limit.
    slider(kFrequency, "Frequency", 14, 0, 5000, 0, 500, 800, 2),
    slider(kEvolution, "Evolution", 15, -kMillion, kMillion, 0, 300, 0, 0),
    slider(kOffsetX, "Offset X", 16, -kMillion, kMillion, 0, 300, 0, 0),
    slider(kOffsetY, "Offset Y", 17, -kMillion, kMillion, 0, 300, 0, 0),
    slider(kOffsetZ, "Offset Z", 18, -kMillion, kMillion, 0, 300, 0, 0),
    slider(kScrollX, "Scroll X", 78, -kMillion, kMillion, 0, 300, 0, 0),
    slider(kScrollY, "Scroll Y", 79, -kMillion, kMillion, 0, 300, 0, 0),
    slider(kComplexity, "Complexity", 19, 0, 10, 0, 10, 4, 0),
    slider(kOctScale, "Oct Scale", 20, 0, 20, 0, 10, 2, 1),
    slider(kOctMult, "Oct Mult", 21, 0, 5, 0, 2, 0.5, 1),
    slider(kFBendX, "FBend X", 88, -10000, 10000, 0, 2, 0, 1),
    slider(kFBendY, "FBend Y", 89, -10000, 10000, 0, 2, 0, 1),
    slider(kSmoothenNormals, "Smoothen Normals", 115, 1, 100, 1, 10, 1, 1),
    layer(kAmplitudeLayer, "Amplitude Layer", 92),

    group(kSeamlessLoopGroup, "Seamless Loop", 107),
    button(kLoopSetupHelper, "Loop Setup Helper", 106, "Set End Frame"),
    slider(kLoopEvolution, "Loop Evolution", 102, -kMillion, kMillion, 0, 300, 0, 0),
    slider(kLoopX, "Loop X", 103, -kMillion, kMillion, 0, 300, 0, 0),
    slider(kLoopY, "Loop Y", 104, -kMillion, kMillion, 0, 300, 0, 0),
    slider(kLoopZ, "Loop Z", 105, -kMillion, kMillion, 0, 300, 0, 0),
    end(kSeamlessLoopEnd, 108),

    group(kZRangeGroup, "Z Range", 111),
    popup(kZRange, "Z Range", 96, "Unlimited|Limit|Compress", 1),
    slider(kZMin, "Z Min", 97, -100000, 100000, -10, 10, -0.5, 2),
    slider(kZMax, "Z Max", 98, -100000, 100000, -10, 10, 0.5, 2),
    slider(kZLift, "Z Lift", 99, -100000, 100000, -10, 10, 0, 2),
    end(kZRangeEnd, 112),

    group(kIndividualGroup, "Individual Amp & Freq", 109),
    slider(kAmplitudeX, "Amplitude X", 22, -10000, 10000, 0, 100, 100, 0),
    slider(kAmplitudeY, "Amplitude Y", 23, -10000, 10000, 0, 100, 100, 0),
    slider(kAmplitudeZ, "Amplitude Z", 24, -10000, 10000, 0, 100, 100, 0),
    slider(kFrequencyX, "Frequency X", 25, 0, 10000, 0, 100, 100, 0),
    slider(kFrequencyY, "Frequency Y", 26, 0, 10000, 0, 100, 100, 0),
    slider(kFrequencyZ, "Frequency Z", 27, 0, 10000, 0, 100, 100, 0),
    end(kIndividualEnd, 110),
    end(kFractalEnd, 28),

    group(kShaderGroup, "Shader", 29),
    popup(kShader, "Shader", 30, "Density|Phong|Flat", 1, kSupervised),
    popup(kDraw, "Draw", 31, "Fill|Wireframe|Points|Front Fill, Back Wire", 1, kSupervised),
    slider(kLineSize, "Line Size", 32, 0.0001, 1000, 0.0001, 10, 1, 1),
    slider(kPointSize, "Point Size", 33, 0.0001, 1000, 0.0001, 10, 1, 1),
    popup(kBlend, "Blend", 34, "Off|Normal|Add|Super Add", 3),
    popup(kDepthBuf, "DepthBuf", 35, "Off|On", 1),
    slider(kDensityAffect, "Density Affect", 36, 0, 100, 0, 100, 100, 0),
    slider(kNormalAffect, "Normal Affect", 37, 0, 100, 0, 100, 50, 0),
    slider(kMultisample, "Multisample", 38, 0, 256, 0, 32, 8, 0),
    popup(kSecondPass, "Second Pass", 93, "Off|Wireframe", 1),
    slider(kSPLineSize, "SP Line Size", 94, 0.0001, 1000, 0.0001, 10, 1, 1),
    color(kSPColor, "SP Color", 95),
    popup(kAmbientOcclusion, "Ambient Occlusion", 80, "Off|On|Dither 1|Dither 2|Dither 3", 1),
    slider(kAOIntensity, "AO Intensity", 81, 0, 10000, 0, 100, 10, 0),
    slider(kAORadius, "AO Radius", 82, 0, 10000, 0, 100, 30, 0),
    slider(kAOLift, "AO Lift", 83, 0, 1, 0, 1, 0.2, 2),
    slider(kAOScale, "AO Scale", 84, 0, 10000, 0, 10, 1, 1),
    end(kShaderEnd, 39),

    group(kMaterialGroup, "Material", 40),
    color(kColor, "Color", 41),
    slider(kNudgeColors, "Nudge Colors", 42, 0, 10000, 0, 100, 100, 0),
    slider(kOpacity, "Opacity", 43, 0, 100, 0, 100, 100, 0),
    slider(kAmbient, "Ambient", 44, 0, 10000, 0, 100, 100, 1),
    slider(kDiffuse, "Diffuse", 45, 0, 10000, 0, 100, 100, 1),
    slider(kSpecular, "Specular", 46, 0, 10000, 0, 100, 100, 1),
    slider(kSpecularShininess, "Specular Shininess", 47, 0, 128, 0, 128, 10, 1),
    popup(kFalloff, "Falloff", 48, "None|Smooth|Distance Squared", 1),
    slider(kRadius, "Radius", 49, 0, 500000, 0, 5000, 500, 0),
    slider(kDistance, "Distance", 50, 0, 500000, 0, 5000, 500, 0),
    end(kMaterialEnd, 51),

    group(kTextureGroup, "Texture", 52),
    layer(kTextureLayer, "Texture Layer", 53),
    popup(kTextureFilter, "Texture Filter", 54, "Nearest|Linear|Solid Face", 1),
    slider(kAnisotropic, "Anisotropic", 114, 0, 100, 0, 100, 0, 0),
    popup(kTextureCoordinates, "Texture Coordinates", 55, "Regular(X,Y)|X,Noise Z", 1),
    slider(kTextureScaleX, "Texture Scale X", 90, 0, 1000, 0, 5, 1, 1),
    slider(kTextureScaleY, "Texture Scale Y", 91, 0, 1000, 0, 5, 1, 1),
    end(kTextureEnd, 56),

    group(kRepeaterGroup, "Repeater", 67),
    slider(kInstances, "Instances", 68, 1, 1000, 1, 20, 1, 0),
    slider(kROpacity, "R Opacity", 69, 0, 1000, 0, 100, 100, 0),
    slider(kRScale, "R Scale", 70, 0, 1000, 0, 100, 100, 0),
    slider(kRRotateX, "R Rotate X", 71, -360, 360, 0, 180, 0, 0),
    slider(kRRotateY, "R Rotate Y", 72, -360, 360, 0, 180, 0, 0),
    slider(kRRotateZ, "R Rotate Z", 73, -360, 360, 0, 180, 0, 0),
    slider(kRTranslateX, "R Translate X", 74, -1000, 1000, 0, 100, 0, 0),
    slider(kRTranslateY, "R Translate Y", 75, -1000, 1000, 0, 100, 0, 0),
    slider(kRTranslateZ, "R Translate Z", 76, -1000, 1000, 0, 100, 0, 0),
    end(kRepeaterEnd, 77),

    group(kVisibilityGroup, "Visibility", 57),
    slider(kNear, "Near", 58, 0.01, 200000, 0.01, 100, 1, 1),
    slider(kFar, "Far", 59, 1, kMillion, 4500, 5500, 5000, 0),
    slider(kFogStart, "Fog Start", 60, 0, kMillion, 3500, 4500, 4000, 0),
    slider(kFogEnd, "Fog End", 63, 0, kMillion, 4500, 5500, 5000, 0),
    color(kFogColor, "Fog Color", 61),
    end(kVisibilityEnd, 62),

    popup(kMemoryCheck, "Memory Check", 100,
          "Auto|Off|256MB|512MB|1GB|2GB|3GB|4GB|6GB|8GB|12GB|16GB", number(MemoryCheck::Auto)),
};

constexpr bool indicesFollowTableOrder()
{
    for (std::size_t i = 0; i < kParams.size(); ++i) {
        if (kParams[i].index != static_cast<int>(i) + 1) {
            return false;
        }
    }
    return true;
}

static_assert(kParams.size() == kParamCount - 1, "the effect adds parameters 1 to 114");
static_assert(indicesFollowTableOrder(), "each row sits at its own index");

constexpr int countChoices(std::string_view choices)
{
    int count = 1;
    for (char c : choices) {
        count += c == '|' ? 1 : 0;
    }
    return count;
}

// Every pop-up and the number of choices its enumeration names (its last enumerator).
constexpr std::pair<int, int> kNamedChoices[] = {
    {kReduceGeometry, number(ReduceGeometry::Sixteenth)},
    {kTessalate, number(Tessellation::Quads)},
    {kFractalType, number(FractalType::MultiSmoothRidge)},
    {kZRange, number(ZRange::Compress)},
    {kShader, number(Shader::Flat)},
    {kDraw, number(Draw::FrontFillBackWire)},
    {kBlend, number(Blend::SuperAdd)},
    {kDepthBuf, number(DepthBuffer::On)},
    {kSecondPass, number(SecondPass::Wireframe)},
    {kAmbientOcclusion, number(AmbientOcclusion::Dither3)},
    {kFalloff, number(Falloff::DistanceSquared)},
    {kTextureFilter, number(TextureFilter::SolidFace)},
    {kTextureCoordinates, number(TextureCoordinates::XNoiseZ)},
    {kMemoryCheck, static_cast<int>(std::size(kMemoryBudgets))},
};

constexpr bool everyPopupHasItsNamedChoices()
{
    int popups = 0;
    for (const ParamSpec& param : kParams) {
        popups += param.kind == Kind::Popup ? 1 : 0;
    }
    for (const auto& [index, named] : kNamedChoices) {
        const ParamSpec& param = kParams[static_cast<std::size_t>(index - 1)];
        if (param.kind != Kind::Popup || countChoices(param.choices) != named) {
            return false;
        }
    }
    return popups == static_cast<int>(std::size(kNamedChoices));
}

// The budgets are listed with the texts of their choices, which must be the control's own.
constexpr bool memoryBudgetsFollowTheChoices()
{
    std::string_view choices = kParams[kMemoryCheck - 1].choices;
    for (const MemoryBudget& budget : kMemoryBudgets) {
        const std::string_view choice = choices.substr(0, choices.find('|'));
        if (choice != budget.choice) {
            return false;
        }
        choices.remove_prefix(std::min(choices.size(), choice.size() + 1));
    }
    return choices.empty();
}

static_assert(everyPopupHasItsNamedChoices(), "each pop-up's enumeration names all its choices");
static_assert(memoryBudgetsFollowTheChoices(), "one budget per Memory Check choice, in order");

}  // namespace

std::span<const ParamSpec> table()
{
    return kParams;
}

const ParamSpec& paramAt(int index)
{
    if (index < 1 || index >= kParamCount) {
        throw std::out_of_range("no parameter at this index");
    }
    return kParams[static_cast<std::size_t>(index - 1)];
}

int choiceCount(const char* choices)
{
    return countChoices(choices);
}

}  // namespace zel::params
