// The options whose display text is another UI string than their own id:
// the names of the print and balance macros, the load-sharing codes and
// their kin. The settings interface's capability lists and the interface
// library's controls name these options alike.
#pragma once

#include <cstdint>
#include <span>

namespace vexl {

struct OptionStringRow {
    std::uint16_t optionId;
    std::uint16_t stringId;
};

// The 57 rows, in the order they are applied.
std::span<const OptionStringRow> GetOptionStringTable();

}  // namespace vexl
