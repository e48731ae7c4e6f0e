// The model database: item lookups by position, the catalogue's names and
// keys, the small tables and the item helpers of the model data.
#include "common/core/modeldb.h"

#include "common/core/items.h"
#include "support/model_context.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace vexl {
namespace {

using test::ModelContextTest;

std::u16string NameOf(DriverContext* context, std::uint16_t id)
{
    const WCHAR* name = GetItemName(context, id);
    return name ? std::u16string(name) : std::u16string(u"(none)");
}

TEST(ModelDatabase, FindItemByPositionWithTheFirstGap)
{
    struct Case {
        std::uint16_t id;
        const char16_t* name;  // nullptr: no item
    } cases[] = {
        {0, nullptr},
        {1, u"dmDeviceName"},
        {1554, u"(none)"},  // the last item of the first run has no name
        {1555, nullptr},
        {10000, nullptr},
        {10001, u"rdmServerLogCode"},
        {10434, u"rdmLockDstResolutionBoth"},
        {10435, nullptr},
        {0xFFFF, nullptr},
    };
    for (const Case& c : cases) {
        SettingItemDescriptor* item = FindItem(nullptr, c.id);
        if (c.name == nullptr) {
            EXPECT_EQ(item, nullptr) << c.id;
            continue;
        }
        ASSERT_NE(item, nullptr) << c.id;
        EXPECT_EQ(item->id, c.id);
        EXPECT_EQ(NameOf(nullptr, c.id), c.name) << c.id;
    }
}

TEST(ModelDatabase, CatalogueNamesAreExactAndUnique)
{
    // Names are settings-file keys: the running numbers of the judge hooks
    // are a group digit and an index, never a zero-padded number.
    struct Case {
        std::uint16_t id;
        const char16_t* name;
    } cases[] = {
        {35, u"rdmMachineID"},
        {242, u"rdmDriverType"},
        {704, u"(none)"},
        {722, u"(none)"},
        {914, u"(none)"},
        {915, u"wdmFreeSizeName"},
        {1201, u"wdmLock000Info"},
        {1216, u"wdmLock015Info"},
        {1259, u"wdmJudgeHookUcf00"},
        {1268, u"wdmJudgeHookUcf09"},
        {1269, u"wdmJudgeHookUcf010"},
        {1274, u"wdmJudgeHookUcf015"},
        {1275, u"wdmJudgeHookUcf10"},
        {1285, u"wdmJudgeHookUcf110"},
        {1418, u"wdmJudgeHookUcf915"},
        {1419, u"wdmJudgeHookCore00"},
        {1450, u"wdmJudgeHookCore031"},
        {1543, u"(none)"},
        {10203, u"rdmTray29PaperMulti"},
        {10433, u"rdmLock001InfoBit7"},
    };
    for (const Case& c : cases) EXPECT_EQ(NameOf(nullptr, c.id), c.name) << c.id;

    const ItemTable* table = GetModelDatabase()->itemTable;
    ASSERT_EQ(table->count, 1988);
    std::set<std::u16string> names;
    int named = 0;
    for (int pos = 0; pos < table->count; ++pos) {
        const WCHAR* name = table->items[pos].side->name;
        if (name == nullptr) continue;
        ++named;
        EXPECT_TRUE(names.insert(name).second) << "twice: item " << table->items[pos].id;
    }
    EXPECT_EQ(named, 1988 - (914 - 704 + 1) - (1554 - 1543 + 1));
}

TEST(ModelDatabase, PersistenceKeysOfTellingRows)
{
    struct Case {
        std::uint16_t id;
        std::uint16_t persistence;
        const char16_t* section;  // nullptr: the printer's own section
        const char16_t* key;
    } cases[] = {
        {rdmPrnMethod, kPersistSettingsIni, nullptr, u"PrnMethod"},
        {rdmAPIUseFlag, kPersistSettingsIni, nullptr, u"APIUseFlag"},
        {wdmOvlPath, kPersistSettingsIni, nullptr, u"OverlayDataPath"},
        {rdmUserCode, kPersistPrinterData, u"PRINTLOG", u"UserCode"},
        {rdmTrayField0, kPersistPrinterData, u"TRAYFIELD", u"Tray1Field"},
        {rdmTrayOrient28, kPersistPrinterData, u"ORIENTATION", u"MultiOrient"},
        {rdmTray29PaperMulti, kPersistPrinterData, u"PAPERSIZE", u"MultiPaper"},
        {rdmTrayLock28, kPersistPrinterData, u"TRAYLOCK", u"MultiTrayLock"},
        {wdmPrintPostTray9Name, kPersistPrinterData, u"BINNAME", u"Tray9"},
        {rdmTrayField4, kPersistPrinterData, u"TRAYFIELD", u"Tray5Field"},
        {rdmTray29MediaMulti, kPersistPrinterData, u"MEDIATYPE", u"MultiMedia"},
        {rdmSourceOptionType1Step, kPersistPrinterData, u"OPTION", u"1Step"},
        {rdmLogging, kPersistPrinterData, u"PRINTLOG", u"Logging"},
    };
    for (const Case& c : cases) {
        const SettingItemDescriptor* item = FindItem(nullptr, c.id);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->persistence, c.persistence) << c.id;
        EXPECT_EQ(item->iniSection ? std::u16string(item->iniSection) : std::u16string(),
                  c.section ? std::u16string(c.section) : std::u16string())
            << c.id;
        EXPECT_EQ(std::u16string(item->key), c.key) << c.id;
    }
}

