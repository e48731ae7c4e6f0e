// The library's exports: the driver queries, the driver enable with its
// hook table, through the built library as the engine loads it.
#include "graphics/hooks.h"
#include "platform/win32.h"
#include "support/test_machine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexl::test {
namespace {

template <typename Function> Function ProcAs(FARPROC proc)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
}

// The DDI indexes of the hook table, in the order the engine receives them.
constexpr ULONG kHookOrder[] = {
    INDEX_DrvEnablePDEV,
    INDEX_DrvDisablePDEV,
    INDEX_DrvCompletePDEV,
    INDEX_DrvResetPDEV,
    INDEX_DrvEnableSurface,
    INDEX_DrvDisableSurface,
    INDEX_DrvStartPage,
    INDEX_DrvSendPage,
    INDEX_DrvStartDoc,
    INDEX_DrvEndDoc,
    INDEX_DrvStartBanding,
    INDEX_DrvNextBand,
    INDEX_DrvBitBlt,
    INDEX_DrvStretchBlt,
    INDEX_DrvStrokePath,
    INDEX_DrvFillPath,
    INDEX_DrvStrokeAndFillPath,
    INDEX_DrvRealizeBrush,
    INDEX_DrvEscape,
    INDEX_DrvGetGlyphMode,
    INDEX_DrvDitherColor,
    INDEX_DrvCopyBits,
    INDEX_DrvQueryFont,
    INDEX_DrvQueryFontData,
    INDEX_DrvQueryFontTree,
    INDEX_DrvIcmCreateColorTransform,
    INDEX_DrvIcmDeleteColorTransform,
    INDEX_DrvStretchBltROP,
    INDEX_DrvQueryAdvanceWidths,
    INDEX_DrvTextOut,
};
static_assert(std::size(kHookOrder) == 30);

class GraphicsLibraryTest : public MachineTest {
protected:
    void SetUp() override
    {
        const std::u16string path = u"C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3\\TZ16E100.DLL";
        machine::InstallFile(DeliverableFile(u"TZ16E100.DLL"), path);
        module_ = LoadLibraryW(path.c_str());
        ASSERT_NE(module_, nullptr);
        query_ = ProcAs<PFN_DrvQueryDriverInfo>(GetProcAddress(module_, "DrvQueryDriverInfo"));
        enable_ = ProcAs<PFN_DrvEnableDriver>(GetProcAddress(module_, "DrvEnableDriver"));
        ASSERT_TRUE(query_ && enable_ && GetProcAddress(module_, "DrvDisableDriver"));
    }
    void TearDown() override
    {
        if (module_) FreeLibrary(module_);
    }

    HMODULE module_ = nullptr;
    PFN_DrvQueryDriverInfo query_ = nullptr;
    PFN_DrvEnableDriver enable_ = nullptr;
};

TEST_F(GraphicsLibraryTest, AnswersTheDriverQueryForUserModeOnly)
{
    struct Case {
        DWORD mode;
        bool withBuffer;
        DWORD size;
        BOOL result;
        DWORD error;
        DWORD needed;
    } cases[] = {
        {DRVQUERY_USERMODE, false, 0, FALSE, ERROR_INSUFFICIENT_BUFFER, 4},
        {DRVQUERY_USERMODE, true, 3, FALSE, ERROR_INSUFFICIENT_BUFFER, 4},
        {DRVQUERY_USERMODE, true, 4, TRUE, 0, 4},
        {2, true, 4, FALSE, ERROR_INVALID_PARAMETER, 0xDEAD},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode * 100 + c.size);
        DWORD buffer = 0;
        DWORD needed = 0xDEAD;
        SetLastError(0);
        EXPECT_EQ(query_(c.mode, c.withBuffer ? &buffer : nullptr, c.size, &needed), c.result);
        EXPECT_EQ(GetLastError(), c.error);
        EXPECT_EQ(needed, c.needed);
        EXPECT_EQ(buffer, c.result ? 1u : 0u);
    }
}

TEST_F(GraphicsLibraryTest, EnablesTheDriverWithItsThirtyHooksInOrder)
{
    struct Case {
        ULONG version;
        ULONG size;
        BOOL result;
        DWORD error;
    } cases[] = {
        {0x1FFFF, 12, FALSE, ERROR_BAD_DRIVER_LEVEL},
        {0x20000, 11, FALSE, ERROR_INVALID_PARAMETER},
        // The record is 16 bytes here: a shorter one cannot take the table's address.
        {0x20000, 12, FALSE, ERROR_INVALID_PARAMETER},
        {0x20000, sizeof(DRVENABLEDATA) - 1, FALSE, ERROR_INVALID_PARAMETER},
        {0x20000, sizeof(DRVENABLEDATA), TRUE, 0},
        {0x30000, sizeof(DRVENABLEDATA) + 4, TRUE, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version + c.size);
        DRVENABLEDATA data{};
        SetLastError(0);
        EXPECT_EQ(enable_(c.version, c.size, &data), c.result);
        EXPECT_EQ(GetLastError(), c.error);
        if (!c.result) {
            EXPECT_EQ(data.pdrvfn, nullptr);
            continue;
        }
        EXPECT_EQ(data.iDriverVersion, 0x20000u);
        ASSERT_EQ(data.c, 30u);
        std::vector<ULONG> order;
        for (ULONG i = 0; i < data.c; ++i) {
            order.push_back(data.pdrvfn[i].iFunc);
            EXPECT_NE(data.pdrvfn[i].pfn, nullptr) << i;
        }
        EXPECT_EQ(order, std::vector<ULONG>(std::begin(kHookOrder), std::end(kHookOrder)));
    }
}

}  // namespace
}  // namespace vexl::test
