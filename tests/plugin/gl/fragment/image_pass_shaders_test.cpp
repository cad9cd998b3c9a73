// The module's two image-pass programs (post-process and occlusion), run on the driver over small
// float images and compared pixel by pixel with their rules computed here in double precision.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "plugin/render/lookup_textures.h"
#include "plugin/render/noise_tables.h"
#include "plugin/render/shader_programs.h"
#include "tests/plugin/gl/fragment/fragment_test_support.h"

namespace zel::test {
namespace {

// Single precision over a few operations on values of about 1; the occlusion estimate's positions,
// rebuilt from interpolated texture coordinates times the image size (8), still err by about 1e-6.
constexpr double kTolerance = 1e-5;

// The last steps of both programs: premultiplied R, G, B, A in, the host's A, R, G, B out.
Vec4 hostPixel(Vec4 c, int superadd, int postpixeltransf)
{
    if (superadd == 1) {
        c[3] = 1.0;
    } else {
        c[3] = std::clamp(c[3], 0.0, 1.0);
        if (c[3] > 0.0) {
            c = withAlpha(rgb(c) * (1.0 / c[3]), c[3]);
        }
    }
    if (postpixeltransf == 16) {
        for (double& channel : c) {
            channel = std::clamp(channel * 0.5, 0.0, 0.5);
        }
    }
    return {c[3], c[0], c[1], c[2]};
}

// Draws `program` over a target the size of `color`, with texture coordinates 0 to 1 across it:
// the colour image on unit 0 and, for the occlusion program, the normal-and-depth image on unit 2
// with the module's nearest filter and clamping.
Image runImagePass(GLuint program, const Image& color, const Image& normalAndDepth, int superadd, int postpixeltransf)
{
    setUniform(program, "superadd", superadd);
    setUniform(program, "postpixeltransf", postpixeltransf);
    setUniform(program, "colorTexture", 0);
    const FloatTexture colorTexture(color, 0, GL_CLAMP_TO_EDGE);
    std::optional<FloatTexture> normalAndDepthTexture;
    if (program == prog_postprocess_ssao_shader) {
        setUniform(program, "normal_and_depth_buffer", 2);
        normalAndDepthTexture.emplace(normalAndDepth, 2, GL_CLAMP);
    }
    const RenderTarget target(color.width, color.height);
    target.clear({-7.0, -7.0, -7.0, -7.0}, 1.0);
    drawQuad(true, [](const Vec2& corner) { glTexCoord2d(0.5 * (corner[0] + 1.0), 0.5 * (corner[1] + 1.0)); });
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    return target.readColor(0);
}

// Occlusion uniforms; with intensity 0 the occlusion program reduces to the post-process.
struct Occlusion {
    int enableSSAO = 2;
    double radius = 1.0, intensity = 0.0, scale = 0.1, bias = 0.05, zoom = 10.0;
    double fogDistance = 0.0, divFogRange = 0.0;
};

void setOcclusion(GLuint program, const Occlusion& o, const Image& image)
{
    setUniform(program, "enableSSAO", o.enableSSAO);
    setUniform(program, "randTexture", 4);
    for (const auto& [name, value] :
         {std::pair{"AORadius", o.radius}, {"AOIntensity", o.intensity}, {"AOScale", o.scale}, {"AOBias", o.bias},
          {"zoom", o.zoom}, {"FogDistance", o.fogDistance}, {"divFogRange", o.divFogRange},
          {"w", double(image.width)}, {"h", double(image.height)}}) {
        setUniform(program, name, value);
    }
    glUniform3fv(glGetUniformLocation(program, "AOSamplePattern"), noise::kKernelSamples, SSAOSamplePattern);
}

// A plane facing the camera at eye z -10, and colour (0.6, 0.5, 0.4) at `alpha`, premultiplied.
Image planeDepth(int size) { return {size, size, std::vector<Vec4>(std::size_t(size * size), Vec4{0, 0, 1, -10})}; }
Image uniformColor(int size, double alpha)
{
    return {size, size, std::vector<Vec4>(std::size_t(size * size), Vec4{0.6, 0.5, 0.4, 1.0} * alpha)};
}

// Pixels for each host-pixel rule: the alpha 0.5 edge case, distinct channels for the order,
// alpha 0, above 1 and below 0, bright colour against the 16-bit limit.
const Image kHostPixelInput{4, 2, {{0.5, 0.5, 0.5, 0.5}, {0.1, 0.2, 0.3, 1}, {0.3, 0.2, 0.1, 0}, {0.9, 0.6, 0.3, 1.5},
                                   {0.2, 0.1, 0.05, -0.5}, {3, 2, 0.2, 1}, {0.12, 0.3, 0.06, 0.6}, {0, 0, 0, 0.25}}};

class HostPixelRules : public FragmentProgramTest, public ::testing::WithParamInterface<bool> {};

TEST_P(HostPixelRules, AlphaRangeAndChannelOrder)
{
    const GLuint program = GetParam() ? prog_postprocess_ssao_shader : prog_postprocess_shader;
    ASSERT_NE(program, 0u);
    glUseProgram(program);
    if (GetParam()) {
        setOcclusion(program, Occlusion{}, kHostPixelInput);
    }
    for (int superadd : {0, 1, 2}) {  // only 1 is super add
        for (int postpixeltransf : {8, 16, 32}) {
            SCOPED_TRACE(::testing::Message() << "superadd " << superadd << ", postpixeltransf " << postpixeltransf);
            std::vector<Vec4> expected;
            for (const Vec4& c : kHostPixelInput.texels) {
                expected.push_back(hostPixel(c, superadd, postpixeltransf));
            }
            expectImageNear(runImagePass(program, kHostPixelInput, planeDepth(4), superadd, postpixeltransf), expected,
                            kTolerance);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Programs, HostPixelRules, ::testing::Bool(),
                         [](const auto& test) { return std::string(test.param ? "Occlusion" : "PostProcess"); });

// Hand-worked pixels that anchor hostPixel: premultiplied R, G, B, A in, A, R, G, B out.
using PostProcessProgram = FragmentProgramTest;

TEST_F(PostProcessProgram, HandWorkedPixels)
{
    const struct {
        int superadd, postpixeltransf;
        Vec4 in, out;
    } cases[] = {
        {1, 32, {0.5, 0.5, 0.5, 0.5}, {1.0, 0.5, 0.5, 0.5}},  // stays premultiplied, opaque
        {0, 32, {0.5, 0.5, 0.5, 0.5}, {0.5, 1.0, 1.0, 1.0}},  // un-premultiplied
        {0, 32, {0.1, 0.2, 0.3, 1.0}, {1.0, 0.1, 0.2, 0.3}},  // R, G, B, A become A, R, G, B
        {0, 16, {0.5, 0.5, 0.5, 0.5}, {0.25, 0.5, 0.5, 0.5}},
        {1, 16, {3.0, 2.0, 0.2, 1.0}, {0.5, 0.5, 0.5, 0.1}},  // halved, then limited to 0.5
    };
    ASSERT_NE(prog_postprocess_shader, 0u);
    glUseProgram(prog_postprocess_shader);
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "superadd " << c.superadd << ", postpixeltransf " << c.postpixeltransf);
        const Image drawn = runImagePass(prog_postprocess_shader, {1, 1, {c.in}}, {}, c.superadd, c.postpixeltransf);
        expectImageNear(drawn, {c.out}, kTolerance);
    }
}

// The occlusion estimate over a normal-and-depth image, computed as written.
class OcclusionReference {
public:
    OcclusionReference(const Occlusion& o, const Image& normalAndDepth)
        : o_(o), nd_(normalAndDepth), random_{noise::kImageSize, noise::kImageSize, {}}
    {
        noise::Image bytes;
        noise::fillRandomImage(bytes);
        for (std::size_t i = 0; i < bytes.size(); i += 4) {
            random_.texels.push_back(Vec4{1.0 * bytes[i], 1.0 * bytes[i + 1], 1.0 * bytes[i + 2], 1.0 * bytes[i + 3]} *
                                     (1.0 / 255.0));
        }
    }

