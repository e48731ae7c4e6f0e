// Paper sizes and printable areas as the paper geometry of the model hands
// them out.
#pragma once

#include <cstdint>

namespace vexl {

// A printable rectangle and a paper size of a paper option, in dots.
struct PageRect {
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
};
struct PaperExtent {
    std::int32_t width;
    std::int32_t length;
};

// How far a size may exceed a paper's, in 0.1 mm, in a tolerant search.
inline constexpr std::int32_t kPaperSizeTolerance = 17;

}  // namespace vexl
