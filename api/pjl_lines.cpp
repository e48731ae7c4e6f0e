#include "api/pjl_lines.h"

namespace vexl::api {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsTokenByte(char c)
{
    return !IsBlank(c) && c != '\r' && c != '\n' && c != '\0';
}

// A cursor over the line being read; every read stays inside the text.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}

    std::size_t position() const { return at_; }
    bool AtEnd() const { return at_ >= text_.size() || text_[at_] == '\0'; }

    // Blanks; answers how many were passed.
    std::size_t SkipBlanks()
    {
        const std::size_t from = at_;
        while (at_ < text_.size() && IsBlank(text_[at_])) ++at_;
        return at_ - from;
    }
    bool SkipLiteral(std::string_view literal)
    {
        if (text_.substr(at_, literal.size()) != literal) return false;
        at_ += literal.size();
        return true;
    }
    // A run of token bytes; empty when there is none.
    std::string_view Token()
    {
        const std::size_t from = at_;
        while (at_ < text_.size() && IsTokenByte(text_[at_])) ++at_;
        return text_.substr(from, at_ - from);
    }

private:
    std::string_view text_;
    std::size_t at_ = 0;
};

}  // namespace

std::ptrdiff_t ParsePjlSetLine(std::string_view text, PjlSetLine* line)
{
    LineReader reader(text);
    reader.SkipBlanks();
    if (reader.AtEnd()) return 0;
    // "@PJL", "SET" and the name are tokens of their own: "@PJLSET" or
    // "SETCOPIES" are no "@PJL SET" line.
    if (!reader.SkipLiteral("@PJL") || reader.SkipBlanks() == 0) return -1;
    if (!reader.SkipLiteral("SET") || reader.SkipBlanks() == 0) return -1;
    const std::string_view name = reader.Token();
    // The name swallows an "=" written straight after it.
    if (name.empty() || reader.SkipBlanks() == 0 || !reader.SkipLiteral("=")) return -1;
    reader.SkipBlanks();
    const std::string_view value = reader.Token();
    if (value.empty()) return -1;
    reader.SkipBlanks();
    if (!reader.SkipLiteral("\r\n")) return -1;
    if (line) *line = {name, value};
    return static_cast<std::ptrdiff_t>(reader.position());
}

bool FindPjlSetLine(std::string_view text, std::string_view name, PjlSetLine* line)
{
    PjlSetLine found;
    for (std::ptrdiff_t used; (used = ParsePjlSetLine(text, &found)) > 0;) {
        if (found.name == name) {
            if (line) *line = found;
            return true;
        }
        text.remove_prefix(static_cast<std::size_t>(used));
    }
    return false;
}

void AppendPjlSetLine(std::string& text, std::string_view name, std::string_view value)
{
    text += "@PJL SET ";
    text += name;
    text += " = ";
    text += value;
    text += " \r\n";
}

}  // namespace vexl::api
