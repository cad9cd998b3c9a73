#include "tests/plugin/gl/fragment/fragment_test_support.h"

#include <map>
#include <string>
#include <utility>

#include "plugin/entry/opengl_setup.h"

namespace zel::test {
namespace {

constexpr const char* kSurfaceTestVertexSource = R"glsl(
#if defined(FLAT) || defined(FLAT_TEX)
#extension GL_EXT_gpu_shader4 : require
#endif
#ifdef FLAT
flat varying vec3 N;
#else
varying vec3 N;
#endif
#ifdef FLAT_TEX
flat varying vec2 vTexCoord;
#else
varying vec2 vTexCoord;
#endif
varying float D;
varying vec3 P;
void main()
{
    gl_FrontColor = gl_Color;
    N = gl_Normal;
    vTexCoord = gl_MultiTexCoord0.xy;
    D = gl_MultiTexCoord0.z;
    P = gl_MultiTexCoord1.xyz;
    gl_Position = vec4(gl_Vertex.xyz, 1.0);
}
)glsl";

std::string infoLog(GLuint object, bool isProgram)
{
    GLint length = 0;
    (isProgram ? glGetProgramiv : glGetShaderiv)(object, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<std::size_t>(std::max(length, 1)), '\0');
    (isProgram ? glGetProgramInfoLog : glGetShaderInfoLog)(object, length, nullptr, log.data());
    return log;
}

GLuint compile(GLenum stage, const char* prefix, const char* source)
{
    const GLuint shader = glCreateShader(stage);
    const char* strings[2] = {prefix, source};
    glShaderSource(shader, 2, strings, nullptr);
    glCompileShader(shader);
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    EXPECT_EQ(compiled, GL_TRUE) << infoLog(shader, false);
    return shader;
}

GLint location(GLuint program, const char* name)
{
    const GLint at = glGetUniformLocation(program, name);
    EXPECT_GE(at, 0) << "the program has no active uniform " << name;
    return at;
}

}  // namespace

Vec4 sampleNearest(const Image& image, const Vec2& coord, Wrap wrap)
{
    const auto texel = [wrap](double c, int size) {
        const int i = static_cast<int>(std::floor(c * size));
        return wrap == Wrap::Clamp ? std::clamp(i, 0, size - 1) : ((i % size) + size) % size;
    };
    return image.at(texel(coord[0], image.width), texel(coord[1], image.height));
}

RenderTarget::RenderTarget(int width, int height) : width_(width), height_(height)
{
    // Made without binding, so that no texture unit loses what a test bound on it.
    glCreateTextures(GL_TEXTURE_2D, 2, colors_.data());
    glCreateFramebuffers(1, &framebuffer_);
    for (std::size_t i = 0; i < colors_.size(); ++i) {
        glTextureStorage2D(colors_[i], 1, GL_RGBA32F, width, height);
        glNamedFramebufferTexture(framebuffer_, GL_COLOR_ATTACHMENT0 + static_cast<GLenum>(i), colors_[i], 0);
    }
    glCreateRenderbuffers(1, &depth_);
    glNamedRenderbufferStorage(depth_, GL_DEPTH_COMPONENT24, width, height);
    glNamedFramebufferRenderbuffer(framebuffer_, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth_);
    const GLenum buffers[2] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1};
    glNamedFramebufferDrawBuffers(framebuffer_, 2, buffers);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
    glViewport(0, 0, width, height);
}

RenderTarget::~RenderTarget()
{
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer_);
    glDeleteTextures(2, colors_.data());
    glDeleteRenderbuffers(1, &depth_);
}

void RenderTarget::clear(const Vec4& color, double depth) const
{
    const GLfloat value[4] = {static_cast<GLfloat>(color[0]), static_cast<GLfloat>(color[1]),
                              static_cast<GLfloat>(color[2]), static_cast<GLfloat>(color[3])};
    glClearBufferfv(GL_COLOR, 0, value);
    glClearBufferfv(GL_COLOR, 1, value);
    glClearDepth(depth);
    glClear(GL_DEPTH_BUFFER_BIT);
}

