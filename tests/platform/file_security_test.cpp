// The security kept with files and folders, links seen by a folder walk,
// and host processes started from the machine.
#include "platform/machine.h"
#include "platform/win32.h"
#include "support/test_machine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

namespace vexl::test {
namespace {

namespace fs = std::filesystem;

class FileSecurityTest : public MachineTest {
protected:
    // A DACL of one ACE for the group, with the inheritance flags.
    void Secure(const WCHAR* path, DWORD rid, BYTE flags, ACCESS_MASK mask)
    {
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        PSID group = nullptr;
        ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, rid, 0, 0, 0, 0, 0, 0, &group));
        // The ACL holds exactly its header and one ACE of a two-part SID.
        alignas(4) BYTE acl[32] = {};
        ASSERT_TRUE(InitializeAcl(reinterpret_cast<PACL>(acl), sizeof acl, ACL_REVISION));
        ASSERT_TRUE(AddAccessAllowedAceEx(reinterpret_cast<PACL>(acl), ACL_REVISION, flags, mask, group));
        SECURITY_DESCRIPTOR descriptor{};
        InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&descriptor, TRUE, reinterpret_cast<PACL>(acl), FALSE);
        ASSERT_TRUE(SetFileSecurityW(path, DACL_SECURITY_INFORMATION, &descriptor));
        FreeSid(group);
    }
    void SetAdministrator(bool administrator)
    {
        machine::Profile profile = machine::LoadProfile();
        profile.administrator = administrator;
        machine::SaveProfile(profile);
    }
};

TEST_F(FileSecurityTest, InheritableAcesReachEntriesBelowTheFolderAsTheirFlagsSay)
{
    machine::WriteFile(u"C:\\data\\sub\\deep.txt", "x");
    machine::WriteFile(u"C:\\data\\top.txt", "x");
    // Users may read what lies directly below.
    Secure(u"C:\\data", DOMAIN_ALIAS_RID_USERS, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE | NO_PROPAGATE_INHERIT_ACE,
           FILE_GENERIC_READ);
    SetAdministrator(false);
    HANDLE top = CreateFileW(u"C:\\data\\top.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(top, INVALID_HANDLE_VALUE);
    CloseHandle(top);
    EXPECT_EQ(CreateFileW(u"C:\\data\\top.txt", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    // The ACE does not propagate past the first level: a file deeper down is
    // given nothing, not even reading.
    EXPECT_EQ(CreateFileW(u"C:\\data\\sub\\deep.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_FALSE(DeleteFileW(u"C:\\data\\top.txt"));
    // Outside any secured folder everything is allowed.
    machine::WriteFile(u"C:\\open\\a.txt", "x");
    EXPECT_TRUE(DeleteFileW(u"C:\\open\\a.txt"));
}

TEST_F(FileSecurityTest, TheStoredDescriptorReadsBackSelfRelativeAndLinksCannotBeSecured)
{
    machine::WriteFile(u"C:\\data\\a.txt", "x");
    machine::WriteFile(u"C:\\target\\b.txt", "x");
    fs::create_directory_symlink(machine_.host(u"C:\\target"), machine_.host(u"C:\\data") / "link");
    Secure(u"C:\\data\\a.txt", DOMAIN_ALIAS_RID_ADMINS, 0, FILE_ALL_ACCESS);
    DWORD needed = 0;
    EXPECT_FALSE(GetFileSecurityW(u"C:\\data\\a.txt", DACL_SECURITY_INFORMATION, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(needed, 20u + 32u);
    BYTE buffer[64] = {};
    ASSERT_TRUE(GetFileSecurityW(u"C:\\data\\a.txt", DACL_SECURITY_INFORMATION, buffer, sizeof buffer, &needed));
    SECURITY_DESCRIPTOR_RELATIVE header;
    std::memcpy(&header, buffer, sizeof header);
    EXPECT_EQ(header.Control, SE_SELF_RELATIVE | SE_DACL_PRESENT);
    EXPECT_EQ(header.Dacl, 20u);
    EXPECT_EQ(buffer[header.Dacl + 4], 1);  // one ACE

    // A link is listed as a reparse point that leads to a folder, and removed as a link.
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW(u"C:\\data\\link", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    FindClose(find);
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY);
    SECURITY_DESCRIPTOR absolute{};
    InitializeSecurityDescriptor(&absolute, SECURITY_DESCRIPTOR_REVISION);
    EXPECT_FALSE(SetFileSecurityW(u"C:\\data\\link", DACL_SECURITY_INFORMATION, &absolute));
    EXPECT_TRUE(RemoveDirectoryW(u"C:\\data\\link"));
    EXPECT_TRUE(fs::exists(machine_.host(u"C:\\target\\b.txt")));
}

TEST_F(FileSecurityTest, HiddenIsKeptForFoldersAndFiles)
{
    machine::WriteFile(u"C:\\data\\a.txt", "x");
    ASSERT_TRUE(SetFileAttributesW(u"C:\\data", FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(SetFileAttributesW(u"C:\\data\\a.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(GetFileAttributesW(u"C:\\data"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(GetFileAttributesW(u"C:\\data\\a.txt") & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY),
              FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(SetFileAttributesW(u"C:\\data", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributesW(u"C:\\data"), FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(FileSecurityTest, AProcessIsWaitedForAndGivesItsExitCode)
{
    machine::WriteFile(u"C:\\bin\\slow.sh", "#!/bin/sh\nsleep 0.2\nexit 3\n");
    fs::permissions(machine_.host(u"C:\\bin\\slow.sh"), fs::perms::owner_all);
    machine::WriteFile(u"C:\\bin\\plain.txt", "x");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    WCHAR line[1] = {0};
    EXPECT_FALSE(
        CreateProcessW(u"C:\\bin\\plain.txt", line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    ASSERT_TRUE(
        CreateProcessW(u"C:\\bin\\slow.sh", line, nullptr, nullptr, FALSE, 0, nullptr, u"C:\\bin", &startup, &process));
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(process.hProcess, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, INFINITE), WAIT_OBJECT_0);
    EXPECT_TRUE(GetExitCodeProcess(process.hThread, &code));
    EXPECT_EQ(code, 3u);
    EXPECT_TRUE(CloseHandle(process.hThread));
    EXPECT_TRUE(CloseHandle(process.hProcess));
}

}  // namespace
}  // namespace vexl::test
