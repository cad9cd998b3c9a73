// The built module as a host sees it: one exported function and the occlusion kernel, loadable
// and callable.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <array>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "sdk/pf_effect.h"

namespace {

// "T EntryPointFunc"-style entries: symbol type and name.
std::vector<std::string> definedDynamicSymbols(const std::string& path)
{
    const std::string command = "nm -D --defined-only '" + path + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::vector<std::string> names;
    std::array<char, 512> line{};
    while (pipe && std::fgets(line.data(), line.size(), pipe.get()) != nullptr) {
        std::istringstream fields(line.data());
        std::string address, type, name;
        if (fields >> address >> type >> name) {
            names.push_back(type + " " + name);
        }
    }
    return names;
}

TEST(ModuleExports, OnlyTheEntryPointAndTheKernelAreExported)
{
    EXPECT_EQ(definedDynamicSymbols(ZEL_MODULE_PATH),
              (std::vector<std::string>{"T EntryPointFunc", "B SSAOSamplePattern"}));
}

TEST(ModuleExports, TheEntryPointLoadsAndAnswersAnUnknownCommandWithZero)
{
    void* module = dlopen(ZEL_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    auto entry = reinterpret_cast<PF_EntryPointFunc>(dlsym(module, PF_ENTRY_POINT_NAME));
    ASSERT_NE(entry, nullptr);
    PF_InData in{};
    PF_OutData out{};
    EXPECT_EQ(entry(2, &in, &out, nullptr, nullptr, nullptr), PF_Err_NONE);
    dlclose(module);
}

}  // namespace
