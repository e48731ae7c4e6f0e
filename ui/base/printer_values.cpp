// The printer-data values of the interface library.
#include "ui/base/printer_values.h"

#include "common/core/items.h"
#include "common/core/le.h"
#include "common/core/memory.h"
#include "common/core/printer.h"
#include "common/core/units.h"
#include "common/storage/directories.h"
#include "common/storage/persistence.h"
#include "platform/spooler.h"

#include <algorithm>
#include <string>

namespace vexl::ui {
namespace {

// The descriptor with the item name as its printer-data value name.
bool WithItemName(const SettingItemDescriptor* item, SettingItemDescriptor* named)
{
    if (item == nullptr || item->side == nullptr || item->side->name == nullptr || item->side->name[0] == 0)
        return false;
    *named = *item;
    named->key = item->side->name;
    return true;
}

constexpr const WCHAR* kPrintLogKey = u"Software\\VORNA\\PrintLog";
constexpr const WCHAR* kCustomSetupKey = u"Software\\VORNA\\VexlDrvCustomSetup";
constexpr DWORD kDefaultMaxLogFileSize = 64;
constexpr int kEdFileNameChars = 27;  // 26 characters and the terminator
constexpr DWORD kSaveDeviceSetupBytes = 520;

std::u16string_view View(const WCHAR* text)
{
    return text ? std::u16string_view(text) : std::u16string_view();
}

std::u16string FilePart(const WCHAR* path)
{
    const std::u16string_view text = View(path);
    const std::size_t slash = text.find_last_of(u'\\');
    return std::u16string(slash == std::u16string_view::npos ? text : text.substr(slash + 1));
}

DWORD SetData(HANDLE printer, const WCHAR* name, DWORD type, const void* data, DWORD size)
{
    std::u16string valueName(View(name));
    return SetPrinterDataW(printer, valueName.data(), type, static_cast<LPBYTE>(const_cast<void*>(data)), size);
}

// A text with its terminator counted, or without it.
BOOL WriteText(HANDLE printer, const WCHAR* name, std::u16string_view text, bool terminated)
{
    std::u16string value(text);
    const DWORD bytes = static_cast<DWORD>((value.size() + (terminated ? 1 : 0)) * sizeof(WCHAR));
    return SetData(printer, name, REG_SZ, value.c_str(), bytes) == ERROR_SUCCESS;
}

bool ReadExact(HANDLE printer, const WCHAR* name, void* out, DWORD size)
{
    std::u16string valueName(View(name));
    DWORD type = 0;
    DWORD needed = 0;
    return GetPrinterDataW(printer, valueName.data(), &type, static_cast<LPBYTE>(out), size, &needed) ==
               ERROR_SUCCESS &&
           needed == size;
}

// The text of a printer-data REG_SZ, cut at its terminator.
bool ReadText(HANDLE printer, const WCHAR* name, WCHAR* out, int size)
{
    std::u16string valueName(View(name));
    DWORD type = 0;
    DWORD needed = 0;
    std::u16string buffer(static_cast<std::size_t>(size), u'\0');
    if (GetPrinterDataW(printer, valueName.data(), &type, reinterpret_cast<LPBYTE>(buffer.data()),
                        static_cast<DWORD>(size * sizeof(WCHAR)), &needed) != ERROR_SUCCESS)
        return false;
    buffer.resize(std::min<std::size_t>(needed / sizeof(WCHAR), buffer.size()));
    buffer.resize(std::u16string_view(buffer.c_str()).size());
    if (buffer.size() >= static_cast<std::size_t>(size)) return false;
    buffer.copy(out, buffer.size());
    out[buffer.size()] = 0;
    return true;
}

std::u16string NumberedName(const WCHAR* prefix, std::uint32_t n)
{
    std::u16string name(View(prefix));
    for (const char c : std::to_string(n)) name.push_back(static_cast<char16_t>(c));
    return name;
}

void EncodeName(const WCHAR* name, std::uint8_t* out)
{
    std::fill(out, out + kFontNameBytes, std::uint8_t{0});
    for (std::size_t i = 0; i + 1 < kFontNameBytes / sizeof(WCHAR) && name[i] != 0; ++i)
        WriteLe16(out + 2 * i, name[i]);
}

template <typename Use> void WithPrinterInfo2(HANDLE printer, Use use)
{
    auto* info = static_cast<PRINTER_INFO_2W*>(printer ? GetPrinterInfo(printer, 2) : nullptr);
    if (info != nullptr) use(*info);
    FreeIfNotNull(info);
}

template <typename Use> void WithDriverInfo3(HANDLE printer, Use use)
{
    auto* info = static_cast<DRIVER_INFO_3W*>(printer ? GetPrinterDriverInfo(printer, 3) : nullptr);
    if (info != nullptr) use(*info);
    FreeIfNotNull(info);
}

std::uint32_t ReadCount(HANDLE printer, const WCHAR* name)
{
    std::uint8_t bytes[2] = {};
    return ReadExact(printer, name, bytes, 2) ? ReadLe16(bytes) : 0;
}

HKEY OpenMachineKey(const WCHAR* path, REGSAM access, bool create)
{
    HKEY key = nullptr;
    const LSTATUS status =
        create ? RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, access, nullptr, &key, nullptr)
               : RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, access, &key);
    return status == ERROR_SUCCESS ? key : nullptr;
}

}  // namespace

