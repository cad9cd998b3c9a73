// --set: which texts each kind of control accepts, and what a refusal says.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "apps/zel-render/param_assignment.h"
#include "tests/apps/zel-render/param_defs.h"

namespace zelrender {
namespace {

using namespace test;

enum Index { kVerticesX = 2, kFrequency, kDraw, kShader = 7, kColor, kPosition };

// Controls shaped like the module's, including a group and a popup that share a name.
class Assignment : public ::testing::Test {
protected:
    Assignment() : store_(Composition{})
    {
        store_.add(-1, namedDef(PF_Param_GROUP_START, "Geometry"));
        store_.add(-1, floatSliderDef("Vertices X", 2, 100000, 2, 500, 50));
        store_.add(-1, floatSliderDef("Frequency", 0, 5000, 0, 500, 800));
        store_.add(-1, popupDef("Draw", "Fill|Wireframe|Points|Front Fill, Back Wire", 4, 1));
        store_.add(-1, namedDef(PF_Param_GROUP_END, ""));
        store_.add(-1, namedDef(PF_Param_GROUP_START, "Shader"));
        store_.add(-1, popupDef("Shader", "Density|Phong|Flat", 3, 1));
        store_.add(-1, colorDef("Color", {255, 255, 255, 255}));
        store_.add(-1, pointDef("Position XY", 50, 50));
        store_.add(-1, namedDef(PF_Param_LAYER, "Texture Layer"));
        store_.add(-1, namedDef(PF_Param_BUTTON, "Loop Setup Helper"));
    }

    void set(const std::vector<std::string>& assignments) { applyAssignments(store_, assignments); }

    // The message of the refusal of one assignment, or "accepted".
    std::string refusal(const std::string& assignment)
    {
        try {
            set({assignment});
        } catch (const std::invalid_argument& e) {
            return e.what();
        }
        return "accepted";
    }

    ParamValue value(int index) const { return store_.at(index).value.at(0); }

    ParamStore store_;
};

TEST_F(Assignment, SlidersTakeAnyNumberInTheValidRangeEvenBeyondTheSlider)
{
    set({"Vertices X=1000", "Frequency=5000"});
    EXPECT_EQ(std::get<double>(value(kVerticesX)), 1000.0);
    EXPECT_EQ(std::get<double>(value(kFrequency)), 5000.0);
    set({"Frequency= 0.25 "});
    EXPECT_EQ(std::get<double>(value(kFrequency)), 0.25);

    EXPECT_EQ(refusal("Vertices X=1"), R"("Vertices X" takes a number from 2 to 100000; got "1")");
    EXPECT_EQ(refusal("Vertices X=100001"),
              R"("Vertices X" takes a number from 2 to 100000; got "100001")");
    for (const char* text : {"", "ten", "5x", "nan", "inf", "1e999"}) {
        EXPECT_NE(refusal(std::string("Frequency=") + text).find("from 0 to 5000"),
                  std::string::npos)
            << text;
    }
}

TEST_F(Assignment, PopupsTakeAChoiceByItsTextOrItsNumber)
{
    set({"Draw=Front Fill, Back Wire"});
    EXPECT_EQ(std::get<Choice>(value(kDraw)), Choice{4});
    set({"Draw=2"});
    EXPECT_EQ(std::get<Choice>(value(kDraw)), Choice{2});

    const std::string accepted =
        R"("Draw" takes one of Fill, Wireframe, Points, Front Fill, Back Wire (or 1 to 4); got )";
    for (const char* text : {"Lines", "0", "5", "fill"}) {
        EXPECT_EQ(refusal(std::string("Draw=") + text), accepted + '"' + text + '"');
    }
}

TEST_F(Assignment, AGroupAndAPopupOfOneNameMeanThePopup)
{
    set({"Shader=Flat"});
    EXPECT_EQ(std::get<Choice>(value(kShader)), Choice{3});
    EXPECT_EQ(refusal("Geometry=1"), R"("Geometry" is a group of controls, which takes no value)");
}

TEST_F(Assignment, ColoursTakeHexadecimalRgbAndStayOpaque)
{
    set({"Color=#ff8001"});
    EXPECT_EQ(std::get<Color>(value(kColor)), Color::fromPixel({255, 255, 128, 1}));
    for (const char* text :
         {"FF8001", "#FF800", "#FF80011", "#GG0000", "#-F0000", "# FF800", "red"}) {
        EXPECT_EQ(refusal(std::string("Color=") + text),
                  std::string(R"("Color" takes a colour as #RRGGBB (hexadecimal); got ")") + text +
                      "\"");
    }
}

TEST_F(Assignment, PointsTakeTwoNumbersInFullSizeLayerPixels)
{
    set({"Position XY=-10.5, 3000"});
    EXPECT_EQ(std::get<LayerPoint>(value(kPosition)), (LayerPoint{-10.5, 3000}));
    for (const char* text : {"1", "1,", ",2", "a,b", "1,2,3", "1;2"}) {
        EXPECT_NE(refusal(std::string("Position XY=") + text)
                      .find(R"("Position XY" takes a point as X,Y)"),
                  std::string::npos)
            << text;
    }
}

TEST_F(Assignment, NamesMustBeThoseOfControlsThatHoldAValue)
{
    EXPECT_EQ(refusal("Texture Layer=image.png"),
              R"("Texture Layer" takes no value on the command line)");
    EXPECT_EQ(refusal("Loop Setup Helper=1"),
              R"("Loop Setup Helper" takes no value on the command line)");
    EXPECT_EQ(refusal("Vertexes X=3"),
              R"("Vertexes X": no such control; did you mean "Vertices X"?)");
    EXPECT_EQ(refusal("color=#000000"), R"("color": no such control; did you mean "Color"?)");
    EXPECT_EQ(refusal("Opacity=5"), R"("Opacity": no such control; --list-params shows them all)");
}

TEST_F(Assignment, NothingIsAppliedWhenOneAssignmentIsRefused)
{
    for (const char* text : {"Vertices X", "=5", ""}) {
        EXPECT_EQ(refusal(text).rfind("--set takes NAME=VALUE", 0), 0u) << text;
    }
    EXPECT_THROW(set({"Vertices X=300", "Draw=Lines"}), std::invalid_argument);
    EXPECT_EQ(std::get<double>(value(kVerticesX)), 50.0);
}

}  // namespace
}  // namespace zelrender
