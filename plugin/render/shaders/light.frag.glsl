#ifdef FLAT
#extension GL_EXT_gpu_shader4 : require
#endif
#ifdef FLAT_TEX
#extension GL_EXT_gpu_shader4 : require
#endif

// Phong shading with the interpolated normal; under FLAT each primitive takes its provoking
// vertex's normal and is lit evenly.
#include "fog.glsl"
#include "surface_shading.glsl"
#include "phong.glsl"

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

void main()
{
    shadePhong(normalize(gl_FrontFacing ? N : -N), vTexCoord);
}
