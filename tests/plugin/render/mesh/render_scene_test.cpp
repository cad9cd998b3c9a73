#include "plugin/render/mesh/render_scene.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <set>
#include <vector>

#include "tests/plugin/render/mesh/recording_vertex_sink.h"

namespace zel {
namespace {

using test::Call;
using test::EmittedVertex;
using test::Op;
using test::Piece;
using test::RecordingVertexSink;
using Index = std::array<int, 2>;  // (column, row)
using Vertices = std::vector<EmittedVertex>;

// 3 x 3 vertices over 2 x 4, cells of 1 x 2: every position, coordinate and colour is exact.
SceneArguments grid3x3(SceneArguments a = {})
{
    a.sizeX = 2; a.sizeY = 4; a.verticesX = 3; a.verticesY = 3;
    a.colorR = 0.5; a.colorG = 0.25; a.colorB = 0.75; a.texScaleX = 2; a.texScaleY = 4;
    return a;
}

RecordingVertexSink record(const SceneArguments& args)
{
    RecordingVertexSink sink;
    RenderScene(sink, args);
    EXPECT_EQ(sink.structureError(), "");
    return sink;
}

std::vector<Piece> pieces(const SceneArguments& args) { return record(args).pieces(); }

// The vertex of grid3x3() at (c, r) with brightness factor f under instance alpha a.
EmittedVertex at3x3(int c, int r, double f = 1, double a = 1)
{
    return {false, {0, 0, -1}, {double(c), 2.0 * r, 1}, {c / 2.0, r / 2.0, 0},
            {a * 0.5 * f, a * 0.25 * f, a * 0.75 * f, a}, {c - 1.0, 2.0 * r - 2.0, 0}};
}

// Which corner of its cell a vertex is sent as, which decides its nudge factor.
enum Corner { k00, k01, k10, k11 };
struct GridPoint {
    int c, r;
    Corner corner;
    bool join = false;
};

// The Fill strip of grid3x3(): the two row runs are joined by repeating (2,1) and (0,1).
constexpr GridPoint kFill3x3[] = {
    {0, 0, k00}, {0, 1, k01}, {1, 0, k10}, {1, 1, k11}, {2, 0, k10}, {2, 1, k11}, {2, 1, k11, true},
    {0, 1, k00, true}, {0, 1, k00}, {0, 2, k01}, {1, 1, k10}, {1, 2, k11}, {2, 1, k10}, {2, 2, k11},
    {2, 2, k11, true},
};

// Row r's strip of grid3x3(), as Wireframe draws it: the first six points of kFill3x3, moved up.
Vertices rowStrip(int r)
{
    Vertices vertices;
    for (int i = 0; i < 6; ++i) {
        vertices.push_back(at3x3(kFill3x3[i].c, kFill3x3[i].r + r));
    }
    return vertices;
}

// With quads every join vertex is followed by its bare position, which keeps GL's attributes.
Vertices fill3x3(std::array<double, 4> factors, double alpha, bool quads)
{
    Vertices vertices;
    for (const GridPoint& p : kFill3x3) {
        vertices.push_back(at3x3(p.c, p.r, factors[p.corner], alpha));
        if (quads && p.join) {
            vertices.push_back(vertices.back());
            vertices.back().bare = true;
        }
    }
    return vertices;
}

const std::vector<Call> kPlacement = {{Op::PushMatrix},           {Op::Translate, {1, 2, 3}},
                                      {Op::Rotate, {10, 1, 0, 0}}, {Op::Rotate, {20, 0, 1, 0}},
                                      {Op::Rotate, {30, 0, 0, 1}}, {Op::FrontFaceClockwise}};

SceneArguments placed(SceneArguments a)
{
    a.translateX = 1; a.translateY = 2; a.translateZ = 3; a.rotateX = 10; a.rotateY = 20; a.rotateZ = 30;
    return a;
}

TEST(RenderSceneFill, OneStripRunsThroughAllRowsWithNudgedPremultipliedColours)
{
    const struct {
        int tessellation;
        double nudge, opacity;
        std::array<double, 4> factors;  // f00, f01, f10, f11
        std::size_t count;
    } cases[] = {
        {1, 1, 1, {1, 1, 1, 1}, 15},
        {2, 1, 1, {1, 1, 1, 1}, 18},
        {1, 1.5, 0.5, {1, 1.125, 1.5, 1.375}, 15},
        {2, 0.5, 0.5, {1, 0.875, 0.5, 0.625}, 18},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "tessellation " << c.tessellation << " nudge " << c.nudge);
        const std::vector<Piece> p =
            pieces(grid3x3({.opacity = c.opacity, .nudge = c.nudge, .tessellation = c.tessellation}));
        ASSERT_EQ(p.size(), 1u);
        EXPECT_EQ(p[0].primitive, c.tessellation == 1 ? Primitive::TriangleStrip : Primitive::QuadStrip);
        EXPECT_EQ(p[0].vertices, fill3x3(c.factors, c.opacity, c.tessellation == 2));
        EXPECT_EQ(p[0].vertices.size(), c.count);
    }
}

TEST(RenderSceneStrips, WireframeAndFrontFillBackWireDrawOneStripPerRowPointsOnePrimitive)
{
    for (const int drawMode : {2, 3, 4}) {
        for (const int tessellation : {1, 2}) {
            SCOPED_TRACE(testing::Message() << "draw " << drawMode << " tessellation " << tessellation);
            const std::vector<Piece> p = pieces(grid3x3({.drawMode = drawMode, .tessellation = tessellation}));
            if (drawMode == 3) {
                // Points send interior rows twice, without joins.
                Vertices expected = rowStrip(0), second = rowStrip(1);
                expected.insert(expected.end(), second.begin(), second.end());
                ASSERT_EQ(p.size(), 1u);
                EXPECT_EQ(p[0].primitive, Primitive::Points);
                EXPECT_EQ(p[0].vertices, expected);
                continue;
            }
            ASSERT_EQ(p.size(), 2u);
            for (std::size_t r = 0; r < 2; ++r) {
                EXPECT_EQ(p[r].primitive, tessellation == 1 ? Primitive::TriangleStrip : Primitive::QuadStrip);
                EXPECT_EQ(p[r].vertices, rowStrip(int(r)));
            }
        }
    }
}

TEST(RenderSceneSteps, SteppedColumnsAndRowsAreDrawnAsSeparatePieces)
{
    const struct {
        const char* name;
        int verticesX, verticesY, stepX, stepY, drawMode;
        std::vector<std::vector<Index>> pieces;  // (column, row) of each vertex, by piece
    } cases[] = {
        {"wireframe, stepX 2 on 5 columns", 5, 2, 2, 1, 2,
         {{{0, 0}, {0, 1}, {1, 0}, {1, 1}}, {{2, 0}, {2, 1}, {3, 0}, {3, 1}}}},
        {"fill, stepX 2 on 5 columns", 5, 2, 2, 1, 1,
         {{{0, 0}, {0, 1}, {1, 0}, {1, 1}, {1, 1}, {2, 0}, {2, 0}, {2, 1}, {3, 0}, {3, 1}, {3, 1}}}},
        {"wireframe, stepY 2 on 5 rows", 2, 5, 1, 2, 2,
         {{{0, 0}, {0, 1}, {1, 0}, {1, 1}}, {{0, 2}, {0, 3}, {1, 2}, {1, 3}}}},
        {"fill, stepY 2 on 5 rows", 3, 5, 1, 2, 1,
         {{{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0}, {2, 1}, {2, 1},
           {0, 2}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 2}, {2, 3}, {2, 3}}}},
        {"stepX beyond the grid keeps the first column, cell by cell", 3, 3, 10, 1, 2,
         {{{0, 0}, {0, 1}, {1, 0}, {1, 1}}, {{0, 1}, {0, 2}, {1, 1}, {1, 2}}}},
        {"both steps beyond the grid keep the first cell", 3, 3, 10, 10, 1, {{{0, 0}, {0, 1}, {1, 0}, {1, 1}, {1, 1}}}},
        {"steps of 0 act as 1", 3, 3, 0, 0, 2, {}},
        {"negative steps act as 1", 3, 3, -3, -1, 2, {}},
    };
    const std::vector<std::vector<Index>> rowStrips3x3 = {{{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0}, {2, 1}},
                                                          {{0, 1}, {0, 2}, {1, 1}, {1, 2}, {2, 1}, {2, 2}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SceneArguments args = grid3x3({.stepX = c.stepX, .stepY = c.stepY, .drawMode = c.drawMode});
        args.verticesX = c.verticesX;
        args.verticesY = c.verticesY;
        std::vector<std::vector<Index>> indices;
        for (const Piece& piece : pieces(args)) {
            indices.emplace_back();
            for (const EmittedVertex& v : piece.vertices) {  // read back from the unscaled grid coordinate
                indices.back().push_back({int(std::lround(v.texCoord1[0] * (c.verticesX - 1))),
                                          int(std::lround(v.texCoord1[1] * (c.verticesY - 1)))});
            }
        }
        EXPECT_EQ(indices, c.pieces.empty() ? rowStrips3x3 : c.pieces);
    }
}

TEST(RenderSceneReduction, ReducedCountsBelowTwoStillDrawOneCell)
{
    const struct {
        int reduceGeometry, vertices;
        double autoScale;  // used by Auto alone
        int segments;
    } cases[] = {
        {1, 50, 0.5, 49},                                       // Off
        {2, 50, 0.5, 24}, {2, 7, 0.5, 2}, {2, 50, 0.0, 1},      // Auto: 25, 3.5 truncated to 3, 0 vertices
        {3, 51, 0.5, 24}, {4, 50, 0.5, 11}, {5, 50, 0.5, 2},    // 2x, 4x, 16x: 25, 12, 3 vertices
        {5, 10, 0.5, 1},                                        // 16x: 0 vertices
        {6, 50, 0.5, 49}, {0, 50, 0.5, 49},                     // unknown choices: unreduced
        {1, 1, 0.5, 1}, {1, 0, 0.5, 1}, {1, -4, 0.5, 1},
    };
    for (const auto& c : cases) {
        for (const int axis : {0, 1}) {
            SCOPED_TRACE(testing::Message() << "reduce " << c.reduceGeometry << ", " << c.vertices << " vertices along "
                                            << (axis == 0 ? "x" : "y"));
            SceneArguments args = grid3x3({.reduceGeometry = c.reduceGeometry, .drawMode = 3});
            (axis == 0 ? args.verticesX : args.verticesY) = c.vertices;
            (axis == 0 ? args.autoScaleX : args.autoScaleY) = c.autoScale;
            (axis == 0 ? args.verticesY : args.verticesX) = 2;
            (axis == 0 ? args.autoScaleY : args.autoScaleX) = 1;
            // Cell counts along x and y, from the distinct unscaled grid coordinates that were sent.
            std::set<double> us, vs;
            for (const Piece& piece : pieces(args)) {
                for (const EmittedVertex& v : piece.vertices) {
                    us.insert(v.texCoord1[0]);
                    vs.insert(v.texCoord1[1]);
                }
            }
            const Index expected = axis == 0 ? Index{c.segments, 1} : Index{1, c.segments};
            EXPECT_EQ((Index{int(us.size()) - 1, int(vs.size()) - 1}), expected);
        }
    }
}

TEST(RenderSceneScroll, TheGridMovesByTheRemainderWithinOneCellSignedLikeTheScroll)
{
    const struct {
        double scrollX, scrollY;  // cells of grid3x3() are 1 x 2
        double shiftX, shiftY;
    } cases[] = {
        {0.5, 1, 0.5, 1}, {-0.5, -1, -0.5, -1}, {0, 0, 0, 0}, {2.5, -5, 0.5, -1},
        {0.75, 1.5, 0.75, 1.5},  // a remainder to the nearest cell would go negative
    };
    const Vertices still = pieces(grid3x3()).at(0).vertices;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "scroll " << c.scrollX << ", " << c.scrollY);
        Vertices expected = still;
        for (EmittedVertex& v : expected) {
            v.position[0] += c.shiftX;
            v.position[1] += c.shiftY;
        }
        EXPECT_EQ(pieces(grid3x3({.scrollX = c.scrollX, .scrollY = c.scrollY})).at(0).vertices, expected);
    }
    // A grid of size 0 stays at the origin.
    SceneArguments zero = grid3x3({.scrollX = 0.7, .scrollY = -3});
    zero.sizeX = zero.sizeY = 0;
    const std::vector<Piece> atOrigin = pieces(zero);
    for (const EmittedVertex& v : atOrigin.at(0).vertices) {
        EXPECT_EQ(v.position, (std::array<double, 3>{0, 0, 0}));
    }
}