    // The colour at texcoord, premultiplied, less the occlusion where its alpha is above 0.
    Vec4 darken(Vec4 c, const Vec2& texcoord) const
    {
        if (c[3] <= 0.0) {
            return c;
        }
        const Vec3 vpos = position(texcoord);
        const Vec3 norm = rgb(sampleNearest(nd_, texcoord, Wrap::Clamp));
        Vec2 refl{0.0, 1.0};
        double radm = 1.0;
        if (o_.enableSSAO > 2) {
            const Vec2 at{texcoord[0] * nd_.width / 256.0, texcoord[1] * nd_.height / 256.0};
            const Vec4 rnd = sampleNearest(random_, at, Wrap::Repeat) * 2.0 - Vec4{1.0, 1.0, 1.0, 1.0};
            refl = o_.enableSSAO > 3 ? normalize(Vec2{rnd[0], rnd[1]}) : refl;
            radm = o_.enableSSAO < 5 ? 0.9 + 0.2 * rnd[2] : radm;
        }
        const double radi = o_.radius * radm / vpos[2];
        double ao = 0.0;
        for (int i = 0; i < noise::kKernelSamples; ++i) {
            const Vec2 offset = reflect(Vec2{SSAOSamplePattern[3 * i], SSAOSamplePattern[3 * i + 1]}, refl) * radi;
            const Vec3 diff = position(texcoord + offset) - vpos;
            ao += std::max(0.0, dot(norm, normalize(diff)) - o_.bias) * 1.0 / (1.0 + length(diff) * o_.scale);
        }
        const double fog = fogFactor(vpos[2], o_.fogDistance, o_.divFogRange);
        return withAlpha(rgb(c) - Vec3{1.0, 1.0, 1.0} * (fog * ao * 0.03125 * o_.intensity), c[3]);
    }

private:
    Vec3 position(const Vec2& coord) const
    {
        const double z = sampleNearest(nd_, coord, Wrap::Clamp)[3];
        const Vec3 eye{nd_.width * (coord[0] - 0.5), nd_.height * (coord[1] - 0.5), o_.zoom};
        const Vec3 pos = eye * (z / eye[2]);
        return {-pos[0], -pos[1], pos[2]};
    }

