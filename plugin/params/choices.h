// The choices of every pop-up control by name. The host hands a pop-up's value as the 1-based
// position of the choice, so each enumerator's value is that position; param_table.cpp checks at
// compile time that every pop-up has its enumeration and that the counts agree.
#pragma once

#include <cstdint>

namespace zel::params {

enum class ReduceGeometry : int { Off = 1, Auto, Half, Quarter, Sixteenth };  // "2x" "4x" "16x"
enum class Tessellation : int { Triangles = 1, Quads };
enum class FractalType : int { Regular = 1, Multi, SmoothRidge, MultiSmoothRidge };
enum class ZRange : int { Unlimited = 1, Limit, Compress };
enum class Shader : int { Density = 1, Phong, Flat };
enum class Draw : int { Fill = 1, Wireframe, Points, FrontFillBackWire };
enum class Blend : int { Off = 1, Normal, Add, SuperAdd };
enum class DepthBuffer : int { Off = 1, On };
enum class SecondPass : int { Off = 1, Wireframe };
enum class AmbientOcclusion : int { Off = 1, On, Dither1, Dither2, Dither3 };
enum class Falloff : int { None = 1, Smooth, DistanceSquared };
enum class TextureFilter : int { Nearest = 1, Linear, SolidFace };
enum class TextureCoordinates : int { RegularXY = 1, XNoiseZ };

// "Memory Check": each choice's text and the budget it plans a frame against.
enum class MemoryCheck : int { Auto = 1, Off };  // then the fixed budgets below, in order
inline constexpr std::int64_t kMeasuredBudget = -1;  // the measured video memory
inline constexpr std::int64_t kNoBudget = 0;         // no check
struct MemoryBudget {
    const char* choice;
    std::int64_t kilobytes;
};
inline constexpr MemoryBudget kMemoryBudgets[] = {
    {"Auto", kMeasuredBudget}, {"Off", kNoBudget},    {"256MB", 262144},   {"512MB", 524288},
    {"1GB", 1048576},          {"2GB", 2097152},      {"3GB", 3145728},    {"4GB", 4194304},
    {"6GB", 6291456},          {"8GB", 8388608},      {"12GB", 12582912},  {"16GB", 16777216}};

// The position a pop-up value names, for the shader uniforms and tables that take it as a number.
template <class Choice>
constexpr int number(Choice choice)
{
    return static_cast<int>(choice);
}

}  // namespace zel::params
