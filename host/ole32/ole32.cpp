// The task allocator: its blocks are those the shell library hands known
// folder paths out in.
#include "platform/user_folders.h"

VEXL_API LPVOID CoTaskMemAlloc(SIZE_T bytes);
VEXL_API void CoTaskMemFree(LPVOID block);

LPVOID CoTaskMemAlloc(SIZE_T bytes)
{
    return vexl::shell::AllocateTaskMemory(bytes);
}

void CoTaskMemFree(LPVOID block)
{
    vexl::shell::FreeTaskMemory(block);
}
