// The user-environment library. Its one export answers the profile folder
// of the user a token stands for, as the machine profile has it.
#include "platform/user_folders.h"

VEXL_API BOOL GetUserProfileDirectoryW(HANDLE token, LPWSTR profileDirectory, LPDWORD size);

BOOL GetUserProfileDirectoryW(HANDLE token, LPWSTR profileDirectory, LPDWORD size)
{
    return vexl::shell::UserProfileDirectory(token, profileDirectory, size);
}
