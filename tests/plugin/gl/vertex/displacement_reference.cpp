#include <array>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <numbers>
#include <utility>

#include "plugin/render/noise_tables.h"
#include "tests/plugin/gl/vertex/displacement_state.h"

namespace zel::test {
namespace {

constexpr double kRound = 0x1p-24;          // one correctly rounded float operation, relative
constexpr double kDriverRound = 8 * kRound;  // the driver's division, sqrt and exp: four ulps
constexpr double kTrigError = 1e-6;          // the driver's sin and cos, absolute
constexpr double kAllowance = 8.0;           // allowed deviation per unit of estimated error

constexpr double kOne = 1.0 / 256.0;       // one texel of the 256-texel lookup textures
constexpr double kOneHalf = 0.5 / 256.0;
// The shader compares bend strengths, floats, with a float constant.
constexpr double kBendThreshold = static_cast<double>(0.0000001f);

// A double-precision value and the estimated size of the error of the shader's float result.
struct Value {
    double v = 0.0, e = 0.0;
};

Value exact(double v) { return {v, 0.0}; }
// A decimal constant of the shader, which holds its nearest float.
Value literal(double v) { return {v, std::abs(v - static_cast<double>(static_cast<float>(v)))}; }
// The result of one operation: the inputs' error carried over and its own rounding, independent
// of it, in quadrature; the rounding is known exactly when the inputs are exact and the operation
// is correctly rounded.
Value rounded(double v, double e, double relative = kRound)
{
    return e == 0.0 && relative == kRound ? literal(v) : Value{v, std::hypot(e, relative * std::abs(v))};
}

Value operator+(Value a, Value b) { return rounded(a.v + b.v, std::hypot(a.e, b.e)); }
Value operator-(Value a, Value b) { return rounded(a.v - b.v, std::hypot(a.e, b.e)); }
Value operator-(Value a) { return {-a.v, a.e}; }
Value operator*(Value a, Value b)
{
    return rounded(a.v * b.v, std::hypot(std::abs(a.v) * b.e, std::abs(b.v) * a.e) + a.e * b.e);
}
Value operator/(Value a, Value b)
{
    const double v = a.v / b.v;
    const double room = std::abs(b.v) - b.e;
    const double e =
        room > 0.0 ? std::hypot(a.e, std::abs(v) * b.e) / room : std::numeric_limits<double>::infinity();
    return rounded(v, e, kDriverRound);
}
Value sqrtOf(Value x)
{
    const double v = std::sqrt(x.v);
    return rounded(v, x.e / (v + std::sqrt(std::max(x.v - x.e, 0.0))), kDriverRound);
}
Value cosOf(Value a) { return {std::cos(a.v), std::hypot(a.e, kTrigError)}; }
Value sinOf(Value a) { return {std::sin(a.v), std::hypot(a.e, kTrigError)}; }
Value expOf(Value x)
{
    // Its argument reduction costs the driver's exp ulps in proportion to |x|.
    const double v = std::exp(x.v);
    return rounded(v, v * std::expm1(x.e), kDriverRound * (1.0 + std::abs(x.v)));
}
// clamp moves no value further from another; a value clamped by more than its error is exact.
Value clampOf(Value x, double low, double high)
{
    const double margin = kAllowance * x.e;
    return x.v < low - margin || x.v > high + margin ? exact(std::clamp(x.v, low, high))
                                                     : Value{std::clamp(x.v, low, high), x.e};
}
Value mixOf(Value x, Value y, Value a) { return x * (exact(1.0) - a) + y * a; }
// A normalised texel channel, byte / 255, as the sampler converts it: 0 and 255 exactly to 0 and 1,
// so that 255 names texel 0 again when read back as a coordinate.
Value unorm(std::uint8_t byte)
{
    return byte == 0 || byte == 255 ? exact(byte / 255.0) : rounded(byte / 255.0, 0.0, 2.0 * kRound);
}

template <std::size_t N>
using Vec = std::array<Value, N>;
using Vec3 = Vec<3>;
using Vec4 = Vec<4>;

Vec3 sub(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }

template <std::size_t N>
Value dot(const Vec<N>& a, const Vec<N>& b)
{
    Value sum = a[0] * b[0];
    for (std::size_t i = 1; i < N; ++i) {
        sum = sum + a[i] * b[i];
    }
    return sum;
}

Value length(const Vec3& a) { return sqrtOf(dot(a, a)); }
Vec3 cross(const Vec3& a, const Vec3& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// Column-major matrix times column vector.
template <std::size_t N, typename T>
Vec<N> times(const std::array<T, N * N>& m, const Vec<N>& x)
{
    Vec<N> r;
    for (std::size_t row = 0; row < N; ++row) {
        r[row] = exact(m[row]) * x[0];
        for (std::size_t column = 1; column < N; ++column) {
            r[row] = r[row] + exact(m[column * N + row]) * x[column];
        }
    }
    return r;
}

std::array<double, 16> product(const std::array<float, 16>& a, const std::array<float, 16>& b)
{
    std::array<double, 16> r{};
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            for (int k = 0; k < 4; ++k) {
                r[column * 4 + row] += double(a[k * 4 + row]) * b[column * 4 + k];
            }
        }
    }
    return r;
}

// gl_NormalMatrix: the inverse transpose of the modelview's upper 3 x 3, i.e. its cofactors over
// its determinant.
std::array<double, 9> normalMatrix(const std::array<float, 16>& modelview)
{
    const auto m = [&](int row, int column) { return static_cast<double>(modelview[column * 4 + row]); };
    std::array<double, 9> cofactors;
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            const int r1 = (row + 1) % 3, r2 = (row + 2) % 3, c1 = (column + 1) % 3, c2 = (column + 2) % 3;
            cofactors[column * 3 + row] = m(r1, c1) * m(r2, c2) - m(r1, c2) * m(r2, c1);
        }
    }
    const double determinant = m(0, 0) * cofactors[0] + m(0, 1) * cofactors[3] + m(0, 2) * cofactors[6];
    for (double& c : cofactors) {
        c /= determinant;
    }
    return cofactors;
}

