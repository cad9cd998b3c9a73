// The eleven GL programs the renderer draws with, built once per process in global set-up.
#pragma once

#include <epoxy/gl.h>

namespace zel {

// Program handles; 0 until built. The _FT programs take flat (per-primitive) texture coordinates.
extern GLuint prog_density_shader;
extern GLuint prog_light_shader;
extern GLuint prog_flat_shader;
extern GLuint prog_solid_shader;
extern GLuint prog_flatquad_shader;
extern GLuint prog_density_shader_FT;
extern GLuint prog_light_shader_FT;
extern GLuint prog_flat_shader_FT;
extern GLuint prog_flatquad_shader_FT;
extern GLuint prog_postprocess_shader;
extern GLuint prog_postprocess_ssao_shader;

// Shader objects; several programs share a vertex stage.
extern GLuint vert_shader;
extern GLuint frag_density_shader;
extern GLuint frag_light_shader;
extern GLuint frag_flat_shader;
extern GLuint frag_solid_shader;
extern GLuint vert_shader_flat;
extern GLuint frag_flatquad_shader;
extern GLuint vert_shader_FT;
extern GLuint frag_density_shader_FT;
extern GLuint frag_light_shader_FT;
extern GLuint frag_flat_shader_FT;
extern GLuint vert_flatquad_FT;
extern GLuint frag_flatquad_shader_FT;
extern GLuint vert_postprocess_shader;
extern GLuint frag_postprocess_shader;
extern GLuint frag_postprocess_ssao_shader;

// The eight source texts the programs are built from.
struct ShaderSources {
    const char* vertex;
    const char* density;
    const char* light;
    const char* flat;
    const char* solid;
    const char* postprocessVertex;
    const char* postprocess;
    const char* postprocessSsao;
};

// The sources the module carries.
ShaderSources embeddedShaderSources();

// Compiles and links the programs in their fixed order, printing handles, info logs and failures
// on standard output. Stops at the first program that fails, leaving the later ones 0; true when
// all eleven linked. Needs the shared context current.
bool buildShaderPrograms(const ShaderSources& sources);

// Sets every handle back to 0, for when the context that owned them is gone.
void forgetShaderPrograms();

// Print a shader's or program's info log, when it has one.
void printShaderInfoLog(GLuint shader);
void printProgramInfoLog(GLuint program);

}  // namespace zel
