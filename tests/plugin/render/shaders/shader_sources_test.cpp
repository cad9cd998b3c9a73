// The embedded GLSL sources, checked without a GL context for what a driver stricter than the one
// the GL tests run on would refuse: every variant that the renderer compiles passes
// glslangValidator, asks for the extension of its flat varyings in time, and the two stages of each
// program agree on their varyings and shared uniforms. (That each source declares the uniforms the
// renderer sets is checked on the driver, where every uniform the GL tests set must be active.)
#include "plugin/render/shaders/shader_sources.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <ostream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace zel {
namespace {

using Declarations = std::map<std::string, std::string>;  // name -> GLSL type

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
const Source kPostprocessVertex{"postprocess_vertex", vert_shader_postprocess_txt, ".vert", {}};
const Source kPostprocess{"postprocess", frag_shader_postprocess_txt, ".frag", {}};
const Source kPostprocessSsao{"postprocess_ssao", frag_shader_postprocess_ssao_txt, ".frag", {}};

struct Program {
    const char* name;
    const Source* vertex;
    const Source* fragment;
    const char* prefix;  // given to both stages
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
    {"prog_postprocess_shader", &kPostprocessVertex, &kPostprocess, ""},
    {"prog_postprocess_ssao_shader", &kPostprocessVertex, &kPostprocessSsao, ""},
};

// A shader object as the renderer compiles it: a prefix, then a source.
struct Variant {
    const Source* source;
    std::string prefix;

