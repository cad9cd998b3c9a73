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

// 3 x 3 vertices over 2 x 4, cells of 1 x 2: every position, coordinate and colour is exact.
SceneArguments grid3x3()
{
    SceneArguments a;
    a.sizeX = 2;
    a.sizeY = 4;
    a.verticesX = 3;
    a.verticesY = 3;
    a.colorR = 0.5;
    a.colorG = 0.25;
    a.colorB = 0.75;
    a.texScaleX = 2;
    a.texScaleY = 4;
    return a;
}

RecordingVertexSink record(const SceneArguments& args)
{
    RecordingVertexSink sink;
    RenderScene(sink, args);
    EXPECT_EQ(sink.structureError(), "");
    return sink;
}

// The vertex of grid3x3() at (c, r) with brightness factor f under instance alpha a.
EmittedVertex at3x3(int c, int r, double f = 1, double a = 1)
{
    EmittedVertex v;
    v.normal = {0, 0, -1};
    v.texCoord0 = {static_cast<double>(c), 2.0 * r, 1};
    v.texCoord1 = {c / 2.0, r / 2.0, 0};
    v.color = {a * 0.5 * f, a * 0.25 * f, a * 0.75 * f, a};
    v.position = {c - 1.0, 2.0 * r - 2.0, 0};
    return v;
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

// One row strip of grid3x3(), as Wireframe draws it.
constexpr GridPoint kRowStrip[] = {
    {0, 0, k00}, {0, 1, k01}, {1, 0, k10}, {1, 1, k11}, {2, 0, k10}, {2, 1, k11},
};

std::vector<EmittedVertex> rowStrip(int r)
{
    std::vector<EmittedVertex> vertices;
    for (const GridPoint& p : kRowStrip) {
        vertices.push_back(at3x3(p.c, p.r + r));
    }
    return vertices;
}

// With quads every join vertex is followed by its bare position, which keeps GL's attributes.
std::vector<EmittedVertex> fill3x3(std::array<double, 4> factors, double alpha, bool quads)
{
    std::vector<EmittedVertex> vertices;
    for (const GridPoint& p : kFill3x3) {
        vertices.push_back(at3x3(p.c, p.r, factors[p.corner], alpha));
        if (quads && p.join) {
            vertices.push_back(vertices.back());
            vertices.back().bare = true;
        }
    }
    return vertices;
}

std::vector<Call> placementCalls()
{
    return {{Op::PushMatrix}, {Op::Translate, {1, 2, 3}}, {Op::Rotate, {10, 1, 0, 0}},
            {Op::Rotate, {20, 0, 1, 0}}, {Op::Rotate, {30, 0, 0, 1}}, {Op::FrontFaceClockwise}};
}

SceneArguments placed(SceneArguments a)
{
    a.translateX = 1;
    a.translateY = 2;
    a.translateZ = 3;
    a.rotateX = 10;
    a.rotateY = 20;
    a.rotateZ = 30;
    return a;
}

TEST(RenderSceneFill, OneStripRunsThroughAllRowsWithNudgedPremultipliedColours)
{
    struct Case {
        int tessellation;
        double nudge, opacity;
        std::array<double, 4> factors;  // f00, f01, f10, f11
        std::size_t count;
    };
    const Case cases[] = {
        {1, 1, 1, {1, 1, 1, 1}, 15},
        {2, 1, 1, {1, 1, 1, 1}, 18},
        {1, 1.5, 0.5, {1, 1.125, 1.5, 1.375}, 15},
        {2, 0.5, 0.5, {1, 0.875, 0.5, 0.625}, 18},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "tessellation " << c.tessellation << " nudge " << c.nudge);
        SceneArguments args = grid3x3();
        args.tessellation = c.tessellation;
        args.nudge = c.nudge;
        args.opacity = c.opacity;
        const std::vector<Piece> pieces = record(args).pieces();
        ASSERT_EQ(pieces.size(), 1u);
        EXPECT_EQ(pieces[0].primitive, c.tessellation == 1 ? Primitive::TriangleStrip : Primitive::QuadStrip);
        EXPECT_EQ(pieces[0].vertices, fill3x3(c.factors, c.opacity, c.tessellation == 2));
        EXPECT_EQ(pieces[0].vertices.size(), c.count);
    }
}

TEST(RenderSceneFill, EachVertexSendsNormalCoordinatesAndColourBeforeItsPosition)
{
    const RecordingVertexSink sink = record(grid3x3());
    const std::vector<Call> expected = {
        {Op::Begin, {static_cast<double>(Primitive::TriangleStrip)}},
        {Op::Normal, {0, 0, -1}},
        {Op::TexCoord0, {0, 0, 1}},
        {Op::TexCoord1, {0, 0, 0}},
        {Op::Color, {0.5, 0.25, 0.75, 1}},
        {Op::Vertex, {-1, -2, 0}},
    };
    ASSERT_GE(sink.calls().size(), 6 + expected.size());
    EXPECT_EQ(std::vector<Call>(sink.calls().begin() + 6, sink.calls().begin() + 12), expected);
}

