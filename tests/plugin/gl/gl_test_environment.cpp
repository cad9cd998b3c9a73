#include "tests/plugin/gl/gl_test_environment.h"

#include "plugin/entry/opengl_setup.h"

namespace zel::test {

void GLTestEnvironment::SetUp()
{
    InitializeOpenGL(defaultOpenGLSetupEnvironment());
    ASSERT_NE(gSharedContext, nullptr) << "no OpenGL context: GL tests need one (llvmpipe will do)";
    ASSERT_NE(prog_postprocess_ssao_shader, 0u) << "not every program linked; see the output above";
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
