#include "environment.h"
#include "system/process.h"

#include <csignal>
#include <gtest/gtest.h>
#include <system_error>

namespace ostrel {
namespace {

ProcessOptions captured() {
    ProcessOptions options;
    options.captureOutput = true;
    return options;
}

bool alive(pid_t pid) {
    return ::kill(pid, 0) == 0;
}

TEST(Process, ExitCodeAndOutputWithoutAShell) {
    auto echo = Process::start({"echo", "a  b", "$HOME", ";", "|"}, captured());
    EXPECT_TRUE(echo.wait().succeeded());
    EXPECT_EQ(echo.output(), "a  b $HOME ; |\n");

    auto failing = Process::start({"false"});
    const auto exit = failing.wait();
    EXPECT_TRUE(exit.exited);
    EXPECT_EQ(exit.code, 1);
    EXPECT_EQ(exit.describe(), "exit code 1");
}

TEST(Process, ProgramThatCannotStartThrows) {
    EXPECT_THROW(Process::start({"/nonexistent/program"}), std::system_error);
    EXPECT_THROW(Process::start({"no-such-program-here"}), std::system_error);
    EXPECT_THROW(Process::start({}), std::system_error);
}

TEST(Process, EnvironmentAndWorkingDirectory) {
    ProcessOptions options = captured();
    options.environment = std::vector<std::string>{"ONLY=this"};
    options.workingDirectory = "/usr";
    auto env = Process::start({"/usr/bin/env"}, options);
    env.wait();
    EXPECT_EQ(env.output(), "ONLY=this\n");
    auto pwd = Process::start({"/bin/pwd"}, options);
    pwd.wait();
    EXPECT_EQ(pwd.output(), "/usr\n");
}

// The password variables stay ours; the rest of our environment is the child's.
TEST(Process, ChildrenGetNoPasswordVariables) {
    const test::ScopedEnvironment user("OSTREL_USER_PASSWORD", "u");
    const test::ScopedEnvironment owner("OSTREL_OWNER_PASSWORD", "o");
    const test::ScopedEnvironment document("OSTREL_DOCUMENT_PASSWORD", "d");
    const test::ScopedEnvironment kept("OSTREL_KEPT", "k");
    auto env = Process::start({"/usr/bin/env"}, captured());
    env.wait();
    EXPECT_EQ(env.output().find("PASSWORD"), std::string::npos) << env.output();
    EXPECT_NE(env.output().find("OSTREL_KEPT=k\n"), std::string::npos);
}

TEST(Process, TerminateKillAndWaitFor) {
    auto sleeper = Process::start({"sleep", "30"});
    EXPECT_FALSE(sleeper.waitFor(std::chrono::milliseconds(50)).has_value());
    sleeper.terminate();
    const auto exit = sleeper.waitFor(std::chrono::seconds(10));
    ASSERT_TRUE(exit.has_value());
    EXPECT_FALSE(exit->exited);
    EXPECT_EQ(exit->signal, SIGTERM);

    auto group = Process::start({"sleep", "30"}, [] {
        ProcessOptions options;
        options.newProcessGroup = true;
        return options;
    }());
    EXPECT_EQ(::getpgid(group.pid()), group.pid());
    group.kill();
    EXPECT_EQ(group.wait().signal, SIGKILL);
}

TEST(Process, OwnerEndsAChildThatWasNotWaitedFor) {
    pid_t pid = -1;
    {
        auto sleeper = Process::start({"sleep", "30"});
        pid = sleeper.pid();
        ASSERT_TRUE(alive(pid));
        Process moved = std::move(sleeper);
        EXPECT_TRUE(alive(pid)); // the move hands the child on
    }
    EXPECT_FALSE(alive(pid));
}

} // namespace
} // namespace ostrel
