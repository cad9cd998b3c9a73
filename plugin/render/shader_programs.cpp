#include "plugin/render/shader_programs.h"

#include <cstdio>
#include <memory>
#include <new>

#include "plugin/render/gl_diagnostics.h"
#include "plugin/render/shaders/shader_sources.h"

namespace zel {

GLuint prog_density_shader = 0;
GLuint prog_light_shader = 0;
GLuint prog_flat_shader = 0;
GLuint prog_solid_shader = 0;
GLuint prog_flatquad_shader = 0;
GLuint prog_density_shader_FT = 0;
GLuint prog_light_shader_FT = 0;
GLuint prog_flat_shader_FT = 0;
GLuint prog_flatquad_shader_FT = 0;
GLuint prog_postprocess_shader = 0;
GLuint prog_postprocess_ssao_shader = 0;

GLuint vert_shader = 0;
GLuint frag_density_shader = 0;
GLuint frag_light_shader = 0;
GLuint frag_flat_shader = 0;
GLuint frag_solid_shader = 0;
GLuint vert_shader_flat = 0;
GLuint frag_flatquad_shader = 0;
GLuint vert_shader_FT = 0;
GLuint frag_density_shader_FT = 0;
GLuint frag_light_shader_FT = 0;
GLuint frag_flat_shader_FT = 0;
GLuint vert_flatquad_FT = 0;
GLuint frag_flatquad_shader_FT = 0;
GLuint vert_postprocess_shader = 0;
GLuint frag_postprocess_shader = 0;
GLuint frag_postprocess_ssao_shader = 0;

namespace {

// One shader object: its stage, the source it is made from and the variant prefix.
struct ShaderSpec {
    GLuint* object;
    GLenum stage;
    const char* ShaderSources::*source;
    const char* prefix;
};

struct ProgramSpec {
    const char* name;
    GLuint* program;
    ShaderSpec vertex;
    ShaderSpec fragment;
    const char* vertexFailed;
    const char* fragmentFailed;
    const char* linkFailed;
};

constexpr const char* kNoPrefix = "";

constexpr ShaderSpec kVertex{&vert_shader, GL_VERTEX_SHADER, &ShaderSources::vertex, kNoPrefix};
constexpr ShaderSpec kVertexFlatTex{&vert_shader_FT, GL_VERTEX_SHADER, &ShaderSources::vertex, kFlatTexPrefix};
constexpr ShaderSpec kPostprocessVertex{&vert_postprocess_shader, GL_VERTEX_SHADER,
                                        &ShaderSources::postprocessVertex, kNoPrefix};

// In build order. Programs that name the same vertex stage share its shader object: the first
// compiles it.
const ProgramSpec kPrograms[] = {
    {"prog_density_shader", &prog_density_shader, kVertex,
     {&frag_density_shader, GL_FRAGMENT_SHADER, &ShaderSources::density, kNoPrefix},
     "OpenGL vertex shader compilation failed", "OpenGL density fragment shader compilation failed",
     "OpenGL density shader linking failed"},
    {"prog_light_shader", &prog_light_shader, kVertex,
     {&frag_light_shader, GL_FRAGMENT_SHADER, &ShaderSources::light, kNoPrefix},
     "OpenGL vertex shader compilation failed", "OpenGL light fragment shader compilation failed",
     "OpenGL light shader linking failed"},
    {"prog_flat_shader", &prog_flat_shader, kVertex,
     {&frag_flat_shader, GL_FRAGMENT_SHADER, &ShaderSources::flat, kNoPrefix},
     "OpenGL vertex shader compilation failed", "OpenGL flat fragment shader compilation failed",
     "OpenGL flat shader linking failed"},
    {"prog_solid_shader", &prog_solid_shader, kVertex,
     {&frag_solid_shader, GL_FRAGMENT_SHADER, &ShaderSources::solid, kNoPrefix},
     "OpenGL vertex shader compilation failed", "OpenGL solid fragment shader compilation failed",
     "OpenGL solid shader linking failed"},
    {"prog_flatquad_shader", &prog_flatquad_shader,
     {&vert_shader_flat, GL_VERTEX_SHADER, &ShaderSources::vertex, kFlatPrefix},
     {&frag_flatquad_shader, GL_FRAGMENT_SHADER, &ShaderSources::light, kFlatPrefix},
     "OpenGL vertex shader flat compilation failed",
     "OpenGL flatquad fragment shader compilation failed", "OpenGL flatquad shader linking failed"},
    {"prog_density_shader_FT", &prog_density_shader_FT, kVertexFlatTex,
     {&frag_density_shader_FT, GL_FRAGMENT_SHADER, &ShaderSources::density, kFlatTexPrefix},
     "OpenGL vertex FT shader compilation failed",
     "OpenGL density FT fragment shader compilation failed",
     "OpenGL density FT shader linking failed"},
    {"prog_light_shader_FT", &prog_light_shader_FT, kVertexFlatTex,
     {&frag_light_shader_FT, GL_FRAGMENT_SHADER, &ShaderSources::light, kFlatTexPrefix},
     "OpenGL vertex FT shader compilation failed",
     "OpenGL light FT fragment shader compilation failed", "OpenGL light FT shader linking failed"},
    {"prog_flat_shader_FT", &prog_flat_shader_FT, kVertexFlatTex,
     {&frag_flat_shader_FT, GL_FRAGMENT_SHADER, &ShaderSources::flat, kFlatTexPrefix},
     "OpenGL vertex FT shader compilation failed",
     "OpenGL flat FT fragment shader compilation failed", "OpenGL flat FT shader linking failed"},
    {"prog_flatquad_shader_FT", &prog_flatquad_shader_FT,
     {&vert_flatquad_FT, GL_VERTEX_SHADER, &ShaderSources::vertex, kFlatFlatTexPrefix},
     {&frag_flatquad_shader_FT, GL_FRAGMENT_SHADER, &ShaderSources::light, kFlatFlatTexPrefix},
     "OpenGL flatquad vertex FT shader flat compilation failed",
     "OpenGL flatquad fragment FT shader compilation failed",
     "OpenGL flatquad FT shader linking failed"},
    {"prog_postprocess_shader", &prog_postprocess_shader, kPostprocessVertex,
     {&frag_postprocess_shader, GL_FRAGMENT_SHADER, &ShaderSources::postprocess, kNoPrefix},
     "OpenGL vertex shader compilation failed",
     "OpenGL postprocess fragment shader compilation failed",
     "OpenGL postprocess shader linking failed"},
    // The occlusion program reports a failed link with the post-process text.
    {"prog_postprocess_ssao_shader", &prog_postprocess_ssao_shader, kPostprocessVertex,
     {&frag_postprocess_ssao_shader, GL_FRAGMENT_SHADER, &ShaderSources::postprocessSsao, kNoPrefix},
     "OpenGL vertex SSAO shader compilation failed",
     "OpenGL postprocess SSAO fragment shader compilation failed",
     "OpenGL postprocess shader linking failed"},
};

// Compiles the stage unless an earlier program already did (a shared object compiled then).
bool compileOnce(const ShaderSpec& shader, const ShaderSources& sources)
{
    if (*shader.object != 0) {
        return true;
    }
    *shader.object = glCreateShader(shader.stage);
    const char* strings[2] = {shader.prefix, sources.*shader.source};
    glShaderSource(*shader.object, 2, strings, nullptr);
    glCompileShader(*shader.object);
    ZEL_GL_CHECK();
    GLint compiled = GL_FALSE;
    glGetShaderiv(*shader.object, GL_COMPILE_STATUS, &compiled);
    printShaderInfoLog(*shader.object);
    return compiled == GL_TRUE;
}

bool link(const ProgramSpec& program)
{
    *program.program = glCreateProgram();
    std::printf("%s = %u\n", program.name, *program.program);
    glAttachShader(*program.program, *program.vertex.object);
    glAttachShader(*program.program, *program.fragment.object);
    glLinkProgram(*program.program);
    ZEL_GL_CHECK();
    GLint linked = GL_FALSE;
    glGetProgramiv(*program.program, GL_LINK_STATUS, &linked);
    printProgramInfoLog(*program.program);
    return linked == GL_TRUE;
}

using GetObjectInt = void (*)(GLuint, GLenum, GLint*);
using GetObjectLog = void (*)(GLuint, GLsizei, GLsizei*, GLchar*);

void printInfoLog(GLuint object, GetObjectInt getInt, GetObjectLog getLog, const char* format)
{
    ZEL_GL_CHECK();
    GLint length = 0;
    getInt(object, GL_INFO_LOG_LENGTH, &length);
    ZEL_GL_CHECK();
    if (length > 0) {
        // Without memory for the log there is nothing to print, but set-up goes on: a
        // diagnostic must never end the host.
        std::unique_ptr<char[]> log(new (std::nothrow) char[static_cast<std::size_t>(length)]);
        if (log == nullptr) {
            std::puts("ERROR: Could not allocate InfoLog buffer");
            return;
        }
        GLsizei written = 0;
        getLog(object, length, &written, log.get());
        std::printf(format, log.get());
    }
    ZEL_GL_CHECK();
}

}  // namespace

ShaderSources embeddedShaderSources()
{
    return {vert_shader_txt,          frag_shader_density_txt,     frag_shader_light_txt,
            frag_shader_flat_txt,     frag_shader_solid_txt,       vert_shader_postprocess_txt,
            frag_shader_postprocess_txt, frag_shader_postprocess_ssao_txt};
}

bool buildShaderPrograms(const ShaderSources& sources)
{
    for (const ProgramSpec& program : kPrograms) {
        const bool vertexCompiled = compileOnce(program.vertex, sources);
        const bool fragmentCompiled = compileOnce(program.fragment, sources);
        if (vertexCompiled && fragmentCompiled) {
            if (!link(program)) {
                std::fputs(program.linkFailed, stdout);
                return false;
            }
            continue;
        }
        if (!vertexCompiled) {
            std::puts(program.vertexFailed);
        }
        if (!fragmentCompiled) {
            std::puts(program.fragmentFailed);
        }
        return false;
    }
    return true;
}

void forgetShaderPrograms()
{
    for (const ProgramSpec& program : kPrograms) {
        *program.program = 0;
        *program.vertex.object = 0;
        *program.fragment.object = 0;
    }
}

void printShaderInfoLog(GLuint shader)
{
    printInfoLog(
        shader, [](GLuint o, GLenum p, GLint* v) { glGetShaderiv(o, p, v); },
        [](GLuint o, GLsizei n, GLsizei* w, GLchar* l) { glGetShaderInfoLog(o, n, w, l); },
        "Shader InfoLog:\n%s\n\n");
}

void printProgramInfoLog(GLuint program)
{
    printInfoLog(
        program, [](GLuint o, GLenum p, GLint* v) { glGetProgramiv(o, p, v); },
        [](GLuint o, GLsizei n, GLsizei* w, GLchar* l) { glGetProgramInfoLog(o, n, w, l); },
        "Program InfoLog:\n%s\n\n");
}

}  // namespace zel
