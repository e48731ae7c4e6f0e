// The set and verify handlers of the statuses in their common shapes, the
// services every handler shares, and the table that binds each writable
// status to its handlers.
//
// Shapes: a single value written to its item (with the DEVMODE field bit of
// the public fields), the same gated by a capability, the job actions that
// are stored at once under one shared value name, the colour adjustments
// written to the object variant the adjustment mode selects, and the margin
// group that turns the margin switch on.
#include "api/status_writes.h"

#include "api/descriptors.h"
#include "api/item_helpers.h"
#include "api/option_tests.h"
#include "api/status_layouts.h"
#include "api/versions.h"
#include "common/core/devmode_public.h"
#include "common/core/devmode_services.h"
#include "common/core/items.h"
#include "common/core/le.h"
#include "common/core/store.h"
#include "common/core/units.h"
#include "common/model/compiled_model.h"
#include "common/model/ui_lookup.h"
#include "common/storage/persistence.h"
#include "common/storage/directories.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace vexl::api {

// ---- the handler's copy of the caller's structure ----------------------------------------

StatusInput::StatusInput(const void* input, std::size_t size)
{
    if (input != nullptr) std::memcpy(bytes_.data(), input, std::min(size, bytes_.size()));
}

std::uint32_t StatusInput::U32(std::size_t offset) const
{
    return offset + 4 <= bytes_.size() ? GetStatusU32(bytes_.data(), offset) : 0;
}

std::uint16_t StatusInput::U16(std::size_t offset) const
{
    return offset + 2 <= bytes_.size() ? GetStatusU16(bytes_.data(), offset) : 0;
}

void StatusInput::SetU32(std::size_t offset, std::uint32_t value)
{
    if (offset + 4 <= bytes_.size()) PutStatusU32(bytes_.data(), offset, value);
}

StatusText StatusInput::Text(std::size_t offset, std::size_t size) const
{
    if (offset >= bytes_.size()) return {};
    const std::optional<std::string_view> text =
        GetStatusText(bytes_.data(), offset, std::min(size, bytes_.size() - offset));
    if (!text) return {};
    return {std::string(*text), true};
}

std::uint32_t GetWrittenVersion(std::uint32_t id, const void* input)
{
    const StatusLayout* layout = FindStatusLayout(id);
    const std::uint32_t latest = layout ? layout->latest() : 1;
    const std::uint32_t version = input != nullptr ? GetStatusU32(input, 0) : 0;
    return version > latest ? latest : version;
}

StatusInput CopyStatusInput(std::uint32_t id, const void* input)
{
    const std::uint32_t version = GetWrittenVersion(id, input);
    return StatusInput(input, GetStatusStructureSize(id, version == 0 ? 1 : version));
}

BOOL PassesMinimumApi(std::uint32_t id, std::uint32_t version)
{
    // Version 0 names no structure version; it has no minimum.
    if (version == 0) return TRUE;
    return IsStatusVersionAllowed(id, version, static_cast<std::uint32_t>(GetApiVersionInForce()));
}

int RefuseWrite(DriverContext* instance, std::int32_t code)
{
    SetApiLastError(instance, code);
    return -1;
}

// ---- value tests ---------------------------------------------------------------------------

BOOL IsValueAccepted(DriverContext* instance, std::uint16_t item, std::uint32_t value)
{
    return CheckItemValue(item, value, instance) == 1;
}

BOOL IsValueStrictlyAccepted(DriverContext* instance, std::uint16_t item, std::uint32_t value)
{
    return GetValueCheckCode(instance, item, value) == 1;
}

int GetValueCheckCode(DriverContext* instance, std::uint16_t item, std::uint32_t value)
{
    SettingItemDescriptor* descriptor = FindItem(instance, item);
    return descriptor != nullptr ? CheckItemValueCode(descriptor, item, value, instance) : 2;
}

std::uint32_t TenthMmAsDots(std::uint32_t value)
{
    return UnitsToDots(kUnitTenthMm, value, 1200);
}

std::uint32_t DotsAsTenthMm(std::uint32_t dots)
{
    return DotsToUnits(kUnitTenthMm, dots, 1200);
}

// ---- capabilities ----------------------------------------------------------------------------

std::int32_t AskCapability(DriverContext* instance, std::uint32_t capabilityId)
{
    return static_cast<std::int32_t>(DispatchCapability(instance, capabilityId, nullptr));
}