    Occlusion o_;
    const Image& nd_;
    Image random_;
};

constexpr int kSize = 8;

// The left four columns at eye z -10, the right four nearer, at -7: samples of left pixels that
// land on the right see a surface rising in front of their normal. A radius of 1.66 keeps every
// sample of every mode at least 0.002 texels off the step, far beyond single-precision error.
void depthStep(Image& color, Image& normalAndDepth)
{
    color = uniformColor(kSize, 0.8);
    normalAndDepth = planeDepth(kSize);
    for (int i = 0; i < kSize * kSize; ++i) {
        normalAndDepth.texels[static_cast<std::size_t>(i)][3] = i % kSize >= kSize / 2 ? -7.0 : -10.0;
    }
}

constexpr Occlusion kStrong{2, 1.66, 1.0, 0.1, 0.05, 10.0, 0.0, 0.0};

const struct OcclusionScene {
    const char* name;
    Occlusion occlusion;
    int superadd, postpixeltransf;
    void (*build)(Image& color, Image& normalAndDepth);
    bool darkens;  // whether any pixel ends up darker than without occlusion
} kOcclusionScenes[] = {
    {"FlatPlaneFacingTheCamera", kStrong, 1, 32,
     [](Image& color, Image& normalAndDepth) { color = uniformColor(kSize, 1.0); normalAndDepth = planeDepth(kSize); },
     false},
    {"DepthStep", kStrong, 0, 32, depthStep, true},
    {"DepthStepInFog", {2, 1.66, 1.0, 0.1, 0.05, 10.0, 8.0, 0.25}, 1, 16, depthStep, true},  // fog factor 0.21
    {"DepthStepFoggedOut", {2, 1.66, 1.0, 0.1, 0.05, 10.0, 0.0, 1.0}, 0, 32, depthStep, false},
    // Normals leaning to +x and -y: samples on the same plane count too, on their side.
    {"DepthStepWithTiltedNormals", kStrong, 0, 32,
     [](Image& color, Image& normalAndDepth) {
         depthStep(color, normalAndDepth);
         for (Vec4& texel : normalAndDepth.texels) {
             texel = withAlpha(normalize(Vec3{0.3, -0.2, 0.9}), texel[3]);
         }
     },
     true},
    // The left pixels next to the step are transparent, the others could not reach the step.
    {"TransparentPixelsNextToTheStep", kStrong, 0, 32,
     [](Image& color, Image& normalAndDepth) {
         depthStep(color, normalAndDepth);
         for (int i = 0; i < kSize * kSize; i += kSize) {
             std::fill_n(color.texels.begin() + i, kSize / 2, Vec4{0.3, 0.2, 0.1, 0.0});
         }
     },
     false},
};

class OcclusionRules : public FragmentProgramTest, public ::testing::WithParamInterface<int> {};

TEST_P(OcclusionRules, DarkenAsWrittenInEveryScene)
{
    const GLuint program = prog_postprocess_ssao_shader;
    ASSERT_NE(program, 0u);
    glUseProgram(program);
    for (const OcclusionScene& scene : kOcclusionScenes) {
        SCOPED_TRACE(scene.name);
        Image color, normalAndDepth;
        scene.build(color, normalAndDepth);
        Occlusion occlusion = scene.occlusion;
        occlusion.enableSSAO = GetParam();
        setOcclusion(program, occlusion, color);
        const Image drawn = runImagePass(program, color, normalAndDepth, scene.superadd, scene.postpixeltransf);

        const OcclusionReference reference(occlusion, normalAndDepth);
        std::vector<Vec4> expected;
        bool darkened = false;
        for (std::size_t i = 0; i < color.texels.size(); ++i) {
            const Vec2 texcoord = pixelTexCoord(static_cast<int>(i), color.width, color.height);
            const Vec4 plain = hostPixel(color.texels[i], scene.superadd, scene.postpixeltransf);
            const Vec4 dark = reference.darken(color.texels[i], texcoord);
            expected.push_back(hostPixel(dark, scene.superadd, scene.postpixeltransf));
            darkened = darkened || drawn.texels[i][1] < plain[1] - 0.01;
            if (!scene.darkens) {
                EXPECT_NEAR(drawn.texels[i][1], plain[1], kTolerance) << "red of pixel " << i << " darkened";
            }
        }
        EXPECT_EQ(darkened, scene.darkens);
        expectImageNear(drawn, expected, kTolerance);
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, OcclusionRules, ::testing::Values(2, 3, 4, 5),
                         [](const auto& test) { return "EnableSSAO" + std::to_string(test.param); });

}  // namespace
}  // namespace zel::test
