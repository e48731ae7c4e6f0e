// The operating system as the machine profile describes it: its version,
// the user and the computer, and the security records and checks the driver
// runs to learn whether the user is an administrator.
#pragma once

#include "platform/types.h"

using DWORDLONG = ULONGLONG;

// ---- Version ----------------------------------------------------------------

inline constexpr DWORD VER_PLATFORM_WIN32s = 0;
inline constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
inline constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

struct OSVERSIONINFOW {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    WCHAR szCSDVersion[128];
};
using LPOSVERSIONINFOW = OSVERSIONINFOW*;
static_assert(sizeof(OSVERSIONINFOW) == 276);

struct OSVERSIONINFOEXW {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    WCHAR szCSDVersion[128];
    WORD wServicePackMajor;
    WORD wServicePackMinor;
    WORD wSuiteMask;
    BYTE wProductType;
    BYTE wReserved;
};
using LPOSVERSIONINFOEXW = OSVERSIONINFOEXW*;
static_assert(sizeof(OSVERSIONINFOEXW) == 284);

// The fields VerifyVersionInfoW compares.
inline constexpr DWORD VER_MINORVERSION = 0x00000001;
inline constexpr DWORD VER_MAJORVERSION = 0x00000002;
inline constexpr DWORD VER_BUILDNUMBER = 0x00000004;
inline constexpr DWORD VER_PLATFORMID = 0x00000008;
inline constexpr DWORD VER_SERVICEPACKMINOR = 0x00000010;
inline constexpr DWORD VER_SERVICEPACKMAJOR = 0x00000020;
inline constexpr DWORD VER_SUITENAME = 0x00000040;
inline constexpr DWORD VER_PRODUCT_TYPE = 0x00000080;

// How they compare; VER_AND and VER_OR are for the suite mask.
inline constexpr BYTE VER_EQUAL = 1;
inline constexpr BYTE VER_GREATER = 2;
inline constexpr BYTE VER_GREATER_EQUAL = 3;
inline constexpr BYTE VER_LESS = 4;
inline constexpr BYTE VER_LESS_EQUAL = 5;
inline constexpr BYTE VER_AND = 6;
inline constexpr BYTE VER_OR = 7;

inline constexpr WORD VER_SUITE_SMALLBUSINESS = 0x0001;
inline constexpr WORD VER_SUITE_ENTERPRISE = 0x0002;
inline constexpr WORD VER_SUITE_TERMINAL = 0x0010;
inline constexpr WORD VER_SUITE_SINGLEUSERTS = 0x0100;

inline constexpr BYTE VER_NT_WORKSTATION = 1;
inline constexpr BYTE VER_NT_DOMAIN_CONTROLLER = 2;
inline constexpr BYTE VER_NT_SERVER = 3;

// FALSE with ERROR_INVALID_PARAMETER unless the size field is 276 or 284.
VEXL_API BOOL GetVersionExW(LPOSVERSIONINFOW versionInfo);
// Sets the condition of each field of typeMask (three bits per field).
VEXL_API ULONGLONG VerSetConditionMask(ULONGLONG conditionMask, DWORD typeMask, BYTE condition);
// Major, minor and service-pack versions compare as one version number;
// a mismatch answers FALSE with ERROR_OLD_WIN_VERSION.
VEXL_API BOOL VerifyVersionInfoW(LPOSVERSIONINFOEXW versionInfo, DWORD typeMask, DWORDLONG conditionMask);

// ---- User and computer --------------------------------------------------------

// The user name; *size counts the terminator. A short buffer fails with
// ERROR_INSUFFICIENT_BUFFER and the size needed in *size.
VEXL_API BOOL GetUserNameW(LPWSTR buffer, LPDWORD size);
// The computer name; on success *size counts the characters without the
// terminator. A short buffer fails with ERROR_BUFFER_OVERFLOW and the size
// needed (with the terminator) in *size.
VEXL_API BOOL GetComputerNameW(LPWSTR buffer, LPDWORD size);

// ---- Security records ---------------------------------------------------------
//
// SIDs, ACLs and security descriptors are the in-memory records of Windows,
// byte for byte: a SID is 8 bytes and 4 per sub-authority; an ACL is an
// 8-byte header followed by its ACEs; an access-allowed ACE is 8 bytes
// followed by its SID.

inline constexpr DWORD MAXIMUM_ALLOWED = 0x02000000;

