// The DEVMODE requests of the settings interface on the interface's test
// printer: which request acts, what each leaves in the settings, the
// checks of a caller's DEVMODE, and the resolution fallback of machine 130.
#include "interface_printer.h"

#include "api_fixture.h"

#include "api/devmode_delivery.h"
#include "api/frame.h"
#include "api/versions.h"
#include "common/core/devmode_public.h"
#include "common/core/items.h"
#include "common/core/le.h"
#include "common/core/store.h"
#include "vexlapi/vexlapi.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <vector>

namespace vexl::test {
namespace {

using namespace api;

class DevmodeDeliveryTest : public InterfacePrinterTest {
protected:
    InterfaceModelIni ModelIni() const override { return {kApiVersionLatest, std::nullopt}; }
    void SetUp() override
    {
        InterfacePrinterTest::SetUp();
        CheckApiVersion(kInterfacePrinterNameAnsi);
        BuildEnabledIdBitmaps(GetRequestedApiVersion());
        instance_ = OpenApiInstance(kInterfacePrinterNameAnsi);
        ASSERT_NE(instance_, nullptr);
        const VEXLDRVINITRECORD record{0, kApiVersionLatest};
        InitApiVersion(1, &record);
    }
    void TearDown() override
    {
        if (instance_) CloseApiInstance(instance_);
        InterfacePrinterTest::TearDown();
    }

    std::vector<std::uint8_t> StoreDevmode() const
    {
        const std::uint8_t* bytes = GetStoreBytes(instance_);
        return {bytes, bytes + GetDevmodeSize()};
    }
    std::uint32_t Item(std::uint16_t item) const { return GetItemValue(instance_, item); }
    static std::uint16_t Field16(const std::vector<std::uint8_t>& devmode, std::size_t offset)
    {
        return ReadLe16(devmode.data() + offset);
    }

