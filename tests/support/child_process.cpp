#include "support/child_process.h"

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <thread>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vexl::test {

ChildProcess::ChildProcess(std::vector<std::string> arguments)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    output_ = fds[0];
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    const int spawned = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (spawned != 0) throw std::runtime_error("spawn");
}

ChildProcess::~ChildProcess()
{
    Kill();
    ::close(output_);
}

std::string ChildProcess::ReadLine()
{
    std::string line;
    char c;
    while (::read(output_, &c, 1) == 1 && c != '\n') line += c;
    return line;
}

void ChildProcess::Kill()
{
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = 0;
}

int RunInChildProcess(const std::function<int()>& work)
{
    const pid_t child = ::fork();
    if (child == 0) ::_exit(work());
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void RunInChildProcessUntilKilled(const std::function<void()>& work, std::chrono::milliseconds lifetime)
{
    const pid_t child = ::fork();
    if (child == 0) {
        work();
        ::_exit(0);
    }
    std::this_thread::sleep_for(lifetime);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

}  // namespace vexl::test