struct SID_IDENTIFIER_AUTHORITY {
    BYTE Value[6];
};
using PSID_IDENTIFIER_AUTHORITY = SID_IDENTIFIER_AUTHORITY*;

inline constexpr SID_IDENTIFIER_AUTHORITY SECURITY_WORLD_SID_AUTHORITY = {{0, 0, 0, 0, 0, 1}};
inline constexpr SID_IDENTIFIER_AUTHORITY SECURITY_NT_AUTHORITY = {{0, 0, 0, 0, 0, 5}};
inline constexpr DWORD SECURITY_WORLD_RID = 0;
inline constexpr DWORD SECURITY_BUILTIN_DOMAIN_RID = 32;
inline constexpr DWORD DOMAIN_ALIAS_RID_ADMINS = 544;
inline constexpr DWORD DOMAIN_ALIAS_RID_USERS = 545;

inline constexpr BYTE SID_REVISION = 1;
inline constexpr BYTE SID_MAX_SUB_AUTHORITIES = 15;

struct SID {
    BYTE Revision;
    BYTE SubAuthorityCount;
    SID_IDENTIFIER_AUTHORITY IdentifierAuthority;
    DWORD SubAuthority[1];  // SubAuthorityCount of them
};
static_assert(sizeof(SID) == 12);
using PSID = void*;

inline constexpr DWORD ACL_REVISION = 2;
inline constexpr DWORD ACL_REVISION2 = 2;
inline constexpr DWORD ACL_REVISION3 = 3;
inline constexpr DWORD ACL_REVISION4 = 4;
inline constexpr DWORD ACL_REVISION_DS = 4;

struct ACL {
    BYTE AclRevision;
    BYTE Sbz1;
    WORD AclSize;
    WORD AceCount;
    WORD Sbz2;
};
static_assert(sizeof(ACL) == 8);
using PACL = ACL*;

inline constexpr BYTE ACCESS_ALLOWED_ACE_TYPE = 0;
inline constexpr BYTE ACCESS_DENIED_ACE_TYPE = 1;
inline constexpr BYTE INHERIT_ONLY_ACE = 0x08;

struct ACE_HEADER {
    BYTE AceType;
    BYTE AceFlags;
    WORD AceSize;
};
static_assert(sizeof(ACE_HEADER) == 4);

struct ACCESS_ALLOWED_ACE {
    ACE_HEADER Header;
    ACCESS_MASK Mask;
    DWORD SidStart;  // the first 4 bytes of the SID
};
static_assert(sizeof(ACCESS_ALLOWED_ACE) == 12);

using SECURITY_DESCRIPTOR_CONTROL = WORD;
inline constexpr SECURITY_DESCRIPTOR_CONTROL SE_OWNER_DEFAULTED = 0x0001;
inline constexpr SECURITY_DESCRIPTOR_CONTROL SE_GROUP_DEFAULTED = 0x0002;
inline constexpr SECURITY_DESCRIPTOR_CONTROL SE_DACL_PRESENT = 0x0004;
inline constexpr SECURITY_DESCRIPTOR_CONTROL SE_DACL_DEFAULTED = 0x0008;
inline constexpr SECURITY_DESCRIPTOR_CONTROL SE_SELF_RELATIVE = 0x8000;
inline constexpr DWORD SECURITY_DESCRIPTOR_REVISION = 1;

// An absolute security descriptor (its SIDs and ACLs are pointers).
struct SECURITY_DESCRIPTOR {
    BYTE Revision;
    BYTE Sbz1;
    SECURITY_DESCRIPTOR_CONTROL Control;
    PSID Owner;
    PSID Group;
    PACL Sacl;
    PACL Dacl;
};
using PSECURITY_DESCRIPTOR = void*;
inline constexpr DWORD SECURITY_DESCRIPTOR_MIN_LENGTH = sizeof(SECURITY_DESCRIPTOR);

struct GENERIC_MAPPING {
    ACCESS_MASK GenericRead;
    ACCESS_MASK GenericWrite;
    ACCESS_MASK GenericExecute;
    ACCESS_MASK GenericAll;
};
using PGENERIC_MAPPING = GENERIC_MAPPING*;

struct LUID {
    DWORD LowPart;
    LONG HighPart;
};

struct LUID_AND_ATTRIBUTES {
    LUID Luid;
    DWORD Attributes;
};

