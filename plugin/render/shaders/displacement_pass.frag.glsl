// The displacement pass: fragment (c, r) of a target with one texel per grid vertex evaluates that
// vertex's displacement once for every instance and pass that draws it. Texel k of gridCoordinates
// holds column k's x and u and row k's y and v, as the grid walk sends them.
#include "displacement.glsl"

uniform sampler2D gridCoordinates;
uniform float GridCoordinateCount;

void main()
{
    vec4 displaced;
    vec4 shape;
    vec4 across = texture2D(gridCoordinates, vec2(gl_FragCoord.x / GridCoordinateCount, 0.5));
    vec4 up = texture2D(gridCoordinates, vec2(gl_FragCoord.y / GridCoordinateCount, 0.5));
    displaceGridPoint(vec3(across.x, up.z, 0.0), vec2(across.y, up.w), displaced, shape);
    gl_FragData[0] = displaced;
    gl_FragData[1] = shape;
}
