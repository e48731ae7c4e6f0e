// The chapter module: the list, its INI form, the merge of new pages, the
// tray classes and the module's hooks.
#include "common/storage/module_chapters.h"

#include "common/core/appservices.h"
#include "common/core/devmode_services.h"
#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/memory.h"
#include "common/core/modeldb.h"
#include "common/core/module_events.h"
#include "common/core/settings_modules.h"
#include "common/model/constraints.h"
#include "common/model/ui_lookup.h"
#include "common/storage/bidi_answer.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/ini_lists.h"
#include "common/storage/persistence.h"
#include "common/storage/settings_files.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace vexl {
namespace {

constexpr int kKeyChars = 64;
constexpr std::int32_t kChapterArea = 3;
constexpr std::int16_t kChapterPageId = kPageDialogChapter;
constexpr std::int16_t kChapterListControl = 2800;
// The tray classes that wdmChapterUseTray1-8 can name.
constexpr int kUseTrayItemCount = 8;
constexpr std::uint16_t kUseTrayItems[kUseTrayItemCount] = {
    wdmChapterUseTray1, wdmChapterUseTray2, wdmChapterUseTray3, wdmChapterUseTray4,
    wdmChapterUseTray5, wdmChapterUseTray6, wdmChapterUseTray7, wdmChapterUseTray8,
};
// The state bits of a preset item: while wdmChapterNum is one, a preset
// transfer carries the chapter list along.
constexpr std::uint16_t kChapterFileStateBits = 0x0C;
// The tray code whose tray the chapter default trays fall back to.
constexpr std::uint32_t kChapterFallbackTrayCode = 3;

struct TrayClassRow {
    std::uint32_t trayClass;
    std::uint16_t optionId;
};
constexpr TrayClassRow kTrayClasses[] = {
    {0, 2},      {1, 3},      {2, 5},      {3, 6},      {25, 7},     {25, 169},    {27, 4},
    {27, 618},   {28, 8},     {25, 800},   {25, 801},   {29, 823},   {4, 439},     {5, 839},
    {6, 837},    {3, 865},    {4, 866},    {16, 13260}, {17, 13261}, {18, 13262},  {19, 13263},
    {14, 13738}, {15, 13663}, {14, 13254}, {15, 13255}, {13, 13364}, {286, 13551}, {299, 13552},
    {1, 13624},  {2, 13625},  {3, 13626},  {4, 13627},  {0, 0},
};

bool HasWork(DriverContext* context)
{
    return context && context->workArea && context->store;
}

std::u16string Decimal(std::int64_t value)
{
    const std::string text = std::to_string(value);
    return std::u16string(text.begin(), text.end());
}

std::u16string PrinterSection(DriverContext* context)
{
    const WCHAR* name = GetPrinterSectionName(context);
    std::u16string section = name ? name : u"";
    SanitizeIniSection(section.data());
    return section;
}

const WCHAR* IniFile(DriverContext* context, const WCHAR* iniPath)
{
    return iniPath ? iniPath : GetSettingsIniPath(context);
}

// The leading decimal number of a text (an optional '-' first); 0 for none.
std::int32_t ParseLeadingNumber(const WCHAR* text)
{
    std::int64_t value = 0;
    bool negative = false;
    if (*text == u'-') {
        negative = true;
        ++text;
    }
    for (; *text >= u'0' && *text <= u'9'; ++text)
        value = std::min<std::int64_t>(value * 10 + (*text - u'0'), 0x7FFFFFFF);
    return static_cast<std::int32_t>(negative ? -value : value);
}

// The last page of a range text: the number after its '-', or the whole
// text when it has none.
std::int32_t RangeLastPage(const WCHAR* range)
{
    for (const WCHAR* at = range; *at; ++at)
        if (*at == u'-') return ParseLeadingNumber(at + 1);
    return ParseLeadingNumber(range);
}

std::int32_t Limit(DriverContext* context, std::uint16_t id)
{
    return static_cast<std::int32_t>(GetItemValue(context, id));
}

// Records in use from the start of a list, up to the first empty one.
int UsedRecords(const ChapterRecord* list, int limit)
{
    int count = 0;
    while (count < limit && list[count].page != 0) ++count;
    return count;
}

void SetChapterNum(DriverContext* context, int count)
{
    SetItemValue(context, wdmChapterNum, static_cast<std::uint32_t>(count));
}

// The first and last page that a chapter record covers.
void RecordSpan(const ChapterRecord& record, std::int32_t* first, std::int32_t* last)
{
    *first = record.page;
    *last = record.kind == kChapterKindRange ? RangeLastPage(record.pageRange) : record.page;
}

// Whether a new entry (first .. last, a range when isRange) may not stand
// beside an existing record.
bool Overlaps(const ChapterRecord& record, std::int32_t first, std::int32_t last, bool isRange)
{
    if (record.page == 0) return false;
    if (record.kind == kChapterKindRange) {
        std::int32_t recordFirst = 0, recordLast = 0;
        RecordSpan(record, &recordFirst, &recordLast);
        const auto inside = [&](std::int32_t page) { return page >= recordFirst && page <= recordLast; };
        return inside(first) || inside(last) || (first < recordFirst && last > recordLast);
    }
    return isRange && record.page >= first && record.page <= last;
}

// The tray classes of the kind-0 chapters of a list, counted into locals.
struct TrayClassCount {
    int count = 0;
    std::int16_t firstTrays[kUseTrayItemCount] = {};
};

// 1 when the list breaks a tray rule: more tray classes than allowed, or a
// print flag 2 on a tray that another chapter prints with flag 1.
bool BreaksTrayRules(DriverContext* context, const ChapterRecord* list, int used, TrayClassCount* classes)
{
    const std::int32_t trayMax = Limit(context, wdmChapterTrayMax);
    std::uint32_t seen = 0;
    for (int i = 0; i < used; ++i) {
        if (list[i].kind != kChapterKindTray) continue;
        const std::uint32_t bit = 1u << (GetChapterTrayClass(context, list[i].tray) % 32);
        if (seen & bit) continue;
        seen |= bit;
        if (++classes->count > trayMax) return true;
        if (classes->count <= kUseTrayItemCount) classes->firstTrays[classes->count - 1] = list[i].tray;
    }
    for (int i = 0; i < used; ++i) {
        if (list[i].print != 2) continue;
        for (int j = 0; j < used; ++j)
            if (list[j].print == 1 && list[j].tray == list[i].tray) return true;
    }
    return false;
}

void WriteTrayClassItems(DriverContext* context, const TrayClassCount& classes)
{
    SetItemValue(context, wdmChapterTrayNum, static_cast<std::uint32_t>(classes.count));
    for (int i = 0; i < kUseTrayItemCount; ++i) {
        const std::int16_t tray = i < classes.count ? classes.firstTrays[i] : 0;
        SetItemValue(context, kUseTrayItems[i], static_cast<std::uint32_t>(static_cast<std::uint16_t>(tray)));
    }
}

// The merge proper, on the live list with the old one in a copy. false:
// refused.
bool MergeInto(DriverContext* context, ChapterRecord* live, const ChapterRecord* old, int limit,
               const std::int32_t* pages, const WCHAR (*ranges)[kChapterRangeChars], int* written)
{
    const std::uint8_t kind = static_cast<std::uint8_t>(GetItemValue(context, wdmChapterKind));
    const std::int16_t tray = static_cast<std::int16_t>(GetItemValue(context, wdmChapterTray));
    const std::uint8_t print = static_cast<std::uint8_t>(GetItemValue(context, wdmChapterPrint));
    const bool coverRule = GetItemValue(context, rdmFuncSelectCover) != 0 && GetItemValue(context, rdmCoverType) != 1;
    const int oldCount = UsedRecords(old, std::min(limit, Limit(context, wdmChapterNum)));
    int oldAt = 0, out = 0, newAt = 0;
    for (;;) {
        const bool oldDone = oldAt >= oldCount;
        const bool newDone = pages[newAt] == 0;
        if (oldDone && newDone) break;
        if (out >= limit) return false;
        if (newDone) {
            live[out++] = old[oldAt++];
            continue;
        }
        const std::int32_t page = pages[newAt];
        if (page < 0 || page > 0x7FFF) return false;
        if (ranges) {
            const std::int32_t first = page;
            const std::int32_t last = kind == kChapterKindRange ? RangeLastPage(ranges[newAt]) : page;
            const bool isRange = kind == kChapterKindRange;
            // Every record that the new entry could meet: those written so
            // far and the old ones still to come that start inside its span.
            for (int i = 0; i < out; ++i)
                if (Overlaps(live[i], first, last, isRange)) return false;
            for (int i = oldAt; i < oldCount && old[i].page <= std::max(first, last); ++i)
                if (Overlaps(old[i], first, last, isRange)) return false;
            if (isRange && first == 1 && coverRule) return false;
        }
        if (out > 0 && live[out - 1].page == page) {
            ++newAt;
            continue;
        }
        if (oldDone || old[oldAt].page >= page) {
            if (!oldDone && old[oldAt].page == page) ++oldAt;
            ChapterRecord record{};
            record.page = static_cast<std::int16_t>(page);
            record.kind = kind;
            if (kind == kChapterKindTray || kind == kChapterKindRange) {
                record.tray = tray;
                record.print = print;
            }
            if (kind == kChapterKindRange && ranges) lstrcpynW(record.pageRange, ranges[newAt], kChapterRangeChars);
            live[out++] = record;
            ++newAt;
        } else {
            live[out++] = old[oldAt++];
        }
    }
    *written = out;
    return true;
}

}  // namespace

