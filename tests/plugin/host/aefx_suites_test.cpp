#include "plugin/host/aefx_suites.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin/host/host_text.h"
#include "tests/plugin/recording_host.h"

namespace zel {
namespace {

using Strings = std::vector<std::string>;

TEST(AcquireSuite, HandsOutTheHostsTableOrReportsAMissingSuiteWithTheGivenOrTheGeneralText)
{
    test::RecordingHost host;
    host.offerSuite("PF Param Utils Suite", 2);
    const PF_ParamUtilsSuite2* suite = nullptr;
    EXPECT_EQ(acquireSuite(&host.in_data, &host.out_data, "Failed to acquire suite.", &suite), PF_Err_NONE);
    EXPECT_NE(suite, nullptr);
    EXPECT_EQ(host.out_data.out_flags, 0);
    EXPECT_STREQ(host.out_data.return_msg, "");

    for (const auto& [text, shown] : {std::pair<const char*, const char*>{nullptr, "Not able to acquire AEFX Suite."},
                                      {"Failed to acquire AdvAppSuite1.", "Failed to acquire AdvAppSuite1."}}) {
        test::RecordingHost bare;
        void* missing = &bare;
        EXPECT_EQ(AEFX_AcquireSuite(&bare.in_data, &bare.out_data, "PF AE Adv App Suite", 1, text, &missing),
                  PF_Err_BAD_CALLBACK_PARAM);
        EXPECT_EQ(missing, nullptr);
        EXPECT_TRUE(bare.out_data.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE);
        EXPECT_STREQ(bare.out_data.return_msg, shown);
    }
}

TEST(AcquireSuite, WithoutABasicSuiteBothDirectionsReport516AndReleaseIgnoresTheHostsAnswer)
{
    test::RecordingHost host;
    host.releaseResult = kSPSuiteNotFoundError;
    EXPECT_EQ(AEFX_ReleaseSuite(&host.in_data, &host.out_data, "PF World Suite", 2, "x"), PF_Err_NONE);
    EXPECT_EQ(host.log, Strings{"release PF World Suite 2"});
    EXPECT_EQ(host.out_data.out_flags, 0);

    host.in_data.pica_basicP = nullptr;
    void* suite = &host;
    EXPECT_EQ(AEFX_AcquireSuite(&host.in_data, &host.out_data, "PF World Suite", 2, nullptr, &suite),
              PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(suite, nullptr);
    EXPECT_EQ(AEFX_ReleaseSuite(&host.in_data, &host.out_data, "PF World Suite", 2, nullptr),
              PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_STREQ(host.out_data.return_msg, "Not able to release AEFX Suite.");
}

TEST(DrawbotSuites, ComeAndGoInOrderStoppingAtTheFirstMissing)
{
    test::RecordingHost host;
    EXPECT_EQ(AEFX_AcquireDrawbotSuites(&host.in_data, &host.out_data, nullptr), PF_Err_INVALID_ARGUMENT);
    EXPECT_STREQ(host.out_data.return_msg, "NULL suite pointer passed to AEFX_AcquireDrawbotSuites");
    EXPECT_TRUE(host.log.empty());

    host.offerSuite("DRAWBOT Draw Suite", 1);
    DRAWBOT_Suites suites{};
    EXPECT_EQ(AEFX_AcquireDrawbotSuites(&host.in_data, &host.out_data, &suites), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_NE(suites.drawbot_suiteP, nullptr);
    EXPECT_EQ(suites.supplier_suiteP, nullptr);
    EXPECT_EQ(host.log, (Strings{"acquire DRAWBOT Draw Suite 1", "acquire DRAWBOT Supplier Suite 1"}));

    for (const char* name : {"DRAWBOT Supplier Suite", "DRAWBOT Surface Suite", "DRAWBOT Path Suite"}) {
        host.offerSuite(name, 1);
    }
    EXPECT_EQ(AEFX_AcquireDrawbotSuites(&host.in_data, &host.out_data, &suites), PF_Err_NONE);
    EXPECT_NE(suites.path_suiteP, nullptr);
    EXPECT_EQ(AEFX_ReleaseDrawbotSuites(&host.in_data, &host.out_data), PF_Err_NONE);
    EXPECT_EQ(host.entries("release"), (Strings{"release DRAWBOT Draw Suite 1", "release DRAWBOT Supplier Suite 1",
                                                "release DRAWBOT Surface Suite 1", "release DRAWBOT Path Suite 1"}));
}

TEST(HostText, TextsLongerThanTheirBufferAreCutAndAPercentSignShowsAsItIs)
{
    test::RecordingHost host;
    setReturnMessage(&host.in_data, &host.out_data, std::string(400, 'x').c_str());
    EXPECT_EQ(std::string(host.out_data.return_msg), std::string(255, 'x'));
    setReturnMessage(&host.in_data, &host.out_data, "100% of %s");
    EXPECT_STREQ(host.out_data.return_msg, "100% of %s");

    char name[8];
    copyHostText(&host.in_data, name, sizeof name, "Specular Shininess");
    EXPECT_STREQ(name, "Specula");
}

}  // namespace
}  // namespace zel
