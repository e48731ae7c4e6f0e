#include "common/storage/directories.h"

#include "core/bare_context.h"
#include "storage/storage_fixture.h"

#include <gtest/gtest.h>

namespace vexl::test {
namespace {

// ---- the settings directory across machine profiles --------------------------------------------

struct DirectoryCase {
    const char* name;
    DWORD osMajor;
    DWORD osMinor;
    bool connection;
    const char* clientValue;   // _VEXLDirectoryClient printer data, or null
    const char* folderToMake;  // a folder that exists, or null
    DWORD registryType;        // REG_NONE: no registry value
    const char16_t* registryText;
    const char16_t* expected;
    // A library of the user's folders left out of the system directory, and
    // one whose file there lacks its entry points.
    const char16_t* missingLibrary = nullptr;
    const char16_t* libraryWithoutExport = nullptr;
};

const DirectoryCase kDirectoryCases[] = {
    {"Default", 6, 1, false, nullptr, nullptr, REG_NONE, nullptr, u"C:\\_vexl"},
    {"PreNt5UsesSystemDirectory", 4, 0, false, nullptr, nullptr, REG_SZ, u"D:\\vexl", u"C:\\WINDOWS\\system32"},
    {"RegistryValue", 6, 1, false, nullptr, nullptr, REG_SZ, u"D:\\shared", u"D:\\shared"},
    {"RegistryExpandValue", 5, 1, false, nullptr, nullptr, REG_EXPAND_SZ, u"D:\\x", u"D:\\x"},
    {"EmptyRegistryValueFallsThrough", 6, 1, false, nullptr, nullptr, REG_SZ, u"", u"C:\\_vexl"},
    {"BinaryRegistryValueIsAbsent", 6, 1, false, nullptr, nullptr, REG_BINARY, u"D:\\bin", u"C:\\_vexl"},
    {"ConnectionWithClientValue", 6, 1, true, "%SYSTEMROOT%\\Temp", "C:\\WINDOWS\\Temp\\.keep", REG_SZ, u"D:\\r",
     u"C:\\WINDOWS\\Temp\\_vexl"},
    {"ConnectionClientFolderMissing", 6, 1, true, "C:\\nowhere", nullptr, REG_SZ, u"D:\\r", u"D:\\r"},
    {"LocalPrinterIgnoresClientValue", 6, 1, false, "%SYSTEMROOT%\\Temp", "C:\\WINDOWS\\Temp\\.keep", REG_NONE, nullptr,
     u"C:\\_vexl"},
    {"ClientValueUserProfile", 6, 1, true, "%USERPROFILE%\\ignored", nullptr, REG_NONE, nullptr,
     u"C:\\Users\\user\\AppData\\LocalLow\\_vexl"},
    {"ClientValueUserProfileNt5", 5, 1, true, "%USERPROFILE%", nullptr, REG_NONE, nullptr, u"C:\\Users\\user\\_vexl"},
    // The per-user directory fails without its libraries, and the value is not used.
    {"UserProfileWithoutShell32", 6, 1, true, "%USERPROFILE%", nullptr, REG_NONE, nullptr, u"C:\\_vexl",
     u"shell32.dll"},
    {"UserProfileWithoutOle32", 6, 1, true, "%USERPROFILE%", nullptr, REG_NONE, nullptr, u"C:\\_vexl", u"ole32.dll"},
    {"UserProfileShell32WithoutExport", 6, 1, true, "%USERPROFILE%", nullptr, REG_NONE, nullptr, u"C:\\_vexl", nullptr,
     u"shell32.dll"},
    {"UserProfileOle32WithoutExport", 6, 1, true, "%USERPROFILE%", nullptr, REG_SZ, u"D:\\r", u"D:\\r", nullptr,
     u"ole32.dll"},
    {"UserProfileNt5WithoutUserEnv", 5, 1, true, "%USERPROFILE%", nullptr, REG_NONE, nullptr, u"C:\\_vexl",
     u"UserEnv.dll"},
    {"UserProfileNt5UserEnvWithoutExport", 5, 1, true, "%USERPROFILE%", nullptr, REG_NONE, nullptr, u"C:\\_vexl",
     nullptr, u"UserEnv.dll"},
    // Each system reads its own branch only.
    {"UserProfileVistaWithoutUserEnv", 6, 0, true, "%USERPROFILE%", nullptr, REG_NONE, nullptr,
     u"C:\\Users\\user\\AppData\\LocalLow\\_vexl", u"UserEnv.dll"},
    {"UserProfileNt5WithoutShell32", 5, 1, true, "%USERPROFILE%", nullptr, REG_NONE, nullptr, u"C:\\Users\\user\\_vexl",
     u"shell32.dll"},
};

std::string Utf16Bytes(const char* ascii)
{
    std::string bytes;
    for (const char* p = ascii; *p; ++p) bytes += {*p, '\0'};
    return bytes + std::string(2, '\0');
}

// The case by its name in test listings, not as the bytes of the record.
void PrintTo(const DirectoryCase& c, std::ostream* out)
{
    *out << c.name;
}

class SettingsDirectoryTable : public ::testing::TestWithParam<DirectoryCase> {};

TEST_P(SettingsDirectoryTable, ResolvesTheSharedDirectory)
{
    const DirectoryCase& c = GetParam();
    machine::Profile profile;
    profile.osMajor = c.osMajor;
    profile.osMinor = c.osMinor;
    TestMachine machine(profile);
    InstallUserFolderLibraries();
    if (c.missingLibrary) std::filesystem::remove(machine.host(InSystemDirectory(c.missingLibrary)));
    if (c.libraryWithoutExport) machine::InstallFile(VEXL_TZ00C150_FILE, InSystemDirectory(c.libraryWithoutExport));
    machine::PrinterSetup setup = DriverPrinter(c.connection ? u"\\\\server\\P" : u"P");
    if (c.connection) setup.serverName = u"\\\\server";
    if (c.clientValue) setup.printerData[u"_VEXLDirectoryClient"] = {REG_SZ, Utf16Bytes(c.clientValue)};
    machine::AddPrinter(setup);
    if (c.folderToMake)
        machine::WriteFile(std::u16string(c.folderToMake, c.folderToMake + std::strlen(c.folderToMake)), "");
    if (c.registryType != REG_NONE) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, kDriverRegistryKey, &key), ERROR_SUCCESS);
        const std::u16string text = c.registryText;
        RegSetValueExW(key, kDirectoryValueName, 0, c.registryType, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * 2));
        RegCloseKey(key);
    }
    HANDLE printer = OpenNamedPrinter(setup.name);
    ASSERT_NE(printer, nullptr);
    BareContext bare(printer);
    WCHAR out[MAX_PATH] = {};
    const int length = GetSettingsDirectory(out, MAX_PATH, bare.get());
    EXPECT_EQ(std::u16string(out), c.expected);
    EXPECT_EQ(length, lstrlenW(c.expected));
    // The libraries are loaded for the call only.
    for (const UserFolderLibrary& library : kUserFolderLibraries) EXPECT_EQ(GetModuleHandleW(library.name), nullptr);
    ClosePrinter(printer);
}

