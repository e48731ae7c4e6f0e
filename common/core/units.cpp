#include "common/core/units.h"

#include "common/core/devmode_services.h"
#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/module_events.h"
#include "common/core/paper_sync.h"
#include "common/core/printer_facts.h"
#include "common/core/settings_modules.h"
#include "platform/win32.h"

#include <algorithm>
#include <iterator>

namespace vexl {
namespace {

// ---- conversions at 1,200 dpi, in 64 bits so that no step wraps --------------------------

std::uint64_t UnitsBack(std::uint32_t kind, std::uint64_t dots)
{
    if (kind == kUnitTenthMm) return (dots / kGeometryDpi) * 254 + (dots % kGeometryDpi) * 254 / kGeometryDpi;
    return dots / (kGeometryDpi / 100);
}

std::uint64_t DotsOfUnits(std::uint32_t kind, std::uint64_t value)
{
    if (kind == kUnitTenthMm) return kGeometryDpi * (value / 254) + kGeometryDpi * (value % 254) / 254;
    return value * (kGeometryDpi / 100);
}

bool IsUnitKind(std::uint32_t kind)
{
    return kind == kUnitTenthMm || kind == kUnitHundredthInch;
}

std::uint32_t DisplayUnitKind(DriverContext* context)
{
    return IsMetricUnit(context) ? kUnitTenthMm : kUnitHundredthInch;
}

// Limits in dots as display values rounded inward: the maximum down, the minimum up.
void ToDisplayLimits(std::uint32_t kind, std::uint32_t minDots, std::uint32_t maxDots, std::int32_t* outMin,
                     std::int32_t* outMax)
{
    std::uint32_t maxUnits = DotsToUnits(kind, maxDots, kGeometryDpi);
    if (maxUnits > 0 && UnitsToDots(kind, maxUnits, kGeometryDpi) > maxDots) --maxUnits;
    std::uint32_t minUnits = DotsToUnits(kind, minDots, kGeometryDpi);
    if (UnitsToDots(kind, minUnits, kGeometryDpi) < minDots) ++minUnits;
    if (outMin) *outMin = static_cast<std::int32_t>(minUnits);
    if (outMax) *outMax = static_cast<std::int32_t>(maxUnits);
}

// Controls of the custom-size pages that take the tray's length or width limits.
constexpr std::uint16_t kFreeSizeLengthControls[] = {2220, 2221, 2392, 2393, 2400, 2401,
                                                     2682, 2683, 2684, 2685, 2686, 2687};
constexpr std::uint16_t kFreeSizeWidthControls[] = {2224, 2225, 2394, 2395, 2398, 2399,
                                                    2689, 2690, 2691, 2692, 2693, 2694};

bool IsListedControl(const std::uint16_t* first, const std::uint16_t* last, std::uint16_t id)
{
    return std::find(first, last, id) != last;
}

// The tray limits of a custom-size length or width control, in 1,200-dpi
// dots; the tray and orientation come from the page the control is on.
bool GetFreeSizeControlLimits(DriverContext* context, const PageItem* control, std::uint32_t* minDots,
                              std::uint32_t* maxDots)
{
    if (context == nullptr || control == nullptr) return false;
    const int kind = GetFreeSizeControlLimitKind(control->controlId);
    std::uint32_t tray = 0;
    std::uint32_t orientation = 0;
    if (kind == 0 || !GetFreeSizePageTray(context, &tray, &orientation)) return false;
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    const BOOL length = kind == kFreeSizeLengthLimit ? TRUE : FALSE;
    if (!services::GetTrayPaperLimitsFor(context, tray, orientation, &minimum, &maximum, length)) return false;
    *minDots = static_cast<std::uint32_t>(std::max(minimum, 0));
    *maxDots = static_cast<std::uint32_t>(std::max(maximum, 0));
    return true;
}

// The minimum and maximum of the numeric value record of the control's UI entry.
bool FindControlNumericRange(DriverContext* context, const PageItem* control, std::uint32_t* minDots,
                             std::uint32_t* maxDots)
{
    if (context == nullptr || control == nullptr || control->item == nullptr) return false;
    const UiEntryRef entry = services::LookupUiEntry(control->item->id, context);
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    if (!entry || !services::GetUiNumericRange(entry, context, &minimum, &maximum)) return false;
    *minDots = static_cast<std::uint32_t>(std::max(minimum, 0));
    *maxDots = static_cast<std::uint32_t>(std::max(maximum, 0));
    return true;
}

// ---- paper -------------------------------------------------------------------------------

bool IsRegionOutputPaper(std::uint32_t paper)
{
    return paper >= kFirstRegionOutputPaper && paper <= kLastRegionOutputPaper;
}

bool IsCustomSlotPaper(std::uint32_t paper)
{
    return paper >= kFirstCustomSlotPaper && paper <= kLastCustomSlotPaper;
}

bool IsFitToPaper(DriverContext* context)
{
    constexpr std::uint32_t kScaleTypeFit = 2;
    return GetItemValue(context, rdmFuncSelectScale) == 1 && GetItemValue(context, rdmScaleType) == kScaleTypeFit;
}

// The source paper geometry items from a paper of dmPaperSize, the
// orientation applied.
void SetSourcePaperGeometry(DriverContext* context, std::uint32_t paper)
{
    SetSourcePaperOriented(static_cast<std::uint16_t>(paper), dmPaperSize, context, nullptr);
}

// The output paper geometry items from a paper of rdmOutPaperSize.
void SetOutputPaperGeometry(DriverContext* context, std::uint32_t paper)
{
    SetOutputPaperOriented(static_cast<std::uint16_t>(paper), rdmOutPaperSize, context, nullptr);
}

void SyncPaperOrScale(DriverContext* context)
{
    const std::uint32_t outPaper = GetItemValue(context, rdmOutPaperSize) & 0xFFFF;
    SetSourcePaperGeometry(context, GetItemValue(context, dmPaperSize));
    const bool fromRegion = IsRegionOutputPaper(outPaper);
    SetOutputPaperGeometry(context, fromRegion ? GetRegionStandardPaper(context) : outPaper);

    if (fromRegion || IsFitToPaper(context)) {
        const auto srcWidth = static_cast<std::int32_t>(GetItemOption(context, rdmSrcPaperWidthDot));
        const auto srcLength = static_cast<std::int32_t>(GetItemOption(context, rdmSrcPaperLengthDot));
        const auto dstWidth = static_cast<std::int32_t>(GetItemOption(context, rdmDstPaperWidthDot));
        const auto dstLength = static_cast<std::int32_t>(GetItemOption(context, rdmDstPaperLengthDot));
        const std::int32_t widthRatio = MulDivTruncate(dstWidth, 100, srcWidth);
        const std::int32_t lengthRatio = MulDivTruncate(dstLength, 100, srcLength);
        // Without a source size there is no ratio: the scale stays as it is.
        if (srcWidth <= 0 || srcLength <= 0 || widthRatio < 0 || lengthRatio < 0) return;
        const std::int32_t scale = std::min(widthRatio, lengthRatio);
        SetItemOption(context, rdmScaleH, static_cast<std::uint32_t>(scale));
        SetItemOption(context, rdmScaleV, static_cast<std::uint32_t>(scale));
        return;
    }
    constexpr std::uint32_t kScaleTypeFit = 2;
    if (outPaper == kOutputPaperSameOrFit &&
        (GetItemValue(context, rdmFuncSelectScale) == 0 || GetItemValue(context, rdmScaleType) == kScaleTypeFit)) {
        SetItemOption(context, rdmScaleH, 100);
        SetItemOption(context, rdmScaleV, 100);
    }
}

// ---- character sets -------------------------------------------------------------------------

struct CharsetCode {
    UINT charset;
    std::uint32_t code;
};
constexpr CharsetCode kCharsetCodes[] = {
    {SHIFTJIS_CHARSET, 1}, {ANSI_CHARSET, 2},   {EASTEUROPE_CHARSET, 3}, {GREEK_CHARSET, 4},       {RUSSIAN_CHARSET, 5},
    {TURKISH_CHARSET, 6},  {BALTIC_CHARSET, 7}, {GB2312_CHARSET, 8},     {CHINESEBIG5_CHARSET, 9}, {HEBREW_CHARSET, 10},
    {ARABIC_CHARSET, 11},  {THAI_CHARSET, 12},  {JOHAB_CHARSET, 13},     {HANGUL_CHARSET, 13},
};

// ---- the model INI ------------------------------------------------------------------------------

// An INI section name never holds '[' or ']': each becomes ','.
template <std::size_t N> void SanitiseSectionName(WCHAR (&out)[N], const WCHAR* name)
{
    lstrcpynW(out, name ? name : u"", static_cast<int>(N));
    for (WCHAR& ch : out) {
        if (ch == u'[' || ch == u']') ch = u',';
    }
}

// ---- locks --------------------------------------------------------------------------------

BOOL IsItemSet(DriverContext* context, std::uint16_t id)
{
    return GetItemValue(context, id) != 0 ? 1 : 0;
}

}  // namespace

// ---- arithmetic -------------------------------------------------------------------------------

std::uint32_t DotsToTenthMm(std::uint32_t dots, std::uint32_t dpi)
{
    if (dpi == 0) return 0;
    return (dots / dpi) * 254 + static_cast<std::uint32_t>(std::uint64_t{dots % dpi} * 254 / dpi);
}

std::uint32_t DotsToHundredthInch(std::uint32_t dots, std::uint32_t dpi)
{
    // Below 100 dpi there is no whole dot per hundredth of an inch.
    if (dpi < 100) return 0;
    return dots / (dpi / 100);
}

std::uint32_t TenthMmToDots(std::uint32_t value, std::uint32_t dpi)
{
    return dpi * (value / 254) + static_cast<std::uint32_t>(std::uint64_t{dpi} * (value % 254) / 254);
}

std::uint32_t HundredthInchToDots(std::uint32_t value, std::uint32_t dpi)
{
    return value * (dpi / 100);
}

std::uint32_t RescaleDots(std::uint32_t dots, std::uint32_t fromDpi, std::uint32_t toDpi)
{
    if (fromDpi == 0 || toDpi == 0) return 0;
    return toDpi * (dots / fromDpi) + static_cast<std::uint32_t>(std::uint64_t{toDpi} * (dots % fromDpi) / fromDpi);
}

std::int32_t MulDivTruncate(std::int32_t a, std::int32_t b, std::int32_t c)
{
    if (c == 0) return -1;
    return static_cast<std::int32_t>(std::int64_t{a} * b / c);
}

// ---- units -------------------------------------------------------------------------------------

BOOL IsMetricUnit(DriverContext* context)
{
    return GetItemValue(context, rdmDspUnit) == 0 ? 1 : 0;
}

std::uint32_t UnitsToDots(std::uint32_t kind, std::uint32_t value, std::uint32_t dpi)
{
    if (!IsUnitKind(kind)) return 0;
    std::uint64_t dots = DotsOfUnits(kind, value);
    while (dots != 0 && (UnitsBack(kind, dots) > value || dots % 2 != 0)) --dots;
    return RescaleDots(static_cast<std::uint32_t>(dots), kGeometryDpi, dpi);
}

std::uint32_t DotsToUnits(std::uint32_t kind, std::uint32_t dots, std::uint32_t dpi)
{
    if (!IsUnitKind(kind)) return 0;
    const std::uint32_t target = RescaleDots(dots, dpi, kGeometryDpi);
    std::uint64_t units = UnitsBack(kind, target);
    while (DotsOfUnits(kind, units) < target) ++units;
    return static_cast<std::uint32_t>(units);
}

std::int32_t GetItemDisplaySize(DriverContext* context, std::uint16_t itemId, std::int32_t dots)
{
    if (dots < 0) return 0;
    const std::uint32_t value = itemId ? GetItemOption(context, itemId) : static_cast<std::uint32_t>(dots);
    return static_cast<std::int32_t>(DotsToUnits(DisplayUnitKind(context), value, kGeometryDpi));
}

std::int32_t SetItemDisplaySize(DriverContext* context, std::uint16_t itemId, std::int32_t value)
{
    if (value < 0) return 0;
    const std::uint32_t dots = UnitsToDots(DisplayUnitKind(context), static_cast<std::uint32_t>(value), kGeometryDpi);
    if (itemId) SetItemOption(context, itemId, dots);
    return static_cast<std::int32_t>(dots);
}

BOOL GetFreeSizeLimits(DriverContext* context, std::uint16_t itemId, std::int32_t* outMin, std::int32_t* outMax)
{
    return GetFreeSizeLimitsIn(context, itemId, DisplayUnitKind(context), outMin, outMax);
}

BOOL GetFreeSizeLimitsIn(DriverContext* context, std::uint16_t itemId, std::uint32_t kind, std::int32_t* outMin,
                         std::int32_t* outMax)
{
    const ModelRecord* record = context ? context->modelRecord : GetModelDatabase()->modelRecord;
    if (!record || !IsUnitKind(kind)) return 0;
    if (itemId == wdmFreeSizeWidth) {
        ToDisplayLimits(kind, record->freeSizeMinWidth, record->freeSizeMaxWidth, outMin, outMax);
        return 1;
    }
    if (itemId == wdmFreeSizeLength) {
        ToDisplayLimits(kind, record->freeSizeMinLength, record->freeSizeMaxLength, outMin, outMax);
        return 1;
    }
    return 0;
}

void GetControlDisplayLimits(DriverContext* context, const PageItem* control, std::int32_t* outMin,
                             std::int32_t* outMax)
{
    std::uint32_t minDots = 0;
    std::uint32_t maxDots = 0;
    if (!GetFreeSizeControlLimits(context, control, &minDots, &maxDots) &&
        !FindControlNumericRange(context, control, &minDots, &maxDots)) {
        if (outMin) *outMin = 0;
        if (outMax) *outMax = 0;
        return;
    }
    ToDisplayLimits(DisplayUnitKind(context), minDots, maxDots, outMin, outMax);
}

// ---- paper -----------------------------------------------------------------------------------------

BOOL IsInchPaperRegion(DriverContext* context)
{
    const bool localeInch = GetItemValue(context, rdmDriverType) != 0 && GetItemValue(context, rdmLocaleID) != 0;
    const bool swapped = GetItemValue(context, rdmHiddenFunc16) == 1;
    return localeInch != swapped ? 1 : 0;
}

std::uint16_t GetRegionStandardPaper(DriverContext* context)
{
    std::uint32_t smallPaper = 0;
    NotifySettingsModules(context, kModuleEventSmallStandardPaper, &smallPaper);
    if (IsInchPaperRegion(context)) return smallPaper == 1 ? kPaperLetter : kPaperTabloid;
    return smallPaper == 1 ? kPaperA4 : kPaperA3;
}

BOOL NeedsRegionPaperFit(DriverContext* context)
{
    constexpr std::uint32_t kFrontFuncRegionFit = 0x8;
    constexpr std::uint32_t kScaleTypeFit = 2;
    if ((GetItemValue(context, rdmFrontFunc) & kFrontFuncRegionFit) == 0) return 0;
    if (GetItemValue(context, rdmExtOutput2A4Fit) == 0) return 0;
    const std::uint32_t outPaper = GetItemValue(context, rdmOutPaperSize) & 0xFFFF;
    if (outPaper < kOutputPaperSameOrFit || outPaper > kLastRegionOutputPaper) return 0;
    const std::uint32_t method = GetItemValue(context, rdmPrnMethod);
    if (method == 5 || method == 7) return 0;
    if (GetItemValue(context, rdmFuncSelectScale) != 0 && GetItemValue(context, rdmScaleType) != kScaleTypeFit)
        return 0;
    const std::uint32_t paper = GetItemValue(context, dmPaperSize);
    if (GetRegionStandardPaper(context) == paper) return 0;
    return IsPaperInModeList(context, paper);
}

std::uint16_t GetEffectiveOutputPaper(DriverContext* context)
{
    const auto outPaper = static_cast<std::uint16_t>(GetItemValue(context, rdmOutPaperSize));
    if (outPaper == kOutputPaperSameOrFit) {
        if (!NeedsRegionPaperFit(context)) return static_cast<std::uint16_t>(GetItemValue(context, dmPaperSize));
        return GetRegionStandardPaper(context);
    }
    if (IsRegionOutputPaper(outPaper)) return GetRegionStandardPaper(context);
    return outPaper;
}

void SyncPaperAfterChange(DriverContext* context, std::int16_t kind)
{
    if (!context) return;
    if (kind == kSyncPaperOrScale) {
        SyncPaperOrScale(context);
        return;
    }
    std::uint32_t paper = 0;
    if (kind == kSyncCustomSourcePaper)
        paper = GetItemValue(context, dmPaperSize);
    else if (kind == kSyncCustomOutputPaper)
        paper = GetItemValue(context, rdmOutPaperSize) & 0xFFFF;
    else
        return;
    if (IsCustomSlotPaper(paper)) services::LoadFreeSizeSlot(context, static_cast<int>(paper - kFirstCustomSlotPaper));
}

// ---- character sets and driver id -------------------------------------------------------------

std::uint32_t GetAnsiCharsetCode()
{
    CHARSETINFO info{};
    const auto codePage = static_cast<std::uintptr_t>(GetACP());
    if (!TranslateCharsetInfo(reinterpret_cast<DWORD*>(codePage), &info, TCI_SRCCODEPAGE)) return 0;
    for (const CharsetCode& row : kCharsetCodes) {
        if (row.charset == info.ciCharset) return row.code;
    }
    return 0;
}

void SetAuthCharsetItems(DriverContext* context, std::uint32_t flags)
{
    if (flags & kAuthUserNameCharset) SetItemToAnsiCharsetCode(context, rdmAuthUserNameCharSet);
    if (flags & kAuthPasswordCharset) SetItemToAnsiCharsetCode(context, rdmAuthPasswordCharSet);
}

void SetItemToAnsiCharsetCode(DriverContext* context, std::uint16_t itemId)
{
    SetItemValue(context, itemId, GetAnsiCharsetCode());
}

void LoadDriverIdFromModelFile(DriverContext* context)
{
    if (!context || !context->workArea) return;
    UINT driverId = 0;
    // Only a model INI path with a drive letter is read.
    const WCHAR* modelFile = GetModelFilePath(context);
    if (modelFile && modelFile[0] != 0 && modelFile[1] == u':') {
        WCHAR section[sizeof(ContextWorkArea::driverName) / sizeof(WCHAR)];
        SanitiseSectionName(section, context->workArea->driverName);
        driverId = GetPrivateProfileIntW(section, u"DriverID", 0, modelFile);
    }
    SetItemValue(context, rdmDriverID, driverId);
}

// ---- small queries -----------------------------------------------------------------------------

const SettingControlRef* FindSettingControl(std::uint16_t itemId)
{
    const SettingControlRef* table = GetSettingControlTable();
    const int count = GetSettingControlCount();
    for (int i = 0; i < count; ++i) {
        if (table[i].item == itemId) return &table[i];
    }
    return nullptr;
}

BOOL IsTrayItem(std::uint16_t itemId)
{
    constexpr std::uint16_t kTrayItems[] = {13, 123, 125, 127, 342, 346, 408, 918, 923, 997, 998, 999, 1003, 10288};
    for (std::uint16_t id : kTrayItems) {
        if (id == itemId) return 1;
    }
    if (itemId >= 1005 && itemId <= 1009) return 1;
    if (itemId >= 1120 && itemId <= 1156 && (itemId - 1120) % 4 == 0) return 1;
    if (itemId >= 10276 && itemId <= 10280) return 1;
    return 0;
}

BOOL IsValidTextChar(std::uint16_t ch, int kind)
{
    constexpr std::uint16_t kBackspace = 8;
    const bool printable = ch >= 0x20 && ch < 0x7F;
    if (kind == kTextKindName) return (printable || ch == kBackspace) && ch != u'"' && ch != u':' ? 1 : 0;
    if (kind == kTextKindCode) return printable || ch == kBackspace ? 1 : 0;
    return 0;
}

// ---- administrator locks ----------------------------------------------------------------------

BOOL IsDefaultLocked(DriverContext* context)
{
    return IsItemSet(context, rdmLock000InfoBitDefault);
}
BOOL IsTrayLocked(DriverContext* context)
{
    return IsItemSet(context, rdmLock000InfoBitTray);
}
BOOL IsMediaLocked(DriverContext* context)
{
    return IsItemSet(context, rdmLock000InfoBitMedia);
}
BOOL IsNupKindLocked(DriverContext* context)
{
    return IsItemSet(context, rdmLock000InfoBitNupKind);
}
BOOL IsNupKindAllLocked(DriverContext* context)
{
    return IsItemSet(context, rdmLock000InfoBitNupKindAll);
}
BOOL IsDuplexLocked(DriverContext* context)
{
    return IsItemSet(context, rdmLock000InfoBitDuplex);
}
BOOL IsPrintTypeLocked(DriverContext* context)
{
    return IsItemSet(context, rdmLock000InfoBitPrintType);
}
BOOL IsResolutionLocked(DriverContext* context)
{
    return IsItemSet(context, rdmLock000InfoBitResolution);
}
BOOL IsColorLocked(DriverContext* context)
{
    return IsItemSet(context, rdmLock001InfoBitColor);
}

BOOL IsAnyLockSet(DriverContext* context)
{
    for (std::uint16_t id = rdmLock000InfoBitDefault; id <= rdmLock001InfoBit7; ++id) {
        if (IsItemSet(context, id)) return 1;
    }
    return 0;
}

BOOL GetFreeSizePageTray(DriverContext* context, std::uint32_t* tray, std::uint32_t* orientation)
{
    if (context == nullptr || tray == nullptr || orientation == nullptr) return FALSE;
    if (context->currentPageId == kCustomSizeDialogPage) {
        *tray = GetItemValue(context, wdmFreeSizeTray);
        *orientation = GetItemValue(context, wdmFreeSizeOrient);
        return TRUE;
    }
    if (context->currentPageId == kPaperSizePage) {
        const bool paper = GetItemValue(context, wdmInputFreeSizeType) == 1;
        *tray = GetItemValue(context, paper ? rdmPaperFreeSizeTray : rdmPrintFreeSizeTray);
        *orientation = GetItemValue(context, paper ? rdmPaperFreeSizeOrient : rdmPrintFreeSizeOrient);
        return TRUE;
    }
    return FALSE;
}

int GetFreeSizeControlLimitKind(std::uint16_t controlId)
{
    if (IsListedControl(std::begin(kFreeSizeLengthControls), std::end(kFreeSizeLengthControls), controlId))
        return kFreeSizeLengthLimit;
    if (IsListedControl(std::begin(kFreeSizeWidthControls), std::end(kFreeSizeWidthControls), controlId))
        return kFreeSizeWidthLimit;
    return 0;
}

}  // namespace vexl
