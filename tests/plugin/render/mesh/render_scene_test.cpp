#include "plugin/render/mesh/render_scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/plugin/recording_host.h"
#include "tests/support/text.h"

namespace zel {
namespace {

using test::words;
using Strings = std::vector<std::string>;
using params::Draw;
using params::ReduceGeometry;
using params::Tessellation;

// Every call the walk makes, as text in GL's argument order.
class RecordingSink final : public VertexSink {
public:
    void bindTexture2D(int unit, unsigned int id) override { calls.push_back(words("bind", unit, id)); }
    void pushMatrix() override { calls.emplace_back("push"); }
    void popMatrix() override { calls.emplace_back("pop"); }
    void translate(double x, double y, double z) override { calls.push_back(words("translate", x, y, z)); }
    void rotate(double a, double x, double y, double z) override { calls.push_back(words("rotate", a, x, y, z)); }
    void scale(double x, double y, double z) override { calls.push_back(words("scale", x, y, z)); }
    void frontFaceClockwise() override { calls.emplace_back("clockwise"); }
    void begin(Primitive p) override { calls.push_back(words("begin", kPrimitives[int(p)])); }
    void end() override { calls.emplace_back("end"); }
    void normal(double x, double y, double z) override { calls.push_back(words("normal", x, y, z)); }
    void texCoord0(double s, double t, double r) override { calls.push_back(words("tex0", s, t, r)); }
    void texCoord1(double s, double t, double r) override { calls.push_back(words("tex1", s, t, r)); }
    void color(double r, double g, double b, double a) override { calls.push_back(words("color", r, g, b, a)); }
    void vertex(double x, double y, double z) override
    {
        calls.push_back(words("vertex", x, y, z));
        if (calls.size() > 1'000'000) {
            throw std::length_error("the walk does not end");
        }
    }

