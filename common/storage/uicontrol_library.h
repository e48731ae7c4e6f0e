// UIControl plug-ins: the two entry points a plug-in library exports and the
// interface table it hands out, shared by the driver and the plug-ins. The
// table crosses the library boundary, so its layout is fixed.
#pragma once

#include "common/storage/bidi_library.h"
#include "platform/types.h"

#include <cstddef>

namespace vexl {

// The interface version the driver asks for.
inline constexpr DWORD kUiControlInterfaceVersion = 256;

// Features a plug-in may take over from the driver.
inline constexpr DWORD kUiControlCopyGuard = 1;
inline constexpr DWORD kUiControlWatermark = 2;

struct UiControlInterface {
    // 0 and 1: not called by the driver.
    void(VEXL_CALL* reserved0)();
    void(VEXL_CALL* reserved1)();
    // 2: opens the printer; non-zero with a handle is success.
    BOOL(VEXL_CALL* openPrinter)(HANDLE printer, HANDLE* handle);
    // 3: closes what slot 2 opened.
    void(VEXL_CALL* closePrinter)(HANDLE handle);
    // 4: non-zero with a non-zero *value: the plug-in takes the feature over.
    BOOL(VEXL_CALL* queryFeature)(HANDLE handle, DWORD feature, DWORD* value);
};
static_assert(offsetof(UiControlInterface, openPrinter) == 2 * sizeof(void*));
static_assert(sizeof(UiControlInterface) == 5 * sizeof(void*));

// Non-zero with an interface is success.
using UiControlGetInterfaceFunction = BOOL(VEXL_CALL*)(DWORD version, UiControlInterface** table);
using UiControlDisposeInterfaceFunction = void(VEXL_CALL*)(UiControlInterface* table);
inline constexpr const char* kUiControlGetInterfaceName = "UICTRLGetInterface";
inline constexpr const char* kUiControlDisposeInterfaceName = "UICTRLDisposeInterface";

}  // namespace vexl
