// The model database: the template context over the generated tables, the
// ModelRecord, the small code maps and the lookups.
#include "common/core/modeldb.h"

#include "common/core/items.h"
#include "common/core/modeldb_tables.h"
#include "common/core/item_layout.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace vexl {
namespace {

// ---- ModelRecord ----------------------------------------------------------

const ModelNameEntry kModelNames[] = {
    {u"VEXL Color 4540", {}, 0},
    {u"VEXL Color 5550", {}, 0},
    {u"VEXL Mono 4540", {}, 0},
    {u"VEXL Mono 5550", {}, 0},
};
const ModelNameList kModelNameList = {4, kModelNames};

ModelRecord g_modelRecord = {
    .specVersion = 0x401,
    .driverVersion = 0x400,
    .settingsIniName = u"TZ16E170.ini",
    .spoolLibraryName = u"TZ16C123.DLL",
    .fieldsDefault = 0x7F03,
    .maxCopies = 999,
    .landscapeRotation = 90,
    .defaultResolution = 600,
    .defaultOrientation = 1,
    .defaultPaperSize = 9,
    .defaultPaperLength = 0,
    .defaultPaperWidth = 0,
    .defaultScale = 100,
    .defaultCopies = 1,
    .defaultSource = 7,
    .defaultPrintQuality = 600,
    .defaultColor = 1,
    .defaultDuplex = 1,
    .defaultYResolution = 600,
    .defaultTTOption = 3,
    .defaultCollate = 0,
    .formName = u"A4",
    .defaultICMMethod = 1,
    .defaultICMIntent = 1,
    .defaultMediaType = 1,
    .defaultDitherType = 1,
    .scaleMin = 1,
    .scaleMax = 1000,
    .copiesMin = 1,
    .copiesMax = 999,
    .modelTag = {kModelTag[0], kModelTag[1], kModelTag[2], kModelTag[3]},
    .privateVersion = kModelPrivateVersion,
    .machineFamily = kModelMachineFamily,
    .machineSubCode = kModelMachineSubCode,
    .deviceResolutionX = 600,
    .deviceResolutionY = 600,
    .handlerDefaults = {1, 1, 1, 0},
    .handlerDefault16 = 16,
    .versionText1 = u"01.00",
    .versionText2 = u"01.00",
    .driverNameFallback = u"US",
    .modelIniName = u"TZ16E172.ini",
    .companionLibrary1 = u"TZ00C140.dll",
    .companionLibrary2 = u"TZ16E140.DLL",
    .companionDataLibrary = u"PX740dat.dll",
    .descriptionVersion = u"7.60",
    .privateVersion16 = static_cast<std::uint16_t>(kModelPrivateVersion),
    .freeSizeMinWidth = 4724,
    .freeSizeMaxWidth = 20408,
    .freeSizeMinLength = 4724,
    .freeSizeMaxLength = 20408,
    .installIniName = u"TZINST.INI",
    .modelNames = &kModelNameList,
};

// ---- the template context ---------------------------------------------------

ItemTable g_itemTable = {modeldata::itemCount, modeldata::items};
PageTable g_pageTable = {modeldata::pageCount, modeldata::pages};
const SymbolTable kSymbolTable = {modeldata::symbolCount, modeldata::symbols};
const ConstantTable kConstantTableA = {modeldata::constantsACount, modeldata::constantsA};
const ConstantTable kConstantTableB = {modeldata::constantsBCount, modeldata::constantsB};
const MessageTable kMessageTable = {modeldata::messageCount, modeldata::messages};
ContextWorkArea g_templateWorkArea{};

// The template has no store: a write through it has nowhere to go, and a
// read gives 0, as for a bare context.
DriverContext g_modelDatabase = {
    .printer = nullptr,
    .secondPrinter = nullptr,
    .currentPageId = 0,
    .itemTable = &g_itemTable,
    .pageTable = &g_pageTable,
    .symbolTable = &kSymbolTable,
    .constantTableA = &kConstantTableA,
    .constantTableB = &kConstantTableB,
    .messageTable = &kMessageTable,
    .modelRecord = &g_modelRecord,
    .store = nullptr,
    .compiledModel = nullptr,
    .workArea = &g_templateWorkArea,
    .uiResourceLibrary = nullptr,
    .secondResourceLibrary = nullptr,
};

DriverContext* OrDatabase(DriverContext* context)
{
    return context ? context : &g_modelDatabase;
}

// ---- code maps --------------------------------------------------------------

const SettingControlRef kSettingControls[] = {
    {13, 1002, 2007}, {54, 1002, 2064}, {53, 1002, 2066},  {8, 1002, 2017},   {46, 1002, 2053}, {209, 1002, 2041},
    {65, 1042, 2071}, {64, 1042, 2073}, {128, 1038, 2633}, {129, 1038, 2635}, {37, 1001, 2001},
};

constexpr int kCustomMediaSlots = 16;
constexpr std::uint16_t kCustomMediaSymbolBase = 13707;

struct CustomMediaSlotTable {
    CustomMediaSlot rows[kCustomMediaSlots + 1];
};

constexpr CustomMediaSlotTable MakeCustomMediaSlots()
{
    CustomMediaSlotTable t{};
    for (int n = 1; n <= kCustomMediaSlots; ++n) {
        t.rows[n - 1] = {static_cast<std::uint16_t>(kCustomMediaSymbolBase + n),
                         static_cast<std::uint16_t>(wdmCustomMediaDataNum + n),
                         static_cast<std::uint16_t>(wdmCustomMedia16Quot + n),
                         static_cast<std::uint16_t>(wdmCustomMedia16Name + n)};
    }
    return t;
}
constexpr CustomMediaSlotTable kCustomMedia = MakeCustomMediaSlots();
static_assert(kCustomMedia.rows[0].ratioItem == wdmCustomMedia1Quot);
static_assert(kCustomMedia.rows[0].nameItem == wdmCustomMedia1Name);
static_assert(kCustomMedia.rows[0].charsetItem == wdmMedia1NameCharSet);

// Device option codes of the bidirectional configuration {item, device code}.
const DeviceOptionCode kDeviceOptionMap[] = {
    {rdmSourceOptionTypeMulti, 16},  {rdmSourceOptionType1Step, 105}, {rdmSourceOptionType1Step, 106},
    {rdmSourceOptionType1Step, 140}, {rdmSourceOptionType1Step, 141}, {0, 0},
};

// Default tray maps {device tray code, item or value}: one row per device tray
// code; the orientation, paper, media and lock items follow the tray field
// item at steps of 32.
constexpr int kDeviceTrays = 13;
constexpr std::uint32_t kDeviceTrayCodes[kDeviceTrays] = {3, 4, 12, 5, 6, 8, 9, 7, 11, 1, 2, 101, 70};
constexpr std::uint32_t kDeviceTrayFields[kDeviceTrays] = {10111, 10112, 10112, 10113, 10114, 10116, 10117,
                                                           10136, 10136, 10138, 10139, 10140, 10124};
constexpr std::uint32_t kDeviceTraySources[kDeviceTrays] = {1, 3, 5, 2, 256, 262, 263, 11, 11, 4, 4, 286, 298};

struct TrayMap {
    DeviceOptionCode rows[kDeviceTrays + 1];
};

constexpr TrayMap MakeTrayMap(std::uint32_t itemStep)
{
    TrayMap m{};
    for (int i = 0; i < kDeviceTrays; ++i) m.rows[i] = {kDeviceTrayCodes[i], kDeviceTrayFields[i] + itemStep};
    return m;
}
constexpr TrayMap MakeSourceMap()
{
    TrayMap m{};
    for (int i = 0; i < kDeviceTrays; ++i) m.rows[i] = {kDeviceTrayCodes[i], kDeviceTraySources[i]};
    return m;
}
constexpr std::uint32_t kTrayItemStep = 32;
constexpr TrayMap kTrayFieldMap = MakeTrayMap(0);
constexpr TrayMap kTrayOrientMap = MakeTrayMap(kTrayItemStep);
constexpr TrayMap kTrayPaperMap = MakeTrayMap(2 * kTrayItemStep);
constexpr TrayMap kTrayMediaMap = MakeTrayMap(3 * kTrayItemStep);
constexpr TrayMap kTrayLockMap = MakeTrayMap(4 * kTrayItemStep);
constexpr TrayMap kTraySourceMap = MakeSourceMap();
static_assert(kTrayOrientMap.rows[0].second == rdmTrayOrient0);
static_assert(kTrayPaperMap.rows[0].second == rdmTray1Paper);
static_assert(kTrayMediaMap.rows[0].second == rdmTray1Media);
static_assert(kTrayLockMap.rows[0].second == rdmTrayLock0);

// The per-model overrides, paper limit tables and the tray value remap are
// empty in this model: every lookup finds nothing.
const DeviceOptionCode kEmptyMap[] = {{0, 0}};

// Device paper and media codes of the bidirectional parsers; the first row is
// the unknown paper and the absent medium.
const DeviceOptionCode kDevicePaperMap[] = {{2048, 0}, {0, 0}};
const DeviceOptionCode kDevicePaperMapRotated[] = {{0, 0}};
const DeviceOptionCode kDeviceMediaMap[] = {{2048, 0}, {0, 0}};

// The paper mode list: papers of the A4 and Letter regions before the marker,
// of the other regions after it; empty in this model.
constexpr std::uint32_t kPaperModeMarker = 1027;
const std::uint32_t kPaperModeList[] = {0, kPaperModeMarker, 0};

// The PJL option interface: the items a base text must hold, the item written
// through another item's variable and the literal line of a watermark block.
const std::uint16_t kRequiredPjlItems[] = {dmPaperSize, dmOrientation, rdmOutPaperSize, dmDefaultSource, 0};
const PjlItemAlias kPjlItemAliases[] = {{rdmFuncSelectSort, rdmSortType}, {0, 0}};
const PjlVariableTable kPjlVariableTable = {modeldata::pjlVariableCount, modeldata::pjlVariables};
const char* const kWatermarkListLiterals[] = {"WMKORDER", "PAPER"};

const std::uint32_t kSpecialOptionCodes[] = {132, 133, 134, 142, 137, 138, 12, 145};

// Position of the first gap in the item table, found once per process.
int g_firstGap = -1;

int FirstGap(const ItemTable* table)
{
    if (g_firstGap < 0) {
        int gap = table->count;
        for (int pos = 1; pos < table->count; ++pos) {
            if (table->items[pos].id != table->items[pos - 1].id + 1) {
                gap = pos;
                break;
            }
        }
        g_firstGap = gap;
    }
    return g_firstGap;
}

const MessageTable* MessagesOf(DriverContext* context)
{
    return static_cast<const MessageTable*>(OrDatabase(context)->messageTable);
}

}  // namespace

