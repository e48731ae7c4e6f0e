// The shared settings folder: its attributes and security as stored by the
// machine, the rights they give a user who is not an administrator, the
// recursive delete that must not follow a planted link, and the copy helpers.
#include "ui/services/settings_folder.h"

#include "platform/machine.h"
#include "platform/win32.h"
#include "ui_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace vexl::test {
namespace {

namespace fs = std::filesystem;
constexpr const WCHAR* kFolder = u"C:\\_vexl";

using Bytes = std::vector<std::uint8_t>;

struct StoredSecurity {
    Bytes owner;
    Bytes dacl;
    bool daclPresent = false;
};

StoredSecurity ReadSecurity(const WCHAR* path)
{
    DWORD needed = 0;
    GetFileSecurityW(path, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
    Bytes buffer(needed);
    StoredSecurity stored;
    if (!GetFileSecurityW(path, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, buffer.data(), needed, &needed))
        return stored;
    SECURITY_DESCRIPTOR_RELATIVE header;
    std::memcpy(&header, buffer.data(), sizeof header);
    stored.daclPresent = (header.Control & SE_DACL_PRESENT) != 0;
    if (header.Owner)
        stored.owner.assign(buffer.begin() + header.Owner,
                            buffer.begin() + header.Owner + 8 + 4 * buffer[header.Owner + 1]);
    if (header.Dacl) {
        const WORD size = static_cast<WORD>(buffer[header.Dacl + 2] | buffer[header.Dacl + 3] << 8);
        stored.dacl.assign(buffer.begin() + header.Dacl, buffer.begin() + header.Dacl + size);
    }
    return stored;
}

const Bytes kAdministratorsOwner = {0x01, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05,
                                    0x20, 0x00, 0x00, 0x00, 0x20, 0x02, 0x00, 0x00};
const Bytes kEveryoneFullDacl = {
    0x02, 0x00, 0x1C, 0x00, 0x01, 0x00, 0x00, 0x00,                           // ACL header
    0x00, 0x03, 0x14, 0x00, 0xFF, 0x01, 0x1F, 0x00,                           // ACE: allowed, OI|CI, FILE_ALL_ACCESS
    0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00};  // S-1-1-0

void SetAdministrator(bool administrator)
{
    machine::Profile profile = machine::LoadProfile();
    profile.administrator = administrator;
    machine::SaveProfile(profile);
}

bool WriteText(const WCHAR* path, const char* text)
{
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
    CloseHandle(file);
    return ok;
}

class SettingsFolderTest : public UiPrinterTest {};

TEST_F(SettingsFolderTest, CreatingTheExistingFolderMakesItHiddenAndGivesItTheExactSecurity)
{
    WCHAR folder[MAX_PATH] = {};
    ASSERT_GT(ui::GetDataFolder(folder, MAX_PATH, printer_, nullptr), 0);
    EXPECT_EQ(std::u16string(folder), std::u16string(kFolder));

    EXPECT_TRUE(ui::CreateDataFolder(printer_));
    EXPECT_TRUE(GetFileAttributesW(kFolder) & FILE_ATTRIBUTE_HIDDEN);
    const StoredSecurity stored = ReadSecurity(kFolder);
    EXPECT_EQ(stored.owner, kAdministratorsOwner);
    EXPECT_EQ(stored.dacl, kEveryoneFullDacl);
    // Only the folder itself: the file already in it keeps what it had.
    EXPECT_TRUE(ReadSecurity(u"C:\\_vexl\\.keep").owner.empty());
}

TEST_F(SettingsFolderTest, SecuringTheFolderReachesItsFilesButNotASubfolder)
{
    machine::WriteFile(u"C:\\_vexl\\VXSET.ini", "[P]\r\n");
    machine::WriteFile(u"C:\\_vexl\\vexl\\20260101000000base\\R0000001.rsb", "[us]\r\n");
    DriverContext* context = Create();
    ASSERT_NE(context, nullptr);
    EXPECT_TRUE(ui::SecureDataFolder(context));
    ReleaseDriverContext(context, kReleaseDestroy);

    for (const WCHAR* path : {kFolder, u"C:\\_vexl\\VXSET.ini"}) {
        const StoredSecurity stored = ReadSecurity(path);
        EXPECT_EQ(stored.owner, kAdministratorsOwner);
        EXPECT_EQ(stored.dacl, kEveryoneFullDacl);
    }
    for (const WCHAR* path : {u"C:\\_vexl\\vexl", u"C:\\_vexl\\vexl\\20260101000000base\\R0000001.rsb"}) {
        const StoredSecurity stored = ReadSecurity(path);
        EXPECT_TRUE(stored.owner.empty());
        EXPECT_FALSE(stored.daclPresent);
    }
}

TEST_F(SettingsFolderTest, AUserWhoIsNoAdministratorWorksInTheFolderButCannotTakeItOver)
{
    ASSERT_TRUE(ui::CreateDataFolder(printer_));
    // A folder only the administrators may use, beside it.
    machine::WriteFile(u"C:\\admins\\.keep", "");
    {
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        PSID administrators = nullptr;
        ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                             0, 0, &administrators));
        alignas(4) BYTE acl[64] = {};
        SECURITY_DESCRIPTOR descriptor{};
        ASSERT_TRUE(InitializeAcl(reinterpret_cast<PACL>(acl), sizeof acl, ACL_REVISION));
        ASSERT_TRUE(
            AddAccessAllowedAceEx(reinterpret_cast<PACL>(acl), ACL_REVISION, 3, FILE_ALL_ACCESS, administrators));
        InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&descriptor, TRUE, reinterpret_cast<PACL>(acl), FALSE);
        ASSERT_TRUE(SetFileSecurityW(u"C:\\admins", DACL_SECURITY_INFORMATION, &descriptor));
        FreeSid(administrators);
    }
    SetAdministrator(false);

    // Presets can be written, rewritten and deleted in the shared folder.
    EXPECT_TRUE(WriteText(u"C:\\_vexl\\user0000.rst", "[P]\r\nRstMachine=1\r\n"));
    EXPECT_TRUE(WritePrivateProfileStringW(u"P", u"Name", u"Mine", u"C:\\_vexl\\user0000.rst"));
    EXPECT_TRUE(CreateDirectoryW(u"C:\\_vexl\\sub", nullptr));
    // It cannot be given to the user, and it cannot be removed while it holds files.
    PSECURITY_DESCRIPTOR owner = ui::MakeAdminsOwnerDescriptor();
    ASSERT_NE(owner, nullptr);
    EXPECT_FALSE(SetFileSecurityW(kFolder, OWNER_SECURITY_INFORMATION, owner));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_OWNER);
    ui::FreeOwnerDescriptor(owner);
    EXPECT_FALSE(RemoveDirectoryW(kFolder));
    EXPECT_EQ(ReadSecurity(kFolder).owner, kAdministratorsOwner);

    // The administrators' folder refuses him.
    EXPECT_FALSE(WriteText(u"C:\\admins\\x.ini", "x"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(DeleteFileW(u"C:\\admins\\.keep"));
    SetAdministrator(true);
    EXPECT_TRUE(WriteText(u"C:\\admins\\x.ini", "x"));
}

TEST_F(SettingsFolderTest, RemovingTheFolderDeletesALinkPlantedInsideButNotWhatItLeadsTo)
{
    machine::WriteFile(u"C:\\_vexl\\VXSET.ini", "[P]\r\n");
    machine::WriteFile(u"C:\\_vexl\\vexl\\pkg\\R1.rsb", "x");
    machine::WriteFile(u"C:\\_vexl\\ro.rst", "x");
    SetFileAttributesW(u"C:\\_vexl\\ro.rst", FILE_ATTRIBUTE_READONLY);
    machine::WriteFile(u"C:\\precious\\keep.txt", "keep");
    machine::WriteFile(u"C:\\precious.txt", "keep");
    const fs::path folder = machine_.host(kFolder);
    fs::create_directory_symlink(machine_.host(u"C:\\precious"), folder / "link");
    fs::create_symlink(machine_.host(u"C:\\precious.txt"), folder / "filelink.txt");
    fs::create_symlink(machine_.host(u"C:\\nowhere"), folder / "dangling");
    ASSERT_TRUE(ui::CreateDataFolder(printer_));

    ui::RemoveDataFolder();

    EXPECT_FALSE(fs::is_symlink(folder / "link"));
    EXPECT_FALSE(fs::is_symlink(folder / "filelink.txt"));
    EXPECT_FALSE(fs::is_symlink(folder / "dangling"));
    EXPECT_FALSE(fs::exists(folder / "vexl"));
    EXPECT_TRUE(fs::exists(machine_.host(u"C:\\precious\\keep.txt")));
    EXPECT_TRUE(fs::exists(machine_.host(u"C:\\precious.txt")));
    // The read-only preset keeps the folder from going; everything else went.
    EXPECT_TRUE(fs::exists(folder / "ro.rst"));
    SetFileAttributesW(u"C:\\_vexl\\ro.rst", FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(ui::RemoveDataFolder());
    EXPECT_FALSE(fs::exists(folder));
}

TEST_F(SettingsFolderTest, DeletingByPatternTakesReadOnlyFilesAndReportsNoMatch)
{
    machine::WriteFile(u"C:\\_vexl\\a.rsd", "x");
    machine::WriteFile(u"C:\\_vexl\\b.rsd", "x");
    machine::WriteFile(u"C:\\_vexl\\c.rsq", "x");
    SetFileAttributesW(u"C:\\_vexl\\b.rsd", FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(ui::DeleteFilesByPattern(u"C:\\_vexl\\*.rsb"));
    EXPECT_TRUE(ui::DeleteFilesByPattern(u"C:\\_vexl\\*.rsd"));
    EXPECT_EQ(GetFileAttributesW(u"C:\\_vexl\\a.rsd"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesW(u"C:\\_vexl\\b.rsd"), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesW(u"C:\\_vexl\\c.rsq"), INVALID_FILE_ATTRIBUTES);
}

void SetWriteTime(const WCHAR* path, std::uint64_t seconds)
{
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const std::uint64_t ticks = (seconds + 11644473600ULL) * 10000000ULL;
    const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
}

std::string Content(const fs::path& path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(SettingsFolderTest, CopyModesReplaceTargetsAsTheirTimesSay)
{
    struct Case {
        std::uint16_t mode;
        bool sourceThere;
        bool targetThere;
        int targetAge;  // target time minus source time
        BOOL result;
        bool copied;
    };
    const Case cases[] = {
        {1, true, false, 0, TRUE, true},   {1, true, true, -5, TRUE, false}, {1, false, false, 0, FALSE, false},
        {2, true, true, -5, TRUE, true},   {2, true, true, 5, TRUE, true},   {2, true, true, 0, FALSE, false},
        {2, false, true, 0, FALSE, false}, {2, true, false, 0, TRUE, true},
    };
    const WCHAR* source = u"C:\\src\\file.dat";
    const WCHAR* target = u"C:\\dst\\file.dat";
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " source " << c.sourceThere << " target "
                                        << c.targetThere << " age " << c.targetAge);
        fs::remove_all(machine_.host(u"C:\\src"));
        fs::remove_all(machine_.host(u"C:\\dst"));
        machine::WriteFile(u"C:\\dst\\.keep", "");
        machine::WriteFile(u"C:\\src\\.keep", "");
        if (c.sourceThere) {
            machine::WriteFile(source, "new");
            SetWriteTime(source, 1'700'000'000);
        }
        if (c.targetThere) {
            machine::WriteFile(target, "old");
            SetWriteTime(target, 1'700'000'000 + c.targetAge);
        }
        EXPECT_EQ(ui::CopyFileByMode(target, source, c.mode), c.result);
        EXPECT_EQ(Content(machine_.host(target)) == "new", c.copied);
    }
    EXPECT_FALSE(ui::CopyFileByMode(u"dst\\file.dat", source, 2));
    EXPECT_TRUE(ui::CopyFileByMode(u"C:\\SRC\\FILE.DAT", source, 2));
}

TEST_F(SettingsFolderTest, ADriverFileGoesToTheSystemFolderUnlessThatOneIsNewer)
{
    const std::u16string driverFile = std::u16string(kDriverFolder) + u"\\VXEXTRA.DAT";
    const WCHAR* systemFile = u"C:\\WINDOWS\\system32\\VXEXTRA.DAT";
    machine::WriteFile(driverFile, "new");
    SetWriteTime(driverFile.c_str(), 1'700'000'000);
    EXPECT_TRUE(ui::CopyDriverFileToSystemDirFor(u"VXEXTRA.DAT", nullptr, 2, printer_));
    EXPECT_EQ(Content(machine_.host(systemFile)), "new");
    EXPECT_EQ(GetFileAttributesW(systemFile) & FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_ARCHIVE);

    machine::WriteFile(systemFile, "newer");
    SetWriteTime(systemFile, 1'700'000'100);
    EXPECT_TRUE(ui::CopyDriverFileToSystemDirFor(u"VXEXTRA.DAT", nullptr, 2, printer_));
    EXPECT_EQ(Content(machine_.host(systemFile)), "newer");
    SetWriteTime(systemFile, 1'600'000'000);
    EXPECT_TRUE(ui::CopyDriverFileToSystemDirFor(u"VXEXTRA.DAT", nullptr, 2, printer_));
    EXPECT_EQ(Content(machine_.host(systemFile)), "new");
    EXPECT_FALSE(ui::CopyDriverFileToSystemDirFor(u"MISSING.DAT", nullptr, 1, printer_));
}

}  // namespace
}  // namespace vexl::test
