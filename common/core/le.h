// Little-endian reads and writes of the byte layouts that are stored or
// travel (the DEVMODE, the settings store). Never a struct overlay: the
// private header has fields at odd offsets.
#pragma once

#include <cstdint>
#include <cstring>

namespace vexl {

inline std::uint8_t ReadLe8(const std::uint8_t* p)
{
    return p[0];
}

inline std::uint16_t ReadLe16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t ReadLe32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline void WriteLe8(std::uint8_t* p, std::uint8_t v)
{
    p[0] = v;
}

inline void WriteLe16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void WriteLe32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

}  // namespace vexl