BOOL ReadLockBits(HANDLE printer, std::uint8_t* out, std::uint16_t itemId)
{
    if (out != nullptr) *out = 0;
    const WCHAR* name = itemId == kLockBitsDefaultItem ? u"rdmLock000InfoBit"
                        : itemId == kLockBitsColorItem ? u"rdmLock001InfoBit"
                                                       : nullptr;
    if (name == nullptr || out == nullptr) return FALSE;
    WCHAR valueName[32] = {};
    lstrcpynW(valueName, name, 32);
    BYTE byte = 0;
    DWORD type = 0;
    DWORD needed = 0;
    if (GetPrinterDataW(printer, valueName, &type, &byte, 1, &needed) != ERROR_SUCCESS) return FALSE;
    *out = byte;
    return TRUE;
}

BOOL LoadSettingFromPrinterData(HANDLE printer, DriverContext* context, SettingItemDescriptor* item)
{
    SettingItemDescriptor named{};
    if (!WithItemName(item, &named)) return FALSE;
    // The write goes through the context's own descriptor, so that the
    // change marks land where the rest of the library looks for them.
    const BOOL read = LoadItemFromPrinterData(printer, context, &named, 0, nullptr);
    item->stateBits = named.stateBits;
    return read;
}

BOOL StoreSettingToPrinterData(HANDLE printer, DriverContext* context, SettingItemDescriptor* item)
{
    SettingItemDescriptor named{};
    if (!WithItemName(item, &named)) return FALSE;
    return StoreItemToPrinterData(printer, context, &named);
}

BOOL ReadHelpFileNameValue(HANDLE printer, WCHAR* out, int size)
{
    if (out == nullptr || size <= 0) return FALSE;
    out[0] = 0;
    WCHAR name[] = u"HelpFileName";
    DWORD type = 0;
    DWORD needed = 0;
    const DWORD bytes = static_cast<DWORD>(size) * sizeof(WCHAR);
    if (GetPrinterDataW(printer, name, &type, reinterpret_cast<BYTE*>(out), bytes, &needed) != ERROR_SUCCESS) {
        out[0] = 0;
        return FALSE;
    }
    out[size - 1] = 0;
    return out[0] != 0;
}

// ---- file names and names --------------------------------------------------------------

BOOL WriteDriverGRFileName(HANDLE printer)
{
    BOOL written = FALSE;
    WithDriverInfo3(printer, [&](const DRIVER_INFO_3W& info) {
        if (info.pDriverPath != nullptr)
            written = WriteText(printer, u"DriverGRFileName", FilePart(info.pDriverPath), true);
    });
    return written;
}

BOOL WriteDriverEDFileName(HANDLE printer, DriverContext* context)
{
    const WCHAR* modelIni = GetModelFilePath(context);
    if (modelIni == nullptr) return FALSE;
    WCHAR name[kEdFileNameChars] = {};
    GetPrivateProfileStringW(u"DriversFileName", u"DriverEDFileName", u"", name, kEdFileNameChars, modelIni);
    return WriteText(printer, u"DriverEDFileName", View(name), true);
}

