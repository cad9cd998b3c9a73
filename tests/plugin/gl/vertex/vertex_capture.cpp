#include <iterator>
#include <set>

#include "plugin/render/shader_programs.h"
#include "plugin/render/shaders/shader_sources.h"
#include "tests/plugin/gl/vertex/displacement_state.h"

namespace zel::test {
namespace {

constexpr const char* kVaryings[] = {"gl_Position", "P", "N", "D", "vTexCoord"};  // CapturedVertex order
constexpr GLint kAmplitudeUnit = 5;

}  // namespace

VertexCapture::VertexCapture()
{
    // An empty variant prefix and the source, exactly as global set-up compiles the plain programs.
    const char* strings[] = {"", vert_shader_txt};
    shader_ = glCreateShader(GL_VERTEX_SHADER);
    glShaderSource(shader_, 2, strings, nullptr);
    glCompileShader(shader_);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader_, GL_COMPILE_STATUS, &ok);
    if (ok != GL_TRUE) {
        printShaderInfoLog(shader_);
        buildError_ = "the vertex source did not compile";
        return;
    }
    program_ = glCreateProgram();
    glAttachShader(program_, shader_);
    glTransformFeedbackVaryings(program_, GLsizei(std::size(kVaryings)), kVaryings, GL_INTERLEAVED_ATTRIBS);
    glLinkProgram(program_);
    glGetProgramiv(program_, GL_LINK_STATUS, &ok);
    if (ok != GL_TRUE) {
        printProgramInfoLog(program_);
        buildError_ = "the capture program did not link";
        return;
    }
    glGenTextures(1, &amplitudeTexture_);
    glActiveTexture(GL_TEXTURE0 + kAmplitudeUnit);
    glBindTexture(GL_TEXTURE_2D, amplitudeTexture_);
    for (const auto& [name, value] : {std::pair{GL_TEXTURE_MIN_FILTER, GL_NEAREST}, {GL_TEXTURE_MAG_FILTER, GL_NEAREST},
                                      {GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE}, {GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE}}) {
        glTexParameteri(GL_TEXTURE_2D, name, value);
    }
    glActiveTexture(GL_TEXTURE0);
    glGenBuffers(1, &buffer_);
    glGenQueries(1, &query_);
    // The context has no surface, and a draw needs a complete framebuffer even when nothing reaches it.
    glGenRenderbuffers(1, &renderbuffer_);
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, 1, 1);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glGenFramebuffers(1, &framebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, renderbuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

VertexCapture::~VertexCapture()
{
    glDeleteFramebuffers(1, &framebuffer_);
    glDeleteRenderbuffers(1, &renderbuffer_);
    glDeleteQueries(1, &query_);
    glDeleteBuffers(1, &buffer_);
    glDeleteTextures(1, &amplitudeTexture_);
    glDeleteProgram(program_);
    glDeleteShader(shader_);
}

std::string VertexCapture::setUniforms(const DisplacementState& s)
{
    std::set<std::string> named;
    const auto at = [&](const char* name) {
        named.insert(name);
        return glGetUniformLocation(program_, name);
    };
    glUniform3fv(at("NoiseAmp"), 1, s.noiseAmp.data());
    for (const auto& [name, v] : {std::pair{"NoiseFreq", &s.noiseFreq}, {"NoiseOffset", &s.noiseOffset}, {"Ex", &s.ex},
                                  {"Ey", &s.ey}, {"Ez", &s.ez}, {"Ox", &s.ox}}) {
        glUniform4fv(at(name), 1, v->data());
    }
    glUniformMatrix4fv(at("NoiseLoopMatrix"), 1, GL_FALSE, s.noiseLoopMatrix.data());
    for (const auto& [name, v] :
         {std::pair{"OctScale", s.octScale}, {"OctMult", s.octMult}, {"NoiseLoopW", s.noiseLoopW},
          {"NoiseAdd", s.noiseAdd}, {"NoiseMult", s.noiseMult}, {"NoiseFloorZ", s.noiseFloorZ}, {"NoiseCeilZ", s.noiseCeilZ},
          {"NoiseNorm", s.noiseNorm}, {"BendX", s.bendX}, {"BendY", s.bendY}, {"BendXpost", s.bendXpost},
          {"BendYpost", s.bendYpost}, {"Epsilon", s.epsilon}, {"Efx", s.efx}, {"Efy", s.efy},
          {"texelSizeX", s.texelSizeX}, {"texelSizeY", s.texelSizeY}, {"textureSizeX", s.textureSizeX},
          {"textureSizeY", s.textureSizeY}, {"TexScaleY", s.texScaleY}, {"Z_offset", s.zOffset}}) {
        glUniform1f(at(name), v);
    }
    for (const auto& [name, v] :
         {std::pair{"Complexity", s.complexity}, {"FractalType", s.fractalType}, {"NoiseLoop", s.noiseLoop},
          {"useFTexture", s.useFTexture}, {"postpixeltransf", s.postpixeltransf}, {"useTexture", s.useTexture},
          {"permTexture", 1}, {"simplexTexture", 2}, {"gradTexture", 3}, {"fTexture", kAmplitudeUnit}}) {
        glUniform1i(at(name), v);
    }
    // A uniform the shader gained but this harness does not set would silently read 0.
    GLint count = 0;
    glGetProgramiv(program_, GL_ACTIVE_UNIFORMS, &count);
    std::string unset;
    for (GLint i = 0; i < count; ++i) {
        char name[128];
        GLsizei length = 0;
        GLint size = 0;
        GLenum type = 0;
        glGetActiveUniform(program_, static_cast<GLuint>(i), sizeof name, &length, &size, &type, name);
        const std::string uniform(name, static_cast<std::size_t>(length));
        if (!uniform.starts_with("gl_") && !named.contains(uniform)) {
            unset += " " + uniform;
        }
    }
    return unset.empty() ? std::string() : "uniforms the capture does not set:" + unset;
}

VertexCapture::Result VertexCapture::capture(const DisplacementState& state, const AmplitudeImage& amplitude,
                                             std::span<const GridVertex> vertices)
{
    Result result;
    glUseProgram(program_);
    result.error = setUniforms(state);

    glActiveTexture(GL_TEXTURE0 + kAmplitudeUnit);
    glBindTexture(GL_TEXTURE_2D, amplitudeTexture_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, amplitude.width, amplitude.height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 amplitude.texels.data());
    glActiveTexture(GL_TEXTURE0);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadMatrixf(state.projection.data());
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadMatrixf(state.modelview.data());

    const auto bytes = static_cast<GLsizeiptr>(vertices.size() * sizeof(CapturedVertex));
    glBindBuffer(GL_TRANSFORM_FEEDBACK_BUFFER, buffer_);
    glBufferData(GL_TRANSFORM_FEEDBACK_BUFFER, bytes, nullptr, GL_STREAM_READ);
    glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, buffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glEnable(GL_RASTERIZER_DISCARD);
    glBeginQuery(GL_TRANSFORM_FEEDBACK_PRIMITIVES_WRITTEN, query_);
    glBeginTransformFeedback(GL_POINTS);
    glBegin(GL_POINTS);
    for (const GridVertex& v : vertices) {
        glMultiTexCoord3f(GL_TEXTURE0, v.s, v.t, 1.0f);
        glMultiTexCoord3f(GL_TEXTURE1, v.u, v.v, 0.0f);
        glVertex3f(v.x, v.y, 0.0f);
    }
    glEnd();
    glEndTransformFeedback();
    glEndQuery(GL_TRANSFORM_FEEDBACK_PRIMITIVES_WRITTEN);
    glDisable(GL_RASTERIZER_DISCARD);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    const GLenum drawError = glGetError();

    GLuint written = 0;
    glGetQueryObjectuiv(query_, GL_QUERY_RESULT, &written);
    if (written == vertices.size()) {
        result.vertices.resize(vertices.size());
        glGetBufferSubData(GL_TRANSFORM_FEEDBACK_BUFFER, 0, bytes, result.vertices.data());
    } else if (result.error.empty()) {
        result.error = "transform feedback wrote " + std::to_string(written) + " of " +
                       std::to_string(vertices.size()) + " vertices; GL error " + std::to_string(drawError);
    }
    glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, 0);
    glBindBuffer(GL_TRANSFORM_FEEDBACK_BUFFER, 0);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glUseProgram(0);
    if (const GLenum error = glGetError(); error != GL_NO_ERROR && result.error.empty()) {
        result.error = "GL error " + std::to_string(error) + " during the capture";
    }
    return result;
}

}  // namespace zel::test
