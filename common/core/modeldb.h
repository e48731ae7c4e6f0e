// The model database: the static, read-only data of the model that every
// deliverable carries. The item catalogue, the pages, symbols, constants,
// messages, languages, the ModelRecord and the small value lists and code
// maps. The tables themselves are generated from common/core/modeldb/*.tsv;
// this header gives their records and the lookups over them.
#pragma once

#include "common/core/context.h"
#include "common/core/item_ids.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl {

// One row of an item's value map: a stored value and the option id that
// judges and pages compare. A map ends with a row whose option id is 0;
// option id 0xFFFF marks a stored value without an option.
struct ValueMapEntry {
    std::uint32_t storedValue;
    std::uint16_t optionId;
};
inline constexpr std::uint16_t kNoOption = 0xFFFF;

// What a descriptor shares with the static data: its value map and name.
struct ItemSideBlock {
    const ValueMapEntry* valueMap;
    const WCHAR* name;
};

// The type word of a descriptor: bits 0-15 the length in bytes, bits 24-29
// the value type, bits 30-31 the store area.
inline constexpr std::uint32_t kTypeLengthMask = 0xFFFF;
inline constexpr int kTypeCodeShift = 24;
inline constexpr std::uint32_t kTypeCodeMask = 0x3F;
inline constexpr int kTypeAreaShift = 30;

// Value types of items (the code in bits 24-29 of the type word).
enum ItemValueType : std::uint32_t {
    kValueRaw = 0,  // raw bytes of the given length (every code not named below)
    kValueInt8 = 1,
    kValueInt16 = 2,
    kValueInt32 = 3,
    kValueUInt8 = 4,
    kValueUInt16 = 5,
    kValueUInt32 = 6,
    kValueAnsiText = 7,
    kValueWideText = 8,
    kValueAnsiText2 = 10,
    kValueWideText2 = 11,
    kValueBit0 = 16,  // 16-47: bit (code - 16) of the little-endian word at the offset
    kValueBitLast = 47,
};

// The part of the settings store that holds an item.
enum StoreArea : std::uint32_t {
    kAreaNone = 0,
    kAreaDevmode = 1,
    kAreaPrinter = 2,
    kAreaWork = 3,
};

// Persistence kinds of an item.
inline constexpr std::uint16_t kPersistPrinterData = 1;
inline constexpr std::uint16_t kPersistSettingsIni = 2;

// Bits of a descriptor's state word.
inline constexpr std::uint16_t kItemChangeMarkMask = 0x0003;
inline constexpr std::uint16_t kItemStaticStateMask = 0x03FF;

// A setting item. The static table and every context's copy use this
// record; the copy gets its own side block and starts with event mask 0.
struct SettingItemDescriptor {
    std::uint16_t id;
    std::uint16_t symbolKey;
    std::uint32_t typeWord;
    std::uint16_t offset;
    std::uint16_t persistence;
    const WCHAR* iniSection;
    const WCHAR* key;
    std::uint16_t emissionKind;
    std::uint16_t stateBits;
    ItemSideBlock* side;
    std::uint32_t eventMask;
};

inline std::uint32_t ItemLength(const SettingItemDescriptor& d)
{
    return d.typeWord & kTypeLengthMask;
}
inline std::uint32_t ItemTypeCode(const SettingItemDescriptor& d)
{
    return (d.typeWord >> kTypeCodeShift) & kTypeCodeMask;
}
inline std::uint32_t ItemArea(const SettingItemDescriptor& d)
{
    return d.typeWord >> kTypeAreaShift;
}

struct SymbolEntry {
    std::int16_t itemId;
    std::uint16_t symbolKey;
    const char* name;
};

struct ConstantEntry {
    std::int16_t itemId;
    std::int16_t controlKey;
    std::uint16_t optionId;
    std::uint16_t reserved;
    std::uint32_t flag;  // 1 for option constants
    const char* name;
    std::uint32_t value;
};

struct MessageEntry {
    std::uint16_t messageKey;
    std::uint16_t stringId;
    std::uint16_t reserved1;
    std::uint16_t reserved2;
    const char* name;
    std::uint32_t reserved3;
};

// Heads of the shared tables that a context points to.
struct SymbolTable {
    std::int16_t count;
    const SymbolEntry* entries;
};
struct ConstantTable {
    std::int16_t count;
    const ConstantEntry* entries;
};
struct MessageTable {
    std::int16_t count;
    const MessageEntry* entries;
};

