// The security of files and folders: each entry of the machine may keep an
// owner SID and a DACL of its own (SetFileSecurityW), and the file functions
// check them against the machine profile's user (AccessCheck with the
// user's token) before they create, write, delete or re-secure an entry.
//
// An entry without a DACL of its own takes the inheritable ACEs of the
// nearest folder above it that has one; when no folder up to the drive has
// one, every access is allowed. The security of an entry stays with the
// entry and never reaches through a symbolic link.
#pragma once

#include "platform/system.h"
#include "platform/types.h"

using SECURITY_INFORMATION = DWORD;
inline constexpr SECURITY_INFORMATION OWNER_SECURITY_INFORMATION = 0x00000001;
inline constexpr SECURITY_INFORMATION GROUP_SECURITY_INFORMATION = 0x00000002;
inline constexpr SECURITY_INFORMATION DACL_SECURITY_INFORMATION = 0x00000004;

inline constexpr BYTE OBJECT_INHERIT_ACE = 0x01;
inline constexpr BYTE CONTAINER_INHERIT_ACE = 0x02;
inline constexpr BYTE NO_PROPAGATE_INHERIT_ACE = 0x04;

// Standard and file rights.
inline constexpr ACCESS_MASK DELETE = 0x00010000;
inline constexpr ACCESS_MASK READ_CONTROL = 0x00020000;
inline constexpr ACCESS_MASK WRITE_DAC = 0x00040000;
inline constexpr ACCESS_MASK WRITE_OWNER = 0x00080000;
inline constexpr ACCESS_MASK SYNCHRONIZE = 0x00100000;
inline constexpr ACCESS_MASK FILE_READ_DATA = 0x0001;
inline constexpr ACCESS_MASK FILE_LIST_DIRECTORY = 0x0001;
inline constexpr ACCESS_MASK FILE_WRITE_DATA = 0x0002;
inline constexpr ACCESS_MASK FILE_ADD_FILE = 0x0002;
inline constexpr ACCESS_MASK FILE_APPEND_DATA = 0x0004;
inline constexpr ACCESS_MASK FILE_ADD_SUBDIRECTORY = 0x0004;
inline constexpr ACCESS_MASK FILE_DELETE_CHILD = 0x0040;
inline constexpr ACCESS_MASK FILE_ALL_ACCESS = 0x001F01FF;
inline constexpr ACCESS_MASK FILE_GENERIC_READ = 0x00120089;
inline constexpr ACCESS_MASK FILE_GENERIC_WRITE = 0x00120116;
inline constexpr ACCESS_MASK FILE_GENERIC_EXECUTE = 0x001200A0;

inline constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x00000400;

// The header of a self-relative security descriptor: the owner, group, SACL
// and DACL follow it at the given offsets (0 for none).
struct SECURITY_DESCRIPTOR_RELATIVE {
    BYTE Revision;
    BYTE Sbz1;
    SECURITY_DESCRIPTOR_CONTROL Control;
    DWORD Owner;
    DWORD Group;
    DWORD Sacl;
    DWORD Dacl;
};
static_assert(sizeof(SECURITY_DESCRIPTOR_RELATIVE) == 20);

// An access-allowed ACE with the given inheritance flags.
VEXL_API BOOL AddAccessAllowedAceEx(PACL acl, DWORD aceRevision, DWORD aceFlags, DWORD accessMask, PSID sid);

// Keeps a copy of the descriptor's owner (OWNER_SECURITY_INFORMATION) and/or
// DACL (DACL_SECURITY_INFORMATION) with the entry. The user needs WRITE_OWNER
// or WRITE_DAC on the entry, and may only make a SID of his own token the
// owner (ERROR_INVALID_OWNER). A symbolic link cannot be secured.
VEXL_API BOOL SetFileSecurityW(LPCWSTR fileName, SECURITY_INFORMATION securityInformation,
                               PSECURITY_DESCRIPTOR securityDescriptor);
// The entry's own owner and DACL as they were set, as a self-relative
// descriptor; *lengthNeeded gets its size (ERROR_INSUFFICIENT_BUFFER when
// length is short). An entry without them answers a descriptor without them.
VEXL_API BOOL GetFileSecurityW(LPCWSTR fileName, SECURITY_INFORMATION requestedInformation,
                               PSECURITY_DESCRIPTOR securityDescriptor, DWORD length, LPDWORD lengthNeeded);
