// Scene files: what a scene sets, what a wrong one is told, and a scene written out in full.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>

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
         "s.json: composition.widht is not a key here; did you mean \"width\"?"},
        {R"({"composition": {"frames": 10}})",
         "s.json: composition.frames is not a key here; the keys are \"width\", \"height\", "
         "\"pixel_aspect\", \"fps\", \"duration\" and \"bits_per_channel\""},
        {R"({"Lights": []})", "s.json: Lights is not a key here; did you mean \"lights\"?"},
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
        {R"({"camera": {"zoom": {"keyframes": [[0, 10]], "interpolation": "cubic"}}})",
         "s.json: camera.zoom.interpolation takes \"linear\", \"hold\" or \"smooth\"; got "
         "\"cubic\""},
        {R"({"layers": {"texture": "a.png"}})",
         "s.json: layers.texture is not a key here; the keys are \"texture_layer\" and "
         "\"amplitude_layer\""},
        {R"({"controls": ["Draw"]})",
         "s.json: controls takes an object of control names and values; got [\"Draw\"]"},
        {R"({"camera": {"zoom": {"keyframes": [[0, 10], [2, 20], [1, 30]]}}})",
         "s.json: camera.zoom.keyframes[2] is at 1 s, not after keyframes[1] at 2 s; keyframes go "
         "in order of time"},
        {R"({"lights": [{"type": "point", "intensity": {"keyframes": [[1, 10], [1, 20]],
                                                        "interpolation": "smooth"}}]})",
         "s.json: lights[0].intensity.keyframes[1] is at 1 s, not after keyframes[0] at 1 s; "
         "keyframes go in order of time"},
        {R"({"camera": {"zoom": {"keyframes": [[0, 10], [1e301, 20]]}}})",
         "s.json: camera.zoom.keyframes[1] holds a time or a number that is not within +-1e300"},
        {R"({"lights": [{"type": "spot", "enabled": 1}]})",
         "s.json: lights[0].enabled takes true or false; got 1"},
    };
    for (const auto& [text, message] : cases) {
        EXPECT_EQ(refusal(text), message) << text;
    }
}

TEST(Scene, SmoothCameraAndLightValuesStayInTheirRanges)
{
    // Between two equal keyframes before a fall (or a rise) the cubic bulges beyond them.
    const Composition c = parsed(R"({
        "camera": {"zoom": {"keyframes": [[0, 1], [1, 1], [2, 500]], "interpolation": "smooth"}},
        "lights": [{"type": "spot", "cone_angle": {"keyframes": [[0, 180], [1, 180], [2, 0]],
                                                   "interpolation": "smooth"}}]})")
                              .composition;
    EXPECT_EQ(std::get<double>(c.camera->zoom->at(2.0 / 3)), 1.0);
    EXPECT_EQ(std::get<double>(c.lights[0].coneAngle.at(2.0 / 3)), 180.0);
    EXPECT_NEAR(std::get<double>(c.lights[0].coneAngle.at(1.5)), 78.75, 1e-12);
}

// Scene text: where it stops being JSON, by line and column, and keys given twice.
std::string textRefusal(const std::string& text)
{
    try {
        parseSceneText(text, "s.json", "/scenes");
    } catch (const std::invalid_argument& e) {
        return e.what();
    }
    return "(accepted)";
}

TEST(Scene, TextThatIsNotJsonIsRefusedAtItsLineAndColumn)
{
    const std::pair<std::string, std::string> cases[] = {
        // Columns count characters: the o with diaeresis is two bytes.
        {"{\"controls\": {\"C\xC3\xB6lor\": #}}",
         "s.json:1:24: not JSON: syntax error while parsing value - invalid literal; last read: "
         "'\"C\xC3\xB6lor\": #'"},
        {"", "s.json:1:1: not JSON: syntax error while parsing value - unexpected end of input; "
             "expected '[', '{', or a literal"},
        {"{\"lights\": [{\"type\": \"spot\",\n \"intensity\": 1e400}]}",
         "s.json:2:19: not JSON: number overflow parsing '1e400'"},
    };
    for (const auto& [text, message] : cases) {
        EXPECT_EQ(textRefusal(text), message) << text;
    }
}

