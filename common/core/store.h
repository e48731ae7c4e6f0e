// The settings store and the private DEVMODE.
//
// Every print setting of a printer lives in one flat block per context: the
// public DEVMODEW (area 1 begins with it), the private part that follows it
// directly, area 2 (printer-side settings and lists) and area 3 (work
// settings and judge bits). Only the first GetDevmodeSize() bytes, the
// DEVMODE as it travels, ever leave the store. All multi-byte fields are
// little-endian and are read and written through le.h, never by overlay.
#pragma once

#include "common/core/context.h"
#include "common/core/item_ids.h"
#include "common/core/item_layout.h"
#include "platform/win32.h"

#include <cstddef>
#include <cstdint>

namespace vexl {

// Sizes of the Windows NT layout, the one in force.
inline constexpr std::uint32_t kPublicDevmodeSize = 220;
inline constexpr std::uint32_t kPrivateDevmodeSize = 1016;
inline constexpr std::uint32_t kDevmodeSize = kPublicDevmodeSize + kPrivateDevmodeSize;
// Areas 2 and 3 are sized by the model tables. Area 1 and area 2 keep the
// sizes every stored copy has, so both area bases in the private header
// never move; area 3 holds work items only and grows at the end of the store.
inline constexpr std::uint32_t kStoreArea2Size = kModelArea2Size;
inline constexpr std::uint32_t kStoreArea3Size = kModelArea3Size;
inline constexpr std::uint32_t kSettingsStoreSize = kDevmodeSize + kStoreArea2Size + kStoreArea3Size;
static_assert(kDevmodeSize == kModelArea1Size);
static_assert(kDevmodeSize == 1236 && kStoreArea2Size == 5264, "the DEVMODE and area 2 travel and never change size");

// The store as drivers before the growth of area 3 wrote it (3,572 bytes of
// area 3). A "LockDefaultData" of that size is still read.
inline constexpr std::uint32_t kPreviousStoreArea3Size = 3572;
inline constexpr std::uint32_t kPreviousSettingsStoreSize = kDevmodeSize + kStoreArea2Size + kPreviousStoreArea3Size;

// Sizes of the Windows 9x flavour (answered only when the machine is 9x).
inline constexpr std::uint32_t kPublicDevmodeSize9x = 148;
inline constexpr std::uint32_t kPrivateDevmodeSize9x = 1024;
inline constexpr std::uint32_t kDevmodeSize9x = kPublicDevmodeSize9x + kPrivateDevmodeSize9x;
inline constexpr std::uint32_t kSettingsStoreSize9x = kDevmodeSize9x + kStoreArea2Size + kStoreArea3Size;
static_assert(kSettingsStoreSize9x < kSettingsStoreSize);

// The store: one zero-filled block of GetSettingsStoreSize() bytes.
struct SettingsStore {
    std::uint8_t bytes[kSettingsStoreSize];
};
static_assert(sizeof(SettingsStore) == kSettingsStoreSize);

// Fields of the public DEVMODEW that the store reads by offset.
inline constexpr std::size_t kDevmodeSizeField = ItemStoreOffset(dmSize);                // uint16
inline constexpr std::size_t kDevmodeDriverExtraField = ItemStoreOffset(dmDriverExtra);  // uint16

// The private header, offsets from the DEVMODE start, as the model tables lay
// them out. The fields at 349, 353 and 357 sit at odd offsets without alignment.
inline constexpr std::size_t kSignatureOffset = kDevmodeSignatureOffset;        // "VEXL"
inline constexpr std::size_t kJobBinderOffset = ItemStoreOffset(rdmJobBinder);  // uint32
inline constexpr std::size_t kModelTagOffset = kDevmodeModelTagOffset;
inline constexpr std::size_t kPrivateSizeOffset = kDevmodePrivateSizeOffset;
inline constexpr std::size_t kPrivateVersionOffset = kDevmodePrivateVersionOffset;
inline constexpr std::size_t kArea1BaseOffset = kDevmodeArea1BaseOffset;
inline constexpr std::size_t kArea2BaseOffset = kDevmodeArea2BaseOffset;
inline constexpr std::size_t kArea3BaseOffset = kDevmodeArea3BaseOffset;
inline constexpr std::size_t kMachineIdOffset = ItemStoreOffset(rdmMachineID);             // uint8
inline constexpr std::size_t kDriverTypeOffset = ItemStoreOffset(rdmDriverType);           // uint8
inline constexpr std::size_t kQualityFuncOffset = ItemStoreOffset(rdmQualityFunc168Line);  // the bit word, uint16
inline constexpr std::size_t kFrontFuncOffset = ItemStoreOffset(rdmFrontFunc);             // uint32
inline constexpr std::size_t kHidden2FuncOffset = ItemStoreOffset(rdmHidden2Func0);        // the bit word, uint32
inline constexpr std::size_t kSupportFunc2Offset = ItemStoreOffset(rdmSupportFunc2SelectJobComplete);  // uint32
inline constexpr std::size_t kLockPrnMethodOffset = ItemStoreOffset(rdmLockPrnMethod);                 // uint8
inline constexpr char kPrivateSignature[5] = "VEXL";
static_assert(kSignatureOffset == kPublicDevmodeSize);
static_assert(kModelTagOffset == kPublicDevmodeSize + 129);
static_assert(kArea3BaseOffset + 2 + 1 == kMachineIdOffset);
static_assert(kDevmodeSizeField == 68 && kDevmodeDriverExtraField == 70 && kJobBinderOffset == 224 &&
                  kMachineIdOffset == 368 && kDriverTypeOffset == 811 && kQualityFuncOffset == 576 &&
                  kFrontFuncOffset == 852 && kHidden2FuncOffset == 896 && kSupportFunc2Offset == 1020 &&
                  kLockPrnMethodOffset == 1178,
              "the DEVMODE travels: its fields never move");

// The run-time flag tail: the last 18 bytes of the private part, one byte each.
inline constexpr std::size_t kPreviewAppFlagOffset = ItemStoreOffset(rdmPLInstalled);
inline constexpr std::size_t kDefaultsModeFlagOffset = ItemStoreOffset(rdmCallSrc);
inline constexpr std::size_t kOsKindOffset = ItemStoreOffset(rdmOSKind);
inline constexpr std::size_t kPackageImportFlagOffset = ItemStoreOffset(rdmBatchInst);
inline constexpr std::size_t kInstallUserCodeFlagOffset = ItemStoreOffset(rdmPrintLog);
inline constexpr std::size_t kDeviceInfoFlagOffset = ItemStoreOffset(rdmBiDirect);
inline constexpr std::size_t kNoPermissionFlagOffset = ItemStoreOffset(rdmNoPermission);
inline constexpr std::size_t kUiModeChangeFlagOffset = ItemStoreOffset(rdmPresentUIMode);
inline constexpr std::size_t kBidiEnabledFlagOffset = ItemStoreOffset(rdmBidiSupport);
inline constexpr std::size_t kConnectionFlagOffset = ItemStoreOffset(rdmServerClientMode);
inline constexpr std::size_t kUserCodeUseFlagOffset = ItemStoreOffset(rdmUserCodeFIX);
inline constexpr std::size_t kDllUserCodeFlagOffset = ItemStoreOffset(rdmUserCodeGet);
inline constexpr std::size_t kBindingAppFlagOffset = ItemStoreOffset(rdmJBInstalled);
inline constexpr std::size_t kDeviceSheetFlagOffset = ItemStoreOffset(rdmPropertyType);
inline constexpr std::size_t kDllUserCodeFlag2Offset = ItemStoreOffset(rdmUserCodeDLL);
inline constexpr std::size_t kTerminalServerFlagOffset = ItemStoreOffset(rdmTSE);
inline constexpr std::size_t kAdminFlagOffset = ItemStoreOffset(rdmAdmin);
inline constexpr std::size_t kBidiFuncBitsOffset = ItemStoreOffset(rdmBidiFunc);
static_assert(kPreviewAppFlagOffset == 1218, "the run-time flag tail never moves");
static_assert(kBidiFuncBitsOffset + 1 == kDevmodeSize);

// The header of a private part, decoded.
struct PrivateDevmodeHeader {
    std::uint8_t signature[4];
    std::uint32_t jobBinder;
    std::uint8_t modelTag[4];
    std::uint32_t privateSize;
    std::uint32_t privateVersion;
    std::uint16_t area1Base;
    std::uint16_t area2Base;
    std::uint16_t area3Base;
};

// Reads the header of a DEVMODE buffer of at least GetDevmodeSize() bytes.
PrivateDevmodeHeader ReadPrivateDevmodeHeader(const void* devmode);

// ---- sizes ----------------------------------------------------------------
std::uint32_t GetPublicDevmodeSize();
std::uint32_t GetPrivateDevmodeSize();
std::uint32_t GetDevmodeSize();
std::uint32_t GetStoreArea2Size();
std::uint32_t GetStoreArea3Size();
std::uint32_t GetSettingsStoreSize();

// Where an area begins in a store. Items are always addressed with these
// bases, never with the bases found in a store or DEVMODE, which may have
// come from outside.
std::uint32_t GetStoreAreaBase(std::uint32_t area);

// ---- store and section pointers --------------------------------------------
SettingsStore* GetSettingsStore(DriverContext* context);
std::uint8_t* GetStoreBytes(DriverContext* context);
std::uint8_t* GetPrivateDevmode(DriverContext* context);
std::uint8_t* LocatePrivateDevmode(DriverContext* context);
std::uint8_t* GetStoreArea2(DriverContext* context);
std::uint8_t* GetStoreArea3(DriverContext* context);

// ---- header -----------------------------------------------------------------
void InitPrivateDevmodeHeader(void* devmode, DriverContext* context);
void SetStoreAreaOffsets(void* store);

// ---- identity and version -----------------------------------------------------
// Each answers 0 for a NULL DEVMODE, and for one whose dmSize is not the
// public size or whose dmDriverExtra is shorter than the private part: the
// header is then not where the tests read it.
BOOL IsDevmodeCurrent(const void* devmode, DriverContext* unused = nullptr);
BOOL IsDevmodeSameModel(const void* devmode, DriverContext* unused = nullptr);
BOOL IsDevmodeSameModelAndSize(const void* devmode, DriverContext* unused = nullptr);

// ---- run-time flag tail on the context's store --------------------------------
void SetPreviewAppFlag(DriverContext* context, std::uint8_t value);
void SetPreviewAppFlagOff(DriverContext* context);
void SetPreviewAppFlagOn(DriverContext* context);
void SetDefaultsModeFlag(DriverContext* context, std::uint8_t value);
std::uint32_t GetDefaultsModeFlag(DriverContext* context);
void SetDefaultsModeFlagOn(DriverContext* context);
void SetOsKind(DriverContext* context, std::uint8_t value);
std::uint32_t GetOsKind(DriverContext* context);
void SetOsKindWin95(DriverContext* context);
void SetOsKindNt4(DriverContext* context);
void SetOsKindNt5(DriverContext* context);
void SetOsKindWin98(DriverContext* context);
void SetPackageImportFlag(DriverContext* context, std::uint8_t value);
void SetPackageImportFlagOn(DriverContext* context);
void SetInstallUserCodeFlag(DriverContext* context, std::uint8_t value);
void SetInstallUserCodeFlagOff(DriverContext* context);
void SetDeviceInfoFlag(DriverContext* context, std::uint8_t value);
void SetDeviceInfoFlagOff(DriverContext* context);
void SetDeviceInfoFlagOn(DriverContext* context);
void SetNoPermissionFlag(DriverContext* context, std::uint8_t value);
void SetNoPermissionFlagOff(DriverContext* context);
void SetUiModeChangeFlag(DriverContext* context, std::uint8_t value);
void SetUiModeChangeFlagOff(DriverContext* context);
void SetUiModeChangeFlagOn(DriverContext* context);
void SetBidiEnabledFlag(DriverContext* context, std::uint8_t value);
void SetBidiEnabledFlagOff(DriverContext* context);
void SetBidiEnabledFlagOn(DriverContext* context);
void SetConnectionFlag(DriverContext* context, std::uint8_t value);
std::uint32_t GetConnectionFlag(DriverContext* context);
void SetConnectionFlagOff(DriverContext* context);
void SetConnectionFlagOn(DriverContext* context);
void SetUserCodeUseFlag(DriverContext* context, std::uint8_t value);
void SetUserCodeUseFlagOff(DriverContext* context);
void SetUserCodeUseFlagOn(DriverContext* context);
void SetDllUserCodeFlag(DriverContext* context, std::uint8_t value);
void SetDllUserCodeFlagOff(DriverContext* context);
void SetBindingAppFlag(DriverContext* context, std::uint8_t value);
void SetBindingAppFlagOff(DriverContext* context);
void SetBindingAppFlagOn(DriverContext* context);
void SetDeviceSheetFlag(DriverContext* context, std::uint8_t value);
void SetDeviceSheetFlagOff(DriverContext* context);
void SetDllUserCodeFlag2(DriverContext* context, std::uint8_t value);
void SetDllUserCodeFlag2Off(DriverContext* context);
void SetTerminalServerFlag(DriverContext* context, std::uint8_t value);
std::uint32_t GetTerminalServerFlag(DriverContext* context);
void SetAdminFlag(DriverContext* context, std::uint8_t value);
std::uint32_t GetAdminFlag(DriverContext* context);
void SetBidiFuncBits(DriverContext* context, std::uint8_t value);
std::uint32_t GetBidiFuncBits(DriverContext* context);

// ---- run-time flag tail on a DEVMODE buffer ------------------------------------
void SetDevmodeDefaultsModeFlag(void* devmode, std::uint8_t value);
std::uint32_t GetDevmodeDefaultsModeFlag(const void* devmode);
void SetDevmodeOsKind(void* devmode, std::uint8_t value);
std::uint32_t GetDevmodeOsKind(const void* devmode);
void SetDevmodePackageImportFlag(void* devmode, std::uint8_t value);
std::uint32_t GetDevmodePackageImportFlag(const void* devmode);
void SetDevmodeInstallUserCodeFlag(void* devmode, std::uint8_t value);
std::uint32_t GetDevmodeInstallUserCodeFlag(const void* devmode);
void SetDevmodeDeviceInfoFlag(void* devmode, std::uint8_t value);
std::uint32_t GetDevmodeDeviceInfoFlag(const void* devmode);
void SetDevmodeNoPermissionFlag(void* devmode, std::uint8_t value);
std::uint32_t GetDevmodeNoPermissionFlag(const void* devmode);
void SetDevmodeConnectionFlag(void* devmode, std::uint8_t value);
std::uint32_t GetDevmodeConnectionFlag(const void* devmode);
void SetDevmodeDeviceSheetFlag(void* devmode, std::uint8_t value);
std::uint32_t GetDevmodeDeviceSheetFlag(const void* devmode);
void SetDevmodeTerminalServerFlag(void* devmode, std::uint8_t value);
std::uint32_t GetDevmodeTerminalServerFlag(const void* devmode);
void SetDevmodeAdminFlag(void* devmode, std::uint8_t value);
std::uint32_t GetDevmodeAdminFlag(const void* devmode);
void SetDevmodeBidiFuncBits(void* devmode, std::uint8_t value);
std::uint32_t GetDevmodeBidiFuncBits(const void* devmode);

// ---- other private fields of a DEVMODE buffer ------------------------------------
std::uint32_t GetDevmodePrivateTag(const void* devmode);
std::uint32_t GetDevmodePrivateSizeField(const void* devmode);
std::uint32_t GetDevmodePrivateVersion(const void* devmode);
std::uint32_t GetDevmodeMachineId(const void* devmode);
std::uint32_t GetDevmodeDriverType(const void* devmode);
void SetDevmodeQualityFuncBits(void* devmode, std::uint16_t bits);
std::uint16_t GetDevmodeQualityFuncBits(const void* devmode);
void SetDevmodeFrontFunc(void* devmode, std::uint32_t value);
std::uint32_t GetDevmodeFrontFunc(const void* devmode);
void SetDevmodeHidden2FuncBits(void* devmode, std::uint32_t bits);
std::uint32_t GetDevmodeHidden2FuncBits(const void* devmode);
std::uint32_t GetDevmodeSupportFunc2Bits(const void* devmode);
void CopyJobCompleteSupportBit(void* devmode, std::uint32_t flags);
void CopyJobErrorSupportBit(void* devmode, std::uint32_t flags);
void SetDevmodeLockPrnMethod(void* devmode, std::uint8_t value);
std::uint8_t GetDevmodeLockPrnMethod(const void* devmode);

// ---- resolution accessors ----------------------------------------------------------
std::uint32_t GetPrintQuality(DriverContext* context);
std::uint32_t GetDstResolutionW(DriverContext* context);
std::uint32_t GetDstResolutionH(DriverContext* context);
void SetPrintQualityItem(DriverContext* context, std::uint32_t value);
void SetYResolutionItem(DriverContext* context, std::uint32_t value);
void SetDstResolutionWItem(DriverContext* context, std::uint32_t value);
void SetDstResolutionHItem(DriverContext* context, std::uint32_t value);
std::uint32_t GetLockedResolution(DriverContext* context);

}  // namespace vexl