// The printer-data values have the widths that other processes read back.
TEST(ModelDatabase, PrinterDataItemsHaveTheirStoredWidths)
{
    struct Case {
        std::uint16_t id;
        std::uint32_t code;
        std::uint32_t length;
    } cases[] = {
        {rdmServerLogCode, kValueUInt8, 1},     {rdmLogCodeUse, kValueUInt8, 1},
        {rdmPrinterMemory, kValueUInt32, 4},    {rdmMemoryType, kValueUInt8, 1},
        {rdm1StepOptionNum, kValueUInt32, 4},   {rdmTray5Paper, kValueUInt16, 2},
        {rdmTray29MediaMulti, kValueUInt16, 2}, {rdmDllLogCode, kValueAnsiText2, 9},
        {rdmOther, kValueAnsiText2, 33},        {rdmLogging, kValueUInt32, 4},
        {rdmCoverDefTray, kValueInt16, 2},      {wdmPrintPostTray1Name, kValueAnsiText2, 17},
        {wdmOvlPath, kValueAnsiText2, 521},     {rdmTrayField28, kValueBit0 + 28, 4},
        {rdmTrayOrient1, kValueBit0 + 1, 4},    {rdmTrayLock31, kValueBit0 + 31, 4},
    };
    for (const Case& c : cases) {
        const SettingItemDescriptor* item = FindItem(nullptr, c.id);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(ItemTypeCode(*item), c.code) << c.id;
        EXPECT_EQ(ItemLength(*item), c.length) << c.id;
    }
    // Trays between the fifth and the multi-purpose tray keep their group
    // but have no value of their own.
    EXPECT_EQ(FindItem(nullptr, rdmTrayField5)->key, nullptr);
    EXPECT_EQ(FindItem(nullptr, rdmTray28PaperManual)->key, nullptr);
}

// Group bits put items into presets (4), quality lists (16) and stamps (64).
TEST(ModelDatabase, StateBitsOfTheItemGroups)
{
    constexpr std::uint16_t kPreset = 0x0C, kQuality = 0x30, kStamp = 0xC0;
    const ItemTable* table = GetModelDatabase()->itemTable;
    for (int i = 0; i < table->count; ++i) {
        std::uint16_t bits = table->items[i].stateBits;
        EXPECT_TRUE(bits == 0 || bits == 4 || bits == 16 || bits == 64 || bits == 68) << table->items[i].id;
    }
    EXPECT_NE(FindItem(nullptr, wdmChapterNum)->stateBits & kPreset, 0);
    EXPECT_NE(FindItem(nullptr, dmPaperSize)->stateBits & kPreset, 0);
    EXPECT_NE(FindItem(nullptr, rdmBrightness)->stateBits & kQuality, 0);
    EXPECT_NE(FindItem(nullptr, wdmWmChar)->stateBits & kStamp, 0);
    EXPECT_EQ(FindItem(nullptr, rdmWmKind)->stateBits, 68);  // a preset and a stamp item
    EXPECT_EQ(FindItem(nullptr, rdmMachineID)->stateBits, 0);
}

