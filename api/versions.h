// API versions of the settings interface: the version a printer's model
// supports (its model INI), the version in force for the process, the
// identifier ranges each version opens, and the enabled-identifier bitmaps.
//
// The versions and bitmaps are process-wide and shared by every instance:
// the last VEXLDrvCheckAPIVer, VEXLDrvEnable or VEXLDrvInit decides. The two
// versions are atomic words and the bitmaps are rebuilt aside and published
// under a small lock, so a reader never sees a half-built bitmap.
#pragma once

#include "platform/win32.h"

#include <cstdint>

namespace vexl::api {

inline constexpr int kApiVersionLatest = 16;
inline constexpr int kApiVersionAtLoad = 3;
inline constexpr int kApiVersionNotStated = 3;  // a model INI without the key
inline constexpr int kApiVersionKeepsLastError = 9;
inline constexpr int kApiVersionWideBitmaps = 6;

// Identifier bitmaps: id n (1 to 512) is bit n-1, most significant first.
inline constexpr std::uint32_t kIdBitmapBytes = 64;
inline constexpr std::uint32_t kIdBitmapNarrowBytes = 32;
inline constexpr std::uint32_t kIdBitmapLastId = kIdBitmapBytes * 8;
inline constexpr std::uint32_t kFirstHighId = 257;

// Kinds of IsApiIdEnabled and BuildSupportBitmaps.
inline constexpr int kApiKindCapability = 0;
inline constexpr int kApiKindStatus = 1;

// Which limit GetStatusIdLimit and GetCapabilityIdLimit answer.
inline constexpr int kLowIdLimit = 0;
inline constexpr int kHighIdLimit = 1;

struct ApiIdLimits {
    std::uint32_t low;   // ids 1 to low exist
    std::uint32_t high;  // ids 257 to high exist (none while below 257)
};

inline bool IsIdBitSet(const std::uint8_t* bitmap, std::uint32_t id)
{
    return id >= 1 && id <= kIdBitmapLastId && (bitmap[(id - 1) / 8] & (0x80u >> ((id - 1) % 8))) != 0;
}
inline void SetIdBit(std::uint8_t* bitmap, std::uint32_t id)
{
    if (id >= 1 && id <= kIdBitmapLastId) bitmap[(id - 1) / 8] |= static_cast<std::uint8_t>(0x80u >> ((id - 1) % 8));
}

// ---- the model's version ---------------------------------------------------------------
// The export's body: the printer's version (the model INI's [VEXLAPI]
// VEXLAPIVer, 3 when absent, at most 16, a negative value other than -1 as
// 0) becomes the requested version, and also the version in force while it
// is 3 or less. 0 for a NULL or empty name, nothing changed.
int CheckApiVersion(const char* printerName);
// The model INI's [VEXLAPI] VEXLAPIVer of the printer, -1 when absent.
int ReadApiVersion(const char* printerName);
// An integer key of the printer's model INI, -1 when absent or when no path
// can be formed.
int ReadModelIniInt(const char* printerName, const WCHAR* section, const WCHAR* key);
// The model INI's path (size characters): the ModelRecord's name, made full
// with the driver directory unless it is one already. FALSE when it does
// not fit (out emptied).
BOOL GetModelIniPath(HANDLE printer, WCHAR* out, int size);
// The printer driver's directory with its trailing "\" (the system
// directory on Windows 9x); empty when it cannot be asked.
BOOL ResolveDriverDirectory(HANDLE printer, WCHAR* out, int size);

// ---- the versions ---------------------------------------------------------------------------
int GetApiVersionInForce();
int GetRequestedApiVersion();
void SetApiVersionInForce(int version);
void SetRequestedApiVersion(int version);
// VEXLDrvInit: enable 0 gives 0; otherwise the requested version, lowered to
// the caller's (the u32 at byte 4 of its record) when that is smaller, is put
// in force, and the result is 1. Without a record the requested version
// goes in force as it is.
int InitApiVersion(int enable, const void* callerRecord);

// ---- identifier limits ----------------------------------------------------------------------
ApiIdLimits GetStatusIdLimits(int version);
ApiIdLimits GetCapabilityIdLimits(int version);
// Of the version in force; which 0 low, 1 high. GetCapabilityIdLimit answers
// 1 for any other which (the rows of the extra-capability table).
std::uint32_t GetStatusIdLimit(int which);
std::uint32_t GetCapabilityIdLimit(int which);

// ---- bitmaps --------------------------------------------------------------------------------
// The identifiers this build supports: kind 0 capabilities, other statuses.
void BuildSupportBitmaps(int kind, std::uint8_t out[kIdBitmapBytes]);
// Rebuilds both enabled bitmaps from the records that exist under the
// version given (the requested version, at enable), their enabled flags and
// the support bitmaps.
void BuildEnabledIdBitmaps(int version);
// The masked bit of the id (non-zero when enabled); a capability of the
// extra-capability table is enabled without a bit.
std::uint32_t IsApiIdEnabled(int kind, std::uint32_t id);
// A copy of an enabled bitmap.
void CopyEnabledIdBitmap(int kind, std::uint8_t out[kIdBitmapBytes]);

}  // namespace vexl::api
