#include "platform/win32.h"

#include "support/test_machine.h"

#include <string>

namespace vexl::test {
namespace {

class EnvironmentTest : public MachineTest {
protected:
    static std::u16string Get(const char16_t* name)
    {
        WCHAR buffer[MAX_PATH] = {};
        const DWORD length = GetEnvironmentVariableW(name, buffer, MAX_PATH);
        return std::u16string(buffer, length);
    }

    static std::u16string Expand(const char16_t* text)
    {
        WCHAR buffer[MAX_PATH] = {};
        const DWORD needed = ExpandEnvironmentStringsW(text, buffer, MAX_PATH);
        EXPECT_EQ(needed, std::char_traits<char16_t>::length(buffer) + 1);
        return buffer;
    }
};

TEST_F(EnvironmentTest, IsSeededFromTheMachineProfileNotTheHost)
{
    EXPECT_EQ(Get(u"PATH"), u"C:\\WINDOWS\\system32;C:\\WINDOWS");
    EXPECT_EQ(Get(u"SYSTEMROOT"), u"C:\\WINDOWS");
    EXPECT_EQ(Get(u"windir"), u"C:\\WINDOWS");
    EXPECT_EQ(Get(u"SystemDrive"), u"C:");
    EXPECT_EQ(Get(u"UserProfile"), u"C:\\Users\\user");
    EXPECT_EQ(Get(u"USERNAME"), u"user");
    EXPECT_EQ(Get(u"COMPUTERNAME"), u"VEXLHOST");
    EXPECT_EQ(Get(u"HOME"), u"");
    EXPECT_EQ(GetLastError(), ERROR_ENVVAR_NOT_FOUND);
}

TEST_F(EnvironmentTest, AnswersTheSizeNeededAndSetsAndDeletes)
{
    WCHAR small[12] = {};
    EXPECT_EQ(GetEnvironmentVariableW(u"windir", small, 4), 11u);
    EXPECT_EQ(GetEnvironmentVariableW(u"windir", nullptr, 0), 11u);
    EXPECT_EQ(GetEnvironmentVariableW(u"windir", small, 10), 11u);  // no room for the terminator

    EXPECT_TRUE(SetEnvironmentVariableW(u"VexlTest", u"one"));
    EXPECT_TRUE(SetEnvironmentVariableW(u"VEXLTEST", u"two"));
    EXPECT_EQ(Get(u"vexltest"), u"two");
    EXPECT_TRUE(SetEnvironmentVariableW(u"vexltest", nullptr));
    EXPECT_EQ(GetEnvironmentVariableW(u"VexlTest", small, 4), 0u);
    EXPECT_EQ(GetLastError(), ERROR_ENVVAR_NOT_FOUND);
    EXPECT_FALSE(SetEnvironmentVariableW(u"A=B", u"x"));
}

TEST_F(EnvironmentTest, ExpandsKnownNamesAndKeepsTheRest)
{
    SetEnvironmentVariableW(u"Empty", u"");
    struct Case {
        const char16_t* text;
        const char16_t* expanded;
    } cases[] = {
        {u"%SystemRoot%\\Temp", u"C:\\WINDOWS\\Temp"},
        {u"%systemdrive%\\_vexl", u"C:\\_vexl"},
        {u"%UNKNOWN%\\x", u"%UNKNOWN%\\x"},
        {u"%UNKNOWN%%windir%", u"%UNKNOWN%C:\\WINDOWS"},
        {u"100% sure", u"100% sure"},
        {u"%%", u"%%"},
        {u"[%Empty%]", u"[]"},
        {u"%USERNAME% on %COMPUTERNAME%", u"user on VEXLHOST"},
    };
    for (const Case& c : cases) EXPECT_EQ(Expand(c.text), c.expanded);

    WCHAR small[5] = {u'#', u'#', u'#', u'#', u'#'};
    EXPECT_EQ(ExpandEnvironmentStringsW(u"%windir%", small, 5), 11u);
    EXPECT_EQ(small[0], 0);  // nothing half-expanded is left behind
    EXPECT_EQ(ExpandEnvironmentStringsW(u"%windir%", nullptr, 0), 11u);
}

}  // namespace
}  // namespace vexl::test
