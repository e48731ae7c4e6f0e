// CreateProcessW as a host process of the machine, its handles and the
// launch log (process.h).
#include "platform/process.h"

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/machine.h"
#include "platform/sync.h"

#include "handles.h"
#include "platform/process_host.h"
#include "unicode.h"

#include <cerrno>
#include <chrono>
#include <mutex>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace vexl::platform {
namespace {

std::mutex g_launchLock;
bool g_recording = false;
std::vector<vexl::machine::ProcessLaunch> g_launches;

// One started program; both handles of a PROCESS_INFORMATION share it.
struct ProcessState {
    std::mutex lock;
    pid_t pid = 0;  // 0 for a recorded launch
    bool ended = false;
    DWORD exitCode = STILL_ACTIVE;

    // Reaps the process when it has ended (waiting when block is set).
    void Poll(bool block)
    {
        std::lock_guard guard(lock);
        if (ended) return;
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, block ? 0 : WNOHANG);
        if (done == 0) return;
        ended = true;
        if (done < 0) {
            exitCode = 1;
        } else {
            exitCode = WIFEXITED(status) ? static_cast<DWORD>(WEXITSTATUS(status)) : 1;
        }
    }
};

struct ProcessObject : WaitableObject {
    explicit ProcessObject(std::shared_ptr<ProcessState> shared) : state(std::move(shared)) {}
    std::shared_ptr<ProcessState> state;

    DWORD Wait(DWORD milliseconds) override
    {
        if (milliseconds == INFINITE) {
            state->Poll(true);
            return WAIT_OBJECT_0;
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        for (;;) {
            state->Poll(false);
            {
                std::lock_guard guard(state->lock);
                if (state->ended) return WAIT_OBJECT_0;
            }
            if (std::chrono::steady_clock::now() >= deadline) return WAIT_TIMEOUT;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
};

BOOL Fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

std::u16string TextOf(const WCHAR* text)
{
    return text ? std::u16string(text) : std::u16string();
}

}  // namespace
}  // namespace vexl::platform

using namespace vexl::platform;
namespace fs = std::filesystem;

BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, LPSECURITY_ATTRIBUTES /*processAttributes*/,
                    LPSECURITY_ATTRIBUTES /*threadAttributes*/, BOOL /*inheritHandles*/, DWORD /*creationFlags*/,
                    LPVOID /*environment*/, LPCWSTR currentDirectory, LPSTARTUPINFOW startupInfo,
                    LPPROCESS_INFORMATION processInformation)
{
    if (!applicationName || !startupInfo || !processInformation) return Fail(ERROR_INVALID_PARAMETER);
    const fs::path program = vexl::machine::HostPath(applicationName);
    struct stat status {};
    if (program.empty() || ::stat(program.c_str(), &status) != 0 || !S_ISREG(status.st_mode) ||
        ::access(program.c_str(), X_OK) != 0)
        return Fail(ERROR_FILE_NOT_FOUND);
    fs::path folder;
    if (currentDirectory) {
        folder = vexl::machine::HostPath(currentDirectory);
        if (folder.empty() || ::stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
            return Fail(ERROR_DIRECTORY);
    }

    bool recording = false;
    {
        std::lock_guard guard(g_launchLock);
        recording = g_recording;
        g_launches.push_back({TextOf(applicationName), TextOf(commandLine), TextOf(currentDirectory),
                              startupInfo->dwFlags, startupInfo->wShowWindow});
    }
    auto state = std::make_shared<ProcessState>();
    if (recording) {
        state->ended = true;
        state->exitCode = 0;
    } else {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
        std::string path = program.string();
        char* argv[] = {path.data(), nullptr};
        pid_t pid = 0;
        const int error = ::posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        if (error != 0) return Fail(error == ENOENT || error == EACCES ? ERROR_FILE_NOT_FOUND : ERROR_GEN_FAILURE);
        state->pid = pid;
    }
    processInformation->hProcess = AddHandle(std::make_shared<ProcessObject>(state));
    processInformation->hThread = AddHandle(std::make_shared<ProcessObject>(state));
    processInformation->dwProcessId = static_cast<DWORD>(state->pid);
    processInformation->dwThreadId = static_cast<DWORD>(state->pid);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode)
{
    const std::shared_ptr<ProcessObject> object = FindHandle<ProcessObject>(process);
    if (!object) return Fail(ERROR_INVALID_HANDLE);
    if (!exitCode) return Fail(ERROR_INVALID_PARAMETER);
    object->state->Poll(false);
    std::lock_guard guard(object->state->lock);
    *exitCode = object->state->exitCode;
    return TRUE;
}

namespace vexl::machine {

void RecordProcessLaunches(bool on)
{
    std::lock_guard guard(platform::g_launchLock);
    platform::g_recording = on;
}

std::vector<ProcessLaunch> ProcessLaunches()
{
    std::lock_guard guard(platform::g_launchLock);
    return platform::g_launches;
}

void ClearProcessLaunches()
{
    std::lock_guard guard(platform::g_launchLock);
    platform::g_launches.clear();
}

}  // namespace vexl::machine
