// The printer interface library put together: what process attach and
// detach do, and which forms of the common operations it uses.
#pragma once

#include "platform/win32.h"

namespace vexl::ui {

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