TEST(ModelDatabase, IdentityOfTheModel)
{
    const ModelRecord* record = GetModelDatabase()->modelRecord;
    EXPECT_EQ(std::memcmp(record->modelTag, "priv", 4), 0);
    EXPECT_EQ(record->privateVersion, 322u);
    EXPECT_EQ(record->machineFamily, 0x8C);
    EXPECT_EQ(record->machineSubCode, 1);
    EXPECT_EQ(std::u16string(record->descriptionVersion), u"7.60");
    // rdmDriverType takes its default from the description through its UI
    // symbol; rdmJobBinder is named only by its symbol.
    EXPECT_EQ(FindItem(nullptr, rdmDriverType)->symbolKey, KSD_rdmDriverType);
    EXPECT_EQ(FindItemByKey(nullptr, KSD_rdmDriverType)->id, rdmDriverType);
    const SettingItemDescriptor* binder = FindItemByKey(nullptr, KSD_rdmJobBinder);
    ASSERT_NE(binder, nullptr);
    EXPECT_EQ(binder->id, 704);
    EXPECT_EQ(binder->symbolKey, 0);
    EXPECT_EQ(FindItemByKey(nullptr, 0xFFF0), nullptr);
}

TEST(ModelDatabase, SymbolConstantMessageAndPageLookups)
{
    EXPECT_EQ(FindSymbolByName("IDHELPBUTTON")->symbolKey, 9);
    EXPECT_EQ(FindSymbolByKey(1)->name, std::string("IDOKBUTTON"));
    EXPECT_NE(FindSymbolByName("KSD_ConvertDevmode"), nullptr);
    EXPECT_EQ(FindSymbolByName("ksd_convertdevmode"), nullptr);  // case-sensitive

    EXPECT_EQ(FindConstantByOption(rdmOSKind, 2)->name, std::string("RDMOSKIND_2000"));
    EXPECT_EQ(FindConstantByOption(0, 2041)->name, std::string("IDC_COMBO_PRNMETHOD"));  // second table
    EXPECT_EQ(FindConstantByOption(rdmOSKind, 9), nullptr);
    EXPECT_EQ(FindConstantByName("RDMDRIVERTYPE_EXP")->value, 1u);

    const MessageEntry* message = FindMessageByKey(nullptr, 263);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->stringId, 10062);
    EXPECT_EQ(FindMessageByName(nullptr, "KSD_ScaleIllegalMessage")->stringId, 235);
    EXPECT_EQ(GetMessageCount(), 31);
    EXPECT_EQ(GetMessageEntry(31), nullptr);

    PageDesc* page = FindPage(nullptr, 4034);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->symbol, std::string("KSD_IDD_DIALOG_FOLDING"));
    EXPECT_EQ(page->symbolKey, FindSymbolByName("KSD_IDD_DIALOG_FOLDING")->symbolKey);
    EXPECT_EQ(FindPageByName(nullptr, "KSD_IDD_BASIC")->pageId, 1002);
    EXPECT_EQ(GetPageItem(page, 0), nullptr);
    EXPECT_EQ(GetPageItem(nullptr, 0), nullptr);
    EXPECT_EQ(GetModelDatabase()->pageTable->count, 79);
}

