// The twenty-one GL programs the renderer draws with, and the shader objects they are made of: the
// eleven of the global set-up, and the displacement pass's ten, built on the first frame that uses
// the pass.
#pragma once

#include <epoxy/gl.h>

#include <array>
#include <cstddef>

namespace zel {

// In build order: the set-up's eleven, then the pass's ten. The _FT programs take flat
// (per-primitive) texture coordinates; the _pass programs, one for each of the nine surface
// programs and in the same order, read the displacement pass's results instead of evaluating the
// displacement.
enum class Program : std::size_t {
    density_shader, light_shader, flat_shader, solid_shader, flatquad_shader,
    density_shader_FT, light_shader_FT, flat_shader_FT, flatquad_shader_FT,
    postprocess_shader, postprocess_ssao_shader,
    density_shader_pass, light_shader_pass, flat_shader_pass, solid_shader_pass, flatquad_shader_pass,
    density_shader_FT_pass, light_shader_FT_pass, flat_shader_FT_pass, flatquad_shader_FT_pass,
    displacement_shader,
};
inline constexpr std::size_t kProgramCount = 21;
inline constexpr std::size_t kSetUpProgramCount = 11;
inline constexpr std::size_t kSurfaceProgramCount = 9;

// The variant of a surface program that reads the displacement pass's results.
constexpr Program passVariant(Program surface)
{
    return static_cast<Program>(static_cast<std::size_t>(surface) + kSetUpProgramCount);
}

// The shader objects; several programs share a vertex stage.
enum class ShaderObject : std::size_t {
    vert_shader, frag_density_shader, frag_light_shader, frag_flat_shader, frag_solid_shader,
    vert_shader_flat, frag_flatquad_shader, vert_shader_FT, frag_density_shader_FT,
    frag_light_shader_FT, frag_flat_shader_FT, vert_flatquad_FT, frag_flatquad_shader_FT,
    vert_postprocess_shader, frag_postprocess_shader, frag_postprocess_ssao_shader,
    frag_displacement_shader, vert_shader_pass, vert_shader_flat_pass, vert_shader_FT_pass,
    vert_flatquad_FT_pass,
};
inline constexpr std::size_t kShaderObjectCount = 21;

// GL names of the programs and shader objects; 0 where none was made.
struct ShaderPrograms {
    std::array<GLuint, kProgramCount> programs{};
    std::array<GLuint, kShaderObjectCount> shaders{};

    GLuint operator[](Program program) const { return programs[static_cast<std::size_t>(program)]; }
};

// The program's name as the build log and the failure messages print it ("prog_light_shader").
const char* programName(Program program);

// The nine source texts the programs are built from.
struct ShaderSources {
    const char* vertex;
    const char* density;
    const char* light;
    const char* flat;
    const char* solid;
    const char* displacement;  // the displacement pass, a fragment stage
    const char* postprocessVertex;
    const char* postprocess;
    const char* postprocessSsao;
};

// The sources the module carries.
ShaderSources embeddedShaderSources();

// Compiles and links the set-up's eleven programs in their fixed order into `built`, printing
// handles, info logs and failures on standard output. Stops at the first program that fails,
// leaving the later ones 0; true when all eleven linked. Needs the shared context current.
bool buildShaderPrograms(const ShaderSources& sources, ShaderPrograms& built);

// Builds the displacement pass's ten programs into `built`, which holds the set-up's eleven,
// printing nothing but the info log of a stage or program that fails. Stops there; returns that
// program's failure text, or null when all ten linked. Needs the shared context current.
const char* buildPassPrograms(const ShaderSources& sources, ShaderPrograms& built);

// Deletes every program and shader object of both builds in `built` and sets it back to 0. Needs the context
// that owns them current.
void deleteShaderPrograms(ShaderPrograms& built);

// Print a shader's or program's info log, when it has one.
void printShaderInfoLog(GLuint shader);
void printProgramInfoLog(GLuint program);

}  // namespace zel
