// The last steps of both image passes: the rendered colour turned into the host's pixel.
uniform sampler2D colorTexture;
uniform int superadd;
uniform int postpixeltransf;

// Premultiplied R, G, B, A in; straight (or, for super add, opaque) A, R, G, B out, at half scale
// for 16-bit host pixels, whose full scale 32768 is half the unsigned-short range.
vec4 hostPixel(vec4 c)
{
    if (superadd == 1) {
        c.a = 1.0;
    } else {
        c.a = clamp(c.a, 0.0, 1.0);
        if (c.a > 0.0) {
            c.rgb /= c.a;
        }
    }
    if (postpixeltransf == 16) {
        c = clamp(c * 0.5, 0.0, 0.5);
    }
    return c.argb;
}
