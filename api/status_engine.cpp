// The status write engine. A write is one transaction over the instance: the
// gates, the backups of the DEVMODE part, the work settings and the chapter
// list, the stored settings reloaded so that every write starts from what is
// stored, the constraint test, the set handler, the propagation to the
// dependent settings with the changed-status bitmap, the verify handler, and
// on any failure the roll-back, which leaves the settings, the printer data
// and the settings INI file exactly as they were.
#include "api/status_engine.h"

#include "api/descriptors.h"
#include "api/devmode_delivery.h"
#include "api/item_helpers.h"
#include "api/option_tests.h"
#include "api/status_writes.h"
#include "api/versions.h"
#include "common/core/appservices.h"
#include "common/core/devmode_public.h"
#include "common/core/items.h"
#include "common/core/le.h"
#include "common/core/modeldb.h"
#include "common/core/paper_sync.h"
#include "common/core/store.h"
#include "common/core/units.h"
#include "common/model/compiled_model.h"
#include "common/model/constraints.h"
#include "common/storage/directories.h"
#include "common/storage/module_chapters.h"
#include "common/storage/module_presets.h"
#include "common/storage/persistence.h"
#include "platform/inifile.h"
#include "platform/spooler.h"
#include "vexlapi/vexldrv.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace vexl::api {