struct NoiseImages {
    noise::Image permutation, gradient;
    NoiseImages() { noise::fillPermutationImage(permutation); noise::fillGradientImage(gradient); }
};

std::uint8_t imageByte(const noise::Image& image, int row, int column, int channel)
{
    return image[static_cast<std::size_t>(4 * (row * noise::kImageSize + column) + channel)];
}

struct Transformed {
    Vec3 position;
    Value texZ;
};

// One vertex's evaluation; remembers whether any decision came within reach of its boundary.
class Evaluator {
public:
    Evaluator(const DisplacementState& state, const AmplitudeImage& amplitude) : s_(state), amplitude_(amplitude) {}

    ExpectedVertex vertex(const GridVertex& g);

private:
    double floorOf(Value x)
    {
        const double f = std::floor(x.v);
        const double margin = kAllowance * x.e;
        nearBoundary_ |= x.v - f < margin || f + 1.0 - x.v <= margin;
        return f;
    }

    bool greater(Value a, Value b)
    {
        const Value difference = a - b;
        const double margin = kAllowance * difference.e;
        nearBoundary_ |= margin > 0.0 && std::abs(difference.v) <= margin;
        return difference.v > 0.0;
    }

    // Texel index under nearest sampling with repeat, and with clamp to edge.
    int nearestRepeat(Value c, int size)
    {
        const int i = static_cast<int>(floorOf(c * exact(size))) % size;
        return i < 0 ? i + size : i;
    }
    int nearestClamp(Value c, int size) { return std::clamp(static_cast<int>(floorOf(c * exact(size))), 0, size - 1); }

    Value modOf(Value x, Value y) { return x - y * exact(floorOf(x / y)); }
    Value fractOf(Value x) { return x - exact(floorOf(x)); }

