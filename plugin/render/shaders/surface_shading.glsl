// Texture, light falloff and output shared by the lit surface sources (density, light, flat).
uniform vec4 Ambient;
uniform float Diffuse;
uniform int Falloff;
uniform float Fr2;
uniform float Fk;
uniform float Fm;
uniform int noLights;
uniform sampler2D colorTexture;
uniform int useTexture;
uniform int postpixeltransf;
uniform vec4 FogColor;
uniform int enableSSAO;

varying vec3 P;

// The surface texture as premultiplied R, G, B, A (the image holds host A, R, G, B); a fully
// transparent texel removes the fragment, depth included.
vec4 surfaceTexture(vec2 coord)
{
    if (useTexture <= 0) {
        return vec4(1.0);
    }
    vec4 tex = texture2D(colorTexture, coord).gbar;
    if (postpixeltransf == 16) {
        tex *= 2.0;
    }
    if (tex.a == 0.0) {
        discard;
    }
    return vec4(tex.rgb * tex.a, tex.a);
}

// Attenuation of a light at offset Ld from the fragment.
float lightFalloff(vec3 Ld)
{
    if (Falloff == 3) {
        return min(1.0, Fr2 / dot(Ld, Ld));
    }
    if (Falloff == 2) {
        return clamp(Fk * length(Ld) + Fm, 0.0, 1.0);
    }
    return 1.0;
}

// Writes the fogged colour and, for the occlusion pass, the normal and eye-space depth.
void writeSurface(vec4 color, vec3 normal)
{
    gl_FragData[0] = mix(FogColor, color, fogFactor(P.z));
    if (enableSSAO >= 2) {
        gl_FragData[1] = vec4(normal, P.z);
    }
}
