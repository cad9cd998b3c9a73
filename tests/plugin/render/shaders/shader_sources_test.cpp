// The embedded GLSL sources, checked without a GL context for what a driver stricter than the one
// the GL tests run on would refuse, stage by stage as the renderer compiles each program.
#include "plugin/render/shaders/shader_sources.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <ostream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/text.h"

namespace zel {
namespace {

using Declarations = std::map<std::string, std::string>;  // name -> type, or qualifier and type

struct Source {
    const char* name;
    const char* text;
    const char* stage;      // the file extension by which glslangValidator picks the stage
    Declarations varyings;  // passed between the stages, apart from built-ins
};

const Declarations kSurfaceVaryings = {{"N", "vec3"}, {"vTexCoord", "vec2"}, {"D", "float"}, {"P", "vec3"}};
const Source kVertex{"vertex", vert_shader_txt, ".vert", kSurfaceVaryings};
const Source kDensity{"density", frag_shader_density_txt, ".frag", kSurfaceVaryings};
const Source kLight{"light", frag_shader_light_txt, ".frag", {{"N", "vec3"}, {"vTexCoord", "vec2"}, {"P", "vec3"}}};
const Source kFlat{"flat", frag_shader_flat_txt, ".frag", {{"vTexCoord", "vec2"}, {"P", "vec3"}}};
const Source kSolid{"solid", frag_shader_solid_txt, ".frag", {{"P", "vec3"}}};
const Source kDisplacement{"displacement", frag_shader_displacement_txt, ".frag", {}};
const Source kImageVertex{"postprocess_vertex", vert_shader_postprocess_txt, ".vert", {}};
const Source kPostprocess{"postprocess", frag_shader_postprocess_txt, ".frag", {}};
const Source kOcclusion{"postprocess_ssao", frag_shader_postprocess_ssao_txt, ".frag", {}};

struct Program {
    const char* name;
    const Source *vertex, *fragment;
    std::string prefix;  // given to both stages, each compiled as the prefix followed by the source
};

const Program kPrograms[] = {
    {"prog_density_shader", &kVertex, &kDensity, ""},
    {"prog_light_shader", &kVertex, &kLight, ""},
    {"prog_flat_shader", &kVertex, &kFlat, ""},
    {"prog_solid_shader", &kVertex, &kSolid, ""},
    {"prog_flatquad_shader", &kVertex, &kLight, kFlatPrefix},
    {"prog_density_shader_FT", &kVertex, &kDensity, kFlatTexPrefix},
    {"prog_light_shader_FT", &kVertex, &kLight, kFlatTexPrefix},
    {"prog_flat_shader_FT", &kVertex, &kFlat, kFlatTexPrefix},
    {"prog_flatquad_shader_FT", &kVertex, &kLight, kFlatFlatTexPrefix},
    {"prog_density_shader_pass", &kVertex, &kDensity, kPassPrefix},
    {"prog_light_shader_pass", &kVertex, &kLight, kPassPrefix},
    {"prog_flat_shader_pass", &kVertex, &kFlat, kPassPrefix},
    {"prog_solid_shader_pass", &kVertex, &kSolid, kPassPrefix},
    {"prog_flatquad_shader_pass", &kVertex, &kLight, kFlatPassPrefix},
    {"prog_density_shader_FT_pass", &kVertex, &kDensity, kFlatTexPassPrefix},
    {"prog_light_shader_FT_pass", &kVertex, &kLight, kFlatTexPassPrefix},
    {"prog_flat_shader_FT_pass", &kVertex, &kFlat, kFlatTexPassPrefix},
    {"prog_flatquad_shader_FT_pass", &kVertex, &kLight, kFlatFlatTexPassPrefix},
    {"prog_displacement_shader", &kImageVertex, &kDisplacement, ""},
    {"prog_postprocess_shader", &kImageVertex, &kPostprocess, ""},
    {"prog_postprocess_ssao_shader", &kImageVertex, &kOcclusion, ""},
};

// glslangValidator with `options` on the text, in a file with the stage's extension. A text
// without a #version line compiles on the driver as GLSL `version`; glslangValidator would assume
// an ES version instead, so the line is written out for it.
test::Finished validate(std::vector<std::string> options, std::string text, const char* stage, const char* version)
{
    const test::ScratchDirectory scratch("zel-shader");
    const std::filesystem::path path = scratch.path() / (std::string("shader") + stage);
    test::writeText(path, text.starts_with("#version") ? text : std::string("#version ").append(version) + '\n' + text);
    options.insert(options.begin(), ZEL_GLSLANG_VALIDATOR);
    options.push_back(path.string());
    return test::runProgram(options);
}

// Uniforms with their types ("vec3[32]"), or varyings with their qualifier ("flat vec3"), by name.
Declarations declared(const std::string& text, bool uniforms)
{
    static const std::regex uniform(R"(uniform\s+(\w+)\s+(\w+)\s*(?:\[\s*(\d+)\s*\])?\s*;)");
    static const std::regex varying(R"((flat\s+)?varying\s+(\w+)\s+(\w+)\s*;)");
    Declarations found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), uniforms ? uniform : varying);
         it != std::sregex_iterator(); ++it) {
        const std::smatch& m = *it;
        // Strings appended to, never put after a literal: GCC 12 at -O3 takes that for an overlapping copy.
        if (uniforms) {
            found[m[2]] = m[3].matched ? m[1].str() + '[' + m[3].str() + ']' : m[1].str();
        } else {
            found[m[3]] = m[1].matched ? std::string("flat ").append(m[2].str()) : m[2].str();
        }
    }
    return found;
}

