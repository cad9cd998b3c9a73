// zel-render run as a user runs it, against the real module.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace zelrender {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;  // keeps the keys in the order printed

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string contents(const fs::path& path)
{
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

std::string shellQuoted(const std::string& word)
{
    std::string quoted = "'";
    for (char c : word) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

class ZelRender : public ::testing::Test {
protected:
    ZelRender()
    {
        std::string pattern = (fs::temp_directory_path() / "zel-render-cli-XXXXXX").string();
        dir_ = ::mkdtemp(pattern.data());
    }
    ~ZelRender() override { fs::remove_all(dir_); }

    // Runs zel-render with its log under `stateHome` and its preferences under this test's own
    // directory, and stdout and stderr kept apart.
    Outcome run(const std::vector<std::string>& arguments, const std::string& stateHome = "") const
    {
        std::string command =
            "XDG_STATE_HOME=" + shellQuoted(stateHome.empty() ? dir_.string() : stateHome) +
            " XDG_CONFIG_HOME=" + shellQuoted(dir_.string()) + " " + shellQuoted(ZEL_RENDER_PATH);
        for (const std::string& argument : arguments) {
            command += " " + shellQuoted(argument);
        }
        command += " 2>" + shellQuoted((dir_ / "stderr").string());
        Outcome result;
        FILE* pipe = ::popen(command.c_str(), "r");
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            result.out.append(buffer, n);
        }
        const int status = ::pclose(pipe);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.err = contents(dir_ / "stderr");
        return result;
    }

    fs::path log() const { return dir_ / "zel" / "zel-render.log"; }
    fs::path preferences() const { return dir_ / "zel" / "preferences.ini"; }

    fs::path dir_;
};

const json& param(const json& list, const std::string& name)
{
    for (const json& p : list) {
        if (p["name"] == name) {
            return p;
        }
    }
    throw std::out_of_range("no parameter " + name);
}

TEST_F(ZelRender, ListsEveryParameterAsJsonAndNothingElseOnStdout)
{
    const Outcome r = run({"--list-params", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const json list = json::parse(r.out);  // throws if anything but JSON is on stdout
    ASSERT_EQ(list.size(), 114u);

    const std::vector<std::string> keys = {
        "index",      "name",    "type",      "id",      "flags",  "valid_min", "valid_max",
        "slider_min", "slider_max", "default", "precision", "choices", "enabled"};
    for (std::size_t i = 0; i < list.size(); ++i) {
        std::vector<std::string> present;
        for (const auto& [key, value] : list[i].items()) {
            present.push_back(key);
        }
        EXPECT_EQ(present, keys) << "parameter " << i + 1;
        EXPECT_EQ(list[i]["index"], i + 1);
        EXPECT_EQ(list[i]["name"].is_null(), list[i]["type"] == "group_end");
        if (list[i]["type"] == "color") {
            EXPECT_EQ(list[i]["default"], json({255, 255, 255, 255})) << list[i]["name"];
        }
    }
    EXPECT_EQ(list[0]["name"], "Geometry");
    EXPECT_EQ(list[0]["type"], "group_start");
    EXPECT_EQ(list[0]["id"], 1);
    EXPECT_EQ(list[113]["name"], "Memory Check");
    EXPECT_EQ(list[113]["choices"].size(), 12u);
    const json& frequency = param(list, "Frequency");
    EXPECT_EQ(frequency["default"], 800);
    EXPECT_EQ(frequency["slider_max"], 500);
    EXPECT_EQ(frequency["choices"], nullptr);
    EXPECT_EQ(param(list, "Position XY")["default"], json({50, 50}));

    // The module's own output went to the log.
    EXPECT_TRUE(contains(contents(log()), "global setup"));
}

TEST_F(ZelRender, TheModulesOutputGoesToStderrWhenAskedOrWhenThereIsNoLog)
{
    const Outcome verbose = run({"--list-params", "--json", "--verbose"});
    const Outcome noLog = run({"--list-params", "--json"}, "/proc/self/no-such-place");
    for (const Outcome& r : {verbose, noLog}) {
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(json::accept(r.out)) << r.out;
        EXPECT_TRUE(contains(r.err, "global setup")) << r.err;
    }
    EXPECT_TRUE(contains(noLog.err, "cannot open the module's log (/proc/self/no-such-place/zel/"));
    EXPECT_FALSE(fs::exists(log()));
}

TEST_F(ZelRender, ListsParametersAsATableNestedByGroup)
{
    const Outcome r = run({"--list-params"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "\n1      Geometry ")) << r.out;
    EXPECT_TRUE(contains(r.out, "\n7        Vertices X ")) << r.out;
    EXPECT_TRUE(contains(r.out, "\n17     (end of Geometry) ")) << r.out;
    EXPECT_TRUE(contains(r.out, "2 to 100000")) << r.out;
    EXPECT_TRUE(contains(r.out, "Fill|Wireframe|Points|Front Fill, Back Wire")) << r.out;
}

TEST_F(ZelRender, SetsValuesOrRefusesThemWithTheAcceptedRange)
{
    const Outcome ok = run({"--set", "Vertices X=1000", "--set", "Draw=Front Fill, Back Wire",
                            "--set", "Color=#FF8000", "--set", "Position XY=10,20"});
    EXPECT_EQ(ok.exitCode, 0) << ok.err;
    EXPECT_EQ(ok.out, "");
    EXPECT_TRUE(contains(ok.err, "114 controls")) << ok.err;

    const Outcome refused = run({"--set", "Vertices X=0", "--list-params"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err,
              "zel-render: \"Vertices X\" takes a number from 2 to 100000; got \"0\"\n");
    EXPECT_EQ(refused.out, "");
}

TEST_F(ZelRender, ListsControlsTheModuleGreyedOutAsItLeftThemAfterSetUpAndAfterValues)
{
    const auto corner = [this](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(),
                         {"--plugin", ZEL_CONTROLS_MODULE_PATH, "--list-params", "--json"});
        const Outcome r = run(arguments);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return param(json::parse(r.out), "Corner")["enabled"];
    };
    EXPECT_EQ(corner({}), false);
    EXPECT_EQ(corner({"--set", "Shape=Square"}), true);
    const Outcome table = run({"--plugin", ZEL_CONTROLS_MODULE_PATH, "--list-params"});
    EXPECT_TRUE(contains(table.out, "\n2      Corner  float_slider  greyed ")) << table.out;
    EXPECT_TRUE(contains(table.out, "\n1      Shape   popup         enabled ")) << table.out;
}

TEST_F(ZelRender, HelpNamesTheOptionsAndUnknownOptionsAreRefused)
{
    const Outcome help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* option : {"--plugin", "--set", "--list-params", "--json", "--verbose"}) {
        EXPECT_TRUE(contains(help.out, option)) << option;
    }
    const Outcome unknown = run({"--frames", "3"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_TRUE(contains(unknown.err, "--frames")) << unknown.err;
}

TEST_F(ZelRender, AModuleThatCannotBeUsedExitsWithTwoNamingThePathAndTheReason)
{
    const fs::path notElf = dir_ / "not-a-module.so";
    std::ofstream(notElf) << "plain text\n";
    const std::pair<std::string, std::string> cases[] = {
        {"/nonexistent/zel.so", "No such file"},
        {notElf.string(), "cannot load module"},
        {ZEL_NO_ENTRY_MODULE_PATH, "has no EntryPointFunc"},
    };
    for (const auto& [path, reason] : cases) {
        const Outcome r = run({"--plugin", path, "--list-params"});
        EXPECT_EQ(r.exitCode, 2) << path;
        EXPECT_TRUE(contains(r.err, path)) << r.err;
        EXPECT_TRUE(contains(r.err, reason)) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

TEST_F(ZelRender, KeepsTheModulesPreferenceInTheUsersConfiguration)
{
    ASSERT_EQ(run({"--list-params"}).exitCode, 0);
    EXPECT_EQ(contents(preferences()),
              "# Settings that effects keep in zel-render, by section.\n"
              "[EffectsCompatability -- Effect MP Compatible 6]\n"
              "vo Zel = 0\n");
}

}  // namespace
}  // namespace zelrender
