#include "common/storage/plugins.h"

#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "storage/storage_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace vexl::test {
namespace {

constexpr const char* kDriverFolderAnsi = "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3";
const std::u16string kPluginIni = std::u16string(kDriverFolder) + u"\\VEXLPLUG.ini";
constexpr const WCHAR* kUiControlScenario = u"C:\\standin\\uicontrol.ini";
constexpr const WCHAR* kUiControlLog = u"C:\\standin\\uicontrol.log";

// A registry value of a plug-in key.
struct RegistryValue {
    const WCHAR* name;
    DWORD type;
    std::string bytes;
};

std::string Utf16Bytes(std::u16string_view text, bool terminated = true)
{
    std::string bytes;
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    if (terminated) bytes += std::string(2, '\0');
    return bytes;
}

std::string DwordBytes(std::uint32_t value)
{
    std::string bytes;
    for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>((value >> shift) & 0xFF);
    return bytes;
}

RegistryValue Text(const WCHAR* name, std::u16string_view text)
{
    return {name, REG_SZ, Utf16Bytes(text)};
}
RegistryValue Number(const WCHAR* name, std::uint32_t value)
{
    return {name, REG_DWORD, DwordBytes(value)};
}
RegistryValue Raw(const WCHAR* name, DWORD type, std::string bytes)
{
    return {name, type, std::move(bytes)};
}

// What a list entry holds, "-" for a missing text.
std::string Describe(const PluginEntry& entry)
{
    std::ostringstream out;
    out << entry.id << "|" << entry.name.value_or("-") << "|" << entry.installPath.value_or("-") << "|"
        << entry.forceRaw << "|" << entry.perPrinter;
    return out.str();
}

class PluginTest : public StorageTest {
protected:
    void Register(const std::u16string& category, const std::u16string& id, const std::vector<RegistryValue>& values)
    {
        const std::u16string path = std::u16string(kPluginRegistryKey) + u"\\" + category + u"\\" + id;
        HKEY key = nullptr;
        ASSERT_EQ(
            RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
        for (const RegistryValue& value : values)
            RegSetValueExW(key, value.name, 0, value.type, reinterpret_cast<const BYTE*>(value.bytes.data()),
                           static_cast<DWORD>(value.bytes.size()));
        RegCloseKey(key);
    }

    void WritePluginIni(const std::string& text) { machine::WriteFile(kPluginIni, text); }

    // The category's list as one line per entry; empty for no list.
    std::vector<std::string> ListOf(const char* category)
    {
        std::vector<std::string> lines;
        PluginList* list = ReadPluginList(category, kDriverFolderAnsi);
        if (list != nullptr)
            for (const PluginEntry& entry : list->entries) lines.push_back(Describe(entry));
        FreePluginList(list);
        return lines;
    }

    void SetPrinterText(const std::u16string& name, std::u16string_view text, DWORD type = REG_SZ)
    {
        std::string bytes = Utf16Bytes(text);
        std::u16string valueName = name;
        SetPrinterDataW(printer_, valueName.data(), type, reinterpret_cast<BYTE*>(bytes.data()),
                        static_cast<DWORD>(bytes.size()));
    }

    void SetPrinterCount(std::uint32_t count)
    {
        std::u16string valueName = u"PluginIDCount";
        SetPrinterDataW(printer_, valueName.data(), REG_DWORD, reinterpret_cast<BYTE*>(&count), sizeof(count));
    }
};

std::string InDriverFolder(const std::string& name)
{
    return std::string(kDriverFolderAnsi) + "\\" + name;
}

TEST_F(PluginTest, RegistryEntriesComeFirstAndWinOverTheIni)
{
    Register(u"UIControl", u"Beta",
             {Text(u"Name", u"Beta registered"), Text(u"InstallPath", u"C:\\plug\\beta.dll"), Number(u"ForceRAW", 1),
              Number(u"PerPrinter", 7)});
    Register(u"UIControl", u"Alpha", {Text(u"Name", u"Alpha")});
    Register(u"VeskoUI", u"Other", {Text(u"Name", u"Other category")});
    WritePluginIni("[UIControl]\nCount=4\nPluginID0=Gamma\nPluginID1=BETA\nPluginID2=\nPluginID3=Delta\n"
                   "[Gamma]\nName=Gamma UI\nInstallPath=gamma\\g.dll\nForceRAW=1\nPerPrinter=3\n"
                   "[BETA]\nName=Beta from the INI\nInstallPath=beta.dll\n"
                   "[Delta]\n");

    EXPECT_EQ(ListOf("UIControl"), (std::vector<std::string>{
                                       "Alpha|Alpha|-|0|0",
                                       "Beta|Beta registered|C:\\plug\\beta.dll|1|7",
                                       "Gamma|Gamma UI|" + InDriverFolder("gamma\\g.dll") + "|1|3",
                                       "Delta|-|-|0|0",
                                   }));
    EXPECT_EQ(ListOf("VeskoUI"), std::vector<std::string>{"Other|Other category|-|0|0"});
}

TEST_F(PluginTest, NoKeyAndNoFileGiveNoList)
{
    EXPECT_EQ(ReadPluginList("UIControl", kDriverFolderAnsi), nullptr);
    WritePluginIni("[UIControl]\nCount=2\nPluginID0=\n");
    EXPECT_EQ(ReadPluginList("UIControl", kDriverFolderAnsi), nullptr);
    EXPECT_EQ(ReadPluginList(nullptr, kDriverFolderAnsi), nullptr);
    FreePluginList(nullptr);
}

// Registry values count only with the right type and a length that fits.
TEST_F(PluginTest, RegistryValuesOfTheWrongTypeOrLengthAreMissing)
{
    struct Case {
        const char* what;
        RegistryValue value;
        std::string expected;
    };
    const std::u16string longest(251, u'n');
    const std::u16string tooLong(252, u'n');
    const Case cases[] = {
        {"text", Text(u"Name", u"Plug"), "P|Plug|-|0|0"},
        {"text of 251 characters", Text(u"Name", longest), "P|" + std::string(251, 'n') + "|-|0|0"},
        {"text of 252 characters", Text(u"Name", tooLong), "P|-|-|0|0"},
        {"empty text", Text(u"Name", u""), "P|-|-|0|0"},
        {"binary name", Raw(u"Name", REG_BINARY, Utf16Bytes(u"Plug")), "P|-|-|0|0"},
        {"number as name", Number(u"Name", 5), "P|-|-|0|0"},
        {"expandable path", Raw(u"InstallPath", REG_EXPAND_SZ, Utf16Bytes(u"C:\\p.dll")), "P|-|-|0|0"},
        {"number", Number(u"ForceRAW", 9), "P|-|-|9|0"},
        {"number as text", Text(u"PerPrinter", u"1"), "P|-|-|0|0"},
        {"number of two bytes", Raw(u"PerPrinter", REG_BINARY, std::string("\x01\x00", 2)), "P|-|-|0|0"},
        {"binary number", Raw(u"PerPrinter", REG_BINARY, DwordBytes(4)), "P|-|-|0|0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"Software\\VORNA\\VexlPlugins\\UIControl\\P");
        Register(u"UIControl", u"P", {c.value});
        EXPECT_EQ(ListOf("UIControl"), std::vector<std::string>{c.expected});
    }
}

TEST_F(PluginTest, RegistryIdsLongerThan250CharactersAreSkipped)
{
    Register(u"UIControl", std::u16string(251, u'a'), {});
    Register(u"UIControl", std::u16string(250, u'b'), {});
    Register(u"UIControl", u"c", {});
    EXPECT_EQ(ListOf("UIControl"), (std::vector<std::string>{std::string(250, 'b') + "|-|-|0|0", "c|-|-|0|0"}));
}

TEST_F(PluginTest, IniTextsLongerThan250CharactersAreNotTaken)
{
    const std::string id250(250, 'i');
    // 230 characters: an INI value, but too long for a path in the driver folder.
    const std::string deepPath = std::string(224, 'd') + "\\x.dll";
    WritePluginIni("[UIControl]\nCount=3\nPluginID0=" + std::string(251, 'j') + "\nPluginID1=" + id250 +
                   "\nPluginID2=Short\n[" + id250 + "]\nName=" + std::string(251, 'n') + "\nInstallPath=" + deepPath +
                   "\n[Short]\nName=" + std::string(250, 'n') + "\nInstallPath=s.dll\n");
    EXPECT_EQ(ListOf("UIControl"), (std::vector<std::string>{
                                       id250 + "|-|-|0|0",
                                       "Short|" + std::string(250, 'n') + "|" + InDriverFolder("s.dll") + "|0|0",
                                   }));
}

TEST_F(PluginTest, AnIniCountOutOfReasonReadsOnlyWhatIsThere)
{
    for (const char* count : {"-3", "2000000000"}) {
        SCOPED_TRACE(count);
        WritePluginIni(std::string("[UIControl]\nCount=") + count + "\nPluginID0=First\n");
        const std::vector<std::string> expected =
            std::string(count) == "-3" ? std::vector<std::string>{} : std::vector<std::string>{"First|-|-|0|0"};
        EXPECT_EQ(ListOf("UIControl"), expected);
    }
}

// ---- the authentication page plug-in -----------------------------------------------------------------

TEST_F(PluginTest, AuthenticationPluginOfThePrinterData)
{
    struct Case {
        const char* what;
        std::uint32_t count;
        std::vector<std::u16string> ids;  // empty: value not written
        bool found;
    };
    const std::u16string auth = kAuthenticationPluginId;
    const Case cases[] = {
        {"no count", 0, {auth}, false},
        {"second of two", 2, {u"com.other", auth}, true},
        {"beyond the count", 1, {u"com.other", auth}, false},
        {"after an unreadable value", 3, {u"com.other", u"", auth}, false},
        {"other case", 1, {u"COM.VORNA.VEXL.VESKOUI"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (int i = 0; i < 3; ++i) {
            std::u16string name = u"PluginID" + std::u16string(1, static_cast<char16_t>(u'0' + i));
            DeletePrinterDataW(printer_, name.data());
            if (i < static_cast<int>(c.ids.size()) && !c.ids[i].empty()) SetPrinterText(name, c.ids[i]);
        }
        std::u16string countName = u"PluginIDCount";
        DeletePrinterDataW(printer_, countName.data());
        if (c.count != 0) SetPrinterCount(c.count);
        EXPECT_EQ(HasAuthenticationPlugin(context()), c.found ? TRUE : FALSE);
    }
}

TEST_F(PluginTest, PrinterDataIdsNeedTextTypeAndTerminator)
{
    SetPrinterCount(1);
    WCHAR id[kPluginIdChars] = {};
    SetPrinterText(u"PluginID0", kAuthenticationPluginId, REG_BINARY);
    EXPECT_FALSE(ReadPluginId(printer_, id, context(), 0));
    EXPECT_FALSE(HasAuthenticationPlugin(context()));

    std::string unterminated = Utf16Bytes(std::u16string(130, u'x'), false);
    std::u16string name = u"PluginID0";
    SetPrinterDataW(printer_, name.data(), REG_SZ, reinterpret_cast<BYTE*>(unterminated.data()),
                    static_cast<DWORD>(unterminated.size()));
    EXPECT_FALSE(ReadPluginId(printer_, id, context(), 0));

    SetPrinterText(u"PluginID0", std::u16string(129, u'y'));
    ASSERT_TRUE(ReadPluginId(printer_, id, context(), 0));
    EXPECT_EQ(std::u16string(id), std::u16string(129, u'y'));
}

TEST_F(PluginTest, AuthenticationPluginPathIsDecidedByTheFirstMatchingEntry)
{
    struct Case {
        const char* what;
        bool registered;  // in the registry without an install path
        std::string ini;
        bool found;
        std::string path;
    };
    const Case cases[] = {
        {"no list", false, "", false, ""},
        {"match in other case with a path", false,
         "[VeskoUI]\nCount=2\nPluginID0=other\nPluginID1=COM.vorna.vexl.VeskoUI\n"
         "[other]\nInstallPath=o.dll\n[COM.vorna.vexl.VeskoUI]\nInstallPath=auth\\a.dll\n",
         true, InDriverFolder("auth\\a.dll")},
        {"first match without a path", true,
         "[VeskoUI]\nCount=2\nPluginID0=other\nPluginID1=com.VORNA.vexl.veskoui\n"
         "[com.VORNA.vexl.veskoui]\nInstallPath=a.dll\n",
         false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.registered) Register(u"VeskoUI", kAuthenticationPluginId, {Text(u"Name", u"Authentication")});
        WritePluginIni(c.ini);
        char path[MAX_PATH] = {};
        EXPECT_EQ(FindAuthenticationPluginPath(context(), path), c.found ? TRUE : FALSE);
        EXPECT_EQ(std::string(path), c.path);
        EXPECT_EQ(FindAuthenticationPluginPath(context(), nullptr), c.found ? TRUE : FALSE);
    }
}

TEST_F(PluginTest, WorkAreaRecordsTheAuthenticationPlugin)
{
    SetPrinterCount(1);
    SetPrinterText(u"PluginID0", kAuthenticationPluginId);
    Register(u"VeskoUI", kAuthenticationPluginId, {Text(u"InstallPath", u"C:\\auth\\a.dll")});
    DetectAuthenticationPlugin(context());
    EXPECT_EQ(context()->workArea->authPluginPresent, 1u);
    EXPECT_EQ(context()->workArea->authPluginPathFound, 1u);
}

// ---- UIControl plug-ins --------------------------------------------------------------------------------

class UiControlTest : public PluginTest {
protected:
    void SetUp() override
    {
        PluginTest::SetUp();
        SetItemValue(context(), rdmFuncSelectCopyProtect, 1);
        SetItemValue(context(), rdmFuncSelectWaterMark, 1);
    }

    // Plug-ins of the INI under these file names of the driver folder.
    void ListPlugins(const std::vector<std::string>& files)
    {
        std::string ini = "[UIControl]\nCount=" + std::to_string(files.size()) + "\n";
        for (std::size_t i = 0; i < files.size(); ++i)
            ini += "PluginID" + std::to_string(i) + "=P" + std::to_string(i) + "\n";
        for (std::size_t i = 0; i < files.size(); ++i)
            ini += "[P" + std::to_string(i) + "]\nInstallPath=" + files[i] + "\n";
        WritePluginIni(ini);
    }

    void InstallPlugin(const std::u16string& file)
    {
        machine::InstallFile(VEXL_UICONTROL_FILE, std::u16string(kDriverFolder) + u"\\" + file);
    }

    std::vector<std::string> LogLines() const
    {
        std::istringstream in(ReadHostFile(kUiControlLog));
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    // Taken copy guard, taken watermark, driver copy guard, driver watermark.
    std::vector<std::uint32_t> Features()
    {
        return {GetItemValue(context(), rdmFunc2SelectUICtrlCopyGuard),
                GetItemValue(context(), rdmFunc2SelectUICtrlWaterMark),
                GetItemValue(context(), rdmFuncSelectCopyProtect), GetItemValue(context(), rdmFuncSelectWaterMark)};
    }
};

TEST_F(UiControlTest, OnePluginTakesOverWhatItAnswers)
{
    struct Case {
        const char* what;
        const char* scenario;
        std::vector<std::uint32_t> features;
        std::vector<std::string> log;
    };
    const Case cases[] = {
        {"takes the watermark",
         "Value2=1\n",
         {0, 1, 1, 0},
         {"A.DLL attach", "A.DLL getInterface version=256 -> 1", "A.DLL open printer=set -> 1",
          "A.DLL query feature=1 -> 1 value=0", "A.DLL query feature=2 -> 1 value=1", "A.DLL close ok",
          "A.DLL dispose ok", "A.DLL detach"}},
        {"takes both",
         "Value1=1\nValue2=3\n",
         {1, 1, 0, 0},
         {"A.DLL attach", "A.DLL getInterface version=256 -> 1", "A.DLL open printer=set -> 1",
          "A.DLL query feature=1 -> 1 value=1", "A.DLL query feature=2 -> 1 value=3", "A.DLL close ok",
          "A.DLL dispose ok", "A.DLL detach"}},
        {"value without success",
         "Query1=0\nValue1=1\n",
         {0, 0, 1, 1},
         {"A.DLL attach", "A.DLL getInterface version=256 -> 1", "A.DLL open printer=set -> 1",
          "A.DLL query feature=1 -> 0 value=1", "A.DLL query feature=2 -> 1 value=0", "A.DLL close ok",
          "A.DLL dispose ok", "A.DLL detach"}},
        {"no interface",
         "GetInterface=0\nValue1=1\n",
         {0, 0, 1, 1},
         {"A.DLL attach", "A.DLL getInterface version=256 -> 0", "A.DLL detach"}},
        {"success without an interface",
         "Interface=0\nValue1=1\n",
         {0, 0, 1, 1},
         {"A.DLL attach", "A.DLL getInterface version=256 -> 1", "A.DLL detach"}},
        {"printer does not open",
         "Open=0\nValue1=1\n",
         {0, 0, 1, 1},
         {"A.DLL attach", "A.DLL getInterface version=256 -> 1", "A.DLL open printer=set -> 0", "A.DLL dispose ok",
          "A.DLL detach"}},
    };
    InstallPlugin(u"A.DLL");
    ListPlugins({"A.DLL"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetItemValue(context(), rdmFuncSelectCopyProtect, 1);
        SetItemValue(context(), rdmFuncSelectWaterMark, 1);
        machine::WriteFile(kUiControlScenario, std::string("[A.DLL]\n") + c.scenario);
        machine::WriteFile(kUiControlLog, "");
        DetectUiControlPlugins(context());
        EXPECT_EQ(Features(), c.features);
        EXPECT_EQ(LogLines(), c.log);
    }
}

TEST_F(UiControlTest, SecondPluginIsAskedOnlyAboutWhatTheFirstKept)
{
    InstallPlugin(u"A.DLL");
    InstallPlugin(u"B.DLL");
    ListPlugins({"A.DLL", "B.DLL"});
    machine::WriteFile(kUiControlScenario, "[A.DLL]\nValue1=1\n[B.DLL]\nValue1=1\nValue2=1\n");
    DetectUiControlPlugins(context());
    EXPECT_EQ(Features(), (std::vector<std::uint32_t>{1, 1, 0, 0}));
    EXPECT_EQ(LogLines(), (std::vector<std::string>{
                              "A.DLL attach",
                              "A.DLL getInterface version=256 -> 1",
                              "A.DLL open printer=set -> 1",
                              "A.DLL query feature=1 -> 1 value=1",
                              "A.DLL query feature=2 -> 1 value=0",
                              "A.DLL close ok",
                              "A.DLL dispose ok",
                              "A.DLL detach",
                              "B.DLL attach",
                              "B.DLL getInterface version=256 -> 1",
                              "B.DLL open printer=set -> 1",
                              "B.DLL query feature=2 -> 1 value=1",
                              "B.DLL close ok",
                              "B.DLL dispose ok",
                              "B.DLL detach",
                          }));
}

TEST_F(UiControlTest, MissingLibrariesAndEntryPointsLeaveTheFeaturesWithTheDriver)
{
    // A library without the entry points is loaded and freed again; a missing
    // one is skipped; the plug-in after them is still asked.
    machine::InstallFile(VEXL_ENTRY_LOG_FILE, std::u16string(kDriverFolder) + u"\\ENTRYLOG.DLL");
    InstallPlugin(u"B.DLL");
    ListPlugins({"MISSING.DLL", "ENTRYLOG.DLL", "B.DLL"});
    machine::WriteFile(kUiControlScenario, "[B.DLL]\nQuery1=0\nValue1=1\n");
    DetectUiControlPlugins(context());
    EXPECT_EQ(Features(), (std::vector<std::uint32_t>{0, 0, 1, 1}));
    const std::string entryLog = ReadHostFile(u"C:\\standin\\entrylog.log");
    EXPECT_NE(entryLog.find("attach"), std::string::npos);
    EXPECT_NE(entryLog.find("detach"), std::string::npos);
    EXPECT_EQ(LogLines().back(), "B.DLL detach");
}

TEST_F(UiControlTest, PluginWithoutTheDisposeEntryIsNotAsked)
{
    const std::filesystem::path withoutDispose =
        std::filesystem::path(VEXL_UICONTROL_FILE).parent_path() / "UICTRLND.DLL";
    machine::InstallFile(withoutDispose, std::u16string(kDriverFolder) + u"\\N.DLL");
    ListPlugins({"N.DLL"});
    machine::WriteFile(kUiControlScenario, "[N.DLL]\nValue1=1\nValue2=1\n");
    DetectUiControlPlugins(context());
    EXPECT_EQ(Features(), (std::vector<std::uint32_t>{0, 0, 1, 1}));
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"N.DLL attach", "N.DLL detach"}));
}

TEST_F(UiControlTest, NoPluginsLeaveTheFeaturesWithTheDriver)
{
    SetItemValue(context(), rdmFunc2SelectUICtrlCopyGuard, 1);
    DetectUiControlPlugins(context());
    EXPECT_EQ(Features(), (std::vector<std::uint32_t>{0, 0, 1, 1}));
}

}  // namespace
}  // namespace vexl::test
