// The capabilities that answer a list, with the bytes of one entry: the
// tests ask each in both passes, straight and through the exports.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vexl::test {

struct ListCapability {
    std::uint32_t id;
    std::size_t entryBytes;
};

inline constexpr ListCapability kListCapabilities[] = {
    {2, 4},   {3, 24},   {4, 4},   {5, 64},   {6, 4},   {7, 64},  {10, 4},  {11, 64},   {12, 8},  {15, 4},
    {16, 64}, {18, 4},   {30, 4},  {32, 4},   {33, 64}, {39, 4},  {40, 4},  {41, 4},    {45, 4},  {47, 4},
    {54, 4},  {56, 4},   {61, 4},  {66, 4},   {67, 4},  {75, 4},  {77, 4},  {85, 4},    {86, 64}, {92, 4},
    {93, 4},  {103, 4},  {104, 4}, {105, 4},  {106, 4}, {107, 4}, {109, 4}, {127, 260}, {266, 4}, {267, 64},
    {268, 4}, {269, 64}, {271, 4}, {272, 64}, {275, 4}, {277, 4}, {278, 4}, {279, 64},  {281, 4}, {282, 64},
};

}  // namespace vexl::test
