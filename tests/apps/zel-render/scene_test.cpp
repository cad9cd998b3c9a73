// Scene files: what a scene sets, what a wrong one is told, and a scene written out in full.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>

#include "host/layer_images.h"
#include "host/scene.h"
#include "tests/apps/zel-render/fake_module.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/text.h"

namespace zelrender {
namespace {

using Json = nlohmann::ordered_json;

Scene parsed(const std::string& text) { return parseSceneText(text, "s.json", "/scenes"); }

std::string refusal(const std::string& text)
{
    try {
        parsed(text);
    } catch (const std::invalid_argument& e) {
        return e.what();
    }
    return "accepted";
}

TEST(Scene, ReadsTheCompositionCameraLightsAndLayersDefaultingWhatIsLeftOut)
{
    const Composition d = parsed("{}").composition;
    EXPECT_EQ(std::tie(d.width, d.height, d.timeScale, d.timeStep, d.duration, d.bitsPerChannel),
              std::make_tuple(1920, 1080, 24u, 1, 240, 8));
    EXPECT_TRUE(!d.camera && d.lights.empty());
    const Scene s = parsed(R"({
        "composition": {"width": 720, "height": 480, "pixel_aspect": 0.9, "fps": 29.97,
                        "duration": 2, "bits_per_channel": 16},
        "camera": {"type": "orthographic", "zoom": {"keyframes": [[0, 100], [1, 300]]}},
        "lights": [{"type": "spot", "cone_angle": 40, "in_point": 0.5, "duration": 1,
                    "enabled": false, "position": [1, 2, 3]}],
        "layers": {"texture_layer": "images/wood.png"}, "background": "images/sky.png",
        "controls": {"Draw": "Wireframe"}})");
    const Composition& c = s.composition;
    // 29.97 fps is 2997 units a second, 100 to a frame; 2 s round to 60 whole frames.
    EXPECT_EQ(std::tie(c.width, c.height, c.bitsPerChannel, c.pixelAspect.num, c.pixelAspect.den,
                       c.timeScale, c.timeStep, c.duration),
              std::make_tuple(720, 480, 16, 9, 10u, 2997u, 100, 6000));
    ASSERT_TRUE(c.camera && c.lights.size() == 1);
    EXPECT_EQ(c.camera->type, AEGP_CameraType_ORTHOGRAPHIC);
    EXPECT_EQ(c.camera->zoom->at(0.5), ParamValue(200.0));
    EXPECT_FALSE(c.camera->position);
    const Light& light = c.lights[0];
    // Intensity, left out, is the default.
    EXPECT_EQ(std::tie(light.type, light.inPoint, *light.duration, light.enabled),
              std::make_tuple(AEGP_LightType_SPOT, 0.5, 1.0, false));
    EXPECT_EQ(std::pair(light.coneAngle.at(0), light.intensity.at(0)),
              std::pair(ParamValue(40.0), ParamValue(100.0)));
    EXPECT_EQ(light.position->at(0), ParamValue(SpacePoint{1, 2, 3}));
    EXPECT_EQ(s.layers, (decltype(s.layers){{"Texture Layer", "/scenes/images/wood.png"}}));
    EXPECT_EQ(s.controls, Json::parse(R"({"Draw": "Wireframe"})"));
    EXPECT_EQ(s.background, Background(std::filesystem::path("/scenes/images/sky.png")));
    EXPECT_EQ(parsed(R"({"background": "#FF0080"})").background,
              Background(Color{1, 1, 0, 128 / 255.0}));
    EXPECT_EQ(parsed(R"({"background": [0, 0.5, 1]})").background,
              Background(Color{1, 0, 0.5, 1}));
}

// OpenEXR holds colour multiplied by alpha, PNG holds it straight: the same pixel, read from
// either, reaches the module straight.
TEST(LayerImages, AreReadWithAlphaStraightWhateverTheFileHolds)
{
    const zel::test::ScratchDirectory scratch("layer-images");
    const std::pair<const char*, std::vector<float>> files[] = {
        {"premultiplied.exr", {0.25f, 0.125f, 0.0f, 0.25f}}, {"straight.png", {1, 0.5f, 0, 0.25f}}};
    for (const auto& [name, rgba] : files) {
        OIIO::ImageBuf pixel(OIIO::ImageSpec(1, 1, 4, OIIO::TypeDesc::HALF));
        pixel.specmod().attribute("oiio:UnassociatedAlpha", 1);  // as it is, into the PNG
        pixel.setpixel(0, 0, rgba.data());
        ASSERT_TRUE(pixel.write((scratch.path() / name).string())) << pixel.geterror();
        float argb[4] = {};
        readLayerImage(scratch.path() / name, {1, 1}, {1, 1}).getpixel(0, 0, argb);
        const float expected[] = {0.25f, 1, 0.5f, 0};
        for (int c = 0; c < 4; ++c) {
            EXPECT_NEAR(argb[c], expected[c], 0.002f) << name << " channel " << c;
        }
    }
}

// What each wrong scene is told, word for word, is in messages.json.
TEST(Scene, RefusesWhatItDoesNotTakeNamingThePlaceAndWhatItTakes)
{
    const Json messages = Json::parse(zel::test::readText(ZEL_RENDER_MESSAGES));
    for (const Json& row : messages["scene"]) {
        EXPECT_EQ(refusal(row[0].get<std::string>()), row[1]) << row[0];
    }
    // Sizes that would cost more than any scene is worth are refused before it is read, and what
    // is echoed is cut short.
    std::string manyKeys = "{\"controls\": {\"0\": 0";
    for (int key = 1; key <= 1000; ++key) {
        manyKeys += ", \"" + std::to_string(key) + "\": 0";
    }
    const std::string x250(250, 'x');
    const std::pair<std::string, std::string> large[] = {
        {manyKeys + "}}", "s.json: controls holds more than 1000 keys; a scene's objects hold a few"},
        {"{\"" + std::string(1025, 'x') + "\": 0}",
         "s.json: the scene holds a key of 1025 bytes; keys are at most 1024"},
        {"{\"camera\": {\"type\": \"" + x250 + "\"}}",
         "s.json: camera.type takes \"perspective\" or \"orthographic\"; got \"" + x250.substr(0, 199) +
             "... (252 bytes in all)"},
        {"{\"camera\": {\"" + x250 + "\": 0}}",
         "s.json: camera." + x250.substr(0, 200) + "... (250 bytes in all) is not a key here; the "
         "keys are \"type\", \"position\", \"point_of_interest\" and \"zoom\""},
    };
    for (const auto& [text, message] : large) {
        EXPECT_EQ(refusal(text), message);
    }
}

// What follows the composition where the scene leaves it out stays out, so that the dump rendered
// at another size frames the surface as the scene does: the default camera, a light's place and
// duration. A camera keeps the properties it gives.
TEST(Scene, IsDumpedLeavingOutWhatFollowsTheComposition)
{
    const Json dumped = sceneJson(parsed(R"({"composition": {"width": 640, "height": 360},
                                             "lights": [{"type": "spot"}],
                                             "layers": {"amplitude_layer": "a/../mask.png"}})"),
                                  ParamStore(Composition{}));
    EXPECT_FALSE(dumped.contains("camera"));
    EXPECT_EQ(dumped["lights"].at(0), Json::parse(R"({"type": "spot", "color": [1, 1, 1],
        "intensity": 100, "cone_angle": 90, "cone_feather": 50, "in_point": 0, "enabled": true})"));
    EXPECT_EQ(dumped["layers"], Json({{"amplitude_layer", "/scenes/mask.png"}}));
    EXPECT_EQ(sceneJson(parseScene(dumped, "s.json", "/"), ParamStore(Composition{})), dumped);
    const Json camera = Json::parse(R"({"camera": {"type": "orthographic", "zoom": 300}})");
    EXPECT_EQ(sceneJson(parsed(camera.dump()), ParamStore(Composition{}))["camera"], camera["camera"]);
}

// Controls of each kind, which a scene gives values in the syntax of --set or of JSON; dumped, they
// read back to the same. What values that do not fit are told is in messages.json.
TEST(Scene, SetsControlsOrRefusesValuesThatDoNotFitAndSetsNoneOfThem)
{
    ParamStore store(Composition{});
    for (const PF_ParamDef& def :
         {test::sliderDef("Amount", 0, 100, 5), test::popupDef("Draw", "Fill|Wireframe", 2, 1),
          test::colorDef("Tint", {255, 255, 255, 255}), test::pointDef("Centre", 50, 50),
          test::namedDef(PF_Param_LAYER, "Texture Layer"),
          test::namedDef(PF_Param_GROUP_START, "Shading"),
          test::popupDef("Mode", "Off|On|Off", 3, 3), test::namedDef(PF_Param_BUTTON, "Reset"),
          test::namedDef(PF_Param_GROUP_END, "")}) {
        store.add(-1, def);
    }
    Scene scene;
    scene.source = "s.json";
    const auto refusal = [&](const char* controls) -> std::string {
        scene.controls = Json::parse(controls);
        try {
            applyControls(scene, store);
        } catch (const std::invalid_argument& e) {
            return e.what();
        }
        const Json dumped = sceneJson(scene, store);
        ParamStore fresh = store;
        Scene again = scene;
        again.controls = dumped["controls"];
        applyControls(again, fresh);
        EXPECT_EQ(sceneJson(again, fresh), dumped);
        return dumped["controls"].dump();
    };
    // Layers, buttons and groups hold no value. Colours that 8 bits hold go as --set writes them;
    // "Off" would name the first choice, so the third goes by its number.
    EXPECT_EQ(Json::parse(refusal(R"({"Draw": 2, "Tint": "#FF8000", "Centre": "10,20",
        "Amount": {"keyframes": [[0, 10], [2, 30]], "interpolation": "smooth"}})")),
              Json::parse(R"({"Amount": {"keyframes": [[0, 10], [2, 30]],
        "interpolation": "smooth"}, "Draw": "Wireframe", "Tint": "#FF8000", "Centre": [10, 20],
        "Mode": 3})"));
    const char* asJson = R"({"Amount": 5, "Draw": {"keyframes": [[0, "Fill"], [1, "Wireframe"]],
        "interpolation": "hold"}, "Tint": [1, 0.5, 0], "Centre": [3, 4], "Mode": "On"})";
    EXPECT_EQ(Json::parse(refusal(asJson)), Json::parse(asJson));
    const Json messages = Json::parse(zel::test::readText(ZEL_RENDER_MESSAGES));
    for (const Json& row : messages["controls"]) {
        EXPECT_EQ(refusal(row[0].dump().c_str()), row[1]) << row[0];
    }
    EXPECT_EQ(store.at(1).value.at(0), ParamValue(5.0));  // the first case's 7 was not kept
}

}  // namespace
}  // namespace zelrender