BOOL CapabilityAnswers(DriverContext* instance, std::uint32_t capabilityId)
{
    const std::int32_t answer = AskCapability(instance, capabilityId);
    return answer != -1 && answer != 0;
}

BOOL CapabilityListHolds(DriverContext* instance, std::uint32_t capabilityId, std::uint32_t value)
{
    const std::int32_t count = AskCapability(instance, capabilityId);
    if (count <= 0) return FALSE;
    // The lists asked here come from the model's entries and keep their
    // length between the two passes; the room to spare guards the rest.
    std::vector<std::uint32_t> values(static_cast<std::size_t>(count) * 2 + 64);
    const std::int32_t filled = static_cast<std::int32_t>(DispatchCapability(instance, capabilityId, values.data()));
    if (filled <= 0 || static_cast<std::size_t>(filled) > values.size()) return FALSE;
    values.resize(static_cast<std::size_t>(filled));
    return std::find(values.begin(), values.end(), value) != values.end();
}

// ---- text items ------------------------------------------------------------------------------

std::string GetTextItem(DriverContext* instance, std::uint16_t item)
{
    const SettingItemDescriptor* descriptor = FindItem(instance, item);
    const std::uint8_t* address = GetItemAddress(instance, descriptor);
    if (address == nullptr) return {};
    const char* text = reinterpret_cast<const char*>(address);
    return std::string(text, strnlen(text, ItemLength(*descriptor)));
}

BOOL SetTextItem(DriverContext* instance, std::uint16_t item, const std::string& text)
{
    SettingItemDescriptor* descriptor = FindItem(instance, item);
    if (descriptor == nullptr || text.size() >= ItemLength(*descriptor)) return FALSE;
    WriteItemBytes(instance, descriptor, text.c_str(), text.size() + 1);
    return TRUE;
}

// ---- transactions and switches ------------------------------------------------------------------

void RunItemTransacts(DriverContext* instance, std::uint16_t item)
{
    const CompiledModel* compiled = instance ? instance->compiledModel : nullptr;
    if (compiled == nullptr) return;
    for (BlockOffset at = model::GetFirstUiEntry(compiled); at != 0;) {
        const model::UiEntryRecord entry = model::ReadUiEntry(compiled, at);
        if (entry.itemId == item) services::RunUiTransacts(at, instance);
        at = entry.next;
    }
}

BOOL SwitchOffIfAsked(DriverContext* instance, const StatusInput& in, std::uint16_t switchItem)
{
    if (in.U32(28) != 0) return FALSE;
    SetItemValue(instance, switchItem, 0);
    return TRUE;
}