TEST(RenderSceneStrips, WireframeAndFrontFillBackWireDrawOneStripPerRow)
{
    struct Case {
        int drawMode, tessellation;
        Primitive primitive;
    };
    const Case cases[] = {
        {2, 1, Primitive::TriangleStrip},
        {2, 2, Primitive::QuadStrip},
        {4, 1, Primitive::TriangleStrip},
        {4, 2, Primitive::QuadStrip},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "draw " << c.drawMode << " tessellation " << c.tessellation);
        SceneArguments args = grid3x3();
        args.drawMode = c.drawMode;
        args.tessellation = c.tessellation;
        const std::vector<Piece> pieces = record(args).pieces();
        ASSERT_EQ(pieces.size(), 2u);
        for (int r = 0; r < 2; ++r) {
            EXPECT_EQ(pieces[static_cast<std::size_t>(r)].primitive, c.primitive);
            EXPECT_EQ(pieces[static_cast<std::size_t>(r)].vertices, rowStrip(r));
        }
    }
}

TEST(RenderScenePoints, OnePointPrimitiveSendsInteriorRowsTwiceWithoutJoins)
{
    std::vector<EmittedVertex> expected = rowStrip(0);
    const std::vector<EmittedVertex> second = rowStrip(1);
    expected.insert(expected.end(), second.begin(), second.end());
    for (const int tessellation : {1, 2}) {
        SCOPED_TRACE(tessellation);
        SceneArguments args = grid3x3();
        args.drawMode = 3;
        args.tessellation = tessellation;
        const std::vector<Piece> pieces = record(args).pieces();
        ASSERT_EQ(pieces.size(), 1u);
        EXPECT_EQ(pieces[0].primitive, Primitive::Points);
        EXPECT_EQ(pieces[0].vertices, expected);
    }
}

// The (column, row) of each vertex, read back from its unscaled grid coordinate.
std::vector<std::vector<Index>> indices(const RecordingVertexSink& sink, int colSegs, int rowSegs)
{
    std::vector<std::vector<Index>> result;
    for (const Piece& piece : sink.pieces()) {
        result.emplace_back();
        for (const EmittedVertex& v : piece.vertices) {
            result.back().push_back({static_cast<int>(std::lround(v.texCoord1[0] * colSegs)),
                                     static_cast<int>(std::lround(v.texCoord1[1] * rowSegs))});
        }
    }
    return result;
}

TEST(RenderSceneSteps, SteppedColumnsAndRowsAreDrawnAsSeparatePieces)
{
    struct Case {
        const char* name;
        int verticesX, verticesY, stepX, stepY, drawMode;
        std::vector<std::vector<Index>> pieces;
    };
    const std::vector<std::vector<Index>> rowStrips3x3 = {
        {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0}, {2, 1}},
        {{0, 1}, {0, 2}, {1, 1}, {1, 2}, {2, 1}, {2, 2}},
    };
    const Case cases[] = {
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
        {"both steps beyond the grid keep the first cell", 3, 3, 10, 10, 1,
         {{{0, 0}, {0, 1}, {1, 0}, {1, 1}, {1, 1}}}},
        {"steps of 0 act as 1", 3, 3, 0, 0, 2, rowStrips3x3},
        {"negative steps act as 1", 3, 3, -3, -1, 2, rowStrips3x3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SceneArguments args = grid3x3();
        args.verticesX = c.verticesX;
        args.verticesY = c.verticesY;
        args.stepX = c.stepX;
        args.stepY = c.stepY;
        args.drawMode = c.drawMode;
        EXPECT_EQ(indices(record(args), c.verticesX - 1, c.verticesY - 1), c.pieces);
    }
}

// Cell counts along x and y, from the distinct unscaled grid coordinates that were sent.
Index segments(const RecordingVertexSink& sink)
{
    std::set<double> us, vs;
    for (const Piece& piece : sink.pieces()) {
        for (const EmittedVertex& v : piece.vertices) {
            us.insert(v.texCoord1[0]);
            vs.insert(v.texCoord1[1]);
        }
    }
    return {static_cast<int>(us.size()) - 1, static_cast<int>(vs.size()) - 1};
}