// ---- getters -----------------------------------------------------------------

DriverContext* GetModelDatabase()
{
    return &g_modelDatabase;
}
const LanguageEntry* GetLanguageTable()
{
    return modeldata::languages;
}
const ResolutionEntry* GetResolutionTable()
{
    return modeldata::resolutions;
}
const ValueList* GetItemValueListTable()
{
    return modeldata::itemValueLists;
}
const ValueList* GetNumberedValueListTable(std::int16_t* outCount)
{
    if (outCount) *outCount = modeldata::numberedValueListCount;
    return modeldata::numberedValueLists;
}
const SettingControlRef* GetSettingControlTable()
{
    return kSettingControls;
}
int GetSettingControlCount()
{
    return static_cast<int>(std::size(kSettingControls));
}
const CustomMediaSlot* GetCustomMediaSlotTable()
{
    return kCustomMedia.rows;
}
const ItemQueryEntry* GetItemQueryTable()
{
    return modeldata::itemQueries;
}
const DeviceOptionCode* GetDeviceOptionMap()
{
    return kDeviceOptionMap;
}
const DeviceOptionCode* GetDefaultTrayFieldMap()
{
    return kTrayFieldMap.rows;
}
const DeviceOptionCode* GetDefaultTrayOrientMap()
{
    return kTrayOrientMap.rows;
}
const DeviceOptionCode* GetDefaultTrayPaperMap()
{
    return kTrayPaperMap.rows;
}
const DeviceOptionCode* GetDefaultTrayMediaMap()
{
    return kTrayMediaMap.rows;
}
const DeviceOptionCode* GetDefaultTrayLockMap()
{
    return kTrayLockMap.rows;
}
const DeviceOptionCode* GetDefaultTraySourceMap()
{
    return kTraySourceMap.rows;
}
const DeviceOptionCode* GetModelTrayFieldMap()
{
    return kEmptyMap;
}
const DeviceOptionCode* GetModelTrayOrientMap()
{
    return kEmptyMap;
}
const DeviceOptionCode* GetModelTrayPaperMap()
{
    return kEmptyMap;
}
const DeviceOptionCode* GetModelTrayMediaMap()
{
    return kEmptyMap;
}
const DeviceOptionCode* GetModelTrayLockMap()
{
    return kEmptyMap;
}
const DeviceOptionCode* GetModelTraySourceMap()
{
    return kEmptyMap;
}
const DeviceOptionCode* GetDevicePaperMap()
{
    return kDevicePaperMap;
}
const DeviceOptionCode* GetDevicePaperMapRotated()
{
    return kDevicePaperMapRotated;
}
const DeviceOptionCode* GetDeviceMediaMap()
{
    return kDeviceMediaMap;
}
const DeviceOptionCode* GetDefaultPaperLimitTable()
{
    return kEmptyMap;
}
const DeviceOptionCode* GetModelPaperLimitSets()
{
    return kEmptyMap;
}
const DeviceOptionCode* GetTrayValueRemapTable()
{
    return kEmptyMap;
}
const std::uint32_t* GetPaperModeList()
{
    return kPaperModeList;
}
const PjlVariableTable* GetPjlVariableTable()
{
    return &kPjlVariableTable;
}
const std::uint16_t* GetRequiredPjlItems()
{
    return kRequiredPjlItems;
}
const PjlItemAlias* GetPjlItemAliasTable()
{
    return kPjlItemAliases;
}
const WatermarkField* GetWatermarkListTable()
{
    return modeldata::watermarkFields;
}
int GetWatermarkListCount()
{
    return modeldata::watermarkFieldCount;
}
const char* GetWatermarkListLiteral(int index)
{
    return index >= 0 && index < static_cast<int>(std::size(kWatermarkListLiterals)) ? kWatermarkListLiterals[index]
                                                                                     : nullptr;
}