struct PRIVILEGE_SET {
    DWORD PrivilegeCount;
    DWORD Control;
    LUID_AND_ATTRIBUTES Privilege[1];
};
using PPRIVILEGE_SET = PRIVILEGE_SET*;
static_assert(sizeof(PRIVILEGE_SET) == 20);

enum SECURITY_IMPERSONATION_LEVEL {
    SecurityAnonymous,
    SecurityIdentification,
    SecurityImpersonation,
    SecurityDelegation,
};

inline constexpr DWORD TOKEN_DUPLICATE = 0x0002;
inline constexpr DWORD TOKEN_IMPERSONATE = 0x0004;
inline constexpr DWORD TOKEN_QUERY = 0x0008;

// ---- Security functions -------------------------------------------------------
//
// A token lists the SIDs of the machine profile's user: Everyone, Users,
// and Administrators exactly when the profile says the user is one. A thread
// has a token of its own only while it impersonates (ImpersonateSelf until
// RevertToSelf), and AccessCheck takes only such a token.

VEXL_API BOOL ImpersonateSelf(SECURITY_IMPERSONATION_LEVEL level);
VEXL_API BOOL RevertToSelf();
// Only the calling thread's and process's own (pseudo) handles are accepted.
VEXL_API BOOL OpenThreadToken(HANDLE thread, DWORD desiredAccess, BOOL openAsSelf, HANDLE* token);
VEXL_API BOOL OpenProcessToken(HANDLE process, DWORD desiredAccess, HANDLE* token);

// The SID is allocated here; FreeSid frees it (and answers NULL).
VEXL_API BOOL AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY authority, BYTE subAuthorityCount, DWORD subAuthority0,
                                       DWORD subAuthority1, DWORD subAuthority2, DWORD subAuthority3,
                                       DWORD subAuthority4, DWORD subAuthority5, DWORD subAuthority6,
                                       DWORD subAuthority7, PSID* sid);
VEXL_API PVOID FreeSid(PSID sid);
VEXL_API DWORD GetLengthSid(PSID sid);
VEXL_API BOOL IsValidSid(PSID sid);
VEXL_API BOOL EqualSid(PSID sid1, PSID sid2);

VEXL_API BOOL InitializeAcl(PACL acl, DWORD aclLength, DWORD aclRevision);
VEXL_API BOOL IsValidAcl(PACL acl);
// ERROR_ALLOTTED_SPACE_EXCEEDED when the ACE does not fit in the ACL's size.
VEXL_API BOOL AddAccessAllowedAce(PACL acl, DWORD aceRevision, DWORD accessMask, PSID sid);

VEXL_API BOOL InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR descriptor, DWORD revision);
VEXL_API BOOL SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR descriptor, BOOL daclPresent, PACL dacl,
                                        BOOL daclDefaulted);
VEXL_API BOOL SetSecurityDescriptorOwner(PSECURITY_DESCRIPTOR descriptor, PSID owner, BOOL ownerDefaulted);
VEXL_API BOOL SetSecurityDescriptorGroup(PSECURITY_DESCRIPTOR descriptor, PSID group, BOOL groupDefaulted);
VEXL_API BOOL IsValidSecurityDescriptor(PSECURITY_DESCRIPTOR descriptor);

// Replaces the generic rights of the mask with the rights they map to.
VEXL_API void MapGenericMask(DWORD* accessMask, GENERIC_MAPPING* genericMapping);
// Whether the token may have the desired access under the descriptor: the
// desired access (generic rights mapped) must be covered by the allowed
// ACEs of the DACL for the token's SIDs, before any denied ACE takes a right
// away; a NULL DACL grants everything. The call answers TRUE when it could
// check; *accessStatus tells the result (FALSE with ERROR_ACCESS_DENIED).
// The descriptor needs an owner and a group; the privilege set must have
// room for a PRIVILEGE_SET (else ERROR_INSUFFICIENT_BUFFER and the size
// needed in *privilegeSetLength).
VEXL_API BOOL AccessCheck(PSECURITY_DESCRIPTOR descriptor, HANDLE clientToken, DWORD desiredAccess,
                          GENERIC_MAPPING* genericMapping, PPRIVILEGE_SET privilegeSet, DWORD* privilegeSetLength,
                          DWORD* grantedAccess, BOOL* accessStatus);