TEST(ModelDatabase, ValueListsAndNumberedLists)
{
    std::int16_t count = 0;
    GetNumberedValueListTable(&count);
    EXPECT_EQ(count, 14);
    const ValueList* twelve = GetNumberedValueList(12);
    ASSERT_NE(twelve, nullptr);
    ASSERT_EQ(twelve->count, 1u);
    EXPECT_EQ(twelve->values[0], 20u);
    EXPECT_EQ(GetNumberedValueList(13), nullptr);
    EXPECT_TRUE(IsValueInNumberedList(5, 10355));
    EXPECT_FALSE(IsValueInNumberedList(5, 10012));

    EXPECT_TRUE(IsItemValueAllowed(rdmDspUnit, 1));
    EXPECT_FALSE(IsItemValueAllowed(rdmDspUnit, 2));
    EXPECT_FALSE(IsItemValueAllowed(rdmScaleH, 100));  // no list
    EXPECT_TRUE(IsItemValueAllowed(rdmBalanceMacro, 18));
    EXPECT_TRUE(IsItemValueAllowed(rdmPrnMethod, 10));
    EXPECT_FALSE(IsValueInList(nullptr, 0));
    EXPECT_TRUE(IsSpecialOptionCode(145));
    EXPECT_FALSE(IsSpecialOptionCode(146));
    EXPECT_FALSE(IsPaperInModeList(nullptr, 9));
}

TEST(ModelDatabase, ItemQueryTableRuns)
{
    const ItemQueryEntry* q = GetItemQueryTable();
    int n = 0;
    std::map<std::uint16_t, std::uint16_t> byCode;
    int titleTwice = 0;
    for (; q[n].queryCode != 0; ++n) {
        byCode[q[n].queryCode] = q[n].itemId;
        if (q[n].itemId == 31 || q[n].itemId == 32) ++titleTwice;
    }
    EXPECT_EQ(n, 1976);
    EXPECT_EQ(byCode.at(10000), 35);
    EXPECT_EQ(byCode.at(11976), 1542);
    EXPECT_EQ(byCode.count(11922), 0u);
    EXPECT_EQ(byCode.at(11921) + 1, byCode.at(11923));
    EXPECT_EQ(titleTwice, 4);
}

TEST(ModelDatabase, SmallTables)
{
    const CustomMediaSlot* slots = GetCustomMediaSlotTable();
    EXPECT_EQ(slots[0].symbolKey, 13708);
    EXPECT_EQ(slots[15].nameItem, wdmCustomMedia16Name);
    EXPECT_EQ(slots[15].charsetItem, wdmMedia16NameCharSet);
    EXPECT_EQ(slots[16].symbolKey, 0);

    EXPECT_EQ(GetSettingControlCount(), 11);
    EXPECT_EQ(GetSettingControlTable()[10].controlId, 2001);

    const LanguageEntry* languages = GetLanguageTable();
    EXPECT_EQ(std::u16string(languages[4].code), u"gm");
    EXPECT_EQ(languages[19].languageId, kLanguageTableEnd);

    const ResolutionEntry* resolutions = GetResolutionTable();
    EXPECT_EQ(resolutions[0].code, 6);
    EXPECT_EQ(resolutions[15].code, 0);

    // The multi-purpose tray is index 28 of every tray family.
    const DeviceOptionCode* paper = GetDefaultTrayPaperMap();
    EXPECT_EQ(paper[12].first, 70u);
    EXPECT_EQ(paper[12].second, static_cast<std::uint32_t>(rdmTray14Paper));
    EXPECT_EQ(GetDefaultTraySourceMap()[11].second, 286u);
    EXPECT_EQ(GetModelTrayPaperMap()[0].first, 0u);
    EXPECT_EQ(GetModelNameCount(nullptr), 4);
    EXPECT_EQ(GetModelNameEntry(nullptr, 4), nullptr);
}

// The values the item rules keep must be allowed, or every merge resets them.
TEST(ModelDatabase, AllowedValuesOfRuledItems)
{
    struct Case {
        std::uint16_t id;
        std::uint32_t value;
        BOOL allowed;
    } cases[] = {
        {rdmPunchType, 0, 1},        {rdmPunchType, 8, 0},        {rdmPunchType, 9, 0},      {rdmPunchType, 17, 1},
        {rdmPunchType, 51, 1},       {rdmStapleType, 68, 1},      {rdmScaleType, 3, 1},      {rdmSortType, 4, 1},
        {rdmSortType, 6, 1},         {rdmOutPaperSize, 267, 1},   {rdmOutPaperSize, 269, 1}, {rdmExtPrintArea, 2, 1},
        {rdmUserPrintMacro, 0, 1},   {rdmUserPrintMacro, 160, 1}, {rdmNUPType, 32772, 1},    {rdmDitherType, 257, 1},
        {rdmEmulation, 255, 1},      {rdmUserPrintMacro, 32, 1},  {rdmBalanceMacro, 18, 1},  {rdmDuplexType, 3, 1},
        {rdmSortType, 2, 1},         {dmPaperSize, 256, 1},       {dmPaperSize, 393, 1},     {rdmOutPaperSize, 1024, 1},
        {rdmTray29PaperMulti, 0, 1}, {rdmTray1Media, 269, 1},     {rdmWmKind, 128, 1},       {rdmWmKind, 4, 0},
        {rdmDriverType, 1, 1},       {rdmFuncSelectPunch, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsItemValueAllowed(c.id, c.value), c.allowed) << c.id << " " << c.value;
    }
}