// ---- item lookups --------------------------------------------------------------

SettingItemDescriptor* FindItem(DriverContext* context, std::uint16_t id)
{
    const ItemTable* table = OrDatabase(context)->itemTable;
    if (table == nullptr || table->items == nullptr || id == 0) return nullptr;
    // The second run starts at the position of the first gap.
    if (id >= kSecondItemRun.first) {
        int pos = FirstGap(table) + (id - kSecondItemRun.first);
        return pos < table->count ? &table->items[pos] : nullptr;
    }
    // Below the second run: ids 1 to G sit at position id - 1.
    return id <= FirstGap(table) ? &table->items[id - 1] : nullptr;
}

SettingItemDescriptor* FindItemByKey(DriverContext* context, std::uint16_t symbolKey)
{
    const ItemTable* table = OrDatabase(context)->itemTable;
    if (table != nullptr) {
        for (int pos = 0; pos < table->count; ++pos) {
            if (table->items[pos].symbolKey == symbolKey) return &table->items[pos];
        }
    }
    const SymbolEntry* symbol = FindSymbolByKey(symbolKey);
    return symbol ? FindItem(context, static_cast<std::uint16_t>(symbol->itemId)) : nullptr;
}

const WCHAR* GetItemName(DriverContext* context, std::uint16_t id)
{
    SettingItemDescriptor* item = FindItem(context, id);
    return item && item->side ? item->side->name : nullptr;
}

