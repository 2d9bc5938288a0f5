#pragma once
// Runs one disabled test of this test program as a child process (the program re-executed
// with a filter), with extra environment variables; returns its wait status. A child test
// that kills itself half way through its work shows what a killed program leaves behind.
// The child makes its temporary folders in one of the parent's (ORV_TEST_TEMP_ROOT, see
// tempRoot()), removed when the child has ended, so that a killed child leaves nothing.
#include "support/EngineTables.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <string>
#include <utility>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

inline int runChildTest(const std::string &fullTestName, const std::vector<std::pair<std::string, std::string>> &env)
{
    TempDir childRoot;
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("ORV_TEST_TEMP_ROOT", childRoot.path().c_str(), 1);
        for (const auto &[name, value] : env)
            setenv(name.c_str(), value.c_str(), 1);
        const std::string filter = "--gtest_filter=" + fullTestName;
        execl("/proc/self/exe", "/proc/self/exe", filter.c_str(), "--gtest_also_run_disabled_tests",
              static_cast<char *>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

// Whether the child ended as expected: normally when it was to finish, else killed.
inline ::testing::AssertionResult childEnded(int status, bool finished)
{
    if (finished ? WIFEXITED(status) && WEXITSTATUS(status) == 0 : WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "wait status " << status << (finished ? ", not a clean exit" : ", not killed");
}

} // namespace testsupport
