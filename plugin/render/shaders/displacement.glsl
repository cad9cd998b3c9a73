// The displacement of the flat grid (z = 0) by three fractal 4-D simplex-noise fields, bent into
// arcs before and after, with the amplitude layer's modulation and the finite differences that
// give normal and density. The surface's vertex stage and the displacement pass both include it,
// so that both evaluate the same arithmetic.

uniform vec3 NoiseAmp;
uniform vec4 NoiseFreq;
uniform vec4 NoiseOffset;
uniform vec4 Ex;
uniform vec4 Ey;
uniform vec4 Ez;
uniform vec4 Ox;
uniform int Complexity;
uniform float OctScale;
uniform float OctMult;
uniform int FractalType;
uniform int NoiseLoop;
uniform float NoiseLoopW;
uniform mat4 NoiseLoopMatrix;
uniform float NoiseAdd;
uniform float NoiseMult;
uniform float NoiseFloorZ;
uniform float NoiseCeilZ;
uniform float NoiseNorm;
uniform float BendX;
uniform float BendY;
uniform float BendXpost;
uniform float BendYpost;
uniform float Epsilon;
uniform float Efx;
uniform float Efy;
uniform int useFTexture;
uniform float texelSizeX;
uniform float texelSizeY;
uniform float textureSizeX;
uniform float textureSizeY;
uniform int postpixeltransf;
uniform sampler2D permTexture;
uniform sampler1D simplexTexture;
uniform sampler2D gradTexture;
uniform sampler2D fTexture;

// One texel of the 256-texel lookup textures, and half of one to land on texel centres.
const float ONE = 0.00390625;
const float ONEHALF = 0.001953125;
// Skew and unskew factors of 4-D simplex space: (sqrt 5 - 1) / 4 and (5 - sqrt 5) / 20.
const float F4 = 0.309016994374947451;
const float G4 = 0.138196601125;

const float PI = 3.141592653589793;
const float HALF_PI = 1.5707963267948966;
// Below this strength a bend is left out: its radius 1 / (b * PI) would overflow.
const float BEND_THRESHOLD = 0.0000001;

// Contribution of the simplex corner at offset ok from the cell corner Pi (in texture units),
// with pf the point's distance from that corner.
float corner(vec4 Pi, vec4 ok, vec4 pf)
{
    float permXY = texture2D(permTexture, Pi.xy + ok.xy * ONE).a;
    float permZW = texture2D(permTexture, Pi.zw + ok.zw * ONE).a;
    vec4 grad = texture2D(gradTexture, vec2(permXY, permZW)) * 4.0 - 1.0;
    float t = 0.6 - dot(pf, pf);
    if (t < 0.0) {
        return 0.0;
    }
    t *= t;
    return t * t * dot(grad, pf);
}

float snoise(vec4 p)
{
    // Skew to find the simplex cell, unskew its corner back to get the point's offset in it.
    float s = (p.x + p.y + p.z + p.w) * F4;
    vec4 Pi = floor(p + s);
    float t = (Pi.x + Pi.y + Pi.z + Pi.w) * G4;
    vec4 P0 = Pi - t;
    vec4 Pf0 = p - P0;
    Pi = Pi * ONE + ONEHALF;

    // The six pairwise comparisons of Pf0's coordinates index the traversal table; the 0.0078125
    // base puts the look-up on a texel centre of the 64-texel table.
    float sindex = (Pf0.x > Pf0.y) ? 0.5078125 : 0.0078125;
    sindex += (Pf0.x > Pf0.z) ? 0.25 : 0.0;
    sindex += (Pf0.y > Pf0.z) ? 0.125 : 0.0;
    sindex += (Pf0.x > Pf0.w) ? 0.0625 : 0.0;
    sindex += (Pf0.y > Pf0.w) ? 0.03125 : 0.0;
    sindex += (Pf0.z > Pf0.w) ? 0.015625 : 0.0;
    vec4 offsets = texture1D(simplexTexture, sindex);
    vec4 o1 = step(0.625, offsets);
    vec4 o2 = step(0.375, offsets);
    vec4 o3 = step(0.125, offsets);

    float n = corner(Pi, vec4(0.0), Pf0)
            + corner(Pi, o1, Pf0 - o1 + G4)
            + corner(Pi, o2, Pf0 - o2 + 2.0 * G4)
            + corner(Pi, o3, Pf0 - o3 + 3.0 * G4)
            + corner(Pi, vec4(1.0), Pf0 - (1.0 - 4.0 * G4));
    return 27.0 * n;
}

// In loop mode the first unit of w cross-fades towards the noise one period W later, so that the
// noise at w = 0 continues the noise at w = W.
float snoise_loop(vec4 p, float W)
{
    if (NoiseLoop == 1 && p.w < 1.0) {
        return snoise(p) * p.w + (1.0 - p.w) * snoise(p + vec4(0.0, 0.0, 0.0, W));
    }
    return snoise(p);
}

