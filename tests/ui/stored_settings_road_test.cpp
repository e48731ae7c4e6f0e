// The road of a user's settings on the package printer: a preset picked, a
// setting changed and locked, chapters on two trays, a colour profile and a
// custom paper added, all through the functions the property pages use, and
// stored as the sheets store them. Another process that makes a context on
// the same printer finds the same DEVMODE, the same lists in the settings
// INI and the same printer data.
#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/settings_modules.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/ini_lists.h"
#include "common/storage/module_chapters.h"
#include "common/storage/module_color_profiles.h"
#include "common/storage/persistence.h"
#include "support/child_process.h"
#include "ui/base/printer_values.h"
#include "ui/services/stored_presets.h"
#include "ui/sheets/sheet_apply.h"
#include "ui_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace vexl::test {
namespace {

constexpr std::uint32_t kTray1 = 1;
constexpr std::uint32_t kTray2 = 3;
constexpr std::uint32_t kBypassTray = 4;
constexpr std::uint32_t kSecondCustomPaper = 385;
constexpr const WCHAR* kSeenFile = u"C:\\_vexl\\seen.txt";

std::string Narrow(const std::u16string& text)
{
    std::string out;
    for (char16_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

std::u16string IniText(const std::u16string& section, const WCHAR* key, const WCHAR* file)
{
    WCHAR text[kProfileTextChars] = {};
    ReadIniString(section.c_str(), key, u"<none>", text, kProfileTextChars, file);
    return text;
}

// What a context makes of the printer's stored settings, one fact a line.
std::string DescribeSettings(HANDLE printer, DriverContext* context)
{
    std::ostringstream out;
    out << "devmode";
    for (std::uint8_t byte : DevmodeBytes(context)) out << ' ' << static_cast<int>(byte);
    std::u16string section = GetPrinterSectionName(context);
    SanitizeIniSection(section.data());
    const std::uint32_t preset = GetItemValue(context, rdmPresetNo);
    const std::string digits = std::to_string(preset);
    const std::u16string nameKey = u"PresetList" + std::u16string(digits.begin(), digits.end()) + u"Name";
    out << "\npreset " << preset << " " << Narrow(IniText(section, nameKey.c_str(), GetSettingsIniPath(context)));
    out << "\ntray " << GetItemValue(context, dmDefaultSource) << " locked "
        << GetItemValue(context, rdmLock000InfoBitTray) << " lock item " << GetItemValue(context, wdmLock001Info);
    std::uint8_t lockData[4] = {};
    DWORD type = 0, needed = 0;
    std::u16string lockName = u"LockTrayData";
    GetPrinterDataW(printer, lockName.data(), &type, lockData, 4, &needed);
    out << " lock data " << static_cast<int>(lockData[0]) << "/" << needed;

    EnsureChapterData(context);
    out << "\nchapters max " << GetItemValue(context, wdmChapterMax) << " trays "
        << GetItemValue(context, wdmChapterTrayMax) << " in use " << GetItemValue(context, wdmChapterNum) << " on "
        << GetItemValue(context, wdmChapterTrayNum) << ": " << GetItemValue(context, wdmChapterUseTray1) << ","
        << GetItemValue(context, wdmChapterUseTray2);
    for (int i = 0; const ChapterRecord* record = GetChapterRecord(context, i); ++i)
        out << "\n  page " << record->page << " tray " << record->tray << " kind " << int(record->kind) << " print "
            << int(record->print) << " '" << Narrow(record->pageRange) << "'";

    WCHAR profile[kProfileTextChars] = {};
    FormatProfileSection(context, 0, profile);
    out << "\nprofiles " << GetProfileCount(context) << " first "
        << Narrow(IniText(profile, u"rdmColorMatchingMode", GetSettingsIniPath(context))) << " at "
        << Narrow(IniText(profile, u"wdmColorProfilePath", GetSettingsIniPath(context))) << " matching "
        << GetItemValue(context, rdmColorMatchingMode);

    LoadAllFreeSizeSlotsOnce(context);
    const PaperSizeRow& paper = context->workArea->paperTable[1];
    out << "\npaper " << GetItemValue(context, dmPaperSize) << " custom '"
        << std::string(paper.displayName, strnlen(paper.displayName, sizeof paper.displayName)) << "' " << paper.width
        << "x" << paper.length << " tray " << paper.tray;
    return out.str();
}

class StoredSettingsRoad : public UiContextTest {
protected:
    void Set(std::uint16_t id, std::uint32_t value) { SetItemValue(context_, id, value); }
    std::uint32_t Get(std::uint16_t id) { return GetItemValue(context_, id); }
    void SetText(std::uint16_t id, const WCHAR* text) { SetItemString(context_, FindItem(context_, id), text); }
    int Merge(std::vector<std::int32_t> pages)
    {
        pages.push_back(0);
        return MergeChapterPages(context_, nullptr, pages.data(), nullptr);
    }
};

TEST_F(StoredSettingsRoad, WhatOneProcessStoresAnotherFindsWhole)
{
    // Two presets: the printer as it stands, and a landscape one with two copies.
    const std::u16string preset0 = u"C:\\_vexl\\user0000.rst";
    WritePrivateProfileStringW(section_.c_str(), u"Count", u"2", ini_.c_str());
    WritePrivateProfileStringW(section_.c_str(), u"PresetList0", preset0.c_str(), ini_.c_str());
    ASSERT_TRUE(ui::SavePresetFileForSlot(context_, 0));
    ASSERT_TRUE(ui::PreparePresetFileName(context_, 1));
    const std::u16string preset1 = IniText(section_, u"PresetList1", ini_.c_str());
    Set(dmOrientation, 2);
    Set(dmCopies, 2);
    SetText(wdmPresetName, u"Wide");
    ASSERT_TRUE(ui::SaveStoredPreset(context_, 1));

    // The user picks it in the preset list.
    ui::SelectPreset(context_, 0);
    ASSERT_EQ(Get(dmOrientation), 1u);
    Set(rdmPresetNo, 1);
    ui::SelectPreset(context_, 1);
    EXPECT_EQ(Get(dmOrientation), 2u);
    EXPECT_EQ(Get(dmCopies), 2u);

    // Tray 2, locked: the lock items and every preset take it, each preset
    // keeping its own tray beside it.
    const std::u16string ownTray = IniText(section_, u"dmDefaultSource", preset1.c_str());
    ASSERT_NE(ownTray, u"<none>");
    Set(dmDefaultSource, kTray2);
    Set(rdmLock000InfoBitTray, 1);
    SendSettingsModuleCommand(context_, kModuleCommandCopyLocks);
    NotifySettingsModules(context_, 59, nullptr);
    EXPECT_EQ(Get(wdmLock001Info), kTray2);
    for (const std::u16string& file : {preset0, preset1}) {
        EXPECT_EQ(IniText(section_, u"dmDefaultSource", file.c_str()), u"3");
        EXPECT_EQ(IniText(section_, u"dmDefaultSourceLock", file.c_str()), ownTray);
    }
    ASSERT_TRUE(ui::WriteLockValues(printer_, context_));

    // Chapters within the model's limits: pages 3 on tray 1, 7 and 9 on
    // tray 2; a third tray class (the bypass tray) is one too many.
    Set(rdmFuncSelectChapter, 1);
    EnsureChapterData(context_);
    EXPECT_EQ(Get(wdmChapterMax), 10u);
    EXPECT_EQ(Get(wdmChapterTrayMax), 2u);
    Set(wdmChapterKind, kChapterKindTray);
    Set(wdmChapterPrint, 1);
    Set(wdmChapterTray, kTray1);
    EXPECT_EQ(Merge({3}), 0);
    Set(wdmChapterTray, kTray2);
    EXPECT_EQ(Merge({7, 9}), 0);
    Set(wdmChapterTray, kBypassTray);
    EXPECT_EQ(Merge({12}), 1);
    EXPECT_EQ(Get(wdmChapterNum), 3u);
    EXPECT_EQ(Get(wdmChapterTrayNum), 2u);
    EXPECT_EQ(Get(wdmChapterUseTray1), kTray1);
    EXPECT_EQ(Get(wdmChapterUseTray2), kTray2);
    Set(wdmChapterTray, kTray1);

    // A colour profile added from the profile page and chosen.
    SetText(wdmSrcFreeSizeName, u"Proof");
    SetText(wdmColorProfilePath, u"C:\\_vexl\\proof.icm");
    SendSettingsModuleCommand(context_, kColorCommandAdd);
    EXPECT_EQ(GetProfileCount(context_), 1);
    Set(rdmColorMatchingMode, kProfileValueBase);

    // A custom paper in the second slot, chosen.
    SetText(wdmFreeSizeName, u"Postcard");
    Set(wdmFreeSizeWidth, 4724);
    Set(wdmFreeSizeLength, 6992);
    Set(wdmFreeSizeTray, kBypassTray);
    Set(wdmFreeSizeOrient, 1);
    SaveFreeSizeSlot(context_, 1);
    Set(dmPaperSize, kSecondCustomPaper);

    // OK on the document sheet of the printer's defaults: the spooler keeps
    // the DEVMODE written out; Apply on the device sheet stores its side.
    std::vector<std::uint8_t> input = DevmodeBytes(context_);
    std::vector<std::uint8_t> output(input.size(), 0);
    ui::SheetSession document{ui::kDocumentSheet,  nullptr,          nullptr,
                              DM_COPY | DM_UPDATE, AsDevmode(input), AsDevmode(output)};
    ui::AttachSheetSession(context_, &document);
    EXPECT_TRUE(ui::SaveSheetSettings(context_));
    ui::AttachSheetSession(context_, nullptr);
    PRINTER_INFO_2W info{};
    info.pDevMode = AsDevmode(output);
    ASSERT_TRUE(SetPrinterW(printer_, 2, reinterpret_cast<LPBYTE>(&info), 0));
    ui::SheetSession device{ui::kDeviceSheet, nullptr, nullptr, 0, nullptr, nullptr};
    ui::AttachSheetSession(context_, &device);
    EXPECT_TRUE(ui::ApplyDeviceSettings(context_));
    ui::AttachSheetSession(context_, nullptr);

    const std::string stored = DescribeSettings(printer_, context_);
    EXPECT_NE(stored.find("preset 1 Wide"), std::string::npos) << stored;
    EXPECT_NE(stored.find("tray 3 locked 1 lock item 3 lock data 3/4"), std::string::npos) << stored;
    EXPECT_NE(stored.find("chapters max 10 trays 2 in use 3 on 2: 1,3\n  page 3 tray 1 kind 0 print 1 ''\n"
                          "  page 7 tray 3 kind 0 print 1 ''\n  page 9 tray 3 kind 0 print 1 ''\n"),
              std::string::npos)
        << stored;
    EXPECT_NE(stored.find("profiles 1 first Proof at C:\\_vexl\\proof.icm matching 200"), std::string::npos) << stored;
    EXPECT_NE(stored.find("paper 385 custom 'Postcard(3.94 x 5.83inch)' 4724x6992 tray 4"), std::string::npos)
        << stored;

    ASSERT_EQ(RunInChildProcess([] {
                  PurgeContextCache(TRUE);
                  FreeCompiledModelList();
                  HANDLE printer = OpenDriverPrinter();
                  DriverContext* other = CreateDriverContext(printer, printer, nullptr, kCallerPropertySheet);
                  if (other == nullptr) return 2;
                  machine::WriteFile(kSeenFile, DescribeSettings(printer, other));
                  ReleaseDriverContext(other, kReleaseDestroy);
                  ClosePrinter(printer);
                  return 0;
              }),
              0);
    std::ifstream seen(machine::HostPath(kSeenFile), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(seen), std::istreambuf_iterator<char>()), stored);
}

// The chapter count is a preset item of the model, so a stored preset keeps
// the chapter list and picking it brings the list back.
TEST_F(StoredSettingsRoad, APresetKeepsItsChapters)
{
    WritePrivateProfileStringW(section_.c_str(), u"Count", u"1", ini_.c_str());
    ASSERT_TRUE(ui::PreparePresetFileName(context_, 0));
    Set(rdmFuncSelectChapter, 1);
    EnsureChapterData(context_);
    Set(wdmChapterKind, kChapterKindTray);
    Set(wdmChapterTray, kTray2);
    ASSERT_EQ(Merge({4, 6}), 0);
    ASSERT_TRUE(ui::SaveStoredPreset(context_, 0));
    const std::u16string file = IniText(section_, u"PresetList0", ini_.c_str());
    EXPECT_EQ(IniText(section_, u"wdmChapterPage2", file.c_str()), u"6");

    ClearChapters(context_);
    ASSERT_EQ(GetChapterRecord(context_, 0), nullptr);
    ui::SelectPreset(context_, 0);
    EXPECT_EQ(Get(wdmChapterNum), 2u);
    const ChapterRecord* second = GetChapterRecord(context_, 1);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->page, 6);
    EXPECT_EQ(second->tray, static_cast<std::int16_t>(kTray2));

    // Picked again, from the presets kept in memory.
    ClearChapters(context_);
    Set(wdmChapterTray, kTray1);
    ASSERT_EQ(Merge({8}), 0);
    ui::SelectPreset(context_, 0);
    EXPECT_EQ(Get(wdmChapterNum), 2u);
    ASSERT_NE(GetChapterRecord(context_, 1), nullptr);
    EXPECT_EQ(GetChapterRecord(context_, 0)->page, 4);
    EXPECT_EQ(GetChapterRecord(context_, 1)->page, 6);
}

}  // namespace
}  // namespace vexl::test
