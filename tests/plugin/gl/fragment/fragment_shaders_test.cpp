// The module's fragment sources on the driver, each case one pixel worked out by hand from the
// shading, fog, texture, second-target, host-pixel and occlusion rules.
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <vector>

#include "plugin/render/lookup_textures.h"
#include "plugin/render/shaders/shader_sources.h"
#include "tests/plugin/gl/gl_test_environment.h"

namespace zel::test {
namespace {

using Vec4 = std::array<double, 4>;

// The surface sources' varyings straight from the vertex attributes: N from the normal, vTexCoord
// and D from texture coordinate 0, P from texture coordinate 1.
constexpr const char* kSurfaceVertex = R"glsl(
varying vec3 N; varying vec2 vTexCoord; varying float D; varying vec3 P;
void main() {
    gl_FrontColor = gl_Color; N = gl_Normal; vTexCoord = gl_MultiTexCoord0.xy; D = gl_MultiTexCoord0.z;
    P = gl_MultiTexCoord1.xyz; gl_Position = vec4(gl_Vertex.xy, 0.0, 1.0);
})glsl";

enum Pass { Density, Light, Flat, Solid, PostProcess, Occlusion };

using Lamp = std::array<float, 6>;  // eye-space position, diffuse colour

// What a case draws or passes, besides its uniforms.
struct Inputs {
    std::vector<Lamp> lights = {};
    Vec4 color = {1, 1, 1, 1};  // surfaces: the premultiplied vertex colour; image passes: the pixel's
    Vec4 normal = {0, 0, 1};    // surfaces: N, D; occlusion: the stored normal
    double z = -2;              // surfaces: P.z; occlusion: the stored eye z
    double surround = 0;        // occlusion: the eye z stored around the pixel
    Vec4 texel = {};            // surfaces: the whole texture, host A, R, G, B; transparent, it discards
    bool back = false;          // surfaces: drawn back-facing
    std::optional<Vec4> second = {};  // the normal-and-depth target expected, where the case asks for it
};

// One pixel, the middle of a 3 x 3 target. Uniforms a case leaves out are 0, as GL starts them.
struct Case {
    const char* name;
    Pass pass;
    Uniforms uniforms;
    Vec4 expected;  // colour target, or host pixel
    Inputs in = {};
};

// A fragment that is discarded leaves both targets as cleared, and the depth at 1.
constexpr Vec4 kCleared = {-7, -7, -7, -7};
constexpr double kR = 1.2071068;  // cos 45 + cos^2 45: diffuse and specular at 45 degrees
const Uniforms kPhong = {{"Diffuse", {1}}, {"Specular", {1}}, {"Shininess", {2}}};
const Inputs kAt45Degrees = {.lights = {{2, 0, 0, 1, 1, 1}}, .color = {0.5, 0.4, 0.2, 0.8}};
const std::vector<Lamp> kBehind = {{0, 0, -5, 1, 1, 1}};
// A pixel at eye z -10 seen among stored points at -8, which occlude it by 0.3958333 at
// AOIntensity 0.5; a premultiplied pixel for the host.
const Inputs kNearer = {.color = {0.6, 0.5, 0.4, 0.8}, .z = -10, .surround = -8};
const Inputs kPixel = {.color = {0.1, 0.2, 0.3, 0.5}};

const Case kCases[] = {
    // Phong: Isum = (Diffuse + Specular) * light + Ambient with the light on the normal and the eye
    // on the reflection; the light's colour tints the highlight too; N is normalised.
    {"PhongHeadOn", Light,
     {{"Diffuse", {0.5}}, {"Specular", {0.25}}, {"Shininess", {3}}, {"Ambient", {0.1, 0.1, 0.1, 0}},
      {"enableSSAO", {5}}},
     {0.85, 0.475, 0.2875, 1}, {.lights = {{0, 0, 2, 1, 0.5, 0.25}}, .normal = {0, 0, 2}, .second = Vec4{0, 0, 1, -2}}},
    // Light at 45 degrees: N.L = cos 45, R.E = cos 45 squared by Shininess 2; times the vertex colour.
    {"PhongAt45Degrees", Light, kPhong, {kR * 0.5, kR * 0.4, kR * 0.2, 0.8}, kAt45Degrees},
    // A light behind the surface adds nothing (nor do the glaring lights past noLights).
    {"PhongLightBehind", Light, {{"Diffuse", {1}}, {"Specular", {1}}, {"Ambient", {0.2, 0.3, 0.4, 0}}},
     {0.2, 0.3, 0.4, 1}, {.lights = kBehind}},
    // A back face flips N, so the light behind lights it; the flipped unit normal is stored.
    {"PhongBackFace", Light, {{"Diffuse", {0.5}}, {"Specular", {1}}, {"Shininess", {4}}, {"enableSSAO", {2}}},
     {0.5, 0.5, 0.5, 1}, {.lights = kBehind, .normal = {0, 0, 2}, .back = true, .second = Vec4{0, 0, -1, -2}}},
    // Inverse-square falloff Fr2 / 16 = 0.5 weighs diffuse and specular alike.
    {"PhongFalloff", Light, {{"Diffuse", {1}}, {"Specular", {1}}, {"Falloff", {3}}, {"Fr2", {8}}},
     {0.6, 0.4, 0.2, 1}, {.lights = {{0, 0, 2, 0.6, 0.4, 0.2}}}},
    // The flat source's normal comes from the derivatives of P, which rises along x and y:
    // (0, 0, 1) whatever N and whichever face.
    {"FlatFacetNormal", Flat, {{"Diffuse", {1}}, {"Specular", {1}}, {"Shininess", {2}}, {"enableSSAO", {2}}},
     {kR * 0.5, kR * 0.4, kR * 0.2, 0.8}, {.lights = kAt45Degrees.lights, .color = kAt45Degrees.color,
                                           .normal = {1, 0, 0}, .back = true, .second = Vec4{0, 0, 1, -2}}},
    // Density has no angle term: lights at distance 4 (Fr2 / 16 = 0.5) and 2 (2, limited to 1).
    {"DensityInverseSquareFalloff", Density, {{"Diffuse", {1}}, {"Falloff", {3}}, {"Fr2", {8}}}, {0.5, 1, 0, 1},
     {.lights = {{0, 0, 2, 1, 0, 0}, {0, 0, 0, 0, 1, 0}}}},
    // Fk * distance + Fm at distances 4, 1 and 8: 0.5, 1.25 limited to 1, -0.5 limited to 0; times
    // the texture's grey 0.5.
    {"DensityLinearFalloffTextured", Density,
     {{"Diffuse", {1}}, {"Falloff", {2}}, {"Fk", {-0.25}}, {"Fm", {1.5}}, {"useTexture", {1}}}, {0.25, 0.5, 0, 1},
     {.lights = {{0, 0, 2, 1, 0, 0}, {0, 0, -1, 0, 1, 0}, {0, 0, 6, 0, 0, 1}}, .texel = {1, 0.5, 0.5, 0.5}}},
    {"DensityOtherFalloffIsNone", Density, {{"Diffuse", {1}}, {"Falloff", {4}}, {"Fr2", {1}}, {"Fk", {-1}}},
     {1, 1, 0, 1}, {.lights = {{0, 0, 2, 1, 0, 0}, {0, 0, 6, 0, 1, 0}}}},
    // Ni = mix(1, 1 - 0.6^2, 0.75) = 0.73 and Di = mix(1, 0.5, 0.25) = 0.875 scale
    // (Isum + Ambient) * colour, alpha too, by 0.63875.
    {"DensityWeights", Density,
     {{"Diffuse", {0.5}}, {"Ambient", {0.1, 0.2, 0.3, 0}}, {"DensityAffect", {0.25}}, {"NormalAffect", {0.75}}},
     {0.38325, 0.2235625, 0.511, 0.511},
     {.lights = {{5, 5, 5, 1, 1, 1}}, .color = {1, 0.5, 1, 0.8}, .normal = {0, 0, 0.6, 0.5}}},
    // 1 - 1.2^2 clamps to 0; the second target gets N unnormalised, flipped on the back face.
    {"DensityEdgeOnClampedBackFace", Density,
     {{"Ambient", {0.5, 0.5, 0.5, 0}}, {"NormalAffect", {1}}, {"enableSSAO", {2}}}, {0, 0, 0, 0},
     {.normal = {0, 0, 1.2, 1}, .back = true, .second = Vec4{0, 0, -1.2, -2}}},
    // Fog: z = 2.5 * (3 - 2) * 0.4 = 1, so exp(-1) of the colour and the rest of the fog colour.
    {"SolidInFog", Solid, {{"FogColor", {0, 0, 1, 1}}, {"FogDistance", {2}}, {"divFogRange", {0.4}}},
     {0.3678794, 0, 0.6321206, 1}, {.color = {1, 0, 0, 1}, .z = -3}},
    {"SolidNearerThanTheFog", Solid, {{"FogColor", {0, 0, 1, 1}}, {"FogDistance", {2}}, {"divFogRange", {0.4}}},
     {1, 0, 0, 1}, {.color = {1, 0, 0, 1}, .z = -1}},
    // Host (A, R, G, B) (0.5, 0.8, 0.4, 0.2), premultiplied (0.4, 0.2, 0.1, 0.5), times Ambient 0.5.
    {"Texture", Light, {{"Ambient", {0.5, 0.5, 0.5, 0}}, {"useTexture", {1}}}, {0.2, 0.1, 0.05, 0.5},
     {.texel = {0.5, 0.8, 0.4, 0.2}}},
    // 16 bits: doubled to (0.5, 0.8, 0.6, 0.4); fogged with white by exp(-1).
    {"SixteenBitTextureInFog", Light,
     {{"Ambient", {0.5, 0.5, 0.5, 0}}, {"useTexture", {2}}, {"postpixeltransf", {16}}, {"FogColor", {1, 1, 1, 1}},
      {"FogDistance", {1}}, {"divFogRange", {0.4}}},
     {0.7056964, 0.6873025, 0.6689085, 0.8160603}, {.texel = {0.25, 0.4, 0.3, 0.2}}},
    {"TransparentTexelDiscards", Density, {{"useTexture", {1}}, {"enableSSAO", {2}}}, kCleared,
     {.texel = {0, 0.9, 0.9, 0.9}, .second = kCleared}},

    // Image passes: premultiplied R, G, B, A in; A, R, G, B out, straight unless super add is 1.
    {"HostPixelSuperAdd", PostProcess, {{"superadd", {1}}}, {1, 0.1, 0.2, 0.3}, kPixel},
    {"HostPixelStraight", PostProcess, {{"superadd", {2}}}, {0.5, 0.2, 0.4, 0.6}, kPixel},
    {"HostPixel16BitHalved", PostProcess, {{"postpixeltransf", {16}}}, {0.25, 0.1, 0.2, 0.3}, kPixel},
    {"HostPixel16BitLimits", PostProcess, {{"superadd", {1}}, {"postpixeltransf", {16}}}, {0.5, 0.5, 0, 0.1},
     {.color = {3, -0.2, 0.2, 1}}},
    {"HostPixelAlphaAbove1", PostProcess, {}, {1, 0.9, 0.6, 0.3}, {.color = {0.9, 0.6, 0.3, 1.5}}},
    {"HostPixelAlphaBelow0", PostProcess, {}, {0, 0.2, 0.1, 0.05}, {.color = {0.2, 0.1, 0.05, -0.5}}},
    // Every sample lands on the surround, 2 nearer along the normal: (1 - AOBias) / (1 + 2 * AOScale)
    // = 0.7916667, times AOIntensity 0.5, off the premultiplied colour; then un-premultiplied.
    {"OcclusionByANearerSurround", Occlusion, {}, {0.8, 0.2552083, 0.1302083, 0.0052083}, kNearer},
    {"OcclusionJitteredAndReflected", Occlusion, {{"enableSSAO", {4}}, {"superadd", {1}}},
     {1, 0.2041667, 0.1041667, 0.0041667}, kNearer},
    // A normal at cos 0.8 to the samples: (0.8 - 0.05) / 1.2 * 0.4, faded by the fog's exp(-1).
    {"OcclusionTiltedInFog", Occlusion,
     {{"AOIntensity", {0.4}}, {"FogDistance", {8}}, {"divFogRange", {0.2}}, {"superadd", {1}}},
     {1, 0.5080301, 0.4080301, 0.3080301}, {.color = kNearer.color, .normal = {0.6, 0, 0.8}, .z = -10, .surround = -8}},
    {"OcclusionFartherSurroundNone", Occlusion, {}, {0.8, 0.75, 0.625, 0.5},
     {.color = kNearer.color, .z = -10, .surround = -12}},
    {"OcclusionTransparentPixelNone", Occlusion, {}, {0, 0.3, 0.2, 0.1},
     {.color = {0.3, 0.2, 0.1, 0}, .z = -10, .surround = -8}},
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class FragmentShaders : public ::testing::TestWithParam<Case> {};

// Single precision over some ten operations on values about 1, the driver's exp and pow a few ulps.
TEST_P(FragmentShaders, ShadeTheMiddlePixelAsWorkedOut)
{
    const SharedContextScope context;
    const Case& c = GetParam();
    const Inputs& in = c.in;
    const bool surface = c.pass < PostProcess;
    const char* fragment[] = {frag_shader_density_txt, frag_shader_light_txt, frag_shader_flat_txt,
                              frag_shader_solid_txt, frag_shader_postprocess_txt, frag_shader_postprocess_ssao_txt};
    const GLuint program = buildProgram(surface ? kSurfaceVertex : vert_shader_postprocess_txt, fragment[c.pass]);
    glUseProgram(program);
    Uniforms uniforms = c.uniforms;
    if (c.pass == Occlusion) {
        // w = h = 0 puts every stored point on the axis at its eye z, and the random texel at
        // (0, 0); a radius of 2 sends every sample of every mode out of the middle texel.
        uniforms.merge(Uniforms{{"normal_and_depth_buffer", {2}}, {"randTexture", {4}}, {"zoom", {1}},
                                {"AORadius", {20}}, {"AOBias", {0.05}}, {"AOScale", {0.1}}, {"AOIntensity", {0.5}},
                                {"enableSSAO", {2}}});
        uniforms["AOSamplePattern"] = {std::begin(SSAOSamplePattern), std::end(SSAOSamplePattern)};
    } else if (c.pass != PostProcess && c.pass != Solid) {
        uniforms["noLights"] = {double(in.lights.size())};
        // Need not be active: a driver may write the second target unconditionally (Mesa does).
        if (const auto ssao = uniforms.extract("enableSSAO")) {
            glUniform1i(glGetUniformLocation(program, "enableSSAO"), static_cast<GLint>(ssao.mapped()[0]));
        }
    }
    setUniforms(program, uniforms, false);
    glLoadIdentity();  // lights are given in eye space; the slots past noLights hold a glaring one
    for (GLenum i = 0; i < 8; ++i) {
        const Lamp l = i < in.lights.size() ? in.lights[i] : Lamp{0, 0, 1, 50, 50, 50};
        const float position[] = {l[0], l[1], l[2], 1}, diffuse[] = {l[3], l[4], l[5], 1};
        glLightfv(GL_LIGHT0 + i, GL_POSITION, position);
        glLightfv(GL_LIGHT0 + i, GL_DIFFUSE, diffuse);
    }

    // 3 x 3 textures: in, the surface texture or colour image on unit 0 and the normal and depth
    // on unit 2, each a middle texel and the one around it; out, two colour targets and depth.
    GLuint t[5], framebuffer = 0;
    glCreateTextures(GL_TEXTURE_2D, 5, t);
    const Vec4 images[2][2] = {{surface ? in.texel : in.color, surface ? in.texel : Vec4{}},
                               {{in.normal[0], in.normal[1], in.normal[2], in.z}, {0, 0, 1, in.surround}}};
    for (std::size_t i = 0; i < 5; ++i) glTextureStorage2D(t[i], 1, i < 4 ? GL_RGBA32F : GL_DEPTH_COMPONENT24, 3, 3);
    for (std::size_t i = 0; i < 2; ++i) {
        std::vector<float> texels;
        for (int k = 0; k < 9; ++k) texels.insert(texels.end(), images[i][k != 4].begin(), images[i][k != 4].end());
        glTextureSubImage2D(t[i], 0, 0, 0, 3, 3, GL_RGBA, GL_FLOAT, texels.data());
        for (const GLenum p : {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER}) glTextureParameteri(t[i], p, GL_NEAREST);
        for (const GLenum p : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T}) glTextureParameteri(t[i], p, GL_CLAMP_TO_EDGE);
        glBindTextureUnit(GLuint(2 * i), t[i]);
    }
    glCreateFramebuffers(1, &framebuffer);
    for (const GLenum i : {0, 1}) glNamedFramebufferTexture(framebuffer, GL_COLOR_ATTACHMENT0 + i, t[2 + i], 0);
    glNamedFramebufferTexture(framebuffer, GL_DEPTH_ATTACHMENT, t[4], 0);
    const GLenum buffers[] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1};
    glNamedFramebufferDrawBuffers(framebuffer, 2, buffers);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glViewport(0, 0, 3, 3);
    const float cleared[] = {-7, -7, -7, -7};
    for (const GLint i : {0, 1}) glClearBufferfv(GL_COLOR, i, cleared);
    glClear(GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);

