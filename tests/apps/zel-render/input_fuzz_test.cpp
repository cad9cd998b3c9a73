// Scene files and command lines mutated at random from valid ones: each is either taken, and then
// holds only values in range and dumps to a scene that reads back to itself, or refused with a
// one-line message; never a crash, nor an exception of another kind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "apps/zel-render/command_line.h"
#include "apps/zel-render/effect_host.h"
#include "apps/zel-render/module_library.h"
#include "apps/zel-render/render_job.h"
#include "apps/zel-render/scene.h"

namespace zelrender {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

constexpr int kScenes = 3000;
constexpr int kCommandLines = 3000;

// The real module's controls, as it registers them.
const ParamStore& moduleControls()
{
    static const ParamStore controls = [] {
        const ModuleLibrary module(ZEL_MODULE_PATH);
        const ModuleOutput output = ModuleOutput::toStderr();
        EffectHost host(module.entryPoint(), Composition{}, output);
        host.setUp();
        ParamStore copy = host.params();
        host.setDown();
        return copy;
    }();
    return controls;
}

// The end-to-end tests' scenes, and one with a little of everything.
std::vector<std::string> seedScenes()
{
    std::vector<std::string> seeds = {R"({
        "composition": {"width": 320, "height": 180, "pixel_aspect": 0.9, "fps": 29.97,
                        "duration": 4, "bits_per_channel": 16},
        "camera": {"type": "orthographic", "position": [160, 20, -400],
                   "zoom": {"keyframes": [[0, 200], [1, 210], [3, 150]],
                            "interpolation": "smooth"}},
        "lights": [{"type": "spot", "color": [1, 0.9, 0.7], "intensity": 120, "cone_angle": 60,
                    "cone_feather": {"keyframes": [[0, 0], [1, 0], [2, 100]],
                                     "interpolation": "smooth"},
                    "position": [20, 0, -800], "point_of_interest": [160, 90, 0]},
                   {"type": "ambient", "color": {"keyframes": [[0, [0, 0, 0]], [1, [1, 1, 1]],
                                                               [2, [0, 0, 0]]],
                                                 "interpolation": "smooth"},
                    "in_point": 1, "duration": 2, "enabled": false}],
        "layers": {"texture_layer": "wood.png"},
        "controls": {"Shader": "Phong", "Draw": 2, "Color": "#FFD080", "Fog Color": [0.1, 0.2, 1],
                     "Position Z": -10, "Vertices X": "20",
                     "Rotate X": {"keyframes": [[0, 100000], [1, 100000], [2, -100000]],
                                  "interpolation": "smooth"},
                     "Position XY": {"keyframes": [[0, [0, 0]], [1, "10,20"]],
                                     "interpolation": "hold"},
                     "Blend": {"keyframes": [[0, "Off"], [1, "Add"]], "interpolation": "smooth"}}
    })"};
    for (const fs::directory_entry& entry : fs::directory_iterator(ZEL_E2E_SCENES_DIR)) {
        if (entry.path().extension() == ".json") {
            std::ostringstream text;
            text << std::ifstream(entry.path()).rdbuf();
            seeds.push_back(text.str());
        }
    }
    std::sort(seeds.begin() + 1, seeds.end());  // directory order varies; the mutations may not
    return seeds;
}

class Mutator {
public:
    explicit Mutator(unsigned seed) : random_(seed) {}

    // From 0 to n - 1; n is at least 1.
    std::size_t below(std::size_t n)
    {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
    }

    template <typename T>
    const T& pick(const std::vector<T>& list)
    {
        return list[below(list.size())];
    }

    // Bytes flipped, inserted, deleted or repeated.
    void mutateText(std::string& text)
    {
        static const std::vector<std::string> tokens = {
            "{", "}", "[", "]", ",", ":", "\"", "\\", "1e308", "-1e308", "1e400", "null",
            "true", "\"x\"", "0.5", "-0", "\n", "\\n", "\xff", "\xc3", "//", "NaN",
            "\"\\u0000\"", "9999999999999999999999"};
        const std::size_t at = below(text.size() + 1);
        switch (below(4)) {
        case 0:
            if (at < text.size()) {
                text[at] = static_cast<char>(text[at] ^ (1 << below(8)));
            }
            break;
        case 1:
            text.insert(at, pick(tokens));
            break;
        case 2:
            text.erase(at, 1 + below(8));
            break;
        default:
            text.insert(at, text.substr(below(text.size() + 1), below(16)));
            break;
        }
    }

