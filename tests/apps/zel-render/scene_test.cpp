// Scene files: what a scene sets, and what a wrong one is told.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "apps/zel-render/scene.h"
#include "tests/apps/zel-render/param_defs.h"

namespace zelrender {
namespace {

using Json = nlohmann::ordered_json;

Scene parsed(const char* text)
{
    return parseScene(Json::parse(text), "s.json", "/scenes");
}

std::string refusal(const char* text)
{
    try {
        parsed(text);
    } catch (const std::invalid_argument& e) {
        return e.what();
    }
    return "(accepted)";
}

TEST(Scene, AnEmptySceneIsTheDefaultOne)
{
    const Composition c = parsed("{}").composition;
    const Composition d = defaultScene().composition;
    EXPECT_EQ(std::tie(c.width, c.height, c.timeScale, c.timeStep, c.duration, c.bitsPerChannel),
              std::tie(d.width, d.height, d.timeScale, d.timeStep, d.duration, d.bitsPerChannel));
    EXPECT_EQ(std::tie(d.width, d.height, d.timeScale, d.timeStep, d.duration, d.bitsPerChannel),
              std::make_tuple(1920, 1080, 24u, 1, 240, 8));
    EXPECT_FALSE(c.camera);
    EXPECT_TRUE(c.lights.empty());
}

TEST(Scene, ReadsTheCompositionCameraLightsAndLayers)
{
    const Scene s = parsed(R"({
        "composition": {"width": 720, "height": 480, "pixel_aspect": 0.9, "fps": 29.97,
                        "duration": 2, "bits_per_channel": 16},
        "camera": {"type": "orthographic", "zoom": {"keyframes": [[0, 100], [1, 300]]}},
        "lights": [{"type": "spot", "cone_angle": 40, "in_point": 0.5, "duration": 1,
                    "enabled": false, "position": [1, 2, 3]}],
        "layers": {"texture_layer": "images/wood.png"},
        "controls": {"Draw": "Wireframe"}})");
    const Composition& c = s.composition;
    EXPECT_EQ(std::tie(c.width, c.height, c.bitsPerChannel), std::make_tuple(720, 480, 16));
    EXPECT_EQ(std::tie(c.pixelAspect.num, c.pixelAspect.den), std::make_tuple(9, 10u));
    // 29.97 fps is 2997 units a second, 100 to a frame; 2 s round to 60 whole frames.
    EXPECT_EQ(std::tie(c.timeScale, c.timeStep, c.duration), std::make_tuple(2997u, 100, 6000));
    ASSERT_TRUE(c.camera);
    EXPECT_EQ(c.camera->type, AEGP_CameraType_ORTHOGRAPHIC);
    EXPECT_EQ(std::get<double>(c.camera->zoom->at(0.5)), 200.0);
    EXPECT_FALSE(c.camera->position);
    ASSERT_EQ(c.lights.size(), 1u);
    const Light& light = c.lights[0];
    EXPECT_EQ(light.type, AEGP_LightType_SPOT);
    EXPECT_EQ(std::get<double>(light.coneAngle.at(0)), 40.0);
    EXPECT_EQ(std::get<double>(light.intensity.at(0)), 100.0);  // left out: the default
    EXPECT_EQ(std::tie(light.inPoint, *light.duration, light.enabled),
              std::make_tuple(0.5, 1.0, false));
    EXPECT_EQ(std::get<SpacePoint>(light.position->at(0)), (SpacePoint{1, 2, 3}));
    ASSERT_EQ(s.layers.size(), 1u);
    EXPECT_EQ(s.layers[0].first, "Texture Layer");
    EXPECT_EQ(s.layers[0].second, "/scenes/images/wood.png");
    EXPECT_EQ(s.controls, Json::parse(R"({"Draw": "Wireframe"})"));
}

TEST(Scene, RefusesWhatItDoesNotKnowNamingThePlaceAndWhatItTakes)
{
    const std::pair<const char*, const char*> cases[] = {
        {R"([])", "s.json: the scene takes an object ({...}); got []"},
        {R"({"composition": {"widht": 10}})",
         "s.json: composition.widht is not a key here; the keys are \"width\", \"height\", "
         "\"pixel_aspect\", \"fps\", \"duration\" and \"bits_per_channel\""},
        {R"({"camera": {"type": "fisheye"}})",
         "s.json: camera.type takes \"perspective\" or \"orthographic\"; got \"fisheye\""},
        {R"({"composition": {"width": 1.5}})",
         "s.json: composition.width takes a whole number from 1 to 30000; got 1.5"},
        {R"({"composition": {"bits_per_channel": 12}})",
         "s.json: composition.bits_per_channel takes 8, 16 or 32; got 12"},
        {R"({"lights": [{"color": [1, 1, 1]}]})",
         "s.json: lights[0].type is missing; it takes \"parallel\", \"spot\", \"point\" or "
         "\"ambient\""},
        {R"({"lights": [{"type": "spot", "cone_angle": 200}]})",
         "s.json: lights[0].cone_angle takes a number from 0 to 180; got 200"},
        {R"({"lights": [{"type": "point", "color": [1, 2, 0]}]})",
         "s.json: lights[0].color takes a colour [red, green, blue], each from 0 to 1; got "
         "[1,2,0]"},
        {R"({"camera": {"position": {"keyframes": [[0, [1, 2]]]}}})",
         "s.json: camera.position.keyframes[0][1] takes a point [x, y, z] in pixels; got [1,2]"},
        {R"({"camera": {"zoom": {"keyframes": [], "interpolation": "linear"}}})",
         "s.json: camera.zoom.keyframes takes a list of one or more [seconds, value]; got []"},
        {R"({"camera": {"zoom": {"keyframes": [[0, 10]], "interpolation": "smooth"}}})",
         "s.json: camera.zoom.interpolation takes \"linear\" or \"hold\"; got \"smooth\""},
        {R"({"layers": {"texture": "a.png"}})",
         "s.json: layers.texture is not a key here; the keys are \"texture_layer\" and "
         "\"amplitude_layer\""},
        {R"({"controls": ["Draw"]})",
         "s.json: controls takes an object of control names and values; got [\"Draw\"]"},
    };
    for (const auto& [text, message] : cases) {
        EXPECT_EQ(refusal(text), message) << text;
    }
}

class SceneControls : public ::testing::Test {
protected:
    SceneControls() : store_(Composition{})
    {
        store_.add(-1, test::floatSliderDef("Amount", 0, 100, 0, 100, 5));
        store_.add(-1, test::popupDef("Draw", "Fill|Wireframe", 2, 1));
        store_.add(-1, test::colorDef("Tint", {255, 255, 255, 255}));
        store_.add(-1, test::pointDef("Centre", 50, 50));
        store_.add(-1, test::namedDef(PF_Param_LAYER, "Texture Layer"));
    }

