// The jobs zel-farm submits for a command line, read as text: every path absolute, the frames in
// chunks, a video's encoding after the tasks, and what is refused before anything is queued.
#include <gtest/gtest.h>

#include <OpenImageIO/imagebuf.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "apps/zel-farm/slurm_jobs.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/text.h"

namespace zelrender {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

// The rows of job_scripts.json: a command line, run in a directory holding scene.json (100
// frames), an image wood.png and the folders "out" and "50%", and what the array's script, the
// encoding job's (for job 77) and sbatch's command line hold, or the message it is refused with.
// $DIR stands for the directory, $BIN for the folder of zel-render and zel-farm.
class JobScripts : public ::testing::TestWithParam<Json> {
protected:
    JobScripts()
    {
        for (const char* folder : {"out", "50%"}) {
            fs::create_directory(dir_ / folder);
        }
        zel::test::writeText(dir_ / "scene.json", R"({"composition": {"fps": 10}})");
        OIIO::ImageBuf(OIIO::ImageSpec(2, 2, 3, OIIO::TypeDesc::UINT8))
            .write((dir_ / "wood.png").string());
        fs::current_path(dir_);
    }
    ~JobScripts() override { fs::current_path(start_); }

    std::string withPaths(std::string text) const
    {
        for (const auto& [name, path] : {std::pair{"$DIR", dir_}, std::pair{"$BIN", bin_}}) {
            for (std::size_t at; (at = text.find(name)) != std::string::npos;) {
                text.replace(at, 4, path.string());
            }
        }
        return text;
    }

    void expectParts(const std::string& text, const Json& parts) const
    {
        for (const Json& part : parts) {
            EXPECT_TRUE(zel::test::contains(text, withPaths(part)))
                << withPaths(part) << "\nnot in\n" << text;
        }
    }

    const fs::path start_ = fs::current_path();
    zel::test::ScratchDirectory scratch_{"zel-farm"};
    const fs::path dir_ = scratch_.path();
    const fs::path bin_ = fs::path(ZEL_RENDER_PATH).parent_path();
};

TEST_P(JobScripts, HoldWhatTheCommandLineAsks)
{
    const Json& row = GetParam();
    try {
        const FarmPlan plan = planFarm(
            parseFarmCommandLine(row["arguments"].get<std::vector<std::string>>()), bin_);
        expectParts(renderScript(plan), row["render"]);
        expectParts(encodeScript(plan, "77"), row.value("encode", Json::array()));
        if (row.contains("sbatch")) {
            EXPECT_EQ(Json(sbatchCommand(plan, renderScriptPath(plan))),
                      Json::parse(withPaths(row["sbatch"].dump())));
        }
        EXPECT_FALSE(row.contains("error")) << row["error"];
    } catch (const std::exception& e) {
        EXPECT_EQ(e.what(), row.value("error", std::string("(no error)")));
    }
    EXPECT_FALSE(fs::exists(dir_ / "zel-farm"));  // nothing is written before submitting
}

INSTANTIATE_TEST_SUITE_P(
    Rows, JobScripts,
    ::testing::ValuesIn(
        Json::parse(zel::test::readText(ZEL_FARM_JOB_SCRIPTS)).get<std::vector<Json>>()),
    [](const ::testing::TestParamInfo<Json>& row) { return row.param["name"].get<std::string>(); });

}  // namespace
}  // namespace zelrender