TEST(ModelDatabase, PjlVariableTable)
{
    const PjlVariableTable* table = GetPjlVariableTable();
    ASSERT_EQ(table->count, 43);
    const char* names[] = {"COLLATE",
                           "OUTBIN",
                           "TRAY",
                           "DUPLEX",
                           "MEMORYSIZE",
                           "USERCODE",
                           "TRAYPAPER1",
                           "TRAYPAPER2",
                           "TRAYPAPER3",
                           "TRAYPAPER4",
                           "TRAYPAPER5",
                           "MultiPAPER",
                           "TRAYPAPERORIENT1",
                           "TRAYPAPERORIENT2",
                           "TRAYPAPERORIENT3",
                           "TRAYPAPERORIENT4",
                           "TRAYPAPERORIENT5",
                           "MultiPAPERORIENT",
                           "TRAYPAPERMEDIA1",
                           "TRAYPAPERMEDIA2",
                           "TRAYPAPERMEDIA3",
                           "TRAYPAPERMEDIA4",
                           "TRAYPAPERMEDIA5",
                           "MultiPAPERMEDIA",
                           "APLPAGESIZE",
                           "APLPAGELAYOUT",
                           "PAPER",
                           "COPIES",
                           "SCALETYPE",
                           "PAPERSCALEH",
                           "PAPERSCALEW",
                           "BINDING",
                           "MARGINODD",
                           "MARGINEVEN",
                           "NUP",
                           "NUPENCLOSURE",
                           "MEDIATYPE",
                           "DSTRESOLUTIONH",
                           "DSTRESOLUTIONW",
                           "SRCRESOLUTIONH",
                           "SRCRESOLUTIONW",
                           "COLORSELECT",
                           "SIMPLEXBINDING"};
    std::map<std::string, const PjlVariable*> byName;
    for (int i = 0; i < table->count; ++i) {
        EXPECT_STREQ(table->rows[i].name, names[i]);
        byName[table->rows[i].name] = &table->rows[i];
        const PjlVariable& v = table->rows[i];
        EXPECT_NE(FindItem(nullptr, static_cast<std::uint16_t>(v.item)), nullptr) << v.name;
        EXPECT_EQ(v.options == nullptr, v.source == kPjlSourceModel) << v.name;
    }
    // The multi-purpose tray is index 28 in the tray families.
    EXPECT_EQ(byName["MultiPAPERORIENT"]->item, static_cast<std::uint32_t>(rdmTrayOrient28));
    EXPECT_EQ(byName["COLLATE"]->access, kPjlAccessCommand | kPjlAccessPrinterOption);
    EXPECT_EQ(byName["MEMORYSIZE"]->access, kPjlAccessPrinterValue);
    EXPECT_EQ(byName["USERCODE"]->kind, kPjlKindString);

    // TRAY3 needs the one-step option with two, three or four trays: one
    // group of one node, then one OR group of three.
    const PjlVariable* tray = byName["TRAY"];
    ASSERT_EQ(tray->optionCount, 7u);
    const PjlOption& tray3 = tray->options[3];
    EXPECT_STREQ(tray3.word, "TRAY3");
    EXPECT_EQ(tray3.storedValue, 2u);
    std::vector<std::array<std::uint32_t, 3>> nodes;
    for (const SettingCondition* n = tray3.condition; n; n = n->next)
        nodes.push_back({n->connective, n->item, n->value});
    std::vector<std::array<std::uint32_t, 3>> want = {{kConditionEndGroup, rdmSourceOptionType1Step, 1},
                                                      {kConditionOr, rdm1StepOptionNum, 2},
                                                      {kConditionOr, rdm1StepOptionNum, 3},
                                                      {kConditionEndGroup, rdm1StepOptionNum, 4}};
    EXPECT_EQ(nodes, want);

    // PAPER CUSTOM: 393, then nine aliases 384-392, all with the multi-purpose tray condition.
    const PjlVariable* paper = byName["PAPER"];
    int customs = 0;
    for (std::uint32_t i = 0; i < paper->optionCount; ++i) {
        const PjlOption& o = paper->options[i];
        if (std::strcmp(o.word, "CUSTOM") != 0) continue;
        EXPECT_EQ(o.storedValue, customs == 0 ? 393u : 383u + customs);
        EXPECT_EQ(o.flags, customs == 0 ? 0u : kPjlOptionAlias);
        ASSERT_NE(o.condition, nullptr);
        EXPECT_EQ(o.condition->item, static_cast<std::uint32_t>(rdmSourceOptionTypeMulti));
        ++customs;
    }
    EXPECT_EQ(customs, 10);

    // NUP OFF is neutral and switches N-up off.
    const PjlVariable* nup = byName["NUP"];
    const PjlOption& off = nup->options[nup->optionCount - 1];
    EXPECT_EQ(off.flags, kPjlOptionNeutral);
    ASSERT_EQ(off.sideCount, 1u);
    EXPECT_EQ(off.sides[0].item, static_cast<std::uint32_t>(rdmFuncSelectNup));
    EXPECT_EQ(off.sides[0].value, 0u);
    EXPECT_EQ(byName["PAPERSCALEH"]->listingCondition->item, static_cast<std::uint32_t>(rdmScaleType));
    EXPECT_EQ(byName["OUTBIN"]->options[0].flags, kPjlOptionAlias);
}

