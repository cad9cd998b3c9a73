#include "apps/zel-render/persistent_settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "apps/zel-render/whole_files.h"
#include "tests/support/scratch_directory.h"

namespace zelrender {
namespace {

namespace fs = std::filesystem;

class PersistentSettingsTest : public ::testing::Test {
protected:
    fs::path file() const { return dir_ / "zel" / "preferences.ini"; }

    std::string written() const
    {
        std::ostringstream text;
        text << std::ifstream(file()).rdbuf();
        return text.str();
    }

    zel::test::ScratchDirectory scratch_{"zel-settings"};
    fs::path dir_ = scratch_.path();
};

TEST_F(PersistentSettingsTest, EntriesSurviveIntoTheNextSession)
{
    {
        PersistentSettings settings(file());
        EXPECT_TRUE(settings.set("Effects -- MP 6", "vo Zel", "0"));
        EXPECT_TRUE(settings.set("Effects -- MP 6", "other", "a = b"));
        EXPECT_TRUE(settings.set("Another", "k", "v"));
        EXPECT_TRUE(settings.erase("Another", "k"));
    }
    PersistentSettings again(file());
    EXPECT_EQ(again.get("Effects -- MP 6", "vo Zel"), "0");
    EXPECT_EQ(again.get("Effects -- MP 6", "other"), "a = b");
    EXPECT_EQ(again.get("Another", "k"), std::nullopt);
    EXPECT_EQ(written().find("[Another]"), std::string::npos) << "empty sections are dropped";
}

TEST_F(PersistentSettingsTest, EntriesThatCannotBeWrittenBackAreRefused)
{
    PersistentSettings settings(file());
    EXPECT_FALSE(settings.set("section", "key=1", "v"));
    EXPECT_FALSE(settings.set("sec]tion", "key", "v"));
    EXPECT_FALSE(settings.set("section", "key", "two\nlines"));
    EXPECT_FALSE(settings.set("section", " padded", "v"));
    EXPECT_FALSE(fs::exists(file()));
}

TEST_F(PersistentSettingsTest, AFailedWriteLeavesTheOldFileWhole)
{
    {
        PersistentSettings settings(file());
        ASSERT_TRUE(settings.set("s", "k", "old"));
    }
    const std::string before = written();
    fs::create_directory(temporaryName(file()));  // the temporary name is taken by a directory
    PersistentSettings settings(file());
    EXPECT_FALSE(settings.set("s", "k", "new"));
    EXPECT_EQ(written(), before);
}

TEST_F(PersistentSettingsTest, TheSuiteReadsWritesAndTruncatesLikeAHost)
{
    PersistentSettings settings(file());
    const AEGP_PersistentDataSuite3& suite = PersistentSettings::kSuite;
    AEGP_PersistentBlobH blob = nullptr;
    ASSERT_EQ(suite.AEGP_GetApplicationBlob(&blob), PF_Err_NONE);
    EXPECT_EQ(suite.AEGP_SetString(blob, "Section", "Key", "value"), PF_Err_NONE);

    char buffer[4];
    uint32_t size = 0;
    EXPECT_EQ(suite.AEGP_GetString(blob, "Section", "Key", "default", sizeof buffer, buffer, &size),
              PF_Err_NONE);
    EXPECT_STREQ(buffer, "val");
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(suite.AEGP_GetString(blob, "Section", "Missing", "dflt", sizeof buffer, buffer, &size),
              PF_Err_NONE);
    EXPECT_STREQ(buffer, "dfl");
    EXPECT_EQ(suite.AEGP_DeleteEntry(blob, "Section", "Key"), PF_Err_NONE);
    EXPECT_EQ(settings.get("Section", "Key"), std::nullopt);
    EXPECT_EQ(suite.AEGP_SetString(blob, "Section", "bad=key", "v"), PF_Err_INVALID_ARGUMENT);
}

}  // namespace
}  // namespace zelrender
