#include "plugin/host/suite_handler.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "tests/plugin/recording_host.h"

namespace zel {
namespace {

TEST(SuiteHandler, WithoutABasicSuiteConstructionThrows516)
{
    try {
        AEGP_SuiteHandler handler(nullptr);
        FAIL() << "no exception";
    } catch (PF_Err err) {
        EXPECT_EQ(err, PF_Err_BAD_CALLBACK_PARAM);
    }
}

TEST(SuiteHandler, KnowsEverySuiteVersionInReleaseOrder)
{
    EXPECT_EQ(kKnownSuites.size(), 113u);
    EXPECT_STREQ(kKnownSuites.front().name, "AEGP Marker Suite");
    EXPECT_STREQ(kKnownSuites.back().name, "PF Color16 Suite");
    // Versions keep the listed order, which is not numeric.
    const std::size_t layer13 = knownSuiteSlot("AEGP Layer Suite", 13);
    EXPECT_EQ(knownSuiteSlot("AEGP Layer Suite", 5), layer13 + 1);
    EXPECT_EQ(knownSuiteSlot("AEGP Layer Suite", 99), kKnownSuites.size());
}

TEST(SuiteHandler, LoadsEachSuiteOnceAndReleasesItOnce)
{
    test::RecordingHost host;
    host.offerSuite("AEGP Light Suite", 1);
    {
        AEGP_SuiteHandler suites(host.in_data.pica_basicP);
        const AEGP_LightSuite1* first = suites.get<AEGP_LightSuite1>();
        EXPECT_NE(first, nullptr);
        EXPECT_EQ(suites.get<AEGP_LightSuite1>(), first);
        EXPECT_EQ(host.log, std::vector<std::string>{"acquire AEGP Light Suite 1"});
    }
    EXPECT_EQ(host.log, (std::vector<std::string>{"acquire AEGP Light Suite 1",
                                                  "release AEGP Light Suite 1"}));
}

TEST(SuiteHandler, ReleasesInListOrderWhateverTheOrderOfUse)
{
    test::RecordingHost host;
    for (const auto& [name, version] : {std::pair{"AEGP Light Suite", 1},
                                        std::pair{"AEGP PF Interface Suite", 1},
                                        std::pair{"AEGP Layer Suite", 5},
                                        std::pair{"AEGP Persistent Data Suite", 3}}) {
        host.offerSuite(name, version);
    }
    {
        AEGP_SuiteHandler suites(host.in_data.pica_basicP);
        suites.get<AEGP_PersistentDataSuite3>();
        suites.get<AEGP_LightSuite1>();
        suites.get<AEGP_PFInterfaceSuite1>();
        suites.get<AEGP_LayerSuite5>();
        host.log.clear();
    }
    EXPECT_EQ(host.log, (std::vector<std::string>{
                            "release AEGP Layer Suite 5", "release AEGP PF Interface Suite 1",
                            "release AEGP Light Suite 1", "release AEGP Persistent Data Suite 3"}));
}

TEST(SuiteHandler, AMissingSuiteThrows516AndWhatWasLoadedIsStillReleased)
{
    test::RecordingHost host;
    host.offerSuite("AEGP Camera Suite", 2);
    try {
        AEGP_SuiteHandler suites(host.in_data.pica_basicP);
        suites.get<AEGP_CameraSuite2>();
        suites.get<AEGP_StreamSuite4>();
        FAIL() << "no exception";
    } catch (PF_Err err) {
        EXPECT_EQ(err, PF_Err_BAD_CALLBACK_PARAM);
    }
    EXPECT_EQ(host.entries("release"), std::vector<std::string>{"release AEGP Camera Suite 2"});
}

TEST(SuiteHandler, ReleaseAllSuitesDoesNotReleaseTwice)
{
    test::RecordingHost host;
    host.offerSuite("AEGP Light Suite", 1);
    {
        AEGP_SuiteHandler suites(host.in_data.pica_basicP);
        suites.get<AEGP_LightSuite1>();
        suites.ReleaseAllSuites();
    }
    EXPECT_EQ(host.entries("release").size(), 1u);
}

}  // namespace
}  // namespace zel