// ---- the list -------------------------------------------------------------------------------

ChapterRecord* EnsureChapterList(DriverContext* context)
{
    if (!HasWork(context)) return nullptr;
    ContextWorkArea* work = context->workArea;
    const std::uint32_t wanted = GetItemValue(context, wdmChapterMax) + 1;
    if (work->chapters && work->chapterCapacity >= wanted) return work->chapters;
    auto* list = static_cast<ChapterRecord*>(AllocZeroed(wanted * sizeof(ChapterRecord)));
    if (!list) return nullptr;
    // The list grows when wdmChapterMax rose since it was made; what it held stays.
    if (work->chapters) std::memcpy(list, work->chapters, work->chapterCapacity * sizeof(ChapterRecord));
    FreeIfNotNull(work->chapters);
    work->chapters = list;
    work->chapterCapacity = wanted;
    return list;
}

int GetChapterLimit(DriverContext* context)
{
    if (!EnsureChapterList(context)) return 0;
    const std::uint32_t capacity = context->workArea->chapterCapacity - 1;
    return static_cast<int>(std::min(GetItemValue(context, wdmChapterMax), capacity));
}

ChapterRecord* GetChapterRecord(DriverContext* context, int index)
{
    if (!HasWork(context) || index < 0 || index >= Limit(context, wdmChapterNum)) return nullptr;
    if (index >= GetChapterLimit(context)) return nullptr;
    return &context->workArea->chapters[index];
}