float fnoise(vec4 p, int octaves, float octScale, float octMult)
{
    float sum = 0.0;
    float mult = 1.0;
    float multiscale = 1.0;
    float W = NoiseLoopW;
    if (NoiseLoop == 1) {
        p = NoiseLoopMatrix * p;
        p.w = mod(p.w, W);
    }
    for (int i = 0; i < octaves; ++i) {
        float add = snoise_loop(p, W);
        if (FractalType > 2) {
            add = -1.0 + 2.0 * exp(-7.0 * add * add);
        }
        add *= multiscale;
        sum += mult * add;
        mult *= octMult;
        p *= octScale;
        W *= octScale;
        p += Ox;
        // Multi kinds: where this octave came out low, the finer octaves that follow are damped.
        if (FractalType == 2 || FractalType == 4) {
            multiscale = clamp(multiscale * (add + 0.7), 0.0, 1.0);
        }
    }
    return sum;
}

// Rolls the coordinate c and the height z into an arc of angle PI * b per unit of c, symmetric
// about c = 0.5; returns the new (c, z).
vec2 arc(float c, float z, float b)
{
    if (abs(b) <= BEND_THRESHOLD) {
        return vec2(c, z);
    }
    float r = 1.0 / (b * PI);
    float a = (HALF_PI - HALF_PI * b) + PI * b * c;
    return vec2(-r * cos(a) - z * cos(a), r * sin(a) + z * sin(a) - r);
}

vec3 bendX(vec3 pos, float b)
{
    return vec3(pos.x, arc(pos.y, pos.z, b));
}

vec3 bendY(vec3 pos, float b)
{
    vec2 xz = arc(pos.x, pos.z, b);
    return vec3(xz.x, pos.y, xz.y);
}

// The displaced position of grid point pos under amplitude factor fs, and in w the texture value
// that the z displacement gives before the amplitude is applied.
vec4 transform(vec3 pos, float fs)
{
    vec3 bpos = bendY(bendX(pos, BendX), BendY);
    vec4 spos = NoiseFreq * (vec4(bpos, 0.0) + NoiseOffset);
    vec3 ofs = vec3(fnoise(spos + Ex, Complexity, OctScale, OctMult),
                    fnoise(spos + Ey, Complexity, OctScale, OctMult),
                    fnoise(spos + Ez, Complexity, OctScale, OctMult));
    ofs.z = clamp(NoiseAdd + NoiseMult * ofs.z, NoiseFloorZ, NoiseCeilZ);
    float texZ = 0.5 + 0.5 * ofs.z * NoiseNorm;
    bpos += ofs * NoiseAmp * fs;
    return vec4(bendY(bendX(bpos, BendXpost), BendYpost), texZ);
}

// Grey value of one amplitude texel: alpha times the mean of red, green and blue.
float amplitudeTexel(sampler2D tex, vec2 c)
{
    vec4 texel = texture2D(tex, c).gbar;
    if (postpixeltransf == 16) {
        texel *= 2.0;
    }
    return texel.a * (texel.r + texel.g + texel.b) * 0.333333333333333;
}

// Bilinear filtering done by hand over four look-ups; the amplitude texture itself is nearest.
float bilinTexSampleAE_BW(sampler2D tex, vec2 c)
{
    vec2 f = fract(vec2(c.x * textureSizeX, c.y * textureSizeY));
    float lower = mix(amplitudeTexel(tex, c), amplitudeTexel(tex, c + vec2(texelSizeX, 0.0)), f.x);
    float upper = mix(amplitudeTexel(tex, c + vec2(0.0, texelSizeY)),
                      amplitudeTexel(tex, c + vec2(texelSizeX, texelSizeY)), f.x);
    return mix(lower, upper, f.y);
}

// The displaced grid point at pos (in w its texture value), and its shape from the differences to
// the neighbours one Epsilon towards -x and towards +y, whose amplitudes are sampled at uv - Efx
// and uv + Efy: in xyz the normal before the normal matrix and normalising, in w the density, 1
// where the grid keeps its spacing and below 1 where the displacement stretches it.
void displaceGridPoint(vec3 pos, vec2 uv, out vec4 displaced, out vec4 shape)
{
    float f0 = 1.0;
    float fx = 1.0;
    float fy = 1.0;
    if (useFTexture == 1) {
        f0 = bilinTexSampleAE_BW(fTexture, uv);
        fx = bilinTexSampleAE_BW(fTexture, uv - vec2(Efx, 0.0));
        fy = bilinTexSampleAE_BW(fTexture, uv + vec2(0.0, Efy));
    }
    displaced = transform(pos, f0);
    vec3 tpos = transform(pos + Epsilon * vec3(-1.0, 0.0, 0.0), fx).xyz - displaced.xyz;
    vec3 bpos = transform(pos + Epsilon * vec3(0.0, 1.0, 0.0), fy).xyz - displaced.xyz;
    shape = vec4(-cross(bpos, tpos), Epsilon / sqrt(length(tpos) * length(bpos)));
}