    Value snoise(const Vec4& p);
    Value snoiseLoop(const Vec4& p, Value w);
    Value fnoise(Vec4 p);
    Vec3 bend(const Vec3& position, int axis, float strength);
    Transformed transform(const Vec3& position, Value fs);
    Value amplitudeTexel(Value x, Value y);
    Value amplitudeSample(Value x, Value y);

    const DisplacementState& s_;
    const AmplitudeImage& amplitude_;
    bool nearBoundary_ = false;
};

Value Evaluator::snoise(const Vec4& p)
{
    const Value F4 = literal(0.309016994374947451);
    const Value G4 = literal(0.138196601125);
    const Value skew = (p[0] + p[1] + p[2] + p[3]) * F4;
    Vec4 cell;
    for (std::size_t k = 0; k < 4; ++k) {
        cell[k] = exact(floorOf(p[k] + skew));
    }
    const Value unskew = (cell[0] + cell[1] + cell[2] + cell[3]) * G4;
    Vec4 pf0;
    Vec4 texel;  // the cell corner as a texel-centre coordinate
    for (std::size_t k = 0; k < 4; ++k) {
        pf0[k] = p[k] - (cell[k] - unskew);
        texel[k] = cell[k] * exact(kOne) + exact(kOneHalf);
    }

    // Each ordered pair of Pf0's coordinates adds its bit; the base puts the index on a centre.
    constexpr std::pair<int, int> kPairs[6] = {{0, 1}, {0, 2}, {1, 2}, {0, 3}, {1, 3}, {2, 3}};
    double index = 0.0078125;
    for (int bit = 0; bit < 6; ++bit) {
        const auto [first, second] = kPairs[bit];
        if (greater(pf0[static_cast<std::size_t>(first)], pf0[static_cast<std::size_t>(second)])) {
            index += 0.5 / (1 << bit);
        }
    }
    const auto& ranks =
        noise::simplex4[static_cast<std::size_t>(nearestRepeat(exact(index), noise::kSimplexEntries))];

    // Corner k steps along the components whose rank, read as byte / 255, reaches its edge:
    // none for the cell corner, the highest rank first, all for the far corner.
    constexpr double kStepEdges[5] = {2.0, 0.625, 0.375, 0.125, -1.0};
    static const NoiseImages images;
    Value sum;
    for (int k = 0; k < 5; ++k) {
        Vec4 step;
        Vec4 pf;
        for (std::size_t c = 0; c < 4; ++c) {
            step[c] = exact(unorm(ranks[c]).v >= kStepEdges[k] ? 1.0 : 0.0);
            pf[c] = pf0[c] - step[c] + exact(k) * G4;
        }
        // The alpha of the permutation texel that two coordinates of the corner name.
        const auto permuted = [&](std::size_t columnAxis, std::size_t rowAxis) {
            const auto at = [&](std::size_t axis) {
                return nearestRepeat(texel[axis] + step[axis] * exact(kOne), noise::kImageSize);
            };
            return unorm(imageByte(images.permutation, at(rowAxis), at(columnAxis), 3));
        };
        const int gradColumn = nearestRepeat(permuted(0, 1), noise::kImageSize);
        const int gradRow = nearestRepeat(permuted(2, 3), noise::kImageSize);
        Vec4 grad;
        for (std::size_t c = 0; c < 4; ++c) {
            const std::uint8_t byte = imageByte(images.gradient, gradRow, gradColumn, static_cast<int>(c));
            grad[c] = unorm(byte) * exact(4.0) - exact(1.0);
        }
        // Inside the kernel radius only; the contribution fades continuously to 0 at its edge.
        Value t = literal(0.6) - dot(pf, pf);
        if (t.v >= 0.0) {
            t = t * t;
            sum = sum + t * t * dot(grad, pf);
        }
    }
    return exact(27.0) * sum;
}