// ---- the INI form ---------------------------------------------------------------------------

void FormatChapterKey(WCHAR* out, int size, int field, int index)
{
    const WCHAR* stem = u"wdmChapterPrint";
    switch (field) {
    case kChapterFieldPage:
        stem = u"wdmChapterPage";
        break;
    case kChapterFieldTray:
        stem = u"wdmChapterTray";
        break;
    case kChapterFieldKind:
        stem = u"wdmChapterKind";
        break;
    case kChapterFieldRange:
        stem = u"wdmChapterPageRange";
        break;
    default:
        break;
    }
    const std::u16string key = stem + Decimal(static_cast<std::int64_t>(index) + 1);
    if (out && size > 0) lstrcpynW(out, key.c_str(), size);
}

int ReadChapterInt(DriverContext* context, const WCHAR* iniPath, int field, int index)
{
    WCHAR key[kKeyChars] = {};
    FormatChapterKey(key, kKeyChars, field, index);
    return ReadIniInt(PrinterSection(context).c_str(), key, 0, IniFile(context, iniPath));
}

void ReadChapterText(DriverContext* context, const WCHAR* iniPath, int field, int index, WCHAR* out, int size)
{
    WCHAR key[kKeyChars] = {};
    FormatChapterKey(key, kKeyChars, field, index);
    ReadIniString(PrinterSection(context).c_str(), key, u"", out, size, IniFile(context, iniPath));
}