    // A value replaced by one of another type or out of range, a key dropped, renamed or given
    // twice, or a value wrapped in a list or an object. Returns the text.
    std::string mutateJson(Json document)
    {
        static const std::vector<Json> values = {
            nullptr, true, false, 0, -1, 0.5, 1e308, -1e308, 5e-324, 1e300, 2147483648LL,
            -2147483649LL, 18446744073709551615ULL, "", "text", "#FF8000", "1,2", "Off",
            "Wire\nframe", "\t\u0001",
            Json::array(), Json::array({1}), Json::array({1, 2}), Json::array({1, 2, 3}),
            Json::array({0, 1, 2, 3}), Json::object(),
            Json::parse(R"({"keyframes": [[0, 1], [1e300, 2]], "interpolation": "smooth"})"),
            Json::parse(R"({"keyframes": [[1, 0], [0, 1]]})"),
            Json::parse(R"({"keyframes": [[0, [1, 2]], [1, [3, 4, 5]]]})"),
            Json::parse(R"({"keyframes": [], "interpolation": "hold"})"),
            Json::parse(R"([[0, 1], [1, 2]])"),
        };
        std::vector<Json*> nodes;
        collect(document, nodes);
        Json& node = *nodes[below(nodes.size())];
        switch (below(5)) {
        case 0:
            node = pick(values);
            break;
        case 1:
            node = below(2) == 0 ? Json::array({node}) : Json({{"keyframes", node}});
            break;
        case 2:
            if (node.is_object() && !node.empty()) {
                node.erase(
                    std::next(node.begin(), static_cast<std::ptrdiff_t>(below(node.size()))));
            }
            break;
        case 3:
            if (node.is_object() && !node.empty()) {
                return withKeyTwice(document, node);
            }
            break;
        default:
            if (node.is_object() && !node.empty()) {
                const auto item = std::next(node.begin(),
                                            static_cast<std::ptrdiff_t>(below(node.size())));
                static const std::vector<std::string> keys = {
                    "", "x\ny", "\xc3\xa9", "type", "keyframes", "controls", "Vertices X"};
                std::string renamed = below(2) == 0 ? pick(keys) : item.key() + "s";
                if (!renamed.empty()) {
                    std::swap(renamed[below(renamed.size())], renamed[below(renamed.size())]);
                }
                const Json value = item.value();
                node.erase(item);
                node[renamed] = value;
            }
            break;
        }
        return dumped(document, below(2) == 0 ? -1 : 2);
    }

private:
    // A key mangled byte by byte may no longer be UTF-8, which JSON text cannot hold.
    static std::string dumped(const Json& value, int indent)
    {
        return value.dump(indent, ' ', false, Json::error_handler_t::replace);
    }

    static void collect(Json& node, std::vector<Json*>& nodes)
    {
        nodes.push_back(&node);
        if (node.is_structured()) {
            for (Json& child : node) {
                collect(child, nodes);
            }
        }
    }

    // JSON objects hold each key once, so the second goes in by name, in the text.
    std::string withKeyTwice(Json& document, Json& object)
    {
        const auto item =
            std::next(object.begin(), static_cast<std::ptrdiff_t>(below(object.size())));
        const std::string key = item.key();
        const std::string standIn = key + "\x01twice";
        // Copied before the object grows, which moves its items.
        const Json value = below(2) == 0 ? item.value() : Json(1);
        object[standIn] = value;
        std::string text = dumped(document, -1);
        const std::string marker = dumped(standIn, -1);
        text.replace(text.find(marker), marker.size(), dumped(key, -1));
        return text;
    }

    std::mt19937 random_;
};

bool isOneLine(const std::string& message)
{
    return !message.empty() && message.find('\n') == std::string::npos;
}

// What a scene that was taken holds: numbers within their ranges at any time, smooth curves
// included.
void expectInRange(const Scene& scene, const ParamStore& store, const std::string& text)
{
    const double times[] = {-1, 0, 0.3, 0.7, 1, 1.5, 2.9, 1e6};
    for (const double t : times) {
        for (std::int32_t i = 1; i < store.size(); ++i) {
            const RegisteredParam& p = store.at(i);
            if (p.type() == PF_Param_FLOAT_SLIDER) {
                const double v = std::get<double>(p.value.at(t));
                ASSERT_TRUE(v >= p.def.u.fs_d.valid_min && v <= p.def.u.fs_d.valid_max)
                    << p.name() << " at " << t << ": " << v << "\n" << text;
            }
        }
        for (const Light& light : scene.composition.lights) {
            const Color c = std::get<Color>(light.color.at(t));
            const double angle = std::get<double>(light.coneAngle.at(t));
            const double feather = std::get<double>(light.coneFeather.at(t));
            ASSERT_TRUE(std::min({c.red, c.green, c.blue}) >= 0 &&
                        std::max({c.red, c.green, c.blue}) <= 1 && angle >= 0 && angle <= 180 &&
                        feather >= 0 && feather <= 100 &&
                        std::isfinite(std::get<double>(light.intensity.at(t))))
                << "at " << t << "\n" << text;
        }
        if (const auto& camera = scene.composition.camera; camera && camera->zoom) {
            ASSERT_GE(std::get<double>(camera->zoom->at(t)), 1.0) << "at " << t << "\n" << text;
        }
    }
}

