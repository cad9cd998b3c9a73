#include "tests/plugin/gl/gl_test_environment.h"

#include <cstdio>
#include <cstdlib>
#include <set>

#include "plugin/render/shared_gl_state.h"

namespace zel::test {

// Runs the module's GL initialisation once per test process and ends the run when it produced no
// context or not every program: a fatal assertion in an environment would only mark the tests as
// skipped.
struct GLTestEnvironment : ::testing::Environment {
    void SetUp() override
    {
        sharedGL().initialize(defaultOpenGLSetupEnvironment());
        const char* problem =
            sharedGL().gSharedContext() == nullptr ? "no OpenGL context could be made (llvmpipe will do)"
            : sharedGL().programs()[Program::postprocess_ssao_shader] == 0 ? "not every shader program linked (see above)"
                                                                          : nullptr;
        if (problem != nullptr) {
            std::fprintf(stderr, "GL tests cannot run: %s\n", problem);
            std::exit(1);
        }
    }
    void TearDown() override { sharedGL().shutdown(platform::eglContextPlatform()); }
};

SharedContextScope::SharedContextScope() { platform::eglContextPlatform().setCurrentContext(sharedGL().gSharedContext()); }

SharedContextScope::~SharedContextScope() { platform::eglContextPlatform().setCurrentContext(nullptr); }

GLuint buildProgram(const char* vertex, const char* fragment, const std::vector<const char*>& captured)
{
    const GLuint program = glCreateProgram();
    for (const auto& [stage, source] : {std::pair{GL_VERTEX_SHADER, vertex}, {GL_FRAGMENT_SHADER, fragment}}) {
        if (source != nullptr) {
            const GLuint shader = glCreateShader(stage);
            glShaderSource(shader, 1, &source, nullptr);
            glCompileShader(shader);
            printShaderInfoLog(shader);
            glAttachShader(program, shader);
            glDeleteShader(shader);
        }
    }
    glTransformFeedbackVaryings(program, GLsizei(captured.size()), captured.data(), GL_INTERLEAVED_ATTRIBS);
    glLinkProgram(program);
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    printProgramInfoLog(program);
    EXPECT_EQ(linked, GL_TRUE) << "the program did not link (the driver's log is above)";
    return program;
}

void setUniforms(GLuint program, const Uniforms& uniforms, bool all)
{
    GLint count = 0;
    glGetProgramiv(program, GL_ACTIVE_UNIFORMS, &count);
    std::set<std::string> set;
    for (GLuint i = 0; i < static_cast<GLuint>(count); ++i) {
        char name[64];
        GLint size = 0;
        GLenum type = 0;
        glGetActiveUniform(program, i, sizeof name, nullptr, &size, &type, name);
        const std::string uniform = name;
        const auto given = uniforms.find(uniform.substr(0, uniform.find('[')));  // arrays are named "a[0]"
        if (given == uniforms.end()) {
            EXPECT_TRUE(!all || uniform.starts_with("gl_")) << "no value for the uniform " << uniform;
            continue;
        }
        const std::vector<float> v(given->second.begin(), given->second.end());
        const int components = type == GL_FLOAT_VEC3 ? 3 : type == GL_FLOAT_VEC4 ? 4 : type == GL_FLOAT_MAT4 ? 16 : 1;
        ASSERT_EQ(v.size(), std::size_t(components * size)) << name;
        const GLint at = glGetUniformLocation(program, name);
        switch (type) {
        case GL_FLOAT: glUniform1fv(at, size, v.data()); break;
        case GL_FLOAT_VEC3: glUniform3fv(at, size, v.data()); break;
        case GL_FLOAT_VEC4: glUniform4fv(at, size, v.data()); break;
        case GL_FLOAT_MAT4: glUniformMatrix4fv(at, size, GL_FALSE, v.data()); break;
        default: glUniform1i(at, static_cast<GLint>(v[0]));  // int and sampler
        }
        set.insert(given->first);
    }
    for (const auto& [name, value] : uniforms) EXPECT_TRUE(set.contains(name)) << name << " is no active uniform";
}

}  // namespace zel::test

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new zel::test::GLTestEnvironment);
    return RUN_ALL_TESTS();
}
