// The last steps of both image passes: the rendered colour turned into the host's pixel.
uniform sampler2D colorTexture;
uniform int superadd;
uniform int postpixeltransf;

// The largest value the image pass's half-float target holds; a GPU that rounds rather than
// saturates would store anything beyond it as infinity.
const float kHalfMax = 65504.0;

// False when a channel is NaN or infinite. NaN, the one value unequal to itself, has a test of its
// own: an optimiser may turn "not all at most" into "any above", which lets NaN through.
bool isFinite(vec4 c)
{
    return all(equal(c, c)) && all(lessThanEqual(abs(c), vec4(3.4e38)));
}

// Premultiplied R, G, B, A in; straight (or, for super add, opaque) A, R, G, B out, at half scale
// for 16-bit host pixels, whose full scale 32768 is half the unsigned-short range.
vec4 hostPixel(vec4 c)
{
    // A pixel computed from a NaN or an infinity is transparent black. The test is here, not after
    // the read-back, because 8- and 16-bit read-backs turn a NaN into any integer; one comparison
    // per pixel is free in a pass that runs anyway.
    if (!isFinite(c)) {
        return vec4(0.0);
    }
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
    // Dividing by a tiny alpha can pass the half-float range.
    return clamp(c, -kHalfMax, kHalfMax).argb;
}