void WriteChapterInt(DriverContext* context, const WCHAR* iniPath, int field, int index, int value)
{
    WCHAR key[kKeyChars] = {};
    FormatChapterKey(key, kKeyChars, field, index);
    WriteIniString(PrinterSection(context).c_str(), key, Decimal(value).c_str(), IniFile(context, iniPath));
}

void WriteChapterText(DriverContext* context, const WCHAR* iniPath, int field, int index, const WCHAR* text)
{
    WCHAR key[kKeyChars] = {};
    FormatChapterKey(key, kKeyChars, field, index);
    WriteIniString(PrinterSection(context).c_str(), key, text, IniFile(context, iniPath));
}

int LoadChapterList(DriverContext* context, const WCHAR* iniPath)
{
    ChapterRecord* list = EnsureChapterList(context);
    if (!list) return 0;
    const int limit = GetChapterLimit(context);
    // A count from a file never reaches past the list.
    const int count = std::clamp(Limit(context, wdmChapterNum), 0, limit);
    if (count != Limit(context, wdmChapterNum)) SetChapterNum(context, count);
    for (int i = 0; i < limit; ++i) {
        ChapterRecord& record = list[i];
        record = ChapterRecord{};
        if (i >= count) continue;
        record.page = static_cast<std::int16_t>(ReadChapterInt(context, iniPath, kChapterFieldPage, i));
        record.tray = static_cast<std::int16_t>(ReadChapterInt(context, iniPath, kChapterFieldTray, i));
        record.kind = static_cast<std::uint8_t>(ReadChapterInt(context, iniPath, kChapterFieldKind, i));
        record.print = static_cast<std::uint8_t>(ReadChapterInt(context, iniPath, kChapterFieldPrint, i));
        ReadChapterText(context, iniPath, kChapterFieldRange, i, record.pageRange, kChapterRangeChars);
    }
    // A record the file does not have ends the list there, and the count
    // with it: a file that carries no chapter (an installed preset) or fewer
    // than its count never leaves empty records counted in use.
    const int used = UsedRecords(list, count);
    for (int i = used; i < count; ++i) list[i] = ChapterRecord{};
    if (used != count) SetChapterNum(context, used);
    return used;
}

int SaveChapterList(DriverContext* context, const WCHAR* iniPath)
{
    ChapterRecord* list = EnsureChapterList(context);
    if (!list) return 0;
    const int count = std::min(Limit(context, wdmChapterNum), GetChapterLimit(context));
    for (int i = 0; i < count; ++i) {
        const ChapterRecord& record = list[i];
        WriteChapterInt(context, iniPath, kChapterFieldPage, i, record.page);
        WriteChapterInt(context, iniPath, kChapterFieldTray, i, record.tray);
        WriteChapterInt(context, iniPath, kChapterFieldKind, i, record.kind);
        WriteChapterInt(context, iniPath, kChapterFieldPrint, i, record.print);
        WriteChapterText(context, iniPath, kChapterFieldRange, i, record.pageRange);
        if (record.page == 0) {
            SetChapterNum(context, i);
            break;
        }
    }
    return 0;
}

