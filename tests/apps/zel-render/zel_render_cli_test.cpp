// zel-render run as a user runs it, against the real module: what each command line ends with,
// what it says and the files it leaves.
#include <gtest/gtest.h>

#include <OpenImageIO/imagebufalgo.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "host/composition.h"
#include "host/control_descriptions.h"
#include "apps/zel-render/gpu_limits.h"
#include "tests/apps/zel-render/zel_render_run.h"

namespace zelrender {
namespace {

using Json = nlohmann::ordered_json;

// The rows of runs.json: a command line and how it ends, with what stderr starts with (times
// hidden) and how many lines it has, what stdout and the log hold, the files the run adds to its
// directory ("zel": the log and settings, once the module ran), and why the row is there where
// that is not plain. The test modules' paths stand in it as $NO_ENTRY_MODULE and $CONTROLS_MODULE.
// A row's "shell" script runs zel-render, as "$0" "$@", where it needs what only a shell sets up.
std::string withPaths(std::string text)
{
    for (const auto& [name, path] : {std::pair{"$NO_ENTRY_MODULE", ZEL_NO_ENTRY_MODULE_PATH},
                                     std::pair{"$CONTROLS_MODULE", ZEL_CONTROLS_MODULE_PATH}}) {
        for (std::size_t at; (at = text.find(name)) != std::string::npos;) {
            text.replace(at, std::string_view(name).size(), path);
        }
    }
    return text;
}

// The row's scene.json: as written there, or by default 48 x 27 at 10 fps for 10 s, its
// evolution moving so that every frame differs.
std::string sceneOf(const Json& row)
{
    const Json scene = row.value("scene", Json::parse(R"({
        "composition": {"width": 48, "height": 27, "fps": 10},
        "controls": {"Evolution": {"keyframes": [[0, 0], [2, 400]]}}})"));
    return scene.is_string() ? scene.get<std::string>() : scene.dump(2);
}

// Each run has these beside it: a scene, images (two cut short where their pixels lie, and the
// row's "files", each written from its bytes in hex), things in the way of outputs (a directory
// where a rewritten scene's temporary file would go among them), and two programs called ffmpeg
// that fail, one after taking every frame and writing part of the file, one at once.
class Runs : public ZelRender, public ::testing::WithParamInterface<Json> {
protected:
    Runs()
    {
        writeText(dir_ / "scene.json", sceneOf(GetParam()));
        OIIO::ImageBuf texture(OIIO::ImageSpec(16, 16, 3, OIIO::TypeDesc::HALF));
        texture.write((dir_ / "texture.exr").string());
        OIIO::ImageBuf noise(OIIO::ImageSpec(64, 64, 3, OIIO::TypeDesc::UINT8));
        OIIO::ImageBufAlgo::noise(noise, "uniform");
        for (const char* name : {"cut.png", "cut.jpg"}) {
            noise.write((dir_ / name).string());
            fs::resize_file(dir_ / name, fs::file_size(dir_ / name) * 3 / 4);
        }
        const auto files = GetParam().value("files", std::map<std::string, std::string>{});
        for (const auto& [name, hex] : files) {
            std::string bytes;
            for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
                bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
            }
            writeText(dir_ / name, bytes);
        }
        writeText(dir_ / "notes.txt", "not an image\n");
        writeText(dir_ / "not-a-module.so", "plain text\n");
        writeText(dir_ / "plain", "a file\n");
        for (const char* directory : {"images", "taken.png", "blocked-0002.png", "late", "early",
                                      ".scene.json.new/taken"}) {
            fs::create_directories(dir_ / directory);
        }
        encoder("late", "/bin/cat >/dev/null\nfor last; do :; done\necho partial > \"${last#file:}\"\n"
                        "echo 'first line' >&2\necho 'cannot encode: out of luck' >&2\nexit 1\n");
        encoder("early", "echo 'no input wanted' >&2\nexit 3\n");
    }

