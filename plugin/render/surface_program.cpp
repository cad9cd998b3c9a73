#include "plugin/render/surface_program.h"

#include <optional>

#include "plugin/render/gl_diagnostics.h"
#include "plugin/render/shared_gl_state.h"

namespace zel {
namespace {

using params::Shader;
using params::TextureFilter;

// Bends are given in half turns per unit of surface; the shader takes turns per pixel.
constexpr double kBendScale = 0.005;

// Sets one program's uniforms by name, each looked up as it is set.
class Uniforms {
public:
    explicit Uniforms(GLuint program) : program_(program) {}

    void i(const char* name, int value) const { glUniform1i(getUniLoc(program_, name), value); }
    void f(const char* name, double value) const
    {
        glUniform1f(getUniLoc(program_, name), static_cast<float>(value));
    }
    void v3(const char* name, double x, double y, double z) const
    {
        glUniform3f(getUniLoc(program_, name), static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
    }
    void v4(const char* name, double x, double y, double z, double w) const
    {
        glUniform4f(getUniLoc(program_, name), static_cast<float>(x), static_cast<float>(y),
                    static_cast<float>(z), static_cast<float>(w));
    }
    void v4(const char* name, const std::array<float, 4>& v) const
    {
        glUniform4fv(getUniLoc(program_, name), 1, v.data());
    }
    // Row r, column c of a row-major matrix lands at element 4c + r: GL's column order.
    void m4(const char* name, const Matrix4& m) const
    {
        float columns[16];
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 4; ++c) {
                columns[4 * c + r] = static_cast<float>(m[static_cast<std::size_t>(4 * r + c)]);
            }
        }
        glUniformMatrix4fv(getUniLoc(program_, name), 1, GL_FALSE, columns);
    }

private:
    GLuint program_;
};

// The finite-difference step in amplitude-texture coordinates; 0 without a layer or a size.
double amplitudeStep(const FrameValues& v, double size)
{
    return v.hasAmplitudeLayer && size != 0 ? v.epsilon / size : 0.0;
}

// Without an amplitude layer the shader ignores the texel size; 1 keeps it finite.
double texelSize(int size)
{
    return size > 0 ? 1.0 / size : 1.0;
}

// The program for the shader (or its solid-face variant), the plain one to fall back on, and the
// one the failure message names when neither can be used.
struct ProgramChoice {
    Program program;
    Program fallback;
    Program reported;
};

std::optional<ProgramChoice> chooseProgram(const FrameValues& v, bool pass)
{
    const bool solidFace = v.textureMode != 0 && v.textureFilter == TextureFilter::SolidFace;
    const auto pick = [solidFace, pass](Program plain, Program flatTextured, Program reported) {
        const auto variant = [pass](Program p) { return pass ? passVariant(p) : p; };
        return ProgramChoice{variant(solidFace ? flatTextured : plain), variant(plain), variant(reported)};
    };
    switch (v.shader) {
    case Shader::Density:
        return pick(Program::density_shader, Program::density_shader_FT, Program::density_shader);
    case Shader::Phong:
        return pick(Program::light_shader, Program::light_shader_FT, Program::light_shader);
    case Shader::Flat:
        return v.flatQuadMode
                   ? pick(Program::flatquad_shader, Program::flatquad_shader_FT, Program::flat_shader)
                   : pick(Program::flat_shader, Program::flat_shader_FT, Program::flat_shader);
    }
    return std::nullopt;
}

// The noise fields and their lookup textures.
void setNoiseUniforms(const Uniforms& u, const FrameValues& v)
{
    u.i("permTexture", 1);
    u.i("simplexTexture", 2);
    u.i("gradTexture", 3);
    u.v3("NoiseAmp", v.amplitude[0], v.amplitude[1], v.amplitude[2]);
    u.v4("NoiseFreq", v.frequency[0], v.frequency[1], v.frequency[2], v.F);
    u.v4("NoiseOffset", -(v.offsetX + v.grid.scrollX), -(v.offsetY + v.grid.scrollY), -v.offsetZ,
         v.evolution);
}

void setZMappingUniforms(const Uniforms& u, const FrameValues& v)
{
    u.f("NoiseFloorZ", v.zFloor);
    u.f("NoiseCeilZ", v.zCeil);
    u.f("NoiseAdd", v.zAdd);
    u.f("NoiseMult", v.zMultiplier);
}

void setFractalUniforms(const Uniforms& u, const FrameValues& v)
{
    u.i("Complexity", v.complexity);
    u.i("FractalType", params::number(v.fractalType));
    u.f("OctScale", v.octScale);
    u.f("OctMult", v.octMult);
}

// The amplitude layer, bends and differences of the displacement.
void setAmplitudeUniforms(const Uniforms& u, const FrameValues& v)
{
    u.i("fTexture", 5);
    u.i("useFTexture", v.hasAmplitudeLayer ? 1 : 0);
    u.f("texelSizeX", texelSize(v.amplitudeLayer.width));
    u.f("texelSizeY", texelSize(v.amplitudeLayer.height));
    u.f("textureSizeX", v.amplitudeLayer.width);
    u.f("textureSizeY", v.amplitudeLayer.height);
    u.i("postpixeltransf", v.bitsPerChannel);
    u.f("BendX", kBendScale * v.bendX);
    u.f("BendY", kBendScale * v.bendY);
    u.f("BendXpost", kBendScale * v.fbendX);
    u.f("BendYpost", kBendScale * v.fbendY);
    u.f("NoiseNorm", v.noiseNormaliser);
    u.f("Epsilon", v.epsilon);
}

void setTextureAndFogUniforms(const Uniforms& u, const FrameValues& v)
{
    u.f("FogDistance", v.fogStart);
    u.f("divFogRange", v.fogReciprocal);
    u.v4("FogColor", v.fogColor[0], v.fogColor[1], v.fogColor[2], 1.0);
    u.f("TexScaleY", v.grid.texScaleY);
}

void setLoopUniforms(const Uniforms& u, const FrameValues& v)
{
    u.i("NoiseLoop", v.looping ? 1 : 0);
    u.f("NoiseLoopW", v.loopW);
    u.m4("NoiseLoopMatrix", v.loopMatrix);
    u.v4("Ex", v.Ex);
    u.v4("Ey", v.Ey);
    u.v4("Ez", v.Ez);
    u.v4("Ox", v.Ox);
}

// Everything the displacement is evaluated from, in whichever stage evaluates it.
void setDisplacementUniforms(const Uniforms& u, const FrameValues& v)
{
    setNoiseUniforms(u, v);
    setZMappingUniforms(u, v);
    setFractalUniforms(u, v);
    setAmplitudeUniforms(u, v);
    setLoopUniforms(u, v);
}

// The surface's vertex stage evaluates the displacement, or reads the pass's results: where they
// lie and the grid they cover.
void setDisplacementSourceUniforms(const Uniforms& u, const FrameValues& v, const DisplacementSource& source)
{
    if (!source.pass) {
        setDisplacementUniforms(u, v);
        return;
    }
    u.v4("GridLookup", source.columnSegments, source.rowSegments, source.columnSegments + 1,
         source.rowSegments + 1);
    u.i("displacedPosition", kDisplacedPositionUnit);
    u.i("displacedShape", kDisplacedShapeUnit);
}

}  // namespace

