#include "platform/machine.h"
#include "platform/win32.h"
#include "support/test_machine.h"

#include <gtest/gtest.h>

#include <string>

namespace vexl::test {
namespace {

// An export as the function type it has (through void (*)(), which converts to any).
template <typename Function> Function ProcAs(FARPROC proc)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
}

// The shell, task-allocator and user-environment libraries in the system
// directory, loaded by their bare names as the driver loads them.
class UserFolders : public MachineTest {
protected:
    void SetUp() override
    {
        machine::InstallFile(VEXL_SHELL32_FILE, u"C:\\WINDOWS\\system32\\shell32.dll");
        machine::InstallFile(VEXL_OLE32_FILE, u"C:\\WINDOWS\\system32\\ole32.dll");
        machine::InstallFile(VEXL_USERENV_FILE, u"C:\\WINDOWS\\system32\\UserEnv.dll");
        shell_ = LoadLibraryW(u"shell32.dll");
        taskAllocator_ = LoadLibraryW(u"ole32.dll");
        userEnvironment_ = LoadLibraryW(u"UserEnv.dll");
        ASSERT_NE(shell_, nullptr);
        ASSERT_NE(taskAllocator_, nullptr);
        ASSERT_NE(userEnvironment_, nullptr);
        getKnownFolderPath_ = ProcAs<SHGetKnownFolderPathProc>(GetProcAddress(shell_, "SHGetKnownFolderPath"));
        freeTaskMemory_ = ProcAs<CoTaskMemFreeProc>(GetProcAddress(taskAllocator_, "CoTaskMemFree"));
        getUserProfileDirectory_ =
            ProcAs<GetUserProfileDirectoryWProc>(GetProcAddress(userEnvironment_, "GetUserProfileDirectoryW"));
        ASSERT_NE(getKnownFolderPath_, nullptr);
        ASSERT_NE(freeTaskMemory_, nullptr);
        ASSERT_NE(getUserProfileDirectory_, nullptr);
    }
    void TearDown() override
    {
        for (HMODULE module : {shell_, taskAllocator_, userEnvironment_}) {
            if (module) FreeLibrary(module);
        }
    }

    HMODULE shell_ = nullptr;
    HMODULE taskAllocator_ = nullptr;
    HMODULE userEnvironment_ = nullptr;
    SHGetKnownFolderPathProc getKnownFolderPath_ = nullptr;
    CoTaskMemFreeProc freeTaskMemory_ = nullptr;
    GetUserProfileDirectoryWProc getUserProfileDirectory_ = nullptr;
};

TEST_F(UserFolders, KnownFolderProfileAndLocale)
{
    WCHAR* path = nullptr;
    ASSERT_EQ(getKnownFolderPath_(FOLDERID_LocalAppDataLow, 0, nullptr, &path), S_OK);
    EXPECT_EQ(std::u16string(path), u"C:\\Users\\user\\AppData\\LocalLow");
    freeTaskMemory_(path);
    // The task allocator's own blocks go back to it the same way.
    using AllocateProc = LPVOID (*)(SIZE_T bytes);
    const auto allocate = ProcAs<AllocateProc>(GetProcAddress(taskAllocator_, "CoTaskMemAlloc"));
    ASSERT_NE(allocate, nullptr);
    freeTaskMemory_(allocate(16));

    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    WCHAR folder[8] = {};
    DWORD size = 8;
    EXPECT_FALSE(getUserProfileDirectory_(token, folder, &size));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(size, 14u);
    WCHAR full[MAX_PATH] = {};
    size = MAX_PATH;
    EXPECT_TRUE(getUserProfileDirectory_(token, full, &size));
    EXPECT_EQ(std::u16string(full), u"C:\\Users\\user");
    CloseHandle(token);

    EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, nullptr, 0), 2);
    WCHAR country[7] = {};
    EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, country, 7), 2);
    EXPECT_EQ(std::u16string(country), u"1");
    EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, 0x7777, country, 7), 0);
}

TEST_F(UserFolders, MissingFolderIsNotFound)
{
    machine::Profile profile = machine::LoadProfile();
    profile.localAppDataLow.clear();
    machine::SaveProfile(profile);
    WCHAR* path = reinterpret_cast<WCHAR*>(1);
    EXPECT_TRUE(FAILED(getKnownFolderPath_(FOLDERID_LocalAppDataLow, 0, nullptr, &path)));
    EXPECT_EQ(path, nullptr);
}

TEST_F(UserFolders, OnlyTheLibrariesExportTheirNames)
{
    // One definition of each name in the process: the platform layer that the
    // program and the libraries share does not answer them.
    for (const char* name : {"SHGetKnownFolderPath", "CoTaskMemAlloc", "CoTaskMemFree", "GetUserProfileDirectoryW"})
        EXPECT_EQ(GetProcAddress(nullptr, name), nullptr) << name;
}

}  // namespace
}  // namespace vexl::test
