#include "api/item_helpers.h"

#include "api/devmode_delivery.h"
#include "api/validators.h"
#include "api/versions.h"
#include "vexlapi/vexldrv.h"

#include "common/core/devmode_public.h"
#include "common/core/items.h"
#include "common/core/memory.h"
#include "common/core/osinfo.h"
#include "common/core/paper_sync.h"
#include "common/core/settings_modules.h"
#include "common/core/store.h"
#include "common/core/textconv.h"
#include "common/core/units.h"
#include "common/model/capabilities.h"
#include "common/model/compile_state.h"
#include "common/model/constraints.h"
#include "common/model/finishing_judges.h"
#include "common/model/ui_lookup.h"
#include "common/storage/directories.h"
#include "common/storage/ini_lists.h"
#include "common/storage/module_presets.h"
#include "common/storage/persistence.h"
#include "common/storage/resources.h"
#include "platform/kernel.h"

#include <cstdlib>
#include <cstring>

namespace vexl::api {

namespace {

// Sheet masks that put a page on the document sheet for the settings interface.
constexpr std::uint16_t kDocumentSheetMasks = 0x1 | 0x20;

// The finishing judge that refuses a paper combination.
constexpr std::uint16_t kPaperCombinationJudge = 863;

// The value name every action status is stored under, and its type code.
constexpr const WCHAR* kActionValueName = u"rdmAction";
constexpr std::uint32_t kActionTypeCode = kValueUInt16;

constexpr std::uint16_t kUserMacro160 = 160;

// The duplex status, whose trial keeps the public duplex field in step.
constexpr std::uint32_t kDuplexStatus = 15;

constexpr AdjustItemRow kAdjustItemRows[] = {
    {rdmDitherType, {wdmDitherTypeText, wdmDitherTypeLine, wdmDitherTypeImage}, {0, 0}},
    {rdmColorMatchingMode, {wdmColorMatchingText, wdmColorMatchingLine, wdmColorMatchingImage}, {0, 0}},
    {rdmColorMode, {wdmColorModeText, wdmColorModeLine, wdmColorModeImage}, {0, 0}},
    {rdmICMIntent, {wdmICMIntentText, wdmICMIntentLine, wdmICMIntentImage}, {0, 0}},
    {rdmQualityFuncColorRevision,
     {wdmQualityFuncTextColorRevision, wdmQualityFuncLineColorRevision, wdmQualityFuncImageColorRevision},
     {0, 0}},
    {rdmBrightness, {wdmBrightnessText, wdmBrightnessLine, wdmBrightnessImage}, {0, 0}},
    {rdmContrast, {wdmContrastText, wdmContrastLine, wdmContrastImage}, {0, 0}},
    {rdmSaturation, {wdmSaturationText, wdmSaturationLine, wdmSaturationImage}, {0, 0}},
    {rdmColorBalanceR, {wdmColorBalanceRText, wdmColorBalanceRLine, wdmColorBalanceRImage}, {0, 0}},
    {rdmColorBalanceG, {wdmColorBalanceGText, wdmColorBalanceGLine, wdmColorBalanceGImage}, {0, 0}},
    {rdmColorBalanceB, {wdmColorBalanceBText, wdmColorBalanceBLine, wdmColorBalanceBImage}, {0, 0}},
    {rdmBrightness, {wdmBrightnessText, wdmBrightnessLine, wdmBrightnessImage}, {0, 0}},
    {rdmContrast, {wdmContrastText, wdmContrastLine, wdmContrastImage}, {0, 0}},
    {rdmSaturation, {wdmSaturationText, wdmSaturationLine, wdmSaturationImage}, {0, 0}},
    {rdmColorBalanceR, {wdmColorBalanceRText, wdmColorBalanceRLine, wdmColorBalanceRImage}, {0, 0}},
    {rdmColorBalanceG, {wdmColorBalanceGText, wdmColorBalanceGLine, wdmColorBalanceGImage}, {0, 0}},
    {rdmColorBalanceB, {wdmColorBalanceBText, wdmColorBalanceBLine, wdmColorBalanceBImage}, {0, 0}},
    {0, {0, 0, 0}, {0, 0}},
};

// The page and control of the item's setting control, when both exist.
struct SettingControlPlace {
    PageDesc* page;
    PageItem* control;
};

SettingControlPlace FindSettingControlPlace(std::uint16_t item, DriverContext* instance)
{
    const SettingControlRef* ref = FindSettingControl(item);
    if (ref == nullptr || ref->pageId == 0 || ref->controlId == 0) return {nullptr, nullptr};
    PageDesc* page = FindPage(instance, static_cast<std::int16_t>(ref->pageId));
    if (page == nullptr) return {nullptr, nullptr};
    PageItem* control = FindPageControl(instance, page, static_cast<std::int16_t>(ref->controlId));
    return {page, control};
}

// The options of a PickOne entry of the item, walked in order; 0 entry when
// the item has none.
struct PickOneEntry {
    const CompiledModel* model = nullptr;
    model::UiEntryRecord record{};
};

bool ReadPickOneEntry(DriverContext* instance, BlockOffset entry, PickOneEntry& out)
{
    if (entry == 0 || instance->compiledModel == nullptr) return false;
    out.model = instance->compiledModel;
    out.record = model::ReadUiEntry(out.model, entry);
    return model::UiKind(out.record.type) == model::kUiPickOne && out.record.options != 0;
}

template <typename Visit> void ForEachOption(const PickOneEntry& entry, Visit visit)
{
    for (BlockOffset option = entry.record.options; option != 0;) {
        const model::UiOptionRecord record = model::ReadUiOption(entry.model, option, entry.record.type);
        if (!visit(record.optionId)) return;
        option = record.next;
    }
}

std::uint8_t* CopyStoreRange(DriverContext* instance, std::uint32_t start, std::uint32_t size)
{
    std::uint8_t* store = GetStoreBytes(instance);
    if (store == nullptr || size == 0) return nullptr;
    auto* copy = static_cast<std::uint8_t*>(std::malloc(size));
    if (copy != nullptr) std::memcpy(copy, store + start, size);
    return copy;
}

void PutStoreRangeBack(DriverContext* instance, std::uint32_t start, std::uint32_t size, std::uint8_t* copy,
                       BOOL restore)
{
    if (copy == nullptr) return;
    std::uint8_t* store = GetStoreBytes(instance);
    if (restore && store != nullptr) std::memcpy(store + start, copy, size);
    std::free(copy);
}

}  // namespace

// ---- UI entries and options -----------------------------------------------------

BlockOffset FindItemUiEntry(std::uint16_t item, DriverContext* instance)
{
    if (instance == nullptr) return 0;
    const SettingControlPlace place = FindSettingControlPlace(item, instance);
    if (place.control != nullptr && (place.page->sheetMask & kDocumentSheetMasks) != 0 &&
        !IsUiJudgeTrue(instance, place.page->symbolKey)) {
        const BlockOffset entry = GetUiEntryByKey(place.control->symbolKey, instance);
        if (entry != 0) return entry;
    }
    return LookupUiEntry(item, instance);
}

// The option node of a control holds the offset of its UI entry in the
// compiled model.
void BindSettingControlEntry(std::uint16_t item, DriverContext* instance)
{
    if (instance == nullptr) return;
    const SettingControlPlace place = FindSettingControlPlace(item, instance);
    if (place.control == nullptr) return;
    const BlockOffset entry = GetUiEntryByKey(place.control->symbolKey, instance);
    place.control->optionNode = reinterpret_cast<const void*>(static_cast<std::uintptr_t>(entry));
}

BOOL IsItemAvailable(DriverContext* instance, std::uint16_t item, std::uint16_t option, std::uint32_t flags)
{
    if (instance == nullptr || !HasUiEntry(instance, 0, item)) return FALSE;
    const BlockOffset entry = FindItemUiEntry(item, instance);
    if (entry == 0) return FALSE;
    if ((flags & kAvailableTestUnavailable) != 0 && IsUiOptionUnavailable(entry, option, instance) != 0) return FALSE;
    if ((flags & kAvailableTestRestricted) != 0 && IsUiOptionRestricted(entry, option, instance) != 0) return FALSE;
    return TRUE;
}

std::uint16_t FindOptionByConstantValue(DriverContext* instance, std::uint16_t item, std::uint32_t value)
{
    if (instance == nullptr) return 0;
    PickOneEntry entry;
    if (!ReadPickOneEntry(instance, FindItemUiEntry(item, instance), entry)) return 0;
    std::uint16_t found = 0;
    ForEachOption(entry, [&](std::uint16_t optionId) {
        const ConstantEntry* constant = FindConstantByOption(static_cast<std::int16_t>(item), optionId);
        if (constant == nullptr) return false;
        if (constant->flag != 0 && constant->value == value) {
            found = optionId;
            return false;
        }
        return true;
    });
    return found;
}

BOOL IsUsableFileOfType(DriverContext* /*instance*/, std::uint32_t type, const char* path)
{
    if (path == nullptr) return FALSE;
    WCHAR wide[MAX_PATH] = {};
    AnsiToWide(wide, path, MAX_PATH);
    if (!IsAbsolutePath(wide)) return FALSE;
    if (type == kUsableFileBitmap) {
        HANDLE file = nullptr;
        if (!OpenBitmapFile(wide, &file)) return FALSE;
        if (file != nullptr && file != INVALID_HANDLE_VALUE) CloseHandle(file);
        return TRUE;
    }
    if (type == kUsableFileOverlay) {
        if (!FileExists(wide)) return FALSE;
        std::int32_t length = 0;
        const char* extension = FindExtensionAnsi(path, &length);
        if (length != 3) return FALSE;
        char lower[4] = {};
        for (int i = 0; i < 3; ++i) {
            const char c = extension[i];
            lower[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        }
        return std::strcmp(lower, "rpo") == 0 ? TRUE : FALSE;
    }
    return FALSE;
}

int ListOptionValues(DriverContext* instance, std::int16_t* out, std::uint16_t item)
{
    if (instance == nullptr) return -1;
    PickOneEntry entry;
    if (!ReadPickOneEntry(instance, LookupUiEntry(item, instance), entry)) return -1;
    int count = 0;
    bool complete = true;
    ForEachOption(entry, [&](std::uint16_t optionId) {
        const ConstantEntry* constant = FindConstantByOption(static_cast<std::int16_t>(item), optionId);
        if (constant == nullptr || constant->flag == 0) {
            complete = false;
            return false;
        }
        if (out != nullptr) out[count] = static_cast<std::int16_t>(constant->value);
        ++count;
        return true;
    });
    return complete && count > 0 ? count : -1;
}

int ListOptionNames(DriverContext* instance, WCHAR* out, int stride, std::uint16_t item)
{
    if (instance == nullptr || (out != nullptr && stride <= 0)) return -1;
    PickOneEntry entry;
    if (!ReadPickOneEntry(instance, LookupUiEntry(item, instance), entry)) return -1;
    int count = 0;
    ForEachOption(entry, [&](std::uint16_t optionId) {
        if (out != nullptr) {
            WCHAR* slot = out + static_cast<std::ptrdiff_t>(count) * stride;
            std::memset(slot, 0, static_cast<std::size_t>(stride) * sizeof(WCHAR));
            LoadUiString(instance, optionId, slot, stride, TRUE);
            slot[stride - 1] = 0;
        }
        ++count;
        return true;
    });
    return count > 0 ? count : -1;
}

int GetResolutionEntryKind(DriverContext* instance)
{
    if (instance == nullptr) return -1;
    const BlockOffset entry = FindItemUiEntry(rdmDstResolutionW, instance);
    if (entry == 0 || instance->compiledModel == nullptr) return -1;
    const model::UiEntryRecord record = model::ReadUiEntry(instance->compiledModel, entry);
    const std::uint16_t kind = model::UiKind(record.type);
    if (kind == model::kUiPickOne && record.options != 0) return 0;
    if (kind == model::kUiNumeric && (GetItemValue(instance, rdmDstResolutionW) & 0xFFFF) != 0) return 1;
    return -1;
}

// ---- backups of parts of the store ------------------------------------------------

std::uint8_t* SaveDevmodePart(DriverContext* instance)
{
    return CopyStoreRange(instance, 0, GetDevmodeSize());
}

void RestoreDevmodePart(DriverContext* instance, std::uint8_t* copy, BOOL restore)
{
    PutStoreRangeBack(instance, 0, GetDevmodeSize(), copy, restore);
}

std::uint8_t* SaveWorkSettings(DriverContext* instance)
{
    return CopyStoreRange(instance, GetStoreAreaBase(kAreaWork), GetStoreArea3Size());
}

void RestoreWorkSettings(DriverContext* instance, std::uint8_t* copy, BOOL restore)
{
    PutStoreRangeBack(instance, GetStoreAreaBase(kAreaWork), GetStoreArea3Size(), copy, restore);
}

BOOL NeedsMarginReset(DriverContext* instance, std::uint32_t statusId, const void* /*structure*/)
{
    if (instance == nullptr || (statusId != VEXLDRV_STATUS_NUP && statusId != VEXLDRV_STATUS_DUPLEX)) return FALSE;
    return GetItemValue(instance, rdmFuncSelectMargin) != 0 ? TRUE : FALSE;
}

void ResetMarginsIfOff(DriverContext* instance)
{
    if (instance != nullptr && GetItemValue(instance, rdmFuncSelectMargin) == 0) ResetMarginItems(instance);
}

// ---- settings and modes ------------------------------------------------------------

void UpdateDependentSettings(DriverContext* instance, std::uint16_t command)
{
    if (instance == nullptr) return;
    if (command == 1) {
        SyncPaperAfterChange(instance, 1);
        return;
    }
    SendSettingsModuleCommand(instance, command);
}

BOOL IsPerUserMode(DriverContext* instance)
{
    if (instance == nullptr || IsWin9x()) return FALSE;
    return GetTerminalServerFlag(instance) != 0 ? TRUE : FALSE;
}

BOOL IsPerUserNonAdminMode(DriverContext* instance)
{
    return IsPerUserMode(instance) && GetAdminFlag(instance) == 0 ? TRUE : FALSE;
}

BOOL StoreActionItem(DriverContext* instance, SettingItemDescriptor* item, const WCHAR* iniPath)
{
    if (instance == nullptr || item == nullptr) return FALSE;
    const WCHAR* keptKey = item->key;
    const std::uint32_t keptType = item->typeWord;
    item->key = kActionValueName;
    item->typeWord =
        (keptType & ~(kTypeCodeMask << kTypeCodeShift) & ~(0xFFu << 16)) | (kActionTypeCode << kTypeCodeShift);
    const BOOL stored = StoreItem(instance->printer, instance, item, iniPath);
    item->key = keptKey;
    item->typeWord = keptType;
    return stored;
}

BOOL IsUserMacro160Active(DriverContext* instance)
{
    if (instance == nullptr) return FALSE;
    return GetItemValue(instance, rdmUseUserMacro) != 0 && GetItemValue(instance, rdmUserPrintMacro) == kUserMacro160
               ? TRUE
               : FALSE;
}

// ---- per-object colour items ------------------------------------------------------

std::span<const AdjustItemRow> AdjustItemTable()
{
    return kAdjustItemRows;
}

std::uint16_t GetAdjustTargetItem(DriverContext* instance, std::uint16_t item)
{
    if (instance == nullptr || GetItemValue(instance, rdmAdjustMode) != 1) return item;
    return RemapAdjustItem(instance, item, GetItemValue(instance, rdmAdjustObject));
}

std::uint16_t RemapAdjustItem(DriverContext* /*instance*/, std::uint16_t item, std::uint32_t object)
{
    if (object > 2) return item;
    for (const AdjustItemRow& row : kAdjustItemRows) {
        if (row.item == 0) break;
        if (row.item == item) return row.variants[object];
    }
    return item;
}

// ---- constraints --------------------------------------------------------------------

BOOL AlertNamesMessage(DriverContext* instance, std::uint16_t item, std::uint16_t stringId, std::uint32_t value,
                       std::uint32_t mode)
{
    if (instance == nullptr) return FALSE;
    const std::uint32_t oldValue = GetItemValue(instance, item);
    if (mode == 1) SetItemValue(instance, item, value);
    const BlockOffset entry = LookupUiEntry(item, instance);
    if (entry == 0 || instance->compiledModel == nullptr) return FALSE;
    const std::uint16_t key = GetUiAlertMessage(entry, instance);
    if (key == 0) return FALSE;
    const CompiledModel* model = instance->compiledModel;
    const model::UiEntryRecord record = model::ReadUiEntry(model, entry);
    if (record.exclusive == 0) return FALSE;
    const model::ExclusiveBlockRecord exclusive = model::ReadExclusiveRecord(model, record.exclusive);
    bool listed = false;
    for (BlockOffset alert = exclusive.alerts; alert != 0 && !listed;) {
        const model::AlertRecordView view = model::ReadAlertEntry(model, alert);
        listed = view.messageKey == key;
        alert = view.next;
    }
    if (!listed) return FALSE;
    const MessageEntry* message = FindMessageByKey(instance, key);
    if (message == nullptr || message->stringId != stringId) return FALSE;
    if (mode == 1) SetItemValue(instance, item, oldValue);
    return TRUE;
}

int CountColorProfiles(DriverContext* instance)
{
    std::uintptr_t request[kModuleListRequestWords] = {};
    if (!RunModuleListOperation(instance, 0, request)) return 0;
    return static_cast<int>(request[0]);
}

BOOL SelectProfile(DriverContext* instance, std::uint32_t value, WCHAR* out, std::size_t capacity)
{
    if (out == nullptr || capacity == 0) return FALSE;
    std::uintptr_t request[kModuleListRequestWords] = {value, reinterpret_cast<std::uintptr_t>(out), capacity};
    return RunModuleListOperation(instance, 1, request) ? TRUE : FALSE;
}

BOOL IsPaperCombinationRefused(DriverContext* instance)
{
    if (instance == nullptr || GetStoreBytes(instance) == nullptr) return FALSE;
    const auto* devmode = reinterpret_cast<const DEVMODEW*>(GetStoreBytes(instance));
    const std::uint32_t fields = GetDevmodeFields(devmode);
    SyncPrintQualityFromResolution(nullptr, instance);
    const std::uint32_t bothSides = DM_PAPERLENGTH | DM_PAPERWIDTH;
    if ((fields & bothSides) == bothSides) {
        SetSourcePaperFromPublicSize(nullptr, instance);
    } else {
        SetSourcePaper(static_cast<std::uint16_t>(GetItemValue(instance, dmPaperSize)), dmPaperSize, instance, nullptr);
    }
    SetOutputPaper(static_cast<std::uint16_t>(GetItemValue(instance, rdmOutPaperSize)), rdmOutPaperSize, instance,
                   nullptr);
    return ComputeFinishingJudge(instance, kPaperCombinationJudge) != 0 ? TRUE : FALSE;
}

BOOL IsCustomSizeInRange(DriverContext* instance, std::uint32_t width, std::uint32_t length)
{
    if (instance == nullptr || width == 0 || length == 0) return FALSE;
    std::int64_t smallest[2] = {};
    std::int64_t largest[2] = {};
    std::int64_t size[2] = {width, length};
    if (GetApiVersionInForce() < 16) {
        // The packed pairs of capabilities 13 and 14, 16 bits each.
        const std::uint32_t maximum = GetMaxExtentPacked(instance, nullptr);
        const std::uint32_t minimum = GetMinExtentPacked(instance, nullptr);
        largest[0] = maximum & 0xFFFF;
        largest[1] = maximum >> 16;
        smallest[0] = minimum & 0xFFFF;
        smallest[1] = minimum >> 16;
        size[0] = width & 0xFFFF;
        size[1] = length & 0xFFFF;
    } else {
        // The pairs of capabilities 124 and 125.
        std::int32_t maximum[2] = {};
        std::int32_t minimum[2] = {};
        GetMaxExtentPair(instance, maximum);
        GetMinExtentPair(instance, minimum);
        largest[0] = maximum[0];
        largest[1] = maximum[1];
        smallest[0] = minimum[0];
        smallest[1] = minimum[1];
    }
    for (int i = 0; i < 2; ++i) {
        if (size[i] < smallest[i] || size[i] > largest[i]) return FALSE;
    }
    return TRUE;
}

// The trial runs on the DEVMODE part, the work settings and the UI flags,
// all put back afterwards, so that the trial changes no setting. The heap
// lists the store names are left to their owners: the trial's merge may free
// and replace them, and a byte copy of the whole store would bring back the
// addresses of freed lists.
BOOL TrySwitchOn(DriverContext* instance, std::uint32_t statusId, std::uint16_t switchItem, std::uint16_t valueItem,
                 std::uint32_t value)
{
    if (instance == nullptr) return FALSE;
    if (GetItemValue(instance, switchItem) != 0) return TRUE;
    if (GetStoreBytes(instance) == nullptr || instance->compiledModel == nullptr) return FALSE;
    std::uint8_t* devmode = SaveDevmodePart(instance);
    std::uint8_t* work = SaveWorkSettings(instance);
    if (devmode == nullptr || work == nullptr) {
        RestoreDevmodePart(instance, devmode, FALSE);
        RestoreWorkSettings(instance, work, FALSE);
        return FALSE;
    }
    const std::uint32_t uiFlags = GetUiFlags(instance);

    SetItemValue(instance, switchItem, 1);
    SetItemValue(instance, valueItem, value);
    if (statusId == kDuplexStatus) SyncPublicDuplex(nullptr, instance);
    const CompiledModel* model = instance->compiledModel;
    for (BlockOffset entry = model::GetFirstUiEntry(model); entry != 0;) {
        const model::UiEntryRecord record = model::ReadUiEntry(model, entry);
        if (record.itemId == switchItem) RunUiTransacts(entry, instance);
        entry = record.next;
    }
    SyncPublicDuplex(nullptr, instance);
    RemergeDevmode(instance, nullptr);
    const BOOL accepted =
        GetItemValue(instance, switchItem) != 0 && CheckItemValue(valueItem, value, instance) == kCheckAllowed;

    RestoreDevmodePart(instance, devmode, TRUE);
    RestoreWorkSettings(instance, work, TRUE);
    if (instance->workArea != nullptr) instance->workArea->UiFlags = uiFlags;
    return accepted;
}

}  // namespace vexl::api
