// zel-render run as a user runs it, against the real module.
#include <gtest/gtest.h>

#include <OpenImageIO/imagebufalgo.h>
#include <OpenImageIO/imageio.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "tests/apps/zel-render/zel_render_run.h"

namespace zelrender {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;  // keeps the keys in the order printed

const json& param(const json& list, const std::string& name)
{
    for (const json& p : list) {
        if (p["name"] == name) {
            return p;
        }
    }
    throw std::out_of_range("no parameter " + name);
}

TEST_F(ZelRender, ListsEveryParameterAsJsonAndNothingElseOnStdout)
{
    const Outcome r = run({"--list-params", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const json list = json::parse(r.out);  // throws if anything but JSON is on stdout
    ASSERT_EQ(list.size(), 114u);

    const std::vector<std::string> keys = {
        "index",      "name",    "type",      "id",      "flags",  "valid_min", "valid_max",
        "slider_min", "slider_max", "default", "precision", "choices", "enabled"};
    for (std::size_t i = 0; i < list.size(); ++i) {
        std::vector<std::string> present;
        for (const auto& [key, value] : list[i].items()) {
            present.push_back(key);
        }
        EXPECT_EQ(present, keys) << "parameter " << i + 1;
        EXPECT_EQ(list[i]["index"], i + 1);
        EXPECT_EQ(list[i]["name"].is_null(), list[i]["type"] == "group_end");
        if (list[i]["type"] == "color") {
            EXPECT_EQ(list[i]["default"], json({255, 255, 255, 255})) << list[i]["name"];
        }
    }
    EXPECT_EQ(list[0]["name"], "Geometry");
    EXPECT_EQ(list[0]["type"], "group_start");
    EXPECT_EQ(list[0]["id"], 1);
    EXPECT_EQ(list[113]["name"], "Memory Check");
    EXPECT_EQ(list[113]["choices"].size(), 12u);
    const json& frequency = param(list, "Frequency");
    EXPECT_EQ(frequency["default"], 800);
    EXPECT_EQ(frequency["slider_max"], 500);
    EXPECT_EQ(frequency["choices"], nullptr);
    EXPECT_EQ(param(list, "Position XY")["default"], json({50, 50}));

    // The module's own output went to the log.
    EXPECT_TRUE(contains(contents(log()), "global setup"));
}

TEST_F(ZelRender, TheModulesOutputGoesToStderrWhenAskedOrWhenThereIsNoLog)
{
    const Outcome verbose = run({"--list-params", "--json", "--verbose"});
    const Outcome noLog = run({"--list-params", "--json"}, "/proc/self/no-such-place");
    for (const Outcome& r : {verbose, noLog}) {
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(json::accept(r.out)) << r.out;
        EXPECT_TRUE(contains(r.err, "global setup")) << r.err;
    }
    EXPECT_TRUE(contains(noLog.err, "cannot open the module's log (/proc/self/no-such-place/zel/"));
    EXPECT_FALSE(fs::exists(log()));
}

TEST_F(ZelRender, ListsParametersAsATableNestedByGroup)
{
    const Outcome r = run({"--list-params"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "\n1      Geometry ")) << r.out;
    EXPECT_TRUE(contains(r.out, "\n7        Vertices X ")) << r.out;
    EXPECT_TRUE(contains(r.out, "\n17     (end of Geometry) ")) << r.out;
    EXPECT_TRUE(contains(r.out, "2 to 100000")) << r.out;
    EXPECT_TRUE(contains(r.out, "Fill|Wireframe|Points|Front Fill, Back Wire")) << r.out;
}

TEST_F(ZelRender, SetsValuesOrRefusesThemWithTheAcceptedRange)
{
    const Outcome ok = run({"--set", "Vertices X=1000", "--set", "Draw=Front Fill, Back Wire",
                            "--set", "Color=#FF8000", "--set", "Position XY=10,20", "--size",
                            "32x18"});
    EXPECT_EQ(ok.exitCode, 0) << ok.err;
    EXPECT_EQ(ok.out, "");
    EXPECT_EQ(ok.err, "zel-render: frame 0 written to zel.png\n");

    const Outcome refused = run({"--set", "Vertices X=0", "--list-params"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err,
              "zel-render: \"Vertices X\" takes a number from 2 to 100000; got \"0\"\n");
    EXPECT_EQ(refused.out, "");
}

TEST_F(ZelRender, ListsControlsTheModuleGreyedOutAsItLeftThemAfterSetUpAndAfterValues)
{
    const auto corner = [this](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(),
                         {"--plugin", ZEL_CONTROLS_MODULE_PATH, "--list-params", "--json"});
        const Outcome r = run(arguments);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return param(json::parse(r.out), "Corner")["enabled"];
    };
    EXPECT_EQ(corner({}), false);
    EXPECT_EQ(corner({"--set", "Shape=Square"}), true);
    const Outcome table = run({"--plugin", ZEL_CONTROLS_MODULE_PATH, "--list-params"});
    EXPECT_TRUE(contains(table.out, "\n2      Corner  float_slider  greyed ")) << table.out;
    EXPECT_TRUE(contains(table.out, "\n1      Shape   popup         enabled ")) << table.out;
}

TEST_F(ZelRender, HelpNamesTheOptionsAndUnknownOptionsAreRefused)
{
    const Outcome help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* option : {"SCENE.json", "--output", "--frames", "--size", "--bpc",
                               "--downsample", "--classic", "--plugin", "--set", "--list-params",
                               "--json", "--verbose"}) {
        EXPECT_TRUE(contains(help.out, option)) << option;
    }
    EXPECT_TRUE(contains(help.out, "Exit codes:\n  0  everything asked for was done\n  1  the "
                                   "command line, the scene file or an image it names was "
                                   "refused\n  2  "))
        << help.out;
    const Outcome unknown = run({"--frame", "3"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_TRUE(contains(unknown.err, "--frame")) << unknown.err;
}

TEST_F(ZelRender, AModuleThatCannotBeUsedExitsWithTwoNamingThePathAndTheReason)
{
    const fs::path notElf = dir_ / "not-a-module.so";
    std::ofstream(notElf) << "plain text\n";
    const std::pair<std::string, std::string> cases[] = {
        {"/nonexistent/zel.so", "No such file"},
        {notElf.string(), "cannot load module"},
        {ZEL_NO_ENTRY_MODULE_PATH, "has no EntryPointFunc"},
    };
    for (const auto& [path, reason] : cases) {
        const Outcome r = run({"--plugin", path, "--list-params"});
        EXPECT_EQ(r.exitCode, 2) << path;
        EXPECT_TRUE(contains(r.err, path)) << r.err;
        EXPECT_TRUE(contains(r.err, reason)) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

TEST_F(ZelRender, KeepsTheModulesPreferenceInTheUsersConfiguration)
{
    ASSERT_EQ(run({"--list-params"}).exitCode, 0);
    EXPECT_EQ(contents(preferences()),
              "# Settings that effects keep in zel-render, by section.\n"
              "[EffectsCompatability -- Effect MP Compatible 6]\n"
              "vo Zel = 0\n");
}

TEST_F(ZelRender, RendersTheDefaultSceneToZelPngAlikeBySmartAndClassicRender)
{
    const Outcome smart = run({"--size", "64x36"});
    const Outcome classic = run({"--size", "64x36", "--classic", "-o", "classic.png"});
    ASSERT_EQ(smart.exitCode, 0) << smart.err;
    ASSERT_EQ(classic.exitCode, 0) << classic.err;
    const Frame frame = readFrame(dir_ / "zel.png");
    EXPECT_EQ(std::tie(frame.width, frame.height), std::make_tuple(64, 36));
    EXPECT_EQ(frame.type, OIIO::TypeDesc::UINT8);
    // Something was drawn, and it is not the module's failure frame: opaque red all over.
    int drawn = 0;
    int red = 0;
    for (std::size_t i = 0; i < frame.rgba.size(); i += 4) {
        drawn += frame.rgba[i + 3] > 0 ? 1 : 0;
        red += frame.rgba[i] == 1 && frame.rgba[i + 1] == 0 && frame.rgba[i + 3] == 1 ? 1 : 0;
    }
    EXPECT_GT(drawn, 0);
    EXPECT_LT(red, 64 * 36);
    EXPECT_EQ(readFrame(dir_ / "classic.png").rgba, frame.rgba);

    const Outcome half = run({"--size", "64x36", "--downsample", "2", "-o", "half.png"});
    ASSERT_EQ(half.exitCode, 0) << half.err;
    const Frame halved = readFrame(dir_ / "half.png");
    EXPECT_EQ(std::tie(halved.width, halved.height), std::make_tuple(32, 18));
}

TEST_F(ZelRender, SuperAddIsOpaqueAtEveryDepthAndTheHostsWhiteFillsTheFilesRange)
{
    const struct {
        const char* bits;
        const char* file;
        OIIO::TypeDesc::BASETYPE type;
    } cases[] = {
        {"8", "a.png", OIIO::TypeDesc::UINT8},
        {"16", "b.png", OIIO::TypeDesc::UINT16},
        {"32", "c.exr", OIIO::TypeDesc::FLOAT},
        {"32", "d.tif", OIIO::TypeDesc::FLOAT},
    };
    for (const auto& c : cases) {
        const Outcome r =
            run({"--size", "64x36", "--bpc", c.bits, "--set", "Blend=Super Add", "-o", c.file});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        // No 16-bit channel went past the host's white, 32768, which the file shows as 65535.
        EXPECT_EQ(r.err, "zel-render: frame 0 written to " + std::string(c.file) + "\n");
        const Frame frame = readFrame(dir_ / c.file);
        EXPECT_EQ(frame.type, c.type) << c.file;
        int translucent = 0;
        float brightest = 0;
        for (std::size_t i = 0; i < frame.rgba.size(); i += 4) {
            translucent += frame.rgba[i + 3] != 1.0f ? 1 : 0;
            brightest = std::max({brightest, frame.rgba[i], frame.rgba[i + 1], frame.rgba[i + 2]});
        }
        EXPECT_EQ(translucent, 0) << c.file;
        EXPECT_GT(brightest, 0.0f) << c.file;
    }
}

TEST_F(ZelRender, ARangeWritesOneNumberedFilePerFrameAtItsTime)
{
    std::ofstream(dir_ / "scene.json") << R"({
        "composition": {"width": 48, "height": 27, "fps": 10},
        "camera": {"position": [24, -300, -500], "point_of_interest": [24, 13.5, 0], "zoom": 100},
        "lights": [{"type": "spot", "position": [0, 0, -50]}, {"type": "ambient"}],
        "controls": {"Shader": "Phong",
                     "Evolution": {"keyframes": [[0, 0], [1, 200]], "interpolation": "linear"}}
    })";
    const Outcome refused = run({"scene.json", "--frames", "1-3", "-o", "f.png"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err,
              "zel-render: frames 1-3 need a file each: put #### in the output file name, such "
              "as -o zel-####.png, and it becomes each frame's number; or write a video, such "
              "as -o zel.mp4\n");

    const Outcome ok = run({"scene.json", "--frames", "1-3", "-o", "f-####.png"});
    ASSERT_EQ(ok.exitCode, 0) << ok.err;
    EXPECT_EQ(timesHidden(ok.err),
              "zel-render: frame 1 written to f-0001.png\nzel-render: frame 2 written to "
              "f-0002.png\nzel-render: frame 3 written to f-0003.png\nzel-render: 3 frames "
              "written to f-####.png in T, T per frame\n");
    EXPECT_EQ(filesIn(dir_, ".png"),
              (std::set<std::string>{"f-0001.png", "f-0002.png", "f-0003.png"}));
    // The evolution moves between frames, so the module saw each frame's own time.
    EXPECT_NE(readFrame(dir_ / "f-0001.png").rgba, readFrame(dir_ / "f-0003.png").rgba);
}

TEST_F(ZelRender, AFrameTheModuleFailsEndsTheRunWithItsMessageAndNoFile)
{
    const Outcome r = run({"--size", "2000x2000", "--set", "Memory Check=256MB"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(contains(r.err, "zel-render: frame 0: SMART_RENDER failed with error 4: ZEL: Not "
                                "enough VRAM video memory on GPU\n(req: "))
        << r.err;
    EXPECT_EQ(filesIn(dir_, ".png"), std::set<std::string>{});
}

TEST_F(ZelRender, LayerImagesReachTheModuleAndAnUnreadableOneIsRefusedBeforeAnyFrame)
{
    OIIO::ImageBuf red(OIIO::ImageSpec(8, 8, 3, OIIO::TypeDesc::UINT8));
    const float colour[] = {1, 0, 0};
    ASSERT_TRUE(OIIO::ImageBufAlgo::fill(red, colour));
    ASSERT_TRUE(red.write((dir_ / "red.png").string()));
    std::ofstream(dir_ / "notes.txt") << "not an image\n";
    const auto scene = [this](const char* name, const char* image) {
        std::ofstream(dir_ / name)
            << R"({"composition": {"width": 64, "height": 36, "bits_per_channel": 16},
                   "layers": {"texture_layer": ")"
            << image << R"("}, "controls": {"Blend": "Off", "Amplitude": 0, "Shader": "Flat"}})";
        return (dir_ / name).string();
    };

    const Outcome ok = run({scene("red.json", "red.png"), "-o", "red-out.png"});
    ASSERT_EQ(ok.exitCode, 0) << ok.err;
    // The flat square in the middle shows the texture: 16-bit red in, full red out.
    const float* middle = readFrame(dir_ / "red-out.png").at(32, 18);
    EXPECT_EQ(std::vector<float>(middle, middle + 4), (std::vector<float>{1, 0, 0, 1}));

    const std::string notes = scene("notes.json", "notes.txt");
    const Outcome refused = run({notes, "-o", "notes-out.png"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err.rfind("zel-render: " + notes + ": layers.texture_layer: cannot read the "
                                "image " + (dir_ / "notes.txt").string() + ": ",
                                0),
              0u)
        << refused.err;
    EXPECT_FALSE(contains(refused.err, "written")) << refused.err;
    EXPECT_FALSE(fs::exists(dir_ / "notes-out.png"));
}

// A scene indented by four, with "Loop Y" already there: it stays in its place, and keyframes keep
// one line each.
constexpr const char* kLoopScene = R"({
    "composition": {
        "width": 64,
        "height": 36,
        "fps": 24,
        "duration": 3
    },
    "controls": {
        "Offset X": {
            "keyframes": [
                [0, 0],
                [2, 100]
            ]
        },
        "Scroll X": 10,
        "Loop Y": %s
    },
    "lights": []
}
)";

std::string loopScene(const std::string& loopY, const std::string& added = "")
{
    std::string text = kLoopScene;
    text.replace(text.find("%s"), 2, loopY + added);
    return text;
}

TEST_F(ZelRender, SetEndFrameWritesTheLoopValuesIntoTheSceneKeepingTheRest)
{
    const fs::path scene = dir_ / "scene.json";
    for (const auto& [time, loopX] : {std::pair{"2", "100"}, std::pair{"0", "0"}}) {
        std::ofstream(scene) << loopScene("7");
        const Outcome r = run({"scene.json", "--set-end-frame", time});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, std::string("Loop Evolution = 0\nLoop X = ") + loopX +
                             "\nLoop Y = 0\nLoop Z = 0\n");
        // Byte for byte: the same keys in the same order, the same indentation and last newline.
        EXPECT_EQ(contents(scene),
                  loopScene("0", std::string(",\n        \"Loop Evolution\": 0,\n        \"Loop X\": ") +
                                     loopX + ",\n        \"Loop Z\": 0"))
            << "at " << time;
        EXPECT_FALSE(fs::exists(dir_ / "zel.png"));
    }
}

TEST_F(ZelRender, SetEndFrameRefusesNoSceneATimeOutsideItAndAnUnwritableSceneLeftAsItWas)
{
    const Outcome noScene = run({"--set-end-frame", "2"});
    EXPECT_EQ(noScene.exitCode, 1);
    EXPECT_TRUE(contains(noScene.err, "--set-end-frame writes the loop values into a scene file"))
        << noScene.err;

    const fs::path scene = dir_ / "scene.json";
    const std::string original = loopScene("7");
    std::ofstream(scene) << original;
    const Outcome late = run({"scene.json", "--set-end-frame", "3.5"});
    EXPECT_EQ(late.exitCode, 1);
    EXPECT_TRUE(contains(late.err, "from 0 to 3, the composition's duration; got \"3.5\""))
        << late.err;

    // The temporary file cannot be made where a directory already has its name.
    fs::create_directories(dir_ / ".scene.json.new" / "taken");
    const Outcome unwritable = run({"scene.json", "--set-end-frame", "2"});
    EXPECT_EQ(unwritable.exitCode, 4);
    EXPECT_TRUE(contains(unwritable.err, "scene.json: cannot be written")) << unwritable.err;
    EXPECT_EQ(unwritable.out, "");
    EXPECT_EQ(contents(scene), original);
}

}  // namespace
}  // namespace zelrender
