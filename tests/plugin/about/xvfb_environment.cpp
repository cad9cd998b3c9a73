// main() of the tests that need an X server: each test process gets a private Xvfb on a free
// display, named in DISPLAY for the programs the tests start, and gone when the process ends,
// even when it ends by a crash.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace {

class XvfbEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        pid_ = ::fork();
        ASSERT_GE(pid_, 0);
        if (pid_ == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            ::close(pipeFds[0]);
            // -displayfd: Xvfb takes the first free display and writes its number when ready.
            const std::string fd = std::to_string(pipeFds[1]);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24",
                     "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(pipeFds[1]);
        const std::string display = readDisplay(pipeFds[0]);
        ::close(pipeFds[0]);
        ASSERT_FALSE(display.empty()) << "Xvfb did not start (is it installed?)";
        ::setenv("DISPLAY", (":" + display).c_str(), 1);
    }

    void TearDown() override
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }

private:
    // The display number Xvfb reports, or "" when it says nothing within ten seconds.
    static std::string readDisplay(int fd)
    {
        std::string number;
        pollfd ready = {fd, POLLIN, 0};
        char c = 0;
        while (::poll(&ready, 1, 10000) > 0 && ::read(fd, &c, 1) == 1 && c != '\n') {
            number += c;
        }
        return c == '\n' ? number : "";
    }

    pid_t pid_ = -1;
};

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);
    return RUN_ALL_TESTS();
}
