#ifdef FLAT
#extension GL_EXT_gpu_shader4 : require
#endif
#ifdef FLAT_TEX
#extension GL_EXT_gpu_shader4 : require
#endif

// The surface's vertex stage: the displaced grid point, evaluated here or read from what the
// displacement pass left for this grid vertex, and normal, density and texture coordinate from its
// finite differences. The extension lines stand above everything else because drivers reject them
// after the first declaration.
#include "displacement.glsl"

uniform int useTexture;
uniform float TexScaleY;
uniform float Z_offset;
// 1: the displacement pass has filled the three textures, one texel per grid vertex; GridLookup
// holds the grid's segments across and up in xy, its vertices across and up in zw.
uniform int DisplacementPass;
uniform vec4 GridLookup;
uniform sampler2D displacedPosition;
uniform sampler2D displacedTangent;
uniform sampler2D displacedBitangent;

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

    vec4 displaced;
    vec3 tpos;
    vec3 bpos;
    if (DisplacementPass == 1) {
        // The grid coordinate u = c / segments lands within rounding of column c; the look-up
        // goes to that texel's centre, on the base level as every vertex-stage look-up.
        vec2 texel = (gl_MultiTexCoord1.xy * GridLookup.xy + 0.5) / GridLookup.zw;
        displaced = texture2D(displacedPosition, texel);
        tpos = texture2D(displacedTangent, texel).xyz;
        bpos = texture2D(displacedBitangent, texel).xyz;
    } else {
        displaceGridPoint(gl_Vertex.xyz, gl_MultiTexCoord1.xy, displaced, tpos, bpos);
    }
    vec3 pos0 = displaced.xyz;
    gl_Position = gl_ModelViewProjectionMatrix * vec4(pos0, 1.0) + vec4(0.0, 0.0, Z_offset, 0.0);
    P = (gl_ModelViewMatrix * vec4(pos0, 1.0)).xyz;

    N = normalize(gl_NormalMatrix * -cross(bpos, tpos));
    // 1 where the grid keeps its spacing, below 1 where the displacement stretches it.
    D = Epsilon / sqrt(length(tpos) * length(bpos));

    if (useTexture == 2) {
        vTexCoord = vec2(gl_MultiTexCoord0.x, displaced.w * TexScaleY);
    } else {
        vTexCoord = gl_MultiTexCoord0.xy;
    }
}
