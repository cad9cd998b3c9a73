// zel-farm against a real Slurm: a one-node cluster on this machine (munged, slurmctld and slurmd
// from a configuration of the test's own) renders a sequence and a video with the same bytes as
// a local run, and a failed chunk is reported with its frames and the command that renders them
// again.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/scratch_directory.h"
#include "tests/support/text.h"

namespace zelrender {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using zel::test::ChildProcess;
using zel::test::contains;
using zel::test::Finished;
using zel::test::readText;

// A TCP port on the loopback nothing listens on now.
int freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), size);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
}

// This machine's name, as `hostname -s` gives it: Slurm's name for its one node.
std::string shortHostName()
{
    char name[256] = {};
    ::gethostname(name, sizeof name - 1);
    return std::string(name).substr(0, std::string(name).find('.'));
}

// The daemons run in the foreground as the test's children, stopped by their process ids when
// the test ends however it ends (ChildProcess). Each test gets a cluster of its own.
class SlurmCluster : public ::testing::Test {
protected:
    void SetUp() override
    {
        // munged wants its socket's folders open to all, and its key private.
        fs::permissions(dir_, fs::perms::owner_all | fs::perms::group_read |
                                  fs::perms::group_exec | fs::perms::others_read |
                                  fs::perms::others_exec);
        for (const char* folder : {"munge", "state", "spool", "work"}) {
            fs::create_directory(dir_ / folder);
        }
        std::ofstream key(dir_ / "munge" / "key", std::ios::binary);
        std::random_device random;
        for (int i = 0; i < 1024; ++i) {
            key.put(static_cast<char>(random()));
        }
        key.close();
        fs::permissions(dir_ / "munge" / "key", fs::perms::owner_read | fs::perms::owner_write);
        const std::string munge = (dir_ / "munge").string();
        start({"munged", "--foreground", "--key-file=" + munge + "/key",
               "--socket=" + munge + "/socket", "--pid-file=" + munge + "/pid",
               "--log-file=" + munge + "/log", "--seed-file=" + munge + "/seed"});
        awaitCluster([&] { return fs::exists(dir_ / "munge" / "socket"); }, "munged's socket");

        const std::string host = shortHostName();
        const std::string d = dir_.string();
        zel::test::writeText(conf_, "ClusterName=zeltest\nSlurmctldHost=" + host +
            "(127.0.0.1)\nSlurmctldPort=" + std::to_string(freePort()) +
            "\nSlurmdPort=" + std::to_string(freePort()) +
            "\nSlurmUser=root\nAuthType=auth/munge\nAuthInfo=socket=" + munge + "/socket\n"
            "CredType=cred/munge\nStateSaveLocation=" + d + "/state\nSlurmdSpoolDir=" + d +
            "/spool\nSlurmctldPidFile=" + d + "/slurmctld.pid\nSlurmdPidFile=" + d +
            "/slurmd.pid\nSlurmctldLogFile=" + d + "/slurmctld.log\nSlurmdLogFile=" + d +
            "/slurmd.log\nMailProg=/bin/true\nProctrackType=proctrack/linuxproc\n"
            "TaskPlugin=task/none\nJobAcctGatherType=jobacct_gather/none\n"
            "AccountingStorageType=accounting_storage/none\nSchedulerType=sched/builtin\n"
            "SelectType=select/cons_tres\nSelectTypeParameters=CR_CPU\nMpiDefault=none\n"
            "ReturnToService=2\nSlurmdParameters=config_overrides\nNodeName=" + host +
            " NodeAddr=127.0.0.1 CPUs=2 State=UNKNOWN\n"
            "PartitionName=render Nodes=ALL Default=YES MaxTime=INFINITE State=UP\n");
        start({"slurmctld", "-D", "-f", conf_.string()});
        start({"slurmd", "-D", "-f", conf_.string(), "-N", host});
        awaitCluster([&] { return contains(run({"sinfo", "-h", "-o", "%T"}).out, "idle"); },
                     "the node to be idle");
    }

    void start(const std::vector<std::string>& command)
    {
        daemons_.emplace_back(command.front(), std::make_unique<ChildProcess>(command, options()));
    }

