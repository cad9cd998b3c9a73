// The vertex colour with fog only, for the wireframe drawn over the shaded surface.
#include "fog.glsl"

uniform vec4 FogColor;

varying vec3 P;

void main()
{
    gl_FragData[0] = mix(FogColor, gl_Color, fogFactor(P.z));
}
