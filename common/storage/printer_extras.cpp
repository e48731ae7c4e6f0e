#include "common/storage/persistence.h"

#include "common/core/appservices.h"
#include "common/core/context.h"
#include "common/core/items.h"
#include "common/core/le.h"
#include "common/core/memory.h"
#include "common/core/printer.h"
#include "common/core/process.h"
#include "common/core/settings_modules.h"
#include "common/core/store.h"
#include "common/core/switches.h"
#include "common/core/textconv.h"
#include "common/model/paper_geometry.h"
#include "common/storage/directories.h"
#include "common/storage/printer_data_io.h"
#include "common/core/item_layout.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace vexl {
namespace {

using namespace printer_data_io;

constexpr std::uint16_t kFirstFontListItem = kFontListItems.first;
constexpr std::uint16_t kLastFontBlockItem = kFontBlockItems.last;
constexpr int kSpecialFunctionCount = 16;
constexpr int kUserNameChars = 257;

// One locked value: when the lock bit is set, the 4-byte value goes into the item.
struct LockedValue {
    std::uint16_t lockBit;
    const WCHAR* valueName;
    std::uint16_t item;
    std::uint16_t secondItem;  // 0: none
    std::uint16_t selectItem;  // set to 1 first; 0: none
};
constexpr LockedValue kLockedValues[] = {
    {rdmLock000InfoBitTray, u"LockTrayData", dmDefaultSource, 0, 0},
    {rdmLock000InfoBitMedia, u"LockMediaData", rdmMediaType, 0, 0},
    {rdmLock000InfoBitPrintType, u"LockPrnMethodData", rdmPrnMethod, rdmLockPrnMethod, 0},
    {rdmLock001InfoBitColor, u"LockColorData", dmColor, 0, 0},
    {rdmLock000InfoBitNupKind, u"LockNUPPOSTKindData", rdmNUPPOSTKind, 0, rdmFuncSelectNup},
    {rdmLock000InfoBitNupKind, u"LockNUPTypeData", rdmNUPType, 0, 0},
    {rdmLock000InfoBitDuplex, u"LockDuplexTypeData", rdmDuplexType, 0, rdmFuncSelectDuplex},
};

ContextWorkArea* WorkOf(DriverContext* context)
{
    return context ? context->workArea : nullptr;
}

// Zeroes the font-list items in an image of the store: their heap
// addresses mean nothing outside this process.
void ZeroFontListItems(DriverContext* context, std::uint8_t* image)
{
    for (std::uint16_t id = kFirstFontListItem; id <= kLastFontBlockItem; ++id) {
        const SettingItemDescriptor* item = FindItem(context, id);
        if (item == nullptr) continue;
        const std::uint32_t at = GetStoreAreaBase(ItemArea(*item)) + item->offset;
        if (at + ItemLength(*item) <= GetSettingsStoreSize()) std::memset(image + at, 0, ItemLength(*item));
    }
}

}  // namespace

// ---- custom media --------------------------------------------------------------------------------------

void EncodeCustomMediaRecord(const CustomMediaRecord& record, std::uint8_t* out)
{
    WriteLe32(out, record.quot);
    WriteLe32(out + 4, record.charSet);
    std::memcpy(out + 8, record.name, sizeof(record.name));
}

CustomMediaRecord DecodeCustomMediaRecord(const std::uint8_t* bytes)
{
    CustomMediaRecord record{};
    record.quot = ReadLe32(bytes);
    record.charSet = ReadLe32(bytes + 4);
    std::memcpy(record.name, bytes + 8, sizeof(record.name));
    record.name[sizeof(record.name) - 1] = 0;
    return record;
}

BOOL IsCustomMediaEnabled(DriverContext* context)
{
    return IsFeatureClassOn(context, kFeatureCustomMedia, 0) && IsBuildFeatureOn(kFeatureCustomMediaSync) &&
                   HasModelCapability(context, 1)
               ? TRUE
               : FALSE;
}

