// The printer interface library's own process state: its module handle and
// the shared-identity flag.
#pragma once

#include "platform/win32.h"

#include <cstdint>

namespace vexl::ui {

// The module given at process attach: the instance of both sheets' headers.
HINSTANCE GetLibraryModule();
void KeepLibraryModule(HINSTANCE module);

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

}  // namespace vexl::ui
