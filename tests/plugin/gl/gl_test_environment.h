// What the GL tests share: one process-wide set-up, as the module does (one context, eleven
// programs and the lookup textures, built once per test process), and programs and uniforms of
// their own.
#pragma once

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace zel::test {

// Makes the shared context current for a test's scope and leaves none current after it, as the
// renderer does around a frame.
struct SharedContextScope {
    SharedContextScope();
    ~SharedContextScope();
};

// Uniform values by name; the driver gets them as floats, or ints for int and sampler uniforms.
using Uniforms = std::map<std::string, std::vector<double>>;

// Links the vertex and fragment source (none: no fragment stage), capturing `captured` varyings by
// transform feedback; a failed compile or link fails the test with the driver's log.
GLuint buildProgram(const char* vertex, const char* fragment, const std::vector<const char*>& captured = {});

// Sets uniforms of the program in use. A name that is no active uniform fails the test, and so,
// when `all` is set, does an active uniform left out (it would silently read 0).
void setUniforms(GLuint program, const Uniforms& uniforms, bool all);

}  // namespace zel::test
