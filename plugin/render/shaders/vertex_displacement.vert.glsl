#ifdef FLAT
#extension GL_EXT_gpu_shader4 : require
#endif
#ifdef FLAT_TEX
#extension GL_EXT_gpu_shader4 : require
#endif

// The surface's vertex stage: the displaced grid point and its shape, evaluated here, or under
// DISPLACEMENT_PASS read from what the displacement pass left for this grid vertex, turned by the
// instance's matrices. The variants are separate programs: the driver would run the evaluation
// under a uniform branch for every vertex, masked off or not. The extension lines stand above
// everything else because drivers reject them after the first declaration.
#ifdef DISPLACEMENT_PASS
// The grid's segments across and up in xy, its vertices across and up (the textures' size) in zw.
uniform vec4 GridLookup;
uniform sampler2D displacedPosition;
uniform sampler2D displacedShape;
#else
#include "displacement.glsl"
#endif

uniform int useTexture;
uniform float TexScaleY;
uniform float Z_offset;

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
varying float D;
varying vec3 P;

void main()
{
    gl_FrontColor = gl_Color;

#ifdef DISPLACEMENT_PASS
    // The grid coordinate u = c / segments lands within rounding of column c; the look-up goes to
    // that texel's centre, on the base level as every vertex-stage look-up.
    vec2 texel = (gl_MultiTexCoord1.xy * GridLookup.xy + 0.5) / GridLookup.zw;
    vec4 displaced = texture2D(displacedPosition, texel);
    vec4 shape = texture2D(displacedShape, texel);
#else
    vec4 displaced;
    vec4 shape;
    displaceGridPoint(gl_Vertex.xyz, gl_MultiTexCoord1.xy, displaced, shape);
#endif
    vec3 pos0 = displaced.xyz;
    gl_Position = gl_ModelViewProjectionMatrix * vec4(pos0, 1.0) + vec4(0.0, 0.0, Z_offset, 0.0);
    P = (gl_ModelViewMatrix * vec4(pos0, 1.0)).xyz;
    N = normalize(gl_NormalMatrix * shape.xyz);
    D = shape.w;

    if (useTexture == 2) {
        vTexCoord = vec2(gl_MultiTexCoord0.x, displaced.w * TexScaleY);
    } else {
        vTexCoord = gl_MultiTexCoord0.xy;
    }
}