Value Evaluator::snoiseLoop(const Vec4& p, Value w)
{
    const bool loop = s_.noiseLoop == 1;
    Value n;
    if (loop && p[3].v < 1.0) {
        Vec4 later = p;
        later[3] = p[3] + w;
        n = snoise(p) * p[3] + (exact(1.0) - p[3]) * snoise(later);
    } else {
        n = snoise(p);
    }
    // Both branches agree at w = 1; taking one for the other costs |1 - w| times the difference
    // of two noise values (each within [-1, 1]).
    if (loop && std::abs(p[3].v - 1.0) <= kAllowance * p[3].e) {
        n.e += 2.0 * p[3].e;
    }
    return n;
}

Value Evaluator::fnoise(Vec4 p)
{
    Value sum;
    Value mult = exact(1.0);
    Value multiscale = exact(1.0);
    Value w = exact(s_.noiseLoopW);
    if (s_.noiseLoop == 1) {
        p = times<4>(s_.noiseLoopMatrix, p);
        p[3] = modOf(p[3], w);
    }
    const Value octScale = exact(s_.octScale);
    for (int octave = 0; octave < s_.complexity; ++octave) {
        Value n = snoiseLoop(p, w);
        if (s_.fractalType > 2) {
            n = exact(-1.0) + exact(2.0) * expOf(exact(-7.0) * n * n);
        }
        n = n * multiscale;
        sum = sum + mult * n;
        mult = mult * exact(s_.octMult);
        for (std::size_t c = 0; c < 4; ++c) {
            p[c] = p[c] * octScale + exact(s_.ox[c]);
        }
        w = w * octScale;
        if (s_.fractalType == 2 || s_.fractalType == 4) {
            multiscale = clampOf(multiscale * (n + literal(0.7)), 0.0, 1.0);
        }
    }
    return sum;
}

// Rolls the coordinate along `axis` (0: the Y bend rolls x, 1: the X bend rolls y) with the height
// z into an arc of PI * strength per unit.
Vec3 Evaluator::bend(const Vec3& position, int axis, float strength)
{
    if (std::abs(strength) <= kBendThreshold) {
        return position;
    }
    const Value b = exact(strength);
    const Value pi = literal(std::numbers::pi);
    const Value halfPi = literal(std::numbers::pi / 2.0);
    const Value r = exact(1.0) / (b * pi);
    const Value a = (halfPi - halfPi * b) + pi * b * position[static_cast<std::size_t>(axis)];
    const Value cosA = cosOf(a);
    const Value sinA = sinOf(a);
    const Value z = position[2];
    Vec3 bent = position;
    bent[static_cast<std::size_t>(axis)] = -r * cosA - z * cosA;
    bent[2] = r * sinA + z * sinA - r;
    return bent;
}

Transformed Evaluator::transform(const Vec3& position, Value fs)
{
    Vec3 bent = bend(bend(position, 1, s_.bendX), 0, s_.bendY);
    Vec4 spos;
    for (std::size_t c = 0; c < 4; ++c) {
        spos[c] = exact(s_.noiseFreq[c]) * ((c < 3 ? bent[c] : exact(0.0)) + exact(s_.noiseOffset[c]));
    }
    Vec3 ofs;
    const std::array<float, 4>* fields[3] = {&s_.ex, &s_.ey, &s_.ez};
    for (std::size_t axis = 0; axis < 3; ++axis) {
        Vec4 shifted;
        for (std::size_t c = 0; c < 4; ++c) {
            shifted[c] = spos[c] + exact((*fields[axis])[c]);
        }
        ofs[axis] = fnoise(shifted);
    }
    ofs[2] = clampOf(exact(s_.noiseAdd) + exact(s_.noiseMult) * ofs[2], s_.noiseFloorZ, s_.noiseCeilZ);
    const Value texZ = exact(0.5) + exact(0.5) * ofs[2] * exact(s_.noiseNorm);
    for (std::size_t c = 0; c < 3; ++c) {
        bent[c] = bent[c] + ofs[c] * exact(s_.noiseAmp[c]) * fs;
    }
    return {bend(bend(bent, 1, s_.bendXpost), 0, s_.bendYpost), texZ};
}

