// Scene files mutated at random from valid ones: each is either taken, and then holds only values
// in range and dumps to a scene that reads back to itself, or refused with a one-line message
// naming the file; never a crash, nor an exception of another kind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

#include "apps/zel-render/module_output.h"
#include "host/effect_host.h"
#include "host/module_library.h"
#include "host/scene.h"
#include "tests/support/text.h"

namespace zelrender {
namespace {

using Json = nlohmann::ordered_json;

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

    // A byte flipped, a token inserted, bytes deleted or repeated.
    void mutateText(std::string& text)
    {
        static const std::vector<std::string> tokens = {
            "{", "}", "[", "]", ",", ":", "\"", "\\", "1e308", "-1e308", "1e400", "null", "true",
            "\"x\"", "0.5", "-0", "\n", "\\n", "\xff", "\xc3", "//", "NaN", "\"\\u0000\"",
            "9999999999999999999999"};
        const std::size_t at = below(text.size() + 1);
        const std::size_t kind = below(4);
        if (kind == 0 && at < text.size()) {
            text[at] = static_cast<char>(text[at] ^ (1 << below(8)));
        } else if (kind == 1) {
            text.insert(at, pick(tokens));
        } else if (kind == 2) {
            text.erase(at, 1 + below(8));
        } else if (kind == 3) {
            text.insert(at, text.substr(below(text.size() + 1), below(16)));
        }
    }

    // A value replaced by one of another type or out of range or wrapped in a list or keyframes,
    // or a key dropped, renamed or given twice. Returns the text.
    std::string mutateJson(Json document)
    {
        static const std::vector<Json> values = {
            nullptr, true, 0, -1, 0.5, 1e308, -1e308, 5e-324, 2147483648LL, -2147483649LL,
            18446744073709551615ULL, "", "#FF8000", "1,2", "Off", "Wire\nframe", "\t\u0001",
            Json::array(), Json::array({1, 2}), Json::array({1, 2, 3}), Json::array({0, 1, 2, 3}),
            Json::object(),
            Json::parse(R"({"keyframes": [[0, 1], [1e300, 2]], "interpolation": "smooth"})"),
            Json::parse(R"({"keyframes": [[1, 0], [0, 1]]})"),
            Json::parse(R"({"keyframes": [[0, [1, 2]], [1, [3, 4, 5]]]})"),
            Json::parse(R"({"keyframes": [], "interpolation": "hold"})")};
        static const std::vector<std::string> keys = {
            "", "x\ny", "\xc3\xa9", "type", "keyframes", "controls", "Vertices X"};
        std::vector<Json*> nodes = {&document};
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            if (nodes[i]->is_structured()) {
                for (Json& child : *nodes[i]) {
                    nodes.push_back(&child);
                }
            }
        }
        Json& node = *nodes[below(nodes.size())];
        const std::size_t kind = below(5);
        if (kind == 0) {
            node = pick(values);
        } else if (kind == 1) {
            node = below(2) == 0 ? Json::array({node}) : Json({{"keyframes", node}});
        } else if (node.is_object() && !node.empty()) {
            const auto item = std::next(node.begin(), static_cast<std::ptrdiff_t>(below(node.size())));
            const std::string key = item.key();
            const Json value = kind == 3 && below(2) == 0 ? Json(1) : item.value();
            if (kind == 3) {
                // Objects hold a key once, so the second goes into the text under a stand-in.
                const std::string standIn = key + "\x01twice";
                node[standIn] = value;
                std::string text = dumped(document, -1);
                const std::string marker = dumped(standIn, -1);
                return text.replace(text.find(marker), marker.size(), dumped(key, -1));
            }
            node.erase(item);
            if (kind == 4) {
                std::string renamed = below(2) == 0 ? pick(keys) : key + "s";
                if (!renamed.empty()) {
                    std::swap(renamed[below(renamed.size())], renamed[below(renamed.size())]);
                }
                node[renamed] = value;
            }
        }
        return dumped(document, below(2) == 0 ? -1 : 2);
    }

private:
    // A key mangled byte by byte may no longer be UTF-8, which JSON text cannot hold.
    static std::string dumped(const Json& value, int indent)
    {
        return value.dump(indent, ' ', false, Json::error_handler_t::replace);
    }

    std::mt19937 random_;
};

bool isOneLine(const std::string& message)
{
    return !message.empty() && message.find('\n') == std::string::npos;
}

// What a scene that was taken holds at any time, smooth curves included: sliders within their
// valid range, light colours within 0 to 1 and other light and camera values within theirs.
void expectInRange(const Scene& scene, const ParamStore& store, const std::string& text)
{
    for (const double t : {-1.0, 0.0, 0.3, 0.7, 1.0, 1.5, 2.9, 1e6}) {
        for (const RegisteredParam& p : store.all()) {
            const double v = p.type() == PF_Param_FLOAT_SLIDER ? std::get<double>(p.value.at(t)) : 0;
            ASSERT_TRUE(p.type() != PF_Param_FLOAT_SLIDER ||
                        (v >= p.def.u.fs_d.valid_min && v <= p.def.u.fs_d.valid_max))
                << p.name() << " at " << t << ": " << v << "\n" << text;
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
        const auto& camera = scene.composition.camera;
        ASSERT_TRUE(!camera || !camera->zoom || std::get<double>(camera->zoom->at(t)) >= 1.0)
            << "at " << t << "\n" << text;
    }
}

TEST(InputFuzz, MutatedScenesAreTakenOrRefusedWithOneLineNamingTheFile)
{
    // The real module's controls, as it registers them.
    const ModuleLibrary module(ZEL_MODULE_PATH);
    const ModuleOutput output = ModuleOutput::toStderr();
    EffectHost host(module.entryPoint(), Composition{}, output);
    host.setUp();
    const ParamStore controls = host.params();
    host.setDown();
    EXPECT_TRUE(host.suites().held().empty());  // the module gave back every suite it took
    // The end-to-end tests' scenes and one with a little of everything of its own, in a fixed
    // order.
    std::vector<std::filesystem::path> files = {ZEL_RENDER_TEST_SCENES "/everything.json"};
    for (const auto& entry : std::filesystem::directory_iterator(ZEL_E2E_SCENES_DIR)) {
        if (entry.path().extension() == ".json") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin() + 1, files.end());
    std::vector<std::string> seeds;
    for (const auto& file : files) {
        seeds.push_back(zel::test::readText(file));
    }
    Mutator mutate(20240607);
    int taken = 0;
    constexpr int kScenes = 3000;
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
            const Json dumped = sceneJson(scene, store);
            const Scene again = parseScene(dumped, "dumped.json", "/");
            ParamStore storeAgain = controls;
            applyControls(again, storeAgain);
            ASSERT_EQ(sceneJson(again, storeAgain), dumped) << text;
            ++taken;
        } catch (const std::invalid_argument& e) {
            ASSERT_TRUE(isOneLine(e.what()) && std::string(e.what()).starts_with("fuzz.json"))
                << e.what() << "\n" << text;
        } catch (const std::exception& e) {
            FAIL() << "not std::invalid_argument: " << e.what() << "\n" << text;
        }
    }
    // Both ways are well trodden, or the mutations would test little.
    EXPECT_GT(taken, kScenes / 10);
    EXPECT_LT(taken, kScenes / 2);
}

}  // namespace
}  // namespace zelrender
