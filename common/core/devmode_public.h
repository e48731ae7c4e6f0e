// The public DEVMODE: specification versions by size, copies of DEVMODEs of
// other versions, the model check of a setting value and the repair of a
// rejected one, the defaults and validity rules of the public fields, the
// field-by-field merge of a caller's public fields into the store, and the
// synchronisation of the private settings after a merge or a load.
//
// DEVMODE buffers are bytes: the public record of dmSize bytes followed by
// dmDriverExtra bytes of the driver. Every field is read and written
// little-endian through le.h.
#pragma once

#include "common/core/context.h"
#include "common/core/merge_flags.h"
#include "common/core/modeldb.h"
#include "platform/devmode.h"
#include "platform/win32.h"

#include <cstddef>
#include <cstdint>

namespace vexl {

// Specification versions by dmSize.
inline constexpr std::uint16_t kSpecVersion320 = 0x320;
inline constexpr std::uint16_t kSpecVersion400 = 0x400;
inline constexpr std::uint16_t kSpecVersion401 = 0x401;
inline constexpr std::uint16_t kDevmodeSize320 = 188;
inline constexpr std::uint16_t kDevmodeSize400 = 212;
inline constexpr std::uint16_t kDevmodeSize401 = 220;
// The smallest public record whose header (up to dmFields) can be read.
inline constexpr std::uint16_t kMinPublicDevmodeSize = offsetof(DEVMODEW, dmOrientation);

// Answers of the value checks.
inline constexpr int kCheckNotOption = 0;  // not a value of the model
inline constexpr int kCheckAllowed = 1;
inline constexpr int kCheckNoUiSymbol = 2;  // no descriptor, or no UI symbol
inline constexpr int kCheckNoUiEntry = 3;   // no UI entry, or one of type TypeUnknown
inline constexpr int kCheckExcluded = 4;    // the option is unavailable
inline constexpr int kCheckRestricted = 5;  // allowed, but the option is restricted

// Settings-module command of the merge.
inline constexpr std::uint32_t kCommandProfilesReload = 124;

// ---- fields of a DEVMODE buffer -------------------------------------------------------
std::uint16_t GetDevmodeField16(const DEVMODEW* devmode, std::size_t offset);
void SetDevmodeField16(DEVMODEW* devmode, std::size_t offset, std::uint16_t value);
std::uint32_t GetDevmodeField32(const DEVMODEW* devmode, std::size_t offset);
void SetDevmodeField32(DEVMODEW* devmode, std::size_t offset, std::uint32_t value);
// A SHORT field sign-extended, as the checks take it.
std::uint32_t GetDevmodeShort(const DEVMODEW* devmode, std::size_t offset);
std::uint32_t GetDevmodeFields(const DEVMODEW* devmode);
void SetDevmodeFields(DEVMODEW* devmode, std::uint32_t fields);
// dmFormName into out (CCHFORMNAME characters), cut to 31 and terminated.
void GetDevmodeFormName(const DEVMODEW* devmode, WCHAR* out);
void SetDevmodeFormName(DEVMODEW* devmode, const WCHAR* name);

// ---- version and copy -------------------------------------------------------------------
std::uint16_t GetDevmodeSpecVersion(const DEVMODEW* devmode);
int CopyDevmodeForConversion(const DEVMODEW* src, DEVMODEW* dst);
int CopyCallerDevmode(const DEVMODEW* src, DEVMODEW* dst);

// ---- value checks ---------------------------------------------------------------------------
int CheckItemValueCode(SettingItemDescriptor* descriptor, std::uint16_t item, std::uint32_t value,
                       DriverContext* context);
int CheckItemValuePlain(SettingItemDescriptor* descriptor, std::uint16_t item, std::uint32_t value,
                        DriverContext* context);
int CheckItemValue(std::uint16_t item, std::uint32_t value, DriverContext* context);
int CheckPublicFieldValue(std::uint16_t item, std::uint32_t value, DriverContext* context);
int ValidateItemOrReset(std::uint16_t item, std::uint32_t value, DriverContext* context);
int ValidatePlainItemOrReset(std::uint16_t item, std::uint32_t value, DriverContext* context);
void ClampScaleOrReset(DriverContext* context, SettingItemDescriptor* descriptor, std::uint16_t item,
                       std::uint32_t value);

// ---- public field validators -----------------------------------------------------------------
BOOL IsValidOrientation(std::uint32_t value, DriverContext* context);
BOOL IsValidPaperSize(std::uint32_t value, DriverContext* context);
BOOL IsValidDefaultSource(std::uint32_t value, DriverContext* context);
BOOL IsValidPrintQuality(std::uint32_t value, DriverContext* context);
BOOL IsDeviceResolutionCode(std::uint32_t value, DriverContext* context);
BOOL IsValidColor(std::uint32_t value, DriverContext* context);
BOOL IsValidDuplex(std::uint32_t value, DriverContext* context);
BOOL IsValidTTOption(std::uint32_t value, DriverContext* context);
BOOL IsValidFormName(std::uint32_t value, DriverContext* context);
BOOL IsValidIcmMethod(std::uint32_t value, DriverContext* context);
BOOL IsValidIcmIntent(std::uint32_t value, DriverContext* context);
BOOL IsValidMediaType(std::uint32_t value, DriverContext* context);
BOOL IsValidDitherType(std::uint32_t value, DriverContext* context);
BOOL IsPlausibleDefaultSource(std::uint32_t value, DriverContext* context);
BOOL IsPlausiblePaperSize(std::uint32_t value, DriverContext* context);

// ---- defaults and validation of the store ----------------------------------------------------------
void ValidatePublicFields(DEVMODEW* devmode, DriverContext* context);
void ResetPublicFieldsToModel(DEVMODEW* devmode, DriverContext* context);
void SetPublicDefaults(DEVMODEW* devmode, int mode, DriverContext* context);
void SetPrivateDefaults(DEVMODEW* devmode, DriverContext* context);
void InitPrivateHeaderTexts(DriverContext* context);

// ---- merge and synchronisation ------------------------------------------------------------------------
void MergePublicDevmode(DEVMODEW* dst, const DEVMODEW* src, DriverContext* context);
void MergePrintQuality(DEVMODEW* dst, const DEVMODEW* src, DriverContext* context);
void SyncItemsAfterPublicMerge(DEVMODEW* merged, const DEVMODEW* caller, DriverContext* context);
void SyncItemsAfterLoad(DEVMODEW* devmode, int kind, DriverContext* context);
void SyncDevmodeAfterLoad(DEVMODEW* devmode, DriverContext* context, int kind);

}  // namespace vexl