    // One triangle over the target; texture coordinates run 0 to 1 across it, P.x and P.y rise
    // from 0 in the middle.
    using Corners = std::array<std::pair<int, int>, 3>;
    glBegin(GL_TRIANGLES);
    for (const auto& [x, y] : in.back ? Corners{{{-1, 3}, {3, -1}, {-1, -1}}} : Corners{{{-1, -1}, {3, -1}, {-1, 3}}}) {
        glColor4d(in.color[0], in.color[1], in.color[2], in.color[3]);
        glNormal3d(in.normal[0], in.normal[1], in.normal[2]);
        glMultiTexCoord3d(GL_TEXTURE0, 0.5 * (x + 1), 0.5 * (y + 1), in.normal[3]);
        glMultiTexCoord3d(GL_TEXTURE1, 0.5 * x, 0.5 * y, in.z);
        glVertex2i(x, y);
    }
    glEnd();
    float out[3][4] = {};
    for (std::size_t i = 0; i < 3; ++i) {
        glGetTextureSubImage(t[2 + i], 0, 1, 1, 0, 1, 1, 1, i < 2 ? GL_RGBA : GL_DEPTH_COMPONENT, GL_FLOAT, 16, out[i]);
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glDisable(GL_DEPTH_TEST);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteTextures(5, t);
    glDeleteProgram(program);

    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_NEAR(out[0][k], c.expected[k], 1e-5) << "colour channel " << k;
        if (in.second) {
            EXPECT_NEAR(out[1][k], (*in.second)[k], 1e-5) << "second target channel " << k;
        }
    }
    EXPECT_NEAR(out[2][0], c.expected == kCleared ? 1.0 : 0.5, 1e-6) << "depth";
}

INSTANTIATE_TEST_SUITE_P(Cases, FragmentShaders, ::testing::ValuesIn(kCases),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace zel::test