TEST(ModelDatabase, PjlRequiredItemsAliasesAndWatermarkFields)
{
    const std::uint16_t* required = GetRequiredPjlItems();
    std::vector<std::uint16_t> items;
    for (; *required; ++required) items.push_back(*required);
    EXPECT_EQ(items, (std::vector<std::uint16_t>{dmPaperSize, dmOrientation, rdmOutPaperSize, dmDefaultSource}));

    const PjlItemAlias* alias = GetPjlItemAliasTable();
    EXPECT_EQ(alias[0].item, rdmFuncSelectSort);
    EXPECT_EQ(alias[0].writtenThrough, rdmSortType);
    EXPECT_EQ(alias[1].item, 0);

    ASSERT_EQ(GetWatermarkListCount(), 18);
    const WatermarkField* fields = GetWatermarkListTable();
    EXPECT_EQ(fields[0].item, static_cast<std::uint32_t>(wdmWmChar));
    EXPECT_EQ(fields[2].item, static_cast<std::uint32_t>(wdmWmPage));
    EXPECT_EQ(fields[2].skipCount, 2u);
    EXPECT_EQ(fields[5].format, kWatermarkFormatLiteral);
    EXPECT_EQ(fields[5].item, 0u);
    EXPECT_EQ(fields[9].selector, kWatermarkImage);
    EXPECT_EQ(fields[17].item, static_cast<std::uint32_t>(wdmWmColorB));
    EXPECT_STREQ(GetWatermarkListLiteral(0), "WMKORDER");
    EXPECT_STREQ(GetWatermarkListLiteral(1), "PAPER");
    EXPECT_EQ(GetWatermarkListLiteral(2), nullptr);
    EXPECT_EQ(GetWatermarkListLiteral(-1), nullptr);
}

