// Worlds as the module sees them through the host's callbacks and the world suite: allocation,
// fill, copy, pixel access and the compositing callbacks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "sdk/pf_suites.h"
#include "tests/apps/zel-render/fake_module.h"

namespace zelrender {
namespace {

using test::duringGlobalSetup;
using test::SuiteLoan;
using Grid = std::vector<std::vector<int>>;

constexpr PF_Err kBad = PF_Err_BAD_CALLBACK_PARAM;

template <typename Pixel>
std::vector<unsigned char> bytesOf(const Pixel& pixel)
{
    std::vector<unsigned char> bytes(sizeof pixel);
    std::memcpy(bytes.data(), &pixel, sizeof pixel);
    return bytes;
}

std::vector<unsigned char> pixelAt(const PF_LayerDef& w, int x, int y, int bytes)
{
    const auto* p = static_cast<const unsigned char*>(w.data) + y * w.rowbytes + x * bytes;
    return {p, p + bytes};
}

// An 8-bit world whose pixel (x, y) has red 1 + x + 10y, so that 0 means "not written".
void label(PF_LayerDef& w)
{
    for (int y = 0; y < w.height; ++y) {
        for (int x = 0; x < w.width; ++x) {
            const PF_Pixel p{255, static_cast<std::uint8_t>(1 + x + 10 * y), 0, 0};
            std::memcpy(static_cast<unsigned char*>(w.data) + y * w.rowbytes + x * 4, &p, 4);
        }
    }
}

Grid reds(const PF_LayerDef& w)
{
    Grid grid(static_cast<std::size_t>(w.height));
    for (int y = 0; y < w.height; ++y) {
        for (int x = 0; x < w.width; ++x) {
            grid[static_cast<std::size_t>(y)].push_back(pixelAt(w, x, y, 4)[1]);
        }
    }
    return grid;
}

std::size_t lines(const std::string& text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

struct Made {
    const char* how;
    std::int32_t width;
    PF_PixelFormat format;  // asked of the world suite; 0: new_world with `flags`
    std::int32_t flags;
    PF_PixelFormat expected;
    std::int32_t rowbytes;  // width x pixel size, rounded up past the next multiple of 16
};

TEST(Worlds, AreMadeZeroedWithPaddedRowsAndKnowTheirFormatUntilDisposed)
{
    const Made cases[] = {
        {"new_world 8-bit", 3, 0, 0, PF_PixelFormat_ARGB32, 16},
        {"new_world 16-bit", 4, 0, PF_NewWorldFlag_DEEP_PIXELS | PF_NewWorldFlag_CLEAR_PIXELS,
         PF_PixelFormat_ARGB64, 48},
        {"suite ARGB32", 4, PF_PixelFormat_ARGB32, 0, PF_PixelFormat_ARGB32, 32},
        {"suite BGRA32", 1, PF_PixelFormat_BGRA32, 0, PF_PixelFormat_BGRA32, 16},
        {"suite ARGB64", 2, PF_PixelFormat_ARGB64, 0, PF_PixelFormat_ARGB64, 32},
        {"suite ARGB128", 5, PF_PixelFormat_ARGB128, 0, PF_PixelFormat_ARGB128, 96},
    };
    testing::internal::CaptureStderr();
    duringGlobalSetup([&](PF_InData& in) {
        const SuiteLoan<PF_WorldSuite2> suite(in, kPFWorldSuite, kPFWorldSuiteVersion2);
        for (const Made& c : cases) {
            PF_LayerDef w{};
            EXPECT_EQ(c.format != 0 ? suite->PF_NewWorld(in.effect_ref, c.width, 2, 0, c.format, &w)
                                    : in.utils->new_world(in.effect_ref, c.width, 2, c.flags, &w),
                      PF_Err_NONE)
                << c.how;
            PF_PixelFormat format = 0;
            EXPECT_EQ(suite->PF_GetPixelFormat(&w, &format), PF_Err_NONE);
            EXPECT_EQ(format, c.expected) << c.how;
            EXPECT_EQ(w.rowbytes, c.rowbytes) << c.how;
            EXPECT_EQ((w.world_flags & PF_WorldFlag_DEEP) != 0,
                      c.expected == PF_PixelFormat_ARGB64);
            const auto* bytes = static_cast<const unsigned char*>(w.data);
            EXPECT_TRUE(std::all_of(bytes, bytes + 2 * w.rowbytes, [](auto b) { return b == 0; }));
            // Either disposer takes either kind of world, once.
            EXPECT_EQ(suite->PF_DisposeWorld(in.effect_ref, &w), PF_Err_NONE) << c.how;
            EXPECT_EQ(w.data, nullptr);
            EXPECT_EQ(in.utils->dispose_world(in.effect_ref, &w), kBad) << c.how;
        }

        // A world the module made itself is told by its flags, and is not the host's to dispose.
        unsigned char own[64] = {};
        PF_LayerDef foreign{own, 16, 2, 2, {}, PF_WorldFlag_DEEP, {1, 1}, 0, 0, nullptr};
        PF_PixelFormat format = 0;
        suite->PF_GetPixelFormat(&foreign, &format);
        EXPECT_EQ(format, PF_PixelFormat_ARGB64);
        foreign.world_flags = 0;
        suite->PF_GetPixelFormat(&foreign, &format);
        EXPECT_EQ(format, PF_PixelFormat_ARGB32);

        PF_LayerDef w{};
        EXPECT_EQ((std::vector<PF_Err>{
                      in.utils->dispose_world(in.effect_ref, &foreign),
                      in.utils->dispose_world(in.effect_ref, nullptr),
                      in.utils->new_world(in.effect_ref, 0, 5, 0, &w),
                      in.utils->new_world(in.effect_ref, 5, 5, 4, &w),
                      suite->PF_NewWorld(in.effect_ref, 5, 5, 1, PF_FOURCC('a', 'b', 'c', 'd'), &w),
                      suite->PF_NewWorld(nullptr, 5, 5, 1, PF_PixelFormat_ARGB32, &w),
                      suite->PF_GetPixelFormat(nullptr, &format),
                  }),
                  std::vector<PF_Err>(7, kBad));
        // Kept past set-down, to be reported.
        in.utils->new_world(in.effect_ref, 1, 1, 0, &w);
    });
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("pixel format 'abcd' is none of"), std::string::npos) << err;
    EXPECT_NE(err.find("was not made by this host, or was disposed already"), std::string::npos);
    EXPECT_NE(err.find("warning: the module did not dispose of 1 world(s)"), std::string::npos);
}

struct FillCase {
    PF_PixelFormat format;
    std::vector<unsigned char> pixel;  // {255, 255, 128, 0} in the format
};

TEST(Worlds, FillColoursTheRectangleInsideTheWorldOnlyOrZeroesTheWhole)
{
    const FillCase cases[] = {
        {PF_PixelFormat_ARGB32, {255, 255, 128, 0}},
        {PF_PixelFormat_BGRA32, {0, 128, 255, 255}},
        {PF_PixelFormat_ARGB64, bytesOf(PF_Pixel16{32768, 32768, 16448, 0})},
        {PF_PixelFormat_ARGB128, bytesOf(PF_PixelFloat{1, 1, 128 / 255.0f, 0})},
    };
    duringGlobalSetup([&](PF_InData& in) {
        const SuiteLoan<PF_WorldSuite2> suite(in, kPFWorldSuite, kPFWorldSuiteVersion2);
        for (const FillCase& c : cases) {
            const int bytes = static_cast<int>(c.pixel.size());
            PF_LayerDef w{};
            suite->PF_NewWorld(in.effect_ref, 3, 3, 1, c.format, &w);
            // Marks the padding after each row, which no fill may touch.
            for (int y = 0; y < 3; ++y) {
                std::memset(static_cast<unsigned char*>(w.data) + y * w.rowbytes + 3 * bytes, 0xAB,
                            static_cast<std::size_t>(w.rowbytes - 3 * bytes));
            }
            const PF_Pixel color{255, 255, 128, 0};
            const PF_Rect rect{-2, 1, 2, 9};  // clipped to columns 0-1, rows 1-2
            ASSERT_EQ(in.utils->fill(in.effect_ref, &color, &rect, &w), PF_Err_NONE);
            for (int y = 0; y < 3; ++y) {
                for (int x = 0; x < 3; ++x) {
                    const bool inside = x < 2 && y >= 1;
                    EXPECT_EQ(pixelAt(w, x, y, bytes),
                              inside ? c.pixel : std::vector<unsigned char>(c.pixel.size(), 0))
                        << "format " << c.format << " at " << x << "," << y;
                }
                EXPECT_EQ(static_cast<unsigned char*>(w.data)[y * w.rowbytes + 3 * bytes], 0xAB);
            }
            const PF_Rect inverted{2, 2, 1, 1};
            EXPECT_EQ(in.utils->fill(in.effect_ref, &color, &inverted, &w), PF_Err_NONE);
            EXPECT_EQ(in.utils->fill(in.effect_ref, nullptr, nullptr, &w), PF_Err_NONE);
            EXPECT_EQ(pixelAt(w, 1, 2, bytes), std::vector<unsigned char>(c.pixel.size(), 0));
            suite->PF_DisposeWorld(in.effect_ref, &w);
        }
    });
}

struct CopyCase {
    const char* what;
    const PF_Rect* from;
    const PF_Rect* to;
    Grid expected;  // reds of the 3 x 2 destination
};

TEST(Worlds, CopyClipsBothRectanglesAndRefusesWorldsOfAnotherFormat)
{
    const PF_Rect inner{1, 1, 4, 3}, leftOfDst{-1, 0, 2, 2}, whole{0, 0, 4, 3};
    const PF_Rect corner{2, 1, 10, 10}, inverted{2, 2, 1, 1}, far{100, 100, 200, 200};
    const CopyCase cases[] = {
        {"whole worlds of different sizes", nullptr, nullptr, {{1, 2, 3}, {11, 12, 13}}},
        {"a rectangle placed partly off the left", &inner, &leftOfDst, {{13, 14, 0}, {23, 24, 0}}},
        {"into the last pixel only", &whole, &corner, {{0, 0, 0}, {0, 0, 1}}},
        {"into an inverted rectangle", &whole, &inverted, {{0, 0, 0}, {0, 0, 0}}},
        {"from outside the source", &far, nullptr, {{0, 0, 0}, {0, 0, 0}}},
    };
    duringGlobalSetup([&](PF_InData& in) {
        PF_LayerDef src{}, dst{}, deep{};
        in.utils->new_world(in.effect_ref, 4, 3, 0, &src);
        in.utils->new_world(in.effect_ref, 3, 2, 0, &dst);
        in.utils->new_world(in.effect_ref, 3, 2, PF_NewWorldFlag_DEEP_PIXELS, &deep);
        label(src);
        for (const CopyCase& c : cases) {
            in.utils->fill(in.effect_ref, nullptr, nullptr, &dst);
            PF_Rect from = c.from != nullptr ? *c.from : PF_Rect{};
            PF_Rect to = c.to != nullptr ? *c.to : PF_Rect{};
            EXPECT_EQ(in.utils->copy(in.effect_ref, &src, &dst, c.from != nullptr ? &from : nullptr,
                                     c.to != nullptr ? &to : nullptr),
                      PF_Err_NONE)
                << c.what;
            EXPECT_EQ(reds(dst), c.expected) << c.what;
        }
        // Within one world, a copy one row down reads each row before it is overwritten.
        PF_Rect top{0, 0, 4, 2}, lower{0, 1, 4, 3};
        in.utils->copy(in.effect_ref, &src, &src, &top, &lower);
        EXPECT_EQ(reds(src), (Grid{{1, 2, 3, 4}, {1, 2, 3, 4}, {11, 12, 13, 14}}));

        EXPECT_EQ(in.utils->copy(in.effect_ref, &src, &deep, nullptr, nullptr), kBad);
        // A description that no longer fits the memory behind it is refused, not trusted.
        PF_LayerDef widened = dst;
        widened.width = 100;
        EXPECT_EQ(in.utils->copy(in.effect_ref, &src, &widened, nullptr, nullptr), kBad);
        for (PF_LayerDef* w : {&src, &dst, &deep}) {
            in.utils->dispose_world(in.effect_ref, w);
        }
    });
}

TEST(Worlds, PixelDataComesOnlyAtTheWorldsOwnDepthAndOnlyFromItsPixels)
{
    const struct {
        PF_PixelFormat format;
        bool eightBit;
        bool sixteenBit;
    } cases[] = {
        {PF_PixelFormat_ARGB32, true, false},
        {PF_PixelFormat_BGRA32, true, false},
        {PF_PixelFormat_ARGB64, false, true},
        {PF_PixelFormat_ARGB128, false, false},
    };
    testing::internal::CaptureStderr();
    duringGlobalSetup([&](PF_InData& in) {
        const SuiteLoan<PF_WorldSuite2> suite(in, kPFWorldSuite, kPFWorldSuiteVersion2);
        for (const auto& c : cases) {
            PF_LayerDef w{};
            suite->PF_NewWorld(in.effect_ref, 2, 2, 1, c.format, &w);
            PF_Pixel8* p8 = nullptr;
            PF_Pixel16* p16 = nullptr;
            EXPECT_EQ(PF_GET_PIXEL_DATA8(&in, &w, &p8), c.eightBit ? PF_Err_NONE : kBad);
            EXPECT_EQ(PF_GET_PIXEL_DATA16(&in, &w, &p16), c.sixteenBit ? PF_Err_NONE : kBad);
            EXPECT_EQ(p8, c.eightBit ? w.data : nullptr) << c.format;
            EXPECT_EQ(p16, c.sixteenBit ? w.data : nullptr) << c.format;
            if (c.eightBit) {
                auto* second = static_cast<unsigned char*>(w.data) + w.rowbytes;
                EXPECT_EQ(in.utils->get_pixel_data8(&w, second, &p8), PF_Err_NONE);
                EXPECT_EQ(static_cast<void*>(p8), second);
                EXPECT_EQ(in.utils->get_pixel_data8(&w, second - 4, &p8), kBad);  // padding
                EXPECT_EQ(p8, nullptr);
            }
            suite->PF_DisposeWorld(in.effect_ref, &w);
        }
        PF_LayerDef input{};  // a layer without pixels, as the input is for now
        PF_Pixel8* p8 = nullptr;
        EXPECT_EQ(in.utils->get_pixel_data8(&input, nullptr, &p8), kBad);
    });
    // Asking the other depth is routine for the module, so only real mistakes are told.
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "zel-render: get_pixel_data8: the pixel asked for is not one of the world's\n"
              "zel-render: get_pixel_data8: the pixel asked for is not one of the world's\n"
              "zel-render: get_pixel_data8: the world has no pixels\n");
}

TEST(Worlds, CompositingCopiesAtFullOpacityByWholePixelsAndTellsTheRestOnceEach)
{
    testing::internal::CaptureStderr();
    duringGlobalSetup([](PF_InData& in) {
        const PF_UtilCallbacks& u = *in.utils;
        PF_LayerDef src{}, dst{};
        u.new_world(in.effect_ref, 4, 3, 0, &src);
        u.new_world(in.effect_ref, 3, 2, 0, &dst);
        label(src);
        const PF_CompositeMode copy{0, 0, 255, 0, 0};
        const PF_Rect top{1, 0, 3, 2};
        EXPECT_EQ(u.transfer_rect(in.effect_ref, PF_Quality_HI, PF_MF_Alpha_STRAIGHT,
                                  PF_Field_FRAME, &top, &src, &copy, nullptr, 1, 1, &dst),
                  PF_Err_NONE);
        EXPECT_EQ(reds(dst), (Grid{{0, 0, 0}, {0, 2, 3}}));

        // A move one pixel right, given either way round; the second only inside dest_rect.
        PF_FloatMatrix right{{{1, 0, 0}, {0, 1, 0}, {1, 0, 1}}};
        PF_FloatMatrix left{{{1, 0, 0}, {0, 1, 0}, {-1, 0, 1}}};
        const PF_Rect firstRow{0, 0, 2, 1};
        const struct {
            const PF_FloatMatrix* matrix;
            PF_Boolean src2dst;
            const PF_Rect* dest;
            Grid expected;
        } moves[] = {
            {&right, 1, nullptr, {{0, 1, 2}, {0, 11, 12}}},
            {&left, 0, &firstRow, {{0, 1, 0}, {0, 0, 0}}},
        };
        for (const auto& m : moves) {
            u.fill(in.effect_ref, nullptr, nullptr, &dst);
            EXPECT_EQ(u.transform_world(in.effect_ref, PF_Quality_LO, PF_MF_Alpha_PREMUL,
                                        PF_Field_FRAME, &src, &copy, nullptr, m.matrix, 1,
                                        m.src2dst, m.dest, &dst),
                      PF_Err_NONE);
            EXPECT_EQ(reds(dst), m.expected);
        }

        // Each request the host does not implement, made twice.
        const PF_CompositeMode add{5, 0, 255, 0, 0}, half{0, 0, 128, 0, 16384},
            colourOnly{0, 0, 255, 1, 32768};
        const PF_MaskWorld mask{};
        PF_FloatMatrix scale{{{2, 0, 0}, {0, 2, 0}, {0, 0, 1}}};
        PF_FloatMatrix subPixel{{{1, 0, 0}, {0, 1, 0}, {0.5, 0, 1}}};
        const PF_FloatMatrix two[] = {right, right};
        const auto transfer = [&](const PF_CompositeMode* mode, const PF_MaskWorld* m,
                                  PF_Field field) {
            return u.transfer_rect(in.effect_ref, PF_Quality_HI, 0, field, nullptr, &src, mode, m,
                                   0, 0, &dst);
        };
        const auto transform = [&](const PF_FloatMatrix* matrices, std::int32_t count) {
            return u.transform_world(in.effect_ref, PF_Quality_HI, 0, PF_Field_FRAME, &src, &copy,
                                     nullptr, matrices, count, 1, nullptr, &dst);
        };
        for (int round = 0; round < 2; ++round) {
            EXPECT_EQ((std::vector<PF_Err>{transfer(&add, nullptr, PF_Field_FRAME),
                                           transfer(&half, nullptr, PF_Field_FRAME),
                                           transfer(&colourOnly, nullptr, PF_Field_FRAME),
                                           transfer(&copy, &mask, PF_Field_FRAME),
                                           transfer(&copy, nullptr, PF_Field_UPPER),
                                           transform(&scale, 1), transform(&subPixel, 1),
                                           transform(two, 2)}),
                      std::vector<PF_Err>(8, kBad));
        }
        u.dispose_world(in.effect_ref, &src);
        u.dispose_world(in.effect_ref, &dst);
    });
    const std::string err = testing::internal::GetCapturedStderr();
    // Seven kinds: both sub-pixel moves and scaling are "not a move by whole pixels".
    std::istringstream text(err);
    std::set<std::string> distinct;
    for (std::string line; std::getline(text, line);) {
        distinct.insert(line);
    }
    EXPECT_EQ(lines(err), 7u) << err;
    EXPECT_EQ(distinct.size(), 7u) << err;
    EXPECT_NE(err.find("zel-render: transfer_rect: transfer mode 5 is not supported"),
              std::string::npos)
        << err;
    EXPECT_NE(err.find("zel-render: transform_world: several matrices"), std::string::npos) << err;
}

}  // namespace
}  // namespace zelrender
