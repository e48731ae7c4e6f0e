// The settings store and the private DEVMODE: the bytes of the DEVMODE as it
// travels, the header, the identity tests and the fixed-offset accessors.
#include "common/core/osinfo.h"
#include "common/core/store.h"

#include "common/core/items.h"
#include "common/core/le.h"
#include "support/model_context.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace vexl {
namespace {

using test::ModelContextTest;

struct LayoutRow {
    std::size_t offset;
    std::size_t width;
    std::string kind;
    int first;
    int last;
};

// The DEVMODE format as the model's tables state it, read independently of
// the generated item table.
std::vector<LayoutRow> ReadDevmodeLayout()
{
    std::filesystem::path here = std::filesystem::path(VEXL_SOURCE_DIR) / "tests/core";
    std::ifstream in(here / "../../common/core/modeldb/devmode_layout.tsv");
    std::vector<LayoutRow> rows;
    std::string line;
    bool header = true;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        if (header) {
            header = false;
            continue;
        }
        std::istringstream cells(line);
        LayoutRow row;
        cells >> row.offset >> row.width >> row.kind >> row.first >> row.last;
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::uint8_t> LittleEndian(std::uint32_t value, std::size_t width)
{
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < width; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    return bytes;
}

// Writes a distinctive value into the item by id and answers the bytes its
// field must then hold.
std::vector<std::uint8_t> WriteDistinctive(DriverContext* context, const LayoutRow& row, int id)
{
    SettingItemDescriptor* item = FindItem(context, static_cast<std::uint16_t>(id));
    if (row.kind == "bit" || row.kind == "bits") {
        SetItemValue(context, static_cast<std::uint16_t>(id), 1);
        return LittleEndian(1u << (id - row.first), row.width);
    }
    if (row.kind == "ansi" || row.kind == "utf16") {
        std::u16string text;
        std::size_t chars = row.kind == "ansi" ? row.width - 1 : row.width / 2 - 1;
        for (std::size_t i = 0; i < chars; ++i) text.push_back(static_cast<char16_t>(u'A' + (id + i) % 26));
        SetItemString(context, item, text.c_str());
        std::vector<std::uint8_t> bytes;
        for (char16_t ch : text) {
            bytes.push_back(static_cast<std::uint8_t>(ch));
            if (row.kind == "utf16") bytes.push_back(0);
        }
        bytes.resize(row.width, 0);
        return bytes;
    }
    std::uint32_t value = 0x81C2D3E4u ^ static_cast<std::uint32_t>(id);
    SetItemValue(context, static_cast<std::uint16_t>(id), value);
    return LittleEndian(value, row.width);
}

TEST_F(ModelContextTest, EveryDevmodeItemLandsAtItsOffsetAndNowhereElse)
{
    std::vector<LayoutRow> rows = ReadDevmodeLayout();
    ASSERT_GT(rows.size(), 100u);
    int checked = 0;
    for (const LayoutRow& row : rows) {
        if (row.first == 0 || row.kind == "tail") continue;
        for (int id = row.first; id <= row.last; ++id) {
            std::memset(ctx_.bytes(), 0, kSettingsStoreSize);
            std::vector<std::uint8_t> expected = WriteDistinctive(context(), row, id);
            for (std::size_t b = 0; b < kSettingsStoreSize; ++b) {
                bool inField = b >= row.offset && b < row.offset + row.width;
                std::uint8_t want = inField ? expected[b - row.offset] : 0;
                if (ctx_.bytes()[b] != want) {
                    ADD_FAILURE() << "item " << id << ": byte " << b << " is " << int(ctx_.bytes()[b]) << ", want "
                                  << int(want);
                    break;
                }
            }
            ++checked;
        }
    }
    EXPECT_EQ(checked, 722);
}

TEST_F(ModelContextTest, KnownFieldsOfThePrivatePart)
{
    // A few fields whose place and form the spooler and other drivers see.
    SetItemValue(context(), rdmMachineID, 0x8C);
    SetItemValue(context(), rdmDriverType, 1);
    SetItemValue(context(), rdmBrightness, static_cast<std::uint32_t>(-3));
    SetItemValue(context(), rdmScaleCentering, 1);
    SetItemValue(context(), rdmFuncSelectReserve1, 1);
    SetItemValue(context(), dmPrintQuality, 600);
    SetItemValue(context(), rdmJobBinder, 0x01020304);
    const std::uint8_t* s = ctx_.bytes();
    EXPECT_EQ(s[368], 0x8C);
    EXPECT_EQ(s[811], 1);
    EXPECT_EQ(s[568], 0xFD);
    EXPECT_EQ(s[441], 0x01);
    EXPECT_EQ(ReadLe32(s + 436), 0x80000000u);
    EXPECT_EQ(ReadLe16(s + 90), 600);
    EXPECT_EQ(ReadLe32(s + 224), 0x01020304u);
    EXPECT_EQ(GetItemValue(context(), rdmBrightness), static_cast<std::uint32_t>(-3));
}

TEST_F(ModelContextTest, HeaderBytesAfterInit)
{
    std::uint8_t* s = ctx_.bytes();
    std::memset(s + 220, 0xEE, 150);
    InitPrivateDevmodeHeader(s, context());
    const std::uint8_t signature[] = {'V', 'E', 'X', 'L', 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(s + 220, signature, sizeof(signature)), 0);
    const std::uint8_t header[] = {'p',  'r', 'i', 'v', 0xF8, 0x03, 0,    0,    0x42,
                                   0x01, 0,   0,   0,   0,    0xD4, 0x04, 0x64, 0x19};
    EXPECT_EQ(std::memcmp(s + 349, header, sizeof(header)), 0);
    EXPECT_EQ(s[367], 0xEE);  // the reserved byte after the bases is not the header's
    PrivateDevmodeHeader h = ReadPrivateDevmodeHeader(s);
    EXPECT_EQ(h.privateSize, 1016u);
    EXPECT_EQ(h.privateVersion, 322u);
    EXPECT_EQ(h.area3Base, 6500);
}

// A DEVMODE of this driver as the store makes it, with changes applied.
std::array<std::uint8_t, kDevmodeSize> MakeDevmode(void (*change)(std::uint8_t*))
{
    std::array<std::uint8_t, kDevmodeSize> dm{};
    WriteLe16(dm.data() + kDevmodeSizeField, 220);
    WriteLe16(dm.data() + kDevmodeDriverExtraField, 1016);
    InitPrivateDevmodeHeader(dm.data(), nullptr);
    dm[kMachineIdOffset] = 0x8C;
    dm[kDriverTypeOffset] = 1;
    if (change) change(dm.data());
    return dm;
}

TEST_F(ModelContextTest, IdentityTests)
{
    struct Case {
        const char* what;
        void (*change)(std::uint8_t*);
        BOOL current, sameModel, sameModelAndSize;
    } cases[] = {
        {"ours", nullptr, 1, 1, 1},
        {"other tag", [](std::uint8_t* d) { d[kModelTagOffset] = 'q'; }, 0, 0, 0},
        {"other size", [](std::uint8_t* d) { WriteLe32(d + kPrivateSizeOffset, 1020); }, 0, 1, 0},
        {"version 321", [](std::uint8_t* d) { WriteLe32(d + kPrivateVersionOffset, 321); }, 0, 1, 1},
        {"other machine", [](std::uint8_t* d) { d[kMachineIdOffset] = 0x8D; }, 0, 0, 0},
        {"driver type 0", [](std::uint8_t* d) { d[kDriverTypeOffset] = 0; }, 0, 0, 0},
        {"public part of 212", [](std::uint8_t* d) { WriteLe16(d + kDevmodeSizeField, 212); }, 0, 0, 0},
        {"no private part", [](std::uint8_t* d) { WriteLe16(d + kDevmodeDriverExtraField, 0); }, 0, 0, 0},
    };
    for (const Case& c : cases) {
        auto dm = MakeDevmode(c.change);
        EXPECT_EQ(IsDevmodeCurrent(dm.data()), c.current) << c.what;
        EXPECT_EQ(IsDevmodeSameModel(dm.data()), c.sameModel) << c.what;
        EXPECT_EQ(IsDevmodeSameModelAndSize(dm.data()), c.sameModelAndSize) << c.what;
    }
    EXPECT_EQ(IsDevmodeCurrent(nullptr), 0);
}

TEST_F(ModelContextTest, DriverTypeAgainstSubCode)
{
    ModelRecord* record = GetModelDatabase()->modelRecord;
    const std::uint8_t saved = record->machineSubCode;
    struct Case {
        std::uint8_t subCode, driverType;
        BOOL same;
    } cases[] = {{0, 0, 1}, {0, 1, 0}, {1, 1, 1}, {1, 0, 0}, {2, 0, 1}, {2, 7, 1}};
    for (const Case& c : cases) {
        record->machineSubCode = c.subCode;
        auto dm = MakeDevmode(nullptr);
        dm[kDriverTypeOffset] = c.driverType;
        EXPECT_EQ(IsDevmodeSameModel(dm.data()), c.same) << int(c.subCode) << "/" << int(c.driverType);
    }
    record->machineSubCode = saved;
}

TEST_F(ModelContextTest, TheShortBufferIsNotReadPastItsPublicPart)
{
    // A DEVMODE without a private part, in a buffer of exactly its size: the
    // tests must not look at the header bytes beyond it (ASan would tell).
    std::vector<std::uint8_t> dm(220, 0);
    WriteLe16(dm.data() + kDevmodeSizeField, 220);
    EXPECT_EQ(IsDevmodeCurrent(dm.data()), 0);
    EXPECT_EQ(IsDevmodeSameModel(dm.data()), 0);
    EXPECT_EQ(IsDevmodeSameModelAndSize(dm.data()), 0);
}

TEST_F(ModelContextTest, PrivatePartFollowsAPublicSizeOnlyInsideThePublicPart)
{
    std::uint8_t* s = ctx_.bytes();
    WriteLe16(s + kDevmodeSizeField, 212);
    EXPECT_EQ(GetPrivateDevmode(context()), s + 212);
    WriteLe16(s + kDevmodeSizeField, 0xFFFF);
    EXPECT_EQ(GetPrivateDevmode(context()), s + 220);
    EXPECT_EQ(GetStoreArea2(context()), s + 1236);
    EXPECT_EQ(GetStoreArea3(context()), s + 6500);
}

TEST_F(ModelContextTest, ItemsAreAddressedWithTheSizeBasesNotTheStoredOnes)
{
    // A DEVMODE from outside may carry any bases; items keep their place.
    std::uint8_t* s = ctx_.bytes();
    WriteLe16(s + kArea2BaseOffset, 0xFFFF);
    WriteLe16(s + kArea3BaseOffset, 0xFFF0);
    SettingItemDescriptor* memory = ctx_.item(rdmPrinterMemory);
    SettingItemDescriptor* chapters = ctx_.item(wdmChapterMax);
    SetItemValue(context(), rdmPrinterMemory, 0x1234);
    SetItemValue(context(), wdmChapterMax, 0x5678);
    EXPECT_EQ(ReadLe16(s + 1236 + memory->offset), 0x1234);
    EXPECT_EQ(ReadLe16(s + 6500 + chapters->offset), 0x5678);
    SetStoreAreaOffsets(s);
    EXPECT_EQ(ReadLe16(s + kArea2BaseOffset), 1236);
    EXPECT_EQ(ReadLe16(s + kArea3BaseOffset), 6500);
}

TEST_F(ModelContextTest, WordAccessorsOfADevmode)
{
    std::uint8_t* s = ctx_.bytes();
    SetDevmodeHidden2FuncBits(s, 0x80000080u);
    EXPECT_EQ(GetItemValue(context(), rdmHidden2Func31), 1u);
    EXPECT_EQ(GetItemValue(context(), rdmHidden2Func7), 1u);
    EXPECT_EQ(GetItemValue(context(), rdmHidden2Func6), 0u);

    WriteLe32(s + kSupportFunc2Offset, 0x3);
    CopyJobErrorSupportBit(s, 1);  // bit 1 of flags is 0: clears bit 1 only
    EXPECT_EQ(GetDevmodeSupportFunc2Bits(s), 0x1u);
    CopyJobCompleteSupportBit(s, 0xFFFFFFFE);
    EXPECT_EQ(GetDevmodeSupportFunc2Bits(s), 0x0u);
    CopyJobErrorSupportBit(s, 2);
    EXPECT_EQ(GetDevmodeSupportFunc2Bits(s), 0x2u);

    SetDevmodeQualityFuncBits(s, 0x8001);
    EXPECT_EQ(GetItemValue(context(), rdmQualityFuncReducedToneLevel), 1u);
    SetItemValue(context(), rdmLockPrnMethod, 5);
    EXPECT_EQ(GetDevmodeLockPrnMethod(s), 5);

    // The run-time tail: the context's setter and the DEVMODE getter meet.
    SetOsKindNt5(context());
    SetAdminFlag(context(), 1);
    EXPECT_EQ(GetDevmodeOsKind(s), 2u);
    EXPECT_EQ(GetItemValue(context(), rdmOSKind), 2u);
    EXPECT_EQ(GetDevmodeAdminFlag(s), 1u);
    EXPECT_EQ(GetLockedResolution(context()), 0u);
}

TEST_F(ModelContextTest, HeapAddressesSitAtAlignedPlacesOfTheStore)
{
    // A leak checker sees only pointers at 8-byte aligned places, and a
    // pointer read there needs no unaligned access.
    for (std::uint16_t id : kHeapAddressItems) {
        const SettingItemDescriptor* item = ctx_.item(id);
        ASSERT_NE(item, nullptr) << id;
        EXPECT_EQ((GetStoreAreaBase(ItemArea(*item)) + item->offset) % 8, 0u) << id;
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(GetItemAddress(context(), item)) % 8, 0u) << id;
    }
}

TEST(StoreSizes, NtAndWin9xFlavours)
{
    // Golden sizes: the DEVMODE and area 2 travel and keep their sizes, so the
    // area bases written into the private header stay 1,236 and 6,500; area 3
    // grew at the end of the store.
    {
        test::TestMachine machine;
        ForgetOsAnswers();
        EXPECT_EQ(GetPublicDevmodeSize(), 220u);
        EXPECT_EQ(GetDevmodeSize(), 1236u);
        EXPECT_EQ(GetStoreArea2Size(), 5264u);
        EXPECT_EQ(GetStoreArea3Size(), 4608u);
        EXPECT_EQ(GetSettingsStoreSize(), 11108u);
        EXPECT_EQ(GetStoreAreaBase(kAreaDevmode), 0u);
        EXPECT_EQ(GetStoreAreaBase(kAreaPrinter), 1236u);
        EXPECT_EQ(GetStoreAreaBase(kAreaWork), 6500u);
        std::vector<std::uint8_t> header(GetDevmodeSize(), 0xEE);
        SetStoreAreaOffsets(header.data());
        const std::vector<std::uint8_t> bases(header.begin() + kArea1BaseOffset, header.begin() + kArea3BaseOffset + 2);
        EXPECT_EQ(bases, (std::vector<std::uint8_t>{0x00, 0x00, 0xD4, 0x04, 0x64, 0x19}));
    }
    machine::Profile nine;
    nine.platformId = 1;
    nine.osMajor = 4;
    nine.osMinor = 10;
    test::TestMachine machine(nine);
    ForgetOsAnswers();  // the 9x machine stands for a process of its own
    EXPECT_EQ(GetPublicDevmodeSize(), 148u);
    EXPECT_EQ(GetPrivateDevmodeSize(), 1024u);
    EXPECT_EQ(GetDevmodeSize(), 1172u);
    EXPECT_EQ(GetStoreArea3Size(), 4608u);
    EXPECT_EQ(GetSettingsStoreSize(), 11044u);
}

}  // namespace
}  // namespace vexl
