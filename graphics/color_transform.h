// Colour transforms for image colour matching, made by the colour library
// "mscms.dll" from the destination profile the engine hands in memory. A
// Pdev keeps every transform the engine holds, each with its profile, so
// that deleting one closes exactly that one.
#pragma once

#include "platform/ddi.h"
#include "platform/types.h"

namespace vexl {

struct Pdev;

// The colour library's calls the driver makes.
struct ColorProfile {
    DWORD dwType;
    PVOID pProfileData;
    DWORD cbDataSize;
};
inline constexpr DWORD PROFILE_FILENAME = 1;
inline constexpr DWORD PROFILE_MEMBUFFER = 2;
inline constexpr DWORD PROFILE_READ = 1;
inline constexpr DWORD PROFILE_READWRITE = 2;
inline constexpr DWORD kFileShareRead = 1;
inline constexpr DWORD kOpenExisting = 3;
inline constexpr DWORD BEST_MODE = 3;

using OpenColorProfileWFn = HANDLE (*)(ColorProfile* profile, DWORD access, DWORD share, DWORD creation);
using CreateColorTransformWFn = HANDLE (*)(LOGCOLORSPACEW* colorSpace, HANDLE dest, HANDLE target, DWORD flags);
using DeleteColorTransformFn = BOOL (*)(HANDLE transform);
using CloseColorProfileFn = BOOL (*)(HANDLE profile);

inline constexpr WCHAR kColorLibrary[] = u"mscms.dll";

// Moves the transforms to the Pdev that replaces `from` (a reset).
void CarryColorTransforms(Pdev* to, Pdev* from);
// Deletes the transforms the engine left and closes their profiles.
void ReleaseColorTransforms(Pdev* pdev);

}  // namespace vexl
