// The suites and callbacks a module calls beyond the protocol: control updates, colours, masks
// and the (absent) user interface, worlds, and settings kept between sessions.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "apps/zel-render/param_listing.h"
#include "host/persistent_settings.h"
#include "tests/apps/zel-render/fake_module.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/text.h"

namespace zelrender {
namespace {

namespace fs = std::filesystem;
using namespace test;
using zel::test::contains;

// At UPDATE_PARAMS_UI, which it asked for, the module gives its slider a new look, and sends
// what the suite refuses: the input layer, an index past the last, the colour's index, nothing.
TEST(ParamUtilsSuite, KeepsTheLookAModuleGivesAControlButNotItsValue)
{
    std::vector<PF_Err> answers;
    FakeModule::behaviour = [&](PF_Cmd cmd, PF_InData& in, PF_OutData& out) {
        out.out_flags |= cmd == PF_Cmd_GLOBAL_SETUP ? PF_OutFlag_SEND_UPDATE_PARAMS_UI : 0;
        for (PF_ParamDef def : {colorDef("Tint", {255, 0, 0, 0}), sliderDef("Amount", 0, 10, 1)}) {
            if (cmd == PF_Cmd_PARAMS_SETUP && in.inter.add_param(in.effect_ref, -1, &def) == 0) {
                ++out.num_params;
            }
        }
        if (cmd == PF_Cmd_UPDATE_PARAMS_UI) {
            const SuiteLoan<PF_ParamUtilsSuite2> suite(in, kPFParamUtilsSuite, kPFParamUtilsSuiteVersion2);
            PF_ParamDef look = *FakeModule::params[2];
            look.ui_flags = PF_PUI_DISABLED;
            std::strcpy(look.name, "Renamed");
            look.flags |= PF_ParamFlag_COLLAPSE_TWIRLY | PF_ParamFlag_SUPERVISE;
            look.u.fs_d.value = 9;
            for (const std::int32_t index : {2, 0, 3, 1}) {
                answers.push_back(suite->PF_UpdateParamUI(in.effect_ref, index, &look));
            }
            answers.push_back(suite->PF_UpdateParamUI(in.effect_ref, 2, nullptr));
        }
        return PF_Err{PF_Err_NONE};
    };
    Host h;
    testing::internal::CaptureStderr();
    h.host.setUp();
    EXPECT_TRUE(contains(testing::internal::GetCapturedStderr(),
                         "parameter 1 (\"Tint\") has type 5, but the definition sent has type 10"));
    EXPECT_EQ(answers, (std::vector<PF_Err>{PF_Err_NONE, kBad, kBad, kBad, kBad}));
    const RegisteredParam& amount = h.host.params().at(2);
    EXPECT_EQ(std::tuple(amount.def.ui_flags, amount.name(), amount.def.flags, amount.value.at(0)),
              std::tuple(PF_PUI_DISABLED, "Renamed", PF_ParamFlag_COLLAPSE_TWIRLY, ParamValue(1.0)));
    std::ostringstream table;
    printParamTable(table, h.host.params());
    EXPECT_TRUE(contains(table.str(), "\n2      Renamed  float_slider  greyed ")) << table.str();
    EXPECT_EQ(paramListJson(h.host.params())[1]["enabled"], false);
}

// Requests the host cannot serve are refused; what the module asks every frame is told once.
TEST(HostSuites, GiveColoursAtFullPrecisionNoMasksAndNoUserInterface)
{
    std::vector<std::vector<PF_Err>> answers;
    std::int32_t paths = -1;
    PF_PixelFloat colour{};
    testing::internal::CaptureStderr();
    duringGlobalSetup([&](PF_InData& in) {
        const SuiteLoan<PF_ColorParamSuite1> colours(in, kPFColorParamSuite, kPFColorParamSuiteVersion1);
        const SuiteLoan<PF_PathQuerySuite1> query(in, kPFPathQuerySuite, kPFPathQuerySuiteVersion1);
        const SuiteLoan<PF_PathDataSuite1> data(in, kPFPathDataSuite, kPFPathDataSuiteVersion1);
        const SuiteLoan<PF_AppSuite6> app(in, kPFAppSuite, kPFAppSuiteVersion6);
        const PF_ParamDef tint = colorDef("Tint", {255, 255, 128, 0});
        const PF_ParamDef amount = sliderDef("Amount", 0, 1, 0);
        PF_PathID id = 0;
        PF_PathOutlinePtr path = nullptr;
        PF_PathVertex vertex{};
        PF_App_Color appColour{};
        PF_Point mouse{};
        for (int round = 0; round < 2; ++round) {
            answers.push_back({
                colours->PF_GetFloatingPointColorFromColorDef(in.effect_ref, &tint, &colour),
                colours->PF_GetFloatingPointColorFromColorDef(in.effect_ref, &amount, &colour),
                query->PF_NumPaths(in.effect_ref, &paths), query->PF_NumPaths(in.effect_ref, nullptr),
                query->PF_PathInfo(in.effect_ref, 0, &id),
                query->PF_CheckoutPath(in.effect_ref, 1, 0, 1, 24, &path),
                data->PF_PathVertexInfo(in.effect_ref, path, 0, &vertex), app->PF_SetCursor(2),
                app->PF_AppGetColor(0, &appColour), app->PF_GetMouse(&mouse)});
        }
    });
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::vector<float>({colour.alpha, colour.red, colour.green, colour.blue}),
              std::vector<float>({1, 1, 128 / 255.0f, 0}));
    EXPECT_EQ(paths, 0);
    const std::vector<PF_Err> round = {0, kBad, 0, kBad, kBad, kBad, kBad, kBad, kBad, kBad};
    EXPECT_EQ(answers, std::vector(2, round));
    EXPECT_TRUE(contains(err, "PF_PathInfo: the layer has no masks, so there is no mask 0")) << err;
    for (const char* function : {"PF_SetCursor", "PF_AppGetColor", "PF_GetMouse"}) {
        const std::string note = std::string("zel-render: ") + function + ": there is no cursor";
        EXPECT_NE(err.find(note), std::string::npos) << function;
        EXPECT_EQ(err.find(note), err.rfind(note)) << function;
    }
    EXPECT_NE(err.find("PF_PathVertexInfo"), err.rfind("PF_PathVertexInfo"));
}

TEST(Worlds, AreMadeZeroedInTheirFormatAndGiveTheirPixelsAtTheirOwnDepthOnly)
{
    const struct {
        std::int32_t width;
        PF_PixelFormat format;  // asked of the world suite; 0: new_world with `flags`
        std::int32_t flags;
        PF_PixelFormat made;
        std::int32_t rowbytes;  // width x pixel size, rounded up past the next multiple of 16
    } cases[] = {
        {3, 0, 0, PF_PixelFormat_ARGB32, 16},
        {4, 0, PF_NewWorldFlag_DEEP_PIXELS | PF_NewWorldFlag_CLEAR_PIXELS, PF_PixelFormat_ARGB64, 48},
        {1, PF_PixelFormat_BGRA32, 0, PF_PixelFormat_BGRA32, 16},
        {5, PF_PixelFormat_ARGB128, 0, PF_PixelFormat_ARGB128, 96},
    };
    testing::internal::CaptureStderr();
    duringGlobalSetup([&](PF_InData& in) {
        const SuiteLoan<PF_WorldSuite2> suite(in, kPFWorldSuite, kPFWorldSuiteVersion2);
        for (const auto& c : cases) {
            PF_LayerDef w{};
            EXPECT_EQ(c.format != 0 ? suite->PF_NewWorld(in.effect_ref, c.width, 2, 0, c.format, &w)
                                    : in.utils->new_world(in.effect_ref, c.width, 2, c.flags, &w),
                      PF_Err_NONE);
            PF_PixelFormat format = 0;
            EXPECT_EQ(suite->PF_GetPixelFormat(&w, &format), PF_Err_NONE);
            const bool deep = c.made == PF_PixelFormat_ARGB64;
            const bool eightBit = c.made == PF_PixelFormat_ARGB32 || c.made == PF_PixelFormat_BGRA32;
            EXPECT_EQ(std::tuple(format, w.rowbytes, (w.world_flags & PF_WorldFlag_DEEP) != 0),
                      std::tuple(c.made, c.rowbytes, deep));
            auto* bytes = static_cast<unsigned char*>(w.data);
            EXPECT_TRUE(std::all_of(bytes, bytes + 2 * w.rowbytes, [](auto b) { return b == 0; }));
            PF_Pixel8* p8 = nullptr;
            PF_Pixel16* p16 = nullptr;
            EXPECT_EQ(PF_GET_PIXEL_DATA8(&in, &w, &p8), eightBit ? PF_Err_NONE : kBad);
            EXPECT_EQ(PF_GET_PIXEL_DATA16(&in, &w, &p16), deep ? PF_Err_NONE : kBad);
            EXPECT_EQ((std::pair<void*, void*>(p8, p16)),
                      (std::pair<void*, void*>(eightBit ? bytes : nullptr, deep ? bytes : nullptr)));
            if (eightBit) {
                EXPECT_EQ(in.utils->get_pixel_data8(&w, bytes + w.rowbytes, &p8), PF_Err_NONE);
                EXPECT_EQ(static_cast<void*>(p8), bytes + w.rowbytes);
                EXPECT_EQ(in.utils->get_pixel_data8(&w, bytes + w.rowbytes - 4, &p8), kBad);
                EXPECT_EQ(p8, nullptr);
            }
            // Either disposer takes either kind of world, once.
            EXPECT_EQ(suite->PF_DisposeWorld(in.effect_ref, &w), PF_Err_NONE);
            EXPECT_EQ(w.data, nullptr);
            EXPECT_EQ(in.utils->dispose_world(in.effect_ref, &w), kBad);
        }
        // A world the module made itself is not the host's to dispose.
        unsigned char own[64] = {};
        PF_LayerDef foreign{own, 16, 2, 2, {}, 0, {1, 1}, 0, 0, nullptr};
        PF_LayerDef w{};
        PF_Pixel8* p8 = nullptr;
        EXPECT_EQ((std::vector<PF_Err>{
                      in.utils->dispose_world(in.effect_ref, &foreign),
                      in.utils->dispose_world(in.effect_ref, nullptr),
                      in.utils->new_world(in.effect_ref, 0, 5, 0, &w),
                      suite->PF_NewWorld(in.effect_ref, 5, 5, 1, PF_FOURCC('a', 'b', 'c', 'd'), &w),
                      in.utils->get_pixel_data8(&w, nullptr, &p8),  // a world without pixels
                  }),
                  std::vector<PF_Err>(5, kBad));
        // Kept past set-down, to be reported.
        in.utils->new_world(in.effect_ref, 1, 1, 0, &w);
        const void* handles = nullptr;
        in.pica_basicP->AcquireSuite(kPFHandleSuite, kPFHandleSuiteVersion2, &handles);
    });
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(contains(err, "pixel format 'abcd' is none of")) << err;
    EXPECT_TRUE(contains(err, "was not made by this host, or was disposed already"));
    EXPECT_TRUE(contains(err, "warning: the module did not dispose of 1 world(s)"));
    EXPECT_TRUE(contains(err, "warning: the module did not release PF Handle Suite version 2\n"));
    // Asking the other depth is routine for the module, so only real mistakes are told: two
    // pixels in padding, and a world without pixels.
    const std::regex pixelData("get_pixel_data");
    EXPECT_EQ(std::distance(std::sregex_iterator(err.begin(), err.end(), pixelData),
                            std::sregex_iterator()), 3) << err;
}

using Grid = std::vector<std::vector<int>>;

// The reds of an 8-bit world; or, with `label`, each pixel's red set to 1 + x + 10y first, so
// that 0 means "not written".
Grid reds(PF_LayerDef& w, bool label = false)
{
    Grid grid(static_cast<std::size_t>(w.height));
    for (int y = 0; y < w.height; ++y) {
        for (int x = 0; x < w.width; ++x) {
            std::uint8_t& red = static_cast<PF_Pixel*>(w.data)[y * w.rowbytes / 4 + x].red;
            red = label ? static_cast<std::uint8_t>(1 + x + 10 * y) : red;
            grid[static_cast<std::size_t>(y)].push_back(red);
        }
    }
    return grid;
}

TEST(Worlds, FillCopyAndCompositingStayInsideTheirRectanglesAndTellWhatTheyCannotDo)
{
    const PF_Pixel16 deep{32768, 32768, 16448, 0};
    const PF_PixelFloat full{1, 1, 128 / 255.0f, 0};
    const auto bytes = [](const auto& pixel) {
        const auto* p = reinterpret_cast<const unsigned char*>(&pixel);
        return std::vector<unsigned char>(p, p + sizeof pixel);
    };
    // {255, 255, 128, 0} in each format.
    const std::pair<PF_PixelFormat, std::vector<unsigned char>> fills[] = {
        {PF_PixelFormat_BGRA32, {0, 128, 255, 255}}, {PF_PixelFormat_ARGB64, bytes(deep)},
        {PF_PixelFormat_ARGB128, bytes(full)}};
    PF_Rect inner{1, 1, 4, 3}, leftOfDst{-1, 0, 2, 2}, whole{0, 0, 4, 3}, corner{2, 1, 10, 10};
    PF_Rect top{0, 0, 4, 2}, lower{0, 1, 4, 3};
    const struct {
        PF_Rect* from;
        PF_Rect* to;
        Grid expected;  // reds of the 3 x 2 destination
    } copies[] = {
        {nullptr, nullptr, {{1, 2, 3}, {11, 12, 13}}},     // whole worlds of different sizes
        {&inner, &leftOfDst, {{13, 14, 0}, {23, 24, 0}}},  // placed partly off the left
        {&whole, &corner, {{0, 0, 0}, {0, 0, 1}}},         // into the last pixel only
    };
    testing::internal::CaptureStderr();
    duringGlobalSetup([&](PF_InData& in) {
        const SuiteLoan<PF_WorldSuite2> suite(in, kPFWorldSuite, kPFWorldSuiteVersion2);
        const PF_UtilCallbacks& u = *in.utils;
        for (const auto& [format, pixel] : fills) {
            const auto size = static_cast<std::ptrdiff_t>(pixel.size());
            PF_LayerDef w{};
            suite->PF_NewWorld(in.effect_ref, 3, 3, 1, format, &w);
            const auto at = [&w, size](int x, int y) {
                const auto* p = static_cast<unsigned char*>(w.data) + y * w.rowbytes + x * size;
                return std::vector<unsigned char>(p, p + size);
            };
            std::memset(w.data, 0xAB, static_cast<std::size_t>(3 * w.rowbytes));
            const PF_Pixel color{255, 255, 128, 0};
            const PF_Rect rect{-2, 1, 2, 9};  // clipped to columns 0-1, rows 1-2
            ASSERT_EQ(u.fill(in.effect_ref, nullptr, nullptr, &w), PF_Err_NONE);
            EXPECT_EQ(at(3, 0), std::vector<unsigned char>(pixel.size(), 0xAB));  // row padding
            EXPECT_EQ(u.fill(in.effect_ref, &color, &rect, &w), PF_Err_NONE);
            for (int i = 0; i < 9; ++i) {
                EXPECT_EQ(at(i % 3, i / 3), i % 3 < 2 && i >= 3 ? pixel : std::vector<unsigned char>(pixel.size()))
                    << "format " << format << " pixel " << i;
            }
            suite->PF_DisposeWorld(in.effect_ref, &w);
        }

        PF_LayerDef src{}, dst{}, deepDst{};
        u.new_world(in.effect_ref, 4, 3, 0, &src);
        u.new_world(in.effect_ref, 3, 2, 0, &dst);
        u.new_world(in.effect_ref, 3, 2, PF_NewWorldFlag_DEEP_PIXELS, &deepDst);
        reds(src, true);
        for (const auto& c : copies) {
            u.fill(in.effect_ref, nullptr, nullptr, &dst);
            EXPECT_EQ(u.copy(in.effect_ref, &src, &dst, c.from, c.to), PF_Err_NONE);
            EXPECT_EQ(reds(dst), c.expected) << "row " << &c - copies;
        }
        // Compositing: a copy of the top middle at (1, 1), then a move one pixel right.
        const PF_CompositeMode copy{0, 0, 255, 0, 0}, add{5, 0, 255, 0, 0}, half{0, 0, 128, 0, 0};
        const PF_MaskWorld mask{};
        const PF_Rect middle{1, 0, 3, 2};
        const PF_FloatMatrix right{{{1, 0, 0}, {0, 1, 0}, {1, 0, 1}}};
        const PF_FloatMatrix scale{{{2, 0, 0}, {0, 2, 0}, {0, 0, 1}}};
        const PF_FloatMatrix twice[] = {right, right};
        const auto transfer = [&](const PF_CompositeMode* mode, const PF_Rect* from,
                                  const PF_MaskWorld* masked = nullptr) {
            u.fill(in.effect_ref, nullptr, nullptr, &dst);
            return u.transfer_rect(in.effect_ref, PF_Quality_HI, PF_MF_Alpha_STRAIGHT,
                                   PF_Field_FRAME, from, &src, mode, masked, 1, 1, &dst);
        };
        const auto transform = [&](const PF_FloatMatrix* matrices, int count) {
            u.fill(in.effect_ref, nullptr, nullptr, &dst);
            return u.transform_world(in.effect_ref, PF_Quality_LO, PF_MF_Alpha_PREMUL,
                                     PF_Field_FRAME, &src, &copy, nullptr, matrices, count, 1,
                                     nullptr, &dst);
        };
        EXPECT_EQ(transfer(&copy, &middle), PF_Err_NONE);
        EXPECT_EQ(reds(dst), (Grid{{0, 0, 0}, {0, 2, 3}}));
        EXPECT_EQ(transform(&right, 1), PF_Err_NONE);
        EXPECT_EQ(reds(dst), (Grid{{0, 1, 2}, {0, 11, 12}}));
        // Refused: worlds of another format or a description that no longer fits the memory
        // behind it, and what the host does not do, asked twice.
        PF_LayerDef widened = dst;
        widened.width = 100;
        EXPECT_EQ(std::pair(u.copy(in.effect_ref, &src, &deepDst, nullptr, nullptr),
                            u.copy(in.effect_ref, &src, &widened, nullptr, nullptr)),
                  std::pair(kBad, kBad));
        for (int round = 0; round < 2; ++round) {
            EXPECT_EQ((std::vector<PF_Err>{transfer(&add, nullptr), transfer(&half, nullptr),
                                           transfer(&copy, nullptr, &mask), transform(&scale, 1),
                                           transform(twice, 2)}),
                      std::vector<PF_Err>(5, kBad));
        }
        // Within one world, a copy one row down reads each row before it is overwritten.
        u.copy(in.effect_ref, &src, &src, &top, &lower);
        EXPECT_EQ(reds(src), (Grid{{1, 2, 3, 4}, {1, 2, 3, 4}, {11, 12, 13, 14}}));
        for (PF_LayerDef* w : {&src, &dst, &deepDst}) {
            u.dispose_world(in.effect_ref, w);
        }
    });
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(contains(err, "zel-render: transfer_rect: transfer mode 5 is not supported")) << err;
    EXPECT_TRUE(contains(err, "zel-render: transform_world: several matrices")) << err;
    EXPECT_EQ(std::ranges::count(err, '\n'), 7) << err;  // two refused copies, five told once
}

TEST(PersistentSettings, KeepEntriesForTheNextSessionOrLeaveTheFileAsItWas)
{
    const zel::test::ScratchDirectory dir("zel-settings");
    const fs::path file = dir.path() / "zel" / "preferences.ini";
    {
        PersistentSettings settings(file);
        // Entries that could not be read back as they were.
        const std::tuple<const char*, const char*, const char*> unfaithful[] = {
            {"s", "key=1", "v"}, {"s]", "k", "v"}, {"s", "k", "two\nlines"}, {"s", " k", "v"}};
        for (const auto& [section, key, value] : unfaithful) {
            EXPECT_FALSE(settings.set(section, key, value)) << key;
        }
        EXPECT_FALSE(fs::exists(file));
        EXPECT_TRUE(settings.set("Effects -- MP 6", "vo Zel", "0"));
        EXPECT_TRUE(settings.set("Effects -- MP 6", "other", "a = b"));
        EXPECT_TRUE(settings.set("Another", "k", "v"));
        EXPECT_TRUE(settings.erase("Another", "k"));
    }
    const std::string written = zel::test::readText(file);
    EXPECT_EQ(written, "# Settings that effects keep in zel-render, by section.\n"
                       "[Effects -- MP 6]\nother = a = b\nvo Zel = 0\n");
    // The temporary name, hidden and told apart by the process id, is taken by a directory.
    std::string temporary = ".preferences.ini.part";
    temporary += std::to_string(::getpid());
    fs::create_directory(file.parent_path() / temporary);
    PersistentSettings again(file);
    EXPECT_EQ(again.get("Effects -- MP 6", "other"), "a = b");
    EXPECT_FALSE(again.set("s", "k", "new"));
    EXPECT_EQ(zel::test::readText(file), written);
    fs::remove(file.parent_path() / temporary);

    // The suite the module sees, which cuts what does not fit and says how much there was.
    const AEGP_PersistentDataSuite3& suite = PersistentSettings::kSuite;
    AEGP_PersistentBlobH blob = nullptr;
    char buffer[4];
    uint32_t size = 0;
    ASSERT_EQ(suite.AEGP_GetApplicationBlob(&blob), PF_Err_NONE);
    EXPECT_EQ(suite.AEGP_GetString(blob, "Effects -- MP 6", "other", "default", 4, buffer, &size),
              PF_Err_NONE);
    EXPECT_EQ(std::pair(std::string(buffer), size), std::pair(std::string("a ="), 6u));
    suite.AEGP_GetString(blob, "Section", "Missing", "dflt", sizeof buffer, buffer, &size);
    EXPECT_STREQ(buffer, "dfl");
    EXPECT_EQ(suite.AEGP_SetString(blob, "Section", "bad=key", "v"), PF_Err_INVALID_ARGUMENT);
    EXPECT_EQ(suite.AEGP_DeleteEntry(blob, "Effects -- MP 6", "other"), PF_Err_NONE);
    EXPECT_EQ(again.get("Effects -- MP 6", "other"), std::nullopt);
}

}  // namespace
}  // namespace zelrender