TEST(InputFuzz, MutatedScenesAreTakenOrRefusedWithOneLineNamingTheFile)
{
    const ParamStore& controls = moduleControls();
    const std::vector<std::string> seeds = seedScenes();
    ASSERT_GT(seeds.size(), 10u);
    Mutator mutate(20240607);
    int taken = 0;
    int refused = 0;
    for (int n = 0; n < kScenes; ++n) {
        const std::string& seed = seeds[static_cast<std::size_t>(n) % seeds.size()];
        std::string text = mutate.mutateJson(Json::parse(seed));
        for (std::size_t more = mutate.below(3); more > 0; --more) {
            if (mutate.below(3) == 0) {
                mutate.mutateText(text);
            } else if (Json::accept(text)) {
                text = mutate.mutateJson(Json::parse(text));
            }
        }
        try {
            const Scene scene = parseSceneText(text, "fuzz.json", "/nonexistent");
            ParamStore store = controls;
            applyControls(scene, store);
            ASSERT_NO_FATAL_FAILURE(expectInRange(scene, store, text));
            // Dumped, it reads back to itself.
            const Json dumped = sceneJson(scene, store);
            const Scene again = parseScene(dumped, "dumped.json", "/");
            ParamStore storeAgain = controls;
            applyControls(again, storeAgain);
            ASSERT_EQ(sceneJson(again, storeAgain), dumped) << text;
            ++taken;
        } catch (const std::invalid_argument& e) {
            const std::string message = e.what();
            ASSERT_TRUE(isOneLine(message) && message.starts_with("fuzz.json"))
                << message << "\n" << text;
            ++refused;
        } catch (const std::exception& e) {
            FAIL() << "not std::invalid_argument: " << e.what() << "\n" << text;
        }
    }
    // Both ways are well trodden, or the mutations would test little.
    EXPECT_GT(taken, kScenes / 10);
    EXPECT_GT(refused, kScenes / 2);
}

TEST(InputFuzz, MutatedCommandLinesAreTakenOrRefusedWithOneLine)
{
    const std::vector<std::vector<std::string>> seeds = {
        {"scene.json", "-o", "f-####.png", "--frames", "0-47", "--size", "640x360"},
        {"--bpc", "16", "--downsample", "2", "--set", "Vertices X=120", "--set", "Color=#ff8000",
         "--classic"},
        {"--list-params", "--json", "--plugin", "/tmp/zel.so", "-v"},
        {"scene.json", "--dump-scene", "--set", "Draw=Points", "--size", "64x36"},
        {"scene.json", "--set-end-frame", "2", "--frames", "3"},
        {"--frames", "0-239x2", "-o", "out.mp4", "--jobs", "2", "-q"},
    };
    const std::vector<std::string> words = {
        "", "-", "--", "-o", "--frames", "--size", "--bpc", "--bpc=12", "--set", "--set=",
        "--downsample", "0", "-1", "99999999999", "1e9", "0-", "-5", "5-3", "a-b", "640x",
        "x360", "0x0", "30001x1", "30000x30000", "1x1x1", "--unknown", "--frame", "--json",
        "--dump-scene", "--about", "--set-end-frame", "=", "Vertices X", "\xff\xfe", "--jobs",
        "1000"};
    Mutator mutate(7);
    int taken = 0;
    for (int n = 0; n < kCommandLines; ++n) {
        std::vector<std::string> arguments = seeds[static_cast<std::size_t>(n) % seeds.size()];
        for (std::size_t edits = 1 + mutate.below(3); edits > 0; --edits) {
            const std::size_t at = mutate.below(arguments.size() + 1);
            switch (mutate.below(4)) {
            case 0:
                arguments.insert(arguments.begin() + static_cast<std::ptrdiff_t>(at),
                                 mutate.pick(words));
                break;
            case 1:
                if (at < arguments.size()) {
                    arguments.erase(arguments.begin() + static_cast<std::ptrdiff_t>(at));
                }
                break;
            case 2:
                if (at < arguments.size()) {
                    mutate.mutateText(arguments[at]);
                }
                break;
            default:
                if (!arguments.empty()) {
                    std::swap(arguments[mutate.below(arguments.size())],
                              arguments[mutate.below(arguments.size())]);
                }
                break;
            }
        }
        std::string shown;
        for (const std::string& a : arguments) {
            shown += " [" + a + "]";
        }
        try {
            const Options options = parseCommandLine(arguments);
            for (const auto& [text, parse] :
                 std::vector<std::pair<std::string, std::function<void(std::string_view)>>>{
                     {options.frames, [](std::string_view t) { parseFrames(t); }},
                     {options.size, [](std::string_view t) { parseSize(t); }},
                 }) {
                try {
                    parse(text);
                } catch (const std::invalid_argument& e) {
                    ASSERT_TRUE(isOneLine(e.what())) << e.what() << shown;
                }
            }
            ++taken;
        } catch (const CommandLineExit& e) {
            const std::string message = e.what();
            if (e.code() != kSuccess) {
                // The reason, then where to look for more.
                constexpr std::string_view kHint = "\nRun with --help for more information.";
                ASSERT_EQ(e.code(), kBadInput) << message << shown;
                ASSERT_TRUE(message.ends_with(kHint) &&
                            isOneLine(message.substr(0, message.size() - kHint.size())))
                    << message << shown;
            }
        } catch (const std::exception& e) {
            FAIL() << "not CommandLineExit: " << e.what() << shown;
        }
    }
    EXPECT_GT(taken, kCommandLines / 10);
}

}  // namespace
}  // namespace zelrender