BOOL WriteDriverFileNames(HANDLE printer, DriverContext* context)
{
    const ModelRecord* record = context != nullptr ? context->modelRecord : nullptr;
    BOOL result = TRUE;
    if (record == nullptr) return FALSE;
    if (record->spoolLibraryName != nullptr && record->spoolLibraryName[0] != 0)
        result &= WriteText(printer, u"SPLUserModePrinterDriver", View(record->spoolLibraryName), false);
    if (record->settingsIniName != nullptr && record->settingsIniName[0] != 0)
        result &= WriteText(printer, u"DriverIniFileName", View(record->settingsIniName), false);
    WriteDriverGRFileName(printer);
    WriteDriverEDFileName(printer, context);
    return result;
}

BOOL WriteHelpFileNameValue(HANDLE printer, DriverContext*)
{
    BOOL written = FALSE;
    WithDriverInfo3(printer, [&](const DRIVER_INFO_3W& info) {
        if (info.pHelpFile != nullptr) written = WriteText(printer, u"HelpFileName", FilePart(info.pHelpFile), true);
    });
    return written;
}

BOOL WritePrinterNameValue(HANDLE printer, DriverContext*)
{
    BOOL written = FALSE;
    WithPrinterInfo2(printer, [&](const PRINTER_INFO_2W& info) {
        if (info.pPrinterName != nullptr)
            written = WriteText(printer, u"VEXLPrinterName", View(info.pPrinterName), true);
    });
    return written;
}

BOOL WriteDriverNameValue(HANDLE printer, DriverContext*)
{
    BOOL written = FALSE;
    WithPrinterInfo2(printer, [&](const PRINTER_INFO_2W& info) {
        if (info.pDriverName != nullptr) written = WriteText(printer, u"DriverName", View(info.pDriverName), true);
    });
    return written;
}

BOOL ReadPrinterNameValue(HANDLE printer, WCHAR* buffer, DriverContext* context)
{
    constexpr int kNameChars = 261;
    WCHAR* out = buffer;
    if (out == nullptr && context != nullptr && context->workArea != nullptr) out = context->workArea->printerName;
    if (out == nullptr) return FALSE;
    WCHAR name[kNameChars] = {};
    if (!ReadText(printer, u"VEXLPrinterName", name, kNameChars)) return FALSE;
    std::copy(name, name + kNameChars, out);
    return TRUE;
}

BOOL WritePermissionValue(HANDLE printer, const BYTE* data, DWORD size)
{
    if (data == nullptr) return FALSE;
    return SetData(printer, u"Permission", REG_DWORD, data, size) == ERROR_SUCCESS;
}

BOOL WriteLogFileName(BOOL withLogName, DriverContext* context)
{
    EnsurePrintLogDefaults(context);
    if (!withLogName || context == nullptr) return TRUE;
    BOOL written = FALSE;
    WithDriverInfo3(context->printer, [&](const DRIVER_INFO_3W& info) {
        if (info.pDriverPath == nullptr) return;
        std::u16string name = FilePart(info.pDriverPath);
        const std::size_t dot = name.find_last_of(u'.');
        name = (dot == std::u16string::npos ? name : name.substr(0, dot)) + u".log";
        written = WriteText(context->printer, u"LogFileName", name, true);
    });
    return written;
}

// ---- registry -------------------------------------------------------------------------------

