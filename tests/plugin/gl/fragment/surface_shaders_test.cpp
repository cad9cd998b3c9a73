// The density, light, flat and solid fragment sources, run on the driver and compared pixel by
// pixel with their rules computed here in double precision.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "plugin/render/shader_programs.h"
#include "plugin/render/shaders/shader_sources.h"
#include "tests/plugin/gl/fragment/fragment_test_support.h"

namespace zel::test {
namespace {

// Unequal sides keep every pixel centre off the quad's diagonal, where the flat varyings switch
// from one triangle's provoking vertex to the other's.
constexpr int kWidth = 4;
constexpr int kHeight = 3;
// Some ten single-precision steps on values of about 1 stay well below this.
constexpr double kTolerance = 1e-5;
// What a discarded fragment leaves in both colour targets; it leaves depth at the cleared 1, where
// the quad, drawn at device z 0, writes 0.5.
constexpr Vec4 kCleared{-7.0, -7.0, -7.0, -7.0};
constexpr double kQuadDepth = 0.5;

enum class Source { Density, Light, Flat, Solid };
const char* const kSourceNames[] = {"Density", "Light", "Flat", "Solid"};
const char* sourceText(Source s)
{
    const char* const texts[] = {frag_shader_density_txt, frag_shader_light_txt, frag_shader_flat_txt,
                                 frag_shader_solid_txt};
    return texts[static_cast<int>(s)];
}

struct Light {
    Vec3 position{}, diffuse{};  // position in eye space
};

// The surface sources' uniforms.
struct Shading {
    double densityAffect = 0.0, normalAffect = 0.0;
    Vec4 ambient{0.05, 0.1, 0.15, 0.0};
    double diffuse = 0.8, specular = 0.4, shininess = 6.0;
    int falloff = 1;
    double fr2 = 12.0, fk = -0.5, fm = 2.6;
    std::vector<Light> lights;
    int useTexture = 0, postpixeltransf = 8, enableSSAO = 1;
    double fogDistance = 1.0, divFogRange = 0.0;
    Vec4 fogColor{0.3, 0.45, 0.6, 1.0};
};

struct Varyings {
    Vec3 N{};
    Vec2 texCoord{};
    double D = 0.0;
    Vec3 P{};
    Vec4 color{};  // premultiplied vertex colour
};

// Every varying an affine function of the device position p, which the rasteriser interpolates
// exactly.
struct Surface {
    Varyings origin, perX, perY;