    DriverContext* instance_ = nullptr;
};

// Which request acts on a flag word, seen through what each leaves behind:
// request 1 takes the model's copies and clears the user macro, request 2
// rebuilds from the printer's stored settings (the copies return, the
// macro takes its default too), request 4 keeps the settings as they stand.
TEST_F(DevmodeDeliveryTest, TheFirstKnownRequestOfTheWordActs)
{
    struct Case {
        const char* name;
        bool ex;
        std::uint32_t flags;
        int result;  // -1 or the DEVMODE size
        std::int32_t code;
        std::uint32_t copies;  // after the request, set to 7 before it
        std::uint32_t macro;   // rdmUseUserMacro after, set to 1 before
    };
    const int size = static_cast<int>(GetDevmodeSize());
    const Case cases[] = {
        {"defaults", false, 0x1, size, 0, 1, 0},
        {"defaults before rebuild", false, 0x3, size, 0, 1, 0},
        {"rebuild", false, 0x2, size, 0, 1, 0},
        {"rebuild before re-derive", false, 0x6, size, 0, 1, 0},
        {"re-derive", false, 0x4, size, 55, 7, 1},
        {"modifiers alone", false, 0x70, -1, 1, 7, 1},
        {"merge without Ex", false, 0x8, -1, 1, 7, 1},
        {"Ex defaults with merge bit", true, 0x9, size, 0, 1, 0},
        {"Ex merge with a modifier", true, 0x18, -1, 1, 7, 1},
        {"Ex merge without DEVMODE", true, 0x8, -1, 5, 7, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetItemValue(instance_, dmCopies, 7);
        SetItemValue(instance_, rdmUseUserMacro, 1);
        SetApiLastError(instance_, 55);
        const std::vector<std::uint8_t> before = StoreDevmode();
        const int result = c.ex ? GetInstanceDevmodeEx(instance_, c.flags, nullptr, nullptr)
                                : GetInstanceDevmode(instance_, c.flags, nullptr);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(GetApiLastError(instance_), c.code);
        EXPECT_EQ(Item(dmCopies), c.copies);
        EXPECT_EQ(Item(rdmUseUserMacro), c.macro);
        // A refused request changes nothing.
        if (result == -1) {
            EXPECT_EQ(StoreDevmode(), before);
        }
    }
}

TEST_F(DevmodeDeliveryTest, TheDevmodeHandedOutIsTheStoresAndKeepsTheUiMode)
{
    SetItemValue(instance_, rdmUIModeChange, 1);
    std::vector<std::uint8_t> out(GetDevmodeSize() + 16, 0xCC);
    ASSERT_EQ(GetInstanceDevmode(instance_, kDevmodeRederive, reinterpret_cast<DEVMODEW*>(out.data())),
              static_cast<int>(GetDevmodeSize()));
    EXPECT_EQ(std::vector<std::uint8_t>(out.begin(), out.begin() + GetDevmodeSize()), StoreDevmode());
    for (std::size_t i = GetDevmodeSize(); i < out.size(); ++i) EXPECT_EQ(out[i], 0xCC) << i;
    EXPECT_EQ(Field16(out, offsetof(DEVMODEW, dmSize)), kPublicDevmodeSize);
    EXPECT_EQ(Item(rdmUIModeChange), 1u);
    // Between requests the instance holds no printer.
    EXPECT_EQ(instance_->printer, nullptr);
}

// A caller's DEVMODE with a custom width and length, both flagged, keeps
// them through the merge; the paper size is no longer flagged.
TEST_F(DevmodeDeliveryTest, MergedDevmodeKeepsAFlaggedCustomSize)
{
    std::vector<std::uint8_t> caller = StoreDevmode();
    auto* devmode = reinterpret_cast<DEVMODEW*>(caller.data());
    SetDevmodeFields(devmode, GetDevmodeFields(devmode) | DM_PAPERWIDTH | DM_PAPERLENGTH);
    SetDevmodeField16(devmode, offsetof(DEVMODEW, dmPaperWidth), 1500);
    SetDevmodeField16(devmode, offsetof(DEVMODEW, dmPaperLength), 2500);
    SetDevmodeField16(devmode, offsetof(DEVMODEW, dmCopies), 3);
    std::vector<std::uint8_t> out(GetDevmodeSize());
    ASSERT_EQ(GetInstanceDevmodeEx(instance_, kDevmodeMergeCaller, reinterpret_cast<DEVMODEW*>(out.data()), devmode),
              static_cast<int>(GetDevmodeSize()));
    auto* result = reinterpret_cast<DEVMODEW*>(out.data());
    EXPECT_EQ(GetDevmodeField16(result, offsetof(DEVMODEW, dmPaperWidth)), 1500);
    EXPECT_EQ(GetDevmodeField16(result, offsetof(DEVMODEW, dmPaperLength)), 2500);
    EXPECT_EQ(GetDevmodeFields(result) & (DM_PAPERWIDTH | DM_PAPERLENGTH | DM_PAPERSIZE),
              DM_PAPERWIDTH | DM_PAPERLENGTH);
    EXPECT_EQ(Item(dmCopies), 3u);
}

// The caller's size fields say how much is read; the buffer below is
// exactly that large, so any read beyond it is caught.
TEST_F(DevmodeDeliveryTest, CallerDevmodeSizesAreCheckedBeforeItIsRead)
{
    struct Case {
        const char* name;
        std::uint16_t publicSize;
        std::uint16_t driverExtra;
        std::size_t buffer;
        bool taken;
        bool driverPart;
    };
    const std::uint16_t privateSize = static_cast<std::uint16_t>(GetPrivateDevmodeSize());
    const Case cases[] = {
        {"the driver's own", kPublicDevmodeSize, privateSize, kPublicDevmodeSize + privateSize, true, true},
        {"public part only", kPublicDevmodeSize, 0, kPublicDevmodeSize, true, false},
        {"an older public part", kDevmodeSize400, 0, kDevmodeSize400, true, false},
        {"a driver part larger than ours", kPublicDevmodeSize, 0xFFFF, kPublicDevmodeSize, true, false},
        {"no room for its header", 40, 0, 72, false, false},
        {"a public part larger than any", 0xFFF0, 0, 72, false, false},
    };
    const std::vector<std::uint8_t> own = StoreDevmode();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto caller = std::make_unique<std::uint8_t[]>(c.buffer);
        std::memcpy(caller.get(), own.data(), std::min<std::size_t>(c.buffer, own.size()));
        WriteLe16(caller.get() + offsetof(DEVMODEW, dmSize), c.publicSize);
        WriteLe16(caller.get() + offsetof(DEVMODEW, dmDriverExtra), c.driverExtra);
        std::vector<std::uint8_t> taken(GetDevmodeSize(), 0xCC);
        const auto* devmode = reinterpret_cast<const DEVMODEW*>(caller.get());
        EXPECT_EQ(TakeCallerDevmode(devmode, taken.data()) != 0, c.taken);
        if (c.taken) {
            EXPECT_EQ(ReadLe16(taken.data() + offsetof(DEVMODEW, dmDriverExtra)), c.driverPart ? privateSize : 0);
            EXPECT_EQ(taken[c.publicSize], c.driverPart ? own[c.publicSize] : 0);
        }
        SetApiLastError(instance_, 0);
        const int result = GetInstanceDevmodeEx(instance_, kDevmodeMergeCaller, nullptr, devmode);
        EXPECT_EQ(result, c.taken ? static_cast<int>(GetDevmodeSize()) : -1);
        EXPECT_EQ(GetApiLastError(instance_), c.taken ? 0 : 5);
    }
}

// Machine 130 cannot print a page beyond its engine's dot limits at the
// high resolution: re-deriving falls back to 600 x 600. Other machines and
// pages within the limits keep their resolution.
TEST_F(DevmodeDeliveryTest, MachineWithEngineLimitsFallsBackTo600)
{
    struct Case {
        const char* name;
        std::uint32_t machine;
        std::uint32_t scale;
        bool fallback;
    };
    const Case cases[] = {
        {"scaled beyond the limits", 130, 400, true},
        {"within the limits", 130, 100, false},
        {"another machine", 140, 400, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetItemValue(instance_, rdmMachineID, c.machine);
        // An A3 page given by its width and length: at 1200 dpi 14031 x 19843 dots.
        auto* devmode = reinterpret_cast<DEVMODEW*>(GetStoreBytes(instance_));
        SetDevmodeFields(devmode, GetDevmodeFields(devmode) | DM_PAPERWIDTH | DM_PAPERLENGTH);
        SetDevmodeField16(devmode, offsetof(DEVMODEW, dmPaperWidth), 2970);
        SetDevmodeField16(devmode, offsetof(DEVMODEW, dmPaperLength), 4200);
        SetItemValue(instance_, rdmFuncSelectScale, 1);
        SetItemValue(instance_, rdmScaleType, 0);
        SetItemValue(instance_, rdmScaleH, c.scale);
        SetItemValue(instance_, rdmScaleV, c.scale);
        SetItemValue(instance_, rdmDstResolutionW, 1200);
        SetItemValue(instance_, rdmDstResolutionH, 1200);
        SetItemValue(instance_, rdmDstResolutionBoth, 4);
        EXPECT_EQ(NeedsResolutionFallback(instance_) != 0, c.fallback);
        ASSERT_EQ(GetInstanceDevmode(instance_, kDevmodeRederive, nullptr), static_cast<int>(GetDevmodeSize()));
        if (c.fallback) {
            EXPECT_EQ(Item(rdmDstResolutionW), 600u);
            EXPECT_EQ(Item(rdmDstResolutionH), 600u);
            EXPECT_EQ(Item(rdmDstResolutionBoth), 3u);
        } else {
            EXPECT_NE(Item(rdmDstResolutionBoth), 3u);
        }
    }
}

TEST_F(DevmodeDeliveryTest, MarginAndShiftResets)
{
    SetItemValue(instance_, rdmShiftDir, 3);
    SetItemValue(instance_, rdmShiftMarginX, 40);
    // This model has a shift-margin range: the shift settings stand.
    ResetShiftDefaults(instance_);
    EXPECT_EQ(Item(rdmShiftDir), 3u);
    EXPECT_EQ(Item(rdmShiftMarginX), 40u);
    SetItemValue(instance_, rdmMarginOdd, 20);
    SetItemValue(instance_, rdmCreepMarginOutside, 5);
    SetItemValue(instance_, rdmFuncSelectCrops, 1);
    ResetMarginItems(instance_);
    EXPECT_EQ(Item(rdmShiftDir), 1u);
    for (std::uint16_t item : {rdmShiftMarginX, rdmMarginOdd, rdmCreepMarginOutside, rdmFuncSelectCrops})
        EXPECT_EQ(Item(item), 0u) << item;
}

TEST_F(DevmodeDeliveryTest, CustomPaperSizeOfAStatusStructure)
{
    std::uint8_t structure[32] = {};
    WriteLe32(structure + 4, 256);
    WriteLe32(structure + 8, 0x10000 + 1234);  // only the low 16 bits count
    WriteLe32(structure + 12, 2345);
    ApplyCustomPaperSize(instance_, structure);
    const std::vector<std::uint8_t> devmode = StoreDevmode();
    EXPECT_EQ(Item(dmPaperSize), 256u);
    EXPECT_EQ(Field16(devmode, offsetof(DEVMODEW, dmPaperWidth)), 1234);
    EXPECT_EQ(Field16(devmode, offsetof(DEVMODEW, dmPaperLength)), 2345);
    const std::uint32_t fields = ReadLe32(devmode.data() + offsetof(DEVMODEW, dmFields));
    EXPECT_EQ(fields & (DM_PAPERWIDTH | DM_PAPERLENGTH | DM_PAPERSIZE), DM_PAPERWIDTH | DM_PAPERLENGTH);
}

// An application loads the library, gets the DEVMODE and hands it back.
class DevmodeApplicationTest : public ApiApplicationTest {};

TEST_F(DevmodeApplicationTest, AnApplicationGetsAndMergesTheDevmode)
{
    PFN_VEXLDrvGetDevmode getDevmode = nullptr;
    PFN_VEXLDrvGetDevmodeEx getDevmodeEx = nullptr;
    library_.Find(getDevmode, "VEXLDrvGetDevmode");
    library_.Find(getDevmodeEx, "VEXLDrvGetDevmodeEx");
    ASSERT_TRUE(getDevmode && getDevmodeEx);
    VEXLDRVHANDLE instance = library_.EnableInstance();
    ASSERT_NE(instance, nullptr);

    EXPECT_EQ(getDevmode(instance, VEXLDRV_DEVMODE_DEFAULTS, nullptr), VEXLDRV_DEVMODE_BYTES);
    std::vector<std::uint8_t> devmode(VEXLDRV_DEVMODE_BYTES);
    ASSERT_EQ(getDevmode(instance, VEXLDRV_DEVMODE_REDERIVE, devmode.data()), VEXLDRV_DEVMODE_BYTES);
    EXPECT_EQ(ReadLe16(devmode.data() + offsetof(DEVMODEW, dmSize)), kPublicDevmodeSize);
    EXPECT_EQ(ReadLe16(devmode.data() + offsetof(DEVMODEW, dmDriverExtra)), kPrivateDevmodeSize);
    WriteLe16(devmode.data() + offsetof(DEVMODEW, dmCopies), 4);
    std::vector<std::uint8_t> merged(VEXLDRV_DEVMODE_BYTES);
    ASSERT_EQ(getDevmodeEx(instance, VEXLDRV_DEVMODE_MERGE, merged.data(), devmode.data(), 0), VEXLDRV_DEVMODE_BYTES);
    EXPECT_EQ(ReadLe16(merged.data() + offsetof(DEVMODEW, dmCopies)), 4);
    EXPECT_EQ(getDevmodeEx(instance, VEXLDRV_DEVMODE_MERGE, nullptr, nullptr, 0), -1);
    EXPECT_EQ(library_.getLastError(instance), VEXLDRV_ERROR_NO_INPUT);

    ASSERT_EQ(library_.disable(instance), 1);
    EXPECT_EQ(getDevmode(instance, VEXLDRV_DEVMODE_DEFAULTS, nullptr), -1);
    EXPECT_EQ(getDevmodeEx(instance, VEXLDRV_DEVMODE_MERGE, nullptr, devmode.data(), 0), -1);
}

}  // namespace
}  // namespace vexl::test
