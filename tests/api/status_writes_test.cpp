// The set and verify handlers of the statuses, called directly on a context
// of the settings interface's caller kind over the package's printer: what
// each shape writes, what it refuses and with which code, and that the
// caller's structure is never written.
#include "api/handler_rows.h"
#include "api/option_tests.h"
#include "api/status_layouts.h"
#include "api/status_writes.h"
#include "api/versions.h"
#include "common/core/appservices.h"
#include "common/core/devmode_public.h"
#include "common/core/items.h"
#include "common/core/paper_sync.h"
#include "common/core/store.h"
#include "common/model/resolution.h"
#include "api_fixture.h"
#include "interface_printer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace vexl::api {
namespace {

using Structure = std::vector<std::uint8_t>;

// A status structure of size bytes: version 1, the values given at their offsets.
Structure MakeStructure(std::size_t size, std::initializer_list<std::pair<std::size_t, std::uint32_t>> values,
                        std::uint32_t version = 1)
{
    Structure bytes(size, 0);
    PutStatusU32(bytes.data(), 0, version);
    for (const auto& [offset, value] : values) PutStatusU32(bytes.data(), offset, value);
    return bytes;
}

void PutText(Structure& bytes, std::size_t offset, std::string_view text)
{
    std::memcpy(bytes.data() + offset, text.data(), text.size());
}

const StatusWriteRow* FindRow(std::uint32_t id)
{
    for (const StatusWriteRow& row : StatusWriteRows())
        if (row.id == id) return &row;
    return nullptr;
}

// The handler calls of both printers' fixtures: each runs the set or verify
// handler of a status on the fixture's instance, checking that the caller's
// bytes are as they were passed.
template <typename PrinterTest> class StatusHandlerTest : public PrinterTest {
protected:
    int Set(std::uint32_t id, const Structure& input)
    {
        const StatusWriteRow* row = FindRow(id);
        EXPECT_NE(row, nullptr) << "status " << id;
        if (row == nullptr) return 0;
        const Structure before = input;
        InstancePrinter printer(instance_);
        const int result = row->set(instance_, id, input.data(), nullptr, 0);
        EXPECT_EQ(input, before) << "status " << id << " wrote into the caller's structure";
        return result;
    }
    int Verify(std::uint32_t id, const Structure& input)
    {
        const StatusWriteRow* row = FindRow(id);
        if (row == nullptr || row->verify == nullptr) return 0;
        InstancePrinter printer(instance_);
        return row->verify(instance_, id, input.data(), nullptr, 0);
    }
    std::uint32_t Item(std::uint16_t item) { return GetItemValue(instance_, item); }

    DriverContext* instance_ = nullptr;
};

class StatusWriteTest : public StatusHandlerTest<test::ApiPrinterTest> {
protected:
    void SetUp() override
    {
        test::ApiPrinterTest::SetUp();
        instance_ = OpenInstance();
        ASSERT_NE(instance_, nullptr);
    }