    // Waits up to 30 s for `ready`, failing with a daemon's messages when one has ended.
    template <typename Ready>
    void awaitCluster(Ready ready, const std::string& what)
    {
        for (const auto end = std::chrono::steady_clock::now() + 30s; !ready();) {
            for (const auto& [name, daemon] : daemons_) {
                const std::optional<int> ended = daemon->waitFor(0ms);
                ASSERT_FALSE(ended) << name << " ended with " << *ended << " (127: not installed;"
                                    << " it runs as root), waiting for " << what << ":\n"
                                    << daemon->err() << daemon->out();
            }
            ASSERT_LT(std::chrono::steady_clock::now(), end) << "no " << what << " in 30 s";
            std::this_thread::sleep_for(200ms);
        }
    }

    zel::test::ProgramOptions options() const
    {
        return {{{"SLURM_CONF", conf_.string()}}, dir_ / "work"};
    }

    Finished run(const std::vector<std::string>& command) const
    {
        return zel::test::runProgram(command, 90s, options());
    }

    zel::test::ScratchDirectory scratch_{"zel-slurm"};
    const fs::path dir_ = scratch_.path();
    const fs::path conf_ = dir_ / "slurm.conf";
    const fs::path work_ = dir_ / "work";
    std::vector<std::pair<std::string, std::unique_ptr<ChildProcess>>> daemons_;
};

TEST_F(SlurmCluster, RendersAsALocalRunAndReportsAFailedChunkWithItsResubmission)
{
    zel::test::writeText(work_ / "scene.json", R"({"composition": {"width": 48, "height": 27,
        "fps": 10}, "controls": {"Evolution": {"keyframes": [[0, 0], [2, 400]]}}})");
    for (const char* folder : {"local", "farm", "fail"}) {
        fs::create_directory(work_ / folder);
    }
    const std::vector<std::string> scene = {"scene.json", "--frames", "0-11"};
    for (const char* output : {"local/f-####.png", "local/clip.mp4"}) {
        std::vector<std::string> command = {ZEL_RENDER_PATH, "-o", output};
        command.insert(command.end(), scene.begin(), scene.end());
        const Finished local = run(command);
        ASSERT_EQ(local.exitCode, 0) << local.err;
    }
    const auto farm = [&](const std::string& output, std::vector<std::string> more) {
        std::vector<std::string> command = {ZEL_FARM_PATH, "-o", output, "--chunk", "4", "--wait"};
        command.insert(command.end(), scene.begin(), scene.end());
        command.insert(command.end(), more.begin(), more.end());
        return command;
    };

    const Finished frames = run(farm("farm/f-####.png", {"--partition", "render"}));
    ASSERT_EQ(frames.exitCode, 0) << frames.out << frames.err;
    EXPECT_TRUE(contains(frames.out, "ended: 12 frames done, 0 failed, 0 missing")) << frames.out;
    for (int frame = 0; frame < 12; ++frame) {
        char file[16];
        std::snprintf(file, sizeof file, "f-%04d.png", frame);
        EXPECT_EQ(readText(work_ / "farm" / file), readText(work_ / "local" / file)) << file;
    }
    const Finished video = run(farm("farm/clip.mp4", {}));
    ASSERT_EQ(video.exitCode, 0) << video.out << video.err;
    EXPECT_EQ(readText(work_ / "farm" / "clip.mp4"), readText(work_ / "local" / "clip.mp4"));
    EXPECT_FALSE(fs::exists(work_ / "farm" / "zel-farm" / "clip.mp4.frames"));

    // Held until frame 5's file has become a directory, which its task cannot replace.
    ChildProcess failing(farm("fail/f-####.png", {"--", "--hold"}), options());
    awaitCluster([&] { return contains(run({"squeue", "-h", "-o", "%r"}).out, "JobHeldUser"); },
                 "the held job");
    fs::create_directory(work_ / "fail" / "f-0005.png");
    const std::string job = run({"squeue", "-h", "-o", "%F"}).out;
    ASSERT_EQ(run({"scontrol", "release", job.substr(0, job.find('\n'))}).exitCode, 0);
    ASSERT_EQ(failing.waitFor(90s), 4) << failing.out() << failing.err();
    EXPECT_TRUE(contains(failing.out(), "ended: 8 frames done, 4 failed, 0 missing"));
    const std::string out = (work_ / "fail").string();
    EXPECT_EQ(failing.err(),
              "zel-farm: task 1 (frames 4-7) FAILED with exit code 4: zel-render: " + out +
                  "/f-0005.png: cannot be written: it is a directory\n"
                  "zel-farm: to render frames 4-7 again: " ZEL_FARM_PATH " --chunk=4 --wait " +
                  work_.string() + "/scene.json '--output=" + out +
                  "/f-####.png' --frames=4-7 -- --hold\n");
}

}  // namespace
}  // namespace zelrender
