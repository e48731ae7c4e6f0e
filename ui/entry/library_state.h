// The printer interface library's own process state: its module handle and
// the shared-identity flag, and what process attach and detach do.
#pragma once

#include "platform/win32.h"

#include <cstdint>

namespace vexl::ui {

// The module given at process attach: the instance of both sheets' headers.
HINSTANCE GetLibraryModule();

// While the flag is 1 every context made by CreateDriverContextUi gets the
// caller bit 0x40000, so that it uses the shared settings directory. The
// install, upgrade and printer-event work sets it and puts it back to 0.
std::uint32_t GetSharedIdentityFlag();
void SetSharedIdentityFlag(std::uint32_t value);

// Sets the flag for a scope and clears it at the end.
class SharedIdentityScope {
public:
    SharedIdentityScope() { SetSharedIdentityFlag(1); }
    ~SharedIdentityScope() { SetSharedIdentityFlag(0); }
    SharedIdentityScope(const SharedIdentityScope&) = delete;
    SharedIdentityScope& operator=(const SharedIdentityScope&) = delete;
};

// Process attach keeps the module, runs the common library's attach and puts
// the interface library's forms of the common operations in place (language
// of the help file, run-time flags, private header, the job-ticket step of
// the merge). Process detach frees the compiled models, destroys every parked
// context and runs the common detach. Other reasons do nothing. Always TRUE.
BOOL HandleDllNotification(HINSTANCE module, DWORD reason, LPVOID reserved);

// The interface library's forms of the common operations (attach does it;
// tests that link the library's code call it) and the common ones again.
void UseInterfaceLibraryServices();
void UseCommonServices();

}  // namespace vexl::ui
