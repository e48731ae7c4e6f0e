// The text files in which the layer keeps the registry hives, the printers
// and the forms under the machine root.
//
// One record a line, its fields separated by tabs. A field is UTF-8 text in
// which '%' and every control character (tab, CR and LF among them) are
// written as %XX, so any name survives the trip; value bytes are written as
// lower-case hex. Blank lines and lines that start with '#' are comments.
#pragma once

#include "platform/types.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexl::platform {

using RecordFields = std::vector<std::string>;

// One line, with its newline.
std::string FormatRecord(const RecordFields& fields);
// Every record of a file, its fields unescaped.
std::vector<RecordFields> ParseRecords(std::string_view text);

std::string ToHex(std::string_view bytes);
std::optional<std::string> FromHex(std::string_view hex);

std::optional<DWORD> ParseNumber(std::string_view text);

// The Windows error for a record file that could not be stored (an errno).
DWORD ErrorOfStoreFailure(int error);

}  // namespace vexl::platform
