#include "platform/win32.h"
#include "support/test_machine.h"

#include <cstring>
#include <string>
#include <vector>

namespace vexl::test {
namespace {

machine::Profile OsProfile(DWORD major, DWORD minor, DWORD build, DWORD platformId, std::u16string servicePack,
                           WORD suiteMask = 0)
{
    machine::Profile profile;
    profile.osMajor = major;
    profile.osMinor = minor;
    profile.osBuild = build;
    profile.platformId = platformId;
    profile.servicePack = std::move(servicePack);
    profile.suiteMask = suiteMask;
    return profile;
}

// ---- Version ----------------------------------------------------------------

TEST(VersionTest, GetVersionExAnswersTheProfile)
{
    struct Case {
        machine::Profile profile;
        DWORD buildNumber;
        WORD servicePackMajor;
    } cases[] = {
        {OsProfile(4, 0, 1381, 2, u"Service Pack 6"), 1381, 6},
        {OsProfile(5, 0, 2195, 2, u"Service Pack 4"), 2195, 4},
        {OsProfile(5, 1, 2600, 2, u"Service Pack 3"), 2600, 3},
        {OsProfile(5, 2, 3790, 2, u"Service Pack 2", VER_SUITE_TERMINAL), 3790, 2},
        {OsProfile(6, 1, 7601, 2, u"Service Pack 1"), 7601, 1},
        // Windows 98: the high word of the build number holds the version.
        {OsProfile(4, 10, 2222, 1, u" A "), 0x040A08AE, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.profile.osMajor << "." << c.profile.osMinor);
        TestMachine machine(c.profile);

        OSVERSIONINFOW info;
        std::memset(&info, 0, sizeof info);
        info.dwOSVersionInfoSize = 276;
        ASSERT_TRUE(GetVersionExW(&info));
        EXPECT_EQ(info.dwMajorVersion, c.profile.osMajor);
        EXPECT_EQ(info.dwMinorVersion, c.profile.osMinor);
        EXPECT_EQ(info.dwBuildNumber, c.buildNumber);
        EXPECT_EQ(info.dwPlatformId, c.profile.platformId);
        EXPECT_EQ(std::u16string(info.szCSDVersion), c.profile.servicePack);

        OSVERSIONINFOEXW extended;
        std::memset(&extended, 0xFF, sizeof extended);
        extended.dwOSVersionInfoSize = 284;
        ASSERT_TRUE(GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&extended)));
        EXPECT_EQ(extended.dwMajorVersion, c.profile.osMajor);
        EXPECT_EQ(extended.wServicePackMajor, c.servicePackMajor);
        EXPECT_EQ(extended.wServicePackMinor, 0);
        EXPECT_EQ(extended.wSuiteMask, c.profile.suiteMask);
        EXPECT_EQ(extended.wProductType, c.profile.productType);
    }
}

TEST(VersionTest, GetVersionExRefusesAnotherSize)
{
    TestMachine machine;
    for (DWORD size : {0u, 148u, 275u, 280u}) {
        OSVERSIONINFOEXW info{};
        info.dwOSVersionInfoSize = size;
        EXPECT_FALSE(GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&info)));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
        EXPECT_EQ(info.dwMajorVersion, 0u);
    }
    EXPECT_FALSE(GetVersionExW(nullptr));
}

// The terminal-server test of the driver on systems without the probe.
BOOL IsTerminalSuite()
{
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof info;
    info.wSuiteMask = VER_SUITE_TERMINAL;
    return VerifyVersionInfoW(&info, VER_SUITENAME, VerSetConditionMask(0, VER_SUITENAME, VER_AND));
}

TEST(VersionTest, VerifyVersionFindsTheTerminalSuite)
{
    struct Case {
        WORD suiteMask;
        BOOL terminal;
    } cases[] = {{VER_SUITE_TERMINAL, TRUE},
                 {VER_SUITE_TERMINAL | VER_SUITE_SINGLEUSERTS, TRUE},
                 {0, FALSE},
                 {VER_SUITE_ENTERPRISE, FALSE}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.suiteMask);
        TestMachine machine(OsProfile(5, 0, 2195, 2, u"", c.suiteMask));
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(IsTerminalSuite(), c.terminal);
        EXPECT_EQ(GetLastError(), c.terminal ? ERROR_SUCCESS : ERROR_OLD_WIN_VERSION);
    }
}