namespace {

DEVMODEW* StoreDevmode(DriverContext* instance)
{
    return reinterpret_cast<DEVMODEW*>(GetStoreBytes(instance));
}

// ---- single values: shapes A, D and E ----------------------------------------------------------

enum class ColourMatching : std::uint8_t { kAny, kOn, kOff };

struct SingleValueRow {
    std::uint32_t status;
    std::uint16_t item;
    std::uint32_t devmodeField;  // dmFields bit a public field gains
    std::uint32_t capability;    // D: written only while it answers
    ColourMatching matching;     // D: rdmColorMatching must be so
    bool jobAction;              // E: stored at once as "rdmAction"
    int companionFunction;       // the action needs the companion function installed
    bool storeAtOnce;            // stored at once under its own name
};

constexpr SingleValueRow kSingleValueRows[] = {
    {2, dmDefaultSource, DM_DEFAULTSOURCE, 0, ColourMatching::kAny, false, 0, false},
    {3, rdmMediaType, 0, 0, ColourMatching::kAny, false, 0, false},
    {4, rdmOutputTrayID, 0, 0, ColourMatching::kAny, false, 0, false},
    {5, dmColor, DM_COLOR, 0, ColourMatching::kAny, false, 0, false},
    {6, dmOrientation, DM_ORIENTATION, 0, ColourMatching::kAny, false, 0, false},
    {9, dmCopies, DM_COPIES, 0, ColourMatching::kAny, false, 0, false},
    {22, rdmExtOutputDirection, 0, 0, ColourMatching::kAny, false, 0, false},
    {23, rdmExtOutputOrderly, 0, 0, ColourMatching::kAny, false, 0, false},
    {24, rdmExtOutputWhitePaper, 0, 0, ColourMatching::kAny, false, 0, false},
    {25, rdmEmulation, 0, 0, ColourMatching::kAny, false, 0, false},
    {27, rdmExtPrintArea, 0, 0, ColourMatching::kAny, false, 0, false},
    {29, rdmActionMarge, 0, 0, ColourMatching::kAny, true, 2, false},
    {30, rdmActionProof, 0, 0, ColourMatching::kAny, true, 0, false},
    {31, rdmActionSecurity, 0, 0, ColourMatching::kAny, true, 0, false},
    {32, rdmActionStored, 0, 0, ColourMatching::kAny, true, 0, false},
    {33, rdmActionOverlay, 0, 0, ColourMatching::kAny, true, 0, false},
    {38, rdmAdjustMode, 0, 0, ColourMatching::kAny, false, 0, false},
    {45, rdmExtOutput2A4Fit, 0, 0, ColourMatching::kAny, false, 0, false},
    {48, rdmExtOutputEMFSpool, 0, 0, ColourMatching::kAny, false, 0, false},
    {49, rdmImagePrint, 0, 0, ColourMatching::kAny, false, 0, false},
    {52, rdmFunc2SelectJobComplete, 0, 80, ColourMatching::kAny, false, 0, false},
    {53, rdmFunc2SelectJobErr, 0, 81, ColourMatching::kAny, false, 0, false},
    {57, rdmPreviewPrint, 0, 87, ColourMatching::kAny, false, 0, true},
    {72, rdmExtOutput2PaperFace, 0, 0, ColourMatching::kAny, false, 0, false},
    {74, rdmExtOutput2NearStandard, 0, 0, ColourMatching::kAny, false, 0, false},
    {76, rdmActionPause, 0, 0, ColourMatching::kAny, true, 0, false},
    {77, rdmActionSave, 0, 0, ColourMatching::kAny, true, 0, false},
    {78, rdmActionPrintAndSave, 0, 0, ColourMatching::kAny, true, 0, false},
    {257, rdmAdjustObject, 0, 0, ColourMatching::kAny, false, 0, false},
    {263, rdmQualityFuncEcoColor, 0, 0, ColourMatching::kAny, false, 0, false},
    {265, rdmColorMatching, 0, 276, ColourMatching::kAny, false, 0, false},
    {266, rdmICMType, 0, 277, ColourMatching::kOn, false, 0, false},
    {268, rdmExtOutputprinterSide, 0, 280, ColourMatching::kAny, false, 0, false},
};

const SingleValueRow* FindSingleValueRow(std::uint32_t status)
{
    for (const SingleValueRow& row : kSingleValueRows)
        if (row.status == status) return &row;
    return nullptr;
}

BOOL IsColourMatchingAsNeeded(DriverContext* instance, ColourMatching matching)
{
    if (matching == ColourMatching::kAny) return TRUE;
    const bool on = GetItemValue(instance, rdmColorMatching) != 0;
    return on == (matching == ColourMatching::kOn);
}

BOOL IsGateOpen(DriverContext* instance, std::uint32_t capability, ColourMatching matching)
{
    if (capability != 0 && !CapabilityAnswers(instance, capability)) return FALSE;
    return IsColourMatchingAsNeeded(instance, matching);
}

int SetSingleValue(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const SingleValueRow* row = FindSingleValueRow(id);
    if (row == nullptr) return -1;
    const StatusInput in = CopyStatusInput(id, input);
    const std::uint32_t value = in.U32(4);
    if (!IsGateOpen(instance, row->capability, row->matching)) return -1;
    if (row->companionFunction != 0 && !IsCompanionFunctionInstalled(row->companionFunction, instance)) return -1;
    if (!IsValueAccepted(instance, row->item, value)) return -1;
    SetItemValue(instance, row->item, value);
    if (row->devmodeField != 0) {
        DEVMODEW* devmode = StoreDevmode(instance);
        SetDevmodeFields(devmode, GetDevmodeFields(devmode) | row->devmodeField);
    }
    if (row->jobAction) StoreActionItem(instance, FindItem(instance, row->item), GetSettingsIniPath(instance));
    if (row->storeAtOnce)
        StoreItem(instance->printer, instance, FindItem(instance, row->item), GetSettingsIniPath(instance));
    return 1;
}

int VerifySingleValue(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const SingleValueRow* row = FindSingleValueRow(id);
    if (row == nullptr) return -1;
    const StatusInput in = CopyStatusInput(id, input);
    return GetItemValue(instance, row->item) == in.U32(4) ? 1 : -1;
}

// Status 73: the page separation, offered only by the model's option bit.
int SetPageSeparation(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    if (!HasApiOption(instance, kApiOptionPageSeparation)) return -1;
    const StatusInput in = CopyStatusInput(id, input);
    const std::uint32_t value = in.U32(4);
    if (value > 1) return -1;
    SetItemValue(instance, rdmFunc2SelectPageSeparation, value);
    return 1;
}

int VerifyPageSeparation(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    return GetItemValue(instance, rdmFunc2SelectPageSeparation) == in.U32(4) ? 1 : -1;
}

// ---- colour adjustments: shape C ----------------------------------------------------------------

enum class ColourRule : std::uint8_t { kNone, kColourMode, kProfileCount };

struct ColourAdjustRow {
    std::uint32_t status;
    std::uint16_t items[3];  // the base items at +8, +10, +12; 0 ends
    std::uint32_t capability;
    ColourMatching matching;
    ColourRule rule;
};

constexpr ColourAdjustRow kColourAdjustRows[] = {
    {39, {rdmColorMode, 0, 0}, 0, ColourMatching::kAny, ColourRule::kColourMode},
    {40, {rdmBrightness, 0, 0}, 0, ColourMatching::kAny, ColourRule::kNone},
    {41, {rdmContrast, 0, 0}, 0, ColourMatching::kAny, ColourRule::kNone},
    {42, {rdmSaturation, 0, 0}, 0, ColourMatching::kAny, ColourRule::kNone},
    {43, {rdmColorBalanceR, rdmColorBalanceG, rdmColorBalanceB}, 0, ColourMatching::kAny, ColourRule::kNone},
    {46, {rdmQualityFuncColorRevision, 0, 0}, 0, ColourMatching::kAny, ColourRule::kNone},
    {267, {rdmICMIntent, 0, 0}, 278, ColourMatching::kOn, ColourRule::kNone},
    {269, {rdmColorMatchingMode, 0, 0}, 281, ColourMatching::kOff, ColourRule::kProfileCount},
};

inline constexpr std::uint32_t kColourModeByObject = 255;
inline constexpr std::uint32_t kFirstProfileValue = 200;

const ColourAdjustRow* FindColourAdjustRow(std::uint32_t status)
{
    for (const ColourAdjustRow& row : kColourAdjustRows)
        if (row.status == status) return &row;
    return nullptr;
}

BOOL PassesColourRule(DriverContext* instance, ColourRule rule, std::uint32_t value)
{
    switch (rule) {
    case ColourRule::kColourMode:
        // The colour mode chosen per object is offered by capability 61, and
        // only for all objects at once or the image object.
        if (value != kColourModeByObject) return TRUE;
        if (!CapabilityListHolds(instance, 61, value)) return FALSE;
        return !(GetItemValue(instance, rdmAdjustMode) == 1 && GetItemValue(instance, rdmAdjustObject) != 2);
    case ColourRule::kProfileCount:
        return value < kFirstProfileValue + static_cast<std::uint32_t>(CountColorProfiles(instance));
    case ColourRule::kNone:
        break;
    }
    return TRUE;
}

int SetColourAdjust(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const ColourAdjustRow* row = FindColourAdjustRow(id);
    if (row == nullptr) return -1;
    if (!IsGateOpen(instance, row->capability, row->matching)) return -1;
    const StatusInput in = CopyStatusInput(id, input);
    for (std::size_t i = 0; i < 3 && row->items[i] != 0; ++i) {
        const std::uint32_t value = in.U16(8 + 2 * i);
        if (!IsValueAccepted(instance, row->items[i], value)) return -1;
        if (!PassesColourRule(instance, row->rule, value)) return -1;
    }
    for (std::size_t i = 0; i < 3 && row->items[i] != 0; ++i)
        SetItemValue(instance, GetAdjustTargetItem(instance, row->items[i]), in.U16(8 + 2 * i));
    return 1;
}

int VerifyColourAdjust(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const ColourAdjustRow* row = FindColourAdjustRow(id);
    if (row == nullptr) return -1;
    const StatusInput in = CopyStatusInput(id, input);
    for (std::size_t i = 0; i < 3 && row->items[i] != 0; ++i) {
        const std::uint16_t target = GetAdjustTargetItem(instance, row->items[i]);
        if (GetItemValue(instance, target) != in.U16(8 + 2 * i)) return -1;
    }
    return 1;
}

// ---- the margin group: shape F ----------------------------------------------------------------

// The margin statuses need the margin switch's entry, and not restricted.
BOOL IsMarginSwitchFree(DriverContext* instance)
{
    const BlockOffset entry = FindItemUiEntry(rdmFuncSelectMargin, instance);
    return entry != 0 && services::IsUiOptionRestricted(entry, 0, instance) == 0;
}

// 68: the edge-and-corner function with its corner.
int SetEdgeCorner(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    if (!IsMarginSwitchFree(instance)) return -1;
    const StatusInput in = CopyStatusInput(id, input);
    if (in.U32(28) == 0) {
        SetItemValue(instance, rdmFunc2SelectEdgeCorner, 0);
        return 1;
    }
    if (!IsValueAccepted(instance, rdmCornerPosi, in.U32(4))) return -1;
    SetItemValue(instance, rdmFuncSelectMargin, 1);
    SetItemValue(instance, rdmFunc2SelectEdgeCorner, in.U32(28));
    SetItemValue(instance, rdmCornerPosi, in.U32(4));
    return 1;
}

int VerifyEdgeCorner(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    if (in.U32(28) == 0) return 1;
    if (GetItemValue(instance, rdmFunc2SelectEdgeCorner) == 0) return -1;
    return GetItemValue(instance, rdmCornerPosi) == in.U32(4) ? 1 : -1;
}

// 69 and 70: switches of the margin group; 70 takes the first-page crop marks
// along while the crop marks are on.
struct MarginValueRow {
    std::uint32_t status;
    std::uint16_t item;        // from +4
    std::uint16_t secondItem;  // from +8 while +4 is 1; 0 when none
};

constexpr MarginValueRow kMarginValueRows[] = {
    {69, rdmFuncSelectMarginOverlap, 0},
    {70, rdmFuncSelectCrops, rdmFuncSelectCropsFirst},
};

const MarginValueRow* FindMarginValueRow(std::uint32_t status)
{
    for (const MarginValueRow& row : kMarginValueRows)
        if (row.status == status) return &row;
    return nullptr;
}

int SetMarginValue(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const MarginValueRow* row = FindMarginValueRow(id);
    if (row == nullptr || !IsMarginSwitchFree(instance)) return -1;
    const StatusInput in = CopyStatusInput(id, input);
    const bool second = row->secondItem != 0 && in.U32(4) == 1;
    if (!IsValueAccepted(instance, row->item, in.U32(4))) return -1;
    if (second && !IsValueAccepted(instance, row->secondItem, in.U32(8))) return -1;
    SetItemValue(instance, row->item, in.U32(4));
    if (second) SetItemValue(instance, row->secondItem, in.U32(8));
    SetItemValue(instance, rdmFuncSelectMargin, 1);
    return 1;
}

int VerifyMarginValue(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const MarginValueRow* row = FindMarginValueRow(id);
    if (row == nullptr) return -1;
    const StatusInput in = CopyStatusInput(id, input);
    if (GetItemValue(instance, row->item) != in.U32(4)) return -1;
    if (row->secondItem != 0 && in.U32(4) == 1 && GetItemValue(instance, row->secondItem) != in.U32(8)) return -1;
    return 1;
}

// 71: the creep margins, in 0.1 mm, kept in dots.
int SetCreepMargins(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    if (!IsMarginSwitchFree(instance)) return -1;
    const StatusInput in = CopyStatusInput(id, input);
    const std::uint32_t inside = TenthMmAsDots(in.U32(4));
    const std::uint32_t outside = TenthMmAsDots(in.U32(8));
    if (!IsValueAccepted(instance, rdmCreepMarginInside, inside)) return -1;
    if (!IsValueAccepted(instance, rdmCreepMarginOutside, outside)) return -1;
    SetItemValue(instance, rdmCreepMarginInside, inside);
    SetItemValue(instance, rdmCreepMarginOutside, outside);
    SetItemValue(instance, rdmFuncSelectMargin, 1);
    return 1;
}

int VerifyCreepMargins(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    return DotsAsTenthMm(GetItemValue(instance, rdmCreepMarginInside)) == in.U32(4) &&
                   DotsAsTenthMm(GetItemValue(instance, rdmCreepMarginOutside)) == in.U32(8)
               ? 1
               : -1;
}

// ---- the table -----------------------------------------------------------------------------

constexpr StatusWriteRow kStatusWriteRows[] = {
    {2, SetSingleValue, VerifySingleValue},
    {3, SetSingleValue, VerifySingleValue},
    {4, SetSingleValue, VerifySingleValue},
    {5, SetSingleValue, VerifySingleValue},
    {6, SetSingleValue, VerifySingleValue},
    {9, SetSingleValue, VerifySingleValue},
    {11, SetScaling, VerifyScaling},
    {12, SetCoverSheet, VerifyCoverSheet},
    {13, SetMarkSheet, VerifyMarkSheet},
    {18, SetImageShift, VerifyImageShift},
    {19, SetSorting, VerifySorting},
    {22, SetSingleValue, VerifySingleValue},
    {23, SetSingleValue, VerifySingleValue},
    {24, SetSingleValue, VerifySingleValue},
    {25, SetSingleValue, VerifySingleValue},
    {26, SetUserId, VerifyAlwaysPasses},
    {27, SetSingleValue, VerifySingleValue},
    {28, SetPaperRotation, VerifyPaperRotation},
    {29, SetSingleValue, VerifySingleValue},
    {30, SetSingleValue, VerifySingleValue},
    {31, SetSingleValue, VerifySingleValue},
    {32, SetSingleValue, VerifySingleValue},
    {33, SetSingleValue, VerifySingleValue},
    {35, SetPlanes, VerifyPlanes},
    {38, SetSingleValue, VerifySingleValue},
    {39, SetColourAdjust, VerifyColourAdjust},
    {40, SetColourAdjust, VerifyColourAdjust},
    {41, SetColourAdjust, VerifyColourAdjust},
    {42, SetColourAdjust, VerifyColourAdjust},
    {43, SetColourAdjust, VerifyColourAdjust},
    {45, SetSingleValue, VerifySingleValue},
    {46, SetColourAdjust, VerifyColourAdjust},
    {47, SetHeaderFooter, VerifyHeaderFooter},
    {48, SetSingleValue, VerifySingleValue},
    {49, SetSingleValue, VerifySingleValue},
    {52, SetSingleValue, VerifySingleValue},
    {53, SetSingleValue, VerifySingleValue},
    {55, SetCopyProtect, VerifyCopyProtect},
    {56, SetPresetNumber, VerifyPresetNumber},
    {57, SetSingleValue, VerifySingleValue},
    {58, SetManualTrayOrientation, VerifyManualTrayOrientation},
    {59, SetAuthenticationUser, VerifyAlwaysPasses},
    {60, SetAuthenticationLevel, VerifyAuthenticationLevel},
    {61, SetLoadShare, VerifyLoadShare},
    {62, SetIndexRotation, VerifyIndexRotation},
    {64, SetBackCover, VerifyBackCover},
    {65, SetReverseCover, VerifyReverseCover},
    {66, SetCoverMedia, VerifyAlwaysPasses},
    {67, SetChapters, VerifyChapters},
    {68, SetEdgeCorner, VerifyEdgeCorner},
    {69, SetMarginValue, VerifyMarginValue},
    {70, SetMarginValue, VerifyMarginValue},
    {71, SetCreepMargins, VerifyCreepMargins},
    {72, SetSingleValue, VerifySingleValue},
    {73, SetPageSeparation, VerifyPageSeparation},
    {74, SetSingleValue, VerifySingleValue},
    {76, SetSingleValue, VerifySingleValue},
    {77, SetSingleValue, VerifySingleValue},
    {78, SetSingleValue, VerifySingleValue},
    {79, SetFolding, VerifyFolding},
    {257, SetSingleValue, VerifySingleValue},
    {262, SetPrintMacro, VerifyPrintMacro},
    {263, SetSingleValue, VerifySingleValue},
    {264, SetTonerSave, VerifyTonerSave},
    {265, SetSingleValue, VerifySingleValue},
    {266, SetSingleValue, VerifySingleValue},
    {267, SetColourAdjust, VerifyColourAdjust},
    {268, SetSingleValue, VerifySingleValue},
    {269, SetColourAdjust, VerifyColourAdjust},
};

}  // namespace

std::span<const StatusWriteRow> StatusWriteRows()
{
    return kStatusWriteRows;
}

}  // namespace vexl::api