    void encoder(const char* directory, const std::string& script) const
    {
        writeText(dir_ / directory / "ffmpeg", "#!/bin/sh\n" + script);
        fs::permissions(dir_ / directory / "ffmpeg", fs::perms::owner_all);
    }
};

TEST_P(Runs, EndWithTheirCodeMessageAndFiles)
{
    const Json& row = GetParam();
    std::vector<std::string> arguments;
    for (const Json& argument : row["arguments"]) {
        arguments.push_back(withPaths(argument.get<std::string>()));
    }
    zel::test::EnvironmentChanges environment;
    for (const auto& [name, value] : row.value("environment", std::map<std::string, std::string>{})) {
        environment.emplace_back(name, value);
    }
    const std::set<std::string> before = filesIn(dir_);
    std::vector<std::string> line = command(arguments);
    if (row.contains("shell")) {
        line.insert(line.begin(), {"/bin/sh", "-c", row["shell"]});
    }
    const Finished r = zel::test::runProgram(line, std::chrono::minutes(2), options(environment));
    EXPECT_EQ(r.exitCode, row["exit"].get<int>()) << r.err << row.value("why", "");
    const std::string expected = withPaths(row["err"]);
    const std::string err = timesHidden(r.err);
    EXPECT_TRUE(err.starts_with(expected)) << err;
    EXPECT_EQ(lines(err), lines(expected)) << err;
    const auto out = row.value("out", std::vector<std::string>{});
    for (const std::string& part : out) {
        EXPECT_TRUE(contains(r.out, part)) << part << "\nnot in\n" << r.out;
    }
    EXPECT_TRUE(!out.empty() || r.out.empty()) << r.out;
    for (const std::string& part : row.value("log", std::vector<std::string>{})) {
        EXPECT_TRUE(contains(readText(log()), part)) << part;
    }
    std::set<std::string> made;
    std::ranges::set_difference(filesIn(dir_), before, std::inserter(made, made.end()));
    EXPECT_EQ(made, row.value("made", std::set<std::string>{}));
    EXPECT_EQ(readText(dir_ / "scene.json"), sceneOf(row));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Runs, ::testing::ValuesIn(Json::parse(readText(ZEL_RENDER_RUNS)).get<std::vector<Json>>()),
    [](const ::testing::TestParamInfo<Json>& row) { return row.param["name"].get<std::string>(); });

TEST_F(ZelRender, ListsControlsAsJsonAloneOnStdoutTheModulesOwnOutputGoingToTheLog)
{
    const Finished r = run({"--list-params", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Json list = Json::parse(r.out);  // throws if anything but JSON is on stdout
    ASSERT_EQ(list.size(), 114u);
    // Whole entries, the keys in their order, the description the table's.
    const auto entry = [](const char* text) {
        Json expected = Json::parse(text);
        expected["description"] = controlDescription(expected["name"].get<std::string>());
        return expected;
    };
    EXPECT_EQ(list[1], entry(R"({"index": 2, "name": "Position XY", "description": "",
        "type": "point", "id": 2, "flags": 0, "valid_min": null, "valid_max": null,
        "slider_min": null, "slider_max": null, "default": [50, 50], "precision": null,
        "choices": null, "enabled": true})"));
    EXPECT_EQ(list[20], entry(R"({"index": 21, "name": "Frequency", "description": "",
        "type": "float_slider", "id": 14, "flags": 32, "valid_min": 0, "valid_max": 5000,
        "slider_min": 0, "slider_max": 500, "default": 800, "precision": 2, "choices": null,
        "enabled": true})"));
    EXPECT_EQ(list[76]["default"], Json::parse("[255, 255, 255, 255]"));
    EXPECT_EQ(list[113]["choices"].size(), 12u);
    EXPECT_TRUE(list[16]["name"].is_null());  // the end of a group
    // Every control is described, and no description names a control the module lacks.
    std::set<std::string> controls;
    for (const Json& param : list) {
        if (param["type"] != "group_start" && param["type"] != "group_end") {
            controls.insert(param["name"].get<std::string>());
        } else {
            EXPECT_TRUE(param["description"].is_null()) << param;  // "Shader" is both
        }
    }
    std::set<std::string> described;
    for (const ControlDescription& row : controlDescriptions()) {
        EXPECT_FALSE(row.text.empty()) << row.name;
        described.emplace(row.name);
    }
    EXPECT_EQ(described, controls);
    EXPECT_EQ(controlDescriptions().size(), controls.size());  // none twice
    EXPECT_TRUE(contains(readText(log()), "global setup"));
    EXPECT_EQ(readText(dir_ / "zel" / "preferences.ini"),
              "# Settings that effects keep in zel-render, by section.\n"
              "[EffectsCompatability -- Effect MP Compatible 6]\nvo Zel = 0\n");

    // With --verbose, or when the log cannot be opened, it goes to stderr.
    fs::remove_all(dir_ / "zel");
    const Finished verbose = run({"--list-params", "--json", "--verbose"});
    const Finished noLog = run({"--list-params", "--json"}, {{"XDG_STATE_HOME", "/proc/self/x"}});
    for (const Finished& other : {verbose, noLog}) {
        EXPECT_EQ(other.out, r.out);
        EXPECT_TRUE(contains(other.err, "global setup")) << other.err;
    }
    EXPECT_TRUE(contains(noLog.err, "cannot open the module's log (/proc/self/x/zel/")) << noLog.err;
    EXPECT_FALSE(fs::exists(log()));

    // Listing reads and writes no image: the image library (some 250 shared objects) is not
    // loaded, as the loader's own trace shows.
    const Finished traced = run({"--list-params"}, {{"LD_DEBUG", "files"}});
    EXPECT_TRUE(contains(traced.err, "zel.so")) << traced.err;
    for (const char* library : {"libOpenImageIO", "libzel_images"}) {
        EXPECT_FALSE(contains(traced.err, library)) << library;
    }
}

TEST_F(ZelRender, WritesFramesAtTheirDepthTheSameBySmartAndClassicRender)
{
    const std::pair<std::vector<std::string>, std::string> runs[] = {
        {{}, "smart.png"}, {{"--classic"}, "classic.png"}, {{"--bpc", "32"}, "float.tif"},
        {{"--bpc", "16", "--set", "Blend=Super Add"}, "add.png"}};
    for (const auto& [arguments, file] : runs) {
        std::vector<std::string> all = {"--size", "64x36", "-o", file};
        all.insert(all.end(), arguments.begin(), arguments.end());
        ASSERT_EQ(run(all).exitCode, 0) << file;
    }
    // Drawn, and not the module's failure frame, opaque red all over.
    const Frame smart = readFrame(dir_ / "smart.png");
    EXPECT_GT(std::ranges::max(smart.channel(1)), 0);
    EXPECT_EQ(readFrame(dir_ / "classic.png").rgba, smart.rgba);
    EXPECT_EQ(readFrame(dir_ / "float.tif").type, OIIO::TypeDesc::FLOAT);
    // Super Add leaves every pixel opaque: the host's 16-bit white, 32768, is the file's 65535.
    const Frame added = readFrame(dir_ / "add.png");
    EXPECT_EQ(added.type, OIIO::TypeDesc::UINT16);
    EXPECT_EQ(std::ranges::min(added.channel(3)), 1);
}

// The pixel at x, y in 8-bit steps.
std::vector<int> bytesAt(const Frame& frame, int x, int y)
{
    std::vector<int> bytes;
    for (int c = 0; c < 4; ++c) {
        bytes.push_back(static_cast<int>(std::lround(frame.channel(c)[y * frame.width + x] * 255)));
    }
    return bytes;
}

// A flat rectangle of #FF8000 at "Opacity" 50 has alpha 64/255. Each format holds alpha as it
// declares it, so oiiotool --over, reading each by its own convention, puts the frame over blue
// exactly as --background does; formats without alpha show the frame over black, or over the
// background given.
TEST_F(ZelRender, FilesHoldAlphaAsTheirFormatDeclaresAndComposite)
{
    const auto render = [&](const std::string& file, const std::vector<std::string>& more) {
        std::vector<std::string> all = {"--size", "64x36", "-o", file};
        for (const char* setting : {"Amplitude=0", "Shader=Flat", "Blend=Normal", "Size X=40",
                                    "Size Y=20", "Opacity=50", "Color=#FF8000", "Multisample=0"}) {
            all.insert(all.end(), {"--set", setting});
        }
        all.insert(all.end(), more.begin(), more.end());
        const Finished r = run(all);
        EXPECT_EQ(r.exitCode, 0) << file << r.err;
        return readFrame(dir_ / file);
    };
    const Frame blue = render("blue.png", {"--background", "#0000FF"});
    EXPECT_EQ(bytesAt(blue, 32, 18), (std::vector<int>{64, 32, 191, 255}));
    EXPECT_EQ(bytesAt(blue, 0, 0), (std::vector<int>{0, 0, 255, 255}));
    const std::pair<const char*, std::vector<std::string>> held[] = {
        {"f.png", {}}, {"f16.png", {"--bpc", "16"}}, {"f.tif", {}},
        {"f32.tif", {"--bpc", "32"}}, {"f.exr", {}}};
    for (const auto& [file, more] : held) {
        render(file, more);
        const Finished over = zel::test::runProgram(
            {ZEL_OIIOTOOL, (dir_ / file).string(), "--pattern", "constant:color=0,0,1,1", "64x36",
             "4", "--over", "-d", "uint8", "-o", (dir_ / "over.png").string()});
        ASSERT_EQ(over.exitCode, 0) << over.err;
        EXPECT_EQ(readFrame(dir_ / "over.png").rgba, blue.rgba) << file;
    }
    // OpenImageIO 2.4 reads WebP's straight colour multiplied by alpha, always.
    EXPECT_EQ(bytesAt(render("f.webp", {}), 32, 18), (std::vector<int>{64, 32, 0, 64}));
    // Lossy: within a few steps.
    const std::pair<std::string, std::vector<int>> flattened[] = {
        {"f.jpg", {64, 32, 0}}, {"f.gif", {64, 32, 191}}};
    for (const auto& [file, expected] : flattened) {
        const Frame frame = render(file, file == "f.gif" ? std::vector<std::string>{
                                                               "--background", "#0000FF"}
                                                         : std::vector<std::string>{});
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(bytesAt(frame, 32, 18)[c], expected[c], 3) << file << " channel " << c;
        }
    }
}

// scenes/animated.json has a camera with only a zoom, lights partly given, smooth, hold and
// linear keyframes, a colour that 8 bits do not hold, a layer image beside it and a background.
TEST_F(ZelRender, ADumpedSceneReadsBackToItselfAndRendersTheSame)
{
    fs::create_directory(dir_ / "scenes");
    fs::copy(ZEL_RENDER_TEST_SCENES "/animated.json", dir_ / "scenes" / "scene.json");
    fs::copy(ZEL_E2E_SCENES_DIR "/ramp.png", dir_ / "scenes" / "ramp.png");
    const Finished dumped = run({"scenes/scene.json", "--set", "Amplitude=70", "--dump-scene"});
    ASSERT_EQ(dumped.exitCode, 0) << dumped.err;
    writeText(dir_ / "dumped.json", dumped.out);
    EXPECT_EQ(run({"dumped.json", "--dump-scene"}).out, dumped.out);
    // Laid out to be edited: a colour or a keyframe of a number on one line.
    EXPECT_TRUE(contains(dumped.out, "\n    \"Color\": [1, 0.5, 0.25],\n")) << dumped.out;
    EXPECT_TRUE(contains(dumped.out, "\n        [0.4, 30],\n")) << dumped.out;
    const Json scene = Json::parse(dumped.out);
    EXPECT_EQ(scene["layers"]["texture_layer"], (dir_ / "scenes" / "ramp.png").string());
    EXPECT_EQ(scene["camera"]["zoom"]["keyframes"][1], Json::parse("[0.5, 120]"));
    EXPECT_FALSE(scene["camera"].contains("position"));  // it follows the zoom and the size
    // Frames 13 and 40, at 0.43 and 1.33 s: inside the curves, past the hold and the ambient
    // light's in point.
    for (const std::string frame : {"13", "40"}) {
        const Finished original = run({"scenes/scene.json", "--set", "Amplitude=70", "--frames",
                                       frame, "-o", "original.png"});
        const Finished read = run({"dumped.json", "--frames", frame, "-o", "read.png"});
        ASSERT_EQ(original.exitCode + read.exitCode, 0) << original.err << read.err;
        EXPECT_EQ(readText(dir_ / "read.png"), readText(dir_ / "original.png")) << frame;
    }
}

// scenes/loop_ended.json is scenes/loop.json, indented by four, after --set-end-frame 2: "Loop Y"
// stays in its place and the other values follow; every other byte is as it was.
TEST_F(ZelRender, SetEndFrameWritesTheLoopValuesIntoTheSceneKeepingTheRest)
{
    // A bare number is seconds; 1s and 24f are the same time at 24 fps.
    for (const auto& [time, loopX] : {std::pair{"0", "0"}, std::pair{"1s", "50"},
                                      std::pair{"24f", "50"}, std::pair{"2", "100"}}) {
        fs::copy(ZEL_RENDER_TEST_SCENES "/loop.json", dir_ / "scene.json",
                 fs::copy_options::overwrite_existing);
        const Finished r = run({"scene.json", "--set-end-frame", time});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, std::string("Loop Evolution = 0\nLoop X = ") + loopX +
                             "\nLoop Y = 0\nLoop Z = 0\n");
    }
    EXPECT_EQ(readText(dir_ / "scene.json"), readText(ZEL_RENDER_TEST_SCENES "/loop_ended.json"));
    EXPECT_EQ(filesIn(dir_), (std::set<std::string>{"scene.json", "zel"}));
}

// Sizes zel-render itself refuses are rows above; this is the driver's own limit, asked of the
// machine the test runs on.
TEST_F(ZelRender, AFrameLargerThanTheDriverDrawsIsRefusedBeforeAnythingRenders)
{
    const std::optional<int> largest = largestTextureSide();
    ASSERT_TRUE(largest.has_value()) << "no OpenGL context could be made";
    if (*largest >= kMaxLayerSide) {  // every size zel-render takes fits this driver
        EXPECT_EQ(run({"--size", std::to_string(kMaxLayerSide) + "x2"}).exitCode, 0);
        return;
    }
    const std::string side = std::to_string(*largest);
    const std::string wide = std::to_string(*largest + 1);
    const std::string limit = " pixels is larger than this machine's OpenGL driver draws, at most " +
                              side + " x " + side + "; choose a smaller size, or render at 1/N " +
                              "of it with --downsample N\n";
    const Finished bySize = run({"--size", wide + "x8"});
    EXPECT_EQ(bySize.exitCode, 1);
    EXPECT_EQ(bySize.err, "zel-render: --size " + wide + "x8: a frame of " + wide + " x 8" + limit);
    writeText(dir_ / "scene.json", R"({"composition": {"width": 8, "height": )" + wide + "}}");
    const Finished byScene = run({"scene.json"});
    EXPECT_EQ(byScene.exitCode, 1);
    EXPECT_EQ(byScene.err, "zel-render: scene.json: composition: a frame of 8 x " + wide + limit);
    EXPECT_EQ(filesIn(dir_), (std::set<std::string>{"scene.json"}));
    // At half resolution the frame is within reach.
    EXPECT_EQ(run({"scene.json", "--downsample", "2"}).exitCode, 0);
    EXPECT_TRUE(fs::exists(dir_ / "zel.png"));
    // So is a layer image, one pixel wide, which the module would fail to make a texture of.
    OIIO::ImageBuf tall(OIIO::ImageSpec(1, *largest + 1, 1, OIIO::TypeDesc::UINT8));
    ASSERT_TRUE(tall.write((dir_ / "tall.png").string()));
    writeText(dir_ / "scene.json", R"({"layers": {"texture_layer": "tall.png"}})");
    const Finished byLayer = run({"scene.json", "--size", "8x8"});
    EXPECT_EQ(byLayer.exitCode, 1);
    EXPECT_EQ(byLayer.err, "zel-render: scene.json: the image of \"Texture Layer\": the layer "
                           "tall.png of 1 x " + wide + limit.substr(0, limit.find("; ")) +
                               "; make the image smaller, or render at 1/N of it with "
                               "--downsample N\n");
}

// Under a private X server, looked at with xdotool and ImageMagick's import: the frames show in
// ffplay's window, which plays them until it is closed, and nothing is written.
TEST_F(ZelRender, PreviewShowsTheFramesInAWindowUntilItIsClosed)
{
    const zel::test::XServer x;
    const auto options = this->options({{"DISPLAY", x.display()}});
    zel::test::ChildProcess preview(
        command({"--preview", "--size", "160x90", "--frames", "0-4", "-q"}), options);
    const auto tool = [&](const std::vector<std::string>& line) {
        return zel::test::runProgram(line, std::chrono::seconds(10), options);
    };
    std::string window;
    float brightest = 0;
    for (int tries = 0; tries < 200 && brightest == 0; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const std::string found =
            tool({"xdotool", "search", "--onlyvisible", "--name", "zel-render preview"}).out;
        window = found.substr(0, found.find('\n'));
        if (!window.empty() && tool({"import", "-window", window, "PNG24:shot.png"}).exitCode == 0) {
            brightest = std::ranges::max(readFrame(dir_ / "shot.png").channel(0));
        }
    }
    ASSERT_GT(brightest, 0) << "no window with a frame in it: " << preview.err();
    EXPECT_TRUE(contains(tool({"xdotool", "getwindowgeometry", "--shell", window}).out,
                         "WIDTH=160\nHEIGHT=90\n"));
    EXPECT_FALSE(preview.waitFor(std::chrono::seconds(1)).has_value());  // still playing
    tool({"xdotool", "key", "--window", window, "q"});
    EXPECT_EQ(preview.waitFor(std::chrono::seconds(30)), 0) << preview.err();
    EXPECT_EQ(filesIn(dir_), (std::set<std::string>{"shot.png", "zel"}));
}

}  // namespace
}  // namespace zelrender
