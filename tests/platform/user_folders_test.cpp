#include "platform/machine.h"
#include "platform/win32.h"
#include "support/test_machine.h"

#include <gtest/gtest.h>

#include <string>

namespace vexl::test {
namespace {

using UserFolders = MachineTest;

TEST_F(UserFolders, KnownFolderProfileAndLocale)
{
    WCHAR* path = nullptr;
    ASSERT_EQ(SHGetKnownFolderPath(FOLDERID_LocalAppDataLow, 0, nullptr, &path), S_OK);
    EXPECT_EQ(std::u16string(path), u"C:\\Users\\user\\AppData\\LocalLow");
    CoTaskMemFree(path);

    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    WCHAR folder[8] = {};
    DWORD size = 8;
    EXPECT_FALSE(GetUserProfileDirectoryW(token, folder, &size));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(size, 14u);
    WCHAR full[MAX_PATH] = {};
    size = MAX_PATH;
    EXPECT_TRUE(GetUserProfileDirectoryW(token, full, &size));
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
    EXPECT_TRUE(FAILED(SHGetKnownFolderPath(FOLDERID_LocalAppDataLow, 0, nullptr, &path)));
    EXPECT_EQ(path, nullptr);
}

}  // namespace
}  // namespace vexl::test
