// The structure versions of the statuses: for every status the size of each
// structure version and the API version it needs, and the little-endian
// field access through which the read and write handlers fill and read the
// caller's structure (the layouts are those of vexlapi/vexl_status.h).
#pragma once

#include "common/core/le.h"
#include "vexlapi/vexl_status.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>

namespace vexl::api {

// Row of a status's version table: the size of that structure version and
// the lowest API version in force that may use it.
struct StatusVersionRow {
    std::uint32_t size;
    std::uint32_t minimumApi;
};

// Every status's structure: rows for versions 1 to its latest. A status with
// one version has one row; its minimum API version is the first API version
// in which its identifier exists.
struct StatusLayout {
    std::uint32_t id;
    std::span<const StatusVersionRow> versions;

    std::uint32_t latest() const { return static_cast<std::uint32_t>(versions.size()); }
};

const StatusLayout* FindStatusLayout(std::uint32_t id);

// The row of `version` (1-based) of status `id`, or nullptr when the status
// has no such version.
const StatusVersionRow* FindStatusVersion(std::uint32_t id, std::uint32_t version);

// Size in bytes of `version` of status `id`; 0 when there is no such version.
std::uint32_t GetStatusStructureSize(std::uint32_t id, std::uint32_t version);

// True when `version` of status `id` exists and `apiVersion` is at least its
// minimum API version.
bool IsStatusVersionAllowed(std::uint32_t id, std::uint32_t version, std::uint32_t apiVersion);

// Structure-version comparison of the reads: 0 when `requested` is 0 or the
// latest, 1 when it is below the latest, 2 when it is above.
int CompareStructureVersion(std::uint32_t latest, std::uint32_t requested);

// Field access of a caller's status structure, by byte offset.
inline void PutStatusU32(void* structure, std::size_t offset, std::uint32_t value)
{
    WriteLe32(static_cast<std::uint8_t*>(structure) + offset, value);
}

inline void PutStatusU16(void* structure, std::size_t offset, std::uint16_t value)
{
    WriteLe16(static_cast<std::uint8_t*>(structure) + offset, value);
}

inline std::uint32_t GetStatusU32(const void* structure, std::size_t offset)
{
    return ReadLe32(static_cast<const std::uint8_t*>(structure) + offset);
}

inline std::uint16_t GetStatusU16(const void* structure, std::size_t offset)
{
    return ReadLe16(static_cast<const std::uint8_t*>(structure) + offset);
}

inline std::uint64_t GetStatusU64(const void* structure, std::size_t offset)
{
    const auto* p = static_cast<const std::uint8_t*>(structure) + offset;
    return static_cast<std::uint64_t>(ReadLe32(p)) | (static_cast<std::uint64_t>(ReadLe32(p + 4)) << 32);
}

// A text field of a caller's structure, read no further than the field: the
// text before its terminator, or nothing when the field holds no terminator.
inline std::optional<std::string_view> GetStatusText(const void* structure, std::size_t offset, std::size_t fieldSize)
{
    const char* field = static_cast<const char*>(structure) + offset;
    for (std::size_t n = 0; n < fieldSize; ++n) {
        if (field[n] == '\0') return std::string_view(field, n);
    }
    return std::nullopt;
}

// Writes `text` and its terminator into a char[fieldSize] field; a text that
// does not fit leaves the field as it is and answers false.
inline bool PutStatusText(void* structure, std::size_t offset, std::size_t fieldSize, std::string_view text)
{
    if (text.size() >= fieldSize) return false;
    char* field = static_cast<char*>(structure) + offset;
    std::memcpy(field, text.data(), text.size());
    field[text.size()] = '\0';
    return true;
}

// Offsets of the common 32-byte form.
inline constexpr std::size_t kStatusValueOffset[6] = {4, 8, 12, 16, 20, 24};
inline constexpr std::size_t kStatusSwitchOffset = offsetof(VEXL_STATUS_VALUE, functionSwitch);

}  // namespace vexl::api