// Host pixel A, R, G, B lies in the texel's r, g, b, a; the shader swizzles .gbar back.
Value Evaluator::amplitudeTexel(Value x, Value y)
{
    const int column = nearestClamp(x, amplitude_.width);
    const int row = nearestClamp(y, amplitude_.height);
    const std::size_t at = static_cast<std::size_t>(4 * (row * amplitude_.width + column));
    const Value scale = exact(s_.postpixeltransf == 16 ? 2.0 : 1.0);
    const Value alpha = unorm(amplitude_.texels[at]) * scale;
    const Value red = unorm(amplitude_.texels[at + 1]) * scale;
    const Value green = unorm(amplitude_.texels[at + 2]) * scale;
    const Value blue = unorm(amplitude_.texels[at + 3]) * scale;
    return alpha * (red + green + blue) * literal(0.333333333333333);
}

Value Evaluator::amplitudeSample(Value x, Value y)
{
    const Value fx = fractOf(x * exact(s_.textureSizeX));
    const Value fy = fractOf(y * exact(s_.textureSizeY));
    const Value right = x + exact(s_.texelSizeX);
    const Value up = y + exact(s_.texelSizeY);
    const Value lower = mixOf(amplitudeTexel(x, y), amplitudeTexel(right, y), fx);
    const Value upper = mixOf(amplitudeTexel(x, up), amplitudeTexel(right, up), fx);
    return mixOf(lower, upper, fy);
}

ExpectedVertex Evaluator::vertex(const GridVertex& g)
{
    const Value u = exact(g.u);
    const Value v = exact(g.v);
    Value f0 = exact(1.0);
    Value fx = exact(1.0);
    Value fy = exact(1.0);
    if (s_.useFTexture == 1) {
        f0 = amplitudeSample(u, v);
        fx = amplitudeSample(u - exact(s_.efx), v);
        fy = amplitudeSample(u, v + exact(s_.efy));
    }

    const Vec3 pos = {exact(g.x), exact(g.y), exact(0.0)};
    const Transformed displaced = transform(pos, f0);
    const Vec3& pos0 = displaced.position;
    const Vec4 homogeneous = {pos0[0], pos0[1], pos0[2], exact(1.0)};
    Vec4 clip = times<4>(product(s_.projection, s_.modelview), homogeneous);
    clip[2] = clip[2] + exact(s_.zOffset);
    const Vec4 eye = times<4>(s_.modelview, homogeneous);

    const Value epsilon = exact(s_.epsilon);
    const Vec3 tpos = sub(transform({pos[0] - epsilon, pos[1], pos[2]}, fx).position, pos0);
    const Vec3 bpos = sub(transform({pos[0], pos[1] + epsilon, pos[2]}, fy).position, pos0);
    const Vec3 c = cross(bpos, tpos);
    const Vec3 normal = times<3>(normalMatrix(s_.modelview), Vec3{-c[0], -c[1], -c[2]});
    const Value normalLength = length(normal);
    const Value density = epsilon / sqrtOf(length(tpos) * length(bpos));
    const Value texT = s_.useTexture == 2 ? displaced.texZ * exact(s_.texScaleY) : exact(g.t);

    const std::array<Value, kCapturedFloats> outputs = {
        clip[0], clip[1], clip[2], clip[3], eye[0], eye[1], eye[2],
        normal[0] / normalLength, normal[1] / normalLength, normal[2] / normalLength,
        density, exact(g.s), texT};
    ExpectedVertex expected{};
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        expected.outputs[i] = {outputs[i].v, kAllowance * outputs[i].e};
    }
    expected.nearBoundary = nearBoundary_;
    return expected;
}

}  // namespace

ExpectedVertex referenceVertex(const DisplacementState& state, const AmplitudeImage& amplitude,
                               const GridVertex& vertex)
{
    return Evaluator(state, amplitude).vertex(vertex);
}

}  // namespace zel::test
