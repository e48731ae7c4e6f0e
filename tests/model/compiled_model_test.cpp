// The compiled-model block: its header and record bytes, the order and slots
// of the UI part, determinism, and the validation of blocks from outside.
#include "common/core/le.h"
#include "common/model/block_layout.h"
#include "common/model/ui_lookup.h"

#include "compiled_fixture.h"

#include <gtest/gtest.h>

#include <vector>

namespace vexl::model {
namespace {

using test::CompiledContextTest;

std::vector<std::uint8_t> Bytes(const CompiledModel* model)
{
    return std::vector<std::uint8_t>(model->block, model->block + model->totalSize);
}

CompiledModel* CompilePackage()
{
    test::FixtureNames names = test::PackageDescriptionNames();
    std::ifstream file(test::kPackageFolder / "TZ16E1MD.VXD", std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    std::unique_ptr<CompileState> state = ParseDescriptionText(text.str(), names);
    return state ? LayoutCompiledModel(*state) : nullptr;
}

TEST(CompiledModelLayout, SlotOffsetsFollowTheThreeRanges)
{
    struct Case {
        std::uint16_t item;
        std::uint32_t offset;
    };
    const Case cases[] = {{0, 0},      {1, 40},      {696, 2820}, {10001, 2824}, {10434, 4556},
                          {697, 4560}, {1542, 7940}, {1543, 0},   {10000, 0},    {10435, 0}};
    for (const Case& c : cases) EXPECT_EQ(SlotOffset(c.item), c.offset) << c.item;
}

TEST(CompiledModelLayout, HeaderAndEntryBytesOfASmallModel)
{
    const test::FixtureNames names = test::SmallModelNames();
    std::unique_ptr<CompileState> state = ParseDescriptionText(
        "*FileVersion: 7.60\n*UIResDLLName: \"X.DLL\"\n*OpenUI *KSD_SW: Boolean\n*CloseUI: *KSD_SW\n", names);
    ASSERT_TRUE(state);
    CompiledModel* model = LayoutCompiledModel(*state);
    ASSERT_TRUE(model);
    // Header, one 28-byte entry, then the library name with its terminator.
    ASSERT_EQ(model->totalSize, 7992u + 28u + 12u);

    std::vector<std::uint8_t> header(kHeaderSize, 0);
    const char16_t version[] = u"7.60";
    for (int i = 0; i < 4; ++i) WriteLe16(&header[2 * i], version[i]);
    WriteLe32(&header[32], 8032);
    WriteLe32(&header[36], 7992);           // the first entry
    WriteLe32(&header[36 + 4 * 58], 7992);  // the slot of item 58
    WriteLe32(&header[7944], 8020);         // UIResDLLName
    EXPECT_EQ(std::vector<std::uint8_t>(model->block, model->block + kHeaderSize), header);

    const std::uint8_t entry[28] = {0, 0, 0, 0, 0xF7, 0x01, 0, 0, 58, 0, 4, 0};  // key 503, item 58, Boolean
    EXPECT_EQ(std::vector<std::uint8_t>(model->block + 7992, model->block + 8020),
              std::vector<std::uint8_t>(entry, entry + 28));
    const std::uint8_t name[12] = {'X', 0, '.', 0, 'D', 0, 'L', 0, 'L', 0, 0, 0};
    EXPECT_EQ(std::vector<std::uint8_t>(model->block + 8020, model->block + 8032),
              std::vector<std::uint8_t>(name, name + 12));
    EXPECT_TRUE(ValidateCompiledModel(model));
    FreeCompiledModel(model);
}

TEST(CompiledModelLayout, ThePackageCompilesToTheSameValidBytesTwice)
{
    CompiledModel* first = CompilePackage();
    CompiledModel* second = CompilePackage();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(Bytes(first), Bytes(second));
    EXPECT_TRUE(ValidateCompiledModel(first));
    EXPECT_EQ(GetModelFileVersion(first), u"7.60");
    EXPECT_EQ(GetDeviceFontCount(first), 5);
    EXPECT_EQ(ReadBlockText(first, ReadFontIdEntry(first, GetDeviceFontEntry(first, 4)).name), "Letter Gothic");
    EXPECT_EQ(ReadFontIdEntry(first, GetFontCartridgeEntry(first, 1)).fontId, 102);

    // DocReset: one StringType node whose string is cut at its NUL byte.
    const CommandBlockRecord docReset = ReadCommandBlock(first, GetCommandGroup(first, kDocReset));
    EXPECT_EQ(docReset.judge, 0u);
    const CommandNodeRecord node = ReadCommandNode(first, docReset.thenList);
    EXPECT_EQ(node.kind, kNodeStringType);
    EXPECT_EQ(node.length, 3);
    EXPECT_EQ(ReadBlockText(first, node.bytes), "\x1b"
                                                "E");
    EXPECT_EQ(node.next, 0u);
    FreeCompiledModel(first);
    FreeCompiledModel(second);
}

TEST(CompiledModelLayout, ValidationRefusesEveryDamagedReference)
{
    CompiledModel* model = CompilePackage();
    ASSERT_TRUE(model);
    const std::vector<std::uint8_t> good = Bytes(model);

    // One size field wrong, then a reference pointing past the end, into
    // the header, and a list that loops onto itself.
    auto refused = [&](auto damage) {
        CompiledModel* copy = MakeCompiledModel(good.data(), static_cast<std::uint32_t>(good.size()));
        damage(copy->block);
        const bool valid = ValidateCompiledModel(copy);
        FreeCompiledModel(copy);
        return !valid;
    };
    const std::uint32_t first = ReadLe32(good.data() + kHeaderFirstUiEntry);
    EXPECT_TRUE(refused([&](std::uint8_t* b) { WriteLe32(b + kHeaderTotalSize, model->totalSize + 4); }));
    EXPECT_TRUE(refused([&](std::uint8_t* b) { WriteLe32(b + kHeaderFirstUiEntry, model->totalSize - 4); }));
    EXPECT_TRUE(refused([&](std::uint8_t* b) { WriteLe32(b + first, 100); }));
    EXPECT_TRUE(refused([&](std::uint8_t* b) { WriteLe32(b + first, first); }));
    EXPECT_TRUE(refused([&](std::uint8_t* b) { WriteLe32(b + kHeaderFirstExclusive, first + 1); }));
    EXPECT_TRUE(refused([&](std::uint8_t* b) {
        for (int i = 0; i < 16; ++i) WriteLe16(b + 2 * i, u'7');  // a FileVersion without terminator
    }));

    // Whatever byte is damaged, a block that passes can be read whole.
    for (std::uint32_t at = 0; at < good.size(); at += 7) {
        CompiledModel* copy = MakeCompiledModel(good.data(), static_cast<std::uint32_t>(good.size()));
        copy->block[at] ^= 0xA5;
        if (ValidateCompiledModel(copy)) {
            for (BlockOffset e = GetFirstUiEntry(copy); e != 0; e = ReadUiEntry(copy, e).next) {
                const UiEntryRecord entry = ReadUiEntry(copy, e);
                (void)ReadBlockText(copy, ReadCommandPair(copy, entry.commands).before);
            }
        }
        FreeCompiledModel(copy);
    }
    FreeCompiledModel(model);
}

// The first action of the package's transactions that sets an item.
BlockOffset FindSettingAction(const CompiledModel* model)
{
    for (BlockOffset ex = ReadLe32(model->block + kHeaderFirstExclusive); ex != 0;
         ex = ReadExclusiveRecord(model, ex).next) {
        for (BlockOffset t = ReadExclusiveRecord(model, ex).transact1; t != 0; t = ReadTransactEntry(model, t).next) {
            for (BlockOffset a = ReadTransactEntry(model, t).actions; a != 0; a = ReadActionEntry(model, a).next) {
                if (ReadActionEntry(model, a).kind == kActionSetting) return a;
            }
        }
    }
    return 0;
}

TEST(CompiledModelLayout, NoActionMaySetAListCountOrAddress)
{
    CompiledModel* model = CompilePackage();
    ASSERT_TRUE(model);
    const BlockOffset action = FindSettingAction(model);
    ASSERT_NE(action, 0u);
    for (std::uint16_t item : {rdmFontTableNum, rdmFontTable, rdmDeviceFontNum, rdmOptionFont}) {
        CompiledModel* copy = MakeCompiledModel(model->block, model->totalSize);
        WriteLe16(copy->block + action + 4, item);
        EXPECT_FALSE(ValidateCompiledModel(copy)) << item;
        FreeCompiledModel(copy);
    }
    FreeCompiledModel(model);
}

// Many transactions whose action lists share one long tail: each action is
// checked once, so a block of some hundred kilobytes validates at once; a
// tail that loops back is refused.
TEST(CompiledModelLayout, ListsThatShareTheirTailsAreCheckedOnce)
{
    CompiledModel* model = CompilePackage();
    ASSERT_TRUE(model);
    constexpr std::uint32_t kCount = 20000;
    const std::uint32_t base = model->totalSize;
    const std::uint32_t actions = base;
    const std::uint32_t transacts = actions + kCount * kActionEntrySize;
    const std::uint32_t size = transacts + kCount * kTransactEntrySize;
    std::vector<std::uint8_t> bytes(model->block, model->block + base);
    bytes.resize(size, 0);
    for (std::uint32_t i = 0; i < kCount; ++i) {
        std::uint8_t* a = bytes.data() + actions + i * kActionEntrySize;
        WriteLe32(a, i + 1 < kCount ? MakeTaggedLink(actions + (i + 1) * kActionEntrySize) : 0);
        WriteLe16(a + 4, dmCopies);
        WriteLe16(a + 6, kActionSetting);
        WriteLe32(a + 8, 1);
        std::uint8_t* t = bytes.data() + transacts + i * kTransactEntrySize;
        WriteLe32(t, i + 1 < kCount ? MakeTaggedLink(transacts + (i + 1) * kTransactEntrySize) : 0);
        WriteLe32(t + 8, MakeTaggedLink(actions + i * kActionEntrySize));
    }
    WriteLe32(bytes.data() + kHeaderTotalSize, size);
    const BlockOffset exclusive = ReadLe32(bytes.data() + kHeaderFirstExclusive);
    WriteLe32(bytes.data() + exclusive + 24, MakeTaggedLink(transacts));
    CompiledModel* shared = MakeCompiledModel(bytes.data(), size);
    EXPECT_TRUE(ValidateCompiledModel(shared));
    // The last action links back to the first: a loop.
    WriteLe32(shared->block + actions + (kCount - 1) * kActionEntrySize, MakeTaggedLink(actions));
    EXPECT_FALSE(ValidateCompiledModel(shared));
    FreeCompiledModel(shared);
    FreeCompiledModel(model);
}

// A block of a header and two UI entries, A then B, whose option lists are
// laid out by each case. Records are packed at any byte offset, and one
// option list may be read as the options of entries of two kinds.
class OptionListBlock {
public:
    static constexpr std::uint32_t kEntryA = kHeaderSize;
    static constexpr std::uint32_t kEntryB = kEntryA + kUiEntrySize;
    static constexpr std::uint32_t kOptions = kEntryB + kUiEntrySize;  // room for the cases' options

    OptionListBlock(std::uint16_t typeA, std::uint16_t typeB) : bytes_(kOptions + 128, 0)
    {
        WriteLe32(&bytes_[kHeaderFirstUiEntry], kEntryA);
        WriteLe32(&bytes_[kEntryA + ui_entry::kNext], kEntryB);
        WriteLe16(&bytes_[kEntryA + ui_entry::kType], typeA);
        WriteLe16(&bytes_[kEntryB + ui_entry::kType], typeB);
    }

    void SetOptions(std::uint32_t entry, BlockOffset first) { WriteLe32(&bytes_[entry + ui_entry::kOptions], first); }
    // An option record of 20 bytes (a PickSlot's; its first 12 bytes are a
    // plain option): no papers, no invocation.
    void PutOption(BlockOffset at, BlockOffset next) { WriteLe32(&bytes_[at + ui_option::kNext], next); }

    bool Valid()
    {
        WriteLe32(&bytes_[kHeaderTotalSize], static_cast<std::uint32_t>(bytes_.size()));
        CompiledModel* model = MakeCompiledModel(bytes_.data(), static_cast<std::uint32_t>(bytes_.size()));
        const bool valid = ValidateCompiledModel(model);
        FreeCompiledModel(model);
        return valid;
    }

    std::uint32_t Size() const { return static_cast<std::uint32_t>(bytes_.size()); }

private:
    std::vector<std::uint8_t> bytes_;
};

TEST(CompiledModelLayout, OptionListsSharedByEntriesOfOneOrTwoKinds)
{
    constexpr std::uint32_t o1 = OptionListBlock::kOptions + 1;  // odd offsets
    constexpr std::uint32_t o2 = o1 + 21;
    constexpr std::uint32_t o3 = o2 + 23;
    struct Case {
        const char* what;
        std::uint16_t typeB;
        BlockOffset listA, listB;
        BlockOffset next1, next2, next3;  // the next links of o1, o2, o3
        bool valid;
    };
    const Case cases[] = {
        {"one list, two entries of one kind", kUiPickMany, o1, o1, o2, 0, 0, true},
        {"one list, entries of two layouts", kUiPickSlot, o1, o1, o2, 0, 0, true},
        {"a shared tail, entries of two layouts", kUiPickSlot, o1, o3, o2, 0, o2, true},
        {"B's own part loops, two layouts", kUiPickSlot, o2, o1, o3, 0, o1, false},
        {"B's own part loops, one kind", kUiPickMany, o2, o1, o3, 0, o1, false},
        {"a list that walks into the header", kUiPickSlot, o1, o1, 40, 0, 0, false},
    };
    for (const Case& c : cases) {
        OptionListBlock block(kUiPickOne, c.typeB);
        block.SetOptions(OptionListBlock::kEntryA, c.listA);
        block.SetOptions(OptionListBlock::kEntryB, c.listB);
        block.PutOption(o1, c.next1);
        block.PutOption(o2, c.next2);
        block.PutOption(o3, c.next3);
        EXPECT_EQ(block.Valid(), c.valid) << c.what;
    }

    // A slot option needs 20 bytes, a plain one 12: the last option of the
    // block fits the first entry's reading and not the second's.
    for (const std::uint16_t typeB : {kUiPickMany, kUiPickSlot}) {
        OptionListBlock block(kUiPickOne, typeB);
        const BlockOffset last = block.Size() - kUiOptionSize;
        block.SetOptions(OptionListBlock::kEntryA, last);
        block.SetOptions(OptionListBlock::kEntryB, last);
        EXPECT_EQ(block.Valid(), typeB == kUiPickMany) << typeB;
    }
}

class CompiledUiPart : public CompiledContextTest {};

TEST_F(CompiledUiPart, VariantAndIdentityEntriesGoFirstAndShareOptions)
{
    test::FixtureNames names = test::SmallModelNames();
    UseDescription("*FileVersion: 7.60\n"
                   "*OpenUI *KSD_A: PickOne\n*KSD_A A1: \"a1\"\n*KSD_A A2: \"a2\"\n*KSD_A A3: \"a3\"\n"
                   "*DefaultKSD_A: A2\n*OptionCommand: { \"pre\" \"post\" }\n*CloseUI: *KSD_A\n"
                   "*OpenUI *KSD_B: PickOne\n*KSD_B B1: \"b1\"\n*CloseUI: *KSD_B\n"
                   "*OpenUI *KSD_A 1: PickOne\n*DefaultKSD_A: A3\n*CloseUI: *KSD_A\n"
                   "*OpenUI *KSD_NUM: Identity *KSD_A\n*CloseUI: *KSD_NUM\n"
                   "*OpenUI *KSD_SW: Boolean\n*CloseUI: *KSD_SW\n",
                   names);
    struct Expected {
        std::uint16_t key, variant;
    };
    const Expected order[] = {{504, 501}, {501, 1}, {501, 0}, {502, 0}, {503, 0}};
    BlockOffset at = GetFirstUiEntry(model());
    for (const Expected& e : order) {
        const UiEntryRecord entry = ReadUiEntry(model(), at);
        EXPECT_EQ(entry.symbolKey, e.key);
        EXPECT_EQ(entry.variant, e.variant);
        at = entry.next;
    }
    EXPECT_EQ(at, 0u);

    const UiEntryRecord ordinary = ReadUiEntry(model(), FindUiEntry(7, context()));
    const UiEntryRecord variant = ReadUiEntry(model(), FindUiEntryByKey(501, context()));
    const UiEntryRecord identity = ReadUiEntry(model(), FindUiEntry(11, context()));
    EXPECT_EQ(ordinary.variant, 0);  // the slot keeps the ordinary entry
    EXPECT_EQ(variant.variant, 1);   // the list finds the variant first
    EXPECT_EQ(variant.options, ordinary.options);
    EXPECT_EQ(identity.options, ordinary.options);
    EXPECT_EQ(variant.commands, ordinary.commands);  // one pair, shared
    EXPECT_EQ(ordinary.defaultIndex, 1);
    EXPECT_EQ(variant.defaultIndex, 2);
    EXPECT_EQ(CountUiOptions(11, context()), 3);
    EXPECT_EQ(ReadBlockText(model(), ReadCommandPair(model(), ordinary.commands).after), "post");
}

// A symbol, a record number or a symbolic name given twice: every line and
// reference that names it reaches its first definition.
TEST_F(CompiledUiPart, WhatIsDefinedTwiceIsFoundAsItsFirstDefinition)
{
    test::FixtureNames names = test::SmallModelNames();
    UseDescription("*FileVersion: 7.60\n"
                   "*Judge 1=AIsOne: KSD_A == A1\n"
                   "*Judge 1=AIsTwo: KSD_A == A2\n"    // number 1 again: AIsTwo stands for the first judge
                   "*Judge 2=AIsOne: KSD_A == A3\n"    // the name again: it keeps number 1
                   "*Item 1=RulesA: { {A1 NULL AIsOne NULL} }\n"
                   "*Item 1=RulesB: { {A2 NULL AIsTwo NULL} }\n"
                   "*Exclusive: { {KSD_A NULL NULL RulesA NULL NULL NULL NULL} }\n"
                   "*Exclusive: { {KSD_A NULL NULL RulesB NULL NULL NULL NULL} }\n"
                   "*OpenUI *KSD_A: PickOne\n*KSD_A A1: \"a1\"\n*KSD_A A2: \"a2\"\n*CloseUI: *KSD_A\n"
                   "*OpenUI *KSD_A: PickOne\n*KSD_A A3: \"a3\"\n*DefaultKSD_A: A3\n*CloseUI: *KSD_A\n",
                   names);
    const BlockOffset firstExclusive = GetFirstExclusive(model());
    const ExclusiveBlockRecord first = ReadExclusiveRecord(model(), firstExclusive);
    const ExclusiveBlockRecord second = ReadExclusiveRecord(model(), first.next);
    EXPECT_EQ(second.items, first.items);  // RulesB is item record 1: the first one
    const OptionRuleRecord rule = ReadOptionRule(model(), first.items);
    EXPECT_EQ(rule.optionId, 1);
    EXPECT_EQ(rule.next, 0u);
    // The rule's judge is the first judge 1: KSD_A == A1.
    EXPECT_EQ(ReadJudgeOp(model(), rule.j2 + 4).operand, 1);

    // Both entries of KSD_A: the first, which the slot keeps, takes the lines
    // of the second block and its Default, and the first Exclusive record.
    const UiEntryRecord entry = ReadUiEntry(model(), FindUiEntry(7, context()));
    EXPECT_EQ(entry.exclusive, firstExclusive);
    EXPECT_EQ(CountUiOptions(7, context()), 3);
    EXPECT_EQ(entry.defaultIndex, 2);
}

}  // namespace
}  // namespace vexl::model
