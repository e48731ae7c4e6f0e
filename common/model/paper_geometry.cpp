#include "common/model/paper_geometry.h"

#include "common/core/devmode_public.h"
#include "common/core/devmode_services.h"
#include "common/core/items.h"
#include "common/core/memory.h"
#include "common/core/modeldb.h"
#include "common/core/paper_sync.h"
#include "common/core/store.h"
#include "common/core/textconv.h"
#include "common/core/units.h"
#include "common/model/compiled_model.h"
#include "common/model/ui_lookup.h"

#include <cstddef>
#include <string>
#include <utility>

namespace vexl {

using namespace model;

namespace {

constexpr std::uint32_t kLandscape = 2;
constexpr std::int32_t kFontNameChars = 32;

// The paper entry of the context's model: the PickPage entry in the slot of
// dmPaperSize.
struct PaperEntry {
    const CompiledModel* model = nullptr;
    UiEntryRecord record{};
};

bool FindPaperEntry(DriverContext* context, PaperEntry* out)
{
    if (context == nullptr || context->compiledModel == nullptr) return false;
    const BlockOffset entry = FindUiEntry(dmPaperSize, context);
    if (entry == 0) return false;
    out->model = context->compiledModel;
    out->record = ReadUiEntry(out->model, entry);
    return UiKind(out->record.type) == kUiPickPage;
}

// The option of the paper entry with the id.
bool FindPaperOption(const PaperEntry& paper, std::uint16_t optionId, UiOptionRecord* out)
{
    for (BlockOffset at = paper.record.options; at != 0;) {
        *out = ReadUiOption(paper.model, at, paper.record.type);
        if (out->optionId == optionId) return true;
        at = out->next;
    }
    return false;
}

// The setting behind the paper entry.
SettingItemDescriptor* PaperItemOf(DriverContext* context, const PaperEntry& paper)
{
    return FindItemByKey(context, paper.record.symbolKey);
}

// A record's condition: none, or the setting of the symbol holds the value.
bool ConditionHolds(DriverContext* context, const PageValueBlockRecord& record)
{
    if (record.conditionKey == 0) return true;
    const SettingItemDescriptor* item = FindItemByKey(context, record.conditionKey);
    if (item == nullptr) return false;
    return static_cast<std::uint16_t>(ReadItemOption(context, item)) == record.conditionValue;
}

// The first record of the list that has the resolution, the orientation
// when one is asked, and a condition that holds.
bool FindPageValue(DriverContext* context, const CompiledModel* model, BlockOffset list, std::uint16_t resolution,
                   const std::uint16_t* orientation, PageValueBlockRecord* out)
{
    for (BlockOffset at = list; at != 0;) {
        *out = ReadPageValue(model, at);
        if (out->resolutionKey == resolution && (orientation == nullptr || out->orientationKey == *orientation) &&
            ConditionHolds(context, *out)) {
            return true;
        }
        at = out->next;
    }
    return false;
}

void SetSize(PaperExtent* out, std::int32_t width, std::int32_t length, bool turned)
{
    if (turned) std::swap(width, length);
    *out = PaperExtent{width, length};
}

bool IsLandscapeSetting(DriverContext* context)
{
    return GetItemValue(context, dmOrientation) == kLandscape;
}

const DEVMODEW* PublicDevmodeOf(DriverContext* context)
{
    return reinterpret_cast<const DEVMODEW*>(GetStoreBytes(context));
}

// The work area's paper row of a custom or free-size paper.
const PaperSizeRow* PaperRowOf(DriverContext* context, int row)
{
    if (context->workArea == nullptr || row < 0 || row >= kPaperTableRows) return nullptr;
    return &context->workArea->paperTable[row];
}

std::int32_t DotsToTenthMm(std::uint32_t dots)
{
    return static_cast<std::int32_t>(DotsToUnits(kUnitTenthMm, dots, 1200));
}

// The row's size, refreshed first from the free-size items where the row
// keeps a free size.
void TakeRefreshedRow(DriverContext* context, int row, PaperExtent* out, bool turned)
{
    services::LoadAllFreeSizeSlotsOnce(context);
    services::CachePrintFreeSize(context, row);
    const PaperSizeRow* cached = PaperRowOf(context, row);
    if (cached == nullptr) return;
    SetSize(out, DotsToTenthMm(cached->width), DotsToTenthMm(cached->length), turned);
}

// The row's custom size brought into wdmFreeSizeWidth and wdmFreeSizeLength,
// and those taken.
void TakeLoadedSlot(DriverContext* context, int row, PaperExtent* out, bool turned)
{
    services::LoadAllFreeSizeSlotsOnce(context);
    services::CachePrintFreeSize(context, row);
    services::SelectFreeSizeSlot(context, row);
    SetSize(out, DotsToTenthMm(GetItemOption(context, wdmFreeSizeWidth)),
            DotsToTenthMm(GetItemOption(context, wdmFreeSizeLength)), turned);
}

bool IsWithin(std::int32_t value, std::int32_t low, std::int32_t tolerance)
{
    return value >= low && value <= low + tolerance;
}

bool IsSearchablePaper(std::uint32_t paper)
{
    return paper != kUserDefinedPaper && !(paper >= kFirstFreeSizeSlotPaper && paper <= kLastFreeSizeSlotPaper);
}

// A font name of the model as the 32 UTF-16 characters of a record.
void CopyFontName(const CompiledModel* model, BlockOffset text, WCHAR* out)
{
    const std::string name(ReadBlockText(model, text));
    AnsiToWide(out, name.c_str(), kFontNameChars);
}

// A zero-filled array of count records, or null.
template <typename Record> Record* AllocRecords(std::int32_t count)
{
    if (count <= 0 || static_cast<std::uint64_t>(count) * sizeof(Record) > 0xFFFFFFFFu) return nullptr;
    return static_cast<Record*>(AllocZeroed(static_cast<std::uint32_t>(count * sizeof(Record))));
}

using FontEntryReader = BlockOffset (*)(const CompiledModel*, std::int32_t);

DeviceFontRecord* CopyFontList(DriverContext* context, std::int32_t listCount, FontEntryReader entryAt,
                               std::int32_t* count)
{
    if (count) *count = 0;
    DeviceFontRecord* records = AllocRecords<DeviceFontRecord>(listCount);
    if (records == nullptr) return nullptr;
    const CompiledModel* model = context->compiledModel;
    for (std::int32_t i = 0; i < listCount; ++i) {
        const FontIdRecord entry = ReadFontIdEntry(model, entryAt(model, i));
        records[i].id = static_cast<std::uint32_t>(entry.fontId);
        CopyFontName(model, entry.name, records[i].name);
    }
    if (count) *count = listCount;
    return records;
}

}  // namespace

// ---- geometry of a paper option ------------------------------------------------------------------

BOOL MatchPageValue(DriverContext* context, PageRect* printable, PaperExtent* paper, std::uint16_t paperOption)
{
    if (printable) *printable = PageRect{};
    if (paper) *paper = PaperExtent{};
    PaperEntry entry;
    UiOptionRecord option{};
    if (!FindPaperEntry(context, &entry) || !FindPaperOption(entry, paperOption, &option)) return 0;

    const auto resolution = static_cast<std::uint16_t>(GetItemOption(context, rdmDstResolutionW));
    const auto orientation = static_cast<std::uint16_t>(GetItemOption(context, dmOrientation));
    PageValueBlockRecord record{};
    if (FindPageValue(context, entry.model, option.pageValues, resolution, &orientation, &record)) {
        if (printable) {
            *printable =
                PageRect{record.xOrigin, record.yOrigin, record.xOrigin + record.width, record.yOrigin + record.length};
        }
        if (paper) *paper = PaperExtent{record.paperWidth, record.paperLength};
        return 1;
    }
    // The paper described for the other orientation only: its geometry turned.
    if (FindPageValue(context, entry.model, option.pageValues, resolution, nullptr, &record)) {
        if (printable) {
            *printable =
                PageRect{record.yOrigin, record.xOrigin, record.yOrigin + record.length, record.xOrigin + record.width};
        }
        if (paper) *paper = PaperExtent{record.paperLength, record.paperWidth};
        return 1;
    }
    return 0;
}

BOOL GetPageGeometry(DriverContext* context, PageRect* printable, PaperExtent* paper, std::uint16_t paperOption)
{
    return MatchPageValue(context, printable, paper, paperOption);
}

// ---- paper sizes ----------------------------------------------------------------------------------

BOOL GetPaperOptionSize(DriverContext* context, PaperExtent* out, std::uint16_t itemId)
{
    if (out) *out = PaperExtent{};
    PaperEntry entry;
    if (!FindPaperEntry(context, &entry)) return 0;
    const std::uint32_t option =
        itemId != 0 ? GetItemOption(context, itemId) : ReadItemOption(context, PaperItemOf(context, entry));
    if (option > 0xFFFF) return 0;
    return GetPaperSizeOfOption(context, out, static_cast<std::uint16_t>(option));
}

BOOL GetPaperSizeOfOption(DriverContext* context, PaperExtent* out, std::uint16_t paperOption)
{
    if (out) *out = PaperExtent{};
    PaperEntry entry;
    UiOptionRecord option{};
    if (!FindPaperEntry(context, &entry) || !FindPaperOption(entry, paperOption, &option)) return 0;
    if (out) SetSize(out, option.width, option.length, IsLandscapeSetting(context));
    return 1;
}

BOOL GetSelectedPaperSize(DriverContext* context, PaperExtent* out)
{
    if (out) *out = PaperExtent{};
    PaperEntry entry;
    if (!FindPaperEntry(context, &entry)) return 0;
    const std::uint32_t paper = ReadItemValue(context, PaperItemOf(context, entry));
    if (IsFreeSizePaper(paper)) return GetSourceCustomPaperSize(context, out, static_cast<std::uint16_t>(paper));
    return GetPaperOptionSize(context, out, 0);
}

BOOL GetOutputPaperSize(DriverContext* context, PaperExtent* out)
{
    if (out) *out = PaperExtent{};
    if (context == nullptr) return 0;
    const std::uint32_t output = GetItemValue(context, rdmOutPaperSize);
    if (IsOutputSameAsSource(output)) return GetSelectedPaperSize(context, out);
    if (IsFreeSizePaper(output)) return GetOutputCustomPaperSize(context, out, static_cast<std::uint16_t>(output));
    // The output paper's size as if it were the source paper.
    const std::uint32_t source = GetItemValue(context, dmPaperSize);
    SetItemValue(context, dmPaperSize, output);
    const BOOL answered = GetSelectedPaperSize(context, out);
    SetItemValue(context, dmPaperSize, source);
    return answered;
}

BOOL GetCustomPaperSize(DriverContext* context, PaperExtent* out, std::uint16_t paper, BOOL sourceSide)
{
    PaperExtent size{};
    if (context != nullptr) {
        const int row = GetFreeSizeSlotRow(paper);
        if (!sourceSide) {
            // The output side is never turned.
            if (paper == kPrinterFreeSizePaper) {
                TakeRefreshedRow(context, row, &size, false);
            } else {
                TakeLoadedSlot(context, row, &size, false);
            }
        } else {
            const DEVMODEW* devmode = PublicDevmodeOf(context);
            const bool landscape = GetDevmodeShort(devmode, offsetof(DEVMODEW, dmOrientation)) == kLandscape;
            if ((GetDevmodeFields(devmode) & DM_PAPERSIZE) &&
                GetDevmodeShort(devmode, offsetof(DEVMODEW, dmPaperSize)) != kUserDefinedPaper) {
                TakeLoadedSlot(context, row, &size, landscape);
            } else if (GetItemValue(context, rdmFuncSelectFreeShortOver) == 1) {
                TakeRefreshedRow(context, row, &size, landscape);
            } else {
                // The caller's own size, already in 0.1 mm.
                const std::uint32_t width = GetDevmodeShort(devmode, offsetof(DEVMODEW, dmPaperWidth));
                const std::uint32_t length = GetDevmodeShort(devmode, offsetof(DEVMODEW, dmPaperLength));
                size = PaperExtent{static_cast<std::int32_t>(width), static_cast<std::int32_t>(length)};
            }
        }
    }
    if (out) *out = size;
    return 1;
}

BOOL GetSourceCustomPaperSize(DriverContext* context, PaperExtent* out, std::uint16_t paper)
{
    return GetCustomPaperSize(context, out, paper, 1);
}

BOOL GetOutputCustomPaperSize(DriverContext* context, PaperExtent* out, std::uint16_t paper)
{
    return GetCustomPaperSize(context, out, paper, 0);
}

std::uint16_t FindPaperBySize(DriverContext* context, std::int16_t width, std::int16_t length, std::uint16_t tolerant)
{
    PaperEntry entry;
    if (!FindPaperEntry(context, &entry)) return 0;
    const SettingItemDescriptor* paperItem = PaperItemOf(context, entry);
    const std::int32_t tolerance = tolerant ? kPaperSizeTolerance : 0;
    for (BlockOffset at = entry.record.options; at != 0;) {
        const UiOptionRecord option = ReadUiOption(entry.model, at, entry.record.type);
        at = option.next;
        const bool upright = IsWithin(width, option.width, tolerance) && IsWithin(length, option.length, tolerance);
        const bool turned = IsWithin(length, option.width, tolerance) && IsWithin(width, option.length, tolerance);
        if (!upright && !turned) continue;
        const std::uint32_t paper = StoredValueFromOption(context, paperItem, option.optionId);
        if (!IsSearchablePaper(paper)) continue;
        const int check = CheckItemValue(rdmOutPaperSize, paper, context);
        if (check == kCheckNotOption || check == kCheckNoUiSymbol || check == kCheckNoUiEntry) continue;
        return static_cast<std::uint16_t>(paper);
    }
    return 0;
}

// ---- font lists -------------------------------------------------------------------------------------

DeviceFontRecord* CopyDeviceFontList(DriverContext* context, std::int32_t* count)
{
    if (context == nullptr || context->compiledModel == nullptr) {
        if (count) *count = 0;
        return nullptr;
    }
    return CopyFontList(context, GetDeviceFontCount(context->compiledModel), GetDeviceFontEntry, count);
}

DeviceFontRecord* CopyCartridgeFontList(DriverContext* context, std::int32_t* count)
{
    if (context == nullptr || context->compiledModel == nullptr) {
        if (count) *count = 0;
        return nullptr;
    }
    return CopyFontList(context, GetFontCartridgeCount(context->compiledModel), GetFontCartridgeEntry, count);
}

FontSubstPair* CopyFontSubstTable(DriverContext* context, std::int32_t* count)
{
    if (count) *count = 0;
    if (context == nullptr || context->compiledModel == nullptr) return nullptr;
    const CompiledModel* model = context->compiledModel;

    // The first FontTbl entry of the UI list, and its first option with substitutions.
    UiEntryRecord entry{};
    BlockOffset at = GetFirstUiEntry(model);
    for (; at != 0; at = entry.next) {
        entry = ReadUiEntry(model, at);
        if (entry.type == kUiFontTbl) break;
    }
    if (at == 0) return nullptr;
    UiOptionRecord option{};
    for (at = entry.options; at != 0; at = option.next) {
        option = ReadUiOption(model, at, entry.type);
        if (option.count != 0) break;
    }
    if (at == 0) return nullptr;

    FontSubstPair* pairs = AllocRecords<FontSubstPair>(option.count);
    if (pairs == nullptr) return nullptr;
    for (std::int32_t i = 0; i < option.count; ++i) {
        CopyFontName(model, ReadOffsetArray(model, option.faces, i), pairs[i].trueTypeFace);
        CopyFontName(model, ReadOffsetArray(model, option.devices, i), pairs[i].deviceFont);
    }
    if (count) *count = option.count;
    return pairs;
}

}  // namespace vexl
