// Scene files through the real binary: what a wrong one is told, a scene dumped and read back,
// and smooth keyframes rendered.
#include <gtest/gtest.h>

#include <OpenImageIO/imagebufalgo.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "apps/zel-render/composition.h"
#include "apps/zel-render/gpu_limits.h"
#include "tests/apps/zel-render/zel_render_run.h"

namespace zelrender {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

TEST_F(ZelRender, EachKindOfBadSceneIsRefusedWithOneMessageBeforeAnythingIsWritten)
{
    fs::create_directory(dir_ / "images");
    std::ofstream(dir_ / "notes.txt") << "not an image\n";
    const std::pair<std::string, std::string> cases[] = {
        {"{\n  \"composition\": {\"width\": 64,\n    \"height\": 36,}\n}",
         "scene.json:3:18: not JSON: syntax error while parsing object key - unexpected '}'; "
         "expected string literal"},
        {R"({"controls": {"Evolution": 1e999}})",
         "scene.json:1:32: not JSON: number overflow parsing '1e999'"},
        {R"({"composition": {"widht": 64}})",
         "scene.json: composition.widht is not a key here; did you mean \"width\"?"},
        {R"({"controls": {"Vertice X": 3}})",
         "scene.json: controls.\"Vertice X\": no such control; did you mean \"Vertices X\"?"},
        {R"({"controls": {"Amplitude": 1, "Amplitude": 2}})",
         "scene.json: controls.\"Amplitude\" is given twice; each key goes once in its object"},
        {R"({"controls": {"Vertices X": true}})",
         "scene.json: controls.\"Vertices X\" takes a number; got true"},
        {R"({"controls": {"Vertices X": 1}})",
         "scene.json: controls.\"Vertices X\": \"Vertices X\" takes a number from 2 to 100000; "
         "got \"1\""},
        {R"({"controls": {"Draw": [1]}})",
         "scene.json: controls.\"Draw\" takes a choice's text or number; got [1]"},
        {R"({"controls": {"Rotate X": {"keyframes": [[0, 0], [2, 90], [1, 45]]}}})",
         "scene.json: controls.\"Rotate X\".keyframes[2] is at 1 s, not after keyframes[1] at "
         "2 s; keyframes go in order of time"},
        {R"({"composition": {"fps": 0}})",
         "scene.json: composition.fps takes a number from 0.01 to 1000; got 0"},
        {R"({"lights": [{"type": "ambient", "duration": -1}]})",
         "scene.json: lights[0].duration takes a number from 0 to 89478485; got -1"},
        {R"({"camera": {"position": "0,0,0"}})",
         "scene.json: camera.position takes a point [x, y, z] in pixels; got \"0,0,0\""},
        {R"({"layers": {"texture_layer": "missing.png"}})",
         "scene.json: layers.texture_layer: cannot read the image missing.png: No such file or "
         "directory"},
        {R"({"layers": {"amplitude_layer": "images"}})",
         "scene.json: layers.amplitude_layer: cannot read the image images: it is a directory"},
    };
    for (const auto& [text, message] : cases) {
        std::ofstream(dir_ / "scene.json") << text;
        const Outcome r = run({"scene.json", "--size", "64x36", "-o", "out.png"});
        EXPECT_EQ(r.exitCode, 1) << text;
        EXPECT_EQ(r.err, "zel-render: " + message + "\n") << text;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(filesIn(dir_, ".png"), std::set<std::string>{}) << text;
    }

    // OpenImageIO words its own reasons; the message names the scene, the place and the file.
    std::ofstream(dir_ / "scene.json") << R"({"layers": {"texture_layer": "notes.txt"}})";
    const Outcome notImage = run({"scene.json", "--dump-scene"});
    EXPECT_EQ(notImage.exitCode, 1);
    EXPECT_TRUE(notImage.err.starts_with(
        "zel-render: scene.json: layers.texture_layer: cannot read the image notes.txt: "))
        << notImage.err;
    EXPECT_EQ(std::count(notImage.err.begin(), notImage.err.end(), '\n'), 1) << notImage.err;
    EXPECT_EQ(notImage.out, "");

    const std::pair<std::vector<std::string>, std::string> commandLines[] = {
        {{"missing.json"},
         "missing.json: cannot be opened as a scene file (No such file or directory)"},
        {{"images"}, "images: cannot be opened as a scene file (it is a directory)"},
        // --set takes constants only.
        {{"--set", R"(Rotate X={"keyframes": [[0, 0], [1, 90]]})"},
         R"("Rotate X" takes a number from -100000 to 100000; got )"
         R"("{\"keyframes\": [[0, 0], [1, 90]]}")"},
    };
    for (const auto& [arguments, message] : commandLines) {
        const Outcome r = run(arguments);
        EXPECT_EQ(r.exitCode, 1) << arguments[0];
        EXPECT_EQ(r.err, "zel-render: " + message + "\n");
        EXPECT_EQ(filesIn(dir_, ".png"), std::set<std::string>{});
    }
}

// Sizes zel-render itself refuses are tested with --size; this is the driver's own limit, asked of
// the machine the test runs on.
TEST_F(ZelRender, AFrameLargerThanTheDriverDrawsIsRefusedBeforeAnythingRenders)
{
    const std::optional<int> largest = largestTextureSide();
    ASSERT_TRUE(largest.has_value()) << "no OpenGL context could be made";
    if (*largest >= kMaxLayerSide) {
        // Every size zel-render takes fits this driver.
        const Outcome r = run({"--size", std::to_string(kMaxLayerSide) + "x2", "-o", "big.png"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return;
    }
    const std::string side = std::to_string(*largest);
    const std::string wide = std::to_string(*largest + 1);
    const std::string limit = "is larger than this machine's OpenGL driver draws, at most " +
                              side + " x " + side + "; choose a smaller size, or render at 1/N " +
                              "of it with --downsample N\n";
    const Outcome bySize = run({"--size", wide + "x8", "-o", "big.png"});
    EXPECT_EQ(bySize.exitCode, 1);
    EXPECT_EQ(bySize.err, "zel-render: --size " + wide + "x8: a frame of " + wide + " x 8 pixels " +
                              limit);

    std::ofstream(dir_ / "scene.json")
        << R"({"composition": {"width": 8, "height": )" + wide + "}}";
    const Outcome byScene = run({"scene.json", "-o", "big.png"});
    EXPECT_EQ(byScene.exitCode, 1);
    EXPECT_EQ(byScene.err, "zel-render: scene.json: composition: a frame of 8 x " + wide +
                               " pixels " + limit);
    EXPECT_EQ(filesIn(dir_, ".png"), std::set<std::string>{});

    // At half resolution the frame is within reach.
    const Outcome half = run({"scene.json", "--downsample", "2", "-o", "half.png"});
    EXPECT_EQ(half.exitCode, 0) << half.err;
    EXPECT_EQ(filesIn(dir_, ".png"), std::set<std::string>{"half.png"});
}

// Every control that holds a value: sliders, pop-ups, colours and points.
std::set<std::string> valueControls(const Json& list)
{
    std::set<std::string> names;
    for (const Json& p : list) {
        const std::string type = p["type"];
        if (type == "float_slider" || type == "popup" || type == "color" || type == "point") {
            names.insert(p["name"].get<std::string>());
        }
    }
    return names;
}

TEST_F(ZelRender, TheDefaultSceneDumpedReadsBackToItselfAndRendersTheSame)
{
    const Outcome dumped = run({"--size", "64x36", "--dump-scene"});
    ASSERT_EQ(dumped.exitCode, 0) << dumped.err;
    std::ofstream(dir_ / "a.json") << dumped.out;
    const Outcome again = run({"a.json", "--dump-scene"});
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(again.out, dumped.out);
    // Laid out to be edited: a point on one line.
    EXPECT_TRUE(dumped.out.find("\n    \"Position XY\": [32, 18],\n") != std::string::npos)
        << dumped.out;

    const Json scene = Json::parse(dumped.out);
    EXPECT_EQ(scene["composition"], Json::parse(R"({"width": 64, "height": 36, "pixel_aspect": 1,
                                                    "fps": 24, "duration": 10,
                                                    "bits_per_channel": 8})"));
    EXPECT_EQ(scene["camera"]["point_of_interest"], Json::parse("[32, 18, 0]"));
    EXPECT_EQ(scene["lights"], Json::array());
    EXPECT_EQ(scene["layers"], Json::object());
    const Outcome list = run({"--list-params", "--json"});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    std::set<std::string> dumpedNames;
    for (const auto& [name, value] : scene["controls"].items()) {
        dumpedNames.insert(name);
    }
    EXPECT_EQ(dumpedNames, valueControls(Json::parse(list.out)));
    EXPECT_EQ(scene["controls"]["Frequency"], 800);
    EXPECT_EQ(scene["controls"]["Blend"], "Add");
    EXPECT_EQ(scene["controls"]["Color"], "#FFFFFF");
    EXPECT_EQ(scene["controls"]["Position XY"], Json::parse("[32, 18]"));

    const Outcome original = run({"--size", "64x36", "-o", "original.png"});
    const Outcome read = run({"a.json", "-o", "read.png"});
    ASSERT_EQ(original.exitCode, 0) << original.err;
    ASSERT_EQ(read.exitCode, 0) << read.err;
    EXPECT_EQ(contents(dir_ / "read.png"), contents(dir_ / "original.png"));

    const Outcome both = run({"--dump-scene", "--list-params"});
    EXPECT_EQ(both.exitCode, 1);
    EXPECT_TRUE(contains(both.err, "--list-params excludes --dump-scene")) << both.err;
    EXPECT_TRUE(contains(run({"--help"}).out, "--dump-scene"));
}

TEST_F(ZelRender, AnAnimatedSceneDumpedReadsBackToItselfAndRendersTheSame)
{
    OIIO::ImageBuf ramp(OIIO::ImageSpec(8, 8, 3, OIIO::TypeDesc::UINT8));
    const float top[] = {1, 0.5, 0};
    const float bottom[] = {0, 0.2, 1};
    ASSERT_TRUE(OIIO::ImageBufAlgo::fill(ramp, top, top, bottom, bottom));
    fs::create_directory(dir_ / "scenes");
    ASSERT_TRUE(ramp.write((dir_ / "scenes" / "ramp.png").string()));
    // A camera with only a zoom, lights partly given, smooth, hold and linear keyframes, a colour
    // that 8 bits do not hold and a layer image beside the scene.
    std::ofstream(dir_ / "scenes" / "scene.json") << R"({
        "composition": {"width": 64, "height": 36, "fps": 29.97, "duration": 2},
        "camera": {"zoom": {"keyframes": [[0, 80], [0.5, 120], [2, 90]],
                            "interpolation": "smooth"}},
        "lights": [{"type": "spot", "color": [1, 0.9, 0.7],
                    "intensity": {"keyframes": [[0, 50], [1, 150]], "interpolation": "hold"}},
                   {"type": "ambient", "color": [0.2, 0.2, 0.3], "in_point": 0.5}],
        "layers": {"texture_layer": "ramp.png"},
        "controls": {"Shader": "Phong", "Color": [1, 0.5, 0.25],
                     "Rotate X": {"keyframes": [[0, 0], [0.4, 30], [1.5, 90], [2, 100]],
                                  "interpolation": "smooth"},
                     "Position XY": {"keyframes": [[0, [10, 10]], [1, [50, 20]], [2, [30, 30]]],
                                     "interpolation": "smooth"},
                     "Evolution": {"keyframes": [[0, 0], [2, 50]]}}
    })";
    const Outcome dumped = run({"scenes/scene.json", "--set", "Amplitude=70", "--dump-scene"});
    ASSERT_EQ(dumped.exitCode, 0) << dumped.err;
    std::ofstream(dir_ / "dumped.json") << dumped.out;
    const Outcome again = run({"dumped.json", "--dump-scene"});
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(again.out, dumped.out);

    const Json scene = Json::parse(dumped.out);
    EXPECT_EQ(scene["layers"]["texture_layer"], (dir_ / "scenes" / "ramp.png").string());
    EXPECT_EQ(scene["camera"]["position"]["keyframes"][1], Json::parse("[0.5, [32, 18, -120]]"));
    EXPECT_EQ(scene["controls"]["Amplitude"], 70);
    EXPECT_EQ(scene["controls"]["Rotate X"]["interpolation"], "smooth");
    EXPECT_EQ(scene["controls"]["Evolution"]["interpolation"], "linear");
    EXPECT_EQ(scene["controls"]["Color"], Json::parse("[1, 0.5, 0.25]"));

    // Frames 13 and 40, at 0.43 and 1.33 s: inside the curves, past the hold and the ambient
    // light's in point.
    for (const std::string frame : {"13", "40"}) {
        const Outcome original = run({"scenes/scene.json", "--set", "Amplitude=70", "--frames",
                                      frame, "-o", "original.png"});
        const Outcome read = run({"dumped.json", "--frames", frame, "-o", "read.png"});
        ASSERT_EQ(original.exitCode, 0) << original.err;
        ASSERT_EQ(read.exitCode, 0) << read.err;
        EXPECT_EQ(contents(dir_ / "read.png"), contents(dir_ / "original.png")) << frame;
    }
}

TEST_F(ZelRender, SmoothKeyframesPassThroughTheirValuesAndEaseBetween)
{
    // Rotate X from 0 to 90 over 1 s, at 4 fps: a smooth curve meets the straight line at 0 s
    // and, by symmetry, halfway at 0.5 s, but lags it at 0.25 s, easing in.
    for (const char* interpolation : {"linear", "smooth"}) {
        std::ofstream(dir_ / (std::string(interpolation) + ".json"))
            << R"({"composition": {"width": 48, "height": 27, "fps": 4},
                   "controls": {"Rotate X": {"keyframes": [[0, 0], [1, 90]],
                                             "interpolation": ")"
            << interpolation << R"("}}})";
        const Outcome r = run({std::string(interpolation) + ".json", "--frames", "0-2", "-o",
                               std::string(interpolation) + "-#.png"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }
    EXPECT_EQ(contents(dir_ / "smooth-0.png"), contents(dir_ / "linear-0.png"));
    EXPECT_NE(readFrame(dir_ / "smooth-1.png").rgba, readFrame(dir_ / "linear-1.png").rgba);
    EXPECT_EQ(contents(dir_ / "smooth-2.png"), contents(dir_ / "linear-2.png"));
}

}  // namespace
}  // namespace zelrender
