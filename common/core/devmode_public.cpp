// The public DEVMODE: the rules of its fields, their defaults and
// validation, the public merge and the syncs after a merge or a load.
#include "common/core/devmode_public.h"

#include "common/core/devmode_merge.h"
#include "common/core/devmode_services.h"
#include "common/core/item_handlers.h"
#include "common/core/items.h"
#include "common/core/languages.h"
#include "common/core/le.h"
#include "common/core/module_events.h"
#include "common/core/paper_sync.h"
#include "common/core/printer.h"
#include "common/core/resolution_table.h"
#include "common/core/store.h"
#include "common/core/switches.h"
#include "common/core/units.h"

#include <algorithm>
#include <cstring>

namespace vexl {
namespace {

using services::GetUiRawType;
using services::GetUiType;
using services::LookupUiEntry;

// Offsets of the public fields.
constexpr std::size_t kOffSpecVersion = offsetof(DEVMODEW, dmSpecVersion);
constexpr std::size_t kOffDriverVersion = offsetof(DEVMODEW, dmDriverVersion);
constexpr std::size_t kOffSize = offsetof(DEVMODEW, dmSize);
constexpr std::size_t kOffDriverExtra = offsetof(DEVMODEW, dmDriverExtra);
constexpr std::size_t kOffFields = offsetof(DEVMODEW, dmFields);
constexpr std::size_t kOffOrientation = offsetof(DEVMODEW, dmOrientation);
constexpr std::size_t kOffPaperSize = offsetof(DEVMODEW, dmPaperSize);
constexpr std::size_t kOffPaperLength = offsetof(DEVMODEW, dmPaperLength);
constexpr std::size_t kOffPaperWidth = offsetof(DEVMODEW, dmPaperWidth);
constexpr std::size_t kOffScale = offsetof(DEVMODEW, dmScale);
constexpr std::size_t kOffCopies = offsetof(DEVMODEW, dmCopies);
constexpr std::size_t kOffDefaultSource = offsetof(DEVMODEW, dmDefaultSource);
constexpr std::size_t kOffPrintQuality = offsetof(DEVMODEW, dmPrintQuality);
constexpr std::size_t kOffColor = offsetof(DEVMODEW, dmColor);
constexpr std::size_t kOffDuplex = offsetof(DEVMODEW, dmDuplex);
constexpr std::size_t kOffYResolution = offsetof(DEVMODEW, dmYResolution);
constexpr std::size_t kOffTTOption = offsetof(DEVMODEW, dmTTOption);
constexpr std::size_t kOffCollate = offsetof(DEVMODEW, dmCollate);
constexpr std::size_t kOffFormName = offsetof(DEVMODEW, dmFormName);
constexpr std::size_t kOffLogPixels = offsetof(DEVMODEW, dmLogPixels);
constexpr std::size_t kOffBitsPerPel = offsetof(DEVMODEW, dmBitsPerPel);
constexpr std::size_t kOffPelsWidth = offsetof(DEVMODEW, dmPelsWidth);
constexpr std::size_t kOffPelsHeight = offsetof(DEVMODEW, dmPelsHeight);
constexpr std::size_t kOffDisplayFlags = offsetof(DEVMODEW, dmDisplayFlags);
constexpr std::size_t kOffDisplayFrequency = offsetof(DEVMODEW, dmDisplayFrequency);
constexpr std::size_t kOffICMMethod = offsetof(DEVMODEW, dmICMMethod);
constexpr std::size_t kOffICMIntent = offsetof(DEVMODEW, dmICMIntent);
constexpr std::size_t kOffMediaType = offsetof(DEVMODEW, dmMediaType);
constexpr std::size_t kOffDitherType = offsetof(DEVMODEW, dmDitherType);
constexpr std::size_t kOffPanningWidth = offsetof(DEVMODEW, dmPanningWidth);
constexpr std::size_t kOffPanningHeight = offsetof(DEVMODEW, dmPanningHeight);

std::int32_t Signed(std::uint32_t value)
{
    return static_cast<std::int32_t>(value);
}

const ModelRecord* RecordOf(DriverContext* context)
{
    return context && context->modelRecord ? context->modelRecord : GetModelDatabase()->modelRecord;
}

// The x resolution of a resolution code of the model database; 0 when unknown.
std::uint32_t ResolutionDpiOf(std::uint32_t code)
{
    const ResolutionEntry* row = code <= 0xFFFF ? FindResolutionEntry(static_cast<std::uint16_t>(code)) : nullptr;
    return row ? row->xDpi : 0;
}

std::uint32_t MergeFlagsOf(DriverContext* context)
{
    return context && context->workArea ? context->workArea->mergeFlags : 0;
}
bool InRange(std::uint32_t value, std::int32_t low, std::int32_t high)
{
    return Signed(value) >= low && Signed(value) <= high;
}

bool HasReadableHeader(const DEVMODEW* devmode)
{
    return devmode != nullptr && GetDevmodeField16(devmode, kOffSize) >= kMinPublicDevmodeSize;
}

// ---- public field defaults ---------------------------------------------------------------------

enum class BitRule { kLeave, kSet, kClear };

void ApplyBit(DEVMODEW* devmode, std::uint32_t bit, BitRule rule)
{
    std::uint32_t fields = GetDevmodeFields(devmode);
    if (rule == BitRule::kSet) SetDevmodeFields(devmode, fields | bit);
    if (rule == BitRule::kClear) SetDevmodeFields(devmode, fields & ~bit);
}

void SetBit(DEVMODEW* devmode, std::uint32_t bit)
{
    ApplyBit(devmode, bit, BitRule::kSet);
}
void ClearBit(DEVMODEW* devmode, std::uint32_t bit)
{
    ApplyBit(devmode, bit, BitRule::kClear);
}
bool HasBit(const DEVMODEW* devmode, std::uint32_t bit)
{
    return (GetDevmodeFields(devmode) & bit) != 0;
}

// One public field: where it is, how wide, its item, its dmFields bit, its
// default from the ModelRecord and what its default step does to the bit.
struct PublicFieldRule {
    std::uint16_t item;
    std::size_t offset;
    std::uint8_t width;
    std::uint32_t bit;
    std::uint32_t (*defaultOf)(const ModelRecord& record);
    BitRule bitOnDefault;
};

const PublicFieldRule kPublicFieldRules[] = {
    {dmSpecVersion, kOffSpecVersion, 2, 0, [](const ModelRecord& r) -> std::uint32_t { return r.specVersion; },
     BitRule::kLeave},
    {dmDriverVersion, kOffDriverVersion, 2, 0, [](const ModelRecord& r) -> std::uint32_t { return r.driverVersion; },
     BitRule::kLeave},
    {dmSize, kOffSize, 2, 0, [](const ModelRecord&) { return GetPublicDevmodeSize(); }, BitRule::kLeave},
    {dmDriverExtra, kOffDriverExtra, 2, 0, [](const ModelRecord&) { return GetDevmodeSize() - GetPublicDevmodeSize(); },
     BitRule::kLeave},
    {dmFields, kOffFields, 4, 0, [](const ModelRecord& r) -> std::uint32_t { return r.fieldsDefault; },
     BitRule::kLeave},
    {dmOrientation, kOffOrientation, 2, DM_ORIENTATION,
     [](const ModelRecord& r) -> std::uint32_t { return r.defaultOrientation; }, BitRule::kSet},
    {dmPaperSize, kOffPaperSize, 2, DM_PAPERSIZE,
     [](const ModelRecord& r) -> std::uint32_t { return r.defaultPaperSize; }, BitRule::kSet},
    {dmPaperLength, kOffPaperLength, 2, DM_PAPERLENGTH,
     [](const ModelRecord& r) -> std::uint32_t { return r.defaultPaperLength; }, BitRule::kClear},
    {dmPaperWidth, kOffPaperWidth, 2, DM_PAPERWIDTH,
     [](const ModelRecord& r) -> std::uint32_t { return r.defaultPaperWidth; }, BitRule::kClear},
    {dmScale, kOffScale, 2, DM_SCALE, [](const ModelRecord& r) -> std::uint32_t { return r.defaultScale; },
     BitRule::kLeave},
    {dmCopies, kOffCopies, 2, DM_COPIES, [](const ModelRecord& r) -> std::uint32_t { return r.defaultCopies; },
     BitRule::kSet},
    {dmDefaultSource, kOffDefaultSource, 2, DM_DEFAULTSOURCE,
     [](const ModelRecord& r) -> std::uint32_t { return r.defaultSource; }, BitRule::kSet},
    {dmPrintQuality, kOffPrintQuality, 2, DM_PRINTQUALITY,
     [](const ModelRecord& r) -> std::uint32_t { return r.defaultPrintQuality; }, BitRule::kSet},
    {dmColor, kOffColor, 2, DM_COLOR, [](const ModelRecord& r) -> std::uint32_t { return r.defaultColor; },
     BitRule::kLeave},
    {dmDuplex, kOffDuplex, 2, DM_DUPLEX, [](const ModelRecord& r) -> std::uint32_t { return r.defaultDuplex; },
     BitRule::kSet},
    {dmYResolution, kOffYResolution, 2, DM_YRESOLUTION,
     [](const ModelRecord& r) -> std::uint32_t { return r.defaultYResolution; }, BitRule::kLeave},
    {dmTTOption, kOffTTOption, 2, DM_TTOPTION, [](const ModelRecord& r) -> std::uint32_t { return r.defaultTTOption; },
     BitRule::kSet},
    {dmCollate, kOffCollate, 2, DM_COLLATE, [](const ModelRecord& r) -> std::uint32_t { return r.defaultCollate; },
     BitRule::kLeave},
    {dmLogPixels, kOffLogPixels, 2, 0, [](const ModelRecord&) -> std::uint32_t { return 0; }, BitRule::kLeave},
    {dmBitsPerPel, kOffBitsPerPel, 4, 0, [](const ModelRecord&) -> std::uint32_t { return 0; }, BitRule::kLeave},
    {dmPelsWidth, kOffPelsWidth, 4, 0, [](const ModelRecord&) -> std::uint32_t { return 0; }, BitRule::kLeave},
    {dmPelsHeight, kOffPelsHeight, 4, 0, [](const ModelRecord&) -> std::uint32_t { return 0; }, BitRule::kLeave},
    {dmDisplayFlags, kOffDisplayFlags, 4, 0, [](const ModelRecord&) -> std::uint32_t { return 0; }, BitRule::kLeave},
    {dmDisplayFrequency, kOffDisplayFrequency, 4, 0, [](const ModelRecord&) -> std::uint32_t { return 0; },
     BitRule::kLeave},
    {dmICMMethod, kOffICMMethod, 4, DM_ICMMETHOD,
     [](const ModelRecord& r) -> std::uint32_t { return r.defaultICMMethod; }, BitRule::kLeave},
    {dmICMIntent, kOffICMIntent, 4, DM_ICMINTENT,
     [](const ModelRecord& r) -> std::uint32_t { return r.defaultICMIntent; }, BitRule::kLeave},
    {dmMediaType, kOffMediaType, 4, DM_MEDIATYPE,
     [](const ModelRecord& r) -> std::uint32_t { return r.defaultMediaType; }, BitRule::kLeave},
    {dmDitherType, kOffDitherType, 4, DM_DITHERTYPE,
     [](const ModelRecord& r) -> std::uint32_t { return r.defaultDitherType; }, BitRule::kLeave},
    {dmPanningWidth, kOffPanningWidth, 4, 0, [](const ModelRecord&) -> std::uint32_t { return 0; }, BitRule::kLeave},
    {dmPanningHeight, kOffPanningHeight, 4, 0, [](const ModelRecord&) -> std::uint32_t { return 0; }, BitRule::kLeave},
};

const PublicFieldRule* FindFieldRule(std::uint16_t item)
{
    for (const PublicFieldRule& rule : kPublicFieldRules) {
        if (rule.item == item) return &rule;
    }
    return nullptr;
}

std::uint32_t ReadField(const DEVMODEW* devmode, const PublicFieldRule& rule)
{
    return rule.width == 2 ? GetDevmodeField16(devmode, rule.offset) : GetDevmodeField32(devmode, rule.offset);
}

// A SHORT field read sign-extended.
std::uint32_t ReadShort(const DEVMODEW* devmode, std::size_t offset)
{
    return GetDevmodeShort(devmode, offset);
}

void WriteField(DEVMODEW* devmode, const PublicFieldRule& rule, std::uint32_t value)
{
    if (rule.width == 2) {
        SetDevmodeField16(devmode, rule.offset, static_cast<std::uint16_t>(value));
    } else {
        SetDevmodeField32(devmode, rule.offset, value);
    }
}

// The default step of one field; the form name has its own.
void ApplyFieldDefault(DEVMODEW* devmode, std::uint16_t item, DriverContext* context)
{
    if (item == dmFormName) {
        const WCHAR* name = RecordOf(context)->formName;
        if (name != nullptr) SetDevmodeFormName(devmode, name);
        ClearBit(devmode, DM_FORMNAME);
        return;
    }
    const PublicFieldRule* rule = FindFieldRule(item);
    if (rule == nullptr) return;
    WriteField(devmode, *rule, rule->defaultOf(*RecordOf(context)));
    if (rule->bit != 0) ApplyBit(devmode, rule->bit, rule->bitOnDefault);
}

std::uint32_t ModelDefaultOf(std::uint16_t item, DriverContext* context)
{
    const PublicFieldRule* rule = FindFieldRule(item);
    return rule ? rule->defaultOf(*RecordOf(context)) : 0;
}

// A rejected field: the model default through the item when the item has a
// UI entry, else the ModelRecord's default.
void ResetFieldToDefault(DEVMODEW* devmode, std::uint16_t item, DriverContext* context)
{
    SettingItemDescriptor* descriptor = FindItem(context, item);
    if (descriptor != nullptr && LookupUiEntry(item, context) != 0) {
        ResetItemToModelDefault(context, descriptor);
        return;
    }
    const PublicFieldRule* rule = FindFieldRule(item);
    if (rule != nullptr) WriteField(devmode, *rule, ModelDefaultOf(item, context));
}

bool IsWithinUiRange(std::uint16_t item, std::uint32_t value, DriverContext* context)
{
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    if (!services::GetUiNumericRange(LookupUiEntry(item, context), context, &minimum, &maximum)) return false;
    return Signed(value) >= minimum && Signed(value) <= maximum;
}

bool IsFormNameEmpty(const DEVMODEW* devmode)
{
    return GetDevmodeField16(devmode, kOffFormName) == 0;
}

// The collate rule of the validation and of the merge.
void ApplyCollateRule(DEVMODEW* devmode, DriverContext* context)
{
    if (!IsCollateAvailable(context)) {
        ClearBit(devmode, DM_COLLATE);
        SetDevmodeField16(devmode, kOffCollate, 0);
        return;
    }
    if (HasBit(devmode, DM_COLLATE)) return;
    SetDevmodeField16(devmode, kOffCollate, GetItemValue(context, rdmFuncSelectSort) ? 1 : 0);
    SetBit(devmode, DM_COLLATE);
}

// Whether the field passes its validation rule (the bit handling is the
// caller's).
bool IsPublicFieldKept(DEVMODEW* devmode, const PublicFieldRule& rule, DriverContext* context)
{
    std::uint16_t item = rule.item;
    std::uint16_t ui = services::GetUiTypeOfItem(item, context);
    std::uint32_t value = rule.width == 2 ? ReadShort(devmode, rule.offset) : ReadField(devmode, rule);
    auto within = [&] { return ui == kUiTypeNumeric && IsWithinUiRange(item, value, context); };
    switch (item) {
    case dmSpecVersion:
    case dmDriverVersion:
    case dmSize:
    case dmDriverExtra:
    case dmFields:
        return LookupUiEntry(item, context) != 0;
    case dmOrientation:
        return ui == kUiTypePickOne && (value == 1 || value == 2);
    case dmPaperSize:
        return ui == kUiTypePickPage && (InRange(value, 1, 118) || Signed(value) >= 256);
    case dmScale:
        return within() || (ui == kUiTypePickOne && Signed(value) > 0);
    case dmCopies:
        return within() && Signed(value) > 0;
    case dmDefaultSource:
        return ui == kUiTypePickSlot && (InRange(value, 1, 15) || Signed(value) >= 256);
    case dmPrintQuality:
        return (ui == kUiTypePickOne && Signed(value) > 0) || within() || InRange(value, -4, -1);
    case dmColor:
    case dmTTOption:
        return ui == kUiTypePickOne && Signed(value) > 0;
    case dmDuplex:
        return (ui == kUiTypePickOne || ui == kUiTypeBoolean) && Signed(value) > 0;
    case dmYResolution:
        return (ui == kUiTypePickOne && Signed(value) > 0) || within();
    case dmICMMethod:
    case dmICMIntent:
    case dmDitherType:
    case dmMediaType:
        return ui == kUiTypePickOne && value != 0;
    default:
        return true;  // the display and panning fields
    }
}

void ValidatePaperDimension(DEVMODEW* devmode, std::uint16_t item, DriverContext* context)
{
    bool isLength = item == dmPaperLength;
    std::size_t own = isLength ? kOffPaperLength : kOffPaperWidth;
    std::size_t other = isLength ? kOffPaperWidth : kOffPaperLength;
    std::uint32_t bit = isLength ? DM_PAPERLENGTH : DM_PAPERWIDTH;
    std::int32_t value = Signed(ReadShort(devmode, own));
    if (services::GetUiTypeOfItem(item, context) == kUiTypeNumeric && value >= 0) {
        if (value > 0) ApplyBit(devmode, bit, Signed(ReadShort(devmode, other)) > 0 ? BitRule::kSet : BitRule::kClear);
        return;
    }
    ApplyFieldDefault(devmode, item, context);
}

// The user-defined paper size in dots from dmPaperLength and dmPaperWidth.
void WriteUserSizeItems(DriverContext* context, const DEVMODEW* devmode)
{
    std::uint32_t length = ReadShort(devmode, kOffPaperLength);
    std::uint32_t width = ReadShort(devmode, kOffPaperWidth);
    StoreItemValue(context, FindItem(context, rdmPaperFreeSizeLength), UnitsToDots(kUnitTenthMm, length, 1200));
    StoreItemValue(context, FindItem(context, rdmPaperFreeSizeWidth), UnitsToDots(kUnitTenthMm, width, 1200));
}

void SetDimensionsFromOption(DEVMODEW* dst, std::uint32_t paper, DriverContext* context)
{
    SettingItemDescriptor* descriptor = FindItem(context, dmPaperSize);
    auto option = static_cast<std::uint16_t>(OptionFromStoredValue(context, descriptor, paper));
    PaperExtent size{};
    if (!services::GetPaperSizeOfOption(context, &size, option)) return;
    SetDevmodeField16(dst, kOffPaperLength, static_cast<std::uint16_t>(size.length));
    SetDevmodeField16(dst, kOffPaperWidth, static_cast<std::uint16_t>(size.width));
}

// A custom-size paper's dimensions from its slot.
void SetDimensionsFromSlot(DEVMODEW* dst, std::uint32_t paper, DriverContext* context)
{
    int row = GetFreeSizeSlotRow(paper);
    services::LoadAllFreeSizeSlotsOnce(context);
    services::CachePrintFreeSize(context, row);
    if (row < 0 || context->workArea == nullptr) return;
    const PaperSizeRow& slot = context->workArea->paperTable[row];
    SetDevmodeField16(dst, kOffPaperLength, static_cast<std::uint16_t>(DotsToUnits(kUnitTenthMm, slot.length, 1200)));
    SetDevmodeField16(dst, kOffPaperWidth, static_cast<std::uint16_t>(DotsToUnits(kUnitTenthMm, slot.width, 1200)));
}

void MergePaper(DEVMODEW* dst, const DEVMODEW* src, std::uint32_t fields, DriverContext* context)
{
    bool shortOver = GetItemValue(context, rdmFuncSelectFreeShortOver) == 1;
    std::int32_t srcLength = Signed(ReadShort(src, kOffPaperLength));
    std::int32_t srcWidth = Signed(ReadShort(src, kOffPaperWidth));
    std::uint32_t srcPaper = GetDevmodeField16(src, kOffPaperSize);
    // A user-defined paper is a size; an oversized custom paper a paper.
    if (srcPaper == kUserDefinedPaper) fields = (fields & ~DM_PAPERSIZE) | DM_PAPERLENGTH | DM_PAPERWIDTH;
    if (shortOver) fields = (fields & ~(DM_PAPERLENGTH | DM_PAPERWIDTH)) | DM_PAPERSIZE;

    bool userSize = (fields & DM_PAPERLENGTH) && (fields & DM_PAPERWIDTH) && !(fields & DM_PAPERSIZE);
    if (userSize && srcLength > 0 && srcWidth > 0) {
        SetDevmodeField16(dst, kOffPaperSize, static_cast<std::uint16_t>(srcPaper));
        SetDevmodeField16(dst, kOffPaperLength, static_cast<std::uint16_t>(srcLength));
        SetDevmodeField16(dst, kOffPaperWidth, static_cast<std::uint16_t>(srcWidth));
        SetBit(dst, DM_PAPERLENGTH | DM_PAPERWIDTH);
        ApplyBit(dst, DM_PAPERSIZE, GetItemValue(context, rdmHidden2Func24) ? BitRule::kSet : BitRule::kClear);
        DEVMODEW* param = dst;
        services::NotifySettingsModules(context, kModuleEventPaperFromDevmode, &param);
        WriteUserSizeItems(context, dst);
        return;
    }
    if (fields & DM_PAPERSIZE) {
        if (IsFreeSizeSlotPaper(srcPaper)) {
            SetDevmodeField16(dst, kOffPaperSize, static_cast<std::uint16_t>(srcPaper));
            if (shortOver) {
                ClearBit(dst, DM_PAPERLENGTH | DM_PAPERWIDTH);
            } else {
                SetDimensionsFromSlot(dst, srcPaper, context);
                SetBit(dst, DM_PAPERLENGTH | DM_PAPERWIDTH);
            }
        } else if (IsValidPaperSize(srcPaper, context)) {
            SetDevmodeField16(dst, kOffPaperSize, static_cast<std::uint16_t>(srcPaper));
            ClearBit(dst, DM_PAPERLENGTH | DM_PAPERWIDTH);
            if (!shortOver) SetDimensionsFromOption(dst, srcPaper, context);
        } else {
            ResetFieldToDefault(dst, dmPaperSize, context);
            ClearBit(dst, DM_PAPERLENGTH | DM_PAPERWIDTH);
        }
        SetBit(dst, DM_PAPERSIZE);
        return;
    }
    if (fields & DM_ORIENTATION) {
        bool completeUserSize = HasBit(dst, DM_PAPERLENGTH) && HasBit(dst, DM_PAPERWIDTH) &&
                                Signed(ReadShort(dst, kOffPaperLength)) > 0 &&
                                Signed(ReadShort(dst, kOffPaperWidth)) > 0;
        std::uint32_t dstPaper = GetDevmodeField16(dst, kOffPaperSize);
        if (HasBit(dst, DM_PAPERSIZE) && !completeUserSize && !IsFreeSizeSlotPaper(dstPaper)) {
            SetDimensionsFromOption(dst, dstPaper, context);
        }
        return;
    }
    if (fields & DM_FORMNAME) {
        WCHAR name[CCHFORMNAME];
        GetDevmodeFormName(src, name);
        if (name[0] == 0) {
            SetDevmodeFormName(dst, u"");
            ClearBit(dst, DM_FORMNAME);
        } else if (!IsFormNameEmpty(dst)) {
            SetDevmodeFormName(dst, name);
            SetBit(dst, DM_FORMNAME);
        } else {
            ClearBit(dst, DM_FORMNAME);
        }
    }
}

// Scale and copies: outside the limits the ModelRecord's default.
void MergeLimited(DEVMODEW* dst, std::uint16_t item, std::size_t offset, std::uint32_t low, std::uint32_t high,
                  DriverContext* context)
{
    std::int32_t minimum = static_cast<std::int32_t>(low);
    std::int32_t maximum = static_cast<std::int32_t>(high);
    if (services::GetUiTypeOfItem(item, context) == kUiTypeNumeric) {
        services::GetUiNumericRange(LookupUiEntry(item, context), context, &minimum, &maximum);
    }
    std::int32_t value = Signed(ReadShort(dst, offset));
    if (value < minimum || value > maximum) {
        SetDevmodeField16(dst, offset, static_cast<std::uint16_t>(ModelDefaultOf(item, context)));
    }
}

// A field kept with its bit when its validator accepts it, else its default.
void KeepValidOrDefault(DEVMODEW* dst, std::uint16_t item, BOOL (*validator)(std::uint32_t, DriverContext*),
                        bool bitWithDefault, DriverContext* context)
{
    const PublicFieldRule* rule = FindFieldRule(item);
    std::uint32_t value = rule->width == 2 ? ReadShort(dst, rule->offset) : ReadField(dst, *rule);
    if (validator(value, context)) {
        SetBit(dst, rule->bit);
        return;
    }
    WriteField(dst, *rule, ModelDefaultOf(item, context));
    ApplyBit(dst, rule->bit, bitWithDefault ? BitRule::kSet : BitRule::kClear);
}

// The fields the merge copies first, by their bits (the form name has its own step).
constexpr std::uint16_t kMergedFieldItems[] = {
    dmOrientation,   dmPaperSize,    dmPaperLength, dmPaperWidth, dmScale,       dmCopies,
    dmDefaultSource, dmPrintQuality, dmColor,       dmDuplex,     dmYResolution, dmTTOption,
    dmCollate,       dmICMMethod,    dmICMIntent,   dmMediaType,  dmDitherType,
};

// Whether the public record of src reaches the field.
bool Reaches(const DEVMODEW* devmode, const PublicFieldRule& rule)
{
    return rule.offset + rule.width <= GetDevmodeField16(devmode, kOffSize);
}

// A complete user-defined size in a DEVMODE with the given bits.
bool IsCompleteUserSize(std::uint32_t bits, const DEVMODEW* devmode)
{
    return (bits & DM_PAPERLENGTH) && (bits & DM_PAPERWIDTH) && Signed(ReadShort(devmode, kOffPaperLength)) > 0 &&
           Signed(ReadShort(devmode, kOffPaperWidth)) > 0;
}

void SyncDuplexType(DEVMODEW* merged, DriverContext* context)
{
    std::uint32_t duplex = ReadShort(merged, kOffDuplex);
    if (duplex != 2 && duplex != 3) {
        if (GetItemValue(context, wdmCustomFunc0) == 0) SetItemValue(context, rdmFuncSelectDuplex, 0);
        return;
    }
    bool longEdgeList = (duplex == 2 && ReadShort(merged, kOffOrientation) == 2) ||
                        (duplex == 3 && ReadShort(merged, kOffOrientation) != 2);
    if (GetItemValue(context, rdmFuncSelectDuplex) == 0) {
        SetItemValue(context, rdmFuncSelectDuplex, 1);
        SetItemValue(context, rdmDuplexType, longEdgeList ? 1 : 3);
        return;
    }
    std::uint32_t type = GetItemValue(context, rdmDuplexType);
    if (longEdgeList) {
        if (IsValueInNumberedList(0, type)) return;
        SetItemValue(context, rdmDuplexType,
                     IsValueInNumberedList(9, type)    ? 17
                     : IsValueInNumberedList(10, type) ? 20
                                                       : 1);
    } else {
        if (IsValueInNumberedList(1, type)) return;
        SetItemValue(context, rdmDuplexType,
                     IsValueInNumberedList(11, type)   ? 19
                     : IsValueInNumberedList(12, type) ? 22
                                                       : 3);
    }
}

// rdmPresentUIMode, rdmBidiSupport and rdmServerClientMode as at context
// initialisation.
void SetPresentationFlags(DriverContext* context)
{
    SetUiModeChangeFlag(context, GetItemValue(context, rdmUIModeChange) ? 1 : 0);
    SetBidiEnabledFlag(context, IsPrinterBidiEnabled(context) ? 1 : 0);
    SetConnectionFlag(context, IsPrinterConnection(context) ? 1 : 0);
}

bool IsOtherCodeEmpty(DriverContext* context)
{
    SettingItemDescriptor* descriptor = FindItem(context, rdmOther);
    const std::uint8_t* address = GetItemAddress(context, descriptor);
    return address != nullptr && address[0] == 0;
}

// The user-defined size fitted to a standard output paper (build feature 4).
void FitUserSizeToStandardPaper(const DEVMODEW* merged, const DEVMODEW* caller, DriverContext* context)
{
    if (GetItemValue(context, rdmHidden2Func15) != 1) return;
    std::uint32_t both = GetDevmodeFields(merged) & GetDevmodeFields(caller);
    std::uint32_t callerPaper = GetDevmodeField16(caller, kOffPaperSize);
    bool userSize = IsCompleteUserSize(both, caller) && callerPaper == kUserDefinedPaper;
    bool slotPaper = (GetDevmodeFields(caller) & DM_PAPERSIZE) && callerPaper >= kFirstFreeSizeSlotPaper &&
                     callerPaper <= kLastFreeSizeSlotPaper;
    if (!userSize && !slotPaper) return;
    if (GetItemValue(context, rdmOutPaperSize) != kOutputPaperSameAsSource) return;
    if (GetItemValue(context, rdmFuncSelectNup) != 0) return;
    std::uint32_t duplexType = GetItemValue(context, rdmDuplexType);
    if (GetItemValue(context, rdmFuncSelectDuplex) != 0 && !(duplexType >= 1 && duplexType <= 3)) return;
    std::uint32_t width = ReadShort(caller, kOffPaperWidth);
    std::uint32_t length = ReadShort(caller, kOffPaperLength);
    if (slotPaper) {
        services::LoadAllFreeSizeSlotsOnce(context);
        int row = GetFreeSizeSlotRow(callerPaper);
        if (row >= 0 && context->workArea) {
            width = DotsToUnits(kUnitTenthMm, context->workArea->paperTable[row].width, 1200);
            length = DotsToUnits(kUnitTenthMm, context->workArea->paperTable[row].length, 1200);
        }
    }
    std::uint32_t paper =
        services::FindPaperBySize(context, static_cast<std::int16_t>(width), static_cast<std::int16_t>(length), 1);
    if (paper == 0) return;
    SetItemValue(context, rdmOutPaperSize, paper);
    SetItemValue(context, rdmExtPrintArea, 2);
    SetItemValue(context, rdmFuncSelectScale, 1);
    SetItemValue(context, rdmScaleType, 1);
    SetItemValue(context, rdmScaleH, 100);
    SetItemValue(context, rdmScaleV, 100);
}

}  // namespace
// ---- defaults and validation of the store -------------------------------------------------------------------------

void ValidatePublicFields(DEVMODEW* devmode, DriverContext* context)
{
    if (devmode == nullptr) return;
    for (const PublicFieldRule& rule : kPublicFieldRules) {
        switch (rule.item) {
        case dmPaperLength:
        case dmPaperWidth:
            ValidatePaperDimension(devmode, rule.item, context);
            continue;
        case dmCollate:
            ApplyCollateRule(devmode, context);
            // The form name follows the collate field.
            if (LookupUiEntry(dmFormName, context) != 0 && !IsFormNameEmpty(devmode)) {
                SetBit(devmode, DM_FORMNAME);
            } else {
                ApplyFieldDefault(devmode, dmFormName, context);
            }
            continue;
        case dmYResolution:
            if (IsPublicFieldKept(devmode, rule, context)) {
                SetBit(devmode, DM_YRESOLUTION);
            } else if (LookupUiEntry(dmPrintQuality, context) == 0) {
                ApplyFieldDefault(devmode, dmYResolution, context);
            } else {
                SetDevmodeField16(devmode, kOffYResolution, GetDevmodeField16(devmode, kOffPrintQuality));
                SetBit(devmode, DM_YRESOLUTION);
            }
            continue;
        default:
            break;
        }
        bool kept = IsPublicFieldKept(devmode, rule, context);
        if (!kept) {
            ApplyFieldDefault(devmode, rule.item, context);
            continue;
        }
        bool setsBit = rule.bit != 0 && rule.item != dmScale && rule.item != dmMediaType;
        if (setsBit) SetBit(devmode, rule.bit);
    }
}

void ResetPublicFieldsToModel(DEVMODEW* devmode, DriverContext* context)
{
    if (devmode == nullptr) return;
    for (const PublicFieldRule& rule : kPublicFieldRules) {
        ApplyFieldDefault(devmode, rule.item, context);
        if (rule.item == dmCollate) ApplyFieldDefault(devmode, dmFormName, context);
    }
}

void SetPublicDefaults(DEVMODEW* devmode, int mode, DriverContext* context)
{
    if (mode == 1) {
        ValidatePublicFields(devmode, context);
    } else if (mode == 2) {
        services::ApplyModelDefaults(context);
        LoadPrinterDefaultDevmode(context);
        ValidatePublicFields(devmode, context);
    } else {
        ResetPublicFieldsToModel(devmode, context);
    }
}

void SetPrivateDefaults(DEVMODEW* devmode, DriverContext* context)
{
    ApplyItemHandlers(context, kHandlerModeDefaults);
    SyncItemsAfterLoad(devmode, 1, context);
    services::InitPrivateHeader(context);
}

void InitPrivateHeaderTexts(DriverContext* context)
{
    const ModelRecord* record = RecordOf(context);
    SetItemString(context, FindItem(context, rdmIniFileName), record->settingsIniName ? record->settingsIniName : u"");
    SetItemString(context, FindItem(context, rdmiCDCVerStr), record->versionText1 ? record->versionText1 : u"");
    SetItemString(context, FindItem(context, rdmiRPJLVerStr), record->versionText2 ? record->versionText2 : u"");
    SetItemBytes(context, rdmRcomMark, nullptr, 0);
    SetItemValue(context, rdmRcomVersion, 0);
    SetItemBytes(context, rdmRcomMember, nullptr, 0);
    SetItemBytes(context, rdmRcomCaps, nullptr, 0);
}

// ---- merge and synchronisation -------------------------------------------------------------------------------------

void MergePublicDevmode(DEVMODEW* dst, const DEVMODEW* src, DriverContext* context)
{
    if (dst == nullptr || src == nullptr || !HasReadableHeader(src)) return;
    std::uint32_t fields = GetDevmodeFields(src);

    // The fields named by the caller's bits, as far as its record reaches.
    for (std::uint16_t item : kMergedFieldItems) {
        const PublicFieldRule* rule = FindFieldRule(item);
        if ((fields & rule->bit) && Reaches(src, *rule)) WriteField(dst, *rule, ReadField(src, *rule));
    }
    // Default source and orientation.
    if (fields & DM_DEFAULTSOURCE) {
        if (!IsValidDefaultSource(ReadShort(dst, kOffDefaultSource), context)) {
            ResetFieldToDefault(dst, dmDefaultSource, context);
        }
        SetBit(dst, DM_DEFAULTSOURCE);
    }
    if (fields & DM_ORIENTATION) {
        if (!IsValidOrientation(ReadShort(dst, kOffOrientation), context)) {
            ResetFieldToDefault(dst, dmOrientation, context);
        }
        SetBit(dst, DM_ORIENTATION);
    }
    // Paper, or orientation alone, or the form name.
    MergePaper(dst, src, fields, context);
    // Scale: tested against its limits; the bit never stays.
    MergeLimited(dst, dmScale, kOffScale, RecordOf(context)->scaleMin, RecordOf(context)->scaleMax, context);
    ClearBit(dst, DM_SCALE);
    // Copies.
    MergeLimited(dst, dmCopies, kOffCopies, RecordOf(context)->copiesMin, RecordOf(context)->copiesMax, context);
    SetBit(dst, DM_COPIES);
    // Media type.
    if (!IsValidMediaType(GetDevmodeField32(dst, kOffMediaType), context)) {
        SetDevmodeField32(dst, kOffMediaType, ModelDefaultOf(dmMediaType, context));
    }
    // Print quality, and the y resolution with it.
    MergePrintQuality(dst, src, context);
    SetDevmodeField16(dst, kOffYResolution, GetDevmodeField16(dst, kOffPrintQuality));
    SetBit(dst, DM_YRESOLUTION);
    // Duplex, colour, TrueType option.
    KeepValidOrDefault(dst, dmDuplex, IsValidDuplex, true, context);
    KeepValidOrDefault(dst, dmColor, IsValidColor, true, context);
    KeepValidOrDefault(dst, dmTTOption, IsValidTTOption, false, context);
    // Collate.
    ClearBit(dst, DM_COLLATE);
    SetDevmodeField16(dst, kOffCollate, 0);
    if (IsCollateAvailable(context)) {
        SetBit(dst, DM_COLLATE);
        bool collate =
            (fields & DM_COLLATE) ? ReadShort(src, kOffCollate) == 1 : GetItemValue(context, rdmFuncSelectSort) != 0;
        SetDevmodeField16(dst, kOffCollate, collate ? 1 : 0);
    }
    // ICM method, ICM intent, dither type.
    KeepValidOrDefault(dst, dmICMMethod, IsValidIcmMethod, false, context);
    KeepValidOrDefault(dst, dmICMIntent, IsValidIcmIntent, false, context);
    KeepValidOrDefault(dst, dmDitherType, IsValidDitherType, false, context);
}

void MergePrintQuality(DEVMODEW* dst, const DEVMODEW* src, DriverContext* context)
{
    if (dst == nullptr || src == nullptr) return;
    std::uint32_t callerQuality = ReadShort(src, kOffPrintQuality);
    SettingItemDescriptor* resolutionW = FindItem(context, rdmDstResolutionW);
    auto askModules = [&](SettingItemDescriptor* descriptor, std::uint32_t value) {
        ItemDefaultEventBlock block{dst, descriptor, value};
        services::NotifySettingsModules(context, kModuleEventItemDefault, &block);
        return block.value;
    };

    // The value to start from.
    std::uint32_t quality = ReadShort(dst, kOffPrintQuality);
    if (IsDeviceResolutionCode(quality, context)) {
        ResetFieldToDefault(dst, dmPrintQuality, context);
    } else if (!IsValidPrintQuality(quality, context)) {
        if (resolutionW != nullptr) {
            StoreItemValue(context, FindItem(context, dmPrintQuality), askModules(resolutionW, callerQuality));
        } else {
            SetDevmodeField16(dst, kOffPrintQuality,
                              static_cast<std::uint16_t>(ModelDefaultOf(dmPrintQuality, context)));
        }
    }
    quality = ReadShort(dst, kOffPrintQuality);

    // The resolution item that has to accept it.
    if (services::GetUiTypeOfItem(rdmDstResolutionW, context) == kUiTypeNumeric) {
        std::uint32_t code = GetItemValue(context, rdmDstResolutionBoth);
        bool keep = GetItemValue(context, rdmUseUserMacro) == 1 && ResolutionDpiOf(code) == quality;
        if (!keep) {
            code = quality;
            const auto xDpi = static_cast<std::uint16_t>(quality);
            for (std::uint16_t c = FindResolutionCodeByDpi(xDpi); c != 0; c = FindNextResolutionCode(xDpi, c)) {
                if (CheckItemValuePlain(FindItem(context, rdmDstResolutionBoth), rdmDstResolutionBoth, c, context) ==
                    kCheckAllowed) {
                    code = c;
                    break;
                }
            }
        }
        SettingItemDescriptor* both = FindItem(context, rdmDstResolutionBoth);
        if (both && CheckItemValuePlain(both, rdmDstResolutionBoth, code, context) != kCheckAllowed) {
            std::uint32_t left = askModules(both, code);
            std::uint32_t dpi = ResolutionDpiOf(left);
            if (dpi != 0) SetDevmodeField16(dst, kOffPrintQuality, static_cast<std::uint16_t>(dpi));
        }
    } else if (resolutionW != nullptr &&
               CheckItemValuePlain(resolutionW, rdmDstResolutionW, quality, context) != kCheckAllowed) {
        SetDevmodeField16(dst, kOffPrintQuality, static_cast<std::uint16_t>(askModules(resolutionW, callerQuality)));
    }

    // A quality list of the user's macros sets its own resolution.
    std::uint32_t flags = MergeFlagsOf(context);
    std::uint32_t macro = GetItemValue(context, rdmUserPrintMacro);
    if (GetItemValue(context, rdmUseUserMacro) == 1 && (flags & kMergeFromSheet) && (flags & kMergePrompt) &&
        ((macro >= 32 && macro <= 39) || macro == 160)) {
        // The list is loaded only to read its resolution: the store comes back.
        services::PushSettingsSnapshot(context);
        services::LoadQualityListSlot(context, static_cast<int>(macro - 32));
        std::uint32_t listed = GetItemValue(context, rdmDstResolutionW);
        services::PopSettingsSnapshot(context, TRUE);
        if (listed != 0 && listed != ReadShort(dst, kOffPrintQuality)) {
            SetDevmodeField16(dst, kOffPrintQuality, static_cast<std::uint16_t>(listed));
        }
    }
    // The resolution cap of the paper size.
    if (!(flags & kMergeNoReload)) {
        if (std::uint32_t cap = services::GetResolutionCapForSize(context, 0)) {
            SetDevmodeField16(dst, kOffPrintQuality, static_cast<std::uint16_t>(cap));
        }
    }
    SetBit(dst, DM_PRINTQUALITY);
}

void SyncItemsAfterPublicMerge(DEVMODEW* merged, const DEVMODEW* caller, DriverContext* context)
{
    if (merged == nullptr || caller == nullptr || context == nullptr) return;
    std::uint32_t both = GetDevmodeFields(merged) & GetDevmodeFields(caller);
    std::uint32_t flags = MergeFlagsOf(context);

    // Duplex and media type.
    if (both & DM_DUPLEX) SyncDuplexType(merged, context);
    if (both & DM_MEDIATYPE) SetItemValue(context, rdmMediaType, GetDevmodeField32(merged, kOffMediaType));
    // Stamp, user quality macro, module notices.
    services::ReloadSelectedStamp(context);
    std::uint32_t macro = GetItemValue(context, rdmUserPrintMacro);
    if (GetItemValue(context, rdmUseUserMacro) == 1 && macro >= 32 && macro <= 39) {
        services::LoadUserQualityMacro(context, (flags & kMergeKeepExcluded) ? 1 : 0);
    }
    services::NotifySettingsModules(context, kModuleEventProfilesChanged, nullptr);
    NotifyModulesPrepare(context);
    services::SendSettingsModuleCommand(context, kCommandProfilesReload);
    // A user size fitted to a standard paper (build feature 4 only).
    if (IsBuildFeatureOn(kFeatureFitUserSize) && (flags & kMergeImageFormJob))
        FitUserSizeToStandardPaper(merged, caller, context);
    // Resolution.
    if (!(flags & kMergeNoReload)) SyncResolutionFromPrintQuality(merged, context);
    // Source and output paper.
    bool bothPaperSize = (GetDevmodeFields(merged) & DM_PAPERSIZE) && (GetDevmodeFields(caller) & DM_PAPERSIZE);
    std::uint32_t own = GetDevmodeFields(merged);
    if (IsCompleteUserSize(both, merged) && !bothPaperSize) {
        SetSourcePaperFromPublicSize(merged, context);
    } else if (both & DM_PAPERSIZE) {
        SetSourcePaper(GetDevmodeField16(merged, kOffPaperSize), dmPaperSize, context, merged);
    } else if (both & DM_ORIENTATION) {
        if (IsCompleteUserSize(own, merged) && !(own & DM_PAPERSIZE)) {
            SetSourcePaperFromPublicSize(merged, context);
        } else if (own & DM_PAPERSIZE) {
            SetSourcePaper(GetDevmodeField16(merged, kOffPaperSize), dmPaperSize, context, merged);
        }
    }
    SetOutputPaper(static_cast<std::uint16_t>(GetItemValue(context, rdmOutPaperSize)), rdmOutPaperSize, context,
                   merged);
    // Presentation flags, the other code, the UI start mark and the item handlers.
    SetPresentationFlags(context);
    if (IsOtherCodeEmpty(context)) SetOtherCodeItem(context);
    SetItemValue(context, wdmUIStart, 0);
    ApplyItemHandlers(context, kHandlerModeAfterMerge);
}

void SyncItemsAfterLoad(DEVMODEW* devmode, int kind, DriverContext* context)
{
    if (context == nullptr) return;
    SyncPrintQualityFromResolution(devmode, context);
    SetSourcePaper(static_cast<std::uint16_t>(GetItemValue(context, dmPaperSize)), dmPaperSize, context, devmode);
    SetOutputPaper(static_cast<std::uint16_t>(GetItemValue(context, rdmOutPaperSize)), rdmOutPaperSize, context,
                   devmode);
    SetPresentationFlags(context);
    if (kind == 1 || kind == 3 || kind == 4) SetOtherCodeItem(context);
    SetItemValue(context, wdmUIStart, 0);
    services::NotifySettingsModules(context, kModuleEventItemsSynced, nullptr);
}

void SyncDevmodeAfterLoad(DEVMODEW* devmode, DriverContext* context, int kind)
{
    SyncItemsAfterLoad(devmode, kind, context);
    SyncPublicDuplex(devmode, context);
    SetItemValue(context, dmMediaType, GetItemValue(context, rdmMediaType));
}

}  // namespace vexl