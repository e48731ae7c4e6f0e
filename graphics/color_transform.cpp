#include "graphics/color_transform.h"

#include "graphics/hooks.h"
#include "graphics/pdev.h"
#include "platform/modules.h"

namespace vexl {
namespace {

template <typename Function> Function LibraryEntry(HMODULE module, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

void CloseProfile(HMODULE library, HANDLE profile)
{
    if (!profile) return;
    if (auto close = LibraryEntry<CloseColorProfileFn>(library, "CloseColorProfile")) close(profile);
}

// Deletes the transform and closes its profile; the entry is then empty.
void DeleteEntry(ColorTransformEntry& entry)
{
    if (!entry.library) return;
    if (entry.transform) {
        if (auto remove = LibraryEntry<DeleteColorTransformFn>(entry.library, "DeleteColorTransform")) {
            remove(entry.transform);
        }
    }
    CloseProfile(entry.library, entry.profile);
    FreeLibrary(entry.library);
    entry = ColorTransformEntry{};
}

ColorTransformEntry* FreeEntry(Pdev* pdev)
{
    for (ColorTransformEntry& entry : pdev->colorTransforms.entries) {
        if (!entry.transform) return &entry;
    }
    return nullptr;
}

}  // namespace

HANDLE DrvIcmCreateColorTransform(DHPDEV dhpdev, LOGCOLORSPACEW* colorSpace, PVOID, ULONG, PVOID destProfile,
                                  ULONG destSize, PVOID, ULONG, DWORD)
{
    Pdev* pdev = ValidPdev(dhpdev);
    if (!pdev) return nullptr;
    if (!colorSpace || !destProfile || destSize == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    ColorTransformEntry* entry = FreeEntry(pdev);
    if (!entry) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    const HMODULE library = LoadLibraryW(kColorLibrary);
    if (!library) return nullptr;
    auto open = LibraryEntry<OpenColorProfileWFn>(library, "OpenColorProfileW");
    auto create = LibraryEntry<CreateColorTransformWFn>(library, "CreateColorTransformW");
    HANDLE profile = nullptr;
    HANDLE transform = nullptr;
    if (open && create) {
        ColorProfile memory{PROFILE_MEMBUFFER, destProfile, destSize};
        profile = open(&memory, PROFILE_READ, kFileShareRead, kOpenExisting);
        if (profile) transform = create(colorSpace, profile, nullptr, BEST_MODE);
    }
    if (!transform) {
        CloseProfile(library, profile);
        FreeLibrary(library);
        return nullptr;
    }
    *entry = ColorTransformEntry{transform, profile, library};
    return transform;
}

BOOL DrvIcmDeleteColorTransform(DHPDEV dhpdev, HANDLE transform)
{
    Pdev* pdev = ValidPdev(dhpdev);
    if (!pdev) return FALSE;
    if (transform) {
        for (ColorTransformEntry& entry : pdev->colorTransforms.entries) {
            if (entry.transform == transform) DeleteEntry(entry);
        }
    }
    return TRUE;
}

void CarryColorTransforms(Pdev* to, Pdev* from)
{
    ReleaseColorTransforms(to);
    to->colorTransforms = from->colorTransforms;
    from->colorTransforms = ColorTransformList{};
}

void ReleaseColorTransforms(Pdev* pdev)
{
    for (ColorTransformEntry& entry : pdev->colorTransforms.entries) DeleteEntry(entry);
}

}  // namespace vexl