// A language: the rdmLanguageID value, the Windows language ids, the class
// and the two-letter code. The table ends with id 0xFFFF.
struct LanguageEntry {
    std::uint16_t languageId;
    std::uint16_t primaryLangId;
    std::uint16_t subLanguage;
    std::uint16_t languageClass;
    const WCHAR* code;
};
inline constexpr std::uint16_t kLanguageTableEnd = 0xFFFF;

// One control of a page. The run-time fields belong to the page engine.
struct PageItem {
    std::uint16_t symbolKey;
    std::uint16_t controlId;
    std::uint16_t controlType;
    std::uint16_t alternateId;
    std::uint16_t helpId;
    std::uint16_t hoverStringId;
    std::uint16_t restrictionMessageId;
    std::uint16_t linkedControlId;
    std::uint16_t reserved;
    std::uint16_t followUpCommand;
    const void* optionNode;
    SettingItemDescriptor* item;  // the static record; look the context's up by its id
    void* oldWindowProc;
    void* extraData;
    std::uint32_t flags;
    std::uint16_t state;
    void* window;
    std::uint32_t flags2;
    std::uint16_t lockMessageId;
    std::uint16_t lockMessageId2;
};

// Sheet masks of a page.
inline constexpr std::uint16_t kSheetDocument = 1;
inline constexpr std::uint16_t kSheetDevice = 2;
inline constexpr std::uint16_t kSheetSubDialog = 4;

struct PageDesc {
    std::uint16_t pageId;
    std::uint16_t symbolKey;
    std::uint16_t sheetMask;
    std::uint16_t reserved;
    const char* symbol;
    std::uint32_t helpId;
    PageItem* items;
    std::uint16_t runtimeFlag;
    std::int16_t itemCount;
    void* window;
    std::uint32_t modalRunning;
};

struct ModelNameEntry {
    const WCHAR* name;
    std::uint8_t reserved[8];
    std::uint32_t capabilities;
};

struct ModelNameList {
    std::uint16_t count;
    const ModelNameEntry* entries;
};

// The compiled-in record of the model, copied per context.
struct ModelRecord {
    std::uint16_t specVersion;
    std::uint16_t driverVersion;
    const WCHAR* settingsIniName;
    const WCHAR* spoolLibraryName;
    std::uint32_t fieldsDefault;
    std::uint16_t maxCopies;
    std::uint32_t landscapeRotation;
    std::uint32_t defaultResolution;
    std::uint16_t defaultOrientation;
    std::uint16_t defaultPaperSize;
    std::uint16_t defaultPaperLength;
    std::uint16_t defaultPaperWidth;
    std::uint16_t defaultScale;
    std::uint16_t defaultCopies;
    std::uint16_t defaultSource;
    std::uint16_t defaultPrintQuality;
    std::uint16_t defaultColor;
    std::uint16_t defaultDuplex;
    std::uint16_t defaultYResolution;
    std::uint16_t defaultTTOption;
    std::uint16_t defaultCollate;
    const WCHAR* formName;
    std::uint32_t defaultICMMethod;
    std::uint32_t defaultICMIntent;
    std::uint32_t defaultMediaType;
    std::uint32_t defaultDitherType;
    std::uint32_t scaleMin;
    std::uint32_t scaleMax;
    std::uint32_t copiesMin;
    std::uint32_t copiesMax;
    std::uint8_t modelTag[4];
    std::uint32_t privateVersion;
    std::uint8_t machineFamily;
    std::uint8_t machineSubCode;
    std::uint16_t deviceResolutionX;
    std::uint16_t deviceResolutionY;
    std::uint8_t handlerDefaults[4];
    std::uint16_t handlerDefault16;
    const WCHAR* versionText1;
    const WCHAR* versionText2;
    const WCHAR* driverNameFallback;
    const WCHAR* modelIniName;
    const WCHAR* companionLibrary1;
    const WCHAR* companionLibrary2;
    const WCHAR* companionDataLibrary;
    const WCHAR* descriptionVersion;
    std::uint16_t privateVersion16;
    std::uint32_t freeSizeMinWidth;
    std::uint32_t freeSizeMaxWidth;
    std::uint32_t freeSizeMinLength;
    std::uint32_t freeSizeMaxLength;
    const WCHAR* installIniName;
    const ModelNameList* modelNames;
};

// A list of values: the allowed values of an item (item value lists), or a
// numbered list (first word 0xFFFF).
struct ValueList {
    std::uint32_t itemId;
    std::uint32_t count;
    const std::uint32_t* values;
};
inline constexpr std::uint32_t kNumberedListMarker = 0xFFFF;