TEST(VersionTest, VerifyVersionComparesMajorMinorAndServicePackAsOneNumber)
{
    TestMachine machine(OsProfile(6, 1, 7601, 2, u"Service Pack 1"));
    constexpr DWORD kVersion = VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR;
    struct Case {
        DWORD major, minor;
        WORD servicePack;
        DWORD typeMask;
        BYTE condition;
        BOOL match;
    } cases[] = {
        {5, 2, 0, kVersion, VER_GREATER_EQUAL, TRUE},  // the minor 1 is below 2, the version is not
        {6, 1, 1, kVersion, VER_GREATER_EQUAL, TRUE},
        {6, 1, 2, kVersion, VER_GREATER_EQUAL, FALSE},
        {6, 1, 1, kVersion, VER_EQUAL, TRUE},
        {6, 0, 0, kVersion, VER_LESS, FALSE},
        {7, 0, 0, kVersion, VER_LESS, TRUE},
        {5, 0, 0, VER_MAJORVERSION, VER_GREATER, TRUE},
        {0, 2, 0, VER_MINORVERSION, VER_LESS_EQUAL, TRUE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.major << "." << c.minor << " sp" << c.servicePack << " cond "
                                        << int(c.condition));
        OSVERSIONINFOEXW info{};
        info.dwOSVersionInfoSize = sizeof info;
        info.dwMajorVersion = c.major;
        info.dwMinorVersion = c.minor;
        info.wServicePackMajor = c.servicePack;
        EXPECT_EQ(VerifyVersionInfoW(&info, c.typeMask, VerSetConditionMask(0, c.typeMask, c.condition)), c.match);
    }

    OSVERSIONINFOEXW info{};
    info.dwPlatformId = VER_PLATFORM_WIN32_NT;
    EXPECT_TRUE(VerifyVersionInfoW(&info, VER_PLATFORMID, VerSetConditionMask(0, VER_PLATFORMID, VER_EQUAL)));
    EXPECT_FALSE(VerifyVersionInfoW(&info, 0, VerSetConditionMask(0, VER_PLATFORMID, VER_EQUAL)));
    EXPECT_EQ(GetLastError(), ERROR_BAD_ARGUMENTS);
    EXPECT_FALSE(VerifyVersionInfoW(&info, VER_PLATFORMID, VerSetConditionMask(0, VER_MAJORVERSION, VER_EQUAL)));
    EXPECT_EQ(GetLastError(), ERROR_BAD_ARGUMENTS);
}

// ---- User and computer --------------------------------------------------------

TEST(NameTest, UserAndComputerNamesTakeTwoCalls)
{
    machine::Profile profile;
    profile.userName = u"Jos\u00e9";
    profile.computerName = u"PRINTHOST";
    TestMachine machine(profile);

    DWORD size = 0;
    EXPECT_FALSE(GetUserNameW(nullptr, &size));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(size, 5u);
    std::u16string user(size, u'?');
    ASSERT_TRUE(GetUserNameW(user.data(), &size));
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(user, std::u16string(u"Jos\u00e9") + u'\0');

    size = 9;
    std::u16string computer(10, u'?');
    EXPECT_FALSE(GetComputerNameW(computer.data(), &size));
    EXPECT_EQ(GetLastError(), ERROR_BUFFER_OVERFLOW);
    EXPECT_EQ(size, 10u);
    ASSERT_TRUE(GetComputerNameW(computer.data(), &size));
    EXPECT_EQ(size, 9u);
    EXPECT_EQ(computer, std::u16string(u"PRINTHOST") + u'\0');
}

// ---- Security -------------------------------------------------------------------

// The administrator check, step by step as the driver runs it.
BOOL IsUserAdministrator()
{
    BOOL accessStatus = FALSE;
    const BOOL impersonating = ImpersonateSelf(SecurityImpersonation);
    HANDLE token = nullptr;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token) && GetLastError() == ERROR_NO_TOKEN)
        OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);

    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    PACL acl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (token && AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0,
                                          0, 0, 0, 0, &administrators)) {
        const DWORD aclSize = GetLengthSid(administrators) + 16;
        acl = static_cast<PACL>(LocalAlloc(LPTR, aclSize));
        descriptor = LocalAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH);
        if (acl && descriptor && InitializeAcl(acl, aclSize, ACL_REVISION) &&
            AddAccessAllowedAce(acl, ACL_REVISION, 3, administrators) &&
            InitializeSecurityDescriptor(descriptor, SECURITY_DESCRIPTOR_REVISION) &&
            SetSecurityDescriptorDacl(descriptor, TRUE, acl, FALSE) &&
            SetSecurityDescriptorOwner(descriptor, administrators, FALSE) &&
            SetSecurityDescriptorGroup(descriptor, administrators, FALSE) && IsValidSecurityDescriptor(descriptor)) {
            GENERIC_MAPPING mapping{1, 2, 0, 3};
            PRIVILEGE_SET privileges;
            DWORD privilegesLength = 20;
            DWORD granted = 0;
            if (!AccessCheck(descriptor, token, 1, &mapping, &privileges, &privilegesLength, &granted, &accessStatus))
                accessStatus = FALSE;
        }
    }
    LocalFree(acl);
    LocalFree(descriptor);
    if (administrators) FreeSid(administrators);
    if (token) CloseHandle(token);
    if (impersonating) RevertToSelf();
    return accessStatus;
}

