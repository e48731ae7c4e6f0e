#include "common/storage/persistence.h"

#include "common/core/context.h"
#include "common/core/items.h"
#include "common/core/le.h"
#include "common/core/memory.h"
#include "common/core/store.h"
#include "common/core/textconv.h"
#include "common/model/paper_geometry.h"
#include "common/storage/printer_data_io.h"

#include <cstring>
#include <string>
#include <vector>

namespace vexl {
namespace {

using namespace printer_data_io;

// A font list kept in printer data: its count and list value names, its items.
struct FontListPlace {
    const WCHAR* countName;
    const WCHAR* listName;
    std::uint16_t countItem;
    std::uint16_t listItem;
    DeviceFontRecord* (*copyModelList)(DriverContext* context, std::int32_t* count);
};
constexpr FontListPlace kDeviceFontPlace = {u"DeviceFontNum", u"DeviceFont", rdmDeviceFontNum, rdmDeviceFont,
                                            CopyDeviceFontList};
constexpr FontListPlace kOptionFontPlace = {u"OptionFontNum", u"OptionFont", rdmOptionFontNum, rdmOptionFont,
                                            CopyCartridgeFontList};

}  // namespace

// ---- font lists ----------------------------------------------------------------------------------------

namespace {

BOOL StoreFontList(HANDLE printer, DriverContext* context, const FontListPlace& place, std::uint32_t flags)
{
    std::uint32_t count = 0;
    DeviceFontRecord* list = nullptr;
    DeviceFontRecord* modelCopy = nullptr;
    if (flags & kFontsFromModel) {
        std::int32_t modelCount = 0;
        modelCopy = place.copyModelList(context, &modelCount);
        count = static_cast<std::uint32_t>(modelCount);
        list = modelCopy;
    } else {
        count = GetHeapListCount(context, place.countItem, place.listItem, sizeof(DeviceFontRecord));
        list = static_cast<DeviceFontRecord*>(GetItemHeapAddress(context, place.listItem));
    }
    BOOL result = FALSE;
    if (list != nullptr && count > 0) {
        std::vector<std::uint8_t> bytes(count * kDeviceFontRecordSize);
        for (std::uint32_t i = 0; i < count; ++i)
            EncodeDeviceFontRecord(list[i], bytes.data() + i * kDeviceFontRecordSize);
        const auto* saved = static_cast<DeviceFontRecord*>(GetSavedItemHeapAddress(context, place.listItem));
        const bool unchanged = (flags & kFontsIfChanged) && (context->workArea->creationMode & kCreateModeMask) == 0 &&
                               GetSavedItemValue(context, place.countItem) == count && saved &&
                               std::memcmp(saved, list, count * sizeof(DeviceFontRecord)) == 0;
        if (unchanged) {
            result = TRUE;
        } else {
            std::uint8_t countBytes[2] = {};
            WriteLe16(countBytes, static_cast<std::uint16_t>(count));
            result = WriteBinary(printer, place.countName, countBytes, 2) &&
                             WriteBinary(printer, place.listName, bytes.data(), static_cast<DWORD>(bytes.size()))
                         ? TRUE
                         : FALSE;
        }
    }
    FreeIfNotNull(modelCopy);
    return result;
}

BOOL LoadFontList(HANDLE printer, DriverContext* context, const FontListPlace& place)
{
    FreeIfNotNull(GetItemHeapAddress(context, place.listItem));
    SetItemHeapAddress(context, place.listItem, nullptr);
    SetItemValue(context, place.countItem, 0);
    std::uint8_t countBytes[2] = {};
    if (!ReadExact(printer, place.countName, countBytes, 2)) {
        if (!StoreFontList(printer, context, place, kFontsFromModel)) return TRUE;
        if (!ReadExact(printer, place.countName, countBytes, 2)) return TRUE;
    }
    const std::uint32_t count = ReadLe16(countBytes);
    if (count == 0) return FALSE;
    std::vector<std::uint8_t> bytes(count * kDeviceFontRecordSize);
    auto* list = static_cast<DeviceFontRecord*>(AllocZeroed(count * sizeof(DeviceFontRecord)));
    if (list == nullptr || !ReadExact(printer, place.listName, bytes.data(), static_cast<DWORD>(bytes.size()))) {
        FreeIfNotNull(list);
        return FALSE;
    }
    for (std::uint32_t i = 0; i < count; ++i)
        list[i] = DecodeDeviceFontRecord(bytes.data() + i * kDeviceFontRecordSize);
    SetItemValue(context, place.countItem, count);
    SetItemHeapAddress(context, place.listItem, list);
    return TRUE;
}

const WCHAR* FontTableCountName(std::uint32_t flags)
{
    return flags & kFontsDefaultTable ? u"DefFontTableNum" : u"FontTableNum";
}
const WCHAR* LastFontTableCountName(std::uint32_t flags)
{
    return flags & kFontsDefaultTable ? u"DefFontTableNum" : u"LastFontTableNum";
}

const char16_t* TrueTypePrefix(std::uint32_t flags)
{
    return flags & kFontsDefaultTable ? u"TTFontDefTable" : u"TTFontTable";
}
const char16_t* DevicePrefix(std::uint32_t flags)
{
    return flags & kFontsDefaultTable ? u"DevFontDefTable" : u"DevFontTable";
}

}  // namespace

BOOL LoadDeviceFonts(HANDLE printer, DriverContext* context)
{
    return LoadFontList(printer, context, kDeviceFontPlace);
}
BOOL LoadOptionFonts(HANDLE printer, DriverContext* context)
{
    return LoadFontList(printer, context, kOptionFontPlace);
}
BOOL StoreDeviceFonts(HANDLE printer, DriverContext* context, std::uint32_t flags)
{
    return StoreFontList(printer, context, kDeviceFontPlace, flags);
}
BOOL StoreOptionFonts(HANDLE printer, DriverContext* context, std::uint32_t flags)
{
    return StoreFontList(printer, context, kOptionFontPlace, flags);
}

BOOL WriteFontSubstPairs(HANDLE printer, const FontSubstPair* pairs, std::uint32_t count, std::uint32_t flags)
{
    // The pairs of one table reach the printer file in one atomic write.
    BOOL result = TRUE;
    const bool batched = printer && BeginPrinterDataBatch(printer) == ERROR_SUCCESS;
    std::uint8_t name[kFontNameBytes];
    for (std::uint32_t n = 1; n <= count && pairs; ++n) {
        EncodeFontName(pairs[n - 1].trueTypeFace, name);
        if (!WriteBinary(printer, NumberedName(TrueTypePrefix(flags), n).c_str(), name, kFontNameBytes)) result = FALSE;
        EncodeFontName(pairs[n - 1].deviceFont, name);
        if (!WriteBinary(printer, NumberedName(DevicePrefix(flags), n).c_str(), name, kFontNameBytes)) result = FALSE;
    }
    if (batched && EndPrinterDataBatch(printer) != ERROR_SUCCESS) result = FALSE;
    RemoveReplacedFiles();
    return result;
}

DWORD ReadFontSubstTable(HANDLE printer, FontSubstPair* pairs, std::uint32_t count, std::uint32_t flags)
{
    if (pairs == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
    std::vector<std::uint8_t> trueType(count * kFontNameBytes, 0);
    std::vector<std::uint8_t> device(count * kFontNameBytes, 0);
    DWORD result = 0;
    for (std::uint32_t n = 1; n <= count; ++n) {
        std::uint8_t* tt = trueType.data() + (n - 1) * kFontNameBytes;
        std::uint8_t* dev = device.data() + (n - 1) * kFontNameBytes;
        DWORD read = 0;
        const DWORD a = ReadValue(printer, NumberedName(TrueTypePrefix(flags), n).c_str(), REG_BINARY, tt,
                                  kFontNameBytes, &read, nullptr);
        const DWORD b = ReadValue(printer, NumberedName(DevicePrefix(flags), n).c_str(), REG_BINARY, dev,
                                  kFontNameBytes, &read, nullptr);
        if (a != ERROR_SUCCESS || b != ERROR_SUCCESS) {
            // The table is whole or not at all: the first missing pair ends the read.
            std::memset(tt, 0, kFontNameBytes);
            std::memset(dev, 0, kFontNameBytes);
            result = a != ERROR_SUCCESS ? a : b;
            break;
        }
    }
    JoinFontSubstPairs(trueType.data(), device.data(), count, pairs);
    return result;
}

BOOL StoreFontSubstTable(HANDLE printer, DriverContext* context, std::uint32_t flags)
{
    std::uint32_t count = 0;
    FontSubstPair* pairs = nullptr;
    FontSubstPair* modelCopy = nullptr;
    if (flags & (kFontsFromModel | kFontsDefaultTable)) {
        // The model has one substitution list; it is both the current and the default table.
        std::int32_t modelCount = 0;
        modelCopy = CopyFontSubstTable(context, &modelCount);
        count = static_cast<std::uint32_t>(modelCount);
        pairs = modelCopy;
        if ((flags & kFontsFromModel) && count == 0) {
            FreeIfNotNull(modelCopy);
            return TRUE;
        }
    } else {
        count = GetHeapListCount(context, rdmFontTableNum, rdmFontTable, sizeof(FontSubstPair));
        pairs = static_cast<FontSubstPair*>(GetItemHeapAddress(context, rdmFontTable));
        const auto* saved = static_cast<FontSubstPair*>(GetSavedItemHeapAddress(context, rdmFontTable));
        if ((flags & kFontsIfChanged) && (context->workArea->creationMode & kCreateModeMask) == 0 &&
            GetSavedItemValue(context, rdmFontTableNum) == count &&
            (count == 0 || (saved && pairs && std::memcmp(saved, pairs, count * sizeof(FontSubstPair)) == 0))) {
            return TRUE;
        }
    }
    if (pairs == nullptr) count = 0;
    std::uint8_t countBytes[2] = {};
    WriteLe16(countBytes, static_cast<std::uint16_t>(count));
    BOOL result = TRUE;
    if (count > 0) {
        if (!WriteBinary(printer, FontTableCountName(flags), countBytes, 2)) result = FALSE;
        if (!WriteFontSubstPairs(printer, pairs, count, flags)) result = FALSE;
    }
    if (!WriteBinary(printer, LastFontTableCountName(flags), countBytes, 2)) result = FALSE;
    // The first-load road finds the table by its count value.
    if (count == 0 && !(flags & kFontsDefaultTable) && !WriteBinary(printer, u"FontTableNum", countBytes, 2))
        result = FALSE;
    FreeIfNotNull(modelCopy);
    return result;
}

BOOL LoadFontSubstTable(HANDLE printer, DriverContext* context)
{
    FreeIfNotNull(GetItemHeapAddress(context, rdmFontTable));
    SetItemHeapAddress(context, rdmFontTable, nullptr);
    SetItemValue(context, rdmFontTableNum, 0);
    std::uint8_t countBytes[2] = {};
    if (!ReadExact(printer, u"FontTableNum", countBytes, 2)) {
        if (!StoreFontSubstTable(printer, context, kFontsFromModel)) return TRUE;
        if (!ReadExact(printer, u"FontTableNum", countBytes, 2)) return TRUE;
    }
    // The count comes from outside: it is capped at what the list can hold.
    const std::uint32_t count = std::min<std::uint32_t>(ReadLe16(countBytes), kMaxFontSubstPairs);
    if (count == 0) return TRUE;
    auto* pairs = static_cast<FontSubstPair*>(AllocZeroed(count * sizeof(FontSubstPair)));
    if (pairs == nullptr || ReadFontSubstTable(printer, pairs, count, kFontsIfChanged) != 0) {
        FreeIfNotNull(pairs);
        return FALSE;
    }
    SetItemValue(context, rdmFontTableNum, count);
    SetItemHeapAddress(context, rdmFontTable, pairs);
    return TRUE;
}

BOOL LoadFontLists(HANDLE printer, DriverContext* context)
{
    LoadDeviceFonts(printer, context);
    LoadOptionFonts(printer, context);
    LoadFontSubstTable(printer, context);
    return TRUE;
}

BOOL FreeFontListItems(DriverContext* context)
{
    if (context == nullptr || context->store == nullptr) return TRUE;
    for (std::uint16_t id : {rdmDeviceFont, rdmOptionFont, rdmFontTable}) {
        FreeIfNotNull(GetItemHeapAddress(context, id));
        SetItemHeapAddress(context, id, nullptr);
    }
    return TRUE;
}
}  // namespace vexl
