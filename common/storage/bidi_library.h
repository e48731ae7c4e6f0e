// The bidirectional status library "tz4manNT.dll": the function table that
// its initialisation entry fills, shared by the driver and the library.
// The table crosses the library boundary, so its layout is fixed: an 8-byte
// header that the driver does not read, then the entries in this order.
#pragma once

#include "platform/types.h"

#include <cstddef>
#include <cstdint>

// The calling convention of the library's entries: the platform's standard
// one (nothing to say on x86-64).
#if defined(_WIN32) && defined(__i386__)
#define VEXL_CALL __stdcall
#else
#define VEXL_CALL
#endif

namespace vexl {

// Channel of the query that carries memory type, emulation version and the
// other text; opened with the argument 1.
inline constexpr DWORD kBidiChannel = 15;
inline constexpr DWORD kBidiChannelOpenArgument = 1;
// Characters of the model-name answer, the terminator included.
inline constexpr DWORD kBidiModelNameChars = 33;

struct BidiLibraryInterface {
    std::uint8_t header[8];
    // 0: opens the printer; *supported tells whether the library serves it.
    BOOL(VEXL_CALL* open)(const WCHAR* printerName, HANDLE* handle, BOOL* supported);
    // 1
    void(VEXL_CALL* close)(HANDLE handle);
    // 2: starts a query of the parts named by mask.
    BOOL(VEXL_CALL* startQuery)(HANDLE handle, HANDLE* query, DWORD mask, DWORD* result);
    // 3: opens a channel of a started query.
    BOOL(VEXL_CALL* openChannel)(HANDLE handle, HANDLE* query, DWORD channel, DWORD argument);
    // 4: the model name the printer reports, into chars characters.
    BOOL(VEXL_CALL* modelName)(HANDLE handle, DWORD reserved, WCHAR* out, DWORD chars);
    // 5: not used.
    void* unused;
    // 6: data of a code: with no buffer only *needed; answers the number of
    // 32-bit entries read, -1 on failure.
    LONG(VEXL_CALL* readData)(HANDLE query, DWORD code, void* buffer, DWORD size, DWORD* needed);
    // 7: a request on a channel, with the same size protocol.
    BOOL(VEXL_CALL* channelRequest)(HANDLE query, DWORD channel, DWORD code, void* buffer, DWORD size, DWORD* needed);
};
static_assert(offsetof(BidiLibraryInterface, open) == 8);
static_assert(offsetof(BidiLibraryInterface, channelRequest) == 8 + 7 * sizeof(void*));
static_assert(sizeof(BidiLibraryInterface) == 8 + 8 * sizeof(void*));

// The initialisation entries: fill the table.
using BidiInitializeFunction = BOOL(VEXL_CALL*)(BidiLibraryInterface* table);
inline constexpr const char* kBidiInitializeName = "VornaInitializeBidiApiW";
inline constexpr const char* kBidiInitializeNameV2 = "VornaInitializeBidiApiV2W";

}  // namespace vexl