TEST(SecurityTest, AdministratorCheckAnswersTheProfile)
{
    for (bool administrator : {true, false}) {
        SCOPED_TRACE(administrator);
        machine::Profile profile;
        profile.administrator = administrator;
        TestMachine machine(profile);
        EXPECT_EQ(IsUserAdministrator(), administrator ? TRUE : FALSE);

        // The check reverted: the thread has no token of its own again.
        HANDLE token = nullptr;
        EXPECT_FALSE(OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token));
        EXPECT_EQ(GetLastError(), ERROR_NO_TOKEN);
    }
}

SID_IDENTIFIER_AUTHORITY g_ntAuthority = SECURITY_NT_AUTHORITY;
SID_IDENTIFIER_AUTHORITY g_worldAuthority = SECURITY_WORLD_SID_AUTHORITY;

// A descriptor owned by the Administrators group, with a DACL made of the
// given allowed ACEs, a NULL DACL, or none.
class Descriptor {
public:
    struct Ace {
        PSID sid;
        ACCESS_MASK mask;
    };
    enum class Dacl { Aces, Null, Absent };

    Descriptor(Dacl kind, std::vector<Ace> aces = {})
    {
        AllocateAndInitializeSid(&g_ntAuthority, 2, 32, 544, 0, 0, 0, 0, 0, 0, &owner_);
        std::size_t size = sizeof(ACL);
        for (const Ace& ace : aces) size += 8 + GetLengthSid(ace.sid);
        acl_.resize(size);
        InitializeAcl(Acl(), static_cast<DWORD>(size), ACL_REVISION);
        for (const Ace& ace : aces) AddAccessAllowedAce(Acl(), ACL_REVISION, ace.mask, ace.sid);
        InitializeSecurityDescriptor(&record_, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorOwner(&record_, owner_, FALSE);
        SetSecurityDescriptorGroup(&record_, owner_, FALSE);
        if (kind != Dacl::Absent)
            SetSecurityDescriptorDacl(&record_, TRUE, kind == Dacl::Aces ? Acl() : nullptr, FALSE);
    }
    ~Descriptor() { FreeSid(owner_); }

    PSECURITY_DESCRIPTOR get() { return &record_; }

private:
    PACL Acl() { return reinterpret_cast<PACL>(acl_.data()); }

    PSID owner_ = nullptr;
    std::vector<BYTE> acl_;
    SECURITY_DESCRIPTOR record_{};
};

class AccessCheckTest : public MachineTest {
protected:
    AccessCheckTest()
    {
        AllocateAndInitializeSid(&g_worldAuthority, 1, 0, 0, 0, 0, 0, 0, 0, 0, &everyone_);
        AllocateAndInitializeSid(&g_ntAuthority, 2, 32, 544, 0, 0, 0, 0, 0, 0, &administrators_);
        AllocateAndInitializeSid(&g_ntAuthority, 2, 32, 547, 0, 0, 0, 0, 0, 0, &powerUsers_);
        ImpersonateSelf(SecurityImpersonation);
        OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token_);
    }
    ~AccessCheckTest() override
    {
        CloseHandle(token_);
        RevertToSelf();
        for (PSID sid : {everyone_, administrators_, powerUsers_}) FreeSid(sid);
    }

    struct Result {
        BOOL called;
        BOOL status;
        DWORD granted;
    };
    Result Check(Descriptor& descriptor, DWORD desired, HANDLE token = nullptr)
    {
        GENERIC_MAPPING mapping{1, 2, 4, 7};
        PRIVILEGE_SET privileges;
        DWORD privilegesLength = sizeof privileges;
        Result result{};
        result.called = AccessCheck(descriptor.get(), token ? token : token_, desired, &mapping, &privileges,
                                    &privilegesLength, &result.granted, &result.status);
        return result;
    }

    PSID everyone_ = nullptr;
    PSID administrators_ = nullptr;
    PSID powerUsers_ = nullptr;
    HANDLE token_ = nullptr;
};