TEST(RenderSceneReduction, ReducedCountsBelowTwoStillDrawOneCell)
{
    struct Case {
        int reduceGeometry, vertices;
        double autoScale;  // used by Auto alone
        int segments;
    };
    const Case cases[] = {
        {1, 50, 0.5, 49},  // Off
        {2, 50, 0.5, 24},  // Auto: 25 vertices
        {2, 7, 0.5, 2},    // Auto truncates 3.5 to 3
        {2, 50, 0.0, 1},   // Auto to 0 vertices
        {3, 51, 0.5, 24},  // 2x: 25 vertices
        {4, 50, 0.5, 11},  // 4x: 12 vertices
        {5, 50, 0.5, 2},   // 16x: 3 vertices
        {5, 10, 0.5, 1},   // 16x: 0 vertices
        {6, 50, 0.5, 49},  // unknown choice: unreduced
        {0, 50, 0.5, 49},
        {1, 1, 0.5, 1},
        {1, 0, 0.5, 1},
        {1, -4, 0.5, 1},
    };
    for (const Case& c : cases) {
        for (const int axis : {0, 1}) {
            SCOPED_TRACE(testing::Message() << "reduce " << c.reduceGeometry << ", " << c.vertices
                                            << " vertices along " << (axis == 0 ? "x" : "y"));
            SceneArguments args = grid3x3();
            args.drawMode = 3;
            args.reduceGeometry = c.reduceGeometry;
            (axis == 0 ? args.verticesX : args.verticesY) = c.vertices;
            (axis == 0 ? args.autoScaleX : args.autoScaleY) = c.autoScale;
            (axis == 0 ? args.verticesY : args.verticesX) = 2;
            (axis == 0 ? args.autoScaleY : args.autoScaleX) = 1;
            const Index expected = axis == 0 ? Index{c.segments, 1} : Index{1, c.segments};
            EXPECT_EQ(segments(record(args)), expected);
        }
    }
}

TEST(RenderSceneScroll, TheGridMovesByTheRemainderWithinOneCellSignedLikeTheScroll)
{
    struct Case {
        double scrollX, scrollY;  // cells of grid3x3() are 1 x 2
        double shiftX, shiftY;
    };
    const Case cases[] = {
        {0.5, 1, 0.5, 1},
        {-0.5, -1, -0.5, -1},
        {0, 0, 0, 0},
        {2.5, -5, 0.5, -1},
        {0.75, 1.5, 0.75, 1.5},  // a remainder to the nearest cell would go negative
    };
    const std::vector<EmittedVertex> still = record(grid3x3()).pieces().at(0).vertices;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "scroll " << c.scrollX << ", " << c.scrollY);
        SceneArguments args = grid3x3();
        args.scrollX = c.scrollX;
        args.scrollY = c.scrollY;
        std::vector<EmittedVertex> expected = still;
        for (EmittedVertex& v : expected) {
            v.position[0] += c.shiftX;
            v.position[1] += c.shiftY;
        }
        EXPECT_EQ(record(args).pieces().at(0).vertices, expected);
    }
}

TEST(RenderSceneScroll, AGridOfSizeZeroStaysAtTheOriginWhenScrolled)
{
    SceneArguments args = grid3x3();
    args.sizeX = 0;
    args.sizeY = 0;
    args.scrollX = 0.7;
    args.scrollY = -3;
    const std::vector<Piece> pieces = record(args).pieces();
    ASSERT_EQ(pieces.size(), 1u);
    for (const EmittedVertex& v : pieces[0].vertices) {
        EXPECT_EQ(v.position, (std::array<double, 3>{0, 0, 0}));
    }
}

