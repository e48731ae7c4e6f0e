// The service table of the DEVMODE code: each entry starts as the answer its
// owner gives when it has nothing there.
#include "common/core/devmode_services.h"

#include "common/core/items.h"
#include "common/core/modeldb.h"

namespace vexl {
namespace {

// ---- nothing there -----------------------------------------------------------------

UiEntryRef NoUiEntry(std::uint16_t, DriverContext*) { return nullptr; }
std::uint16_t NoUiType(UiEntryRef) { return 0; }
BOOL NoOptionList(UiEntryRef) { return 0; }
BOOL NoOption(UiEntryRef, std::uint16_t) { return 0; }
BOOL NoRange(UiEntryRef, std::int32_t*, std::int32_t*) { return 0; }
std::uint32_t NoJudge(UiEntryRef, std::uint16_t, DriverContext*) { return 0; }
std::uint32_t NoUiDefault(std::uint16_t, DriverContext*) { return 0; }
std::uint16_t NoTransacts(UiEntryRef, DriverContext*) { return 0; }
std::uint16_t NoKeyTransacts(std::uint16_t, std::uint32_t, DriverContext*) { return 0; }
int NoModuleAnswer(DriverContext*, std::uint32_t, void*) { return 0; }
BOOL NoSnapshot(DriverContext*) { return 0; }
// The help file name cannot be read: language 1.
std::uint16_t FirstLanguage(DriverContext*) { return 1; }
std::uint32_t NoCap(DriverContext*) { return 0; }
std::uint32_t NoResolutionCode(DriverContext*, std::uint32_t) { return 0; }
std::uint32_t NoNextResolutionCode(DriverContext*, std::uint32_t, std::uint32_t) { return 0; }
BOOL NoGeometry(DriverContext*, std::uint16_t, PageRect*, PaperExtent*) { return 0; }
BOOL NoPaperSize(DriverContext*, std::uint16_t, PaperExtent*) { return 0; }
BOOL NoOutputSize(DriverContext*, PaperExtent*) { return 0; }
std::uint32_t NoPaperFound(DriverContext*, std::uint32_t, std::uint32_t) { return 0; }
void NothingToLoad(DriverContext*) {}
void NoSlot(DriverContext*, int) {}
BOOL NoQualityList(DriverContext*, int) { return 0; }
void NoQualityMacro(DriverContext*, BOOL) {}
const WCHAR* NoFontName(DriverContext*) { return nullptr; }
BOOL NoStoredDevmode(DriverContext*, std::uint8_t*) { return 0; }
BOOL NoCompanion(DriverContext*, std::uint32_t) { return 0; }
void NoStoredItems(DriverContext*, std::uint32_t, std::uint32_t) {}

const DevmodeServices kDefaultServices = {
    NoUiEntry, NoUiType, NoOptionList, NoOption, NoRange, NoJudge, NoJudge, NoUiDefault, NoTransacts,
    NoKeyTransacts,
    NoModuleAnswer, NoModuleAnswer, NoSnapshot, NoSnapshot,
    FirstLanguage,
    NoCap, NoResolutionCode, NoNextResolutionCode,
    NoGeometry, NoPaperSize, NoOutputSize, NoPaperFound,
    NothingToLoad, NoSlot, NoSlot, NoSlot, NoQualityList, NoQualityMacro, NothingToLoad, NoFontName,
    NoStoredDevmode, NothingToLoad, NoCompanion, NoStoredItems, NothingToLoad, NothingToLoad,
};

DevmodeServices g_services = kDefaultServices;

// ---- unit arithmetic (every division rounds down) --------------------------------------

std::uint32_t DotsToTenthMm(std::uint32_t dots, std::uint32_t dpi) {
    if (dpi == 0) return 0;
    return (dots / dpi) * 254 + (dots % dpi) * 254 / dpi;
}
std::uint32_t DotsToHundredthInch(std::uint32_t dots, std::uint32_t dpi) {
    if (dpi / 100 == 0) return 0;
    return dots / (dpi / 100);
}
std::uint32_t TenthMmToDots(std::uint32_t value, std::uint32_t dpi) {
    return dpi * (value / 254) + dpi * (value % 254) / 254;
}
std::uint32_t HundredthInchToDots(std::uint32_t value, std::uint32_t dpi) { return value * (dpi / 100); }

BOOL IsItemOn(DriverContext* context, std::uint16_t item) { return GetItemValue(context, item) != 0; }

}  // namespace

const DevmodeServices& GetDevmodeServices() { return g_services; }
void SetDevmodeServices(const DevmodeServices& services) { g_services = services; }
const DevmodeServices& GetDefaultDevmodeServices() { return kDefaultServices; }

namespace services {

BOOL IsBuildFeatureOn(std::uint32_t bit) { return bit == 7; }
BOOL IsFeatureClassOn(std::uint32_t featureClass) { return featureClass <= 5; }

std::uint32_t RescaleDots(std::uint32_t dots, std::uint32_t fromDpi, std::uint32_t toDpi) {
    if (fromDpi == 0 || toDpi == 0) return 0;
    return toDpi * (dots / fromDpi) + toDpi * (dots % fromDpi) / fromDpi;
}

// A display value maps to an even 1,200-dpi dot count that converts back to
// no more than the value.
std::uint32_t UnitsToDots(std::uint32_t kind, std::uint32_t value, std::uint32_t dpi) {
    std::uint32_t n;
    if (kind == kUnitTenthMm) {
        n = TenthMmToDots(value, 1200);
    } else if (kind == kUnitHundredthInch) {
        n = HundredthInchToDots(value, 1200);
    } else {
        return 0;
    }
    auto back = [kind](std::uint32_t dots) {
        return kind == kUnitTenthMm ? DotsToTenthMm(dots, 1200) : DotsToHundredthInch(dots, 1200);
    };
    while (n != 0 && (back(n) > value || (n & 1) != 0)) --n;
    return RescaleDots(n, 1200, dpi);
}

// The smallest display value that reaches the dot count.
std::uint32_t DotsToUnits(std::uint32_t kind, std::uint32_t dots, std::uint32_t dpi) {
    std::uint32_t c = RescaleDots(dots, dpi, 1200);
    std::uint32_t i;
    if (kind == kUnitTenthMm) {
        i = DotsToTenthMm(c, 1200);
        while (TenthMmToDots(i, 1200) < c) ++i;
    } else if (kind == kUnitHundredthInch) {
        i = DotsToHundredthInch(c, 1200);
        while (HundredthInchToDots(i, 1200) < c) ++i;
    } else {
        return 0;
    }
    return i;
}

BOOL IsMetricUnit(DriverContext* context) { return GetItemValue(context, rdmDspUnit) == 0; }

BOOL GetFreeSizeLimits(DriverContext* context, std::uint16_t item, std::int32_t* outMin, std::int32_t* outMax) {
    if (context == nullptr || context->modelRecord == nullptr) return 0;
    const ModelRecord* record = context->modelRecord;
    std::uint32_t minDots;
    std::uint32_t maxDots;
    if (item == wdmFreeSizeWidth) {
        minDots = record->freeSizeMinWidth;
        maxDots = record->freeSizeMaxWidth;
    } else if (item == wdmFreeSizeLength) {
        minDots = record->freeSizeMinLength;
        maxDots = record->freeSizeMaxLength;
    } else {
        return 0;
    }
    std::uint32_t kind = IsMetricUnit(context) ? kUnitTenthMm : kUnitHundredthInch;
    // The maximum is rounded down and the minimum up, so both stay reachable.
    std::uint32_t maximum = DotsToUnits(kind, maxDots, 1200);
    if (maximum > 0 && UnitsToDots(kind, maximum, 1200) > maxDots) --maximum;
    std::uint32_t minimum = DotsToUnits(kind, minDots, 1200);
    if (UnitsToDots(kind, minimum, 1200) < minDots) ++minimum;
    if (outMin) *outMin = static_cast<std::int32_t>(minimum);
    if (outMax) *outMax = static_cast<std::int32_t>(maximum);
    return 1;
}

BOOL IsKnownLanguageId(std::uint16_t id) {
    for (const LanguageEntry* row = GetLanguageTable(); row && row->languageId != kLanguageTableEnd; ++row) {
        if (row->languageId == id) return 1;
    }
    return 0;
}

BOOL IsTrayLocked(DriverContext* context) { return IsItemOn(context, rdmLock000InfoBitTray); }
BOOL IsMediaLocked(DriverContext* context) { return IsItemOn(context, rdmLock000InfoBitMedia); }
BOOL IsNupKindLocked(DriverContext* context) { return IsItemOn(context, rdmLock000InfoBitNupKind); }
BOOL IsDuplexLocked(DriverContext* context) { return IsItemOn(context, rdmLock000InfoBitDuplex); }
BOOL IsPrintTypeLocked(DriverContext* context) { return IsItemOn(context, rdmLock000InfoBitPrintType); }
BOOL IsResolutionLocked(DriverContext* context) { return IsItemOn(context, rdmLock000InfoBitResolution); }
BOOL IsColorLocked(DriverContext* context) { return IsItemOn(context, rdmLock001InfoBitColor); }

// Code page 1252 is the Western character set, code 0.
std::uint32_t GetAnsiCharsetCode() { return 0; }

void SetAuthCharsetItems(DriverContext* context, std::uint32_t flags) {
    if (flags & 1) SetItemValue(context, rdmAuthUserNameCharSet, GetAnsiCharsetCode());
    if (flags & 2) SetItemValue(context, rdmAuthPasswordCharSet, GetAnsiCharsetCode());
}

std::uint32_t GetResolutionCodeDpi(std::uint32_t code) {
    for (const ResolutionEntry* row = GetResolutionTable(); row && (row->code != 0 || row->xDpi != 0); ++row) {
        if (row->code == code) return row->xDpi;
    }
    return 0;
}

BOOL IsCollateSelectable(DriverContext*) {
    const ValueList* list = FindItemValueList(rdmSortType);
    if (list == nullptr || list->count == 0) return 0;
    return !(list->count == 1 && list->values[0] == 0);
}

}  // namespace services
}  // namespace vexl
