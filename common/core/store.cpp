// The settings store, its sizes and the private DEVMODE header.
#include "common/core/store.h"

#include "common/core/items.h"
#include "common/core/le.h"
#include "common/core/modeldb.h"
#include "common/core/osinfo.h"

#include <cstring>

namespace vexl {
namespace {

std::uint8_t* Bytes(void* p)
{
    return static_cast<std::uint8_t*>(p);
}
const std::uint8_t* Bytes(const void* p)
{
    return static_cast<const std::uint8_t*>(p);
}

void SetStoreByte(DriverContext* context, std::size_t offset, std::uint8_t value)
{
    if (std::uint8_t* store = GetStoreBytes(context)) store[offset] = value;
}

std::uint32_t GetStoreByte(DriverContext* context, std::size_t offset)
{
    const std::uint8_t* store = GetStoreBytes(context);
    return store ? store[offset] : 0;
}

void SetDevmodeByte(void* devmode, std::size_t offset, std::uint8_t value)
{
    if (devmode) Bytes(devmode)[offset] = value;
}

std::uint32_t GetDevmodeByte(const void* devmode, std::size_t offset)
{
    return devmode ? Bytes(devmode)[offset] : 0;
}

// The header is where the tests read it only in a DEVMODE of the current
// public size that carries a whole private part.
bool HasWholePrivatePart(const std::uint8_t* devmode)
{
    return ReadLe16(devmode + kDevmodeSizeField) == GetPublicDevmodeSize() &&
           ReadLe16(devmode + kDevmodeDriverExtraField) >= GetPrivateDevmodeSize();
}

// Model tag, machine family and driver type against the compiled-in record.
bool IsSameModel(const std::uint8_t* devmode)
{
    const ModelRecord* record = GetModelDatabase()->modelRecord;
    if (std::memcmp(devmode + kModelTagOffset, record->modelTag, sizeof(record->modelTag)) != 0) return false;
    if (devmode[kMachineIdOffset] != record->machineFamily) return false;
    std::uint8_t driverType = devmode[kDriverTypeOffset];
    switch (record->machineSubCode) {
    case 0:
        return driverType == 0;
    case 1:
        return driverType == 1;
    default:
        return true;
    }
}

bool IsCurrentSize(const std::uint8_t* devmode)
{
    return ReadLe32(devmode + kPrivateSizeOffset) == GetPrivateDevmodeSize();
}

bool IsCurrentVersion(const std::uint8_t* devmode)
{
    return ReadLe32(devmode + kPrivateVersionOffset) == GetModelDatabase()->modelRecord->privateVersion;
}

}  // namespace

PrivateDevmodeHeader ReadPrivateDevmodeHeader(const void* devmode)
{
    const std::uint8_t* p = Bytes(devmode);
    PrivateDevmodeHeader h{};
    std::memcpy(h.signature, p + kSignatureOffset, sizeof(h.signature));
    h.jobBinder = ReadLe32(p + kJobBinderOffset);
    std::memcpy(h.modelTag, p + kModelTagOffset, sizeof(h.modelTag));
    h.privateSize = ReadLe32(p + kPrivateSizeOffset);
    h.privateVersion = ReadLe32(p + kPrivateVersionOffset);
    h.area1Base = ReadLe16(p + kArea1BaseOffset);
    h.area2Base = ReadLe16(p + kArea2BaseOffset);
    h.area3Base = ReadLe16(p + kArea3BaseOffset);
    return h;
}

// ---- sizes ----------------------------------------------------------------------

std::uint32_t GetPublicDevmodeSize()
{
    return IsWin9x() ? kPublicDevmodeSize9x : kPublicDevmodeSize;
}
std::uint32_t GetPrivateDevmodeSize()
{
    return IsWin9x() ? kPrivateDevmodeSize9x : kPrivateDevmodeSize;
}
std::uint32_t GetDevmodeSize()
{
    return GetPublicDevmodeSize() + GetPrivateDevmodeSize();
}
std::uint32_t GetStoreArea2Size()
{
    return kStoreArea2Size;
}
std::uint32_t GetStoreArea3Size()
{
    return kStoreArea3Size;
}
std::uint32_t GetSettingsStoreSize()
{
    return GetDevmodeSize() + GetStoreArea2Size() + GetStoreArea3Size();
}

std::uint32_t GetStoreAreaBase(std::uint32_t area)
{
    switch (area) {
    case kAreaDevmode:
        return 0;
    case kAreaPrinter:
        return GetDevmodeSize();
    case kAreaWork:
        return GetDevmodeSize() + GetStoreArea2Size();
    default:
        return 0;
    }
}

// ---- store and section pointers ------------------------------------------------------

SettingsStore* GetSettingsStore(DriverContext* context)
{
    return context ? context->store : nullptr;
}

std::uint8_t* GetStoreBytes(DriverContext* context)
{
    SettingsStore* store = GetSettingsStore(context);
    return store ? store->bytes : nullptr;
}

std::uint8_t* GetPrivateDevmode(DriverContext* context)
{
    std::uint8_t* store = GetStoreBytes(context);
    if (store == nullptr) return nullptr;
    // dmSize of the store may have come in with a DEVMODE from outside; it
    // is followed only while it stays inside the public part.
    std::uint32_t size = ReadLe16(store + kDevmodeSizeField);
    if (size > GetPublicDevmodeSize()) size = GetPublicDevmodeSize();
    return store + size;
}

std::uint8_t* LocatePrivateDevmode(DriverContext* context)
{
    return GetPrivateDevmode(context);
}

std::uint8_t* GetStoreArea2(DriverContext* context)
{
    std::uint8_t* store = GetStoreBytes(context);
    return store ? store + GetStoreAreaBase(kAreaPrinter) : nullptr;
}

std::uint8_t* GetStoreArea3(DriverContext* context)
{
    std::uint8_t* store = GetStoreBytes(context);
    return store ? store + GetStoreAreaBase(kAreaWork) : nullptr;
}

// ---- header -----------------------------------------------------------------------------

void InitPrivateDevmodeHeader(void* devmode, DriverContext* context)
{
    if (devmode == nullptr) return;
    std::uint8_t* p = Bytes(devmode);
    const ModelRecord* record =
        context && context->modelRecord ? context->modelRecord : GetModelDatabase()->modelRecord;
    // The signature goes in with its terminator, which rdmJobBinder then covers.
    std::memcpy(p + kSignatureOffset, kPrivateSignature, sizeof(kPrivateSignature));
    WriteLe32(p + kJobBinderOffset, 0);
    std::memcpy(p + kModelTagOffset, record->modelTag, sizeof(record->modelTag));
    WriteLe32(p + kPrivateSizeOffset, GetPrivateDevmodeSize());
    WriteLe32(p + kPrivateVersionOffset, record->privateVersion);
    SetStoreAreaOffsets(devmode);
}

void SetStoreAreaOffsets(void* store)
{
    if (store == nullptr) return;
    std::uint8_t* p = Bytes(store);
    WriteLe16(p + kArea1BaseOffset, static_cast<std::uint16_t>(GetStoreAreaBase(kAreaDevmode)));
    WriteLe16(p + kArea2BaseOffset, static_cast<std::uint16_t>(GetStoreAreaBase(kAreaPrinter)));
    WriteLe16(p + kArea3BaseOffset, static_cast<std::uint16_t>(GetStoreAreaBase(kAreaWork)));
}

// ---- identity and version -------------------------------------------------------------------

BOOL IsDevmodeCurrent(const void* devmode, DriverContext*)
{
    if (devmode == nullptr || !HasWholePrivatePart(Bytes(devmode))) return 0;
    const std::uint8_t* p = Bytes(devmode);
    return IsSameModel(p) && IsCurrentSize(p) && IsCurrentVersion(p);
}

BOOL IsDevmodeSameModel(const void* devmode, DriverContext*)
{
    if (devmode == nullptr || !HasWholePrivatePart(Bytes(devmode))) return 0;
    return IsSameModel(Bytes(devmode));
}

BOOL IsDevmodeSameModelAndSize(const void* devmode, DriverContext*)
{
    if (devmode == nullptr || !HasWholePrivatePart(Bytes(devmode))) return 0;
    const std::uint8_t* p = Bytes(devmode);
    return IsSameModel(p) && IsCurrentSize(p);
}

// ---- run-time flag tail on the context's store ----------------------------------------------------

void SetPreviewAppFlag(DriverContext* c, std::uint8_t v)
{
    SetStoreByte(c, kPreviewAppFlagOffset, v);
}
void SetPreviewAppFlagOff(DriverContext* c)
{
    SetPreviewAppFlag(c, 0);
}
void SetPreviewAppFlagOn(DriverContext* c)
{
    SetPreviewAppFlag(c, 1);
}
void SetDefaultsModeFlag(DriverContext* c, std::uint8_t v)
{
    SetStoreByte(c, kDefaultsModeFlagOffset, v);
}
std::uint32_t GetDefaultsModeFlag(DriverContext* c)
{
    return GetStoreByte(c, kDefaultsModeFlagOffset);
}
void SetDefaultsModeFlagOn(DriverContext* c)
{
    SetDefaultsModeFlag(c, 1);
}
void SetOsKind(DriverContext* c, std::uint8_t v)
{
    SetStoreByte(c, kOsKindOffset, v);
}
std::uint32_t GetOsKind(DriverContext* c)
{
    return GetStoreByte(c, kOsKindOffset);
}
void SetOsKindWin95(DriverContext* c)
{
    SetOsKind(c, static_cast<std::uint8_t>(RDMOSKIND_95));
}
void SetOsKindNt4(DriverContext* c)
{
    SetOsKind(c, static_cast<std::uint8_t>(RDMOSKIND_NT40));
}
void SetOsKindNt5(DriverContext* c)
{
    SetOsKind(c, static_cast<std::uint8_t>(RDMOSKIND_2000));
}
void SetOsKindWin98(DriverContext* c)
{
    SetOsKind(c, static_cast<std::uint8_t>(RDMOSKIND_98));
}
void SetPackageImportFlag(DriverContext* c, std::uint8_t v)
{
    SetStoreByte(c, kPackageImportFlagOffset, v);
}
void SetPackageImportFlagOn(DriverContext* c)
{
    SetPackageImportFlag(c, 1);
}
void SetInstallUserCodeFlag(DriverContext* c, std::uint8_t v)
{
    SetStoreByte(c, kInstallUserCodeFlagOffset, v);
}
void SetInstallUserCodeFlagOff(DriverContext* c)
{
    SetInstallUserCodeFlag(c, 0);
}
void SetDeviceInfoFlag(DriverContext* c, std::uint8_t v)
{
    SetStoreByte(c, kDeviceInfoFlagOffset, v);
}
void SetDeviceInfoFlagOff(DriverContext* c)
{
    SetDeviceInfoFlag(c, 0);
}
void SetDeviceInfoFlagOn(DriverContext* c)
{
    SetDeviceInfoFlag(c, 1);
}
void SetNoPermissionFlag(DriverContext* c, std::uint8_t v)
{
    SetStoreByte(c, kNoPermissionFlagOffset, v);
}
void SetNoPermissionFlagOff(DriverContext* c)
{
    SetNoPermissionFlag(c, 0);
}
void SetUiModeChangeFlag(DriverContext* c, std::uint8_t v)
{
    SetStoreByte(c, kUiModeChangeFlagOffset, v);
}
void SetUiModeChangeFlagOff(DriverContext* c)
{
    SetUiModeChangeFlag(c, 0);
}
void SetUiModeChangeFlagOn(DriverContext* c)
{
    SetUiModeChangeFlag(c, 1);
}
void SetBidiEnabledFlag(DriverContext* c, std::uint8_t v)
{
    SetStoreByte(c, kBidiEnabledFlagOffset, v);
}
void SetBidiEnabledFlagOff(DriverContext* c)
{
    SetBidiEnabledFlag(c, 0);
}
void SetBidiEnabledFlagOn(DriverContext* c)
{
    SetBidiEnabledFlag(c, 1);
}
void SetConnectionFlag(DriverContext* c, std::uint8_t v)
{
    SetStoreByte(c, kConnectionFlagOffset, v);
}
std::uint32_t GetConnectionFlag(DriverContext* c)
{
    return GetStoreByte(c, kConnectionFlagOffset);
}
void SetConnectionFlagOff(DriverContext* c)
{
    SetConnectionFlag(c, 0);
}
void SetConnectionFlagOn(DriverContext* c)
{
    SetConnectionFlag(c, 1);
}
void SetUserCodeUseFlag(DriverContext* c, std::uint8_t v)
{
    SetStoreByte(c, kUserCodeUseFlagOffset, v);
}
void SetUserCodeUseFlagOff(DriverContext* c)
{
    SetUserCodeUseFlag(c, 0);
}
void SetUserCodeUseFlagOn(DriverContext* c)
{
    SetUserCodeUseFlag(c, 1);
}
void SetDllUserCodeFlag(DriverContext* c, std::uint8_t v)
{
    SetStoreByte(c, kDllUserCodeFlagOffset, v);
}
void SetDllUserCodeFlagOff(DriverContext* c)
{
    SetDllUserCodeFlag(c, 0);
}
void SetBindingAppFlag(DriverContext* c, std::uint8_t v)
{
    SetStoreByte(c, kBindingAppFlagOffset, v);
}
void SetBindingAppFlagOff(DriverContext* c)
{
    SetBindingAppFlag(c, 0);
}
void SetBindingAppFlagOn(DriverContext* c)
{
    SetBindingAppFlag(c, 1);
}
void SetDeviceSheetFlag(DriverContext* c, std::uint8_t v)
{
    SetStoreByte(c, kDeviceSheetFlagOffset, v);
}
void SetDeviceSheetFlagOff(DriverContext* c)
{
    SetDeviceSheetFlag(c, 0);
}
void SetDllUserCodeFlag2(DriverContext* c, std::uint8_t v)
{
    SetStoreByte(c, kDllUserCodeFlag2Offset, v);
}
void SetDllUserCodeFlag2Off(DriverContext* c)
{
    SetDllUserCodeFlag2(c, 0);
}
void SetTerminalServerFlag(DriverContext* c, std::uint8_t v)
{
    SetStoreByte(c, kTerminalServerFlagOffset, v);
}
std::uint32_t GetTerminalServerFlag(DriverContext* c)
{
    return GetStoreByte(c, kTerminalServerFlagOffset);
}
void SetAdminFlag(DriverContext* c, std::uint8_t v)
{
    SetStoreByte(c, kAdminFlagOffset, v);
}
std::uint32_t GetAdminFlag(DriverContext* c)
{
    return GetStoreByte(c, kAdminFlagOffset);
}
void SetBidiFuncBits(DriverContext* c, std::uint8_t v)
{
    SetStoreByte(c, kBidiFuncBitsOffset, v);
}
std::uint32_t GetBidiFuncBits(DriverContext* c)
{
    return GetStoreByte(c, kBidiFuncBitsOffset);
}

// ---- run-time flag tail on a DEVMODE buffer ----------------------------------------------------------

void SetDevmodeDefaultsModeFlag(void* d, std::uint8_t v)
{
    SetDevmodeByte(d, kDefaultsModeFlagOffset, v);
}
std::uint32_t GetDevmodeDefaultsModeFlag(const void* d)
{
    return GetDevmodeByte(d, kDefaultsModeFlagOffset);
}
void SetDevmodeOsKind(void* d, std::uint8_t v)
{
    SetDevmodeByte(d, kOsKindOffset, v);
}
std::uint32_t GetDevmodeOsKind(const void* d)
{
    return GetDevmodeByte(d, kOsKindOffset);
}
void SetDevmodePackageImportFlag(void* d, std::uint8_t v)
{
    SetDevmodeByte(d, kPackageImportFlagOffset, v);
}
std::uint32_t GetDevmodePackageImportFlag(const void* d)
{
    return GetDevmodeByte(d, kPackageImportFlagOffset);
}
void SetDevmodeInstallUserCodeFlag(void* d, std::uint8_t v)
{
    SetDevmodeByte(d, kInstallUserCodeFlagOffset, v);
}
std::uint32_t GetDevmodeInstallUserCodeFlag(const void* d)
{
    return GetDevmodeByte(d, kInstallUserCodeFlagOffset);
}
void SetDevmodeDeviceInfoFlag(void* d, std::uint8_t v)
{
    SetDevmodeByte(d, kDeviceInfoFlagOffset, v);
}
std::uint32_t GetDevmodeDeviceInfoFlag(const void* d)
{
    return GetDevmodeByte(d, kDeviceInfoFlagOffset);
}
void SetDevmodeNoPermissionFlag(void* d, std::uint8_t v)
{
    SetDevmodeByte(d, kNoPermissionFlagOffset, v);
}
std::uint32_t GetDevmodeNoPermissionFlag(const void* d)
{
    return GetDevmodeByte(d, kNoPermissionFlagOffset);
}
void SetDevmodeConnectionFlag(void* d, std::uint8_t v)
{
    SetDevmodeByte(d, kConnectionFlagOffset, v);
}
std::uint32_t GetDevmodeConnectionFlag(const void* d)
{
    return GetDevmodeByte(d, kConnectionFlagOffset);
}
void SetDevmodeDeviceSheetFlag(void* d, std::uint8_t v)
{
    SetDevmodeByte(d, kDeviceSheetFlagOffset, v);
}
std::uint32_t GetDevmodeDeviceSheetFlag(const void* d)
{
    return GetDevmodeByte(d, kDeviceSheetFlagOffset);
}
void SetDevmodeTerminalServerFlag(void* d, std::uint8_t v)
{
    SetDevmodeByte(d, kTerminalServerFlagOffset, v);
}
std::uint32_t GetDevmodeTerminalServerFlag(const void* d)
{
    return GetDevmodeByte(d, kTerminalServerFlagOffset);
}
void SetDevmodeAdminFlag(void* d, std::uint8_t v)
{
    SetDevmodeByte(d, kAdminFlagOffset, v);
}
std::uint32_t GetDevmodeAdminFlag(const void* d)
{
    return GetDevmodeByte(d, kAdminFlagOffset);
}
void SetDevmodeBidiFuncBits(void* d, std::uint8_t v)
{
    SetDevmodeByte(d, kBidiFuncBitsOffset, v);
}
std::uint32_t GetDevmodeBidiFuncBits(const void* d)
{
    return GetDevmodeByte(d, kBidiFuncBitsOffset);
}

// ---- other private fields of a DEVMODE buffer ----------------------------------------------------------

std::uint32_t GetDevmodePrivateTag(const void* d)
{
    return d ? ReadLe32(Bytes(d) + kModelTagOffset) : 0;
}
std::uint32_t GetDevmodePrivateSizeField(const void* d)
{
    return d ? ReadLe32(Bytes(d) + kPrivateSizeOffset) : 0;
}
std::uint32_t GetDevmodePrivateVersion(const void* d)
{
    return d ? ReadLe32(Bytes(d) + kPrivateVersionOffset) : 0;
}
std::uint32_t GetDevmodeMachineId(const void* d)
{
    return GetDevmodeByte(d, kMachineIdOffset);
}
std::uint32_t GetDevmodeDriverType(const void* d)
{
    return GetDevmodeByte(d, kDriverTypeOffset);
}

void SetDevmodeQualityFuncBits(void* d, std::uint16_t bits)
{
    if (d) WriteLe16(Bytes(d) + kQualityFuncOffset, bits);
}
std::uint16_t GetDevmodeQualityFuncBits(const void* d)
{
    return d ? ReadLe16(Bytes(d) + kQualityFuncOffset) : 0;
}

void SetDevmodeFrontFunc(void* d, std::uint32_t value)
{
    if (d) WriteLe32(Bytes(d) + kFrontFuncOffset, value);
}
std::uint32_t GetDevmodeFrontFunc(const void* d)
{
    return d ? ReadLe32(Bytes(d) + kFrontFuncOffset) : 0;
}

void SetDevmodeHidden2FuncBits(void* d, std::uint32_t bits)
{
    if (d) WriteLe32(Bytes(d) + kHidden2FuncOffset, bits);
}
std::uint32_t GetDevmodeHidden2FuncBits(const void* d)
{
    return d ? ReadLe32(Bytes(d) + kHidden2FuncOffset) : 0;
}

std::uint32_t GetDevmodeSupportFunc2Bits(const void* d)
{
    return d ? ReadLe32(Bytes(d) + kSupportFunc2Offset) : 0;
}

namespace {
void CopySupportBit(void* d, std::uint32_t flags, std::uint32_t bit)
{
    if (d == nullptr) return;
    std::uint32_t word = ReadLe32(Bytes(d) + kSupportFunc2Offset);
    word = (word & ~bit) | (flags & bit);
    WriteLe32(Bytes(d) + kSupportFunc2Offset, word);
}
}  // namespace

void CopyJobCompleteSupportBit(void* d, std::uint32_t flags)
{
    CopySupportBit(d, flags, 1u << 0);
}
void CopyJobErrorSupportBit(void* d, std::uint32_t flags)
{
    CopySupportBit(d, flags, 1u << 1);
}

void SetDevmodeLockPrnMethod(void* d, std::uint8_t value)
{
    SetDevmodeByte(d, kLockPrnMethodOffset, value);
}
std::uint8_t GetDevmodeLockPrnMethod(const void* d)
{
    return static_cast<std::uint8_t>(GetDevmodeByte(d, kLockPrnMethodOffset));
}

// ---- resolution accessors --------------------------------------------------------------------------------

std::uint32_t GetPrintQuality(DriverContext* c)
{
    return GetItemValue(c, dmPrintQuality);
}
std::uint32_t GetDstResolutionW(DriverContext* c)
{
    return GetItemValue(c, rdmDstResolutionW);
}
std::uint32_t GetDstResolutionH(DriverContext* c)
{
    return GetItemValue(c, rdmDstResolutionH);
}
void SetPrintQualityItem(DriverContext* c, std::uint32_t v)
{
    StoreItemValue(c, FindItem(c, dmPrintQuality), v);
}
void SetYResolutionItem(DriverContext* c, std::uint32_t v)
{
    StoreItemValue(c, FindItem(c, dmYResolution), v);
}
void SetDstResolutionWItem(DriverContext* c, std::uint32_t v)
{
    SetItemValue(c, rdmDstResolutionW, v);
}
void SetDstResolutionHItem(DriverContext* c, std::uint32_t v)
{
    SetItemValue(c, rdmDstResolutionH, v);
}

// The store holds no resolution lock: printing is never limited by one.
std::uint32_t GetLockedResolution(DriverContext*)
{
    return 0;
}

}  // namespace vexl