BOOL EnsurePrintLogDefaults(DriverContext*)
{
    HKEY key = OpenMachineKey(kPrintLogKey, KEY_QUERY_VALUE | KEY_SET_VALUE, true);
    if (key == nullptr) return TRUE;
    WCHAR directory[MAX_PATH] = {};
    DWORD type = 0;
    DWORD size = sizeof directory - sizeof(WCHAR);
    const LSTATUS read =
        RegQueryValueExW(key, u"LogFileDirectory", nullptr, &type, reinterpret_cast<BYTE*>(directory), &size);
    if (read != ERROR_SUCCESS || directory[0] == 0) {
        WCHAR path[MAX_PATH] = {};
        BuildWindowsDirPath(path, MAX_PATH, u"temp\\PrintLog");
        const DWORD bytes = static_cast<DWORD>((View(path).size() + 1) * sizeof(WCHAR));
        if (path[0] != 0)
            RegSetValueExW(key, u"LogFileDirectory", 0, REG_SZ, reinterpret_cast<const BYTE*>(path), bytes);
    }
    DWORD maxSize = 0;
    size = sizeof maxSize;
    if (RegQueryValueExW(key, u"MaxLogFileSize", nullptr, &type, reinterpret_cast<BYTE*>(&maxSize), &size) !=
        ERROR_SUCCESS) {
        const DWORD value = kDefaultMaxLogFileSize;
        RegSetValueExW(key, u"MaxLogFileSize", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    }
    RegCloseKey(key);
    return TRUE;
}

BOOL WriteDriverRegistryValue(const WCHAR* valueName, const WCHAR* text, DWORD byteSize)
{
    if (valueName == nullptr || text == nullptr) return FALSE;
    HKEY key = OpenMachineKey(kDriverRegistryKey, KEY_SET_VALUE, true);
    if (key == nullptr) return FALSE;
    const LSTATUS status = RegSetValueExW(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), byteSize);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

BOOL IsSaveDeviceSetupOn(DriverContext*)
{
    HKEY key = OpenMachineKey(kCustomSetupKey, KEY_QUERY_VALUE, false);
    if (key == nullptr) return FALSE;
    std::uint8_t value[kSaveDeviceSetupBytes] = {};
    DWORD type = 0;
    DWORD size = sizeof value;
    const LSTATUS status = RegQueryValueExW(key, u"SaveDeviceSetup", nullptr, &type, value, &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && ReadLe16(value) == 1;
}

BOOL HasPrinterDefaultDevmode(HANDLE printer)
{
    BOOL has = FALSE;
    WithPrinterInfo2(printer, [&](const PRINTER_INFO_2W& info) { has = info.pDevMode != nullptr; });
    return has;
}

// ---- font substitution tables ---------------------------------------------------------

BOOL LoadDefaultFontTable(HANDLE printer, DriverContext* context)
{
    FreeIfNotNull(GetItemHeapAddress(context, rdmFontTable));
    SetItemHeapAddress(context, rdmFontTable, nullptr);
    SetItemValue(context, rdmFontTableNum, 0);
    // The count comes from printer data: it is capped at what a table may hold.
    const std::uint32_t count = std::min(ReadCount(printer, u"DefFontTableNum"), kMaxFontSubstPairs);
    if (count == 0) return TRUE;
    auto* pairs = static_cast<FontSubstPair*>(AllocZeroed(count * sizeof(FontSubstPair)));
    if (pairs == nullptr || ReadFontSubstTable(printer, pairs, count, kFontsDefaultTable) != 0) {
        FreeIfNotNull(pairs);
        return FALSE;
    }
    SetItemValue(context, rdmFontTableNum, count);
    SetItemHeapAddress(context, rdmFontTable, pairs);
    return TRUE;
}

namespace {

// The current table's pairs numbered above its count, left by a longer
// table before it.
void DeleteStalePairs(HANDLE printer, std::uint32_t from, std::uint32_t previous)
{
    for (std::uint32_t n = from; n <= previous; ++n) {
        for (const WCHAR* prefix : {u"TTFontTable", u"DevFontTable"}) {
            std::u16string name = NumberedName(prefix, n);
            DeletePrinterDataW(printer, name.data());
        }
    }
}

BOOL StoreFontLists(HANDLE printer, DriverContext* context, std::uint32_t flags)
{
    const std::uint32_t previous = std::min(ReadCount(printer, u"LastFontTableNum"), kMaxFontSubstPairs);
    BOOL result = StoreItemsPass(printer, context, 2, 0);
    result &= StoreDeviceFonts(printer, context, flags);
    result &= StoreOptionFonts(printer, context, flags);
    result &= StoreFontSubstTable(printer, context, flags);
    DeleteStalePairs(printer, ReadCount(printer, u"LastFontTableNum") + 1, previous);
    return result;
}

}  // namespace

BOOL StoreFontListsIfChanged(HANDLE printer, DriverContext* context)
{
    return StoreFontLists(printer, context, kFontsIfChanged);
}

BOOL StoreFontListsFromModel(HANDLE printer, DriverContext* context)
{
    return StoreFontLists(printer, context, kFontsFromModel);
}

BOOL StoreDefaultFontSubstTable(HANDLE printer, DriverContext* context)
{
    std::uint8_t count[2] = {};
    if (ReadExact(printer, u"DefFontTableNum", count, 2)) return TRUE;
    return StoreFontSubstTable(printer, context, kFontsFromModel | kFontsDefaultTable);
}

BOOL WriteFontTables(HANDLE printer, const FontSubstPair* pairs, std::uint32_t count, std::uint32_t flags)
{
    if (pairs == nullptr) count = 0;
    const bool defaultTable = (flags & kFontsDefaultTable) != 0;
    if (!defaultTable)
        DeleteStalePairs(printer, 1, std::min(ReadCount(printer, u"LastFontTableNum"), kMaxFontSubstPairs));
    std::uint8_t countBytes[2] = {};
    WriteLe16(countBytes, static_cast<std::uint16_t>(count));
    BOOL result = TRUE;
    const auto writeCount = [&](const WCHAR* name) {
        if (SetData(printer, name, REG_BINARY, countBytes, 2) != ERROR_SUCCESS) result = FALSE;
    };
    if (defaultTable) {
        writeCount(u"DefFontTableNum");
    } else {
        writeCount(u"LastFontTableNum");
        // The loaders find the current table by this count.
        writeCount(u"FontTableNum");
    }
    std::uint8_t name[kFontNameBytes];
    for (std::uint32_t n = 1; n <= count; ++n) {
        EncodeName(pairs[n - 1].trueTypeFace, name);
        const std::u16string trueType = NumberedName(defaultTable ? u"TTFontDefTable" : u"TTFontTable", n);
        if (SetData(printer, trueType.c_str(), REG_BINARY, name, kFontNameBytes) != ERROR_SUCCESS) result = FALSE;
        EncodeName(pairs[n - 1].deviceFont, name);
        const std::u16string device = NumberedName(defaultTable ? u"DevFontDefTable" : u"DevFontTable", n);
        if (SetData(printer, device.c_str(), REG_BINARY, name, kFontNameBytes) != ERROR_SUCCESS) result = FALSE;
    }
    return result;
}

// ---- locks and authentication ------------------------------------------------------------

BOOL ReadAuthenticationModeValue(HANDLE printer, std::uint32_t* value)
{
    if (value == nullptr) return FALSE;
    std::uint8_t bytes[4] = {};
    if (!ReadExact(printer, u"AuthenticationMode", bytes, 4)) return FALSE;
    *value = ReadLe32(bytes);
    return TRUE;
}

BOOL WriteLockValues(HANDLE printer, DriverContext* context)
{
    struct LockValue {
        BOOL (*isLocked)(DriverContext*);
        const WCHAR* name;
        std::uint16_t item;
    };
    static constexpr LockValue kLockValues[] = {
        {IsTrayLocked, u"LockTrayData", dmDefaultSource},
        {IsMediaLocked, u"LockMediaData", rdmMediaType},
        {IsPrintTypeLocked, u"LockPrnMethodData", rdmLockPrnMethod},
        {IsColorLocked, u"LockColorData", dmColor},
        {IsNupKindLocked, u"LockNUPPOSTKindData", rdmNUPPOSTKind},
        {IsNupKindLocked, u"LockNUPTypeData", rdmNUPType},
        {IsDuplexLocked, u"LockDuplexTypeData", rdmDuplexType},
    };
    if (context == nullptr) return FALSE;
    for (const LockValue& lock : kLockValues) {
        if (!lock.isLocked(context)) continue;
        std::uint8_t bytes[4] = {};
        WriteLe32(bytes, GetItemValue(context, lock.item));
        if (SetData(printer, lock.name, REG_BINARY, bytes, 4) != ERROR_SUCCESS) return FALSE;
    }
    return TRUE;
}

}  // namespace vexl::ui