    static constexpr const char* kPrimitives[] = {"triangles", "quads", "points"};
    Strings calls;
};

// Empty when immediate-mode GL takes the calls: begin and end paired, only vertex data between
// them, and the matrix stack back where it began.
std::string glError(const Strings& calls)
{
    int depth = 0;
    bool inside = false;
    for (const std::string& call : calls) {
        const bool data = call.starts_with("vertex") || call.starts_with("normal") || call.starts_with("tex") ||
                          call.starts_with("color");
        if (inside ? !data && call != "end" : call == "end" || call.starts_with("vertex")) {
            return call + " out of place";
        }
        inside = call.starts_with("begin") || (inside && call != "end");
        depth += call == "push" ? 1 : call == "pop" ? -1 : 0;
        if (depth < 0) {
            return "a pop of an empty stack";
        }
    }
    return inside || depth != 0 ? "left unbalanced" : "";
}

Strings record(const SurfaceGrid& grid, const SurfaceTextures& textures = {})
{
    RecordingSink sink;
    RenderScene(sink, grid, textures);
    EXPECT_EQ(glError(sink.calls), "");
    return sink.calls;
}

// 3 x 3 vertices over 2 x 4, cells of 1 x 2: every position, coordinate and colour is exact.
SurfaceGrid grid(SurfaceGrid a, int verticesX = 3, int verticesY = 3)
{
    a.sizeX = 2, a.sizeY = 4, a.verticesX = verticesX, a.verticesY = verticesY;
    a.color = {0.5, 0.25, 0.75}, a.texScaleX = 2, a.texScaleY = 4;
    return a;
}

// tests/data/render_scene.txt holds, after a line "== <case>", the calls of that case below. The
// vertex of the 3 x 3 grid at column c and row r is sent as normal (0, 0, -1), texture coordinate
// 0 (c, 2r, 1) and 1 (c / 2, r / 2, 0), colour (0.5, 0.25, 0.75) times its corner's nudge factor
// and premultiplied by the instance's alpha, and position (c - 1, 2r - 2, 0); a quad strip
// repeats each join vertex as a bare position, which keeps GL's attributes.
TEST(RenderScene, EachWayOfDrawingSendsTheCallsOfItsReference)
{
    struct Case {
        const char* what;
        SurfaceGrid grid;
        SurfaceTextures textures = {};
    };
    const Case cases[] = {
        {"fill", grid({})},
        {"fill quads", grid({.tessellation = Tessellation::Quads})},
        {"fill nudged by 1.5, half opaque, twice", grid({.opacity = 0.5, .nudge = 1.5, .instances = 2})},
        {"fill quads nudged by 0.5, half opaque, repeated at half opacity three times",
         grid({.opacity = 0.5, .nudge = 0.5, .instances = 3, .repeatOpacity = 0.5, .tessellation = Tessellation::Quads})},
        {"fill repeated at opacity 0", grid({.opacity = 0.75, .instances = 2, .repeatOpacity = 0})},
        {"wireframe", grid({.draw = Draw::Wireframe})},
        {"front fill, back wire, quads", grid({.draw = Draw::FrontFillBackWire, .tessellation = Tessellation::Quads})},
        {"points", grid({.draw = Draw::Points})},
        {"scrolled by 0.75, 1.5", grid({.scrollX = 0.75, .scrollY = 1.5})},
        {"scrolled by 2.5, -5", grid({.scrollX = 2.5, .scrollY = -5})},
        {"scrolled by -0.5, -1", grid({.scrollX = -0.5, .scrollY = -1})},
        {"of size 0, scrolled", [] {
             SurfaceGrid zero = grid({.scrollX = 0.7, .scrollY = -3});
             zero.sizeX = zero.sizeY = 0;
             return zero;
         }()},
        {"placed, with both textures, repeated three times",
         grid({.translateX = 1, .translateY = 2, .translateZ = 3, .rotateX = 10, .rotateY = 20, .rotateZ = 30,
               .instances = 3, .repeatTranslateX = 4, .repeatTranslateY = 5, .repeatTranslateZ = 6,
               .repeatRotateX = 40, .repeatRotateY = 50, .repeatRotateZ = 60, .repeatScale = 0.5}),
         {11, 12}},
        {"colour texture", grid({}), {11, 0}},
        {"amplitude texture", grid({}), {0, 12}},
        {"no instances", grid({.instances = 0})},
        {"draw mode 0", grid({.draw = Draw{0}})},
        {"draw mode 5, twice", grid({.instances = 2, .draw = Draw{5}})},
        {"wireframe, 5 x 2, stepping 2 columns", grid({.stepX = 2, .draw = Draw::Wireframe}, 5, 2)},
        {"fill, 5 x 2, stepping 2 columns", grid({.stepX = 2}, 5, 2)},
        {"wireframe, 2 x 5, stepping 2 rows", grid({.stepY = 2, .draw = Draw::Wireframe}, 2, 5)},
        {"fill, 3 x 5, stepping 2 rows", grid({.stepY = 2}, 3, 5)},
        {"wireframe stepping 10 columns", grid({.stepX = 10, .draw = Draw::Wireframe})},
        {"fill stepping 10 columns and rows", grid({.stepX = 10, .stepY = 10})},
        {"wireframe stepping 0 columns and rows", grid({.stepX = 0, .stepY = 0, .draw = Draw::Wireframe})},
        {"front fill, back wire, stepping -3 columns and -1 rows", grid({.stepX = -3, .stepY = -1, .draw = Draw::FrontFillBackWire})},
    };
    std::map<std::string, Strings> references;
    std::istringstream file(test::readText(ZEL_TEST_DATA_DIR "/render_scene.txt"));
    std::string name;
    for (std::string line; std::getline(file, line);) {
        line.starts_with("== ") ? void(references[name = line.substr(3)]) : references[name].push_back(line);
    }
    for (const Case& c : cases) {
        EXPECT_EQ(record(c.grid, c.textures), references[c.what]) << c.what;
    }
}

TEST(RenderScene, ReducedCountsBelowTwoStillDrawOneCell)
{
    const struct {
        int reduceGeometry, vertices;
        double autoScale;  // used by Auto alone
        int cells;
    } rows[] = {
        {1, 50, 0.5, 49},                                     // Off
        {2, 50, 0.5, 24}, {2, 7, 0.5, 2}, {2, 50, 0.0, 1},    // Auto: 25, 3.5 truncated to 3, 0 vertices
        {3, 51, 0.5, 24}, {4, 50, 0.5, 11}, {5, 50, 0.5, 2},  // 2x, 4x, 16x: 25, 12, 3 vertices
        {5, 10, 0.5, 1},                                      // 16x: 0 vertices
        {6, 50, 0.5, 49}, {0, 50, 0.5, 49},                   // unknown choices: unreduced
        {1, 1, 0.5, 1}, {1, 0, 0.5, 1}, {1, -4, 0.5, 1},
    };
    for (const auto& r : rows) {
        for (const bool alongX : {true, false}) {
            SurfaceGrid args = grid({.reduceGeometry = ReduceGeometry{r.reduceGeometry}, .draw = Draw::Points},
                                    alongX ? r.vertices : 2, alongX ? 2 : r.vertices);
            (alongX ? args.autoScaleX : args.autoScaleY) = r.autoScale;
            std::array<std::set<double>, 2> coordinates;  // the distinct unscaled grid coordinates sent
            for (const std::string& call : record(args)) {
                double s = 0, t = 0;
                if (call.starts_with("tex1") && std::istringstream(call.substr(5)) >> s >> t) {
                    coordinates[0].insert(s), coordinates[1].insert(t);
                }
            }
            EXPECT_EQ(words(coordinates[0].size() - 1, coordinates[1].size() - 1),
                      alongX ? words(r.cells, 1) : words(1, r.cells))
                << "reduce " << r.reduceGeometry << ", " << r.vertices << " vertices";
        }
    }
}

TEST(RenderScene, EveryCombinationIsLegalGLWithTheRightPrimitivesAndEvenQuadStrips)
{
    for (int combination = 0; combination < 4 * 2 * 3 * 4; ++combination) {
        const int drawMode = 1 + combination % 4, tessellation = 1 + combination / 4 % 2;
        const int sizes = combination / 8 % 3, steps = combination / 24;
        const std::array<int, 2> size = {std::array{2, 3, 6}[sizes], std::array{2, 4, 3}[sizes]};
        const std::array<int, 2> step = {std::array{1, 2, 3, 1}[steps], std::array{1, 1, 2, 2}[steps]};
        const Strings calls = record(grid({.stepX = step[0], .stepY = step[1], .draw = Draw{drawMode},
                                           .tessellation = Tessellation{tessellation}},
                                          size[0], size[1]));
        // Strips come one per stepped row, and per stepped column when columns are stepped.
        const int rows = (size[1] + step[1] - 2) / step[1];
        const int perRow = step[0] >= 2 ? (size[0] + step[0] - 2) / step[0] : 1;
        const char* primitive = drawMode == 3 ? "points" : tessellation == 1 ? "triangles" : "quads";
        EXPECT_EQ(std::ranges::count(calls, words("begin", primitive)),
                  drawMode == 2 || drawMode == 4 ? rows * perRow : 1)
            << combination;
        int vertices = 0;
        for (const std::string& call : calls) {
            vertices = call.starts_with("begin") ? 0 : vertices + call.starts_with("vertex");
            if (call == "end") {
                EXPECT_TRUE(primitive == std::string("quads") ? vertices % 2 == 0 && vertices >= 4 : vertices >= 3)
                    << combination << ": " << vertices << " vertices";
            }
        }
    }
}

}  // namespace
}  // namespace zel