Image RenderTarget::readColor(int attachment) const
{
    std::vector<GLfloat> pixels(static_cast<std::size_t>(4 * width_ * height_));
    glReadBuffer(GL_COLOR_ATTACHMENT0 + static_cast<GLenum>(attachment));
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_FLOAT, pixels.data());
    Image image{width_, height_, {}};
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
        image.texels.push_back({pixels[i], pixels[i + 1], pixels[i + 2], pixels[i + 3]});
    }
    return image;
}

std::vector<double> RenderTarget::readDepth() const
{
    std::vector<GLfloat> depth(static_cast<std::size_t>(width_ * height_));
    glReadPixels(0, 0, width_, height_, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
    return {depth.begin(), depth.end()};
}

FloatTexture::FloatTexture(const Image& image, GLuint unit, GLint wrap)
{
    std::vector<GLfloat> texels;
    for (const Vec4& t : image.texels) {
        texels.insert(texels.end(), t.begin(), t.end());
    }
    glCreateTextures(GL_TEXTURE_2D, 1, &name_);
    glTextureStorage2D(name_, 1, GL_RGBA32F, image.width, image.height);
    glTextureSubImage2D(name_, 0, 0, 0, image.width, image.height, GL_RGBA, GL_FLOAT, texels.data());
    for (const GLenum parameter : {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER}) {
        glTextureParameteri(name_, parameter, GL_NEAREST);
    }
    for (const GLenum parameter : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T}) {
        glTextureParameteri(name_, parameter, wrap);
    }
    glBindTextureUnit(unit, name_);
}

GLuint surfaceTestProgram(const char* prefix, const char* fragmentSource)
{
    static std::map<std::pair<const char*, const char*>, GLuint> programs;
    GLuint& program = programs[{prefix, fragmentSource}];
    if (program == 0) {
        program = glCreateProgram();
        glAttachShader(program, compile(GL_VERTEX_SHADER, prefix, kSurfaceTestVertexSource));
        glAttachShader(program, compile(GL_FRAGMENT_SHADER, prefix, fragmentSource));
        glLinkProgram(program);
        GLint linked = GL_FALSE;
        glGetProgramiv(program, GL_LINK_STATUS, &linked);
        EXPECT_EQ(linked, GL_TRUE) << infoLog(program, true);
        if (linked != GL_TRUE) {
            glDeleteProgram(program);
            program = 0;
        }
    }
    return program;
}

void setUniform(GLuint program, const char* name, int value) { glUniform1i(location(program, name), value); }

void setUniform(GLuint program, const char* name, double value)
{
    glUniform1f(location(program, name), static_cast<GLfloat>(value));
}

void setUniform(GLuint program, const char* name, const Vec4& value)
{
    glUniform4f(location(program, name), static_cast<GLfloat>(value[0]), static_cast<GLfloat>(value[1]),
                static_cast<GLfloat>(value[2]), static_cast<GLfloat>(value[3]));
}

void drawQuad(bool frontFacing, const std::function<void(const Vec2& corner)>& attributes)
{
    constexpr Vec2 c0{-1.0, -1.0}, c1{1.0, -1.0}, c2{1.0, 1.0}, c3{-1.0, 1.0};
    constexpr std::array<Vec2, 6> front{c0, c1, c2, c0, c2, c3};
    constexpr std::array<Vec2, 6> back{c1, c0, c2, c2, c0, c3};
    glProvokingVertex(GL_LAST_VERTEX_CONVENTION);  // the default, which the flat varyings rely on
    glBegin(GL_TRIANGLES);
    for (const Vec2& corner : frontFacing ? front : back) {
        attributes(corner);
        glVertex2d(corner[0], corner[1]);
    }
    glEnd();
}

void expectImageNear(const Image& actual, const std::vector<Vec4>& expected, double tolerance)
{
    ASSERT_EQ(actual.texels.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        for (std::size_t c = 0; c < 4; ++c) {
            EXPECT_NEAR(actual.texels[i][c], expected[i][c], tolerance)
                << "pixel (" << i % static_cast<std::size_t>(actual.width) << ", "
                << i / static_cast<std::size_t>(actual.width) << ") channel " << c;
        }
    }
}

void FragmentProgramTest::SetUp()
{
    ASSERT_NE(gSharedContext, nullptr) << "no OpenGL context: these tests need one (llvmpipe will do)";
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

void FragmentProgramTest::TearDown()
{
    glUseProgram(0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace zel::test