namespace {

constexpr ACCESS_MASK kPrinterAllAccess = 0xF000C;
constexpr std::uint8_t kPresetNone = 255;
constexpr std::uint32_t kCustomPaper = 256;

using SnapshotEntry = StatusConstraintEntry;
constexpr std::size_t kSnapshotEntries = kConstraintEntriesPerStatus;

std::uint32_t ReadInput32(const void* input, std::size_t offset)
{
    return ReadLe32(static_cast<const std::uint8_t*>(input) + offset);
}

bool IsOneOf(std::uint32_t id, std::initializer_list<std::uint32_t> ids)
{
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

void SetChangedBit(std::uint8_t* changed, std::uint32_t status)
{
    const std::uint32_t bit = status - 1;
    if (changed != nullptr && bit / 8 < ChangedBitmapBytes())
        changed[bit / 8] |= static_cast<std::uint8_t>(0x80u >> (bit % 8));
}

void ClearChangedBit(std::uint8_t* changed, std::uint32_t status)
{
    const std::uint32_t bit = status - 1;
    if (changed != nullptr && bit / 8 < ChangedBitmapBytes())
        changed[bit / 8] &= static_cast<std::uint8_t>(~(0x80u >> (bit % 8)));
}

void ClearChangedBitmap(std::uint8_t* changed)
{
    if (changed != nullptr) std::memset(changed, 0, ChangedBitmapBytes());
}

// Every status of the version in force with an enabled record: 1 to the low
// limit, then 257 to the high limit.
template <class Visit> void ForEachEnabledStatus(Visit visit)
{
    const std::uint32_t low = GetStatusIdLimit(0);
    const std::uint32_t high = GetStatusIdLimit(1);
    auto one = [&](std::uint32_t id) {
        const ApiDescriptor* d = FindStatusDescriptor(id);
        if (d != nullptr && d->enabled != 0) visit(id, *d);
    };
    for (std::uint32_t id = 1; id <= low; ++id) one(id);
    for (std::uint32_t id = 257; id <= high; ++id) one(id);
}

// The snapshot row of a status, or NULL when the instance has none or its
// block was made for fewer rows (another instance may have raised the
// version in force since).
SnapshotEntry* SnapshotRow(DriverContext* instance, std::uint32_t id)
{
    ApiRecord* record = instance->workArea ? instance->workArea->apiRecord : nullptr;
    if (record == nullptr || record->constraintSnapshot == nullptr || id == 0 || id > record->snapshotRows)
        return nullptr;
    return record->constraintSnapshot[id - 1].entries;
}

bool IsEntryUnavailable(BlockOffset entry, DriverContext* instance)
{
    return entry != 0 && IsUiOptionUnavailable(entry, 0, instance) == 1;
}

bool IsEntryRestricted(BlockOffset entry, DriverContext* instance)
{
    return entry != 0 && IsUiOptionRestricted(entry, 0, instance) == 1;
}

// ---- the chapter list ---------------------------------------------------------------------

// A copy of the instance's chapter array, as many records as the array
// holds (never more, whatever the chapter count item says). FALSE when
// memory runs out.
bool CopyChapters(DriverContext* instance, std::vector<ChapterRecord>& copy)
{
    ContextWorkArea* work = instance->workArea;
    copy.clear();
    if (work == nullptr || work->chapters == nullptr) return true;
    try {
        copy.assign(work->chapters, work->chapters + work->chapterCapacity);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void PutChaptersBack(DriverContext* instance, const std::vector<ChapterRecord>& copy)
{
    ContextWorkArea* work = instance->workArea;
    if (work == nullptr || work->chapters == nullptr) return;
    const std::size_t records = std::min<std::size_t>(copy.size(), work->chapterCapacity);
    std::copy(copy.begin(), copy.begin() + static_cast<std::ptrdiff_t>(records), work->chapters);
}

// ---- the changed-status bitmap ----------------------------------------------------------

// Items whose stored text changing reports the status at once.
bool IsJobText(std::uint16_t item)
{
    return IsOneOf(item, {rdmUserID, rdmJOBPassword, rdmStoredPassword, rdmOwnerName, rdmDocumentName, rdmMergeFileName,
                          wdmOvlPath});
}

bool IsTextItem(const SettingItemDescriptor& item)
{
    return IsOneOf(ItemTypeCode(item), {7, 8, 10, 11, 13, 14, 15}) || ItemTypeCode(item) == kValueRaw;
}

// Saved copy against current settings. A text is compared over its whole
// field (every write zero-fills what follows the text); a side without an
// address counts as no difference.
bool ItemDiffers(DriverContext* instance, std::uint16_t itemId)
{
    SettingItemDescriptor* item = FindItem(instance, itemId);
    if (item == nullptr) return false;
    if (IsTextItem(*item)) {
        const std::uint8_t* current = GetItemAddress(instance, item);
        const std::uint8_t* saved = GetSavedItemAddress(instance, item);
        if (current == nullptr || saved == nullptr) return false;
        return std::memcmp(current, saved, ItemLength(*item)) != 0;
    }
    return ReadItemValue(instance, item) != ReadSavedItemValue(instance, item);
}

// Step 6 of the item test: the switch of the status hides the change.
bool IsHiddenBySwitch(DriverContext* instance, std::uint32_t status, std::uint16_t item)
{
    const StatusSwitchRow* row = nullptr;
    const std::uint16_t switchItem = GetStatusSwitchItem(status, &row);
    if (switchItem == 0 || row == nullptr || switchItem == item) return false;
    if ((row->flags & kSwitchQuietWhileUnavailable) != 0) {
        const BlockOffset entry = FindItemUiEntry(switchItem, instance);
        if (entry != 0 && (IsEntryUnavailable(entry, instance) || IsEntryRestricted(entry, instance))) return true;
    }
    if ((row->flags & kSwitchQuietWhileOff) != 0 && GetItemValue(instance, switchItem) == 0 &&
        (item == rdmCoverType || item == rdmMarkPaperType))
        return true;
    return false;
}

// Step 7: a change the constraints forced is not reported.
bool IsHiddenBySnapshot(DriverContext* instance, const SnapshotEntry* row, std::size_t slot, std::uint16_t item)
{
    const BlockOffset entry = FindItemUiEntry(item, instance);
    if (entry == 0 || row == nullptr) return false;
    if (IsEntryUnavailable(entry, instance)) return true;
    return IsEntryRestricted(entry, instance) && row[slot].restricted != 0;
}

enum class ItemVerdict { kSkip, kChanged, kStopStatus, kTest };

// The status-specific rules (steps 1 to 4) for one examined item.
ItemVerdict ApplyStatusRules(DriverContext* instance, std::uint32_t status, std::uint16_t item, int apiVersion)
{
    if ((item == rdmExtOutput2SeparationSheet || item == rdmSeparationSheetCycle) && apiVersion < 10)
        return ItemVerdict::kSkip;
    if (status == VEXLDRV_STATUS_PAPER_SIZE && (item == dmPaperLength || item == dmPaperWidth)) {
        const std::uint32_t fields = GetItemValue(instance, dmFields);
        const bool sized = GetItemValue(instance, dmPaperLength) != 0 && GetItemValue(instance, dmPaperWidth) != 0 &&
                           (fields & DM_PAPERLENGTH) != 0 && (fields & DM_PAPERWIDTH) != 0;
        return sized && ItemDiffers(instance, item) ? ItemVerdict::kChanged : ItemVerdict::kSkip;
    }
    if (status == VEXLDRV_STATUS_SCALE) {
        const std::uint32_t type = GetItemValue(instance, rdmScaleType);
        if (type <= 2) {
            if (item == rdmScaleV) return ItemVerdict::kSkip;
            if (item == rdmScaleH && type == 2)
                return ItemDiffers(instance, item) ? ItemVerdict::kChanged : ItemVerdict::kSkip;
        }
    }
    if (status == VEXLDRV_STATUS_RESOLUTION) {
        const int kind = GetResolutionEntryKind(instance);
        if (kind == -1) return ItemVerdict::kStopStatus;
        if ((kind == 0 && item == rdmDstResolutionBoth) || (kind == 1 && item == rdmDstResolutionW))
            return ItemVerdict::kSkip;
    }
    if (status == VEXLDRV_STATUS_MARGIN) {
        if (!ItemDiffers(instance, rdmFuncSelectMargin)) return ItemVerdict::kStopStatus;
        if (item == rdmFuncSelectMargin) return ItemVerdict::kSkip;
    }
    if (status == VEXLDRV_STATUS_COLOR_MATCHING || status == VEXLDRV_STATUS_PRINTER_SIDE)
        return ItemDiffers(instance, item) ? ItemVerdict::kChanged : ItemVerdict::kSkip;
    return ItemVerdict::kTest;
}

// Whether a status other than the written one changed.
bool HasStatusChanged(DriverContext* instance, std::uint32_t status, const ApiDescriptor& d, int apiVersion)
{
    const SnapshotEntry* row = SnapshotRow(instance, status);
    const bool perObject = IsOneOf(status, {39, 40, 41, 42, 43, 46, 267, 269});
    for (std::size_t slot = 0; slot < kSnapshotEntries && d.coveredItems[slot] != 0; ++slot) {
        const std::uint16_t base = d.coveredItems[slot];
        std::uint16_t examined[4] = {base, 0, 0, 0};
        std::size_t count = 1;
        if (perObject) {
            for (std::uint32_t object = 0; object < 3; ++object) {
                const std::uint16_t variant = RemapAdjustItem(instance, base, object);
                if (variant == 0) return false;
                examined[count++] = variant;
            }
        }
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint16_t item = examined[i];
            switch (ApplyStatusRules(instance, status, item, apiVersion)) {
            case ItemVerdict::kSkip:
                continue;
            case ItemVerdict::kChanged:
                return true;
            case ItemVerdict::kStopStatus:
                return false;
            case ItemVerdict::kTest:
                break;
            }
            if (!ItemDiffers(instance, item)) continue;
            if (IsJobText(item)) return true;
            if (IsHiddenBySwitch(instance, status, item)) continue;
            if (IsHiddenBySnapshot(instance, row, slot, item)) continue;
            return true;
        }
    }
    return false;
}

bool CapabilityIsPresent(DriverContext* instance, std::uint32_t capability)
{
    const std::int32_t answer = AskCapability(instance, capability);
    return answer != -1 && answer != 0;
}

// The written status's own bit: set only when the value stored differs from
// the one asked for.
void SetOwnStatusBit(DriverContext* instance, std::uint32_t status, const void* input, std::uint8_t* changed,
                     int apiVersion)
{
    struct Pair {
        std::uint32_t stored, asked;
    };
    auto matches = [](std::initializer_list<Pair> pairs, std::uint32_t stored, std::uint32_t asked) {
        return std::any_of(pairs.begin(), pairs.end(),
                           [&](const Pair& p) { return p.stored == stored && p.asked == asked; });
    };
    switch (status) {
    case VEXLDRV_STATUS_NUP:
        if (matches({{1, 3}, {3, 1}, {3, 2}, {0x81, 0x82}, {0x82, 0x81}, {0xA1, 0xA3}, {0xA3, 0xA1}, {0xA3, 0xA2}},
                    GetItemValue(instance, rdmNUPType), ReadInput32(input, 4)))
            SetChangedBit(changed, VEXLDRV_STATUS_NUP);
        break;
    case VEXLDRV_STATUS_DUPLEX:
        if (matches({{0x12, 0x11}, {0x11, 0x12}, {0x11, 0x13}, {0x15, 0x14}, {0x14, 0x15}, {0x14, 0x16}},
                    GetItemValue(instance, rdmDuplexType), ReadInput32(input, 4)))
            SetChangedBit(changed, VEXLDRV_STATUS_DUPLEX);
        break;
    case VEXLDRV_STATUS_SORT:
        if (CapabilityIsPresent(instance, 76) && GetItemValue(instance, rdmExtOutput2SeparationSheet) != 0 &&
            GetItemValue(instance, rdmSeparationSheetCycle) != ReadInput32(input, 12))
            SetChangedBit(changed, VEXLDRV_STATUS_SORT);
        break;
    case VEXLDRV_STATUS_COVER_MEDIA_TYPES:
        if (ItemDiffers(instance, rdmExtOutput2ReverseCoverOutside)) {
            constexpr std::uint32_t kBoth = kAvailableTestUnavailable | kAvailableTestRestricted;
            if (IsItemAvailable(instance, rdmFuncSelectBack, 0, kBoth))
                SetChangedBit(changed, VEXLDRV_STATUS_BACK_COVER);
            else if (IsItemAvailable(instance, rdmFuncSelectReverseCover, 0, kBoth))
                SetChangedBit(changed, VEXLDRV_STATUS_REVERSE_COVER);
        }
        break;
    case VEXLDRV_STATUS_CHAPTERS:
        if (GetItemValue(instance, rdmFuncSelectChapter) != ReadInput32(input, 4))
            SetChangedBit(changed, VEXLDRV_STATUS_CHAPTERS);
        break;
    case VEXLDRV_STATUS_PAPER_ROTATION:
        if (apiVersion >= 14 && ItemDiffers(instance, rdmRotationMode) &&
            (ItemDiffers(instance, rdmNupLayout) || ItemDiffers(instance, rdmBookLayout)))
            SetChangedBit(changed, VEXLDRV_STATUS_PAPER_ROTATION);
        break;
    default:
        break;
    }
}

// Step 12 of the propagation.
void BuildChangedBitmap(DriverContext* instance, std::uint32_t written, const void* input, std::uint8_t* changed,
                        std::vector<ChapterRecord>& chaptersBefore, HANDLE printer)
{
    const int apiVersion = GetApiVersionInForce();
    ClearChangedBitmap(changed);
    ForEachEnabledStatus([&](std::uint32_t status, const ApiDescriptor& d) {
        if (status != written) {
            if (HasStatusChanged(instance, status, d, apiVersion)) SetChangedBit(changed, status);
            return;
        }
        SetOwnStatusBit(instance, status, input, changed, apiVersion);
        std::vector<ChapterRecord> current;
        if (!CopyChapters(instance, current)) return;
        std::uintptr_t request[kModuleListRequestWords] = {};
        request[0] = reinterpret_cast<std::uintptr_t>(chaptersBefore.empty() ? nullptr : chaptersBefore.data());
        request[1] = reinterpret_cast<std::uintptr_t>(current.empty() ? nullptr : current.data());
        RunModuleListOperation(instance, 6, request);
        if (request[2] != 0) SetChangedBit(changed, VEXLDRV_STATUS_CHAPTERS);
        if (status == VEXLDRV_STATUS_CHAPTERS || request[2] != 0) StoreIniItems(printer, instance);
    });
}

// One pass over the UI list running the entries of any of the items, in
// list order.
void RunItemsTransactsInListOrder(DriverContext* instance, std::initializer_list<std::uint16_t> items)
{
    const CompiledModel* compiled = instance->compiledModel;
    if (compiled == nullptr) return;
    for (BlockOffset at = model::GetFirstUiEntry(compiled); at != 0;) {
        const model::UiEntryRecord entry = model::ReadUiEntry(compiled, at);
        if (std::find(items.begin(), items.end(), entry.itemId) != items.end()) RunUiTransacts(at, instance);
        at = entry.next;
    }
}

// The transactions of a written status beyond those of its main item.
void RunStatusTransacts(DriverContext* instance, std::uint32_t status, const void* input)
{
    switch (status) {
    case VEXLDRV_STATUS_MEDIA_TYPE:
        SetItemValue(instance, wdmUIStart, 1);
        RunItemTransacts(instance, rdmMediaType);
        SetItemValue(instance, wdmUIStart, 0);
        break;
    case VEXLDRV_STATUS_COPIES:
    case VEXLDRV_STATUS_SORT:
        if (CapabilityIsPresent(instance, 76) && GetItemValue(instance, rdmExtOutput2SeparationSheet) != 0 &&
            EvaluateModuleJudge(instance, 1403) != 0)
            UpdateDependentSettings(instance, 901);
        if (status == VEXLDRV_STATUS_SORT) RunItemTransacts(instance, rdmSortType);
        break;
    case VEXLDRV_STATUS_JOB_INFORMATION: {
        struct MaskItem {
            std::uint32_t mask;
            std::uint16_t item;
        };
        const std::uint32_t method = ReadInput32(input, 4);
        const std::uint32_t mask = ReadInput32(input, 8);
        auto run = [&](std::initializer_list<MaskItem> rows) {
            for (const MaskItem& row : rows)
                if ((mask & row.mask) != 0) RunItemTransacts(instance, row.item);
        };
        switch (method) {
        case 0:
        case 2:
            run({{0x1, rdmUserID}});
            break;
        case 1:
            run({{0x1, rdmUserID}, {0x2 | 0x80, rdmJOBPassword}});
            break;
        case 3:
            run({{0x1, rdmUserID}, {0x4 | 0x100, rdmStoredPassword}, {0x8, rdmOwnerName}, {0x10, rdmDocumentName}});
            break;
        case 5:
            run({{0x20, rdmMergeFileName}});
            break;
        case 7:
            run({{0x40, wdmOvlPath}});
            break;
        case 8:
            run({{0x1, rdmUserID}, {0x200, rdmDocumentName}});
            break;
        case 9:
            run({{0x1, rdmUserID}, {0x400, rdmDocumentName}, {0x800, rdmStoredPassword}, {0x4000, rdmSharedPrnData}});
            break;
        case 10:
            run({{0x1, rdmUserID}, {0x1000, rdmDocumentName}, {0x2000, rdmStoredPassword}, {0x4000, rdmSharedPrnData}});
            break;
        default:
            break;
        }
        break;
    }
    case VEXLDRV_STATUS_SCALE: {
        RunItemTransacts(instance, rdmScaleType);
        const std::uint32_t type = GetItemValue(instance, rdmScaleType);
        if (type == 3) RunItemTransacts(instance, rdmScaleV);
        if (type == 1 || type == 3) RunItemTransacts(instance, rdmScaleH);
        break;
    }
    case VEXLDRV_STATUS_NUP:
        RunItemTransacts(instance, rdmNUPPOSTKind);
        RunItemTransacts(instance, rdmNUPType);
        break;
    case VEXLDRV_STATUS_DUPLEX:
        RunItemTransacts(instance, rdmDuplexType);
        break;
    case VEXLDRV_STATUS_STAPLE:
        RunItemTransacts(instance, rdmStapleType);
        break;
    case VEXLDRV_STATUS_PUNCH:
        RunItemTransacts(instance, rdmPunchType);
        break;
    case VEXLDRV_STATUS_CMYK_PLANES:
        RunItemTransacts(instance, rdmPlaneUseCMYKMagenta);
        RunItemTransacts(instance, rdmPlaneUseCMYKYellow);
        RunItemTransacts(instance, rdmPlaneUseCMYKBlack);
        break;
    case VEXLDRV_STATUS_FOLD:
        RunItemTransacts(instance, rdmFoldType);
        break;
    case VEXLDRV_STATUS_FOLDING:
        RunItemsTransactsInListOrder(instance, {rdmFunc2SelectFoldingPunch, rdmFunc2SelectFoldingCorner, rdmFoldingType,
                                                rdmFoldingLongFanType, rdmFoldingCustomType, rdmFoldingProgramType});
        break;
    case VEXLDRV_STATUS_QUALITY_MACROS:
        SetItemValue(instance, wdmCtrlWorkPrompt, 1);
        RunItemTransacts(instance, rdmUseUserMacro);
        RunItemTransacts(instance, rdmPrintMacro);
        RunItemTransacts(instance, rdmBalanceMacro);
        RunItemTransacts(instance, rdmUserPrintMacro);
        SetItemValue(instance, wdmCtrlWorkPrompt, 0);
        break;
    default:
        break;
    }
}

// The public paper size fields of a custom size, kept across the re-sync.
struct CustomPaperFields {
    bool custom = false;
    std::uint32_t width = 0;
    std::uint32_t length = 0;
    std::uint32_t fields = 0;
};

CustomPaperFields KeepCustomPaperFields(DriverContext* instance)
{
    CustomPaperFields kept;
    kept.custom = GetItemValue(instance, dmPaperSize) == kCustomPaper;
    if (kept.custom) {
        kept.width = GetItemValue(instance, dmPaperWidth);
        kept.length = GetItemValue(instance, dmPaperLength);
        kept.fields = GetItemValue(instance, dmFields);
    }
    return kept;
}

void PutCustomPaperFieldsBack(DriverContext* instance, const CustomPaperFields& kept)
{
    SetItemValue(instance, dmPaperWidth, kept.width);
    SetItemValue(instance, dmPaperLength, kept.length);
    SetItemValue(instance, dmFields,
                 (GetItemValue(instance, dmFields) | DM_PAPERLENGTH | DM_PAPERWIDTH) & ~DM_PAPERSIZE);
}

// Status 7 with a custom size: the size the handler stored (its width never
// above its length) goes into the DEVMODE. A size beyond the DEVMODE's range
// (the handler cleared the fields) stays cleared rather than cut to 16 bits.
void ApplyWrittenCustomPaper(DriverContext* instance, const void* input, const CustomPaperFields& kept)
{
    if (kept.width == 0 || kept.length == 0) {
        SetItemValue(instance, dmPaperSize, kCustomPaper);
        SetItemValue(instance, dmPaperWidth, 0);
        SetItemValue(instance, dmPaperLength, 0);
        SetItemValue(instance, dmFields, kept.fields);
        return;
    }
    std::uint8_t structure[32] = {};
    std::memcpy(structure, input, 8);  // version and paper
    WriteLe32(structure + 8, kept.width);
    WriteLe32(structure + 12, kept.length);
    ApplyCustomPaperSize(instance, structure);
}

}  // namespace

std::uint32_t ChangedBitmapBytes()
{
    return GetApiVersionInForce() < 6 ? 32 : 64;
}

int CheckStructureVersion(const void* input, std::uint32_t latest, std::uint32_t mode)
{
    if (input == nullptr) return 2;
    if (ReadInput32(input, 0) <= latest) return 0;
    return mode == 2 ? 2 : 1;
}

void SnapshotStatusConstraints(DriverContext* instance)
{
    ApiRecord* record = instance->workArea ? instance->workArea->apiRecord : nullptr;
    if (record == nullptr || record->constraintSnapshot == nullptr) return;
    std::fill(record->constraintSnapshot, record->constraintSnapshot + record->snapshotRows, StatusConstraintRow{});
    ForEachEnabledStatus([&](std::uint32_t id, const ApiDescriptor& d) {
        SnapshotEntry* row = SnapshotRow(instance, id);
        if (row == nullptr) return;
        for (std::size_t j = 0; j < kSnapshotEntries && d.coveredItems[j] != 0; ++j) {
            const BlockOffset entry = FindItemUiEntry(d.coveredItems[j], instance);
            if (entry == 0) continue;
            if (IsUiOptionUnavailable(entry, 0, instance) == 1) row[j].unavailable = 1;
            if (IsUiOptionRestricted(entry, 0, instance) == 1) row[j].restricted = 1;
        }
    });
}

void RefreshSavedCopy(DriverContext* instance)
{
    if (instance->workArea == nullptr || instance->workArea->savedStore == nullptr) return;
    FreeSavedCopyBuffers(instance);
    SaveSettingsCopy(instance);
    SnapshotStatusConstraints(instance);
}

void PropagateStatusChange(DriverContext* instance, const ApiDescriptor* d, const void* input, std::uint8_t* changed)
{
    if (instance->workArea == nullptr || instance->workArea->savedStore == nullptr) return;
    const bool uiModeOn = GetItemValue(instance, rdmUIModeChange) == 1;
    if (uiModeOn) SetItemValue(instance, rdmUIModeChange, 0);
    std::vector<ChapterRecord> chaptersBefore;
    if (!CopyChapters(instance, chaptersBefore)) {
        if (uiModeOn) SetItemValue(instance, rdmUIModeChange, 1);
        return;
    }

    if (d->mainItem != 0) RunItemTransacts(instance, d->mainItem);
    RunStatusTransacts(instance, d->id, input);

    HANDLE printer = instance->printer;
    StoreItem(printer, instance, FindItem(instance, rdmPrnMethod), GetSettingsIniPath(instance));
    const CustomPaperFields kept = KeepCustomPaperFields(instance);
    SyncDevmodeAfterLoad(reinterpret_cast<DEVMODEW*>(GetStoreBytes(instance)), instance, 3);
    if (d->id == 7 && ReadInput32(input, 4) == kCustomPaper)
        ApplyWrittenCustomPaper(instance, input, kept);
    else if (kept.custom)
        PutCustomPaperFieldsBack(instance, kept);
    if (GetApiVersionInForce() < 6 && d->id == 35) SetItemValue(instance, rdmUseUserMacro, 1);
    RemergeKeepingRestricted(instance, nullptr);
    NotifyModulesRevalidate(instance);

    if (changed != nullptr) BuildChangedBitmap(instance, d->id, input, changed, chaptersBefore, printer);
    if (uiModeOn) SetItemValue(instance, rdmUIModeChange, 1);
}

namespace {

// The backups of one write and what the roll-back puts back. The printer
// data and the settings INI file are changed in batches for the length of
// the write: a refused write drops them, so whatever the handler or the
// propagation stored meanwhile never reaches the printer or the file.
class WriteTransaction {
public:
    WriteTransaction(DriverContext* instance, std::uint8_t* changed) : instance_(instance), changed_(changed) {}
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;

    ~WriteTransaction()
    {
        if (failed_) RollBack();
        FreeBackups();
        EndBatches(FALSE);
        if (printer_ != nullptr) CloseInstancePrinter(instance_, printer_);
    }

    bool OpenPrinter()
    {
        PRINTER_DEFAULTSW all{nullptr, nullptr, kPrinterAllAccess};
        if (!OpenInstancePrinter(instance_, &printer_, &all) && !OpenInstancePrinter(instance_, &printer_, nullptr)) {
            printer_ = nullptr;
            return false;
        }
        return true;
    }

    // The batches begin before anything is stored; FALSE when a backup
    // cannot be made.
    bool Begin()
    {
        printerBatch_ = BeginPrinterDataBatch(printer_) == ERROR_SUCCESS;
        iniPath_ = GetSettingsIniPath(instance_);
        iniBatch_ = iniPath_ != nullptr && iniPath_[0] != 0 && BeginProfileBatch(iniPath_);
        devmode_ = SaveDevmodePart(instance_);
        work_ = SaveWorkSettings(instance_);
        chaptersSaved_ = CopyChapters(instance_, chapters_);
        return devmode_ != nullptr && work_ != nullptr && chaptersSaved_;
    }

    // Writes the batches out, put in place under the settings mutex (their
    // files are written ahead while it is free); FALSE (and the write is
    // then refused) when the printer data or the file cannot take them.
    bool Commit()
    {
        StoreBatches batches{printer_, iniPath_, printerBatch_, iniBatch_};
        printerBatch_ = false;
        iniBatch_ = false;
        return CommitStoreBatches(instance_, batches) != FALSE;
    }

    void Fail() { failed_ = true; }
    HANDLE printer() const { return printer_; }

private:
    void RollBack()
    {
        if (devmode_ != nullptr) RestoreDevmodePart(instance_, std::exchange(devmode_, nullptr), TRUE);
        if (work_ != nullptr) RestoreWorkSettings(instance_, std::exchange(work_, nullptr), TRUE);
        if (chaptersSaved_) PutChaptersBack(instance_, chapters_);
        ClearChangedBitmap(changed_);
    }

    void FreeBackups()
    {
        if (devmode_ != nullptr) RestoreDevmodePart(instance_, std::exchange(devmode_, nullptr), FALSE);
        if (work_ != nullptr) RestoreWorkSettings(instance_, std::exchange(work_, nullptr), FALSE);
    }

    bool EndBatches(BOOL write)
    {
        bool written = true;
        if (iniBatch_) {
            written = (write ? EndProfileBatch(iniPath_) : AbandonProfileBatch(iniPath_)) && written;
            iniBatch_ = false;
        }
        if (printerBatch_) {
            written =
                (write ? EndPrinterDataBatch(printer_) : AbandonPrinterDataBatch(printer_)) == ERROR_SUCCESS && written;
            printerBatch_ = false;
        }
        return written;
    }

    DriverContext* instance_;
    std::uint8_t* changed_;
    HANDLE printer_ = nullptr;
    const WCHAR* iniPath_ = nullptr;
    bool printerBatch_ = false;
    bool iniBatch_ = false;
    std::uint8_t* devmode_ = nullptr;
    std::uint8_t* work_ = nullptr;
    std::vector<ChapterRecord> chapters_;
    bool chaptersSaved_ = false;
    bool failed_ = false;
};

int Refuse(DriverContext* instance, std::uint8_t* changed, std::int32_t code)
{
    SetApiLastError(instance, code);
    ClearChangedBitmap(changed);
    return -1;
}

// Steps 11 to 13: gates that hold for a status whatever its values.
std::int32_t StatusGateCode(DriverContext* instance, const ApiDescriptor& d)
{
    const std::uint32_t id = d.id;
    if (IsOneOf(id, {5, 35, 39, 42, 43, 46, 48, 51, 79}) && !IsMainItemOffered(instance, d.mainItem))
        return kApiErrorNotEnabled;
    if (IsOneOf(id, {29, 30, 31, 32, 33, 76, 77, 78}) && IsPerUserMode(instance)) return kApiErrorPerUserAction;
    if (IsOneOf(id, {34, 35, 38, 39, 40, 41, 42, 43, 46, 49, 257, 265, 266, 267, 268, 269}) &&
        CapabilityIsPresent(instance, 270) && !IsUserMacro160Active(instance))
        return kApiErrorQualityMacro;
    if ((id == 70 || id == 71) && GetApiVersionInForce() < 15) return kApiErrorNotEnabled;
    return kApiErrorNone;
}

// Step 14: the constraint test on the main item, with its exceptions.
bool IsRefusedByConstraints(DriverContext* instance, const ApiDescriptor& d, const void* input)
{
    if (d.mainItem == 0) return false;
    const BlockOffset entry = FindItemUiEntry(d.mainItem, instance);
    const bool unavailable = IsEntryUnavailable(entry, instance);
    const bool restricted = IsEntryRestricted(entry, instance);
    if (!unavailable && !restricted) return false;
    const std::uint32_t id = d.id;
    if (id == 19 && restricted && !unavailable) {
        if (ReadInput32(input, 28) == 0) return true;
        const BlockOffset sortType = FindItemUiEntry(rdmSortType, instance);
        return IsEntryUnavailable(sortType, instance) || IsEntryRestricted(sortType, instance);
    }
    if (id == 28 && restricted && !unavailable) return false;
    if (id >= 265 && id <= 269) return false;
    const bool adminLocks = IsFeatureClassOn(instance, kFeatureAdminLocks, 0) != 0;
    if (id == 15 && adminLocks && IsDuplexLocked(instance)) return false;
    if (id == 14 && adminLocks && IsNupKindLocked(instance)) return false;
    return true;
}

std::uint32_t CurrentLastError(DriverContext* instance)
{
    ApiRecord* record = instance->workArea ? instance->workArea->apiRecord : nullptr;
    return record ? record->lastError : 0;
}

}  // namespace

int SetStatusDispatch(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                      std::uint32_t mode)
{
    const ApiDescriptor* d = FindStatusDescriptor(id);
    if (d == nullptr) return Refuse(instance, changed, kApiErrorFailure);
    if (d->enabled == 0) return Refuse(instance, changed, kApiErrorNotEnabled);
    if (input == nullptr) return Refuse(instance, changed, kApiErrorNoInput);
    if (d->set == nullptr) return Refuse(instance, changed, kApiErrorFailure);

    WriteTransaction tx(instance, changed);
    if (!tx.OpenPrinter()) return Refuse(instance, changed, kApiErrorFailure);
    const int versionRule = CheckStructureVersion(input, d->versionCount, mode);
    if (versionRule == 2) return static_cast<int>(d->versionCount);

    auto fail = [&](std::int32_t code) {
        tx.Fail();
        if (code != kApiErrorNone) SetApiLastError(instance, code);
        ClearChangedBitmap(changed);
        return -1;
    };
    if (!tx.Begin()) return fail(kApiErrorNone);
    const BOOL marginReset = NeedsMarginReset(instance, id, input);
    LoadStoredItems(tx.printer(), 1, instance);
    RefreshSavedCopy(instance);
    if (const std::int32_t code = StatusGateCode(instance, *d); code != kApiErrorNone) return fail(code);
    if (IsRefusedByConstraints(instance, *d, input)) return fail(kApiErrorRefused);

    const std::uint32_t keptCode = CurrentLastError(instance);
    SetApiLastError(instance, kApiErrorRefused);
    if (d->set(instance, id, input, changed, mode) != 1) return fail(kApiErrorNone);
    SetApiLastError(instance, static_cast<std::int32_t>(keptCode));

    PropagateStatusChange(instance, d, input, changed);
    if (changed != nullptr && AskCapability(instance, 34) == 0) ClearChangedBit(changed, 18);
    if (d->verify != nullptr && d->verify(instance, id, input, changed, mode) != 1) return fail(kApiErrorRefused);
    if (marginReset) ResetMarginsIfOff(instance);

    if (id != 50 && id != 56) SetItemOption(instance, rdmPresetNo, kPresetNone);
    if (!tx.Commit()) return fail(kApiErrorFailure);
    return versionRule == 1 ? static_cast<int>(d->versionCount) : 0;
}

}  // namespace vexl::api
