// The status write engine on the package printer: the gates and their
// codes, the structure-version rule, the roll-back of a refused write, the
// changed-status bitmap within its size, and the preset marked unused.
#include "api/status_engine.h"

#include "api/descriptors.h"
#include "api/frame.h"
#include "api/versions.h"
#include "api_fixture.h"
#include "common/core/items.h"
#include "common/core/le.h"
#include "common/core/store.h"
#include "common/storage/directories.h"

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace vexl::test {
namespace {

using namespace api;

constexpr std::uint8_t kCanary = 0xCC;

// A 32-byte status structure: version, value at +4, switch at +28.
std::array<std::uint8_t, 32> Structure(std::uint32_t version, std::uint32_t value, std::uint32_t sw = 1)
{
    std::array<std::uint8_t, 32> s{};
    WriteLe32(s.data(), version);
    WriteLe32(s.data() + 4, value);
    WriteLe32(s.data() + 28, sw);
    return s;
}

class StatusEngineTest : public ApiPrinterTest {
protected:
    std::vector<std::uint8_t> DevmodeBytes(DriverContext* instance)
    {
        const std::uint8_t* store = GetStoreBytes(instance);
        return {store, store + GetDevmodeSize()};
    }
    std::vector<char> SettingsIniBytes(DriverContext* instance)
    {
        std::ifstream file(machine::HostPath(GetSettingsIniPath(instance)), std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }
    std::int32_t LastError(DriverContext* instance) { return GetApiLastError(instance); }
};

TEST(CheckStructureVersionTest, AnswersByVersionAndMode)
{
    struct Case {
        bool structure;
        std::uint32_t version, latest, mode;
        int expected;
    };
    for (const Case c : {Case{false, 0, 3, 0, 2}, Case{true, 0, 3, 0, 0}, Case{true, 3, 3, 2, 0},
                         Case{true, 4, 3, 0, 1}, Case{true, 4, 3, 1, 1}, Case{true, 4, 3, 2, 2}}) {
        const auto s = Structure(c.version, 0);
        EXPECT_EQ(CheckStructureVersion(c.structure ? s.data() : nullptr, c.latest, c.mode), c.expected)
            << c.version << " mode " << c.mode;
    }
}

TEST_F(StatusEngineTest, GatesRefuseWithTheirCodesAndLeaveTheBitmapZero)
{
    DriverContext* instance = OpenInstance();
    ASSERT_NE(instance, nullptr);
    const auto s = Structure(1, 1);
    struct Case {
        std::uint32_t id;
        const void* input;
        std::int32_t code;
    };
    for (const Case c : {Case{300, s.data(), kApiErrorFailure}, Case{37, s.data(), kApiErrorNotEnabled},
                         Case{2, nullptr, kApiErrorNoInput}, Case{36, s.data(), kApiErrorFailure}}) {
        std::array<std::uint8_t, 65> changed;
        changed.fill(kCanary);
        SetApiLastError(instance, 0);
        EXPECT_EQ(SetStatusDispatch(instance, c.id, c.input, changed.data(), 0), -1) << c.id;
        EXPECT_EQ(LastError(instance), c.code) << c.id;
        for (int i = 0; i < 64; ++i) ASSERT_EQ(changed[i], 0) << c.id << " byte " << i;
        EXPECT_EQ(changed[64], kCanary);
    }
    EXPECT_EQ(instance->printer, nullptr) << "no printer is left open";
}

// A value the model refuses: -1, code 7, and the DEVMODE, the settings INI
// and the bitmap as they were.
TEST_F(StatusEngineTest, RefusedWriteLeavesEverythingAsItWas)
{
    DriverContext* instance = OpenInstance();
    ASSERT_NE(instance, nullptr);
    const std::vector<std::uint8_t> devmode = DevmodeBytes(instance);
    const std::vector<char> ini = SettingsIniBytes(instance);
    const auto s = Structure(1, 99);  // no such tray
    std::array<std::uint8_t, 64> changed;
    changed.fill(kCanary);
    EXPECT_EQ(SetStatusDispatch(instance, 2, s.data(), changed.data(), 0), -1);
    EXPECT_EQ(LastError(instance), kApiErrorRefused);
    EXPECT_EQ(DevmodeBytes(instance), devmode);
    EXPECT_EQ(SettingsIniBytes(instance), ini);
    EXPECT_EQ(changed, decltype(changed){});
    EXPECT_EQ(instance->printer, nullptr);
}

TEST_F(StatusEngineTest, WriteStoresTheValueAndMarksThePresetUnused)
{
    DriverContext* instance = OpenInstance();
    ASSERT_NE(instance, nullptr);
    SetItemValue(instance, rdmPresetNo, 2);
    const auto s = Structure(1, 3);
    std::array<std::uint8_t, 64> changed{};
    SetApiLastError(instance, 0);
    EXPECT_EQ(SetStatusDispatch(instance, 9, s.data(), changed.data(), 0), 0);
    EXPECT_EQ(GetItemValue(instance, dmCopies), 3u);
    EXPECT_EQ(LastError(instance), 0) << "the code before the write is put back";
    const SettingItemDescriptor* preset = FindItem(instance, rdmPresetNo);
    ASSERT_NE(preset, nullptr);
    EXPECT_EQ(GetItemAddress(instance, preset)[0], 0xFF) << "no preset in use";
}

// A structure newer than the status knows: with mode 2 only answered; with
// another mode written in its known part, the answer naming the version.
TEST_F(StatusEngineTest, NewerStructureIsAnsweredOrWrittenAsTheLatest)
{
    DriverContext* instance = OpenInstance();
    ASSERT_NE(instance, nullptr);
    const ApiDescriptor* d = FindStatusDescriptor(9);
    ASSERT_NE(d, nullptr);
    const std::uint32_t latest = d->versionCount;
    const std::uint32_t before = GetItemValue(instance, dmCopies);
    const auto s = Structure(latest + 1, before + 4);
    EXPECT_EQ(SetStatusDispatch(instance, 9, s.data(), nullptr, 2), static_cast<int>(latest));
    EXPECT_EQ(GetItemValue(instance, dmCopies), before) << "mode 2 writes nothing";
    EXPECT_EQ(SetStatusDispatch(instance, 9, s.data(), nullptr, 0), static_cast<int>(latest));
    EXPECT_EQ(GetItemValue(instance, dmCopies), before + 4);
}

// Under API version 5 the bitmap is 32 bytes: the engine clears and sets
// nothing beyond them.
TEST_F(StatusEngineTest, NarrowBitmapBelowVersionSix)
{
    DriverContext* instance = OpenInstance(5);
    ASSERT_NE(instance, nullptr);
    ASSERT_EQ(ChangedBitmapBytes(), 32u);
    std::array<std::uint8_t, 40> changed;
    changed.fill(kCanary);
    const auto s = Structure(1, 2);
    EXPECT_EQ(SetStatusDispatch(instance, 9, s.data(), changed.data(), 0), 0);
    for (std::size_t i = 32; i < changed.size(); ++i) EXPECT_EQ(changed[i], kCanary) << i;
    EXPECT_EQ(SetStatusDispatch(instance, 2, Structure(1, 99).data(), changed.data(), 0), -1);
    for (std::size_t i = 0; i < 32; ++i) EXPECT_EQ(changed[i], 0) << i;
    for (std::size_t i = 32; i < changed.size(); ++i) EXPECT_EQ(changed[i], kCanary) << i;
}

// The constraint snapshot is bounded by the rows its block was made for,
// whatever version another instance puts in force later.
TEST_F(StatusEngineTest, SnapshotStaysWithinItsRows)
{
    DriverContext* instance = OpenInstance();
    ASSERT_NE(instance, nullptr);
    ApiRecord* record = instance->workArea->apiRecord;
    ASSERT_NE(record, nullptr);
    std::vector<StatusConstraintRow> rows(36);
    StatusConstraintRow* own = record->constraintSnapshot;
    const std::uint32_t ownRows = record->snapshotRows;
    record->constraintSnapshot = rows.data();
    record->snapshotRows = static_cast<std::uint32_t>(rows.size());
    ASSERT_GE(GetStatusIdLimit(1), 257u);
    SnapshotStatusConstraints(instance);  // ASan reports a write past the 36 rows
    EXPECT_EQ(SetStatusDispatch(instance, 9, Structure(1, 2).data(), nullptr, 0), 0);
    record->constraintSnapshot = own;
    record->snapshotRows = ownRows;
}

}  // namespace
}  // namespace vexl::test