void ResetCustomMediaItems(DriverContext* context)
{
    SetItemValue(context, wdmCustomMediaDataNum, GetItemValue(context, wdmCustomMediaMaxNum));
    for (const CustomMediaSlot* slot = GetCustomMediaSlotTable(); slot && slot->ratioItem; ++slot) {
        SetItemValue(context, slot->ratioItem, 1);
        SetItemString(context, FindItem(context, slot->nameItem), u"");
        SetItemValue(context, slot->charsetItem, 0);
    }
}

BOOL LoadCustomMediaRecords(HANDLE printer, DriverContext* context)
{
    ResetCustomMediaItems(context);
    std::uint8_t countBytes[2] = {};
    if (!ReadExact(printer, u"CustomMediaDataNum", countBytes, 2)) return FALSE;
    const std::uint32_t stored = ReadLe16(countBytes);
    const std::uint32_t maximum = GetItemValue(context, wdmCustomMediaMaxNum);
    if (stored == 0 || maximum == 0) return FALSE;
    std::vector<std::uint8_t> bytes(maximum * kCustomMediaRecordSize, 0);
    DWORD read = 0;
    if (ReadValue(printer, u"CustomMediaData", REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()), &read,
                  nullptr) != ERROR_SUCCESS) {
        return FALSE;
    }
    SetItemValue(context, wdmCustomMediaDataNum, stored);
    // At most the records that were read and the slots there are.
    std::uint32_t n = 0;
    for (const CustomMediaSlot* slot = GetCustomMediaSlotTable(); slot && slot->ratioItem && n < stored && n < maximum;
         ++slot, ++n) {
        const CustomMediaRecord record = DecodeCustomMediaRecord(bytes.data() + n * kCustomMediaRecordSize);
        SetItemOption(context, slot->ratioItem, record.quot);
        WCHAR name[sizeof(record.name)] = {};
        AnsiToWide(name, record.name, static_cast<int>(sizeof(record.name)));
        SetItemString(context, FindItem(context, slot->nameItem), name);
        SetItemOption(context, slot->charsetItem, record.charSet);
    }
    return TRUE;
}

BOOL StoreCustomMediaRecords(HANDLE printer, DriverContext* context)
{
    const std::uint32_t maximum = GetItemValue(context, wdmCustomMediaMaxNum);
    std::vector<std::uint8_t> bytes(maximum * kCustomMediaRecordSize, 0);
    std::uint32_t n = 0;
    for (const CustomMediaSlot* slot = GetCustomMediaSlotTable(); slot && slot->ratioItem && n < maximum; ++slot, ++n) {
        CustomMediaRecord record{};
        record.quot = GetItemValue(context, slot->ratioItem);
        record.charSet = GetItemValue(context, slot->charsetItem);
        const SettingItemDescriptor* name = FindItem(context, slot->nameItem);
        if (const std::uint8_t* field = GetItemAddress(context, name))
            std::memcpy(record.name, field, strnlen(reinterpret_cast<const char*>(field), ItemLength(*name)));
        EncodeCustomMediaRecord(record, bytes.data() + n * kCustomMediaRecordSize);
    }
    std::uint8_t countBytes[2] = {};
    WriteLe16(countBytes, static_cast<std::uint16_t>(GetItemValue(context, wdmCustomMediaDataNum)));
    const bool counted = WriteBinary(printer, u"CustomMediaDataNum", countBytes, 2);
    const bool written =
        bytes.empty() || WriteBinary(printer, u"CustomMediaData", bytes.data(), static_cast<DWORD>(bytes.size()));
    return counted && written ? TRUE : FALSE;
}

// ---- locks ---------------------------------------------------------------------------------------------