    std::uint32_t DevmodeFields() { return GetDevmodeFields(reinterpret_cast<DEVMODEW*>(GetStoreBytes(instance_))); }
};

// ---- shapes A, D and E: one value into its item ---------------------------------------------------

TEST_F(StatusWriteTest, SingleValueWritesItemAndPublicFieldBit)
{
    struct Case {
        std::uint32_t status;
        std::uint16_t item;
        std::uint32_t value;
        std::uint32_t field;
    };
    const Case cases[] = {
        {6, dmOrientation, DMORIENT_LANDSCAPE, DM_ORIENTATION},
        {9, dmCopies, 3, DM_COPIES},
        {5, dmColor, 2, DM_COLOR},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        SetDevmodeFields(reinterpret_cast<DEVMODEW*>(GetStoreBytes(instance_)), DevmodeFields() & ~c.field);
        const Structure in = MakeStructure(32, {{4, c.value}});
        ASSERT_EQ(Set(c.status, in), 1);
        EXPECT_EQ(Item(c.item), c.value);
        EXPECT_NE(DevmodeFields() & c.field, 0u);
        EXPECT_EQ(Verify(c.status, in), 1);
        EXPECT_EQ(Verify(c.status, MakeStructure(32, {{4, c.value + 1}})), -1);
    }
}

TEST_F(StatusWriteTest, SingleValueRefusalsLeaveTheItem)
{
    struct Case {
        std::uint32_t status;
        std::uint16_t item;
        std::uint32_t value;
    };
    const Case cases[] = {
        {6, dmOrientation, 7},               // not an orientation of the model
        {3, rdmMediaType, 300},              // not a media of the model
        {30, rdmActionProof, 1},             // a job action without entry
        {52, rdmFunc2SelectJobComplete, 1},  // its capability does not answer
        {266, rdmICMType, 1},                // colour matching off, capability silent
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        const std::uint32_t before = Item(c.item);
        EXPECT_EQ(Set(c.status, MakeStructure(32, {{4, c.value}})), -1);
        EXPECT_EQ(Item(c.item), before);
    }
}

// ---- shape B: the switch at +28 decides first -----------------------------------------------------

TEST_F(StatusWriteTest, SwitchAwareStatusTurnsOffWithoutLookingAtTheValue)
{
    SetItemValue(instance_, rdmFuncSelectStaple, 1);
    EXPECT_EQ(Set(20, MakeStructure(32, {{4, 99}, {28, 0}})), 1);
    EXPECT_EQ(Item(rdmFuncSelectStaple), 0u);
    EXPECT_EQ(Verify(20, MakeStructure(32, {{4, 99}, {28, 0}})), 1);

    const Structure on = MakeStructure(32, {{4, 3}, {28, 1}});
    ASSERT_EQ(Set(20, on), 1);
    EXPECT_EQ(Item(rdmFuncSelectStaple), 1u);
    EXPECT_EQ(Item(rdmStapleType), 3u);
    EXPECT_EQ(Verify(20, on), 1);

    EXPECT_EQ(Set(20, MakeStructure(32, {{4, 9}, {28, 1}})), -1);
    EXPECT_EQ(Item(rdmStapleType), 3u);
}

TEST_F(StatusWriteTest, DuplexOffFollowsInThePublicDevmode)
{
    SetItemValue(instance_, rdmFuncSelectDuplex, 1);
    SetItemValue(instance_, rdmDuplexType, 2);
    SyncPublicDuplex(reinterpret_cast<DEVMODEW*>(GetStoreBytes(instance_)), instance_);
    ASSERT_NE(Item(dmDuplex), static_cast<std::uint32_t>(DMDUP_SIMPLEX));

    const Structure off = MakeStructure(32, {{4, 2}, {28, 0}});
    ASSERT_EQ(Set(15, off), 1);
    EXPECT_EQ(Item(rdmFuncSelectDuplex), 0u);
    EXPECT_EQ(Item(dmDuplex), static_cast<std::uint32_t>(DMDUP_SIMPLEX));
    EXPECT_EQ(Verify(15, off), 1);
}

// ---- shape C: the adjustment mode picks the object variant ----------------------------------------

TEST_F(StatusWriteTest, ColourAdjustmentWritesTheSelectedObject)
{
    Structure in = MakeStructure(32, {});
    PutStatusU16(in.data(), 8, 3);

    SetItemValue(instance_, rdmAdjustMode, 0);
    ASSERT_EQ(Set(39, in), 1);
    EXPECT_EQ(Item(rdmColorMode), 3u);
    EXPECT_EQ(Verify(39, in), 1);

    SetItemValue(instance_, rdmColorMode, 1);
    SetItemValue(instance_, rdmAdjustMode, 1);
    SetItemValue(instance_, rdmAdjustObject, 2);
    PutStatusU16(in.data(), 8, 2);
    ASSERT_EQ(Set(39, in), 1);
    EXPECT_EQ(Item(wdmColorModeImage), 2u);
    EXPECT_EQ(Item(rdmColorMode), 1u);
    EXPECT_EQ(Verify(39, in), 1);

    PutStatusU16(in.data(), 8, 9);  // no such colour mode
    EXPECT_EQ(Set(39, in), -1);
}

// ---- shape F and other refusals with their codes --------------------------------------------------

TEST_F(StatusWriteTest, RefusalsReportTheirCodes)
{
    struct Case {
        const char* what;
        std::uint32_t status;
        Structure input;
        std::int32_t code;  // 0: the engine's code stays
    };
    const Case cases[] = {
        {"margin group without the margin switch", 69, MakeStructure(32, {{4, 1}}), 0},
        {"index rotation on other media", 62, MakeStructure(32, {{4, 1}}), kApiErrorCombinationRefused},
        {"index rotation value", 62, MakeStructure(32, {{4, 3}}), 0},
        {"back cover on both sides without duplex", 64, MakeStructure(32, {{4, 3}}), kApiErrorCombinationRefused},
        {"chapter switch", 67, MakeStructure(40, {{4, 2}}, 2), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetApiLastError(instance_, kApiErrorRefused);
        EXPECT_EQ(Set(c.status, c.input), -1);
        EXPECT_EQ(GetApiLastError(instance_), c.code == 0 ? kApiErrorRefused : c.code);
    }
}

// ---- status 34: the resolution by its code ------------------------------------------------------------

TEST_F(StatusWriteTest, ResolutionCodeWritesItsDpi)
{
    const std::uint16_t code = FindResolutionCode(1200, 1200);
    ASSERT_NE(code, 0);
    ASSERT_EQ(Set(34, MakeStructure(32, {{4, code}})), 1);
    EXPECT_EQ(Item(rdmDstResolutionW) & 0xFFFF, 1200u);

    SetApiLastError(instance_, kApiErrorRefused);
    EXPECT_EQ(Set(34, MakeStructure(32, {{4, 0}})), -1);  // no resolution has code 0
    EXPECT_EQ(GetApiLastError(instance_), kApiErrorFailure);
}

// ---- status 26: the user identifier -----------------------------------------------------------------

TEST_F(StatusWriteTest, UserIdIsAlphanumericAndBounded)
{
    struct Case {
        std::string text;  // written into the 9-byte field as it stands
        std::uint32_t method;
        int result;
    };
    const Case cases[] = {
        {"ab12", 0, 1},       {"ab-1", 0, -1}, {"", 0, 1}, {"", 1, -1},  // print methods 1 and 2 need a user
        {"ABCDEFGHI", 0, -1},                                            // fills the field with no terminator
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        SetItemBytes(instance_, rdmUserID, "keep", 5);
        SetItemValue(instance_, rdmPrnMethod, c.method);
        Structure in(392, 0);
        PutStatusU32(in.data(), 0, 1);
        PutText(in, 12, c.text);
        ASSERT_EQ(Set(26, in), c.result);
        const char* stored = reinterpret_cast<const char*>(GetItemAddress(instance_, FindItem(instance_, rdmUserID)));
        EXPECT_STREQ(stored, c.result == 1 ? c.text.c_str() : "keep");
    }
}

// ---- structure versions ------------------------------------------------------------------------

TEST_F(StatusWriteTest, StructureVersionNeedsItsApiVersion)
{
    struct Case {
        std::uint32_t status;
        std::uint32_t version;
        int api;
        int result;
    };
    const Case cases[] = {
        {19, 2, 9, -1},                   // sorting version 2 needs API 10
        {19, 2, 10, 1},                   // (asked off, so nothing else is judged)
        {19, 3, 9, -1},                   // a newer structure takes the latest version's minimum
        {19, 3, 10, 1}, {56, 1, 16, -1},  // the preset number exists from version 2
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.status << " v" << c.version << " API " << c.api);
        SetApiVersionInForce(c.api);
        EXPECT_EQ(Set(c.status, MakeStructure(824, {{816, 1}}, c.version)), c.result);
    }
}

// ---- status 56: the preset by number -----------------------------------------------------------------

TEST_F(StatusWriteTest, PresetNumberMustNameAStoredPreset)
{
    for (std::uint32_t number : {0u, 1u, 17u}) {
        SCOPED_TRACE(number);
        EXPECT_EQ(Set(56, MakeStructure(824, {{816, number}}, 2)), -1);
    }
}

// ---- status 67: chapters --------------------------------------------------------------------------------

TEST_F(StatusWriteTest, ChapterSwitchStaysOffWithoutChapters)
{
    const Structure on = MakeStructure(40, {{4, 1}, {8, 0}}, 2);
    ASSERT_EQ(Set(67, on), 1);
    EXPECT_EQ(Item(rdmFuncSelectChapter), 0u);
    EXPECT_EQ(Verify(67, on), 1);

    const Structure clear = MakeStructure(40, {{4, 1}, {8, 3}}, 2);
    EXPECT_EQ(Verify(67, clear), 1);
    const Structure unknown = MakeStructure(40, {{4, 1}, {8, 4}}, 2);
    EXPECT_EQ(Set(67, unknown), -1);
    const Structure deleteMissing = MakeStructure(40, {{4, 1}, {8, 2}, {16, 1}}, 2);
    EXPECT_EQ(Set(67, deleteMissing), -1);
}

// ---- the interface's test printer: a model with the entries these statuses write ----------------------

class InterfaceStatusWriteTest : public StatusHandlerTest<test::InterfacePrinterTest> {
protected:
    void SetUp() override
    {
        test::InterfacePrinterTest::SetUp();
        CheckApiVersion(test::kInterfacePrinterNameAnsi);
        BuildEnabledIdBitmaps(GetRequestedApiVersion());
        instance_ = OpenApiInstance(test::kInterfacePrinterNameAnsi);
        ASSERT_NE(instance_, nullptr);
        const VEXLDRVINITRECORD record{0, kApiVersionLatest};
        InitApiVersion(1, &record);
    }
    void TearDown() override
    {
        if (instance_) CloseApiInstance(instance_);
        test::InterfacePrinterTest::TearDown();
    }
    test::InterfaceModelIni ModelIni() const override { return {kApiVersionLatest, kApiOptionPageSeparation}; }
};

TEST_F(InterfaceStatusWriteTest, PageSeparationIsOfferedByTheModelOptionBit)
{
    const Structure in = MakeStructure(32, {{4, 1}});
    ASSERT_EQ(Set(73, in), 1);
    EXPECT_EQ(Item(rdmFunc2SelectPageSeparation), 1u);
    EXPECT_EQ(Verify(73, in), 1);
    EXPECT_EQ(Set(73, MakeStructure(32, {{4, 2}})), -1);
}

TEST_F(InterfaceStatusWriteTest, PresetNumberSelectsAStoredPreset)
{
    const Structure second = MakeStructure(824, {{816, 2}}, 2);
    ASSERT_EQ(Set(56, second), 1);
    EXPECT_EQ(Item(rdmPresetNo) & 0xFF, 1u);
    EXPECT_EQ(Verify(56, second), 1);
    EXPECT_EQ(Verify(56, MakeStructure(824, {{816, 1}}, 2)), -1);
    EXPECT_EQ(Set(56, MakeStructure(824, {{816, 4}}, 2)), -1);  // three presets are stored
    SetItemValue(instance_, rdmPresetNo, 255);
    EXPECT_EQ(Verify(56, MakeStructure(824, {{816, 0}}, 2)), -1);  // no preset in use never matches
}

TEST_F(InterfaceStatusWriteTest, IndexRotationNeedsIndexMedia)
{
    struct Case {
        std::uint32_t value;
        std::uint32_t rotation;
        std::uint32_t shift;
    };
    SetItemValue(instance_, rdmMediaType, 272);
    for (const Case& c : {Case{2, 1, 1}, Case{1, 1, 0}, Case{0, 0, 0}}) {
        SCOPED_TRACE(c.value);
        const Structure in = MakeStructure(32, {{4, c.value}});
        ASSERT_EQ(Set(62, in), 1);
        EXPECT_EQ(Item(rdmExtOutputIndexRotation), c.rotation);
        EXPECT_EQ(Item(rdmExtOutputShiftPrint), c.shift);
        EXPECT_EQ(Verify(62, in), 1);
    }
    SetItemValue(instance_, rdmMediaType, 1);
    SetApiLastError(instance_, kApiErrorRefused);
    EXPECT_EQ(Set(62, MakeStructure(32, {{4, 1}})), -1);
    EXPECT_EQ(GetApiLastError(instance_), kApiErrorCombinationRefused);
}

}  // namespace
}  // namespace vexl::api