TEST(RenderSceneRepeater, EachInstanceMultipliesTheAlphaByTheRepeatOpacity)
{
    const struct {
        double opacity, repeatOpacity;
        std::vector<double> alphas;
    } cases[] = {{1, 0.5, {1, 0.5, 0.25}}, {0.5, 1, {0.5, 0.5}}, {0.75, 0, {0.75, 0}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "opacity " << c.opacity << " repeat " << c.repeatOpacity);
        const std::vector<Piece> p = pieces(
            grid3x3({.opacity = c.opacity, .instances = int(c.alphas.size()), .repeatOpacity = c.repeatOpacity}));
        ASSERT_EQ(p.size(), c.alphas.size());
        for (std::size_t k = 0; k < p.size(); ++k) {
            EXPECT_EQ(p[k].vertices, fill3x3({1, 1, 1, 1}, c.alphas[k], false)) << "instance " << k;
        }
    }
}

TEST(RenderSceneRepeater, InstancesComposeTheRepeatTransformOnThePlacementAndRestoreTheStack)
{
    const SceneArguments args = placed(grid3x3({.instances = 3, .repeatTranslateX = 4, .repeatTranslateY = 5,
                                                .repeatTranslateZ = 6, .repeatRotateX = 40, .repeatRotateY = 50,
                                                .repeatRotateZ = 60, .repeatScale = 0.5}));
    const std::vector<Call> repeat = {{Op::Translate, {4, 5, 6}}, {Op::Rotate, {40, 1, 0, 0}},
                                      {Op::Rotate, {50, 0, 1, 0}}, {Op::Rotate, {60, 0, 0, 1}},
                                      {Op::Scale, {0.5, 0.5, 0.5}}};
    std::vector<Call> expected = kPlacement;
    for (int k = 0; k < 3; ++k) {
        if (k > 0) {
            expected.insert(expected.end(), repeat.begin(), repeat.end());
        }
        expected.push_back({Op::Begin, {double(Primitive::TriangleStrip)}});
        expected.push_back({Op::End});
    }
    expected.push_back({Op::PopMatrix});
    EXPECT_EQ(record(args).stateCalls(), expected);
}

