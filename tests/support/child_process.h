// Processes of their own for the tests that need two processes on one
// machine: another program whose standard output comes back one line at a
// time, or a forked copy of the test running one piece of work.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace vexl::test {

class ChildProcess {
public:
    // arguments[0] is the program's path.
    explicit ChildProcess(std::vector<std::string> arguments);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    std::string ReadLine();
    void Kill();

private:
    pid_t pid_ = 0;
    int output_ = -1;
};

// Runs work in a forked copy of this process and answers its exit code, or
// -1 when the copy did not exit by itself.
int RunInChildProcess(const std::function<int()>& work);

// Runs work in a forked copy of this process and kills the copy after the
// given time, wherever it is: the test sees what a killed process leaves.
void RunInChildProcessUntilKilled(const std::function<void()>& work, std::chrono::milliseconds lifetime);

}  // namespace vexl::test