TEST_F(AccessCheckTest, GrantsWhatTheTokensAcesCover)
{
    using Dacl = Descriptor::Dacl;
    struct Case {
        const char* what;
        Dacl dacl;
        std::vector<Descriptor::Ace> aces;
        DWORD desired;
        BOOL status;
        DWORD granted;
    } cases[] = {
        {"NULL DACL", Dacl::Null, {}, 2, TRUE, 2},
        {"no DACL", Dacl::Absent, {}, GENERIC_ALL, TRUE, 7},
        {"empty DACL", Dacl::Aces, {}, 1, FALSE, 0},
        {"read for everyone", Dacl::Aces, {{everyone_, 1}}, GENERIC_READ, TRUE, 1},
        {"rights of two ACEs add up", Dacl::Aces, {{everyone_, 1}, {administrators_, 2}}, 3, TRUE, 3},
        {"a right missing", Dacl::Aces, {{everyone_, 1}}, 3, FALSE, 0},
        {"another group's ACE", Dacl::Aces, {{powerUsers_, 7}}, 1, FALSE, 0},
        {"generic ACE mask", Dacl::Aces, {{everyone_, GENERIC_WRITE}}, 2, TRUE, 2},
        {"maximum allowed", Dacl::Aces, {{everyone_, 1}, {administrators_, 4}}, MAXIMUM_ALLOWED, TRUE, 5},
        {"nothing asked", Dacl::Aces, {{everyone_, 7}}, 0, FALSE, 0},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        Descriptor descriptor(c.dacl, c.aces);
        ASSERT_TRUE(IsValidSecurityDescriptor(descriptor.get()));
        const Result result = Check(descriptor, c.desired);
        EXPECT_TRUE(result.called);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.granted, c.granted);
    }
}

TEST_F(AccessCheckTest, RefusesAProcessTokenAShortPrivilegeSetAndAnIncompleteDescriptor)
{
    Descriptor descriptor(Descriptor::Dacl::Null);
    HANDLE processToken = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &processToken));
    EXPECT_FALSE(Check(descriptor, 1, processToken).called);
    EXPECT_EQ(GetLastError(), ERROR_NO_IMPERSONATION_TOKEN);
    EXPECT_TRUE(CloseHandle(processToken));

    GENERIC_MAPPING mapping{1, 2, 4, 7};
    PRIVILEGE_SET privileges;
    DWORD privilegesLength = 12;
    DWORD granted = 0;
    BOOL status = FALSE;
    EXPECT_FALSE(AccessCheck(descriptor.get(), token_, 1, &mapping, &privileges, &privilegesLength, &granted, &status));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(privilegesLength, 20u);

    SECURITY_DESCRIPTOR ownerless;
    InitializeSecurityDescriptor(&ownerless, SECURITY_DESCRIPTOR_REVISION);
    EXPECT_FALSE(AccessCheck(&ownerless, token_, 1, &mapping, &privileges, &privilegesLength, &granted, &status));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_SECURITY_DESCR);
}

TEST(SecurityTest, AclHoldsTheAceBytesAndRefusesOneThatDoesNotFit)
{
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&ntAuthority, 2, 32, 544, 0, 0, 0, 0, 0, 0, &administrators));
    ASSERT_EQ(GetLengthSid(administrators), 16u);
    EXPECT_TRUE(IsValidSid(administrators));

    alignas(4) BYTE acl[32];
    ASSERT_TRUE(InitializeAcl(reinterpret_cast<PACL>(acl), sizeof acl, ACL_REVISION));
    ASSERT_TRUE(AddAccessAllowedAce(reinterpret_cast<PACL>(acl), ACL_REVISION, 3, administrators));
    const BYTE expected[32] = {
        2, 0, 32, 0, 1, 0, 0, 0,                              // ACL: revision 2, 32 bytes, one ACE
        0, 0, 24, 0, 3, 0, 0, 0,                              // allowed ACE of 24 bytes, mask 3
        1, 2, 0,  0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0,  // S-1-5-32-544
    };
    EXPECT_EQ(std::memcmp(acl, expected, sizeof acl), 0);

    EXPECT_FALSE(AddAccessAllowedAce(reinterpret_cast<PACL>(acl), ACL_REVISION, 1, administrators));
    EXPECT_EQ(GetLastError(), ERROR_ALLOTTED_SPACE_EXCEEDED);
    EXPECT_EQ(std::memcmp(acl, expected, sizeof acl), 0);
    EXPECT_FALSE(InitializeAcl(reinterpret_cast<PACL>(acl), 4, ACL_REVISION));

    PSID same = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&ntAuthority, 2, 32, 544, 0, 0, 0, 0, 0, 0, &same));
    EXPECT_TRUE(EqualSid(administrators, same));
    reinterpret_cast<BYTE*>(same)[12] = 0x21;  // S-1-5-32-545
    EXPECT_FALSE(EqualSid(administrators, same));
    EXPECT_EQ(FreeSid(same), nullptr);
    EXPECT_EQ(FreeSid(administrators), nullptr);
}

}  // namespace
}  // namespace vexl::test
