#version 120
// Converts the rendered image into the host's pixels after darkening it by screen-space ambient
// occlusion, estimated from the normal and eye-space depth the surface pass stored.
#include "fog.glsl"
#include "host_pixel.glsl"

uniform sampler2D normal_and_depth_buffer;
uniform sampler2D randTexture;
uniform float AORadius;
uniform float AOIntensity;
uniform float AOScale;
uniform float AOBias;
uniform vec3 AOSamplePattern[32];
uniform int enableSSAO;
uniform float w;
uniform float h;
uniform float zoom;

// Eye-space position of the surface seen at coord, from its stored eye-space z and the image
// plane at distance zoom.
vec3 getPosition(vec2 coord)
{
    float z = texture2D(normal_and_depth_buffer, coord).a;
    vec3 eye = vec3(w * (coord.x - 0.5), h * (coord.y - 0.5), zoom);
    vec3 pos = eye * z / eye.z;
    return vec3(-pos.x, -pos.y, pos.z);
}

// Occlusion of the point pos (normal norm) by the surface seen at coord + offset: strong when
// that surface lies in front of the normal and near.
float getAO(vec2 coord, vec2 offset, vec3 pos, vec3 norm)
{
    vec3 diff = getPosition(coord + offset) - pos;
    vec3 v = normalize(diff);
    float d = length(diff) * AOScale;
    return max(0.0, dot(norm, v) - AOBias) * 1.0 / (1.0 + d);
}

void main()
{
    vec2 texcoord = gl_TexCoord[0].xy;
    vec4 c = texture2D(colorTexture, texcoord);
    if (c.a > 0.0) {
        vec3 vpos = getPosition(texcoord);
        vec3 norm = texture2D(normal_and_depth_buffer, texcoord).rgb;
        vec2 refl = vec2(0.0, 1.0);
        float radm = 1.0;
        if (enableSSAO > 2) {
            // The random texture repeats every 256 pixels.
            vec3 rnd = texture2D(randTexture, texcoord * vec2(w, h) / vec2(256.0, 256.0)).xyz
                     * 2.0 - 1.0;
            if (enableSSAO > 3) {
                refl = normalize(rnd.xy);
            }
            if (enableSSAO < 5) {
                radm = 0.9 + 0.2 * rnd.z;
            }
        }
        // The kernel covers a screen radius that shrinks with depth.
        float radi = AORadius * radm / vpos.z;
        float ao = 0.0;
        for (int i = 0; i < 32; ++i) {
            ao += getAO(texcoord, reflect(AOSamplePattern[i].xy, refl) * radi, vpos, norm);
        }
        ao *= 0.03125;  // the mean over the 32 samples
        // The colour is still premultiplied; hostPixel un-premultiplies it afterwards.
        c.rgb -= fogFactor(vpos.z) * ao * AOIntensity;
    }
    gl_FragColor = hostPixel(c);
}
