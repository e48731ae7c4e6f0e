// A program run in a process of its own for the tests that need two
// processes on one machine. Its standard output comes back one line at a
// time; the process is killed when the object ends.
#pragma once

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

}  // namespace vexl::test