void PrintTo(const Program& program, std::ostream* out) { *out << program.name; }

class ShaderProgram : public testing::TestWithParam<Program> {};

// Each stage passes glslangValidator. glslang does not know GL_EXT_gpu_shader4, so a stage with a
// prefix, whose flat varyings need it, is checked as GLSL 1.30, where flat is core, with the
// extension asked for but not required; the rest of such a source is checked as GLSL 1.10 by the
// programs without a prefix. The driver refuses an #extension line after the first declaration and
// a flat varying without GL_EXT_gpu_shader4; glslang checks neither. N is flat under FLAT and
// vTexCoord under FLAT_TEX, in both stages, and shared uniforms have one type, or the program
// does not link.
TEST_P(ShaderProgram, StagesPassGlslangValidatorAskForTheirExtensionInTimeAndAgree)
{
    const Program& program = GetParam();
    Declarations uniforms[2];
    for (const int i : {0, 1}) {
        const Source& source = i == 0 ? *program.vertex : *program.fragment;
        SCOPED_TRACE(source.name);
        const std::string text = program.prefix + source.text;
        const bool plain = program.prefix.empty();
        const std::string checked = plain ? text : std::regex_replace(text, std::regex(": require"), ": enable");
        const test::Finished run = validate({}, checked, source.stage, plain ? "110" : "130");
        EXPECT_EQ(run.exitCode, 0) << run.out << run.err << text;
        // As the driver's preprocessor leaves it: comments and inactive branches removed.
        const test::Finished preprocessed = validate({"-E"}, text, source.stage, "110");
        EXPECT_EQ(preprocessed.exitCode, 0) << preprocessed.out << preprocessed.err;
        std::istringstream lines(preprocessed.out);
        bool begun = false, required = false;
        for (std::string line; std::getline(lines, line);) {
            if (line.starts_with("#extension")) {
                EXPECT_FALSE(begun) << "after a declaration: " << line;
                required = required || line == "#extension GL_EXT_gpu_shader4 : require";
            }
            begun = begun || (!line.empty() && !line.starts_with("#"));
        }
        Declarations expected;
        for (const auto& [name, type] : source.varyings) {
            const bool flat = (name == "N" && program.prefix.starts_with("#define FLAT\n")) ||
                              (name == "vTexCoord" && program.prefix.find("FLAT_TEX") != std::string::npos);
            expected[name] = (flat ? "flat " : "") + type;
            EXPECT_TRUE(required || !flat) << name << " is flat without GL_EXT_gpu_shader4";
        }
        EXPECT_EQ(declared(preprocessed.out, false), expected);
        uniforms[i] = declared(preprocessed.out, true);
    }
    for (const auto& [name, type] : uniforms[1]) {
        EXPECT_EQ(uniforms[0].contains(name) ? uniforms[0].at(name) : type, type) << "uniform " << name << " in both";
    }
}

INSTANTIATE_TEST_SUITE_P(Programs, ShaderProgram, testing::ValuesIn(kPrograms),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace zel
