// The checks of item values against the model and its UI, and the
// validators of the public fields.
#include "common/core/devmode_public.h"

#include "common/core/devmode_services.h"
#include "common/core/item_handlers.h"
#include "common/core/items.h"
#include "common/core/store.h"
#include "common/core/switches.h"

namespace vexl {
namespace {

using services::GetUiRawType;
using services::GetUiType;
using services::LookupUiEntry;
std::int32_t Signed(std::uint32_t value)
{
    return static_cast<std::int32_t>(value);
}
std::uint32_t MergeFlagsOf(DriverContext* context)
{
    return context && context->workArea ? context->workArea->mergeFlags : 0;
}

bool HasValueMap(const SettingItemDescriptor* descriptor)
{
    return descriptor && descriptor->side && descriptor->side->valueMap;
}

bool IsPickType(std::uint16_t type)
{
    return (type & (kUiTypePickOne | kUiTypePickMany)) != 0;
}

// The switch of a feature counts when it has a UI entry whose option 0 is
// neither unavailable nor restricted, and it is on.
bool IsSwitchOn(DriverContext* context, std::uint16_t switchItem)
{
    UiEntryRef entry = LookupUiEntry(switchItem, context);
    if (entry == 0) return false;
    if (services::IsUiOptionUnavailable(entry, 0, context) || services::IsUiOptionRestricted(entry, 0, context)) {
        return false;
    }
    return GetItemValue(context, switchItem) != 0;
}

std::uint16_t FinishingSwitchOf(std::uint16_t item)
{
    switch (item) {
    case rdmDuplexType:
        return rdmFuncSelectDuplex;
    case rdmPunchType:
        return rdmFuncSelectPunch;
    case rdmStapleType:
        return rdmFuncSelectStaple;
    case rdmFoldType:
        return rdmFuncSelectFold;
    case rdmCopyProtectTileMask:
        return rdmCopyProtectFuncSelectMaskPattern;
    default:
        return 0;
    }
}

bool IsColorMatchingItem(std::uint16_t item)
{
    return item == rdmColorMatchingMode || item == wdmColorMatchingText || item == wdmColorMatchingLine ||
           item == wdmColorMatchingImage;
}

// The N-up type is a check with writes: a type of another N-up kind moves
// rdmNUPPOSTKind along, and an unavailable type of the current kind is
// replaced by the kind's first type.
void AdjustNupForType(DriverContext* context, UiEntryRef entry, std::uint16_t option, std::uint32_t value)
{
    if (!IsSwitchOn(context, rdmFuncSelectNup)) return;
    std::uint32_t k = GetNupKindOfType(value, nullptr);
    std::uint32_t c = GetItemValue(context, rdmNUPPOSTKind);
    bool portrait = GetItemValue(context, dmOrientation) == 1;
    std::uint32_t r = portrait ? 1 : 3;
    bool unavailable = services::IsUiOptionUnavailable(entry, option, context) != 0;
    switch (c) {
    case 1:
        if (k != 1) {
            if (k != 0) SetItemValue(context, rdmNUPPOSTKind, k);
        } else if (unavailable) {
            SetItemValue(context, rdmNUPType, r);
        }
        break;
    case 2:
    case 3:
    case 4:
    case 9:
    case 10:
    case 11:
        if (k != c) {
            if (k != 0) SetItemValue(context, rdmNUPPOSTKind, k);
            if (k == 1) SetItemValue(context, rdmNUPType, r);
        } else if ((c == 10 || c == 11) && unavailable) {
            std::uint32_t first = c == 10 ? (portrait ? 161 : 163) : (portrait ? 129 : 130);
            SetItemValue(context, rdmNUPType, first);
        }
        break;
    default:
        break;
    }
}

// The check of a pick type up to the option; false when the value is no
// option of the model (answer 0 then).
bool OptionOfValue(DriverContext* context, const SettingItemDescriptor* descriptor, std::uint32_t value,
                   std::uint32_t* option)
{
    if (!HasValueMap(descriptor)) {
        *option = value;
        return true;
    }
    *option = OptionFromStoredValue(context, descriptor, value);
    return !(*option == value && !HasOptionForValue(context, descriptor, value));
}

// The check of the non-pick types.
int CheckNonPickValue(UiEntryRef entry, std::uint16_t type, std::uint32_t value, DriverContext* context)
{
    if (type == kUiTypeBoolean) return value <= 1 ? kCheckAllowed : kCheckNotOption;
    if (type == kUiTypeNumeric) {
        std::int32_t minimum = 0;
        std::int32_t maximum = 0;
        if (!services::GetUiNumericRange(entry, context, &minimum, &maximum)) return kCheckNotOption;
        return Signed(value) >= minimum && Signed(value) <= maximum ? kCheckAllowed : kCheckNotOption;
    }
    return kCheckAllowed;
}

int CheckPickValue(SettingItemDescriptor* descriptor, std::uint16_t item, std::uint32_t value, DriverContext* context,
                   UiEntryRef entry, bool withItemCases)
{
    std::uint32_t option = 0;
    if (!OptionOfValue(context, descriptor, value, &option)) return kCheckNotOption;
    if (!services::HasUiOptionList(entry, context)) {
        return HasValueMap(descriptor) && option != 0 ? kCheckAllowed : kCheckNotOption;
    }
    auto option16 = static_cast<std::uint16_t>(option);
    if (option > 0xFFFF || !services::HasUiOption(entry, option16, context)) return kCheckNotOption;
    bool unavailable = services::IsUiOptionUnavailable(entry, option16, context) != 0;
    if (!withItemCases) return unavailable ? kCheckNotOption : kCheckAllowed;
    if (item == rdmNUPType) {
        AdjustNupForType(context, entry, option16, value);
        return kCheckAllowed;
    }
    if (std::uint16_t switchItem = FinishingSwitchOf(item)) {
        return IsSwitchOn(context, switchItem) && unavailable ? kCheckExcluded : kCheckAllowed;
    }
    if (IsColorMatchingItem(item) && value >= 200 && value <= 215) return kCheckAllowed;
    if (unavailable) return kCheckExcluded;
    if (services::IsUiOptionRestricted(entry, option16, context)) return kCheckRestricted;
    return kCheckAllowed;
}

// The item-level answers 2 and 3 that every check starts with; 0 when the
// item goes on to the value check.
int CheckItemLevel(DriverContext* context, std::uint16_t item, SettingItemDescriptor** descriptor, UiEntryRef* entry)
{
    *descriptor = FindItem(context, item);
    if (*descriptor == nullptr || (*descriptor)->symbolKey == 0) return kCheckNoUiSymbol;
    *entry = LookupUiEntry(item, context);
    if (*entry == 0 || GetUiRawType(*entry, context) == kUiTypeUnknownFlag) return kCheckNoUiEntry;
    return 0;
}

bool Accepts(int code)
{
    return code == kCheckAllowed || code == kCheckRestricted;
}

// rdmPresetNo takes option ids: 119-134 are slots 0-15, 118 is 255.
std::uint32_t PresetSlotOfOption(std::uint32_t value)
{
    if (value >= 119 && value <= 134) return value - 119;
    if (value == 118) return 255;
    return value;
}

// The repair after a rejected value; the answer is always 1.
int RepairItem(DriverContext* context, SettingItemDescriptor* descriptor, std::uint16_t item, std::uint32_t value,
               int code)
{
    if (item == rdmPresetNo) {
        std::uint32_t slot = PresetSlotOfOption(value);
        if (slot < 128 || (slot & 0xFF) == 0xFF) return kCheckAllowed;
        SetItemOption(context, rdmPresetNo, 0);
        return kCheckAllowed;
    }
    std::uint32_t flags = MergeFlagsOf(context);
    if (code == kCheckExcluded && (flags & kMergeKeepExcluded)) return kCheckAllowed;
    if (flags & kMergeResyncAfter) {
        ClampScaleOrReset(context, descriptor, item, value);
    } else {
        ResetItemToModelDefault(context, descriptor);
    }
    return kCheckAllowed;
}

// A validator: the field item's plain check; without a UI for the item the
// fallback rule decides.
template <typename Fallback>
BOOL CheckFieldOr(std::uint16_t item, std::uint32_t value, DriverContext* context, Fallback fallback)
{
    int code = CheckPublicFieldValue(item, value, context);
    if (code == kCheckAllowed) return 1;
    if (code == kCheckNoUiSymbol || code == kCheckNoUiEntry) return fallback(value) ? 1 : 0;
    return 0;
}

bool InRange(std::uint32_t value, std::int32_t low, std::int32_t high)
{
    return Signed(value) >= low && Signed(value) <= high;
}
}  // namespace

// ---- value checks ------------------------------------------------------------------------------------------

int CheckItemValueCode(SettingItemDescriptor* descriptor, std::uint16_t item, std::uint32_t value,
                       DriverContext* context)
{
    UiEntryRef entry = LookupUiEntry(item, context);
    std::uint16_t type = GetUiType(entry, context);
    int code = IsPickType(type) ? CheckPickValue(descriptor, item, value, context, entry, true)
                                : CheckNonPickValue(entry, type, value, context);
    if ((item == rdmUserPrintMacro && value == 160) || (item == rdmColorMode && value == 255)) code = kCheckAllowed;
    return code;
}

int CheckItemValuePlain(SettingItemDescriptor* descriptor, std::uint16_t item, std::uint32_t value,
                        DriverContext* context)
{
    UiEntryRef entry = LookupUiEntry(item, context);
    std::uint16_t type = GetUiType(entry, context);
    return IsPickType(type) ? CheckPickValue(descriptor, item, value, context, entry, false)
                            : CheckNonPickValue(entry, type, value, context);
}

int CheckItemValue(std::uint16_t item, std::uint32_t value, DriverContext* context)
{
    SettingItemDescriptor* descriptor = nullptr;
    UiEntryRef entry = 0;
    if (int level = CheckItemLevel(context, item, &descriptor, &entry)) return level;
    return Accepts(CheckItemValueCode(descriptor, item, value, context)) ? kCheckAllowed : kCheckNotOption;
}

int CheckPublicFieldValue(std::uint16_t item, std::uint32_t value, DriverContext* context)
{
    SettingItemDescriptor* descriptor = nullptr;
    UiEntryRef entry = 0;
    if (int level = CheckItemLevel(context, item, &descriptor, &entry)) return level;
    return CheckItemValuePlain(descriptor, item, value, context);
}

int ValidateItemOrReset(std::uint16_t item, std::uint32_t value, DriverContext* context)
{
    SettingItemDescriptor* descriptor = nullptr;
    UiEntryRef entry = 0;
    if (int level = CheckItemLevel(context, item, &descriptor, &entry)) return level;
    int code = CheckItemValueCode(descriptor, item, value, context);
    if (Accepts(code)) return kCheckAllowed;
    return RepairItem(context, descriptor, item, value, code);
}

int ValidatePlainItemOrReset(std::uint16_t item, std::uint32_t value, DriverContext* context)
{
    SettingItemDescriptor* descriptor = nullptr;
    UiEntryRef entry = 0;
    if (int level = CheckItemLevel(context, item, &descriptor, &entry)) return level;
    int code = CheckItemValuePlain(descriptor, item, value, context);
    if (code == kCheckAllowed) return kCheckAllowed;
    if (HasValueMap(descriptor) && (GetUiRawType(entry, context) & (kUiTypePickOne | kUiTypePickMany))) {
        return HasOptionForValue(context, descriptor, value) ? kCheckAllowed : kCheckNotOption;
    }
    return RepairItem(context, descriptor, item, value, code);
}

void ClampScaleOrReset(DriverContext* context, SettingItemDescriptor* descriptor, std::uint16_t item,
                       std::uint32_t value)
{
    UiEntryRef entry = LookupUiEntry(item, context);
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    if ((item == rdmScaleH || item == rdmScaleV) && GetUiType(entry, context) == kUiTypeNumeric &&
        services::GetUiNumericRange(entry, context, &minimum, &maximum)) {
        if (Signed(value) < minimum) {
            WriteItemOption(context, descriptor, static_cast<std::uint32_t>(minimum));
            return;
        }
        if (Signed(value) > maximum) {
            WriteItemOption(context, descriptor, static_cast<std::uint32_t>(maximum));
            return;
        }
    }
    ResetItemToModelDefault(context, descriptor);
}

// ---- public field validators ------------------------------------------------------------------------------------

BOOL IsValidOrientation(std::uint32_t value, DriverContext* context)
{
    int code = ValidatePlainItemOrReset(dmOrientation, value, context);
    if (code == kCheckAllowed) return 1;
    if (code == kCheckNoUiSymbol || code == kCheckNoUiEntry) return value == 1 || value == 2;
    return 0;
}
BOOL IsValidPaperSize(std::uint32_t value, DriverContext* context)
{
    return CheckPublicFieldValue(dmPaperSize, value, context) == kCheckAllowed;
}
BOOL IsValidDefaultSource(std::uint32_t value, DriverContext* context)
{
    return CheckFieldOr(dmDefaultSource, value, context,
                        [context](std::uint32_t v) { return IsPlausibleDefaultSource(v, context) != 0; });
}
BOOL IsValidPrintQuality(std::uint32_t value, DriverContext* context)
{
    return CheckFieldOr(dmPrintQuality, value, context,
                        [](std::uint32_t v) { return IsItemValueAllowed(dmPrintQuality, v) != 0; });
}
BOOL IsDeviceResolutionCode(std::uint32_t value, DriverContext*)
{
    return InRange(value, -4, -1);
}
BOOL IsValidColor(std::uint32_t value, DriverContext* context)
{
    return CheckFieldOr(dmColor, value, context, [](std::uint32_t v) { return v == 1 || v == 2; });
}
BOOL IsValidDuplex(std::uint32_t value, DriverContext* context)
{
    return CheckFieldOr(dmDuplex, value, context, [](std::uint32_t v) { return v >= 1 && v <= 3; });
}
BOOL IsValidTTOption(std::uint32_t value, DriverContext* context)
{
    return CheckFieldOr(dmTTOption, value, context, [](std::uint32_t v) { return v >= 1 && v <= 4; });
}
BOOL IsValidFormName(std::uint32_t, DriverContext*)
{
    return 1;
}
BOOL IsValidIcmMethod(std::uint32_t value, DriverContext* context)
{
    return CheckFieldOr(dmICMMethod, value, context,
                        [](std::uint32_t v) { return (v >= 1 && v <= 4) || IsItemValueAllowed(dmICMMethod, v); });
}
BOOL IsValidIcmIntent(std::uint32_t value, DriverContext* context)
{
    return CheckFieldOr(dmICMIntent, value, context,
                        [](std::uint32_t v) { return v == 1 || v == 2 || IsItemValueAllowed(dmICMIntent, v); });
}
BOOL IsValidMediaType(std::uint32_t value, DriverContext* context)
{
    return CheckFieldOr(dmMediaType, value, context,
                        [](std::uint32_t v) { return (v >= 1 && v <= 3) || IsItemValueAllowed(dmMediaType, v); });
}
BOOL IsValidDitherType(std::uint32_t value, DriverContext* context)
{
    return CheckFieldOr(dmDitherType, value, context, [](std::uint32_t v) {
        return (v >= 1 && v <= 4) || v == 10 || IsItemValueAllowed(dmDitherType, v);
    });
}
BOOL IsPlausibleDefaultSource(std::uint32_t value, DriverContext*)
{
    return (value >= 1 && value <= 15) || IsItemValueAllowed(dmDefaultSource, value);
}
BOOL IsPlausiblePaperSize(std::uint32_t value, DriverContext*)
{
    return (value >= 1 && value <= 118) || IsItemValueAllowed(dmPaperSize, value);
}
}  // namespace vexl
