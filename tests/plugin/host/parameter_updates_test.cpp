#include "plugin/host/ParameterDef.h"
#include "plugin/host/PluginUpdate_AE_Impl.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "plugin/host/PluginHost_AE_Impl.h"
#include "tests/plugin/host/host_fixture.h"

namespace zel {
namespace {

using Strings = std::vector<std::string>;

TEST(ParameterDef, FixedValuesRoundHalfAwayFromZeroAndSaturate)
{
    test::HostFixture f;
    ZQS::ParameterDef values(&f.in_data, f.params());
    for (const auto& [value, fixed] : {std::pair{1.25, 81920}, {-1.25, -81920}, {-0.00001, -1}, {1e6, 0x7FFFFFFF}}) {
        values.SetFloatValue(1, value, true);
        EXPECT_EQ(f.param(1).u.fd.value, fixed) << value;
    }
    values.SetAngleValue(2, 0.00001);
    EXPECT_EQ((std::tuple{f.param(2).u.ad.value, f.param(2).uu.change_flags}),
              (std::tuple{1, PF_ChangeFlag_CHANGED_VALUE}));
}

TEST(ParameterDef, TheKeyingHostStoresEverySliderFixed)
{
    test::HostFixture f;
    ZQS::ParameterDef values(&f.in_data, f.params());
    values.SetFloatValue(1, 0.5, false);
    EXPECT_EQ(f.param(1).u.fs_d.value, 0.5);
    f.in_data.appl_id = PF_APPL_ID_KEYER;
    f.param(1) = PF_ParamDef{};
    values.SetFloatValue(1, 0.5, false);
    EXPECT_EQ(f.param(1).u.fd.value, 32768);
    EXPECT_EQ(values.GetFloatValue(1, false), 0.5);
}

TEST(ParameterDef, ColoursKeepAlphaAndPackAlphaFirstAndNothingHappensWithoutAnArray)
{
    test::HostFixture f;
    ZQS::ParameterDef values(&f.in_data, f.params());
    f.param(3).u.cd.value = {0x11, 0, 0, 0};
    values.SetColor(3, {0xFF, 0x22, 0x33, 0x44});
    EXPECT_EQ(values.GetPFColor(3), 0x44332211u);

    ZQS::ParameterDef none(&f.in_data, nullptr);
    none.SetIntValue(1, 5);
    EXPECT_EQ((std::tuple{none.GetIntValue(1), none.GetPathID(1), none.GetArbData(1)}),
              (std::tuple{0, 0xFFFFFFFFu, nullptr}));
}

class PluginUpdateTest : public ::testing::Test {
protected:
    test::HostFixture f;
    PluginHost_AE_Impl host{&f.in_data, &f.out_data, f.params(), &f.output};
};

TEST_F(PluginUpdateTest, HoldsTheParamUtilsSuiteForItsLifetime)
{
    f.log.clear();
    EXPECT_TRUE(std::unique_ptr<PluginUpdate_API>(host.makeUpdateApi())->isValid());
    EXPECT_EQ(f.log, (Strings{"acquire PF Param Utils Suite 2", "release PF Param Utils Suite 2"}));

    f.withdraw(kPFParamUtilsSuite);
    std::unique_ptr<PluginUpdate_API> update(host.makeUpdateApi());
    EXPECT_FALSE(update->isValid());
    EXPECT_STREQ(f.out_data.return_msg, "Failed to acquire suite.");
    EXPECT_EQ(update->setEnable(1, 0, false), PF_Err_BAD_CALLBACK_PARAM);
    update->setIntValue(1, 0, 4);
    EXPECT_EQ(f.param(1).u.sd.value, 4);
}

TEST_F(PluginUpdateTest, ValuesAreWrittenAsTheKindSaysAndColoursRoundedAndClamped)
{
    std::unique_ptr<PluginUpdate_API> update(host.makeUpdateApi());
    update->setFloatValue(1, 0, 2.0);
    EXPECT_EQ(f.param(1).u.fd.value, 131072);
    update->setFloatValue(2, 1, 2.0);
    EXPECT_EQ(f.param(2).u.fs_d.value, 2.0);

    update->setColorValue(3, 0, 1.2, 0.5, -0.1);
    const PF_Pixel& c = f.param(3).u.cd.value;
    EXPECT_EQ((std::array{c.red, c.green, c.blue}), (std::array<decltype(c.red), 3>{255, 128, 0}));
    EXPECT_EQ(f.param(3).uu.change_flags, PF_ChangeFlag_CHANGED_VALUE);
}

TEST_F(PluginUpdateTest, ControlChangesSendACopyAndLeaveTheArray)
{
    f.param(2).ui_flags = 0x7F;
    f.param(2).flags = PF_ParamFlag_SUPERVISE;
    std::strcpy(f.param(2).name, "Amplitude");
    std::unique_ptr<PluginUpdate_API> update(host.makeUpdateApi());

    EXPECT_EQ(update->setEnable(2, 0, false), 0);
    EXPECT_EQ(f.uiUpdates.at(0).ui_flags, PF_PUI_DISABLED);
    EXPECT_STREQ(f.uiUpdates[0].name, "Amplitude");
    EXPECT_EQ(f.param(2).ui_flags, 0x7F);

    update->setGroupOpen(2, 0, true);
    EXPECT_EQ(f.uiUpdates.at(1).flags, PF_ParamFlag_SUPERVISE | PF_ParamFlag_COLLAPSE_TWIRLY);
    EXPECT_EQ(f.uiUpdates[1].ui_flags, 0x7F);

    update->setParamNameEnable(2, 0, "A name longer than the thirty-one characters", true);
    ASSERT_EQ(f.uiUpdates.size(), 3u);
    EXPECT_STREQ(f.uiUpdates[2].name, "A name longer than the thirty-o");
    EXPECT_EQ(f.uiUpdates[2].ui_flags, PF_PUI_NONE);
    EXPECT_STREQ(f.param(2).name, "Amplitude");
}

}  // namespace
}  // namespace zel
