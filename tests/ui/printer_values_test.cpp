// The printer-data and registry values of the interface library, byte for
// byte, the font tables, the lock values and the DEVMODE a document sheet
// writes out.
#include "ui/base/printer_values.h"

#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/memory.h"
#include "common/core/paper_sync.h"
#include "common/core/store.h"
#include "common/storage/directories.h"
#include "common/storage/persistence.h"
#include "platform/printers.h"
#include "common/storage/devmode_settings_merge.h"
#include "common/storage/ini.h"
#include "ui/base/job_ticket.h"
#include "ui/sheets/sheet_apply.h"
#include "ui_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexl::test {
namespace {

struct Value {
    DWORD type = 0;
    std::vector<std::uint8_t> bytes;
    bool found = false;
};

Value ReadValue(HANDLE printer, const std::u16string& name)
{
    Value value;
    std::u16string valueName = name;
    DWORD needed = 0;
    GetPrinterDataW(printer, valueName.data(), &value.type, nullptr, 0, &needed);
    value.bytes.resize(needed);
    value.found =
        GetPrinterDataW(printer, valueName.data(), &value.type, value.bytes.data(), needed, &needed) == ERROR_SUCCESS;
    return value;
}

std::vector<std::uint8_t> TextBytes(std::u16string_view text, bool terminated)
{
    std::vector<std::uint8_t> bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    if (terminated) bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

class PrinterValuesTest : public UiPrinterTest {
protected:
    void SetUp() override
    {
        UiPrinterTest::SetUp();
        context_ = Create();
        ASSERT_NE(context_, nullptr);
    }
    void TearDown() override
    {
        if (context_) ReleaseDriverContext(context_, kReleaseDestroy);
        UiPrinterTest::TearDown();
    }
    DriverContext* context_ = nullptr;
};

TEST_F(PrinterValuesTest, FileNamesAndNamesAreStoredWithTheirExactByteCounts)
{
    WritePrivateProfileStringW(u"DriversFileName", u"DriverEDFileName", u"VXED.DLL", GetModelFilePath(context_));
    EXPECT_TRUE(ui::WriteDriverFileNames(printer_, context_));
    EXPECT_TRUE(ui::WritePrinterNameValue(printer_, context_));
    EXPECT_TRUE(ui::WriteDriverNameValue(printer_, context_));
    EXPECT_TRUE(ui::WriteLogFileName(TRUE, context_));

    const ModelRecord* record = context_->modelRecord;
    const struct {
        std::u16string name;
        std::vector<std::uint8_t> bytes;
    } expected[] = {
        {u"SPLUserModePrinterDriver", TextBytes(record->spoolLibraryName, false)},
        {u"DriverIniFileName", TextBytes(record->settingsIniName, false)},
        {u"DriverGRFileName", TextBytes(u"TZ16E100.DLL", true)},
        {u"DriverEDFileName", TextBytes(u"VXED.DLL", true)},
        {u"VEXLPrinterName", TextBytes(kPrinterName, true)},
        {u"DriverName", TextBytes(kDriverName, true)},
        {u"LogFileName", TextBytes(u"TZ16E100.log", true)},
    };
    for (const auto& value : expected) {
        SCOPED_TRACE(std::string(value.name.begin(), value.name.end()));
        const std::optional<machine::PrinterData> stored = machine::ReadPrinterData(kPrinterName, value.name);
        ASSERT_TRUE(stored.has_value());
        EXPECT_EQ(stored->type, REG_SZ);
        EXPECT_EQ(std::vector<std::uint8_t>(stored->bytes.begin(), stored->bytes.end()), value.bytes);
    }

    WCHAR name[261] = {};
    EXPECT_TRUE(ui::ReadPrinterNameValue(printer_, name, context_));
    EXPECT_EQ(std::u16string(name), kPrinterName);
}

TEST_F(PrinterValuesTest, AShorterCurrentFontTableLeavesNoPairsOfTheLongerOneBehind)
{
    std::vector<FontSubstPair> pairs(5);
    for (int i = 0; i < 5; ++i) {
        pairs[i].trueTypeFace[0] = static_cast<char16_t>(u'A' + i);
        pairs[i].deviceFont[0] = static_cast<char16_t>(u'a' + i);
    }
    ASSERT_TRUE(ui::WriteFontTables(printer_, pairs.data(), 5, 0));
    ASSERT_TRUE(ui::WriteFontTables(printer_, pairs.data(), 3, 0));
    for (const char16_t* prefix : {u"TTFontTable", u"DevFontTable"}) {
        for (int n = 1; n <= 5; ++n) {
            const Value value = ReadValue(printer_, prefix + std::u16string(1, static_cast<char16_t>(u'0' + n)));
            EXPECT_EQ(value.found, n <= 3) << n;
            if (n <= 3) {
                EXPECT_EQ(value.bytes.size(), 64u);
            }
        }
    }
    EXPECT_EQ(ReadValue(printer_, u"LastFontTableNum").bytes, (std::vector<std::uint8_t>{3, 0}));
    EXPECT_EQ(ReadValue(printer_, u"FontTableNum").bytes, (std::vector<std::uint8_t>{3, 0}));
    const Value first = ReadValue(printer_, u"DevFontTable1");
    EXPECT_EQ(first.bytes[0], 'a');
    EXPECT_EQ(first.type, REG_BINARY);

    // The default table has names of its own and comes back as the store's table.
    ASSERT_TRUE(ui::WriteFontTables(printer_, pairs.data(), 2, kFontsDefaultTable));
    EXPECT_EQ(ReadValue(printer_, u"DefFontTableNum").bytes, (std::vector<std::uint8_t>{2, 0}));
    EXPECT_TRUE(ReadValue(printer_, u"TTFontDefTable2").found);
    EXPECT_TRUE(ui::LoadDefaultFontTable(printer_, context_));
    ASSERT_EQ(GetItemValue(context_, rdmFontTableNum), 2u);
    const auto* table = static_cast<const FontSubstPair*>(GetItemHeapAddress(context_, rdmFontTable));
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table[1].trueTypeFace[0], u'B');
    EXPECT_EQ(table[1].deviceFont[0], u'b');
}

void SetMachineValue(const WCHAR* keyPath, const WCHAR* name, DWORD type, const void* data, DWORD size)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

Value ReadMachineValue(const WCHAR* keyPath, const WCHAR* name)
{
    Value value;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return value;
    value.bytes.resize(520);
    DWORD size = 520;
    value.found = RegQueryValueExW(key, name, nullptr, &value.type, value.bytes.data(), &size) == ERROR_SUCCESS;
    value.bytes.resize(value.found ? size : 0);
    RegCloseKey(key);
    return value;
}

TEST_F(PrinterValuesTest, RegistryValuesFollowTheirTypes)
{
    const WCHAR* setup = u"Software\\VORNA\\VexlDrvCustomSetup";
    EXPECT_FALSE(ui::IsSaveDeviceSetupOn(context_));
    SetMachineValue(setup, u"SaveDeviceSetup", REG_SZ, u"1", 4);
    EXPECT_FALSE(ui::IsSaveDeviceSetupOn(context_));
    const DWORD one = 1;
    SetMachineValue(setup, u"SaveDeviceSetup", REG_DWORD, &one, 4);
    EXPECT_TRUE(ui::IsSaveDeviceSetupOn(context_));

    const WCHAR* printLog = u"Software\\VORNA\\PrintLog";
    const DWORD ten = 10;
    SetMachineValue(printLog, u"LogFileDirectory", REG_SZ, u"", 2);
    SetMachineValue(printLog, u"MaxLogFileSize", REG_DWORD, &ten, 4);
    EXPECT_TRUE(ui::EnsurePrintLogDefaults(context_));
    EXPECT_EQ(ReadMachineValue(printLog, u"LogFileDirectory").bytes, TextBytes(u"C:\\WINDOWS\\temp\\PrintLog", true));
    EXPECT_EQ(ReadMachineValue(printLog, u"MaxLogFileSize").bytes, (std::vector<std::uint8_t>{10, 0, 0, 0}));

    EXPECT_TRUE(ui::WriteDriverRegistryValue(u"_VEXLDirectory", u"D:\\cfg", 14));
    const Value directory = ReadMachineValue(u"SOFTWARE\\VORNA\\VexlDrv", u"_VEXLDirectory");
    EXPECT_EQ(directory.type, REG_SZ);
    // Reading a text gives it its terminator.
    EXPECT_EQ(directory.bytes, TextBytes(u"D:\\cfg", true));
}

TEST_F(PrinterValuesTest, LockValuesAreWrittenOnlyForTheLocksThatAreOn)
{
    SetItemValue(context_, rdmLock000InfoBitNupKind, 1);
    SetItemValue(context_, rdmNUPPOSTKind, 2);
    SetItemValue(context_, rdmNUPType, 3);
    EXPECT_TRUE(ui::WriteLockValues(printer_, context_));
    EXPECT_EQ(ReadValue(printer_, u"LockNUPPOSTKindData").bytes, (std::vector<std::uint8_t>{2, 0, 0, 0}));
    EXPECT_EQ(ReadValue(printer_, u"LockNUPTypeData").bytes, (std::vector<std::uint8_t>{3, 0, 0, 0}));
    for (const char16_t* other :
         {u"LockTrayData", u"LockMediaData", u"LockPrnMethodData", u"LockColorData", u"LockDuplexTypeData"})
        EXPECT_FALSE(ReadValue(printer_, other).found);

    // A failed write stops the ones after it.
    SetItemValue(context_, rdmLock000InfoBitDuplex, 1);
    DeletePrinterDataW(printer_, std::u16string(u"LockNUPTypeData").data());
    machine::SetSpoolerFailure(kPrinterName, "SetPrinterDataW", ERROR_ACCESS_DENIED);
    EXPECT_FALSE(ui::WriteLockValues(printer_, context_));
    machine::ClearSpoolerFailures(kPrinterName);
    EXPECT_FALSE(ReadValue(printer_, u"LockNUPTypeData").found);
    EXPECT_FALSE(ReadValue(printer_, u"LockDuplexTypeData").found);
}

TEST_F(PrinterValuesTest, ADocumentSheetWritesItsDevmodeOutWithTheCollateRule)
{
    const bool collation = IsCollateAvailable(context_) != FALSE;
    const std::vector<std::uint8_t> defaults = DevmodeBytes(context_);
    struct Case {
        DWORD mode;
        bool inputCollate;
        std::uint32_t sort;
        bool outFlag;
        short outCollate;
    };
    // With collation the copied collate fields stay when the caller asked
    // for collation in a mode that keeps it, else they follow the sort
    // setting; without collation the output has none.
    const std::vector<Case> cases =
        collation
            ? std::vector<Case>{{DM_COPY, true, 0, true, 7}, {DM_COPY, false, 1, true, 1}, {DM_COPY, false, 0, true, 0}}
            : std::vector<Case>{{DM_COPY, true, 1, false, 0}, {DM_COPY, false, 1, false, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "collate " << c.inputCollate << " sort " << c.sort);
        SetItemValue(context_, rdmFuncSelectSort, c.sort);
        std::vector<std::uint8_t> input = defaults;
        DEVMODEW* in = AsDevmode(input);
        in->dmFields = c.inputCollate ? in->dmFields | DM_COLLATE : in->dmFields & ~DM_COLLATE;
        std::vector<std::uint8_t> output(defaults.size(), 0);
        // The store's own DEVMODE carries a marker collate value for the copy.
        reinterpret_cast<DEVMODEW*>(GetStoreBytes(context_))->dmCollate = 7;
        ui::SheetSession session;
        session.kind = ui::kDocumentSheet;
        session.mode = c.mode;
        session.input = in;
        session.output = AsDevmode(output);
        ui::AttachSheetSession(context_, &session);
        EXPECT_TRUE(ui::WriteDocumentDevmodeOut(context_));
        ui::AttachSheetSession(context_, nullptr);
        EXPECT_EQ((AsDevmode(output)->dmFields & DM_COLLATE) != 0, c.outFlag);
        EXPECT_EQ(AsDevmode(output)->dmCollate, c.outCollate);
    }
}

// A ticket that came in with a DEVMODE is consumed there: the DEVMODE a
// document sheet hands back for a copy carries capabilities and no ticket,
// so a scale the user changed after the ticket set it stays as the user set it.
TEST_F(PrinterValuesTest, ADevmodeWrittenOutForACopyCarriesNoTicket)
{
    std::vector<std::uint8_t> ticketed = DevmodeBytes(context_);
    ASSERT_GE(ticketed.size(), ui::kTicketOffset + ui::kTicketBytes);
    ticketed[ui::kTicketOffset + 1] = 1;  // valid
    ticketed[ui::kTicketOffset + 10] = 150;
    ASSERT_TRUE(MergeDevmodeSettings(context_, AsDevmode(ticketed), kMergeDocumentPropertiesNoSheet));
    ASSERT_EQ(GetItemValue(context_, rdmScaleH), 150u);

    std::vector<std::uint8_t> handedBack(ticketed.size(), 0);
    AsDevmode(handedBack)->dmSize = AsDevmode(ticketed)->dmSize;
    AsDevmode(handedBack)->dmDriverExtra = AsDevmode(ticketed)->dmDriverExtra;
    ui::SheetSession session;
    session.kind = ui::kDocumentSheet;
    session.mode = DM_COPY;
    session.input = AsDevmode(ticketed);
    session.output = AsDevmode(handedBack);
    ui::AttachSheetSession(context_, &session);
    EXPECT_TRUE(ui::WriteDocumentDevmodeOut(context_));
    ui::AttachSheetSession(context_, nullptr);
    for (std::size_t i = 0; i < ui::kTicketBytes; ++i) ASSERT_EQ(handedBack[ui::kTicketOffset + i], 0) << i;
    EXPECT_EQ(handedBack[ui::kTicketCapsOffset + 17], 1);  // the capabilities are written

    // The user sets 100 % on the DEVMODE handed back and prints with it.
    DriverContext* job = Create();
    ASSERT_NE(job, nullptr);
    std::memcpy(GetStoreBytes(job), handedBack.data(), handedBack.size());
    SetItemValue(job, rdmScaleH, 100);
    std::memcpy(handedBack.data(), GetStoreBytes(job), handedBack.size());
    ASSERT_TRUE(MergeDevmodeSettings(job, AsDevmode(handedBack), kMergeStartDoc));
    EXPECT_EQ(GetItemValue(job, rdmScaleH), 100u);
    ReleaseDriverContext(job, kReleaseDestroy);
}

// Applying the device sheet refreshes the model's install defaults: the
// answer file's marks of an earlier installation go.
TEST_F(PrinterValuesTest, ApplyingTheDeviceSheetRefreshesTheInstallDefaults)
{
    const WCHAR* answerFile = u"C:\\WINDOWS\\system32\\VEXL.ini";
    std::u16string section = GetPrinterSectionName(context_);
    SanitizeIniSection(section.data());
    WritePrivateProfileStringW(section.c_str(), u"DefaultRstName", u"C:\\old.rsb", answerFile);
    WritePrivateProfileStringW(section.c_str(), u"BatchInstallDone", u"1", answerFile);
    ui::SheetSession session;
    session.kind = ui::kDeviceSheet;
    ui::AttachSheetSession(context_, &session);
    EXPECT_TRUE(ui::SaveSheetSettings(context_));
    ui::AttachSheetSession(context_, nullptr);
    for (const WCHAR* key : {u"DefaultRstName", u"BatchInstallDone"}) {
        WCHAR value[32] = {};
        GetPrivateProfileStringW(section.c_str(), key, u"<absent>", value, 32, answerFile);
        EXPECT_EQ(std::u16string(value), u"<absent>");
    }
}

struct CallbackLog {
    static inline std::vector<std::pair<UINT, LPARAM>> calls;
    static LONG_PTR Record(HANDLE, UINT function, LPARAM, LPARAM result)
    {
        calls.emplace_back(function, result);
        return 1;
    }
};

TEST_F(PrinterValuesTest, ApplyingTheDeviceSheetTellsTheSpoolerAndTheSheetOnce)
{
    CallbackLog::calls.clear();
    ui::SheetSession session;
    session.kind = ui::kDeviceSheet;
    session.callback = CallbackLog::Record;
    ui::AttachSheetSession(context_, &session);
    const unsigned before = machine::SpoolerCallCount("SetPrinterW");
    EXPECT_TRUE(ui::ApplyDeviceSettings(context_));
    ui::AttachSheetSession(context_, nullptr);
    EXPECT_EQ(machine::SpoolerCallCount("SetPrinterW"), before + 1);
    ASSERT_EQ(CallbackLog::calls.size(), 1u);
    EXPECT_EQ(CallbackLog::calls[0], (std::pair<UINT, LPARAM>{ui::CPSFUNC_SET_RESULT, ui::CPSUI_OK}));

    // A document sheet opened without DM_UPDATE or DM_COPY tells the sheet nothing.
    CallbackLog::calls.clear();
    session.kind = ui::kDocumentSheet;
    session.mode = 0;
    ui::AttachSheetSession(context_, &session);
    ui::ApplyDeviceSettings(context_);
    ui::AttachSheetSession(context_, nullptr);
    EXPECT_TRUE(CallbackLog::calls.empty());
}

}  // namespace
}  // namespace vexl::test