TEST(Scene, AKeyGivenTwiceInOneObjectIsRefusedWherever)
{
    const std::pair<const char*, const char*> cases[] = {
        {R"({"camera": {}, "camera": {}})", "camera"},
        {R"({"controls": {"Amount": 1, "Draw": 2, "Amount": 2}})", "controls.\"Amount\""},
        {R"({"lights": [{"type": "spot"}, {"type": "spot", "type": "point"}]})", "lights[1].type"},
        {R"({"controls": {"Amount": {"keyframes": [[0, {"a": 1, "a": 2}]], "interpolation": 1,
                                     "interpolation": 2}}})",
         "controls.\"Amount\".keyframes[0][1].a"},
    };
    for (const auto& [text, place] : cases) {
        EXPECT_EQ(textRefusal(text),
                  "s.json: " + std::string(place) + " is given twice; each key goes once in its "
                                                    "object")
            << text;
    }
    EXPECT_EQ(textRefusal(R"({"lights": [{"type": "spot"}, {"type": "spot"}]})"), "(accepted)");
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
        store_.add(-1, test::namedDef(PF_Param_GROUP_START, "Shading"));
        store_.add(-1, test::popupDef("Mode", "Off|On|Off", 3, 3));
        store_.add(-1, test::namedDef(PF_Param_BUTTON, "Reset"));
        store_.add(-1, test::namedDef(PF_Param_GROUP_END, ""));
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
         "s.json: controls.\"Amont\": no such control; did you mean \"Amount\"?"},
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
        {R"({"Shading": 1})",
         "s.json: controls.\"Shading\" is a group of controls, which takes no value"},
        {R"({"Reset": 1})", "s.json: controls.\"Reset\": \"Reset\" takes no value"},
    };
    for (const auto& [controls, message] : cases) {
        EXPECT_EQ(refusal(controls), message) << controls;
    }
    EXPECT_EQ(std::get<double>(at(1, 0)), 5.0);  // the first case's 7 was not kept
}

TEST_F(SceneControls, AreDumpedInTheSyntaxTheyAreReadInAndReadBackTheSame)
{
    ASSERT_EQ(refusal(R"({"Amount": {"keyframes": [[0, 10], [2, 30]], "interpolation": "smooth"},
                          "Draw": "Wireframe", "Tint": [1, 0.5, 0], "Centre": "10,20"})"),
              "(accepted)");
    Scene scene;
    const Json dumped = sceneJson(scene, store_);
    // Layers, buttons and groups hold no value. "Off" would name the first choice, so the third
    // goes by its number.
    EXPECT_EQ(dumped["controls"], Json::parse(R"({
        "Amount": {"keyframes": [[0, 10], [2, 30]], "interpolation": "smooth"},
        "Draw": "Wireframe", "Tint": [1, 0.5, 0], "Centre": [10, 20], "Mode": 3})"));

    ParamStore fresh = store_;
    scene.controls = dumped["controls"];
    applyControls(scene, fresh);
    EXPECT_EQ(sceneJson(scene, fresh), dumped);

    // Colours that 8 bits hold exactly go as --set writes them.
    ASSERT_EQ(refusal(R"({"Tint": [1, 0.5019607843137255, 0], "Mode": "On"})"), "(accepted)");
    EXPECT_EQ(sceneJson(scene, store_)["controls"]["Tint"], "#FF8000");
    EXPECT_EQ(sceneJson(scene, store_)["controls"]["Mode"], "On");
}

TEST(Scene, IsDumpedWithTheDefaultCameraAndEveryLightPropertyWrittenOut)
{
    const Json dumped = sceneJson(parsed(R"({"composition": {"width": 640, "height": 360},
                                             "lights": [{"type": "spot"}],
                                             "layers": {"amplitude_layer": "a/../mask.png"}})"),
                                  ParamStore(Composition{}));
    // The default camera, a zoom of 640 x 50 / 36 in front of the centre; the light where it
    // stands, looking at the centre.
    const double zoom = dumped["camera"]["zoom"];
    EXPECT_NEAR(zoom, 888.889, 1e-3);
    EXPECT_EQ(dumped["camera"], Json({{"type", "perspective"},
                                      {"position", {320, 180, -zoom}},
                                      {"point_of_interest", {320, 180, 0}},
                                      {"zoom", zoom}}));
    EXPECT_EQ(dumped["lights"], Json::array({Json({{"type", "spot"},
                                                   {"color", {1, 1, 1}},
                                                   {"intensity", 100},
                                                   {"cone_angle", 90},
                                                   {"cone_feather", 50},
                                                   {"position", {320, 180, -zoom}},
                                                   {"point_of_interest", {320, 180, 0}},
                                                   {"in_point", 0},
                                                   {"duration", 10},
                                                   {"enabled", true}})}));
    EXPECT_EQ(dumped["layers"], Json({{"amplitude_layer", "/scenes/mask.png"}}));
    EXPECT_EQ(dumped["controls"], Json::object());
    // Read back, it is dumped the same.
    EXPECT_EQ(sceneJson(parseScene(dumped, "s.json", "/"), ParamStore(Composition{})), dumped);

    // A camera with only a zoom stands a zoom away at every keyframe of it.
    EXPECT_EQ(sceneJson(parsed(R"({"camera": {"zoom": {"keyframes": [[0, 100], [1, 300]],
                                                        "interpolation": "smooth"}}})"),
                        ParamStore(Composition{}))["camera"]["position"],
              Json::parse(R"({"keyframes": [[0, [960, 540, -100]], [1, [960, 540, -300]]],
                              "interpolation": "smooth"})"));
}

}  // namespace
}  // namespace zelrender
