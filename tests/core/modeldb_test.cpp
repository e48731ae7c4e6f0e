// The model database: item lookups by position, the catalogue's names and
// keys, the small tables and the item helpers of the model data.
#include "common/core/modeldb.h"

#include "common/core/items.h"
#include "model_context.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>

namespace vexl {
namespace {

using test::ModelContextTest;

std::u16string NameOf(DriverContext* context, std::uint16_t id) {
    const WCHAR* name = GetItemName(context, id);
    return name ? std::u16string(name) : std::u16string(u"(none)");
}

TEST(ModelDatabase, FindItemByPositionWithTheFirstGap) {
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

TEST(ModelDatabase, CatalogueNamesAreExactAndUnique) {
    // Names are settings-file keys: the running numbers of the judge hooks
    // are a group digit and an index, never a zero-padded number.
    struct Case {
        std::uint16_t id;
        const char16_t* name;
    } cases[] = {
        {35, u"rdmMachineID"},           {242, u"rdmDriverType"},       {704, u"(none)"},
        {722, u"(none)"},                {914, u"(none)"},              {915, u"wdmFreeSizeName"},
        {1201, u"wdmLock000Info"},       {1216, u"wdmLock015Info"},     {1259, u"wdmJudgeHookUcf00"},
        {1268, u"wdmJudgeHookUcf09"},    {1269, u"wdmJudgeHookUcf010"}, {1274, u"wdmJudgeHookUcf015"},
        {1275, u"wdmJudgeHookUcf10"},    {1285, u"wdmJudgeHookUcf110"}, {1418, u"wdmJudgeHookUcf915"},
        {1419, u"wdmJudgeHookCore00"},   {1450, u"wdmJudgeHookCore031"}, {1543, u"(none)"},
        {10203, u"rdmTray29PaperMulti"}, {10433, u"rdmLock001InfoBit7"},
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

TEST(ModelDatabase, PersistenceKeysOfTellingRows) {
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

TEST(ModelDatabase, IdentityOfTheModel) {
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

TEST(ModelDatabase, SymbolConstantMessageAndPageLookups) {
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
    EXPECT_EQ(GetMessageCount(), 29);
    EXPECT_EQ(GetMessageEntry(29), nullptr);

    PageDesc* page = FindPage(nullptr, 4034);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->symbol, std::string("KSD_IDD_DIALOG_FOLDING"));
    EXPECT_EQ(page->symbolKey, FindSymbolByName("KSD_IDD_DIALOG_FOLDING")->symbolKey);
    EXPECT_EQ(FindPageByName(nullptr, "KSD_IDD_BASIC")->pageId, 1002);
    EXPECT_EQ(GetPageItem(page, 0), nullptr);
    EXPECT_EQ(GetPageItem(nullptr, 0), nullptr);
    EXPECT_EQ(GetModelDatabase()->pageTable->count, 79);
}

TEST(ModelDatabase, ValueListsAndNumberedLists) {
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

TEST(ModelDatabase, ItemQueryTableRuns) {
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

TEST(ModelDatabase, SmallTables) {
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

TEST_F(ModelContextTest, OneStepOptionLevelOnlyRises) {
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

TEST_F(ModelContextTest, BalanceMacroFollowsResolutionUnlessUserMacro) {
    EXPECT_EQ(SetBalanceMacroForResolution(1200, context()), 18u);
    EXPECT_EQ(GetItemValue(context(), rdmBalanceMacro), 18u);
    EXPECT_EQ(SetBalanceMacroForResolution(600, context()), 17u);
    EXPECT_EQ(GetItemValue(context(), rdmBalanceMacro), 17u);
    SetItemValue(context(), rdmUseUserMacro, 1);
    EXPECT_EQ(SetBalanceMacroForResolution(1200, context()), 1u);
    EXPECT_EQ(GetItemValue(context(), rdmBalanceMacro), 17u);
}

TEST_F(ModelContextTest, OtherCodeByDriverType) {
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