INSTANTIATE_TEST_SUITE_P(Profiles, SettingsDirectoryTable, ::testing::ValuesIn(kDirectoryCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- the settings INI path on a terminal server -------------------------------------------------

struct IniPathCase {
    const char* name;
    DWORD osMajor;
    std::uint32_t callerKind;
    const char16_t* expected;
};

const IniPathCase kIniPathCases[] = {
    {"VistaPerUser", 6, 0, u"C:\\Users\\user\\AppData\\LocalLow\\_vexl\\TZ16E170.ini"},
    {"Nt5PerUser", 5, 0, u"C:\\Users\\user\\_vexl\\TZ16E170.ini"},
    {"Nt4PerUser", 4, 0, u"C:\\WINDOWS\\system32\\vorna\\_vexl\\user\\TZ16E170.ini"},
    {"SharedCallerKind", 6, kCallerSharedSettingsDirectory, u"C:\\_vexl\\TZ16E170.ini"},
};

// The case by its name in test listings, not as the bytes of the record.
void PrintTo(const IniPathCase& c, std::ostream* out)
{
    *out << c.name;
}

class TerminalServerIniPath : public ::testing::TestWithParam<IniPathCase> {};

TEST_P(TerminalServerIniPath, UsesThePerUserDirectory)
{
    machine::Profile profile;
    profile.osMajor = GetParam().osMajor;
    profile.osMinor = 0;
    profile.suiteMask = VER_SUITE_TERMINAL;
    TestMachine machine(profile);
    InstallUserFolderLibraries();
    ModelContext ctx;
    ctx.work()->callerKind = GetParam().callerKind;
    EXPECT_EQ(std::u16string(GetSettingsIniPath(ctx.get())), GetParam().expected);
    // Once resolved, the per-user directory of the context is the file's folder.
    WCHAR user[MAX_PATH] = {};
    GetUserSettingsDirectory(user, MAX_PATH, ctx.get());
    EXPECT_EQ(std::u16string(user) + u"\\TZ16E170.ini", GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Kinds, TerminalServerIniPath, ::testing::ValuesIn(kIniPathCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SettingsDirectory, PerUserFailsWithoutKnownFolder)
{
    TestMachine machine;
    InstallUserFolderLibraries();
    machine::Profile profile = machine::LoadProfile();
    profile.localAppDataLow.clear();
    machine::SaveProfile(profile);
    WCHAR out[MAX_PATH] = {};
    EXPECT_EQ(GetUserSettingsDirectoryNoContext(out, MAX_PATH), 0);
}

TEST(SettingsDirectory, LongDirectoriesAreNotResolved)
{
    TestMachine machine;
    InstallUserFolderLibraries();
    machine::Profile profile = machine::LoadProfile();
    profile.localAppDataLow = u"C:\\" + std::u16string(120, u'a') + u"\\" + std::u16string(130, u'b');
    machine::SaveProfile(profile);
    WCHAR out[MAX_PATH] = {};
    EXPECT_EQ(GetUserSettingsDirectoryNoContext(out, MAX_PATH), 0);
    // A caller's buffer too small for the shared directory gets nothing.
    WCHAR small[6] = {};
    EXPECT_EQ(GetSettingsDirectory(small, 6, nullptr), 0);
}

// ---- files of the printer -----------------------------------------------------------------------

using PrinterFiles = StorageTest;

TEST_F(PrinterFiles, DriverModelAndResourcePaths)
{
    EXPECT_EQ(std::u16string(GetDriverDirectory(context())), std::u16string(kDriverFolder) + u"\\");
    EXPECT_EQ(std::u16string(GetModelFilePath(context())), std::u16string(kDriverFolder) + u"\\TZ16E172.ini");
    EXPECT_EQ(std::u16string(GetPrinterSectionName(context())), kPrinterName);
    EXPECT_EQ(std::u16string(GetDriverName(context())), u"VEXL Driver");
    WCHAR path[MAX_PATH] = {};
    ASSERT_TRUE(BuildUiResourceLibraryPath(path, MAX_PATH, u"C:\\d\\", u"TZ16E1US.DLL", u"gm"));
    EXPECT_EQ(std::u16string(path), u"C:\\d\\TZ16E1gm.DLL");
    EXPECT_FALSE(BuildUiResourceLibraryPath(path, 10, u"C:\\d\\", u"TZ16E1US.DLL", u"gm"));
    EXPECT_EQ(path[0], 0);
}

TEST_F(PrinterFiles, ExpandInstallPathForms)
{
    struct Case {
        const char16_t* in;
        std::uint16_t mode;
        const char16_t* out;
    } cases[] = {
        {u"C:\\presets\\a.rsd", 0, u"C:\\presets\\a.rsd"},
        {u"C:\\presets\\a.rsd", 1, u"C:\\presets\\a.rsd"},
        {u"a.rsd", 0, u"C:\\WINDOWS\\system32\\a.rsd"},
        {u"a.rsd", 1, u"C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3\\a.rsd"},
        {u"%windir%x.rsd", 0, u"C:\\WINDOWS\\x.rsd"},
        {u"%sysdir%x.rsd", 1, u"C:\\_vexl\\x.rsd"},
        {u"..\\x.rsd", 0, u"C:\\WINDOWS\\x.rsd"},
        {u"..\\..\\x.rsd", 1, u"C:\\x.rsd"},
        {u".\\x.rsd", 0, u"C:\\WINDOWS\\system32\\x.rsd"},
    };
    for (const Case& c : cases) {
        WCHAR path[MAX_PATH] = {};
        lstrcpynW(path, c.in, MAX_PATH);
        EXPECT_TRUE(ExpandInstallPath(path, MAX_PATH, c.mode, context())) << std::string(c.in, c.in + lstrlenW(c.in));
        EXPECT_EQ(std::u16string(path), c.out);
    }
    WCHAR tooDeep[MAX_PATH] = u"..\\..\\..\\..\\x.rsd";
    EXPECT_FALSE(ExpandInstallPath(tooDeep, MAX_PATH, 0, context()));
    WCHAR companion[MAX_PATH] = u"%SYSTEMDRIVE%\\ui.ini";
    EXPECT_TRUE(ExpandSystemRootPath(companion, MAX_PATH, context()));
    EXPECT_EQ(std::u16string(companion), u"C:\\ui.ini");
    WCHAR unknown[MAX_PATH] = u"%OTHER%\\ui.ini";
    EXPECT_FALSE(ExpandSystemRootPath(unknown, MAX_PATH, context()));
}

TEST(FileNames, PartsAndValidity)
{
    std::int32_t length = -1;
    EXPECT_EQ(std::u16string(FindExtension(u"C:\\a.b\\name", &length)), u"name");
    EXPECT_EQ(length, 0);
    EXPECT_EQ(std::u16string(FindExtension(u"C:\\x\\a.rsd", &length)), u"rsd");
    EXPECT_EQ(length, 3);
    for (const char16_t* bad : {u".rsd", u"abc", u"abc.rsdx"}) EXPECT_FALSE(HasValidFileName(bad));
    EXPECT_TRUE(HasValidFileName(u"abc.rsd"));
    WCHAR out[MAX_PATH] = {};
    EXPECT_TRUE(ReplaceExtensionRsq(out, u"C:\\p.q\\set.rsd", MAX_PATH));
    EXPECT_EQ(std::u16string(out), u"C:\\p.q\\set.rsq");
    EXPECT_TRUE(IsAbsolutePath(u"\\\\srv\\x"));
    EXPECT_FALSE(IsAbsolutePath(u"C:x"));
}

TEST_F(PrinterFiles, InstallDriverFileModes)
{
    const std::u16string source = std::u16string(kDriverFolder) + u"\\a.rsd";
    machine::WriteFile(source, "new");
    machine::WriteFile(u"C:\\presets\\a.rsd", "old");
    // Copy when missing: an existing target stays.
    EXPECT_TRUE(InstallDriverFileEx(u"C:\\presets\\a.rsd", nullptr, kInstallCopyWhenMissing, context(), 0));
    EXPECT_EQ(ReadHostFile(u"C:\\presets\\a.rsd"), "old");
    // Refresh: different times replace the target.
    FILETIME past{1, 1};
    HANDLE target = CreateFileW(u"C:\\presets\\a.rsd", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(target, nullptr, nullptr, &past);
    CloseHandle(target);
    EXPECT_TRUE(InstallDriverFile(u"C:\\presets\\a.rsd", nullptr, 0, context()));
    EXPECT_EQ(ReadHostFile(u"C:\\presets\\a.rsd"), "new");
    // Missing source: nothing happens.
    EXPECT_FALSE(InstallDriverFileEx(u"C:\\presets\\b.rsd", nullptr, kInstallCopyWhenMissing, context(), 0));
    EXPECT_FALSE(FileExists(u"C:\\presets\\b.rsd"));
    // ForceDeleteFile answers the deletion's result.
    EXPECT_TRUE(ForceDeleteFile(u"C:\\presets\\a.rsd"));
    EXPECT_FALSE(ForceDeleteFile(u"C:\\presets\\a.rsd"));
}

TEST(Locale, CountryClass)
{
    for (auto [country, expected] : {std::pair{49, 0}, std::pair{1, 1}, std::pair{55, 5}, std::pair{27, 2}}) {
        machine::Profile profile;
        profile.country = country;
        TestMachine machine(profile);
        ModelContext ctx;
        SetLocaleItems(ctx.get());
        EXPECT_EQ(GetItemValue(ctx.get(), rdmLocaleID), static_cast<std::uint32_t>(expected)) << country;
        EXPECT_EQ(ctx.work()->localeValues[0], expected ? 1 : 9);
    }
}

}  // namespace
}  // namespace vexl::test