TEST(RenderSceneRepeater, TexturesAreBoundAmplitudeFirstSoUnitZeroEndsActive)
{
    const Call amplitude = {Op::BindTexture2D, {5, 12}};
    const Call color = {Op::BindTexture2D, {0, 11}};
    const struct {
        int useColorTexture, useAmplitudeTexture;
        std::vector<Call> binds;
    } cases[] = {{0, 0, {}}, {1, 0, {color}}, {2, 0, {color}}, {0, 1, {amplitude}}, {1, 1, {amplitude, color}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "color " << c.useColorTexture << " amplitude " << c.useAmplitudeTexture);
        const std::vector<Call> calls = record(grid3x3({.useColorTexture = c.useColorTexture,
                                                        .useAmplitudeTexture = c.useAmplitudeTexture,
                                                        .colorTextureId = 11, .amplitudeTextureId = 12}))
                                            .calls();
        ASSERT_GT(calls.size(), c.binds.size());
        EXPECT_EQ(std::vector<Call>(calls.begin(), calls.begin() + std::ptrdiff_t(c.binds.size())), c.binds);
        EXPECT_EQ(calls[c.binds.size()].op, Op::PushMatrix);
    }
}

TEST(RenderSceneDegenerate, NoInstancesOrAnUnknownDrawModeOnlyPlaceAndRestore)
{
    std::vector<Call> expected = kPlacement;
    expected.push_back({Op::PopMatrix});
    for (const auto& [instances, drawMode] : {Index{0, 1}, Index{-2, 2}, Index{1, 0}, Index{2, 5}}) {
        SCOPED_TRACE(testing::Message() << "instances " << instances << " draw " << drawMode);
        EXPECT_EQ(record(placed(grid3x3({.instances = instances, .drawMode = drawMode}))).calls(), expected);
    }
}