struct ResolutionEntry {
    std::uint16_t code;
    std::uint16_t xDpi;
    std::uint16_t yDpi;
};

// An 8-byte pair of the device code maps; a map ends with a zero pair.
struct DeviceOptionCode {
    std::uint32_t first;
    std::uint32_t second;
};

struct SettingControlRef {
    std::uint16_t item;
    std::uint16_t pageId;
    std::uint16_t controlId;
};

struct CustomMediaSlot {
    std::uint16_t symbolKey;
    std::uint16_t ratioItem;
    std::uint16_t nameItem;
    std::uint16_t charsetItem;
};

struct ItemQueryEntry {
    std::uint16_t queryCode;
    std::uint16_t itemId;
};

// ---- the tables of the PJL option interface ----------------------------------

// A condition on the current values of items: a list of nodes, each holding
// when its item's value equals its value. A node's connective joins it to
// the next: kConditionOr inside an OR group, kConditionEndGroup ends the
// group and joins it to the next group by AND, kConditionAnd joins two nodes
// by AND inside one OR term. An empty list (NULL) holds.
struct SettingCondition {
    const SettingCondition* next;
    std::uint32_t connective;
    std::uint32_t item;
    std::uint32_t value;
};
inline constexpr std::uint32_t kConditionOr = 0;
inline constexpr std::uint32_t kConditionEndGroup = 1;
inline constexpr std::uint32_t kConditionAnd = 2;

// A setting written together with a PJL option.
struct PjlSideSetting {
    std::uint32_t item;
    std::uint32_t value;
};

// One option of a PJL variable: the word stands for the stored value.
struct PjlOption {
    std::uint32_t flags;
    std::uint32_t storedValue;
    const char* word;
    std::uint32_t sideCount;
    const PjlSideSetting* sides;
    const SettingCondition* condition;  // NULL: always
};
inline constexpr std::uint32_t kPjlOptionNeutral = 0x1;  // stands for "off"
inline constexpr std::uint32_t kPjlOptionAlias = 0x10;   // a further value written as the same word
inline constexpr std::uint32_t kPjlOptionNeverOffered = 0x100;

// A PJL variable and the item it sets.
struct PjlVariable {
    std::uint32_t item;
    std::uint32_t uiVariant;
    std::uint32_t source;
    std::uint32_t access;
    std::uint32_t kind;
    const char* name;
    std::uint32_t optionCount;
    const PjlOption* options;                  // own options; NULL for a model-defined variable
    const SettingCondition* listingCondition;  // of a numeric variable; NULL: always listed
};
inline constexpr std::uint32_t kPjlSourceOwn = 0;
inline constexpr std::uint32_t kPjlSourceModel = 1;  // value, words and line text from the item's UI entry
inline constexpr std::uint32_t kPjlAccessCommand = 0x1;
inline constexpr std::uint32_t kPjlAccessPrinterOption = 0x2;
inline constexpr std::uint32_t kPjlAccessPrinterValue = 0x4;
inline constexpr std::uint32_t kPjlKindEnumeration = 0x1;
inline constexpr std::uint32_t kPjlKindNumeric = 0x8;
inline constexpr std::uint32_t kPjlKindString = 0x10;

struct PjlVariableTable {
    std::int16_t count;
    const PjlVariable* rows;
};

// An item whose value is written through the variable of another item.
// The table ends with a zero row.
struct PjlItemAlias {
    std::uint16_t item;
    std::uint16_t writtenThrough;
};

// One field of a watermark block.
struct WatermarkField {
    std::uint32_t selector;   // the watermark kind it applies to
    std::uint32_t skipCount;  // rows skipped after the row was written
    std::uint32_t format;
    std::uint32_t item;  // 0 for the literal line
};
inline constexpr std::uint32_t kWatermarkText = 0;
inline constexpr std::uint32_t kWatermarkImage = 1;
inline constexpr std::uint32_t kWatermarkAnyKind = 0xFFFF;
inline constexpr std::uint32_t kWatermarkFormatString = 1;
inline constexpr std::uint32_t kWatermarkFormatBoolean = 2;
inline constexpr std::uint32_t kWatermarkFormatNumeric = 3;
inline constexpr std::uint32_t kWatermarkFormatEnumeration = 4;
inline constexpr std::uint32_t kWatermarkFormatLiteral = 5;

