#include "common/core/osinfo.h"

#include "common/core/context.h"
#include "common/core/memory.h"
#include "common/core/printer_facts.h"
#include "platform/win32.h"

#include <string>

namespace vexl {
namespace {

// Process-wide cached answers: 0 not asked yet, 1 yes, 2 no. Every writer
// writes the same value, so they need no lock.
int g_nt5OrLater = 0;
int g_win9x = 0;
int g_terminalServer = 0;

constexpr const WCHAR* kProbeLibrary = u"TZ00C150.dll";
constexpr const char* kProbeExport = "_IsTSE_WMICOM_VEXL_Printer_Driver";

struct OsVersion {
    BOOL known;
    DWORD major;
    DWORD minor;
    DWORD platformId;
};

OsVersion GetOsVersion()
{
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
    if (!GetVersionExW(&info)) return {FALSE, 0, 0, 0};
    return {TRUE, info.dwMajorVersion, info.dwMinorVersion, info.dwPlatformId};
}

int ToCachedAnswer(BOOL answer)
{
    return answer ? 1 : 2;
}

// Loads the probe library from the driver directory and asks its export.
BOOL AskTerminalServerProbe(HANDLE printer)
{
    WCHAR directory[MAX_PATH] = {};
    GetDriverDirectoryForPrinter(printer, directory);
    const std::u16string path = std::u16string(directory) + kProbeLibrary;
    if (path.size() >= MAX_PATH) return FALSE;
    HMODULE probe = LoadLibraryW(path.c_str());
    if (!probe) return FALSE;
    using ProbeFunction = int (*)();
    auto ask = reinterpret_cast<ProbeFunction>(reinterpret_cast<void*>(GetProcAddress(probe, kProbeExport)));
    const BOOL answer = ask && ask() == 1 ? TRUE : FALSE;
    FreeLibrary(probe);
    return answer;
}

BOOL HasTerminalSuite()
{
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
    info.wSuiteMask = VER_SUITE_TERMINAL;
    const ULONGLONG condition = VerSetConditionMask(0, VER_SUITENAME, VER_AND);
    return VerifyVersionInfoW(&info, VER_SUITENAME, condition);
}

// A security descriptor that allows the Administrators group, and the
// access check of the caller's token against it.
struct AdministratorCheck {
    HANDLE token = nullptr;
    PSID administrators = nullptr;
    PACL acl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;

    ~AdministratorCheck()
    {
        if (acl) LocalFree(acl);
        if (descriptor) LocalFree(descriptor);
        if (administrators) FreeSid(administrators);
        if (token) CloseHandle(token);
    }

    bool OpenToken()
    {
        if (OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) return true;
        if (GetLastError() != ERROR_NO_TOKEN) return false;
        return OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) != FALSE;
    }

    bool BuildDescriptor()
    {
        SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
        if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                      0, 0, &administrators))
            return false;
        const DWORD aclSize = GetLengthSid(administrators) + 16;
        acl = static_cast<PACL>(LocalAlloc(LPTR, aclSize));
        descriptor = LocalAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH);
        return acl && descriptor && InitializeAcl(acl, aclSize, ACL_REVISION) &&
               AddAccessAllowedAce(acl, ACL_REVISION, kAccessRead | kAccessWrite, administrators) &&
               InitializeSecurityDescriptor(descriptor, SECURITY_DESCRIPTOR_REVISION) &&
               SetSecurityDescriptorDacl(descriptor, TRUE, acl, FALSE) &&
               SetSecurityDescriptorOwner(descriptor, administrators, FALSE) &&
               SetSecurityDescriptorGroup(descriptor, administrators, FALSE) && IsValidSecurityDescriptor(descriptor);
    }

    BOOL CheckAccess()
    {
        GENERIC_MAPPING mapping{kAccessRead, kAccessWrite, 0, kAccessRead | kAccessWrite};
        BYTE privileges[20] = {};
        DWORD privilegesLength = sizeof(privileges);
        DWORD granted = 0;
        BOOL status = FALSE;
        if (!AccessCheck(descriptor, token, kAccessRead, &mapping, reinterpret_cast<PPRIVILEGE_SET>(privileges),
                         &privilegesLength, &granted, &status))
            return FALSE;
        return status;
    }

    static constexpr DWORD kAccessRead = 1;
    static constexpr DWORD kAccessWrite = 2;
};

}  // namespace

BOOL IsNt5OrLater()
{
    if (g_nt5OrLater == 0) {
        const OsVersion version = GetOsVersion();
        g_nt5OrLater = ToCachedAnswer(version.known && version.major >= 5);
    }
    return g_nt5OrLater == 1;
}

BOOL IsNt52OrLater()
{
    const OsVersion version = GetOsVersion();
    if (!version.known || version.major <= 4) return FALSE;
    return !(version.major == 5 && version.minor <= 1);
}

BOOL IsVistaOrLater()
{
    const OsVersion version = GetOsVersion();
    return version.known && version.major > 5;
}

// Asked behind every item address and store size, so answered once.
BOOL IsWin9x()
{
    if (g_win9x == 0) {
        const OsVersion version = GetOsVersion();
        g_win9x = ToCachedAnswer(version.known && version.platformId == VER_PLATFORM_WIN32_WINDOWS);
    }
    return g_win9x == 1;
}

void ForgetOsAnswers()
{
    g_nt5OrLater = 0;
    g_win9x = 0;
    g_terminalServer = 0;
}

BOOL IsWin98OrMe()
{
    const OsVersion version = GetOsVersion();
    return version.known && version.platformId == VER_PLATFORM_WIN32_WINDOWS && version.minor != 0;
}

BOOL IsTerminalServer(HANDLE printer)
{
    if (IsNt52OrLater() && printer) return AskTerminalServerProbe(printer);
    return HasTerminalSuite();
}

BOOL IsTerminalServerCached(HANDLE printer)
{
    if (g_terminalServer == 0) g_terminalServer = ToCachedAnswer(IsTerminalServer(printer));
    return g_terminalServer == 1;
}

BOOL IsUserAdministrator()
{
    if (!ImpersonateSelf(SecurityImpersonation)) return FALSE;
    BOOL answer = FALSE;
    {
        AdministratorCheck check;
        if (check.OpenToken() && check.BuildDescriptor()) answer = check.CheckAccess();
    }
    RevertToSelf();
    return answer;
}

BOOL IsAdministratorOrUnchecked(DriverContext* context)
{
    if (!context || !context->workArea || context->workArea->checkAdministrator != 0) return IsUserAdministrator();
    return TRUE;
}

}  // namespace vexl
