// The surface pass's program, chosen by the shader and texture controls, and the uniforms of the
// main pass and of the wireframe second pass.
#pragma once

#include <epoxy/gl.h>

#include "plugin/render/displacement_pass.h"
#include "plugin/render/frame_context.h"

namespace zel {

// Makes the chosen program current (falling back to the plain variant when the driver refuses
// it), its variant that reads the displacement pass's results with `pass`, and sets `inUse` to
// what is current; 0 for a shader value that names no program.
PF_Err useSurfaceProgram(FrameContext& frame, bool pass, GLuint& inUse);

void setMainPassUniforms(GLuint program, const FrameValues& values, const DisplacementSource& source);

// Makes the solid program current and sets its uniforms.
void useSecondPassProgram(const FrameValues& values, const DisplacementSource& source);

// The displacement pass program's uniforms, with `coordinates` texels of grid coordinates.
void setDisplacementPassUniforms(GLuint program, const FrameValues& values, int coordinates);

}  // namespace zel
