#ifdef FLAT_TEX
#extension GL_EXT_gpu_shader4 : require
#endif

// Density shading: brightness follows how the displacement compresses the grid and how edge-on
// the surface is seen, not the direction of the lights.
#include "fog.glsl"
#include "surface_shading.glsl"

uniform float DensityAffect;
uniform float NormalAffect;

varying vec3 N;
#ifdef FLAT_TEX
flat varying vec2 vTexCoord;
#else
varying vec2 vTexCoord;
#endif
varying float D;

void main()
{
    vec4 tex = surfaceTexture(vTexCoord);
    // 1 - N.z^2 grows where the surface is seen edge-on.
    float Ni = clamp(mix(1.0, 1.0 - N.z * N.z, NormalAffect), 0.0, 1.0);
    float Di = mix(1.0, D, DensityAffect);
    vec3 Isum = vec3(0.0);
    for (int i = 0; i < noLights; ++i) {
        Isum += lightFalloff(gl_LightSource[i].position.xyz - P) * Diffuse
              * gl_LightSource[i].diffuse.rgb;
    }
    vec4 color = Di * Ni * vec4((Isum + Ambient.rgb) * gl_Color.rgb, gl_Color.a);
    writeSurface(color * tex, gl_FrontFacing ? N : -N);
}