BOOL ApplyLockedValues(HANDLE printer, DriverContext* context)
{
    for (const LockedValue& lock : kLockedValues) {
        if (GetItemValue(context, lock.lockBit) == 0) continue;
        if (lock.selectItem) SetItemValue(context, lock.selectItem, 1);
        std::uint8_t bytes[4] = {};
        if (!ReadExact(printer, lock.valueName, bytes, 4)) return FALSE;
        SetItemValue(context, lock.item, ReadLe32(bytes));
        if (lock.secondItem) SetItemValue(context, lock.secondItem, ReadLe32(bytes));
    }
    if (GetItemValue(context, rdmLock000InfoBitResolution))
        SetItemValue(context, rdmDstResolutionBoth, GetItemValue(context, rdmLockDstResolutionBoth));
    SendSettingsModuleCommand(context, kModuleCommandCopyLocks);
    return TRUE;
}

BOOL ReadLockDefaultData(HANDLE printer, DriverContext* context)
{
    ContextWorkArea* work = WorkOf(context);
    if (work == nullptr || work->defaultStore == nullptr) return FALSE;
    const std::uint32_t size = GetSettingsStoreSize();
    std::vector<std::uint8_t> image(size, 0);
    // A store written before area 3 grew is shorter: the bytes that are
    // there are taken and the rest of area 3 stays zero.
    const std::uint32_t previousSize = GetDevmodeSize() + GetStoreArea2Size() + kPreviousStoreArea3Size;
    DWORD read = 0;
    if (ReadValue(printer, u"LockDefaultData", REG_BINARY, image.data(), size, &read, nullptr) != ERROR_SUCCESS)
        return FALSE;
    if (read != size && read != previousSize) return FALSE;
    std::memset(image.data() + read, 0, size - read);
    ZeroFontListItems(context, image.data());
    std::memcpy(work->defaultStore, image.data(), size);
    return TRUE;
}

BOOL WriteLockDefaultData(HANDLE printer, DriverContext* context)
{
    ContextWorkArea* work = WorkOf(context);
    if (work == nullptr || work->defaultStore == nullptr) return FALSE;
    const std::uint32_t size = GetSettingsStoreSize();
    std::vector<std::uint8_t> image(work->defaultStore, work->defaultStore + size);
    ZeroFontListItems(context, image.data());
    return WriteBinary(printer, u"LockDefaultData", image.data(), size) ? TRUE : FALSE;
}

// ---- special functions and the registry -----------------------------------------------------------------

namespace {

// The section of the user-information INI that holds "Function%d", or empty.
std::u16string FindUserInformation(DriverContext* context, std::u16string& file)
{
    const WCHAR* modelFile = GetModelFilePath(context);
    if (modelFile == nullptr || modelFile[0] == 0) return {};
    WCHAR path[MAX_PATH] = {};
    ReadIniString(GetPrinterSectionName(context), u"UserInfomationFile", u"", path, MAX_PATH, modelFile);
    if (path[0] == 0 || !ExpandSystemRootPath(path, MAX_PATH, context)) return {};
    file = path;
    WCHAR choice[32] = {};
    ReadIniString(u"Common", u"SectionName", u"", choice, 32, path);
    if (lstrcmpiW(choice, u"User") == 0) {
        WCHAR user[kUserNameChars] = {};
        DWORD size = kUserNameChars;
        if (!GetUserNameW(user, &size)) return {};
        return user;
    }
    if (lstrcmpiW(choice, u"Driver") == 0) return GetDriverName(context);
    if (lstrcmpiW(choice, u"Printer") == 0) return GetPrinterSectionName(context);
    return {};
}

}  // namespace

void LoadSpecialFunctions(DriverContext* context)
{
    std::u16string file;
    std::u16string section;
    bool located = false;
    bool failed = false;
    for (int n = 1; n <= kSpecialFunctionCount; ++n) {
        const auto item = static_cast<std::uint16_t>(wdmSpecial1 + n - 1);
        if (failed || !IsBuildFeatureOn(static_cast<std::uint32_t>(n - 1))) {
            SetItemValue(context, item, 0);
            continue;
        }
        if (!located) {
            section = FindUserInformation(context, file);
            located = true;
            failed = section.empty();
            if (failed) {
                SetItemValue(context, item, 0);
                continue;
            }
        }
        const std::u16string key = NumberedName(u"Function", static_cast<std::uint32_t>(n));
        SetItemValue(context, item,
                     static_cast<std::uint32_t>(ReadIniInt(section.c_str(), key.c_str(), 0, file.c_str())));
    }
}