// ---- changes to the list --------------------------------------------------------------------

int MergeChapterPages(DriverContext* context, PageDesc*, const std::int32_t* pages,
                      const WCHAR (*ranges)[kChapterRangeChars])
{
    ChapterRecord* live = EnsureChapterList(context);
    if (!live || !pages) return 1;
    const int limit = GetChapterLimit(context);
    const std::size_t bytes = static_cast<std::size_t>(limit + 1) * sizeof(ChapterRecord);
    std::vector<ChapterRecord> old(live, live + limit + 1);
    int written = 0;
    TrayClassCount classes;
    if (!MergeInto(context, live, old.data(), limit, pages, ranges, &written) ||
        BreaksTrayRules(context, live, UsedRecords(live, written), &classes)) {
        std::memcpy(live, old.data(), bytes);
        return 1;
    }
    for (int i = written; i <= limit; ++i) live[i] = ChapterRecord{};
    WriteTrayClassItems(context, classes);
    SetChapterNum(context, written);
    return 0;
}

int DeleteChapter(DriverContext* context)
{
    if (!HasWork(context) || !context->workArea->apiRecord) return 1;
    PageDesc* page = FindPage(context, kChapterPageId);
    if (!page || !FindPageControl(context, page, kChapterListControl)) return 1;
    ChapterRecord* list = EnsureChapterList(context);
    if (!list) return 1;
    const int limit = GetChapterLimit(context);
    const std::uint32_t index = context->workArea->apiRecord->chapterIndex;
    int out = 0;
    for (int i = 0; i < limit; ++i)
        if (static_cast<std::uint32_t>(i) != index) list[out++] = list[i];
    for (; out <= limit; ++out) list[out] = ChapterRecord{};
    context->workArea->savedChapterCount = GetItemValue(context, wdmChapterNum);
    SetChapterNum(context, UsedRecords(list, limit));
    return 0;
}

int ClearChapters(DriverContext* context)
{
    ChapterRecord* list = EnsureChapterList(context);
    if (!list) return 0;
    const int limit = GetChapterLimit(context);
    for (int i = 0; i < limit; ++i) list[i] = ChapterRecord{};
    context->workArea->savedChapterCount = GetItemValue(context, wdmChapterNum);
    SetChapterNum(context, 0);
    return 0;
}

int CompareChapterLists(DriverContext* context, const ChapterRecord* a, const ChapterRecord* b)
{
    if (!a || !b || !HasWork(context)) return 1;
    const int count = std::min(Limit(context, wdmChapterNum), GetChapterLimit(context));
    for (int i = 0; i < count; ++i) {
        if (a[i].page != b[i].page || a[i].tray != b[i].tray || a[i].kind != b[i].kind || a[i].print != b[i].print)
            return 1;
    }
    return 0;
}

// ---- trays ----------------------------------------------------------------------------------

std::uint32_t MapTrayClass(std::uint32_t optionId)
{
    for (const TrayClassRow* row = kTrayClasses; row->optionId != 0; ++row)
        if (row->optionId == optionId) return row->trayClass;
    return 0;
}

std::uint32_t GetChapterTrayClass(DriverContext* context, std::int32_t trayValue)
{
    const SettingItemDescriptor* item = FindItem(context, wdmChapterTray);
    if (!item) return 0;
    return MapTrayClass(OptionFromStoredValue(context, item, static_cast<std::uint32_t>(trayValue)));
}

BOOL TrayAllowsChapterKind(std::uint32_t trayFlags, std::uint32_t kind)
{
    switch (kind) {
    case 0:
        return (trayFlags & (kTrayFlagChapter1 | kTrayFlagChapter2 | kTrayFlagChapter3)) != 0;
    case 1:
        return (trayFlags & kTrayFlagChapter1) != 0;
    case 2:
        return (trayFlags & kTrayFlagChapter2) != 0;
    case 3:
        return (trayFlags & kTrayFlagChapter3) != 0;
    default:
        return FALSE;
    }
}

