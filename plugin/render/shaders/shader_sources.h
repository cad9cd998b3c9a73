// The GLSL sources of the twenty-one programs, embedded at build time from the .glsl files beside this
// header, and the prefixes that make their variants: a variant is compiled from two strings, the
// prefix and then the source.
#pragma once

namespace zel {

extern const char* const vert_shader_txt;
extern const char* const frag_shader_density_txt;
extern const char* const frag_shader_light_txt;
extern const char* const frag_shader_flat_txt;
extern const char* const frag_shader_solid_txt;
extern const char* const frag_shader_displacement_txt;
extern const char* const vert_shader_postprocess_txt;
extern const char* const frag_shader_postprocess_txt;
extern const char* const frag_shader_postprocess_ssao_txt;

// FLAT: one normal per primitive; FLAT_TEX: one texture coordinate per primitive.
inline constexpr const char* kFlatPrefix = "#define FLAT\n";
inline constexpr const char* kFlatTexPrefix = "#define FLAT_TEX\n";
inline constexpr const char* kFlatFlatTexPrefix = "#define FLAT\n#define FLAT_TEX\n";
// DISPLACEMENT_PASS: the vertex stage reads the displacement pass's results.
inline constexpr const char* kPassPrefix = "#define DISPLACEMENT_PASS\n";
inline constexpr const char* kFlatPassPrefix = "#define FLAT\n#define DISPLACEMENT_PASS\n";
inline constexpr const char* kFlatTexPassPrefix = "#define FLAT_TEX\n#define DISPLACEMENT_PASS\n";
inline constexpr const char* kFlatFlatTexPassPrefix = "#define FLAT\n#define FLAT_TEX\n#define DISPLACEMENT_PASS\n";

}  // namespace zel
