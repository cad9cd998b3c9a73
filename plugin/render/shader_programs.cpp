#include "plugin/render/shader_programs.h"

#include <cstdio>
#include <iterator>
#include <memory>
#include <new>
#include <span>

#include "plugin/render/gl_diagnostics.h"
#include "plugin/render/shaders/shader_sources.h"

namespace zel {

namespace {

// One shader object: its stage, the source it is made from and the variant prefix.
struct ShaderSpec {
    ShaderObject object;
    GLenum stage;
    const char* ShaderSources::*source;
    const char* prefix;
};

struct ProgramSpec {
    const char* name;
    Program program;
    ShaderSpec vertex;
    ShaderSpec fragment;
    const char* vertexFailed;
    const char* fragmentFailed;
    const char* linkFailed;
};

constexpr const char* kNoPrefix = "";

constexpr ShaderSpec vertexStage(ShaderObject object, const char* prefix)
{
    return {object, GL_VERTEX_SHADER, &ShaderSources::vertex, prefix};
}

constexpr ShaderSpec fragmentStage(ShaderObject object, const char* ShaderSources::*source, const char* prefix)
{
    return {object, GL_FRAGMENT_SHADER, source, prefix};
}

constexpr ShaderSpec kVertex = vertexStage(ShaderObject::vert_shader, kNoPrefix);
constexpr ShaderSpec kVertexFlat = vertexStage(ShaderObject::vert_shader_flat, kFlatPrefix);
constexpr ShaderSpec kVertexFlatTex = vertexStage(ShaderObject::vert_shader_FT, kFlatTexPrefix);
constexpr ShaderSpec kVertexFlatFlatTex = vertexStage(ShaderObject::vert_flatquad_FT, kFlatFlatTexPrefix);
constexpr ShaderSpec kVertexPass = vertexStage(ShaderObject::vert_shader_pass, kPassPrefix);
constexpr ShaderSpec kVertexFlatPass = vertexStage(ShaderObject::vert_shader_flat_pass, kFlatPassPrefix);
constexpr ShaderSpec kVertexFlatTexPass = vertexStage(ShaderObject::vert_shader_FT_pass, kFlatTexPassPrefix);
constexpr ShaderSpec kVertexFlatFlatTexPass =
    vertexStage(ShaderObject::vert_flatquad_FT_pass, kFlatFlatTexPassPrefix);
constexpr ShaderSpec kPostprocessVertex{ShaderObject::vert_postprocess_shader, GL_VERTEX_SHADER,
                                        &ShaderSources::postprocessVertex, kNoPrefix};

constexpr ShaderSpec kDensity =
    fragmentStage(ShaderObject::frag_density_shader, &ShaderSources::density, kNoPrefix);
constexpr ShaderSpec kLight = fragmentStage(ShaderObject::frag_light_shader, &ShaderSources::light, kNoPrefix);
constexpr ShaderSpec kFlat = fragmentStage(ShaderObject::frag_flat_shader, &ShaderSources::flat, kNoPrefix);
constexpr ShaderSpec kSolid = fragmentStage(ShaderObject::frag_solid_shader, &ShaderSources::solid, kNoPrefix);
constexpr ShaderSpec kFlatQuad =
    fragmentStage(ShaderObject::frag_flatquad_shader, &ShaderSources::light, kFlatPrefix);
constexpr ShaderSpec kDensityFlatTex =
    fragmentStage(ShaderObject::frag_density_shader_FT, &ShaderSources::density, kFlatTexPrefix);
constexpr ShaderSpec kLightFlatTex =
    fragmentStage(ShaderObject::frag_light_shader_FT, &ShaderSources::light, kFlatTexPrefix);
constexpr ShaderSpec kFlatFlatTex =
    fragmentStage(ShaderObject::frag_flat_shader_FT, &ShaderSources::flat, kFlatTexPrefix);
constexpr ShaderSpec kFlatQuadFlatTex =
    fragmentStage(ShaderObject::frag_flatquad_shader_FT, &ShaderSources::light, kFlatFlatTexPrefix);

// The global set-up's programs, in build order. Programs that name the same stage share its shader
// object: the first compiles it, so the _pass programs, built after these, only compile their
// vertex stages.
constexpr ProgramSpec kPrograms[] = {
    {"prog_density_shader", Program::density_shader, kVertex, kDensity,
     "OpenGL vertex shader compilation failed", "OpenGL density fragment shader compilation failed",
     "OpenGL density shader linking failed"},
    {"prog_light_shader", Program::light_shader, kVertex, kLight,
     "OpenGL vertex shader compilation failed", "OpenGL light fragment shader compilation failed",
     "OpenGL light shader linking failed"},
    {"prog_flat_shader", Program::flat_shader, kVertex, kFlat,
     "OpenGL vertex shader compilation failed", "OpenGL flat fragment shader compilation failed",
     "OpenGL flat shader linking failed"},
    {"prog_solid_shader", Program::solid_shader, kVertex, kSolid,
     "OpenGL vertex shader compilation failed", "OpenGL solid fragment shader compilation failed",
     "OpenGL solid shader linking failed"},
    {"prog_flatquad_shader", Program::flatquad_shader, kVertexFlat, kFlatQuad,
     "OpenGL vertex shader flat compilation failed",
     "OpenGL flatquad fragment shader compilation failed", "OpenGL flatquad shader linking failed"},
    {"prog_density_shader_FT", Program::density_shader_FT, kVertexFlatTex, kDensityFlatTex,
     "OpenGL vertex FT shader compilation failed",
     "OpenGL density FT fragment shader compilation failed",
     "OpenGL density FT shader linking failed"},
    {"prog_light_shader_FT", Program::light_shader_FT, kVertexFlatTex, kLightFlatTex,
     "OpenGL vertex FT shader compilation failed",
     "OpenGL light FT fragment shader compilation failed", "OpenGL light FT shader linking failed"},
    {"prog_flat_shader_FT", Program::flat_shader_FT, kVertexFlatTex, kFlatFlatTex,
     "OpenGL vertex FT shader compilation failed",
     "OpenGL flat FT fragment shader compilation failed", "OpenGL flat FT shader linking failed"},
    {"prog_flatquad_shader_FT", Program::flatquad_shader_FT, kVertexFlatFlatTex, kFlatQuadFlatTex,
     "OpenGL flatquad vertex FT shader flat compilation failed",
     "OpenGL flatquad fragment FT shader compilation failed",
     "OpenGL flatquad FT shader linking failed"},
    {"prog_postprocess_shader", Program::postprocess_shader, kPostprocessVertex,
     fragmentStage(ShaderObject::frag_postprocess_shader, &ShaderSources::postprocess, kNoPrefix),
     "OpenGL vertex shader compilation failed",
     "OpenGL postprocess fragment shader compilation failed",
     "OpenGL postprocess shader linking failed"},
    // The occlusion program reports a failed link with the post-process text.
    {"prog_postprocess_ssao_shader", Program::postprocess_ssao_shader, kPostprocessVertex,
     fragmentStage(ShaderObject::frag_postprocess_ssao_shader, &ShaderSources::postprocessSsao, kNoPrefix),
     "OpenGL vertex SSAO shader compilation failed",
     "OpenGL postprocess SSAO fragment shader compilation failed",
     "OpenGL postprocess shader linking failed"},
};

// The displacement pass's programs, built on the first frame that uses the pass.
constexpr ProgramSpec kPassPrograms[] = {
    {"prog_density_shader_pass", Program::density_shader_pass, kVertexPass, kDensity,
     "OpenGL vertex pass shader compilation failed",
     "OpenGL density fragment shader compilation failed",
     "OpenGL density pass shader linking failed"},
    {"prog_light_shader_pass", Program::light_shader_pass, kVertexPass, kLight,
     "OpenGL vertex pass shader compilation failed",
     "OpenGL light fragment shader compilation failed",
     "OpenGL light pass shader linking failed"},
    {"prog_flat_shader_pass", Program::flat_shader_pass, kVertexPass, kFlat,
     "OpenGL vertex pass shader compilation failed",
     "OpenGL flat fragment shader compilation failed",
     "OpenGL flat pass shader linking failed"},
    {"prog_solid_shader_pass", Program::solid_shader_pass, kVertexPass, kSolid,
     "OpenGL vertex pass shader compilation failed",
     "OpenGL solid fragment shader compilation failed",
     "OpenGL solid pass shader linking failed"},
    {"prog_flatquad_shader_pass", Program::flatquad_shader_pass, kVertexFlatPass, kFlatQuad,
     "OpenGL vertex pass shader flat compilation failed",
     "OpenGL flatquad fragment shader compilation failed",
     "OpenGL flatquad pass shader linking failed"},
    {"prog_density_shader_FT_pass", Program::density_shader_FT_pass, kVertexFlatTexPass, kDensityFlatTex,
     "OpenGL vertex FT pass shader compilation failed",
     "OpenGL density FT fragment shader compilation failed",
     "OpenGL density FT pass shader linking failed"},
    {"prog_light_shader_FT_pass", Program::light_shader_FT_pass, kVertexFlatTexPass, kLightFlatTex,
     "OpenGL vertex FT pass shader compilation failed",
     "OpenGL light FT fragment shader compilation failed",
     "OpenGL light FT pass shader linking failed"},
    {"prog_flat_shader_FT_pass", Program::flat_shader_FT_pass, kVertexFlatTexPass, kFlatFlatTex,
     "OpenGL vertex FT pass shader compilation failed",
     "OpenGL flat FT fragment shader compilation failed",
     "OpenGL flat FT pass shader linking failed"},
    {"prog_flatquad_shader_FT_pass", Program::flatquad_shader_FT_pass, kVertexFlatFlatTexPass, kFlatQuadFlatTex,
     "OpenGL flatquad vertex FT pass shader flat compilation failed",
     "OpenGL flatquad fragment FT shader compilation failed",
     "OpenGL flatquad FT pass shader linking failed"},
    // The displacement pass draws one rectangle over its target, as the image passes do.
    {"prog_displacement_shader", Program::displacement_shader, kPostprocessVertex,
     fragmentStage(ShaderObject::frag_displacement_shader, &ShaderSources::displacement, kNoPrefix),
     "OpenGL vertex shader compilation failed",
     "OpenGL displacement fragment shader compilation failed",
     "OpenGL displacement shader linking failed"},
};

GLuint& nameOf(ShaderPrograms& built, ShaderObject shader)
{
    return built.shaders[static_cast<std::size_t>(shader)];
}

GLuint& nameOf(ShaderPrograms& built, Program program)
{
    return built.programs[static_cast<std::size_t>(program)];
}

constexpr bool rowsFollowProgramOrder(std::span<const ProgramSpec> rows, std::size_t first)
{
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (static_cast<std::size_t>(rows[i].program) != first + i) {
            return false;
        }
    }
    return true;
}
static_assert(std::size(kPrograms) == kSetUpProgramCount && rowsFollowProgramOrder(kPrograms, 0) &&
                  std::size(kPassPrograms) == kProgramCount - kSetUpProgramCount &&
                  rowsFollowProgramOrder(kPassPrograms, kSetUpProgramCount),
              "one row per program, in build order");

constexpr bool passVariantsFollowTheirPrograms()
{
    for (std::size_t i = 0; i < kSurfaceProgramCount; ++i) {
        const ProgramSpec& variant = kPassPrograms[static_cast<std::size_t>(passVariant(Program(i))) - kSetUpProgramCount];
        if (variant.fragment.object != kPrograms[i].fragment.object) {
            return false;
        }
    }
    return true;
}
static_assert(passVariantsFollowTheirPrograms(), "each pass variant shares its program's fragment stage");

// What a build prints: the set-up's handles, info logs and failure texts, or only the info log
// of what failed.
enum class Log { everything, failures };

// Compiles the stage unless an earlier program already did (a shared object compiled then).
bool compileOnce(const ShaderSpec& shader, const ShaderSources& sources, ShaderPrograms& built, Log log)
{
    GLuint& object = nameOf(built, shader.object);
    if (object != 0) {
        return true;
    }
    object = glCreateShader(shader.stage);
    const char* strings[2] = {shader.prefix, sources.*shader.source};
    glShaderSource(object, 2, strings, nullptr);
    glCompileShader(object);
    ZEL_GL_CHECK();
    GLint compiled = GL_FALSE;
    glGetShaderiv(object, GL_COMPILE_STATUS, &compiled);
    if (log == Log::everything || compiled != GL_TRUE) {
        printShaderInfoLog(object);
    }
    return compiled == GL_TRUE;
}

bool link(const ProgramSpec& row, ShaderPrograms& built, Log log)
{
    GLuint& program = nameOf(built, row.program);
    program = glCreateProgram();
    if (log == Log::everything) {
        std::printf("%s = %u\n", row.name, program);
    }
    glAttachShader(program, nameOf(built, row.vertex.object));
    glAttachShader(program, nameOf(built, row.fragment.object));
    glLinkProgram(program);
    ZEL_GL_CHECK();
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (log == Log::everything || linked != GL_TRUE) {
        printProgramInfoLog(program);
    }
    return linked == GL_TRUE;
}

// Builds the rows in order and stops at the first that fails; returns its failure text (the
// vertex stage's where both stages fail), or null when every row linked.
const char* buildRows(std::span<const ProgramSpec> rows, const ShaderSources& sources, ShaderPrograms& built, Log log)
{
    const bool announce = log == Log::everything;
    for (const ProgramSpec& program : rows) {
        const bool vertexCompiled = compileOnce(program.vertex, sources, built, log);
        const bool fragmentCompiled = compileOnce(program.fragment, sources, built, log);
        if (vertexCompiled && fragmentCompiled) {
            if (!link(program, built, log)) {
                if (announce) {
                    std::fputs(program.linkFailed, stdout);
                }
                return program.linkFailed;
            }
            continue;
        }
        if (announce && !vertexCompiled) {
            std::puts(program.vertexFailed);
        }
        if (announce && !fragmentCompiled) {
            std::puts(program.fragmentFailed);
        }
        return vertexCompiled ? program.fragmentFailed : program.vertexFailed;
    }
    return nullptr;
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
            frag_shader_flat_txt,     frag_shader_solid_txt,       frag_shader_displacement_txt,
            vert_shader_postprocess_txt, frag_shader_postprocess_txt, frag_shader_postprocess_ssao_txt};
}

const char* programName(Program program)
{
    const auto index = static_cast<std::size_t>(program);
    return index < kSetUpProgramCount ? kPrograms[index].name : kPassPrograms[index - kSetUpProgramCount].name;
}

bool buildShaderPrograms(const ShaderSources& sources, ShaderPrograms& built)
{
    return buildRows(kPrograms, sources, built, Log::everything) == nullptr;
}

const char* buildPassPrograms(const ShaderSources& sources, ShaderPrograms& built)
{
    return buildRows(kPassPrograms, sources, built, Log::failures);
}

void deleteShaderPrograms(ShaderPrograms& built)
{
    const auto release = [](GLuint& name, auto remove) {
        if (name != 0) {
            remove(name);
            name = 0;
        }
    };
    glUseProgram(0);
    const std::span<const ProgramSpec> tables[] = {kPrograms, kPassPrograms};
    for (const std::span<const ProgramSpec> rows : tables) {
        for (const ProgramSpec& row : rows) {
            release(nameOf(built, row.program), [](GLuint name) { glDeleteProgram(name); });
            release(nameOf(built, row.vertex.object), [](GLuint name) { glDeleteShader(name); });
            release(nameOf(built, row.fragment.object), [](GLuint name) { glDeleteShader(name); });
        }
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