const SymbolEntry* FindSymbolByKey(std::uint16_t key)
{
    const std::int16_t* first = modeldata::symbolsByKey;
    const std::int16_t* last = first + modeldata::symbolCount;
    const std::int16_t* at = std::lower_bound(
        first, last, key, [](std::int16_t pos, std::uint16_t k) { return modeldata::symbols[pos].symbolKey < k; });
    return at != last && modeldata::symbols[*at].symbolKey == key ? &modeldata::symbols[*at] : nullptr;
}

const SymbolEntry* FindSymbolByName(const char* name)
{
    if (name == nullptr) return nullptr;
    const std::int16_t* first = modeldata::symbolsByName;
    const std::int16_t* last = first + modeldata::symbolsByNameCount;
    const std::int16_t* at = std::lower_bound(first, last, name, [](std::int16_t pos, const char* n) {
        return std::strcmp(modeldata::symbols[pos].name, n) < 0;
    });
    return at != last && std::strcmp(modeldata::symbols[*at].name, name) == 0 ? &modeldata::symbols[*at] : nullptr;
}

const ConstantEntry* FindConstantByOption(std::int16_t itemId, std::uint16_t optionId)
{
    const auto before = [](const ConstantEntry* c, std::pair<std::int16_t, std::uint16_t> key) {
        return std::pair(c->itemId, c->optionId) < key;
    };
    const ConstantEntry* const* first = modeldata::constantsByOption;
    const ConstantEntry* const* last = first + modeldata::constantsACount + modeldata::constantsBCount;
    const ConstantEntry* const* at = std::lower_bound(first, last, std::pair(itemId, optionId), before);
    return at != last && (*at)->itemId == itemId && (*at)->optionId == optionId ? *at : nullptr;
}

