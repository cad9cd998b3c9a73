#include "tests/plugin/gl/gl_test_environment.h"

#include <cstdio>
#include <cstdlib>

#include "plugin/entry/opengl_setup.h"

namespace zel::test {

// A failure here must fail the run: a fatal assertion in an environment would only mark the tests
// as skipped.
void GLTestEnvironment::SetUp()
{
    InitializeOpenGL(defaultOpenGLSetupEnvironment());
    const char* problem = gSharedContext == nullptr           ? "no OpenGL context could be made (llvmpipe will do)"
                          : prog_postprocess_ssao_shader == 0 ? "not every shader program linked (see above)"
                                                              : nullptr;
    if (problem != nullptr) {
        std::fprintf(stderr, "GL tests cannot run: %s\n", problem);
        std::exit(1);
    }
}

void GLTestEnvironment::TearDown()
{
    ShutdownOpenGL(platform::eglContextPlatform());
}

SharedContextScope::SharedContextScope()
{
    platform::eglContextPlatform().setCurrentContext(gSharedContext);
}

SharedContextScope::~SharedContextScope()
{
    platform::eglContextPlatform().setCurrentContext(nullptr);
}

}  // namespace zel::test

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new zel::test::GLTestEnvironment);
    return RUN_ALL_TESTS();
}
