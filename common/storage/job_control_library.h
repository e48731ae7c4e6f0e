// The job-control plug-in "QYRJC32.DLL": its two exports and the table of
// entry points it hands out, shared by the driver and the library. The
// table crosses the library boundary, so its layout is fixed: thirteen
// entries in this order, each with plain arguments and an int result
// (0 success).
#pragma once

#include "platform/types.h"

#include <cstddef>
#include <cstdint>

// The calling convention of the library's entries: the platform's standard
// one (nothing to say on x86-64).
#ifndef VEXL_CALL
#if defined(_WIN32) && defined(__i386__)
#define VEXL_CALL __stdcall
#else
#define VEXL_CALL
#endif
#endif

namespace vexl {

inline constexpr const WCHAR* kJobControlLibraryName = u"QYRJC32.DLL";
inline constexpr const char* kJobControlGetInterfaceName = "JCGetInterface";
inline constexpr const char* kJobControlDisposeInterfaceName = "JCDisposeInterface";

// Interface versions the library may grant.
inline constexpr std::uint16_t kJobControlVersion257 = 257;
inline constexpr std::uint16_t kJobControlVersion258 = 258;
inline constexpr std::uint16_t kJobControlVersion259 = 259;
inline constexpr std::uint16_t kJobControlVersion260 = 260;
inline constexpr std::uint16_t kJobControlVersion261 = 261;

// Kinds of a value: UTF-16 text, or a 4-byte number.
inline constexpr DWORD kJobControlKindText = 1;
inline constexpr DWORD kJobControlKindNumber = 4;

// Results the driver relies on.
inline constexpr int kJobControlMoreData = 0x20000001;  // a size query with a value; an unsupported id
inline constexpr int kJobControlNoValue = 13;
// Attribute flag of a value that can be read.
inline constexpr DWORD kJobControlReadable = 0x1;

// The locale record of slot 8 (kind 1): its size, the primary language and
// the full LANGID.
struct JobControlLocaleRecord {
    std::uint32_t size;
    std::uint16_t primaryLanguage;
    std::uint16_t langId;
};
static_assert(sizeof(JobControlLocaleRecord) == 8);
static_assert(offsetof(JobControlLocaleRecord, primaryLanguage) == 4);
static_assert(offsetof(JobControlLocaleRecord, langId) == 6);
inline constexpr DWORD kJobControlLocaleKind = 1;

struct JobControlInterface {
    // 0, 1: open and close the printer's job-control data.
    int(VEXL_CALL* openPrinter)(const WCHAR* printerName);
    int(VEXL_CALL* closePrinter)(const WCHAR* printerName);
    // 2, 3: open and close a connection of the printer.
    int(VEXL_CALL* openSession)(const WCHAR* printerName, HANDLE* connection);
    int(VEXL_CALL* closeSession)(HANDLE connection);
    // 4: attributes of a value (kJobControlReadable).
    int(VEXL_CALL* getAttributes)(HANDLE connection, DWORD valueId, DWORD* flags);
    // 5: reads a value into size bytes; with no buffer only *needed (bytes,
    // the terminator of a text included) and 0 or kJobControlMoreData.
    int(VEXL_CALL* getValue)(HANDLE connection, DWORD valueId, DWORD kind, void* buffer, DWORD size, DWORD* needed);
    // 6: writes a value of size bytes.
    int(VEXL_CALL* setValue)(HANDLE connection, DWORD valueId, DWORD kind, const void* buffer, DWORD size);
    // 7: a notification code.
    int(VEXL_CALL* notify)(HANDLE connection, DWORD code);
    // 8: the user's locale.
    int(VEXL_CALL* setLocale)(HANDLE connection, DWORD kind, const JobControlLocaleRecord* record);
    // 9: reserved.
    int(VEXL_CALL* reserved)(HANDLE connection);
    // 10: reads a value of a named user, as slot 5.
    int(VEXL_CALL* getUserValue)(HANDLE connection, DWORD valueId, DWORD kind, const WCHAR* userName, void* buffer,
                                 DWORD size, DWORD* needed);
    // 11: opens (code 1) or closes (code 0) a group of calls.
    int(VEXL_CALL* bracket)(HANDLE connection, DWORD code);
    // 12: a query by code into *answer.
    int(VEXL_CALL* query)(HANDLE connection, DWORD code, DWORD* answer);
};
static_assert(offsetof(JobControlInterface, getValue) == 5 * sizeof(void*));
static_assert(offsetof(JobControlInterface, getUserValue) == 10 * sizeof(void*));
static_assert(sizeof(JobControlInterface) == 13 * sizeof(void*));

// Version 385 of JCGetInterface hands out the TransformInterface instead of
// the table: the transformation of the authentication password.
inline constexpr std::uint16_t kJobControlTransformVersion = 385;

// Modes of a transformation handle: the first stage in mode 2 (secure mode,
// with the user's name and network key as parameter) or 4, the second in 1.
inline constexpr DWORD kTransformModeFinal = 1;
inline constexpr DWORD kTransformModeSecure = 2;
inline constexpr DWORD kTransformModePlain = 4;
// The parameter of the secure mode: the pair of texts below.
inline constexpr DWORD kTransformParameterUser = 256;
struct TransformUserPair {
    const WCHAR* userName;
    const WCHAR* networkKey;
};

struct TransformInterface {
    int(VEXL_CALL* open)(HANDLE* handle, DWORD mode);
    int(VEXL_CALL* close)(HANDLE handle);
    int(VEXL_CALL* setParameter)(HANDLE handle, DWORD parameterId, const void* data, DWORD size);
    // Transforms length bytes of input into output (outputSize bytes); with
    // no output only *outputLength, the length of the result without a
    // terminator.
    int(VEXL_CALL* transform)(HANDLE handle, const BYTE* input, DWORD length, BYTE* output, DWORD outputSize,
                              DWORD* outputLength);
};
static_assert(sizeof(TransformInterface) == 4 * sizeof(void*));

// The exports: hand out the table of a version (0 when granted), and take it back.
using JobControlGetInterfaceFunction = int(VEXL_CALL*)(DWORD version, JobControlInterface** table);
using JobControlDisposeInterfaceFunction = int(VEXL_CALL*)(JobControlInterface* table);

}  // namespace vexl