// Every setting control of the table is a control of its page bound to its item.
TEST(ModelDatabase, SettingControlsArePageItems)
{
    const SettingControlRef* refs = GetSettingControlTable();
    for (int i = 0; i < GetSettingControlCount(); ++i) {
        PageDesc* page = FindPage(nullptr, static_cast<std::int16_t>(refs[i].pageId));
        ASSERT_NE(page, nullptr) << refs[i].pageId;
        PageItem* control = FindPageControl(nullptr, page, static_cast<std::int16_t>(refs[i].controlId));
        ASSERT_NE(control, nullptr) << refs[i].controlId;
        ASSERT_NE(control->item, nullptr);
        EXPECT_EQ(control->item->id, refs[i].item);
    }
    EXPECT_EQ(GetPageItem(FindPage(nullptr, 1002), 6), nullptr);
}

TEST(ModelDatabase, SymbolsOfJudgesAndMessages)
{
    const SymbolEntry* judge = FindSymbolByName("KSD_ResolutionOverCheck");
    ASSERT_NE(judge, nullptr);
    EXPECT_EQ(judge->itemId, 835);
    EXPECT_EQ(FindItemByKey(nullptr, judge->symbolKey)->id, 835);
    // A message's symbol has the message's key.
    for (int i = 0; i < GetMessageCount(); ++i) {
        const MessageEntry* message = GetMessageEntry(i);
        const SymbolEntry* symbol = FindSymbolByName(message->name);
        ASSERT_NE(symbol, nullptr) << message->name;
        EXPECT_EQ(symbol->symbolKey, message->messageKey);
    }
    EXPECT_NE(FindSymbolByName("KSD_IDC_PRINTQUALITY_BUTTON_USER"), nullptr);
    EXPECT_EQ(FindConstantByName("RDMWATER_IMG")->value, 2u);
    EXPECT_EQ(FindConstantByName("IDS_OPTION_RAM32")->value, 602u);
}

TEST_F(ModelContextTest, OneStepOptionLevelOnlyRises)
{
    struct Case {
        std::uint16_t item;
        std::uint32_t code;
        std::uint32_t level;
        std::uint32_t expected;
    } cases[] = {
        {rdmSourceOptionType1Step, 105, 2, 2}, {rdmSourceOptionType1Step, 140, 2, 3},
        {rdmSourceOptionType1Step, 30, 0, 1},  {rdmSourceOptionType1Step, 141, 0, 4},
        {rdmSourceOptionType1Step, 7, 1, 1},   {rdmSourceOptionTypeMulti, 140, 0, 0},
    };
    for (const Case& c : cases) {
        SetItemValue(context(), rdm1StepOptionNum, 99);
        std::uint32_t level = c.level;
        UpdateOneStepOptionNum(c.item, c.code, &level, context());
        EXPECT_EQ(level, c.expected) << c.code;
        EXPECT_EQ(GetItemValue(context(), rdm1StepOptionNum), level == c.level ? 99u : level) << c.code;
    }
}

TEST_F(ModelContextTest, BalanceMacroFollowsResolutionUnlessUserMacro)
{
    EXPECT_EQ(SetBalanceMacroForResolution(1200, context()), 18u);
    EXPECT_EQ(GetItemValue(context(), rdmBalanceMacro), 18u);
    EXPECT_EQ(SetBalanceMacroForResolution(600, context()), 17u);
    EXPECT_EQ(GetItemValue(context(), rdmBalanceMacro), 17u);
    SetItemValue(context(), rdmUseUserMacro, 1);
    EXPECT_EQ(SetBalanceMacroForResolution(1200, context()), 1u);
    EXPECT_EQ(GetItemValue(context(), rdmBalanceMacro), 17u);
}

TEST_F(ModelContextTest, OtherCodeByDriverType)
{
    SettingItemDescriptor* other = ctx_.item(rdmOther);
    std::uint8_t* field = GetItemAddress(context(), other);
    std::memset(field, 'x', ItemLength(*other));
    SetItemValue(context(), rdmDriverType, 0x100);  // low byte 0
    SetOtherCodeItem(context());
    EXPECT_STREQ(reinterpret_cast<char*>(field), "8203050207d014");
    EXPECT_EQ(field[ItemLength(*other) - 1], 0);  // the rest of the field is zero
    SetItemValue(context(), rdmDriverType, 1);
    SetOtherCodeItem(context());
    EXPECT_STREQ(reinterpret_cast<char*>(field), "8202050207d014");
}

}  // namespace
}  // namespace vexl