BOOL ReadSettingsEnabledValue(std::uint32_t* out)
{
    if (out == nullptr) return FALSE;
    *out = 0;
    HKEY key = nullptr;
    if (RegOpenKeyW(HKEY_CURRENT_USER, u"SOFTWARE\\VORNA\\DRIVER\\SETTINGS", &key) != ERROR_SUCCESS) return FALSE;
    DWORD type = REG_NONE;
    std::uint8_t bytes[4] = {};
    DWORD size = sizeof(bytes);
    if (RegQueryValueExW(key, u"Enabled", nullptr, &type, bytes, &size) == ERROR_SUCCESS && type == REG_DWORD &&
        size == 4) {
        const std::uint32_t value = ReadLe32(bytes);
        *out = value == 1 ? 2 : value == 0 ? 1 : 0;
    }
    RegCloseKey(key);
    return TRUE;
}

void LoadSettingsEnabledFlag(DriverContext* context)
{
    if (!IsBuildFeatureOn(kFeatureSettingsEnabledFlag)) return;
    std::uint32_t value = 0;
    ReadSettingsEnabledValue(&value);
    SetItemValue(context, wdmSpecial2, value);
}

BOOL ReadHklmValue(const WCHAR* subKey, const WCHAR* valueName, void* out, DWORD size, DriverContext* context)
{
    (void)context;
    if (subKey == nullptr || out == nullptr || size == 0) return FALSE;
    HKEY key = nullptr;
    if (RegOpenKeyW(HKEY_LOCAL_MACHINE, subKey, &key) != ERROR_SUCCESS) return FALSE;
    DWORD bytes = size;
    const LSTATUS status = RegQueryValueExW(key, valueName, nullptr, nullptr, static_cast<BYTE*>(out), &bytes);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? TRUE : FALSE;
}

BOOL IsCompanionFunctionInstalled(int function, DriverContext* context)
{
    std::uint8_t bytes[4] = {};
    if (function == 2) {
        return ReadHklmValue(u"Software\\VORNA\\FunctionMix\\JobBinder", u"INSTALL_COUNT", bytes, 4, context) &&
                       ReadLe32(bytes) != 0
                   ? TRUE
                   : FALSE;
    }
    if (function == 8) {
        return ReadHklmValue(u"Software\\VORNA\\FunctionMix\\Preview", u"VERSION", bytes, 4, context) &&
                       ReadLe32(bytes) != 0
                   ? TRUE
                   : FALSE;
    }
    return FALSE;
}

// ---- the printer's default DEVMODE -----------------------------------------------------------------------

BOOL ReadPrinterDefaultDevmode(DriverContext* context)
{
    if (context == nullptr || context->store == nullptr) return FALSE;
    auto* info = static_cast<PRINTER_INFO_2W*>(GetPrinterInfo(context->printer, 2));
    BOOL copied = FALSE;
    if (info && info->pDevMode) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(info->pDevMode);
        const std::uint16_t specVersion = ReadLe16(bytes + 64);
        const std::uint16_t size = ReadLe16(bytes + kDevmodeSizeField);
        const std::uint16_t extra = ReadLe16(bytes + kDevmodeDriverExtraField);
        if (specVersion != 0 && size == GetPublicDevmodeSize() && extra == GetPrivateDevmodeSize()) {
            std::memcpy(GetStoreBytes(context), bytes, GetDevmodeSize());
            copied = TRUE;
        }
    }
    FreeIfNotNull(info);
    return copied;
}

BOOL UsePrinterDefaultDevmode(DriverContext* context)
{
    if (!ReadPrinterDefaultDevmode(context)) return FALSE;
    return IsDevmodeSameModelAndSize(GetStoreBytes(context), context);
}

}  // namespace vexl