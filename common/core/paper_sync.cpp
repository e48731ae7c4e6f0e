// Paper, scale and resolution kept in step.
#include "common/core/paper_sync.h"

#include "common/core/devmode_public.h"
#include "common/core/devmode_services.h"
#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/core/module_events.h"
#include "common/core/store.h"
#include "common/core/units.h"

#include <utility>

namespace vexl {
namespace {

constexpr std::size_t kOffOrientation = offsetof(DEVMODEW, dmOrientation);
constexpr std::size_t kOffPaperLength = offsetof(DEVMODEW, dmPaperLength);
constexpr std::size_t kOffPaperWidth = offsetof(DEVMODEW, dmPaperWidth);
constexpr std::size_t kOffPrintQuality = offsetof(DEVMODEW, dmPrintQuality);
constexpr std::size_t kOffDuplex = offsetof(DEVMODEW, dmDuplex);

// The DEVMODE the functions work on: the one given, else the store's.
DEVMODEW* DevmodeOf(DriverContext* context, DEVMODEW* devmode)
{
    if (devmode != nullptr) return devmode;
    return reinterpret_cast<DEVMODEW*>(GetStoreBytes(context));
}

bool IsLandscape(DEVMODEW* devmode)
{
    return GetDevmodeShort(devmode, kOffOrientation) == 2;
}

// A dimension less a margin; never below zero.
std::uint32_t LessMargin(std::uint32_t size, std::int64_t margin)
{
    std::int64_t rest = static_cast<std::int64_t>(size) - margin;
    return rest > 0 ? static_cast<std::uint32_t>(rest) : 0;
}

void StoreValue(DriverContext* context, std::uint16_t item, std::uint32_t value)
{
    StoreItemValue(context, FindItem(context, item), value);
}

std::uint16_t OptionOf(DriverContext* context, std::uint16_t item, std::uint32_t paper)
{
    return static_cast<std::uint16_t>(OptionFromStoredValue(context, FindItem(context, item), paper));
}

// A custom size kept inside the model's limits, in 1,200-dpi dots.
std::uint32_t ClampFreeSize(DriverContext* context, std::uint16_t limitItem, std::uint32_t dots)
{
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    if (!GetFreeSizeLimits(context, limitItem, &minimum, &maximum)) return dots;
    std::uint32_t kind = IsMetricUnit(context) ? kUnitTenthMm : kUnitHundredthInch;
    auto units = static_cast<std::int32_t>(DotsToUnits(kind, dots, 1200));
    if (units < minimum) return UnitsToDots(kind, static_cast<std::uint32_t>(minimum), 1200);
    if (units > maximum) return UnitsToDots(kind, static_cast<std::uint32_t>(maximum), 1200);
    return dots;
}

const PaperSizeRow* SlotOf(DriverContext* context, int row)
{
    if (row < 0 || context == nullptr || context->workArea == nullptr) return nullptr;
    return &context->workArea->paperTable[row];
}

void MarkPaperSizeOnly(DEVMODEW* devmode)
{
    SetDevmodeFields(devmode, (GetDevmodeFields(devmode) & ~(DM_PAPERLENGTH | DM_PAPERWIDTH)) | DM_PAPERSIZE);
}

int ComputeSourcePaper(std::uint16_t paper, std::uint16_t item, DEVMODEW* devmode, bool oriented,
                       DriverContext* context)
{
    devmode = DevmodeOf(context, devmode);
    if (context == nullptr || devmode == nullptr) return 0;
    // Margins are 0 when the geometry does not answer.
    PageRect rect{};
    PaperExtent size{};
    bool answered = services::GetPageGeometry(context, &rect, &size, OptionOf(context, item, paper)) != 0;
    if (!answered) rect = PageRect{};
    SetItemValue(context, rdmFuncSelectFreeShortOver, 0);

    if (IsFreeSizeSlotPaper(paper)) {
        services::LoadAllFreeSizeSlotsOnce(context);
        std::uint32_t r = GetItemValue(context, rdmDstResolutionW);
        int row = GetFreeSizeSlotRow(paper);
        services::CachePrintFreeSize(context, row);
        services::SelectSrcFreeSizeSlot(context, row);
        const PaperSizeRow* slot = SlotOf(context, row);
        std::uint32_t width = ClampFreeSize(context, wdmFreeSizeWidth, slot ? slot->width : 0);
        std::uint32_t length = ClampFreeSize(context, wdmFreeSizeLength, slot ? slot->length : 0);
        bool swapped = oriented && IsLandscape(devmode);
        if (swapped) std::swap(length, width);
        bool over = length > kFreeShortOverLimit || width > kFreeShortOverLimit;
        SetItemValue(context, rdmFuncSelectFreeShortOver, over ? 1 : 0);
        std::uint32_t lengthDots = RescaleFrom1200(length, r);
        std::uint32_t widthDots = RescaleFrom1200(width, r);
        StoreValue(context, rdmSrcPaperLengthDot, lengthDots);
        StoreValue(context, rdmSrcPaperWidthDot, widthDots);
        StoreValue(context, rdmSrcPaperPrnLengthDot, LessMargin(lengthDots, rect.top));
        StoreValue(context, rdmSrcPaperPrnWidthDot, LessMargin(widthDots, rect.left));
        StoreValue(context, rdmSrcXOffset, static_cast<std::uint32_t>(rect.left));
        StoreValue(context, rdmSrcYOffset, static_cast<std::uint32_t>(rect.top));
        if (swapped) std::swap(length, width);
        if (!over) {
            FreeSizePaperEventBlock block{devmode, 0};
            services::NotifySettingsModules(context, kModuleEventPaperToDevmode, &block);
            if (block.handled == 0) {
                SetDevmodeField16(devmode, kOffPaperLength,
                                  static_cast<std::uint16_t>(DotsToUnits(kUnitTenthMm, length, 1200)));
                SetDevmodeField16(devmode, kOffPaperWidth,
                                  static_cast<std::uint16_t>(DotsToUnits(kUnitTenthMm, width, 1200)));
            }
            SetDevmodeFields(devmode, GetDevmodeFields(devmode) | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH);
            return 1;
        }
        SetDevmodeField16(devmode, kOffPaperLength, 0);
        SetDevmodeField16(devmode, kOffPaperWidth, 0);
        MarkPaperSizeOnly(devmode);
        return 1;
    }

    BOOL valid = IsValidPaperSize(paper, context);
    if (!valid || !answered) return valid;
    StoreValue(context, rdmSrcPaperLengthDot, static_cast<std::uint32_t>(size.length));
    StoreValue(context, rdmSrcPaperWidthDot, static_cast<std::uint32_t>(size.width));
    StoreValue(context, rdmSrcPaperPrnLengthDot, LessMargin(static_cast<std::uint32_t>(rect.bottom), rect.top));
    StoreValue(context, rdmSrcPaperPrnWidthDot, LessMargin(static_cast<std::uint32_t>(rect.right), rect.left));
    StoreValue(context, rdmSrcXOffset, static_cast<std::uint32_t>(rect.left));
    StoreValue(context, rdmSrcYOffset, static_cast<std::uint32_t>(rect.top));
    PaperExtent optionSize{};
    if (services::GetPaperSizeOfOption(context, &optionSize, OptionOf(context, item, paper))) {
        SetDevmodeField16(devmode, kOffPaperLength, static_cast<std::uint16_t>(optionSize.length));
        SetDevmodeField16(devmode, kOffPaperWidth, static_cast<std::uint16_t>(optionSize.width));
    }
    MarkPaperSizeOnly(devmode);
    return 1;
}

int ComputeOutputPaper(std::uint16_t paper, std::uint16_t item, DEVMODEW* devmode, bool oriented,
                       DriverContext* context)
{
    devmode = DevmodeOf(context, devmode);
    if (context == nullptr || devmode == nullptr) return 0;
    PaperExtent outputSize{};
    if (services::GetOutputPaperSize(context, &outputSize)) {
        SetItemValue(context, rdmDstPaperLengthMM, static_cast<std::uint32_t>(outputSize.length));
        SetItemValue(context, rdmDstPaperWidthMM, static_cast<std::uint32_t>(outputSize.width));
    }
    std::uint32_t value = paper;
    if (value == kOutputPaperSameAsSource) {
        value = GetItemValue(context, dmPaperSize);
        if (IsFreeSizeSlotPaper(value)) {
            for (std::uint16_t i = 0; i < 6; ++i) {
                SetItemValue(context, static_cast<std::uint16_t>(rdmDstPaperLengthDot + i),
                             GetItemValue(context, static_cast<std::uint16_t>(rdmSrcPaperLengthDot + i)));
            }
            return 1;
        }
    }
    SettingItemDescriptor* own = FindItem(context, item);
    std::uint16_t option =
        HasOptionForValue(context, own, value) ? OptionOf(context, item, value) : OptionOf(context, dmPaperSize, value);
    PageRect rect{};
    PaperExtent size{};
    bool answered = services::GetPageGeometry(context, &rect, &size, option) != 0;
    if (!answered) rect = PageRect{};

    if (IsFreeSizeSlotPaper(value)) {
        services::LoadAllFreeSizeSlotsOnce(context);
        int row = GetFreeSizeSlotRow(value);
        services::CachePrintFreeSize(context, row);
        services::SelectFreeSizeSlot(context, row);
        std::uint32_t rx = GetItemValue(context, rdmDstResolutionW);
        std::uint32_t ry = GetItemValue(context, rdmDstResolutionH);
        const PaperSizeRow* slot = SlotOf(context, row);
        std::uint32_t length = slot ? slot->length : 0;
        std::uint32_t width = slot ? slot->width : 0;
        if (oriented && IsLandscape(devmode)) std::swap(length, width);
        std::uint32_t lengthDots = RescaleFrom1200(length, ry);
        std::uint32_t widthDots = RescaleFrom1200(width, rx);
        SetItemValue(context, rdmDstPaperLengthDot, lengthDots);
        SetItemValue(context, rdmDstPaperWidthDot, widthDots);
        SetItemValue(context, rdmDstPaperPrnLengthDot, LessMargin(lengthDots, 2 * static_cast<std::int64_t>(rect.top)));
        SetItemValue(context, rdmDstPaperPrnWidthDot, LessMargin(widthDots, 2 * static_cast<std::int64_t>(rect.left)));
    } else {
        BOOL valid = IsValidPaperSize(value, context);
        if (!valid || !answered) return valid;
        SetItemValue(context, rdmDstPaperLengthDot, static_cast<std::uint32_t>(size.length));
        SetItemValue(context, rdmDstPaperWidthDot, static_cast<std::uint32_t>(size.width));
        SetItemValue(context, rdmDstPaperPrnLengthDot, LessMargin(static_cast<std::uint32_t>(rect.bottom), rect.top));
        SetItemValue(context, rdmDstPaperPrnWidthDot, LessMargin(static_cast<std::uint32_t>(rect.right), rect.left));
    }
    SetItemValue(context, rdmDstXOffset, static_cast<std::uint32_t>(rect.left));
    SetItemValue(context, rdmDstYOffset, static_cast<std::uint32_t>(rect.top));
    return 1;
}

}  // namespace

std::uint32_t RescaleFrom1200(std::uint32_t dots, std::uint32_t dpi)
{
    return RescaleDots(dots, 1200, dpi);
}

int SetSourcePaper(std::uint16_t paper, std::uint16_t item, DriverContext* context, DEVMODEW* devmode)
{
    return ComputeSourcePaper(paper, item, devmode, false, context);
}
int SetSourcePaperOriented(std::uint16_t paper, std::uint16_t item, DriverContext* context, DEVMODEW* devmode)
{
    return ComputeSourcePaper(paper, item, devmode, true, context);
}
int SetOutputPaper(std::uint16_t paper, std::uint16_t item, DriverContext* context, DEVMODEW* devmode)
{
    return ComputeOutputPaper(paper, item, devmode, false, context);
}
int SetOutputPaperOriented(std::uint16_t paper, std::uint16_t item, DriverContext* context, DEVMODEW* devmode)
{
    return ComputeOutputPaper(paper, item, devmode, true, context);
}

void SetSourcePaperFromPublicSize(DEVMODEW* devmode, DriverContext* context)
{
    devmode = DevmodeOf(context, devmode);
    if (context == nullptr || devmode == nullptr) return;
    std::uint32_t quality = GetDevmodeShort(devmode, kOffPrintQuality);
    PageRect rect{};
    PaperExtent size{};
    if (!services::GetPageGeometry(context, &rect, &size, OptionOf(context, dmPaperSize, kUserDefinedPaper))) {
        rect = PageRect{};
    }
    std::uint32_t length = UnitsToDots(kUnitTenthMm, GetDevmodeShort(devmode, kOffPaperLength), quality);
    std::uint32_t width = UnitsToDots(kUnitTenthMm, GetDevmodeShort(devmode, kOffPaperWidth), quality);
    StoreValue(context, rdmSrcPaperLengthDot, length);
    StoreValue(context, rdmSrcPaperWidthDot, width);
    StoreValue(context, rdmSrcPaperPrnLengthDot, LessMargin(length, rect.top));
    StoreValue(context, rdmSrcPaperPrnWidthDot, LessMargin(width, rect.left));
    StoreValue(context, rdmSrcXOffset, static_cast<std::uint32_t>(rect.left));
    StoreValue(context, rdmSrcYOffset, static_cast<std::uint32_t>(rect.top));
}

void SyncPublicDuplex(DEVMODEW* devmode, DriverContext* context)
{
    devmode = DevmodeOf(context, devmode);
    if (context == nullptr || devmode == nullptr) return;
    if (GetItemValue(context, rdmFuncSelectDuplex) == 0) {
        SetDevmodeField16(devmode, kOffDuplex, 1);
        return;
    }
    std::uint32_t duplex = GetDevmodeShort(devmode, kOffDuplex);
    if (GetItemValue(context, wdmCustomFunc0) != 0 && duplex != 2 && duplex != 3) return;
    std::uint32_t type = GetItemValue(context, rdmDuplexType);
    bool landscape = IsLandscape(devmode);
    std::uint16_t value;
    if (type == 0) {
        value = 1;
    } else if (IsValueInNumberedList(0, type)) {
        value = landscape ? 2 : 3;
    } else {
        value = landscape ? 3 : 2;
    }
    SetDevmodeField16(devmode, kOffDuplex, value);
}

void SyncResolutionFromPrintQuality(DEVMODEW*, DriverContext* context)
{
    std::uint32_t quality = GetPrintQuality(context);
    SetYResolutionItem(context, quality);
    SetDstResolutionWItem(context, quality);
    SetDstResolutionHItem(context, quality);
    SetBalanceMacroForResolution(quality, context);
}

void SyncPrintQualityFromResolution(DEVMODEW*, DriverContext* context)
{
    std::uint32_t resolution = GetDstResolutionW(context);
    SetDstResolutionHItem(context, resolution);
    SetPrintQualityItem(context, resolution);
    SetYResolutionItem(context, resolution);
}

void ApplyAllItemTransacts(DriverContext* context)
{
    if (context == nullptr || context->itemTable == nullptr) return;
    for (int i = 0; i < context->itemTable->count; ++i) {
        UiEntryRef entry = services::LookupUiEntry(context->itemTable->items[i].id, context);
        if (entry != 0) services::RunUiTransacts(entry, context);
    }
}

void ApplyItemTransacts(DriverContext* context, std::uint16_t item)
{
    UiEntryRef entry = services::LookupUiEntry(item, context);
    if (entry != 0) services::RunUiTransacts(entry, context);
}

void NotifyModulesRevalidate(DriverContext* context)
{
    services::NotifySettingsModules(context, kModuleEventRevalidateChapters, nullptr);
}

void NotifyModulesPrepare(DriverContext* context)
{
    services::NotifySettingsModules(context, kModuleEventEnsureModuleData, nullptr);
}

BOOL IsFreeSizeSlotPaper(std::uint32_t paper)
{
    return GetFreeSizeSlotRow(paper) >= 0;
}

BOOL IsFreeSizePaper(std::uint32_t paper)
{
    return (paper >= kFirstFreeSizeSlotPaper && paper <= kLastFreeSizeSlotPaper) || paper == kPrinterFreeSizePaper ||
           paper == kUserDefinedPaper;
}

BOOL IsOutputSameAsSource(std::uint32_t paper)
{
    return paper == kOutputPaperSameAsSource;
}

int GetFreeSizeSlotRow(std::uint32_t paper)
{
    if (paper >= kFirstFreeSizeSlotPaper && paper <= kLastFreeSizeSlotPaper) {
        return static_cast<int>(paper - kFirstFreeSizeSlotPaper);
    }
    if (paper == kUserDefinedPaper) return kUserDefinedPaperRow;
    if (paper == kPrinterFreeSizePaper) return kPrinterFreeSizePaperRow;
    return -1;
}

namespace {
int SlotOfPaper(std::uint32_t paper)
{
    if (paper >= kFirstFreeSizeSlotPaper && paper <= kLastFreeSizeSlotPaper) {
        return static_cast<int>(paper - kFirstFreeSizeSlotPaper);
    }
    return -1;
}
}  // namespace

int GetPaperFreeSizeSlot(DriverContext* context)
{
    return SlotOfPaper(GetItemValue(context, dmPaperSize));
}
int GetOutputFreeSizeSlot(DriverContext* context)
{
    return SlotOfPaper(GetItemValue(context, rdmOutPaperSize));
}

std::int32_t GetActiveWatermarkId(DriverContext* context)
{
    if (GetItemValue(context, rdmFuncSelectWaterMark) == 0) return -1;
    return static_cast<std::int32_t>(GetItemValue(context, rdmWmID));
}

// The user quality list in use: rdmUserPrintMacro 32-39 are the lists 0-7,
// as the quality-list loads and stores number them; any other choice (the
// built-in macros, the working list) is none.
std::int32_t GetUserMacroIndex(DriverContext* context)
{
    constexpr std::uint32_t kFirstUserMacro = 32;
    constexpr std::uint32_t kUserMacroCount = 8;
    if (GetItemValue(context, rdmUseUserMacro) != 1) return -1;
    const std::uint32_t macro = GetItemValue(context, rdmUserPrintMacro);
    if (macro < kFirstUserMacro || macro >= kFirstUserMacro + kUserMacroCount) return -1;
    return static_cast<std::int32_t>(macro - kFirstUserMacro);
}

BOOL IsCollateAvailable(DriverContext* context)
{
    return services::IsCollateSelectable(context);
}

}  // namespace vexl