    std::string refusal(const char* controls)
    {
        Scene scene;
        scene.source = "s.json";
        scene.controls = Json::parse(controls);
        try {
            applyControls(scene, store_);
        } catch (const std::invalid_argument& e) {
            return e.what();
        }
        return "(accepted)";
    }

    ParamValue at(int index, double seconds) const { return store_.at(index).value.at(seconds); }

    ParamStore store_;
};

TEST_F(SceneControls, TakeTheSyntaxOfSetOrJsonAndKeyframes)
{
    EXPECT_EQ(refusal(R"({"Amount": {"keyframes": [[0, 10], [2, 30]]}, "Draw": 2,
                          "Tint": [1, 0.5, 0], "Centre": "10,20"})"),
              "(accepted)");
    EXPECT_EQ(std::get<double>(at(1, 1.0)), 20.0);
    EXPECT_EQ(std::get<Choice>(at(2, 0)).number, 2);
    EXPECT_EQ(std::get<Color>(at(3, 0)), (Color{1, 1, 0.5, 0}));
    EXPECT_EQ(std::get<LayerPoint>(at(4, 0)), (LayerPoint{10, 20}));
    EXPECT_EQ(refusal(R"({"Draw": {"keyframes": [[0, "Fill"], [1, "Wireframe"]],
                          "interpolation": "hold"}, "Tint": "#FF0000", "Centre": [3, 4]})"),
              "(accepted)");
    EXPECT_EQ(std::get<Choice>(at(2, 0.99)).number, 1);
    EXPECT_EQ(std::get<Color>(at(3, 0)), (Color{1, 1, 0, 0}));
    EXPECT_EQ(std::get<LayerPoint>(at(4, 0)), (LayerPoint{3, 4}));
}

TEST_F(SceneControls, RefuseValuesThatDoNotFitAndSetNoneOfThem)
{
    const std::pair<const char*, const char*> cases[] = {
        {R"({"Amount": 7, "Amont": 1})",
         "s.json: controls: no control is named \"Amont\"; did you mean \"Amount\"?"},
        {R"({"Amount": 101})",
         "s.json: controls.\"Amount\": \"Amount\" takes a number from 0 to 100; got \"101\""},
        {R"({"Draw": "Points"})",
         "s.json: controls.\"Draw\": \"Draw\" takes one of Fill, Wireframe (or 1 to 2); got "
         "\"Points\""},
        {R"({"Tint": 3})",
         "s.json: controls.\"Tint\" takes \"#RRGGBB\" or [red, green, blue], each from 0 to 1; "
         "got 3"},
        {R"({"Centre": [1, 2, 3]})",
         "s.json: controls.\"Centre\" takes [x, y] or \"x,y\" in pixels of the full-size layer; "
         "got [1,2,3]"},
        {R"({"Texture Layer": "a.png"})",
         "s.json: controls.\"Texture Layer\": \"Texture Layer\" is a layer; its image goes under "
         "\"layers\""},
    };
    for (const auto& [controls, message] : cases) {
        EXPECT_EQ(refusal(controls), message) << controls;
    }
    EXPECT_EQ(std::get<double>(at(1, 0)), 5.0);  // the first case's 7 was not kept
}

}  // namespace
}  // namespace zelrender
