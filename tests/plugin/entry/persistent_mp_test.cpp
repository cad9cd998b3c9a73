#include "plugin/entry/persistent_mp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sdk/aegp_suites.h"
#include "tests/plugin/recording_host.h"

namespace zel {
namespace {

using Strings = std::vector<std::string>;

// A settings store that logs each change into the current host's log.
Strings* gSettingsLog = nullptr;
int gApplicationBlob = 0;
PF_Err gBlobError = PF_Err_NONE;

const AEGP_PersistentDataSuite3 kSettings = {
    [](AEGP_PersistentBlobH* blob) {
        *blob = reinterpret_cast<AEGP_PersistentBlobH>(&gApplicationBlob);
        return gBlobError;
    },
    [](AEGP_PersistentBlobH, const char* section, const char* key, const char* value) {
        gSettingsLog->push_back(std::string("set [") + section + "] " + key + " = " + value);
        return PF_Err{PF_Err_NONE};
    },
    [](AEGP_PersistentBlobH, const char*, const char*, const char*, uint32_t, char*, uint32_t*) { return PF_Err{}; },
    [](AEGP_PersistentBlobH, const char* section, const char* key) {
        gSettingsLog->push_back(std::string("delete [") + section + "] " + key);
        return PF_Err{PF_Err_NONE};
    },
};

class PersistentMP : public ::testing::Test {
protected:
    void SetUp() override
    {
        gSettingsLog = &host.log;
        gBlobError = PF_Err_NONE;
        host.offerSuite("AEGP Persistent Data Suite", 3, &kSettings);
    }

    // The settings changes of one call, which must answer 0.
    Strings settingsWith(PF_SpecVersion version, int enable)
    {
        host.log.clear();
        host.in_data.version = version;
        EXPECT_EQ(AEGP_SetPersistentMP(&host.in_data, kMatchName, enable), 0);
        return host.entries("set").empty() ? host.entries("delete") : host.entries("set");
    }

    test::RecordingHost host;
};

TEST_F(PersistentMP, TheSectionFollowsTheHostVersionAndEnablingDeletesTheEntry)
{
    const std::string section = "[EffectsCompatability -- Effect MP Compatible";
    EXPECT_EQ(settingsWith({13, 0}, 0), Strings{"set " + section + " 6] vo Zel = 0"});
    EXPECT_EQ(settingsWith({12, 14}, 0), Strings{"set " + section + " 5] vo Zel = 0"});
    EXPECT_EQ(settingsWith({12, 13}, 0), Strings{"set " + section + "] vo Zel = 0"});
    for (PF_SpecVersion older : {PF_SpecVersion{12, 12}, PF_SpecVersion{11, 20}}) {
        EXPECT_TRUE(settingsWith(older, 0).empty());
        EXPECT_TRUE(host.entries("acquire").empty()) << "no suite is needed for an older host";
    }
    EXPECT_EQ(settingsWith({13, 0}, 1), Strings{"delete " + section + " 6] vo Zel"});
    EXPECT_EQ(host.entries("release"), Strings{"release AEGP Persistent Data Suite 3"});
}

TEST_F(PersistentMP, HostFailuresAreIgnored)
{
    gBlobError = 7;
    EXPECT_TRUE(settingsWith({13, 0}, 0).empty());
    EXPECT_EQ(host.entries("release").size(), 1u);

    test::RecordingHost bare;  // no settings suite at all
    EXPECT_EQ(AEGP_SetPersistentMP(&bare.in_data, kMatchName, 0), 0);
    bare.in_data.pica_basicP = nullptr;
    EXPECT_EQ(AEGP_SetPersistentMP(&bare.in_data, kMatchName, 0), 0);
}

}  // namespace
}  // namespace zel
