// The fields of a DEVMODE buffer read and written little-endian, the
// version of a record, and the copies of a record into another.
#include "common/core/devmode_public.h"

#include "common/core/le.h"
#include "common/core/store.h"

#include <algorithm>
#include <cstring>

namespace vexl {
namespace {

constexpr std::size_t kOffSpecVersion = offsetof(DEVMODEW, dmSpecVersion);
constexpr std::size_t kOffDriverVersion = offsetof(DEVMODEW, dmDriverVersion);
constexpr std::size_t kOffSize = offsetof(DEVMODEW, dmSize);
constexpr std::size_t kOffDriverExtra = offsetof(DEVMODEW, dmDriverExtra);
constexpr std::size_t kOffFields = offsetof(DEVMODEW, dmFields);
constexpr std::size_t kOffFormName = offsetof(DEVMODEW, dmFormName);

std::uint8_t* Bytes(DEVMODEW* devmode)
{
    return reinterpret_cast<std::uint8_t*>(devmode);
}
const std::uint8_t* Bytes(const DEVMODEW* devmode)
{
    return reinterpret_cast<const std::uint8_t*>(devmode);
}
}  // namespace

// ---- fields of a DEVMODE buffer ------------------------------------------------------------------

std::uint16_t GetDevmodeField16(const DEVMODEW* devmode, std::size_t offset)
{
    return devmode ? ReadLe16(Bytes(devmode) + offset) : 0;
}
void SetDevmodeField16(DEVMODEW* devmode, std::size_t offset, std::uint16_t value)
{
    if (devmode) WriteLe16(Bytes(devmode) + offset, value);
}
std::uint32_t GetDevmodeField32(const DEVMODEW* devmode, std::size_t offset)
{
    return devmode ? ReadLe32(Bytes(devmode) + offset) : 0;
}
void SetDevmodeField32(DEVMODEW* devmode, std::size_t offset, std::uint32_t value)
{
    if (devmode) WriteLe32(Bytes(devmode) + offset, value);
}
std::uint32_t GetDevmodeShort(const DEVMODEW* devmode, std::size_t offset)
{
    return static_cast<std::uint32_t>(
        static_cast<std::int32_t>(static_cast<std::int16_t>(GetDevmodeField16(devmode, offset))));
}
std::uint32_t GetDevmodeFields(const DEVMODEW* devmode)
{
    return GetDevmodeField32(devmode, kOffFields);
}
void SetDevmodeFields(DEVMODEW* devmode, std::uint32_t fields)
{
    SetDevmodeField32(devmode, kOffFields, fields);
}

void GetDevmodeFormName(const DEVMODEW* devmode, WCHAR* out)
{
    // A caller's form name need not be terminated within its field: at most
    // 31 characters are taken and the copy is always terminated.
    int i = 0;
    for (; devmode && i < CCHFORMNAME - 1; ++i) {
        out[i] = static_cast<WCHAR>(ReadLe16(Bytes(devmode) + kOffFormName + 2 * i));
        if (out[i] == 0) break;
    }
    out[i] = 0;
}

void SetDevmodeFormName(DEVMODEW* devmode, const WCHAR* name)
{
    if (devmode == nullptr) return;
    std::uint8_t* field = Bytes(devmode) + kOffFormName;
    std::memset(field, 0, 2 * CCHFORMNAME);
    for (int i = 0; name && i < CCHFORMNAME - 1 && name[i] != 0; ++i) WriteLe16(field + 2 * i, name[i]);
}

// ---- version and copy ------------------------------------------------------------------------------------

std::uint16_t GetDevmodeSpecVersion(const DEVMODEW* devmode)
{
    if (devmode == nullptr) return 0;
    switch (GetDevmodeField16(devmode, kOffSize)) {
    case kDevmodeSize320:
        return kSpecVersion320;
    case kDevmodeSize400:
        return kSpecVersion400;
    case kDevmodeSize401:
        return kSpecVersion401;
    default:
        return GetDevmodeField16(devmode, kOffSpecVersion);
    }
}

namespace {

// The public part: as many bytes as the smaller record; the destination keeps
// its own header (its version by its size, driver version, size and extra).
void CopyPublicPart(const DEVMODEW* src, DEVMODEW* dst)
{
    std::uint16_t dstSpec = GetDevmodeSpecVersion(dst);
    std::uint16_t driverVersion = GetDevmodeField16(dst, kOffDriverVersion);
    std::uint16_t size = GetDevmodeField16(dst, kOffSize);
    std::uint16_t extra = GetDevmodeField16(dst, kOffDriverExtra);
    std::size_t count = std::min(GetDevmodeField16(src, kOffSize), size);
    std::memmove(Bytes(dst), Bytes(src), count);
    SetDevmodeField16(dst, kOffSpecVersion, dstSpec);
    SetDevmodeField16(dst, kOffDriverVersion, driverVersion);
    SetDevmodeField16(dst, kOffSize, size);
    SetDevmodeField16(dst, kOffDriverExtra, extra);
}

// The private part: as many bytes as the smaller extra; the area bases are
// written whenever anything came in, so that none of the source's is kept.
int CopyPrivatePart(const DEVMODEW* src, DEVMODEW* dst)
{
    std::uint16_t srcSize = GetDevmodeField16(src, kOffSize);
    std::uint16_t dstSize = GetDevmodeField16(dst, kOffSize);
    std::size_t count = std::min(GetDevmodeField16(src, kOffDriverExtra), GetDevmodeField16(dst, kOffDriverExtra));
    std::memmove(Bytes(dst) + dstSize, Bytes(src) + srcSize, count);
    if (count > 0 && dstSize == GetPublicDevmodeSize() &&
        GetDevmodeField16(dst, kOffDriverExtra) >= kArea3BaseOffset + 2 - kPublicDevmodeSize) {
        SetStoreAreaOffsets(dst);
    }
    return static_cast<int>(std::min(srcSize, dstSize) + count);
}

bool HasReadableHeader(const DEVMODEW* devmode)
{
    return devmode != nullptr && GetDevmodeField16(devmode, kOffSize) >= kMinPublicDevmodeSize;
}

}  // namespace

int CopyDevmodeForConversion(const DEVMODEW* src, DEVMODEW* dst)
{
    if (!HasReadableHeader(src) || !HasReadableHeader(dst)) return -1;
    std::uint16_t srcSpec = GetDevmodeSpecVersion(src);
    if (srcSpec == 0 || GetDevmodeSpecVersion(dst) == 0) return -1;
    if (GetDevmodeField16(src, kOffSize) != GetPublicDevmodeSize() && srcSpec != kSpecVersion320) return -1;
    CopyPublicPart(src, dst);
    return CopyPrivatePart(src, dst);
}

int CopyCallerDevmode(const DEVMODEW* src, DEVMODEW* dst)
{
    if (!HasReadableHeader(src) || !HasReadableHeader(dst)) return -1;
    if (GetDevmodeSpecVersion(src) == kSpecVersion320) return CopyDevmodeForConversion(src, dst);
    CopyPublicPart(src, dst);
    if (GetDevmodeField16(src, kOffDriverExtra) != GetPrivateDevmodeSize() ||
        GetDevmodeField16(src, kOffDriverVersion) != GetDevmodeField16(dst, kOffDriverVersion)) {
        return -1;
    }
    return CopyPrivatePart(src, dst);
}
}  // namespace vexl
