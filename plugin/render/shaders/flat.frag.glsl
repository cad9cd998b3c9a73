#ifdef FLAT_TEX
#extension GL_EXT_gpu_shader4 : require
#endif

// Phong shading of facets: the normal comes from screen-space derivatives of the eye position,
// so it is the same on both sides of the surface.
#include "fog.glsl"
#include "surface_shading.glsl"
#include "phong.glsl"

#ifdef FLAT_TEX
flat varying vec2 vTexCoord;
#else
varying vec2 vTexCoord;
#endif

void main()
{
    shadePhong(normalize(cross(dFdx(P), dFdy(P))), vTexCoord);
}