// Table getters.
DriverContext* GetModelDatabase();
const LanguageEntry* GetLanguageTable();
const ResolutionEntry* GetResolutionTable();
const ValueList* GetItemValueListTable();
const ValueList* GetNumberedValueListTable(std::int16_t* outCount);
const SettingControlRef* GetSettingControlTable();
int GetSettingControlCount();
const CustomMediaSlot* GetCustomMediaSlotTable();
const ItemQueryEntry* GetItemQueryTable();
const DeviceOptionCode* GetDeviceOptionMap();
const DeviceOptionCode* GetDefaultTrayFieldMap();
const DeviceOptionCode* GetDefaultTrayOrientMap();
const DeviceOptionCode* GetDefaultTrayPaperMap();
const DeviceOptionCode* GetDefaultTrayMediaMap();
const DeviceOptionCode* GetDefaultTrayLockMap();
const DeviceOptionCode* GetDefaultTraySourceMap();
const DeviceOptionCode* GetModelTrayFieldMap();
const DeviceOptionCode* GetModelTrayOrientMap();
const DeviceOptionCode* GetModelTrayPaperMap();
const DeviceOptionCode* GetModelTrayMediaMap();
const DeviceOptionCode* GetModelTrayLockMap();
const DeviceOptionCode* GetModelTraySourceMap();
const DeviceOptionCode* GetDevicePaperMap();
const DeviceOptionCode* GetDevicePaperMapRotated();
const DeviceOptionCode* GetDeviceMediaMap();
const DeviceOptionCode* GetDefaultPaperLimitTable();
const DeviceOptionCode* GetModelPaperLimitSets();
const DeviceOptionCode* GetTrayValueRemapTable();
const std::uint32_t* GetPaperModeList();
const PjlVariableTable* GetPjlVariableTable();
// The items every base text of PJL lines must hold; ends with 0.
const std::uint16_t* GetRequiredPjlItems();
const PjlItemAlias* GetPjlItemAliasTable();
const WatermarkField* GetWatermarkListTable();
int GetWatermarkListCount();
// 0 "WMKORDER" (the variable of the literal line), 1 "PAPER" (its value); NULL otherwise.
const char* GetWatermarkListLiteral(int index);

// Item lookups. A NULL context uses the model database.
SettingItemDescriptor* FindItem(DriverContext* context, std::uint16_t id);
SettingItemDescriptor* FindItemByKey(DriverContext* context, std::uint16_t symbolKey);
const WCHAR* GetItemName(DriverContext* context, std::uint16_t id);

const SymbolEntry* FindSymbolByKey(std::uint16_t key);
const SymbolEntry* FindSymbolByName(const char* name);
const ConstantEntry* FindConstantByOption(std::int16_t itemId, std::uint16_t optionId);
const ConstantEntry* FindConstantByName(const char* name);
const MessageEntry* FindMessageByKey(DriverContext* context, std::uint16_t key);
const MessageEntry* FindMessageByName(DriverContext* context, const char* name);
int GetMessageCount();
const MessageEntry* GetMessageEntry(int index);

PageDesc* FindPage(DriverContext* context, std::int16_t pageId);
PageDesc* FindPageByName(DriverContext* context, const char* name);
PageItem* GetPageItem(PageDesc* page, int index);
PageItem* FindPageControl(DriverContext* context, PageDesc* page, std::int16_t controlId);
PageItem* FindPageItemByKey(DriverContext* context, PageDesc* page, std::int16_t symbolKey);
PageItem* FindPageItemByName(DriverContext* context, PageDesc* page, const char* symbolName);

// Value lists.
const ValueList* FindItemValueList(std::uint16_t itemId);
const ValueList* GetNumberedValueList(std::uint16_t index);
BOOL IsValueInList(const ValueList* list, std::uint32_t value);
BOOL IsItemValueAllowed(std::uint16_t itemId, std::uint32_t value);
BOOL IsValueInNumberedList(std::uint16_t index, std::uint32_t value);
BOOL IsSpecialOptionCode(std::uint32_t code);
BOOL IsPaperInModeList(DriverContext* context, std::uint32_t paper);

// Small item helpers of the model data.
void UpdateOneStepOptionNum(std::uint16_t itemId, std::uint32_t optionCode, std::uint32_t* level,
                            DriverContext* context);
std::uint32_t SetBalanceMacroForResolution(std::uint32_t resolution, DriverContext* context);
const char* GetOtherCodeText(DriverContext* context);
void SetOtherCodeItem(DriverContext* context);

// The model-name list of the context's ModelRecord.
std::uint16_t GetModelNameCount(DriverContext* context);
const ModelNameEntry* GetModelNameEntry(DriverContext* context, int index);

}  // namespace vexl
