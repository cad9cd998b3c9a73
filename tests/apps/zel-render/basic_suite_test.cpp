// The basic suite: suites found by name and version, and every acquisition given back.
#include <gtest/gtest.h>

#include <stdexcept>

#include "apps/zel-render/basic_suite.h"
#include "apps/zel-render/effect_host.h"
#include "apps/zel-render/module_library.h"
#include "sdk/pf_suites.h"
#include "tests/apps/zel-render/fake_module.h"

namespace zelrender {
namespace {

using test::FakeModule;

TEST(BasicSuite, HandsOutOnlyWhatItOffersAndCountsWhatIsHeld)
{
    constexpr int kTable = 7;  // stands for a suite's table
    BasicSuite basic;
    EXPECT_THROW(BasicSuite second, std::logic_error);  // the table's functions reach one only
    basic.add({"Test Suite", 2}, &kTable);
    SPBasicSuite* sp = basic.table();

    const void* suite = &kTable;
    EXPECT_EQ(sp->AcquireSuite("Test Suite", 1, &suite), kSPSuiteNotFoundError);
    EXPECT_EQ(suite, nullptr);
    EXPECT_EQ(sp->AcquireSuite(nullptr, 2, &suite), kSPSuiteNotFoundError);
    EXPECT_EQ(sp->AcquireSuite("Test Suite", 2, nullptr), kSPSuiteNotFoundError);
    EXPECT_TRUE(basic.held().empty());

    EXPECT_EQ(sp->AcquireSuite("Test Suite", 2, &suite), kSPNoError);
    EXPECT_EQ(suite, &kTable);
    sp->AcquireSuite("Test Suite", 2, &suite);
    EXPECT_EQ(basic.held(), (std::vector<SuiteName>{{"Test Suite", 2}, {"Test Suite", 2}}));
    EXPECT_EQ(sp->ReleaseSuite("Test Suite", 2), kSPNoError);
    EXPECT_EQ(sp->ReleaseSuite("Test Suite", 2), kSPNoError);
    EXPECT_EQ(sp->ReleaseSuite("Test Suite", 2), kSPSuiteNotFoundError);
    EXPECT_TRUE(basic.held().empty());
    EXPECT_EQ(basic.acquisitions(), 2);
}

TEST(BasicSuite, ASessionWithTheRealModuleGivesBackEverySuite)
{
    const ModuleLibrary module(ZEL_MODULE_PATH);
    const ModuleOutput output = ModuleOutput::toStderr();
    EffectHost host(module.entryPoint(), Composition{}, output);
    host.setUp();
    EXPECT_EQ(host.params().size(), 115);
    host.setDown();
    EXPECT_TRUE(host.suites().held().empty());
}

TEST(BasicSuite, ASuiteKeptPastSetDownIsReported)
{
    const ModuleOutput output = ModuleOutput::toStderr();
    for (const bool giveBack : {true, false}) {
        // The module takes the handle suite at set-up and gives it back at set-down when told.
        FakeModule::reset();
        FakeModule::behaviour = [giveBack](PF_Cmd cmd, PF_InData& in, PF_OutData& out) {
            const void* suite = nullptr;
            out.num_params = 1;
            if (cmd == PF_Cmd_GLOBAL_SETUP) {
                return PF_Err{
                    in.pica_basicP->AcquireSuite(kPFHandleSuite, kPFHandleSuiteVersion2, &suite)};
            }
            return PF_Err{cmd == PF_Cmd_GLOBAL_SETDOWN && giveBack
                              ? in.pica_basicP->ReleaseSuite(kPFHandleSuite, kPFHandleSuiteVersion2)
                              : PF_Err_NONE};
        };
        EffectHost host(FakeModule::entry, Composition{}, output);
        host.setUp();
        EXPECT_EQ(host.suites().held().size(), 1u);
        testing::internal::CaptureStderr();
        host.setDown();
        EXPECT_EQ(
            testing::internal::GetCapturedStderr(),
            giveBack
                ? ""
                : "zel-render: warning: the module did not release PF Handle Suite version 2\n");
        EXPECT_EQ(host.suites().held().empty(), giveBack);
    }
}

}  // namespace
}  // namespace zelrender
