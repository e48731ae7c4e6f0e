// The "@PJL SET" lines of the Exc interface: reading one line of a base text
// or an update, and writing the lines the system produces.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vexl::api {

// One line read by ParsePjlSetLine. The name and value are views into the
// text that was read.
struct PjlSetLine {
    std::string_view name;
    std::string_view value;
};

// Reads one line from the front of text (which ends at its first NUL or at
// its end): blanks, "@PJL", blanks, "SET", blanks, the name, blanks, "=",
// blanks, the value, blanks, CR LF. Blanks are space and tab; the name and
// the value are runs of bytes other than blank, CR, LF and NUL. Answers the
// bytes consumed (CR LF included), 0 when only blanks are left, -1 for a
// malformed line.
std::ptrdiff_t ParsePjlSetLine(std::string_view text, PjlSetLine* line);

// The first line of the text that names the variable; reading stops at the
// first malformed line.
bool FindPjlSetLine(std::string_view text, std::string_view name, PjlSetLine* line);

// Appends "@PJL SET " NAME " = " VALUE " \r\n", the form of every line the
// system writes itself.
void AppendPjlSetLine(std::string& text, std::string_view name, std::string_view value);

}  // namespace vexl::api