PF_Err useSurfaceProgram(FrameContext& frame, bool pass, GLuint& inUse)
{
    const std::optional<ProgramChoice> choice = chooseProgram(frame.values, pass);
    if (!choice) {
        inUse = 0;
        glUseProgram(0);
        ZEL_GL_CHECK();
        return PF_Err_NONE;
    }
    const ShaderPrograms& programs = sharedGL().programs();
    inUse = programs[choice->program];
    glUseProgram(inUse);
    if (ZEL_GL_CHECK() != 0) {
        glUseProgram(0);
        ZEL_GL_CHECK();
        inUse = programs[choice->fallback];
        glUseProgram(inUse);
        if (ZEL_GL_CHECK() != 0) {
            return failFrame(frame, formatMessage("ZEL: OpenGL error after glUseProgram(%s):%d",
                                                  programName(choice->reported),
                                                  programs[choice->reported]));
        }
    }
    return PF_Err_NONE;
}

void setMainPassUniforms(GLuint program, const FrameValues& v, const DisplacementSource& source)
{
    const Uniforms u(program);
    if (v.shader == Shader::Density) {
        u.f("DensityAffect", v.densityAffect);
        u.f("NormalAffect", v.normalAffect);
        u.f("Diffuse", v.diffuse);
    } else {
        u.f("Diffuse", v.diffuse);
        u.f("Specular", v.specular);
        u.f("Shininess", v.shininess);
    }
    if (v.shader != Shader::Flat && !source.pass) {
        u.f("Efx", amplitudeStep(v, v.grid.sizeX));
        u.f("Efy", amplitudeStep(v, v.grid.sizeY));
    }
    u.v4("Ambient", v.ambientColor[0] * v.ambient, v.ambientColor[1] * v.ambient,
         v.ambientColor[2] * v.ambient, 0.0);
    u.i("Falloff", params::number(v.falloff));
    u.f("Fr2", v.Fr2);
    u.f("Fk", v.Fk);
    u.f("Fm", v.Fm);
    u.i("noLights", v.lightCount);
    u.i("colorTexture", 0);
    u.i("useTexture", v.textureMode);
    setTextureAndFogUniforms(u, v);
    u.i("enableSSAO", params::number(v.ambientOcclusion));
    u.f("Z_offset", 0.0);
    setDisplacementSourceUniforms(u, v, source);
}

void useSecondPassProgram(const FrameValues& v, const DisplacementSource& source)
{
    const GLuint program =
        sharedGL().programs()[source.pass ? passVariant(Program::solid_shader) : Program::solid_shader];
    glUseProgram(program);
    const Uniforms u(program);
    u.i("useTexture", 0);
    setTextureAndFogUniforms(u, v);
    // Just in front of the surface, so the overlay wins the depth test where they meet.
    u.f("Z_offset", -0.0001f);
    setDisplacementSourceUniforms(u, v, source);
}

void setDisplacementPassUniforms(GLuint program, const FrameValues& v, int coordinates)
{
    const Uniforms u(program);
    // The flat programs never get Efx and Efy, which stay 0 there; the pass gives what the main
    // pass's program has. The second pass draws no normals, whatever its differences.
    const bool flat = v.shader == Shader::Flat;
    u.f("Efx", flat ? 0.0 : amplitudeStep(v, v.grid.sizeX));
    u.f("Efy", flat ? 0.0 : amplitudeStep(v, v.grid.sizeY));
    setDisplacementUniforms(u, v);
    u.i("gridCoordinates", kGridCoordinateUnit);
    u.f("GridCoordinateCount", coordinates);
}

}  // namespace zel
