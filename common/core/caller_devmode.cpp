// A caller's DEVMODE read within its declared sizes and its buffer.
#include "common/core/caller_devmode.h"

#include "common/core/le.h"

#include <algorithm>

namespace vexl {

CallerDevmode::CallerDevmode(const DEVMODEW* devmode, std::size_t bufferSize)
    : bytes_(reinterpret_cast<const std::uint8_t*>(devmode))
{
    if (bytes_ == nullptr || bufferSize < kHeaderEnd) return;
    declaredPublic_ = ReadLe16(bytes_ + offsetof(DEVMODEW, dmSize));
    declaredExtra_ = ReadLe16(bytes_ + offsetof(DEVMODEW, dmDriverExtra));
    publicSize_ = std::min<std::size_t>(declaredPublic_, bufferSize);
    const std::size_t pastPublic = bufferSize - publicSize_;
    driverExtra_ = publicSize_ == declaredPublic_ ? std::min<std::size_t>(declaredExtra_, pastPublic) : 0;
}

std::optional<std::uint16_t> CallerDevmode::Field16(std::size_t offset) const
{
    if (!Reaches(offset, 2)) return std::nullopt;
    return ReadLe16(bytes_ + offset);
}

std::optional<std::uint32_t> CallerDevmode::Field32(std::size_t offset) const
{
    if (!Reaches(offset, 4)) return std::nullopt;
    return ReadLe32(bytes_ + offset);
}

std::optional<std::int32_t> CallerDevmode::Short(std::size_t offset) const
{
    const std::optional<std::uint16_t> field = Field16(offset);
    if (!field) return std::nullopt;
    return static_cast<std::int16_t>(*field);
}

std::uint32_t CallerDevmode::Fields() const
{
    return Field32(offsetof(DEVMODEW, dmFields)).value_or(0);
}

bool CallerDevmode::FormName(WCHAR (&out)[CCHFORMNAME]) const
{
    out[0] = 0;
    constexpr std::size_t kOffset = offsetof(DEVMODEW, dmFormName);
    if (!Reaches(kOffset, sizeof(WCHAR) * CCHFORMNAME)) return false;
    int i = 0;
    for (; i < CCHFORMNAME - 1; ++i) {
        out[i] = static_cast<WCHAR>(ReadLe16(bytes_ + kOffset + sizeof(WCHAR) * i));
        if (out[i] == 0) break;
    }
    out[i] = 0;
    return true;
}

const std::uint8_t* CallerDevmode::DriverPart() const
{
    return driverExtra_ > 0 ? bytes_ + publicSize_ : nullptr;
}

}  // namespace vexl
