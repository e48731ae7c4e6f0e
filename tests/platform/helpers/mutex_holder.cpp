// Takes a named mutex of a machine for the cross-process mutex tests.
//
//   mutex_holder <machine root> <mutex name> hold
//       waits for the mutex, prints "held <wait result>" and keeps it until killed;
//   mutex_holder <machine root> <mutex name> try <milliseconds>
//       waits that long, prints the wait result and releases what it took;
//   mutex_holder <machine root> <mutex name> count <file> <rounds>
//       that many times adds one to the number in the file under the mutex,
//       then prints "counted".
//
// Wait results are printed in hexadecimal.
#include "platform/kernel.h"
#include "platform/machine.h"
#include "platform/sync.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

std::u16string Widen(std::string_view text)
{
    return std::u16string(text.begin(), text.end());
}

// Adds one to the number in a file, `rounds` times, each under the mutex.
void Count(HANDLE mutex, const char* file, int rounds)
{
    for (int i = 0; i < rounds; ++i) {
        WaitForSingleObject(mutex, INFINITE);
        int count = 0;
        std::ifstream(file) >> count;
        std::ofstream(file) << count + 1;
        ReleaseMutex(mutex);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4) return 2;
    vexl::machine::Use(argv[1]);
    const std::u16string name = Widen(argv[2]);
    const std::string_view mode = argv[3];
    HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
    if (!mutex) return 3;

    if (mode == "hold") {
        std::printf("held %x\n", static_cast<unsigned>(WaitForSingleObject(mutex, INFINITE)));
        std::fflush(stdout);
        for (;;) ::pause();
    }
    if (mode == "count" && argc > 5) {
        Count(mutex, argv[4], std::atoi(argv[5]));
        std::printf("counted\n");
        return 0;
    }
    const DWORD milliseconds = argc > 4 ? static_cast<DWORD>(std::strtoul(argv[4], nullptr, 10)) : 0;
    const DWORD result = WaitForSingleObject(mutex, milliseconds);
    std::printf("%x\n", static_cast<unsigned>(result));
    if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) ReleaseMutex(mutex);
    CloseHandle(mutex);
    return 0;
}
