// Set and verify handlers of the marks printed on the page: header and
// footer (status 47) and the anti-copy pattern (status 55).
#include "api/status_writes.h"

#include "api/item_helpers.h"
#include "api/option_tests.h"
#include "common/core/devmode_services.h"
#include "common/core/items.h"
#include "common/model/ui_lookup.h"

namespace vexl::api {

// ---- 47: header and footer ------------------------------------------------------------------------

namespace {

inline constexpr std::uint32_t kHeaderFooterFlags = 0x7;
inline constexpr std::uint32_t kHeaderFooterStringForm = 2;
inline constexpr std::size_t kHeaderFooterFontName = 8;
inline constexpr std::size_t kHeaderFooterFontNameSize = 32;
inline constexpr std::size_t kHeaderFooterString = 68;
inline constexpr std::size_t kHeaderFooterStringSize = 33;

// One printed field: its flag, switch item, and position and form items
// with their offsets.
struct HeaderFooterField {
    std::uint32_t flag;
    std::uint16_t switchItem;
    std::uint16_t positionItem;
    std::uint16_t formItem;
    std::size_t positionOffset;
};

constexpr HeaderFooterField kHeaderFooterFields[] = {
    {1, rdmHFFuncSelectDate, rdmHFDatePosi, rdmHFDateForm, 44},
    {2, rdmHFFuncSelectPage, rdmHFPagePosi, rdmHFPageForm, 52},
    {4, rdmHFFuncSelectString, rdmHFStrPosi, rdmHFStrForm, 60},
};

// The margin switch's entry is not restricted.
BOOL IsMarginSwitchNotRestricted(DriverContext* instance)
{
    const BlockOffset entry = FindItemUiEntry(rdmFuncSelectMargin, instance);
    return entry == 0 || services::IsUiOptionRestricted(entry, 0, instance) == 0;
}

}  // namespace

int SetHeaderFooter(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const std::uint32_t version = GetWrittenVersion(id, input);
    if (!PassesMinimumApi(id, version)) return -1;
    if (!IsMarginSwitchNotRestricted(instance)) return -1;
    // The handler's copy carries the flags cut to the three fields; the
    // caller's structure is left as it was passed.
    StatusInput in = CopyStatusInput(id, input);
    in.SetU32(4, in.U32(4) & kHeaderFooterFlags);
    const std::uint32_t flags = in.U32(4);
    const StatusText text = in.Text(kHeaderFooterString, kHeaderFooterStringSize);
    for (const HeaderFooterField& field : kHeaderFooterFields) {
        if ((flags & field.flag) == 0) continue;
        const std::uint32_t form = in.U32(field.positionOffset + 4);
        if (!IsValueAccepted(instance, field.positionItem, in.U32(field.positionOffset)) ||
            !IsValueAccepted(instance, field.formItem, form))
            return -1;
        if (field.flag == 4 && form == kHeaderFooterStringForm && (!text.terminated || text.text.empty())) return -1;
    }
    const StatusText font = in.Text(kHeaderFooterFontName, kHeaderFooterFontNameSize);
    const bool withOrder = version >= 2 && CapabilityAnswers(instance, 79);
    if (flags != 0) {
        if (!font.terminated || font.text.empty()) return -1;
        if (!IsFontInstalled(instance, font.text.c_str())) return RefuseWrite(instance, kApiErrorFontMissing);
        if (!IsValueAccepted(instance, rdmHFFontPoint, in.U32(40))) return -1;
        if (withOrder && !IsValueAccepted(instance, rdmHFFuncSelectOrder, in.U32(104))) return -1;
    }
    for (const HeaderFooterField& field : kHeaderFooterFields) {
        const bool on = (flags & field.flag) != 0;
        SetItemValue(instance, field.switchItem, on ? 1 : 0);
        if (!on) continue;
        SetItemValue(instance, field.positionItem, in.U32(field.positionOffset));
        SetItemValue(instance, field.formItem, in.U32(field.positionOffset + 4));
        if (field.flag == 4 && in.U32(field.positionOffset + 4) == kHeaderFooterStringForm &&
            !SetTextItem(instance, rdmHFString, text.text))
            return -1;
    }
    if (flags != 0) {
        SetItemValue(instance, rdmFuncSelectMargin, 1);
        if (!SetTextItem(instance, rdmHFFontName, font.text)) return -1;
        SetItemValue(instance, rdmHFFontPoint, in.U32(40));
        if (withOrder) SetItemValue(instance, rdmHFFuncSelectOrder, in.U32(104));
    }
    return 1;
}

int VerifyHeaderFooter(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const std::uint32_t version = GetWrittenVersion(id, input);
    const StatusInput in = CopyStatusInput(id, input);
    const std::uint32_t flags = in.U32(4) & kHeaderFooterFlags;
    for (const HeaderFooterField& field : kHeaderFooterFields) {
        const bool on = (flags & field.flag) != 0;
        if ((GetItemValue(instance, field.switchItem) != 0) != on) return -1;
        if (!on) continue;
        const std::uint32_t form = in.U32(field.positionOffset + 4);
        if (GetItemValue(instance, field.positionItem) != in.U32(field.positionOffset) ||
            GetItemValue(instance, field.formItem) != form)
            return -1;
        if (field.flag == 4 && form == kHeaderFooterStringForm &&
            GetTextItem(instance, rdmHFString) != in.Text(kHeaderFooterString, kHeaderFooterStringSize).text)
            return -1;
    }
    if (flags == 0) return 1;
    if (GetTextItem(instance, rdmHFFontName) != in.Text(kHeaderFooterFontName, kHeaderFooterFontNameSize).text)
        return -1;
    if (GetItemValue(instance, rdmHFFontPoint) != in.U32(40)) return -1;
    if (version >= 2 && CapabilityAnswers(instance, 79) && GetItemValue(instance, rdmHFFuncSelectOrder) != in.U32(104))
        return -1;
    return 1;
}

// ---- 55: anti-copy pattern ---------------------------------------------------------------------------

namespace {

inline constexpr std::uint32_t kCopyGuardOnly = 1;
inline constexpr std::uint32_t kPatternText = 2;
inline constexpr std::uint32_t kPatternTextWithGuard = 3;
inline constexpr std::uint32_t kPositionRepeat = 64;
inline constexpr std::uint32_t kBackgroundNone = 0;
inline constexpr std::uint32_t kBackgroundOutline = 3;
inline constexpr std::uint32_t kBackgroundWhite = 255;
inline constexpr std::size_t kPatternTextOffset = 24;
inline constexpr std::size_t kPatternTextSize = 65;
inline constexpr std::size_t kPatternFontOffset = 89;
inline constexpr std::size_t kPatternFontSize = 32;

// The value lies within the Numeric range of the item's entry.
BOOL IsInNumericRange(DriverContext* instance, std::uint16_t item, std::uint32_t value)
{
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    const BlockOffset entry = services::LookupUiEntry(item, instance);
    if (!services::GetUiNumericRange(entry, instance, &minimum, &maximum)) return FALSE;
    const auto signedValue = static_cast<std::int32_t>(value);
    return signedValue >= minimum && signedValue <= maximum;
}

// The angle is printed at positions 0 and repeat; the line pitch only when
// the pattern repeats.
BOOL UsesAngle(std::uint32_t position)
{
    return position == 0 || position == kPositionRepeat;
}

BOOL CheckPattern(DriverContext* instance, std::uint32_t mode, const StatusInput& in)
{
    if (mode == kPatternText) {
        if (!IsValueAccepted(instance, rdmCopyProtectColor, in.U32(8)) ||
            !IsValueAccepted(instance, rdmCopyProtectDensity, in.U32(12)))
            return FALSE;
        if (in.U32(16) != 0 && !IsValueAccepted(instance, rdmCopyProtectTileMask, in.U32(16))) return FALSE;
        if (in.U32(20) > 1) return FALSE;
    }
    const StatusText text = in.Text(kPatternTextOffset, kPatternTextSize);
    if (!text.terminated) return FALSE;
    const std::uint32_t position = in.U32(136);
    if (!IsInNumericRange(instance, rdmCopyProtectFontPoint, in.U32(124))) return FALSE;
    if (UsesAngle(position) && !IsInNumericRange(instance, rdmCopyProtectAngle, in.U32(132))) return FALSE;
    if (position == kPositionRepeat && !IsInNumericRange(instance, rdmCopyProtectLinePitch, in.U32(140))) return FALSE;
    if (!IsValueAccepted(instance, rdmCopyProtectFontStyle, in.U32(128))) return FALSE;
    if (position == kPositionRepeat) {
        if (in.U32(144) > 1) return FALSE;
    } else if (!IsValueAccepted(instance, rdmCopyProtectPosi, position)) {
        return FALSE;
    }
    const std::uint32_t background = in.U32(148);
    return background == kBackgroundNone || background == kBackgroundOutline || background == kBackgroundWhite;
}

}  // namespace

int SetCopyProtect(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    const std::uint32_t mode = in.U32(4);
    if (mode == 0) {
        SetItemValue(instance, rdmFuncSelectCopyProtect, 0);
        return 1;
    }
    // The pattern's values are judged with the function on.
    SetItemValue(instance, rdmFuncSelectCopyProtect, 1);
    if (mode != kCopyGuardOnly && mode != kPatternText && mode != kPatternTextWithGuard) return -1;
    if (mode != kCopyGuardOnly) {
        if (!CheckPattern(instance, mode, in)) return -1;
        const StatusText font = in.Text(kPatternFontOffset, kPatternFontSize);
        if (!font.terminated || font.text.empty()) return -1;
        if (!IsFontInstalled(instance, font.text.c_str())) return RefuseWrite(instance, kApiErrorFontMissing);
    }
    if (mode == kCopyGuardOnly) {
        SetItemValue(instance, rdmCopyProtectFuncSelectCopyGuard, 1);
        SetTextItem(instance, rdmCopyProtectChar, std::string());
        return 1;
    }
    SetItemValue(instance, rdmCopyProtectFuncSelectCopyGuard, mode == kPatternTextWithGuard ? 1 : 0);
    if (mode == kPatternText) {
        SetItemValue(instance, rdmCopyProtectColor, in.U32(8));
        SetItemValue(instance, rdmCopyProtectDensity, in.U32(12));
        SetItemValue(instance, rdmCopyProtectFuncSelectMaskPattern, in.U32(16) != 0 ? 1 : 0);
        if (in.U32(16) != 0) SetItemValue(instance, rdmCopyProtectTileMask, in.U32(16));
        SetItemValue(instance, rdmCopyProtectFuncSelectSwitchPattern, in.U32(20));
    }
    const std::uint32_t position = in.U32(136);
    if (position == kPositionRepeat) {
        SetItemValue(instance, rdmCopyProtectFuncSelectRepeat, 1);
        SetItemValue(instance, rdmCopyProtectFuncSelectReverse, in.U32(144));
        SetItemValue(instance, rdmCopyProtectLinePitch, in.U32(140));
    } else {
        SetItemValue(instance, rdmCopyProtectPosi, position);
        SetItemValue(instance, rdmCopyProtectFuncSelectRepeat, 0);
    }
    SetItemValue(instance, rdmCopyProtectAngle, UsesAngle(position) ? in.U32(132) : 0);
    const std::uint32_t background = in.U32(148);
    SetItemValue(instance, rdmCopyProtectFuncSelectWhiteBackground, background == kBackgroundWhite ? 1 : 0);
    SetItemValue(instance, rdmCopyProtectFuncSelectOutline, background == kBackgroundOutline ? 1 : 0);
    if (!SetTextItem(instance, rdmCopyProtectChar, in.Text(kPatternTextOffset, kPatternTextSize).text) ||
        !SetTextItem(instance, rdmCopyProtectFontName, in.Text(kPatternFontOffset, kPatternFontSize).text))
        return -1;
    SetItemValue(instance, rdmCopyProtectFontPoint, in.U32(124));
    SetItemValue(instance, rdmCopyProtectFontStyle, in.U32(128));
    return 1;
}

int VerifyCopyProtect(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    const std::uint32_t mode = in.U32(4);
    if (mode == 0) return 1;
    if (GetItemValue(instance, rdmFuncSelectCopyProtect) == 0) return -1;
    const std::uint32_t guard = GetItemValue(instance, rdmCopyProtectFuncSelectCopyGuard);
    if (mode == kCopyGuardOnly) return guard == 1 && GetTextItem(instance, rdmCopyProtectChar).empty() ? 1 : -1;
    if (guard != (mode == kPatternTextWithGuard ? 1u : 0u)) return -1;
    if (mode == kPatternText && (GetItemValue(instance, rdmCopyProtectColor) != in.U32(8) ||
                                 GetItemValue(instance, rdmCopyProtectDensity) != in.U32(12) ||
                                 GetItemValue(instance, rdmCopyProtectFuncSelectSwitchPattern) != in.U32(20) ||
                                 (in.U32(16) != 0 && GetItemValue(instance, rdmCopyProtectTileMask) != in.U32(16))))
        return -1;
    const std::uint32_t position = in.U32(136);
    if (position == kPositionRepeat) {
        if (GetItemValue(instance, rdmCopyProtectFuncSelectRepeat) != 1 ||
            GetItemValue(instance, rdmCopyProtectFuncSelectReverse) != in.U32(144) ||
            GetItemValue(instance, rdmCopyProtectLinePitch) != in.U32(140))
            return -1;
    } else if (GetItemValue(instance, rdmCopyProtectPosi) != position) {
        return -1;
    }
    if (GetTextItem(instance, rdmCopyProtectChar) != in.Text(kPatternTextOffset, kPatternTextSize).text ||
        GetTextItem(instance, rdmCopyProtectFontName) != in.Text(kPatternFontOffset, kPatternFontSize).text)
        return -1;
    return GetItemValue(instance, rdmCopyProtectFontPoint) == in.U32(124) &&
                   GetItemValue(instance, rdmCopyProtectFontStyle) == in.U32(128)
               ? 1
               : -1;
}

}  // namespace vexl::api
