// The colour library "mscms.dll": profiles opened from memory and colour
// transforms made from them, as handles it counts. The scenario file
// C:\standin\mscms.ini can make its calls fail:
//
//   [Library]
//   OpenError=13           OpenColorProfileW fails with this code
//   CreateError=2013       CreateColorTransformW fails with this code
//
// StandinOpenProfiles and StandinLiveTransforms answer how many handles are
// alive, so that a test sees every profile closed and every transform
// deleted.
#include "platform/ddi.h"
#include "platform/kernel.h"
#include "scenario.h"

#include <cstdint>
#include <set>

namespace {

constexpr char16_t kScenarioFile[] = u"C:\\standin\\mscms.ini";
constexpr DWORD kProfileMemoryBuffer = 2;
constexpr DWORD kProfileRead = 1;
constexpr DWORD kOpenExisting = 3;
constexpr DWORD kInvalidProfile = 2011;

struct Profile {
    DWORD dwType;
    PVOID pProfileData;
    DWORD cbDataSize;
};

std::set<HANDLE> g_profiles;
std::set<HANDLE> g_transforms;
std::uintptr_t g_nextHandle = 0x5000;

HANDLE NewHandle()
{
    return reinterpret_cast<HANDLE>(g_nextHandle += 0x10);
}

long ScenarioError(const char* key)
{
    return vexl::standin::ScenarioNumber(vexl::standin::ReadScenarioSection(kScenarioFile, "Library"), key, 0);
}

bool Fails(const char* key)
{
    const long error = ScenarioError(key);
    if (error == 0) return false;
    SetLastError(static_cast<DWORD>(error));
    return true;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) HANDLE OpenColorProfileW(Profile* profile, DWORD access, DWORD, DWORD creation)
{
    if (!profile || profile->dwType != kProfileMemoryBuffer || !profile->pProfileData || profile->cbDataSize == 0 ||
        access != kProfileRead || creation != kOpenExisting) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (Fails("openerror")) return nullptr;
    HANDLE handle = NewHandle();
    g_profiles.insert(handle);
    return handle;
}

__attribute__((visibility("default"))) HANDLE CreateColorTransformW(LOGCOLORSPACEW* colorSpace, HANDLE dest,
                                                                    HANDLE target, DWORD)
{
    if (!colorSpace || !g_profiles.contains(dest) || (target && !g_profiles.contains(target))) {
        SetLastError(kInvalidProfile);
        return nullptr;
    }
    if (Fails("createerror")) return nullptr;
    HANDLE handle = NewHandle();
    g_transforms.insert(handle);
    return handle;
}

__attribute__((visibility("default"))) BOOL DeleteColorTransform(HANDLE transform)
{
    if (g_transforms.erase(transform) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

__attribute__((visibility("default"))) BOOL CloseColorProfile(HANDLE profile)
{
    if (g_profiles.erase(profile) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

__attribute__((visibility("default"))) long StandinOpenProfiles()
{
    return static_cast<long>(g_profiles.size());
}
__attribute__((visibility("default"))) long StandinLiveTransforms()
{
    return static_cast<long>(g_transforms.size());
}

}  // extern "C"