TEST(RenderSceneDegenerate, EveryCombinationIsLegalGLWithEvenQuadStrips)
{
    const auto ceilDiv = [](int a, int b) { return (a + b - 1) / b; };
    for (const int drawMode : {1, 2, 3, 4}) {
        for (const int tessellation : {1, 2}) {
            for (const Index grid : {Index{2, 2}, Index{3, 4}, Index{6, 3}}) {
                for (const Index step : {Index{1, 1}, Index{2, 1}, Index{3, 2}, Index{1, 2}}) {
                    for (const int instances : {1, 2}) {
                        SCOPED_TRACE(testing::Message() << "draw " << drawMode << " tess " << tessellation << " grid "
                                                        << grid[0] << "x" << grid[1] << " step " << step[0] << ","
                                                        << step[1] << " instances " << instances);
                        SceneArguments args = grid3x3({.instances = instances, .stepX = step[0], .stepY = step[1],
                                                       .drawMode = drawMode, .tessellation = tessellation});
                        args.verticesX = grid[0];
                        args.verticesY = grid[1];
                        const std::vector<Piece> p = pieces(args);
                        const int rows = ceilDiv(grid[1] - 1, step[1]);
                        const int perRow = step[0] >= 2 ? ceilDiv(grid[0] - 1, step[0]) : 1;
                        const bool strips = drawMode == 2 || drawMode == 4;
                        EXPECT_EQ(p.size(), std::size_t(instances * (strips ? rows * perRow : 1)));
                        for (const Piece& piece : p) {
                            if (piece.primitive == Primitive::QuadStrip) {
                                EXPECT_EQ(piece.vertices.size() % 2, 0u);
                                EXPECT_GE(piece.vertices.size(), 4u);
                            } else if (piece.primitive == Primitive::TriangleStrip) {
                                EXPECT_GE(piece.vertices.size(), 3u);
                            }
                        }
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace zel