const ConstantEntry* FindConstantByName(const char* name)
{
    if (name == nullptr) return nullptr;
    const ConstantEntry* const* first = modeldata::constantsByName;
    const ConstantEntry* const* last = first + modeldata::constantsByNameCount;
    const ConstantEntry* const* at = std::lower_bound(
        first, last, name, [](const ConstantEntry* c, const char* n) { return std::strcmp(c->name, n) < 0; });
    return at != last && std::strcmp((*at)->name, name) == 0 ? *at : nullptr;
}

const MessageEntry* FindMessageByKey(DriverContext* context, std::uint16_t key)
{
    const MessageTable* table = MessagesOf(context);
    for (int i = 0; i < table->count; ++i) {
        if (table->entries[i].messageKey == key) return &table->entries[i];
    }
    return nullptr;
}

const MessageEntry* FindMessageByName(DriverContext* context, const char* name)
{
    if (name == nullptr) return nullptr;
    const MessageTable* table = MessagesOf(context);
    for (int i = 0; i < table->count; ++i) {
        if (std::strcmp(table->entries[i].name, name) == 0) return &table->entries[i];
    }
    return nullptr;
}

int GetMessageCount()
{
    return modeldata::messageCount;
}

const MessageEntry* GetMessageEntry(int index)
{
    return index >= 0 && index < modeldata::messageCount ? &modeldata::messages[index] : nullptr;
}

// ---- pages ----------------------------------------------------------------------

PageDesc* FindPage(DriverContext* context, std::int16_t pageId)
{
    const PageTable* table = OrDatabase(context)->pageTable;
    if (table == nullptr) return nullptr;
    for (int i = 0; i < table->count; ++i) {
        if (table->pages[i].pageId == static_cast<std::uint16_t>(pageId)) return &table->pages[i];
    }
    return nullptr;
}

PageDesc* FindPageByName(DriverContext* context, const char* name)
{
    const PageTable* table = OrDatabase(context)->pageTable;
    if (table == nullptr || name == nullptr) return nullptr;
    for (int i = 0; i < table->count; ++i) {
        if (table->pages[i].symbol && std::strcmp(table->pages[i].symbol, name) == 0) return &table->pages[i];
    }
    return nullptr;
}

PageItem* GetPageItem(PageDesc* page, int index)
{
    if (page == nullptr || page->items == nullptr || index < 0 || index >= page->itemCount) return nullptr;
    return &page->items[index];
}

namespace {

template <typename Match> PageItem* FindInPages(DriverContext* context, PageDesc* page, Match match)
{
    auto search = [&](PageDesc* p) -> PageItem* {
        for (int i = 0; i < p->itemCount; ++i) {
            if (p->items && match(p->items[i])) return &p->items[i];
        }
        return nullptr;
    };
    if (page) return search(page);
    const PageTable* table = OrDatabase(context)->pageTable;
    if (table == nullptr) return nullptr;
    for (int i = 0; i < table->count; ++i) {
        if (PageItem* found = search(&table->pages[i])) return found;
    }
    return nullptr;
}

}  // namespace

PageItem* FindPageControl(DriverContext* context, PageDesc* page, std::int16_t controlId)
{
    return FindInPages(context, page,
                       [&](const PageItem& item) { return item.controlId == static_cast<std::uint16_t>(controlId); });
}

PageItem* FindPageItemByKey(DriverContext* context, PageDesc* page, std::int16_t symbolKey)
{
    return FindInPages(context, page,
                       [&](const PageItem& item) { return item.symbolKey == static_cast<std::uint16_t>(symbolKey); });
}

PageItem* FindPageItemByName(DriverContext* context, PageDesc* page, const char* symbolName)
{
    const SymbolEntry* symbol = FindSymbolByName(symbolName);
    if (symbol == nullptr) return nullptr;
    return FindPageItemByKey(context, page, static_cast<std::int16_t>(symbol->symbolKey));
}