    bool defines(const std::string& symbol) const
    {
        return prefix.find("#define " + symbol + "\n") != std::string::npos;
    }
    std::string text() const { return prefix + source->text; }
    std::string name() const
    {
        std::string name = source->name;
        for (const char* symbol : {"FLAT", "FLAT_TEX"}) {
            if (defines(symbol)) {
                name += std::string("_") + symbol;
            }
        }
        return name;
    }
    bool operator==(const Variant&) const = default;
};

std::vector<Variant> programVariants()
{
    std::vector<Variant> variants;
    for (const Program& program : kPrograms) {
        for (const Source* source : {program.vertex, program.fragment}) {
            const Variant variant{source, program.prefix};
            if (std::find(variants.begin(), variants.end(), variant) == variants.end()) {
                variants.push_back(variant);
            }
        }
    }
    return variants;
}

struct ValidatorRun {
    int status;  // exit status, -1 when it did not exit normally
    std::string output;
};

// glslangValidator with `options` on the text, in a file of its own with the stage's extension.
ValidatorRun runValidator(const std::string& options, const std::string& text, const std::string& stage)
{
    std::string path = (std::filesystem::temp_directory_path() / "zel_shader_XXXXXX").string() + stage;
    const int fd = mkstemps(path.data(), static_cast<int>(stage.size()));
    if (fd < 0 || write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        ADD_FAILURE() << "cannot write " << path;
    }
    close(fd);
    const std::string command = std::string("'") + ZEL_GLSLANG_VALIDATOR + "' " + options + " '" + path + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string output = pipe == nullptr ? "cannot run " + command : "";
    char buffer[4096];
    for (std::size_t n; pipe != nullptr && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        output.append(buffer, n);
    }
    const int status = pipe == nullptr ? -1 : pclose(pipe);
    unlink(path.c_str());
    return {status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

// A source without a #version line compiles on the driver as GLSL 1.10; glslangValidator would
// assume an ES version instead, so the line is written out for it.
std::string withDriverVersion(const std::string& text, const char* version)
{
    return text.starts_with("#version") ? text : "#version " + std::string(version) + "\n" + text;
}

// The variant as the driver's preprocessor leaves it: comments and inactive branches removed.
std::string preprocessed(const Variant& variant)
{
    const ValidatorRun run =
        runValidator("-E", withDriverVersion(variant.text(), "110"), variant.source->stage);
    EXPECT_EQ(run.status, 0) << run.output;
    return run.output;
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
        if (uniforms) {
            found[m[2]] = m[1].str() + (m[3].matched ? "[" + m[3].str() + "]" : "");
        } else {
            found[m[3]] = (m[1].matched ? "flat " : "") + m[2].str();
        }
    }
    return found;
}

std::string numbered(const std::string& text)
{
    std::istringstream lines(text);
    std::ostringstream out;
    int number = 1;
    for (std::string line; std::getline(lines, line); ++number) {
        out << number << ": " << line << "\n";
    }
    return out.str();
}

// Test parameters by name in the test list, not as bytes.
void PrintTo(const Variant& variant, std::ostream* out) { *out << variant.name(); }
void PrintTo(const Program& program, std::ostream* out) { *out << program.name; }

class ShaderVariant : public testing::TestWithParam<Variant> {};

// glslang does not know GL_EXT_gpu_shader4, so a variant with a prefix, whose flat varyings need
// it, is checked as GLSL 1.30, where flat is core, with the extension asked for but not required;
// the driver test does the real thing. The rest of such a source is checked as GLSL 1.10 by its
// variant without a prefix, which every source with variants is also compiled as.
TEST_P(ShaderVariant, PassesGlslangValidator)
{
    const Variant& variant = GetParam();
    std::string text = variant.text();
    if (!variant.prefix.empty()) {
        text = std::regex_replace(text, std::regex("GL_EXT_gpu_shader4 : require"),
                                  "GL_EXT_gpu_shader4 : enable");
    }
    text = withDriverVersion(text, variant.prefix.empty() ? "110" : "130");
    const ValidatorRun run = runValidator("", text, variant.source->stage);
    EXPECT_EQ(run.status, 0) << run.output << numbered(text);
}

// The driver refuses an #extension line after the first declaration, and a flat varying without
// GL_EXT_gpu_shader4; glslang checks neither.
TEST_P(ShaderVariant, RequiresTheExtensionOfItsFlatVaryingsBeforeAnyDeclaration)
{
    const std::string text = preprocessed(GetParam());
    std::istringstream lines(text);
    bool begun = false;
    bool required = false;
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("#extension")) {
            EXPECT_FALSE(begun) << "after a declaration: " << line << "\n" << numbered(text);
            required = required || line == "#extension GL_EXT_gpu_shader4 : require";
        } else if (!line.empty() && !line.starts_with("#")) {
            begun = true;
        }
    }
    for (const auto& [name, declaration] : declared(text, false)) {
        if (declaration.starts_with("flat ")) {
            EXPECT_TRUE(required) << name << " is flat without GL_EXT_gpu_shader4";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(ProgramStages, ShaderVariant, testing::ValuesIn(programVariants()),
                         [](const auto& test) { return test.param.name(); });

class ShaderProgram : public testing::TestWithParam<Program> {};

// N is flat under FLAT and vTexCoord under FLAT_TEX, in both stages, or the program does not link.
TEST_P(ShaderProgram, StagesAgreeOnVaryingsAndUniforms)
{
    const Program& program = GetParam();
    const auto expected = [&](const Variant& variant) {
        Declarations declarations;
        for (const auto& [name, type] : variant.source->varyings) {
            const bool flat = (name == "N" && variant.defines("FLAT")) ||
                              (name == "vTexCoord" && variant.defines("FLAT_TEX"));
            declarations[name] = (flat ? "flat " : "") + type;
        }
        return declarations;
    };
    const Variant vertex{program.vertex, program.prefix};
    const Variant fragment{program.fragment, program.prefix};
    const std::string vertexText = preprocessed(vertex);
    const std::string fragmentText = preprocessed(fragment);

    const Declarations written = declared(vertexText, false);
    const Declarations read = declared(fragmentText, false);
    EXPECT_EQ(written, expected(vertex));
    EXPECT_EQ(read, expected(fragment));
    for (const auto& [name, declaration] : read) {
        EXPECT_EQ(written.contains(name) ? written.at(name) : "not declared", declaration)
            << "varying " << name << " in the vertex stage";
    }

    const Declarations vertexUniforms = declared(vertexText, true);
    for (const auto& [name, type] : declared(fragmentText, true)) {
        if (vertexUniforms.contains(name)) {
            EXPECT_EQ(vertexUniforms.at(name), type) << "uniform " << name << " in the two stages";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Programs, ShaderProgram, testing::ValuesIn(kPrograms),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace zel