void SetChapterDefaultTray(std::uint32_t trayFlags, std::uint32_t trayValue, std::uint8_t* usedMask,
                           DriverContext* context)
{
    static constexpr struct {
        std::uint32_t flag;
        std::uint16_t item;
        std::uint8_t mask;
    } kDefaults[] = {
        {kTrayFlagChapter1, rdmChapterDefTray1, 4},
        {kTrayFlagChapter2, rdmChapterDefTray2, 8},
        {kTrayFlagChapter3, rdmChapterDefTray3, 16},
    };
    for (const auto& row : kDefaults) {
        if (!(trayFlags & row.flag)) continue;
        SetItemValue(context, row.item, trayValue);
        if (usedMask) *usedMask |= row.mask;
        return;
    }
}

void ResetChapterDefaultTrays(DriverContext* context)
{
    const std::uint32_t tray = MapTrayCodeToSourceValue(kChapterFallbackTrayCode);
    for (std::uint16_t id : {rdmChapterDefTray1, rdmChapterDefTray2, rdmChapterDefTray3})
        SetItemValue(context, id, tray);
}

void ValidateChapterTrays(DriverContext* context)
{
    if (!EnsureChapterList(context)) return;
    const std::uint32_t keptTray = GetItemValue(context, wdmChapterTray);
    const std::uint32_t keptPrint = GetItemValue(context, wdmChapterPrint);
    const BlockOffset trayEntry = FindUiEntry(wdmChapterTray, context);
    const BlockOffset printEntry = FindUiEntry(wdmChapterPrint, context);
    const int count = std::min(Limit(context, wdmChapterNum), GetChapterLimit(context));
    for (int i = 0; i < count; ++i) {
        ChapterRecord& record = context->workArea->chapters[i];
        SetItemValue(context, wdmChapterTray, static_cast<std::uint32_t>(record.tray));
        if (trayEntry) RunUiTransacts(trayEntry, context);
        const std::int16_t tray = static_cast<std::int16_t>(GetItemValue(context, wdmChapterTray));
        if (tray != record.tray) {
            for (std::uint16_t id : kUseTrayItems) {
                if (static_cast<std::int16_t>(GetItemValue(context, id)) != record.tray) continue;
                SetItemValue(context, id, static_cast<std::uint16_t>(tray));
                break;
            }
            record.tray = tray;
        }
        SetItemValue(context, wdmChapterPrint, record.print);
        if (printEntry) RunUiTransacts(printEntry, context);
        record.print = static_cast<std::uint8_t>(GetItemValue(context, wdmChapterPrint));
    }
    SetItemValue(context, wdmChapterTray, keptTray);
    SetItemValue(context, wdmChapterPrint, keptPrint);
}

// ---- loading --------------------------------------------------------------------------------

BOOL LoadChapterDataOnce(DriverContext* context)
{
    if (!HasWork(context)) return FALSE;
    ContextWorkArea* work = context->workArea;
    if (work->chapterDataLoaded) return TRUE;
    // The limits are read before the items: the list that the item load
    // brings in (event 18) is bounded by them.
    ReadChapterLimits(context);
    const BOOL loaded = LoadItemsPass(context->printer, context, kChapterArea, kPassModeByName, nullptr);
    ReadChapterLimits(context);
    NotifySettingsModules(context, kModuleEventRevalidateChapters, nullptr);
    work->chapterDataLoaded = 1;
    return loaded;
}

void EnsureChapterData(DriverContext* context)
{
    if (GetItemValue(context, rdmFuncSelectChapter) == 0) return;
    ModuleDataRecord record{1};
    NotifySettingsModules(context, kModuleEventPrepareModuleData, &record);
}

void CopyCoverMediaType(DriverContext* context, std::uint16_t sourceItem)
{
    const std::uint32_t value = GetItemValue(context, sourceItem);
    for (std::uint16_t id :
         {rdmCoverMediaType, rdmBackCoverMediaType, rdmMPInputMediaType, rdmChapterMediaType, rdmReverseCoverMediaType})
        if (id != sourceItem) SetItemValue(context, id, value);
}

