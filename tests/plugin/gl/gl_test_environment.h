// GL tests share one process-wide set-up, as the module does: one context, eleven programs and
// the lookup textures, built once per test process so the driver compiles the shaders once.
#pragma once

#include <gtest/gtest.h>

namespace zel::test {

// Runs the module's GL initialisation once and fails every test when it produced no context or
// not every program. Registered by the GL tests' main.
class GLTestEnvironment : public ::testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;
};

// Makes the shared context current for a test's scope and leaves none current after it, as the
// renderer does around a frame.
class SharedContextScope {
public:
    SharedContextScope();
    ~SharedContextScope();
    SharedContextScope(const SharedContextScope&) = delete;
    SharedContextScope& operator=(const SharedContextScope&) = delete;
};

}  // namespace zel::test
