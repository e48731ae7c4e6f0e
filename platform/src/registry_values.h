// What the registry and the spooler's printer data share about typed values.
#pragma once

#include "platform/types.h"

#include <string>
#include <string_view>

namespace vexl::platform {

// The bytes a reader gets for a stored value: the stored bytes, except that
// a text (REG_SZ, REG_EXPAND_SZ) stored without its terminating character
// gets one, and a REG_MULTI_SZ gets the empty string that ends its list, so
// a caller that trusts the terminator never reads past the value.
std::string ValueBytesForReading(DWORD type, std::string_view stored);

}  // namespace vexl::platform