TEST(RenderSceneRepeater, EachInstanceMultipliesTheAlphaByTheRepeatOpacity)
{
    struct Case {
        double opacity, repeatOpacity;
        std::vector<double> alphas;
    };
    const Case cases[] = {
        {1, 0.5, {1, 0.5, 0.25}},
        {0.5, 1, {0.5, 0.5}},
        {0.75, 0, {0.75, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "opacity " << c.opacity << " repeat " << c.repeatOpacity);
        SceneArguments args = grid3x3();
        args.opacity = c.opacity;
        args.repeatOpacity = c.repeatOpacity;
        args.instances = static_cast<int>(c.alphas.size());
        const std::vector<Piece> pieces = record(args).pieces();
        ASSERT_EQ(pieces.size(), c.alphas.size());
        for (std::size_t k = 0; k < pieces.size(); ++k) {
            EXPECT_EQ(pieces[k].vertices, fill3x3({1, 1, 1, 1}, c.alphas[k], false)) << "instance " << k;
        }
    }
}

TEST(RenderSceneRepeater, InstancesComposeTheRepeatTransformOnThePlacementAndRestoreTheStack)
{
    SceneArguments args = placed(grid3x3());
    args.instances = 3;
    args.repeatTranslateX = 4;
    args.repeatTranslateY = 5;
    args.repeatTranslateZ = 6;
    args.repeatRotateX = 40;
    args.repeatRotateY = 50;
    args.repeatRotateZ = 60;
    args.repeatScale = 0.5;
    const Call begin = {Op::Begin, {static_cast<double>(Primitive::TriangleStrip)}};
    const std::vector<Call> repeat = {{Op::Translate, {4, 5, 6}}, {Op::Rotate, {40, 1, 0, 0}},
                                      {Op::Rotate, {50, 0, 1, 0}}, {Op::Rotate, {60, 0, 0, 1}},
                                      {Op::Scale, {0.5, 0.5, 0.5}}};
    std::vector<Call> expected = placementCalls();
    for (int k = 0; k < 3; ++k) {
        if (k > 0) {
            expected.insert(expected.end(), repeat.begin(), repeat.end());
        }
        expected.push_back(begin);
        expected.push_back({Op::End});
    }
    expected.push_back({Op::PopMatrix});
    EXPECT_EQ(record(args).stateCalls(), expected);
}

TEST(RenderSceneRepeater, TexturesAreBoundAmplitudeFirstSoUnitZeroEndsActive)
{
    struct Case {
        int useColorTexture, useAmplitudeTexture;
        std::vector<Call> binds;
    };
    const Call amplitude = {Op::BindTexture2D, {5, 12}};
    const Call color = {Op::BindTexture2D, {0, 11}};
    const Case cases[] = {
        {0, 0, {}},
        {1, 0, {color}},
        {2, 0, {color}},
        {0, 1, {amplitude}},
        {1, 1, {amplitude, color}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "color " << c.useColorTexture << " amplitude " << c.useAmplitudeTexture);
        SceneArguments args = grid3x3();
        args.colorTextureId = 11;
        args.amplitudeTextureId = 12;
        args.useColorTexture = c.useColorTexture;
        args.useAmplitudeTexture = c.useAmplitudeTexture;
        const std::vector<Call> calls = record(args).calls();
        ASSERT_GT(calls.size(), c.binds.size());
        EXPECT_EQ(std::vector<Call>(calls.begin(), calls.begin() + static_cast<std::ptrdiff_t>(c.binds.size())),
                  c.binds);
        EXPECT_EQ(calls[c.binds.size()].op, Op::PushMatrix);
    }
}

TEST(RenderSceneDegenerate, NoInstancesOrAnUnknownDrawModeOnlyPlaceAndRestore)
{
    struct Case {
        int instances, drawMode;
    };
    const Case cases[] = {{0, 1}, {-2, 2}, {1, 0}, {2, 5}};
    std::vector<Call> expected = placementCalls();
    expected.push_back({Op::PopMatrix});
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "instances " << c.instances << " draw " << c.drawMode);
        SceneArguments args = placed(grid3x3());
        args.instances = c.instances;
        args.drawMode = c.drawMode;
        EXPECT_EQ(record(args).calls(), expected);
    }
}

int ceilDiv(int a, int b) { return (a + b - 1) / b; }

TEST(RenderSceneDegenerate, EveryCombinationIsLegalGLWithEvenQuadStrips)
{
    const Index grids[] = {{2, 2}, {3, 4}, {6, 3}};
    for (const int drawMode : {1, 2, 3, 4}) {
        for (const int tessellation : {1, 2}) {
            for (const Index grid : grids) {
                for (const Index step : {Index{1, 1}, Index{2, 1}, Index{3, 2}, Index{1, 2}}) {
                    for (const int instances : {1, 2}) {
                        SCOPED_TRACE(testing::Message() << "draw " << drawMode << " tess " << tessellation << " grid "
                                                        << grid[0] << "x" << grid[1] << " step " << step[0] << ","
                                                        << step[1] << " instances " << instances);
                        SceneArguments args = grid3x3();
                        args.drawMode = drawMode;
                        args.tessellation = tessellation;
                        args.verticesX = grid[0];
                        args.verticesY = grid[1];
                        args.stepX = step[0];
                        args.stepY = step[1];
                        args.instances = instances;
                        const std::vector<Piece> pieces = record(args).pieces();

                        const int rows = ceilDiv(grid[1] - 1, step[1]);
                        const int perRow = step[0] >= 2 ? ceilDiv(grid[0] - 1, step[0]) : 1;
                        const bool strips = drawMode == 2 || drawMode == 4;
                        EXPECT_EQ(pieces.size(), static_cast<std::size_t>(instances * (strips ? rows * perRow : 1)));
                        for (const Piece& piece : pieces) {
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
