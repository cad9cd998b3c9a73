// Console diagnostics at GL checkpoints. They report and never stop anything: callers decide.
#pragma once

#include <epoxy/gl.h>

namespace zel {

// Prints and clears every pending GL error as "glError in file <file> @ line <line>: <text>";
// 1 when there was one, else 0.
int printOglError(const char* file, int line);

// 0 when the bound framebuffer is complete; otherwise prints the reason on one line and returns 1.
int checkFramebufferStatus();

// The uniform's location, printing its name when the program has no such uniform. A location of
// -1 is harmless: GL ignores values sent to it.
GLint getUniLoc(GLuint program, const char* name);

}  // namespace zel

// Each checkpoint names the module and its own line, so the console tells them apart.
#define ZEL_GL_CHECK() ::zel::printOglError("zel", __LINE__)