BOOL IsChapterTrayItem(DriverContext*, const SettingItemDescriptor*)
{
    return TRUE;
}

BOOL IsChapterItem(DriverContext* context, const SettingItemDescriptor* item)
{
    return item && item->id >= wdmChapterNum && item->id <= wdmChapterUseTray8 && IsChapterTrayItem(context, item);
}

// ---- hooks ----------------------------------------------------------------------------------

int ChapterModuleCommand(DriverContext* context, std::uint16_t command, void*)
{
    static constexpr std::uint16_t kSources[] = {rdmCoverMediaType, rdmBackCoverMediaType, rdmMPInputMediaType,
                                                 rdmChapterMediaType, rdmReverseCoverMediaType};
    constexpr std::uint16_t kFirstCommand = 303;
    if (command < kFirstCommand || command >= kFirstCommand + std::size(kSources)) return 0;
    CopyCoverMediaType(context, kSources[command - kFirstCommand]);
    return 1;
}

int ChapterModuleEvent(DriverContext* context, std::uint32_t event, void* param, void*)
{
    switch (event) {
    case kModuleEventStoreClaim:
    case kModuleEventLoadClaim: {
        auto* record = static_cast<ItemClaimRecord*>(param);
        if (!record || IsChapterItem(context, record->item)) return 0;
        record->claimed = 1;
        return 1;
    }
    case kModuleEventSkipFileItem:
        return 0;
    case kModuleEventTrayServesChapter: {
        auto* record = static_cast<TrayChapterRecord*>(param);
        if (record) record->serves = TrayAllowsChapterKind(record->trayFlags, record->kind);
        return 1;
    }
    case kModuleEventChapterDefaultTray: {
        auto* record = static_cast<ChapterDefaultTrayRecord*>(param);
        if (record) SetChapterDefaultTray(record->trayFlags, record->sourceValue, record->usedMask, context);
        return 1;
    }
    case kModuleEventTrayReportRead:
        services::ResetChapterDefaultTrays(context);
        return 1;
    case kModuleEventRevalidateChapters:
        ValidateChapterTrays(context);
        return 1;
    case kModuleEventPrepareModuleData: {
        const BOOL loaded = LoadChapterDataOnce(context);
        if (auto* record = static_cast<ModuleDataRecord*>(param)) record->result = loaded;
        return 1;
    }
    case kModuleEventEnsureModuleData:
        EnsureChapterData(context);
        return 1;
    case kModuleEventLoadDone: {
        const auto* record = static_cast<const PassDoneRecord*>(param);
        if (record && record->area == kChapterArea && record->mode == kPassModeByName)
            LoadChapterList(context, nullptr);
        return 0;
    }
    case kModuleEventStoreDone: {
        const auto* record = static_cast<const PassDoneRecord*>(param);
        if (record && record->area == kChapterArea && record->mode == kPassModeByName)
            SaveChapterList(context, nullptr);
        return 0;
    }
    case kModuleEventFileTransferred: {
        const auto* record = static_cast<const FileTransferEvent*>(param);
        if (!record || !record->file) return 0;
        const SettingItemDescriptor* count = FindItem(context, wdmChapterNum);
        const bool carried = count && (count->stateBits & kChapterFileStateBits) != 0;
        const std::uint32_t flags = record->flags;
        const auto presetWith = [&](std::uint32_t direction) {
            return carried && (flags & kSettingsPreset) && (flags & direction);
        };
        if (flags == kSettingsLoad || presetWith(kSettingsLoad))
            LoadChapterList(context, record->file);
        else if (flags == kSettingsWrite || presetWith(kSettingsWrite))
            SaveChapterList(context, record->file);
        return 0;
    }
    default:
        return 0;
    }
}

}  // namespace vexl