    Varyings at(const Vec2& p) const
    {
        const auto affine = [&](auto member) { return origin.*member + perX.*member * p[0] + perY.*member * p[1]; };
        return {affine(&Varyings::N), affine(&Varyings::texCoord), affine(&Varyings::D), affine(&Varyings::P),
                affine(&Varyings::color)};
    }
};

// Which varyings a variant makes flat: they take the value of the triangle's provoking vertex.
struct Variant {
    const char* prefix;
    bool flatNormal, flatTexCoord;
};
constexpr Variant kPlain{"", false, false};
constexpr Variant kFlatNormal{kFlatPrefix, true, false};
constexpr Variant kFlatTexCoord{kFlatTexPrefix, false, true};
constexpr Variant kFlatBoth{kFlatFlatTexPrefix, true, true};

struct Scene {
    Shading shading;
    Surface surface;
    bool frontFacing = true;
    Image texture;  // host pixels: A, R, G, B in r, g, b, a
};

struct Expected {
    bool discarded = false;
    Vec4 color{}, normalAndDepth{};  // the second target, which the solid source leaves alone
};

std::optional<Vec4> surfaceTexel(const Scene& scene, const Vec2& coord)
{
    if (scene.shading.useTexture <= 0) {
        return Vec4{1.0, 1.0, 1.0, 1.0};
    }
    const Vec4 host = sampleNearest(scene.texture, coord, Wrap::Clamp);
    const Vec4 tex = Vec4{host[1], host[2], host[3], host[0]} * (scene.shading.postpixeltransf == 16 ? 2.0 : 1.0);
    return tex[3] == 0.0 ? std::nullopt : std::optional(withAlpha(rgb(tex) * tex[3], tex[3]));
}

double lightFalloff(const Shading& s, const Vec3& Ld)
{
    switch (s.falloff) {
    case 3: return std::min(1.0, s.fr2 / dot(Ld, Ld));
    case 2: return std::clamp(s.fk * length(Ld) + s.fm, 0.0, 1.0);
    default: return 1.0;
    }
}

// The rules of the four sources for one fragment.
Expected shade(Source source, const Scene& scene, const Varyings& v)
{
    const Shading& s = scene.shading;
    const double fog = fogFactor(v.P[2], s.fogDistance, s.divFogRange);
    if (source == Source::Solid) {
        return {false, mix(s.fogColor, v.color, fog), {}};
    }
    const std::optional<Vec4> tex = surfaceTexel(scene, v.texCoord);
    if (!tex) {
        return {true, {}, {}};
    }
    Vec4 color;
    Vec3 normal;
    Vec3 Isum{};
    if (source == Source::Density) {
        const double Ni = std::clamp(mix(1.0, 1.0 - v.N[2] * v.N[2], s.normalAffect), 0.0, 1.0);
        const double Di = mix(1.0, v.D, s.densityAffect);
        for (const Light& light : s.lights) {
            Isum = Isum + light.diffuse * (lightFalloff(s, light.position - v.P) * s.diffuse);
        }
        color = withAlpha((Isum + rgb(s.ambient)) * rgb(v.color), v.color[3]) * (Di * Ni);
        normal = scene.frontFacing ? v.N : -v.N;
    } else {
        const Surface& f = scene.surface;
        normal = source == Source::Light ? normalize(scene.frontFacing ? v.N : -v.N)
                                         : normalize(cross(f.perX.P, f.perY.P));
        const Vec3 E = normalize(-v.P);
        for (const Light& light : s.lights) {
            const Vec3 Ld = light.position - v.P;
            const Vec3 L = normalize(Ld);
            const double NdotL = dot(normal, L);
            if (NdotL > 0.0) {
                const Vec3 R = normalize(-reflect(L, normal));
                const Vec3 Idiff = light.diffuse * (s.diffuse * NdotL);
                const Vec3 Ispec = light.diffuse * (s.specular * std::pow(std::max(dot(R, E), 0.0), s.shininess));
                Isum = Isum + (Ispec + Idiff) * lightFalloff(s, Ld);
            }
        }
        color = withAlpha(Isum + rgb(s.ambient), 1.0) * v.color;
    }
    return {false, mix(s.fogColor, color * *tex, fog), withAlpha(normal, v.P[2])};
}

// The varyings a fragment at device position p receives under the variant.
Varyings fragmentVaryings(const Surface& surface, const Vec2& p, const Variant& variant)
{
    Varyings v = surface.at(p);
    const Varyings provoking = surface.at(p[1] < p[0] ? Vec2{1.0, 1.0} : Vec2{-1.0, 1.0});
    v.N = variant.flatNormal ? provoking.N : v.N;
    v.texCoord = variant.flatTexCoord ? provoking.texCoord : v.texCoord;
    return v;
}

// Fills the fixed-function light slots the sources read, under an identity modelview so that the
// eye-space positions are the ones given. Unused slots get a glaring colour: reading one slot
// past noLights shows.
void setLights(const std::vector<Light>& lights)
{
    glPushMatrix();
    glLoadIdentity();
    GLint slots = 0;
    glGetIntegerv(GL_MAX_LIGHTS, &slots);
    for (int i = 0; i < slots; ++i) {
        const Light light = i < static_cast<int>(lights.size()) ? lights[static_cast<std::size_t>(i)]
                                                                : Light{{0.0, 0.0, 1.0}, {50.0, 50.0, 50.0}};
        const auto v4 = [](const Vec3& v) {
            return std::array<GLfloat, 4>{GLfloat(v[0]), GLfloat(v[1]), GLfloat(v[2]), 1};
        };
        glLightfv(GL_LIGHT0 + static_cast<GLenum>(i), GL_POSITION, v4(light.position).data());
        glLightfv(GL_LIGHT0 + static_cast<GLenum>(i), GL_DIFFUSE, v4(light.diffuse).data());
    }
    glPopMatrix();
}

void setShading(GLuint program, Source source, const Shading& s)
{
    setUniform(program, "FogColor", s.fogColor);
    std::vector<std::pair<const char*, double>> floats = {{"FogDistance", s.fogDistance},
                                                          {"divFogRange", s.divFogRange}};
    std::vector<std::pair<const char*, int>> ints;
    if (source != Source::Solid) {
        setUniform(program, "Ambient", s.ambient);
        floats.insert(floats.end(), {{"Diffuse", s.diffuse}, {"Fr2", s.fr2}, {"Fk", s.fk}, {"Fm", s.fm}});
        ints = {{"Falloff", s.falloff}, {"noLights", static_cast<int>(s.lights.size())}, {"colorTexture", 0},
                {"useTexture", s.useTexture}, {"postpixeltransf", s.postpixeltransf}};
        if (source == Source::Density) {
            floats.insert(floats.end(), {{"DensityAffect", s.densityAffect}, {"NormalAffect", s.normalAffect}});
        } else {
            floats.insert(floats.end(), {{"Specular", s.specular}, {"Shininess", s.shininess}});
        }
        // Need not be active: a driver may write the second target unconditionally (Mesa does).
        glUniform1i(glGetUniformLocation(program, "enableSSAO"), s.enableSSAO);
    }
    for (const auto& [name, value] : floats) setUniform(program, name, value);
    for (const auto& [name, value] : ints) setUniform(program, name, value);
}

struct Drawn {
    Image color, normalAndDepth;
    std::vector<double> depth;
};
// Draws the scene with `program`, in use with its other uniforms set, into a fresh target cleared to
// kCleared and depth 1.
Drawn drawScene(GLuint program, Source source, const Scene& scene)
{
    setShading(program, source, scene.shading);
    setLights(scene.shading.lights);
    const FloatTexture texture(scene.texture, 0, GL_CLAMP_TO_EDGE);
    const RenderTarget target(kWidth, kHeight);
    target.clear(kCleared, 1.0);
    drawQuad(scene.frontFacing, [&](const Vec2& corner) {
        const Varyings v = scene.surface.at(corner);
        glColor4d(v.color[0], v.color[1], v.color[2], v.color[3]);
        glNormal3d(v.N[0], v.N[1], v.N[2]);
        glMultiTexCoord3d(GL_TEXTURE0, v.texCoord[0], v.texCoord[1], v.D);
        glMultiTexCoord3d(GL_TEXTURE1, v.P[0], v.P[1], v.P[2]);
    });
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    return {target.readColor(0), target.readColor(1), target.readDepth()};
}

// Colour, depth and, where written, normal and depth as the rules give them.
void expectDrawnAsWritten(GLuint program, Source source, const Variant& variant, const Scene& scene)
{
    const Drawn drawn = drawScene(program, source, scene);
    std::vector<Vec4> color, second;
    for (int i = 0; i < kWidth * kHeight; ++i) {
        const Vec2 p = pixelDeviceCoord(i, kWidth, kHeight);
        const Expected e = shade(source, scene, fragmentVaryings(scene.surface, p, variant));
        color.push_back(e.discarded ? kCleared : e.color);
        second.push_back(e.discarded ? kCleared : e.normalAndDepth);
        EXPECT_NEAR(drawn.depth[static_cast<std::size_t>(i)], e.discarded ? 1.0 : kQuadDepth, 1e-6) << "pixel " << i;
    }
    SCOPED_TRACE("colour target");
    expectImageNear(drawn.color, color, kTolerance);
    // Only enableSSAO 2 or more asks for the second target; without it the target is undefined.
    if (source != Source::Solid && scene.shading.enableSSAO >= 2) {
        SCOPED_TRACE("normal and depth target");
        expectImageNear(drawn.normalAndDepth, second, kTolerance);
    }
}

const Light kFrontLight{{1.5, 1.0, 1.0}, {1.0, 0.9, 0.8}};
const Light kSideLight{{-2.0, 0.5, -1.0}, {0.2, 0.4, 0.6}};
const Light kLowLight{{0.0, -4.0, -2.5}, {0.5, 0.5, 0.1}};
const Light kBackLight{{0.3, 0.2, -9.0}, {0.7, 0.6, 0.5}};  // behind the surface, which faces +z
const std::vector<Light> kThreeLights{kFrontLight, kSideLight, kLowLight};
const std::vector<Light> kFourLights{kFrontLight, kSideLight, kLowLight, kBackLight};

// The left half of the quad reads a fully transparent texel, the right half an opaque one.
const Image kHalfTransparent{2, 1, {{0.0, 0.9, 0.9, 0.9}, {0.75, 0.3, 0.6, 0.9}}};
// Four opaque texels of different colours across s.
const Image kStripes{4, 1, {{1.0, 0.9, 0.2, 0.1}, {0.5, 0.2, 0.8, 0.3}, {0.8, 0.4, 0.4, 0.9}, {0.25, 0.6, 0.1, 0.5}}};

// A tilted surface in front of the camera (z about -3) facing it; s runs from 0.05 to 0.95.
Scene baseScene()
{
    Scene scene;
    scene.surface.origin = {{0.2, -0.3, 0.8}, {0.5, 0.5}, 0.8, {0.1, -0.2, -3.0}, {0.56, 0.42, 0.3, 0.7}};
    scene.surface.perX = {{0.1, 0.0, 0.0}, {0.45, 0.0}, 0.1, {0.6, 0.0, 0.3}, {0.05, 0.02, 0.0, 0.05}};
    scene.surface.perY = {{0.0, 0.05, 0.0}, {0.0, 0.3}, -0.05, {0.0, 0.6, -0.2}, {}};
    scene.texture = kHalfTransparent;
    return scene;
}

struct Scenario {
    const char* name;
    void (*apply)(Shading&, Scene&);
};

const Scenario kScenarios[] = {
    {"NoLights", [](Shading&, Scene&) {}},
    {"OneLight", [](Shading& s, Scene&) { s.lights = {kFrontLight}; }},
    {"SeveralLights", [](Shading& s, Scene&) { s.lights = kFourLights; }},
    {"OtherFalloffValuesAreNone", [](Shading& s, Scene&) { s.lights = kThreeLights; s.falloff = 4; }},
    // Lights at distances of about 3 to 6.4: the ramp is clamped at 1, at 0 and in between.
    {"LinearFalloff", [](Shading& s, Scene&) { s.lights = kFourLights; s.falloff = 2; }},
    // Squared distances of about 8 to 23 against Fr2 12: limited to 1 for the nearer lights.
    {"InverseSquareFalloff", [](Shading& s, Scene&) { s.lights = kThreeLights; s.falloff = 3; }},
    // The surface's depth of 2.6 to 3.4 spans fog factors from about 0.9 to 0.05.
    {"Fog", [](Shading& s, Scene&) { s.lights = {kFrontLight}; s.fogDistance = 2.5; s.divFogRange = 0.8; }},
    {"FogBeyondTheScene", [](Shading& s, Scene&) { s.lights = {kFrontLight}; s.fogDistance = 50; s.divFogRange = 1; }},
    {"DensityAndNormalAffect",
     [](Shading& s, Scene&) { s.lights = {kFrontLight, kSideLight}; s.densityAffect = 0.6; s.normalAffect = 0.7; }},
    // |N.z| above 1: the density's view-angle term clamps to 0 and its second target keeps N as it
    // came; the light source normalises.
    {"UnnormalisedNormal", [](Shading& s, Scene& scene) {
         s.lights = {kFrontLight}; s.normalAffect = 1.0; s.enableSSAO = 2;
         scene.surface.origin.N = scene.surface.origin.N * 1.6;
     }},
    {"Texture", [](Shading& s, Scene& scene) {
         s.lights = {kFrontLight}; s.useTexture = 1;
         scene.texture = {1, 1, {{0.5, 0.8, 0.6, 0.4}}};
     }},
    {"SixteenBitTextureIsDoubled", [](Shading& s, Scene& scene) {
         s.lights = {kFrontLight}; s.useTexture = 2; s.postpixeltransf = 16;
         scene.texture = {1, 1, {{0.25, 0.4, 0.3, 0.2}}};
     }},
    {"TransparentTexelDiscards",
     [](Shading& s, Scene&) { s.lights = {kFrontLight}; s.useTexture = 1; s.enableSSAO = 2; }},
    {"NormalAndDepthOfFrontFaces", [](Shading& s, Scene&) { s.lights = {kFrontLight, kBackLight}; s.enableSSAO = 2; }},
    {"NormalAndDepthOfBackFaces", [](Shading& s, Scene& scene) {
         s.lights = {kFrontLight, kBackLight}; s.enableSSAO = 5;
         scene.frontFacing = false;
     }},
};

class SurfaceRules : public FragmentProgramTest, public ::testing::WithParamInterface<Source> {};

TEST_P(SurfaceRules, HoldInEveryScenario)
{
    const GLuint program = surfaceTestProgram("", sourceText(GetParam()));
    ASSERT_NE(program, 0u);
    glUseProgram(program);
    for (const Scenario& scenario : kScenarios) {
        SCOPED_TRACE(scenario.name);
        Scene scene = baseScene();
        scenario.apply(scene.shading, scene);
        expectDrawnAsWritten(program, GetParam(), kPlain, scene);
    }
}

INSTANTIATE_TEST_SUITE_P(Sources, SurfaceRules,
                         ::testing::Values(Source::Density, Source::Light, Source::Flat, Source::Solid),
                         [](const auto& test) { return std::string(kSourceNames[static_cast<int>(test.param)]); });

using SurfaceFragmentSources = FragmentProgramTest;

// Hand-worked pixels that anchor the rules above, on a constant surface.
struct HandWorked {
    const char* name;
    Source source;
    Varyings surface;
    void (*apply)(Shading&, Scene&);
    Vec4 expected;
};

const HandWorked kHandWorked[] = {
    // Light straight along the normal, eye on the reflection: Isum = (0.5 + 0.25) * colour + 0.1.
    {"PhongHeadOn", Source::Light, {{0.0, 0.0, 1.0}, {}, 1.0, {0.0, 0.0, -2.0}, {1.0, 1.0, 1.0, 1.0}},
     [](Shading& s, Scene&) {
         s.lights = {{{0.0, 0.0, 2.0}, {1.0, 0.5, 0.25}}};
         s.diffuse = 0.5; s.specular = 0.25; s.shininess = 3.0; s.ambient = {0.1, 0.1, 0.1, 0.0};
     },
     {0.85, 0.475, 0.2875, 1.0}},
    // Ni = 1 - 0.6^2 = 0.64, Di = 0.5: (0.5 + ambient) * 0.32, alpha 0.32.
    {"DensityTerms", Source::Density, {{0.0, 0.0, 0.6}, {}, 0.5, {0.0, 0.0, -2.0}, {1.0, 1.0, 1.0, 1.0}},
     [](Shading& s, Scene&) {
         s.lights = {{{5.0, 5.0, 5.0}, {1.0, 1.0, 1.0}}};
         s.diffuse = 0.5; s.ambient = {0.1, 0.2, 0.3, 0.0}; s.densityAffect = 1.0; s.normalAffect = 1.0;
     },
     {0.192, 0.224, 0.256, 0.32}},
    // z = 2.5 * (3 - 2) * 0.4 = 1, fog = exp(-1).
    {"FogOfSolidColour", Source::Solid, {{}, {}, 1.0, {0.0, 0.0, -3.0}, {1.0, 0.0, 0.0, 1.0}},
     [](Shading& s, Scene&) { s.fogColor = {0.0, 0.0, 1.0, 1.0}; s.fogDistance = 2.0; s.divFogRange = 0.4; },
     {0.36787944, 0.0, 0.63212056, 1.0}},
    // Host (A, R, G, B) = (0.5, 0.8, 0.4, 0.2), premultiplied (0.4, 0.2, 0.1, 0.5), times ambient 0.5.
    {"TextureSwizzleAndPremultiply", Source::Light, {{0, 0, 1}, {0.5, 0.5}, 1, {0, 0, -2}, {1, 1, 1, 1}},
     [](Shading& s, Scene& scene) {
         s.ambient = {0.5, 0.5, 0.5, 0.0}; s.useTexture = 1;
         scene.texture = {1, 1, {{0.5, 0.8, 0.4, 0.2}}};
     },
     {0.2, 0.1, 0.05, 0.5}},
};

TEST_F(SurfaceFragmentSources, HandWorkedPixels)
{
    for (const HandWorked& c : kHandWorked) {
        SCOPED_TRACE(c.name);
        const GLuint program = surfaceTestProgram("", sourceText(c.source));
        ASSERT_NE(program, 0u);
        glUseProgram(program);
        Scene scene;
        scene.surface.origin = c.surface;
        scene.texture = kHalfTransparent;
        c.apply(scene.shading, scene);
        expectImageNear(drawScene(program, c.source, scene).color, std::vector<Vec4>(kWidth * kHeight, c.expected),
                        kTolerance);
    }
}

// A normal and a texture coordinate that vary over the quad, flat where the variant says so. The
// module's programs below cover the FLAT_TEX variants of every source, but only with a constant normal.
TEST_F(SurfaceFragmentSources, FlatVariantsTakeTheProvokingVertexValue)
{
    for (const Variant& variant : {kFlatNormal, kFlatBoth}) {
        SCOPED_TRACE(variant.prefix);
        const GLuint program = surfaceTestProgram(variant.prefix, sourceText(Source::Light));
        ASSERT_NE(program, 0u);
        glUseProgram(program);
        Scene scene = baseScene();
        scene.surface.perX.N = {0.3, 0.0, 0.0};
        scene.surface.perY.N = {0.0, -0.3, 0.0};
        scene.shading.lights = {kFrontLight, kSideLight};
        scene.shading.useTexture = 1;
        scene.shading.enableSSAO = 2;
        scene.texture = kStripes;
        expectDrawnAsWritten(program, Source::Light, variant, scene);
    }
}

// The programs the module linked, with its own vertex shader, on an undisplaced grid.
struct ModuleProgram {
    const char* name;
    const GLuint* program;
    Source source;
    Variant variant;
};
void PrintTo(const ModuleProgram& m, std::ostream* os) { *os << m.name; }

const ModuleProgram kModulePrograms[] = {
    {"Density", &prog_density_shader, Source::Density, kPlain},
    {"Light", &prog_light_shader, Source::Light, kPlain},
    {"Flat", &prog_flat_shader, Source::Flat, kPlain},
    {"Solid", &prog_solid_shader, Source::Solid, kPlain},
    {"FlatQuad", &prog_flatquad_shader, Source::Light, kFlatNormal},
    {"DensityFT", &prog_density_shader_FT, Source::Density, kFlatTexCoord},
    {"LightFT", &prog_light_shader_FT, Source::Light, kFlatTexCoord},
    {"FlatFT", &prog_flat_shader_FT, Source::Flat, kFlatTexCoord},
    {"FlatQuadFT", &prog_flatquad_shader_FT, Source::Light, kFlatBoth},
};

class ModuleSurfacePrograms : public FragmentProgramTest, public ::testing::WithParamInterface<ModuleProgram> {};

TEST_P(ModuleSurfacePrograms, ShadeAnUndisplacedGridAsWritten)
{
    const ModuleProgram& m = GetParam();
    const GLuint program = *m.program;
    ASSERT_NE(program, 0u);
    glUseProgram(program);
    // No octaves make every noise sum 0 and the clamped z offset 0; without bends the grid stays
    // as sent, and the finite differences give N = -(0, e, 0) x (-e, 0, 0) normalised = (0, 0, -1)
    // and D = 1. A step of 0.25 keeps those differences exact.
    setUniform(program, "Complexity", 0);
    for (const char* name : {"NoiseAdd", "BendX", "BendY", "BendXpost", "BendYpost", "Z_offset"}) {
        setUniform(program, name, 0.0);
    }
    setUniform(program, "NoiseFloorZ", -1.0);
    setUniform(program, "NoiseCeilZ", 1.0);
    if (m.source == Source::Density || m.source == Source::Light) {
        setUniform(program, "Epsilon", 0.25);  // inactive where N and D are not read
    }
    setUniform(program, "useFTexture", 0);
    // Samplers of different types on one unit would fail the draw.
    for (const auto& [name, unit] :
         {std::pair{"permTexture", 1}, {"simplexTexture", 2}, {"gradTexture", 3}, {"fTexture", 5}}) {
        setUniform(program, name, unit);
    }
    // The camera puts the grid at eye z -2, depth 0.5.
    glMatrixMode(GL_PROJECTION);
    glOrtho(-1.0, 1.0, -1.0, 1.0, 1.0, 3.0);
    glMatrixMode(GL_MODELVIEW);
    glTranslated(0.0, 0.0, -2.0);

    Scene scene;
    scene.surface.origin = {{0.0, 0.0, -1.0}, {0.5, 0.5}, 1.0, {0.0, 0.0, -2.0}, {0.5, 0.4, 0.3, 0.6}};
    scene.surface.perX = {{}, {0.45, 0.0}, 0.0, {1.0, 0.0, 0.0}, {0.1, 0.0, 0.0, 0.1}};
    scene.surface.perY = {{}, {0.0, 0.45}, 0.0, {0.0, 1.0, 0.0}, {}};
    Shading& s = scene.shading;
    // One light in front of the grid for the flat source's facet normal (0, 0, 1), one behind it
    // for N = (0, 0, -1).
    s.lights = {{{0.5, 0.3, 3.0}, {1.0, 0.9, 0.7}}, {{-0.4, 0.2, -6.0}, {0.3, 0.5, 0.9}}};
    s.falloff = 3; s.fr2 = 20.0; s.fogDistance = 1.5; s.divFogRange = 0.5;
    s.densityAffect = 0.5; s.normalAffect = 0.5; s.useTexture = 1; s.enableSSAO = 2;
    scene.texture = kStripes;
    expectDrawnAsWritten(program, m.source, m.variant, scene);
}

INSTANTIATE_TEST_SUITE_P(Programs, ModuleSurfacePrograms, ::testing::ValuesIn(kModulePrograms),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace zel::test