// ---- value lists ------------------------------------------------------------------

const ValueList* FindItemValueList(std::uint16_t itemId)
{
    for (const ValueList* row = modeldata::itemValueLists; row->itemId != 0; ++row) {
        if (row->itemId == itemId) return row;
    }
    return nullptr;
}

const ValueList* GetNumberedValueList(std::uint16_t index)
{
    // The last row of the table is the all-zero end row.
    return index < modeldata::numberedValueListCount - 1 ? &modeldata::numberedValueLists[index] : nullptr;
}

BOOL IsValueInList(const ValueList* list, std::uint32_t value)
{
    if (list == nullptr || list->values == nullptr) return 0;
    for (std::uint32_t i = 0; i < list->count; ++i) {
        if (list->values[i] == value) return 1;
    }
    return 0;
}

BOOL IsItemValueAllowed(std::uint16_t itemId, std::uint32_t value)
{
    return IsValueInList(FindItemValueList(itemId), value);
}

BOOL IsValueInNumberedList(std::uint16_t index, std::uint32_t value)
{
    return IsValueInList(GetNumberedValueList(index), value);
}

BOOL IsSpecialOptionCode(std::uint32_t code)
{
    for (std::uint32_t special : kSpecialOptionCodes) {
        if (special == code) return 1;
    }
    return 0;
}

BOOL IsPaperInModeList(DriverContext* context, std::uint32_t paper)
{
    constexpr std::uint32_t kA4 = 9;
    constexpr std::uint32_t kLetter = 1;
    std::uint32_t region =
        GetItemServices().getRegionStandardPaper ? GetItemServices().getRegionStandardPaper(context) : kA4;
    const std::uint32_t* entry = kPaperModeList;
    if (region != kA4 && region != kLetter) {
        while (*entry != kPaperModeMarker) ++entry;
        ++entry;
    }
    for (; *entry != 0 && *entry != kPaperModeMarker; ++entry) {
        if (*entry == paper) return 1;
    }
    return 0;
}

// ---- small item helpers ----------------------------------------------------------

void UpdateOneStepOptionNum(std::uint16_t itemId, std::uint32_t optionCode, std::uint32_t* level,
                            DriverContext* context)
{
    if (itemId != rdmSourceOptionType1Step || level == nullptr) return;
    std::uint32_t newLevel = 0;
    switch (optionCode) {
    case 105:
    case 30:
        newLevel = 1;
        break;
    case 106:
        newLevel = 2;
        break;
    case 140:
        newLevel = 3;
        break;
    case 141:
        newLevel = 4;
        break;
    default:
        return;
    }
    if (*level != 0 && *level >= newLevel) return;
    SetItemValue(context, rdm1StepOptionNum, newLevel);
    *level = newLevel;
}

std::uint32_t SetBalanceMacroForResolution(std::uint32_t resolution, DriverContext* context)
{
    std::uint32_t userMacro = GetItemValue(context, rdmUseUserMacro);
    if (userMacro != 0) return userMacro;
    bool standard = resolution == 200 || resolution == 300 || resolution == 400 || resolution == 600;
    std::uint32_t macro = standard ? 17 : 18;
    SetItemValue(context, rdmBalanceMacro, macro);
    return macro;
}

const char* GetOtherCodeText(DriverContext* context)
{
    return (GetItemValue(context, rdmDriverType) & 0xFF) == 0 ? "8203050207d014" : "8202050207d014";
}

void SetOtherCodeItem(DriverContext* context)
{
    const char* text = GetOtherCodeText(context);
    SetItemBytes(context, rdmOther, text, std::strlen(text));
}

std::uint16_t GetModelNameCount(DriverContext* context)
{
    const ModelRecord* record = OrDatabase(context)->modelRecord;
    return record && record->modelNames ? record->modelNames->count : 0;
}

const ModelNameEntry* GetModelNameEntry(DriverContext* context, int index)
{
    const ModelRecord* record = OrDatabase(context)->modelRecord;
    if (record == nullptr || record->modelNames == nullptr) return nullptr;
    if (index < 0 || index >= record->modelNames->count) return nullptr;
    return &record->modelNames->entries[index];
}

}  // namespace vexl
