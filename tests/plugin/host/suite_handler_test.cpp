#include "plugin/host/suite_handler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/plugin/recording_host.h"

namespace zel {
namespace {

using Strings = std::vector<std::string>;

TEST(SuiteHandler, KnowsEverySuiteVersionInReleaseOrder)
{
    EXPECT_EQ(kKnownSuites.size(), 113u);
    EXPECT_STREQ(kKnownSuites.front().name, "AEGP Marker Suite");
    EXPECT_STREQ(kKnownSuites.back().name, "PF Color16 Suite");
    // Versions keep the listed order, which is not numeric.
    EXPECT_EQ(knownSuiteSlot("AEGP Layer Suite", 5), knownSuiteSlot("AEGP Layer Suite", 13) + 1);
    EXPECT_EQ(knownSuiteSlot("AEGP Layer Suite", 99), kKnownSuites.size());
}

TEST(SuiteHandler, LoadsEachSuiteOnceAndReleasesThemOnceInListOrder)
{
    test::RecordingHost host;
    for (const auto& [name, version] : {std::pair{"AEGP Light Suite", 1}, {"AEGP PF Interface Suite", 1},
                                        {"AEGP Layer Suite", 5}, {"AEGP Persistent Data Suite", 3}}) {
        host.offerSuite(name, version);
    }
    {
        AEGP_SuiteHandler suites(host.in_data.pica_basicP);
        const AEGP_LightSuite1* first = suites.get<AEGP_LightSuite1>();
        EXPECT_NE(first, nullptr);
        EXPECT_EQ(suites.get<AEGP_LightSuite1>(), first);
        EXPECT_EQ(host.log, Strings{"acquire AEGP Light Suite 1"});
        suites.get<AEGP_PersistentDataSuite3>();
        suites.get<AEGP_PFInterfaceSuite1>();
        suites.get<AEGP_LayerSuite5>();
        host.log.clear();
    }
    EXPECT_EQ(host.log, (Strings{"release AEGP Layer Suite 5", "release AEGP PF Interface Suite 1",
                                 "release AEGP Light Suite 1", "release AEGP Persistent Data Suite 3"}));

    host.log.clear();
    {
        AEGP_SuiteHandler suites(host.in_data.pica_basicP);
        suites.get<AEGP_LightSuite1>();
        suites.ReleaseAllSuites();
    }
    EXPECT_EQ(host.entries("release").size(), 1u);
}

// The PF_Err that `run` throws, or PF_Err_NONE.
template <typename Run>
PF_Err thrown(Run run)
{
    try {
        run();
    } catch (PF_Err err) {
        return err;
    }
    return PF_Err_NONE;
}

TEST(SuiteHandler, AMissingSuiteOrBasicSuiteThrows516AndWhatWasLoadedIsStillReleased)
{
    test::RecordingHost host;
    host.offerSuite("AEGP Camera Suite", 2);
    EXPECT_EQ(thrown([&] {
                  AEGP_SuiteHandler suites(host.in_data.pica_basicP);
                  suites.get<AEGP_CameraSuite2>();
                  suites.get<AEGP_StreamSuite4>();
              }),
              PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(host.entries("release"), Strings{"release AEGP Camera Suite 2"});
    EXPECT_EQ(thrown([] { AEGP_SuiteHandler handler(nullptr); }), PF_Err_BAD_CALLBACK_PARAM);
}

}  // namespace
}  // namespace zel
