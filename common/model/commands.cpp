#include "common/model/commands.h"

#include "common/model/judges.h"
#include "common/model/reader.h"
#include "common/model/ui_entries.h"

#include <string_view>

namespace vexl::model {

namespace {

constexpr WordValue CommandGroupWords[] = {
    {"JobStart", 1}, {"JobEnd", 2}, {"PageStart", 3}, {"PageEnd", 4}, {"DocReset", 5}, {nullptr, 0},
};

// Header slot of each group word (1 to 5).
constexpr CommandGroup GroupSlots[] = {kJobStart, kJobStart, kJobEnd, kPageStart, kPageEnd, kDocReset};

enum Statement { kNoStatement = 0, kCommandStatement = 1, kTypeStatement = 2 };

constexpr WordValue StatementWords[] = {{"Command", kCommandStatement}, {"Type", kTypeStatement}, {nullptr, 0}};

constexpr WordValue StatementKindWords[] = {
    {"GroupType", kNodeGroupType},
    {"StringType", kNodeStringType},
    {"FontType", kNodeFontType},
    {nullptr, 0},
};

// The statement word and the colon after it. The word's own terminating byte
// goes with the word, so a colon written right after it is passed over.
Statement ParseStatementWord(TokenBuffer& value)
{
    char stop = 0;
    std::optional<std::string_view> word = NextWord(value, &stop);
    if (!word) return kNoStatement;
    const auto statement = static_cast<Statement>(LookupWordValue(StatementWords, *word));
    if (statement == kNoStatement || !SkipPastChar(value, ':')) return kNoStatement;
    return statement;
}

// A Command statement: a judge and its braced block. A statement without
// its brace has no statements and is dropped.
std::optional<CommandNode> ParseCommandCondition(const CompileState& state, TokenBuffer& value)
{
    char stop = 0;
    std::int32_t judge = 0;
    if (std::optional<std::string_view> word = NextWord(value, &stop)) {
        const std::uint32_t code = ParseReference(*word);
        if ((code & 0xFFFF0000u) == kRefJudge)
            judge = static_cast<std::int32_t>(code & 0xFFFF);
        else if (code == kRefSymbolicName)
            judge = FindSymbolicName(state, *word, kJudgeNames);
    }
    if (!SkipPastChar(value, '{')) return std::nullopt;
    std::unique_ptr<CommandBlock> block = ParseCommandBlock(state, value, judge != 0);
    if (!block) return std::nullopt;
    block->judge = judge;
    CommandNode node;
    node.kind = kNodeCommand;
    node.block = std::move(block);
    return node;
}

std::optional<CommandNode> ParseTypeStatement(const CompileState& state, TokenBuffer& value)
{
    char stop = 0;
    std::optional<std::string_view> kindWord = NextWord(value, &stop);
    if (!kindWord) return std::nullopt;
    CommandNode node;
    node.kind = static_cast<std::int16_t>(LookupWordValue(StatementKindWords, *kindWord));
    switch (node.kind) {
    case kNodeGroupType: {
        std::optional<std::string_view> name = NextWord(value, &stop);
        std::optional<SymbolRef> symbol = name ? state.names.FindSymbol(*name) : std::nullopt;
        if (!symbol) {
            while (!value.AtEnd() && !IsLineEnd(value.Current())) ++value.cursor;
            return std::nullopt;
        }
        node.symbolKey = symbol->key;
        while (IsBlank(value.Current())) ++value.cursor;
        if (!IsLineEnd(value.Current()) && !value.AtEnd()) {
            std::size_t taken = 0;
            node.format = static_cast<std::int16_t>(ParseDecimal(value.Rest(), &taken));
            value.cursor += taken;
        }
        return node;
    }
    case kNodeStringType: {
        std::optional<std::string_view> number = NextWord(value, &stop);
        node.stringNumber = number ? ParseLooseNumber(*number) : 0;
        if (node.stringNumber == 0) return std::nullopt;
        return node;
    }
    case kNodeFontType:
        return node;
    default:
        return std::nullopt;
    }
}

void ReadStatements(const CompileState& state, TokenBuffer& value, std::vector<CommandNode>& list)
{
    for (;;) {
        const Statement statement = ParseStatementWord(value);
        if (statement == kNoStatement) return;
        std::optional<CommandNode> node =
            statement == kCommandStatement ? ParseCommandCondition(state, value) : ParseTypeStatement(state, value);
        if (node) list.push_back(std::move(*node));
        SkipBlanksAndLineEnds(value);
        if (value.AtEnd()) return;
        if (value.Current() == '}') {
            ++value.cursor;
            return;
        }
    }
}

void ReadElsePart(const CompileState& state, TokenBuffer& value, CommandBlock& block)
{
    SkipBlanksAndLineEnds(value);
    const std::string_view rest = value.Rest();
    if (rest.starts_with("ElseIf")) {
        if (const std::size_t colon = rest.find(':'); colon != std::string_view::npos) {
            value.cursor += colon + 1;
            if (std::optional<CommandNode> node = ParseCommandCondition(state, value))
                block.elseList.push_back(std::move(*node));
            return;
        }
    }
    if (rest.starts_with("Else")) {
        if (const std::size_t brace = rest.find('{'); brace != std::string_view::npos) {
            value.cursor += brace + 1;
            ReadStatements(state, value, block.elseList);
        }
    }
}

// Counts the braced entries of a list from the cursor, which it leaves alone.
int CountBracedEntries(TokenBuffer& value)
{
    const std::size_t start = value.cursor;
    int count = 0;
    while (SkipPastChar(value, '{') && SkipPastChar(value, '}')) {
        ++count;
        SkipBlanksAndLineEnds(value);
        if (value.AtEnd() || value.Current() == '}') break;
    }
    value.cursor = start;
    return count;
}

// The quoted string that must come next in a list entry.
std::optional<std::string> TakeEntryQuoted(TokenBuffer& value)
{
    SkipBlanksAndLineEnds(value);
    if (value.Current() != '"') return std::nullopt;
    return TakeQuotedBytes(value);
}

// "IDList" and the list's opening brace.
bool EnterIdList(TokenBuffer& value)
{
    if (value.Empty()) return false;
    char stop = 0;
    std::optional<std::string_view> word = NextWord(value, &stop);
    if (!word || *word != "IDList" || stop == '\0') return false;
    return stop == '{' || SkipPastChar(value, '{');
}

}  // namespace

std::unique_ptr<CommandBlock> ParseCommandBlock(const CompileState& state, TokenBuffer& value, bool allowElse)
{
    auto block = std::make_unique<CommandBlock>();
    ReadStatements(state, value, block->thenList);
    if (allowElse) ReadElsePart(state, value, *block);
    if (block->thenList.empty() && block->elseList.empty()) return nullptr;
    return block;
}

std::optional<std::vector<FontIdEntry>> ParseFontIdList(TokenBuffer& value)
{
    if (!EnterIdList(value)) return std::nullopt;
    const int count = CountBracedEntries(value);
    if (count == 0) return std::nullopt;
    std::vector<FontIdEntry> entries;
    // Never more entries than were counted.
    while (static_cast<int>(entries.size()) < count && SkipPastChar(value, '{')) {
        std::optional<std::string> name = TakeEntryQuoted(value);
        if (!name) break;
        FontIdEntry entry;
        entry.name = std::move(*name);
        char stop = 0;
        if (!value.AtEnd()) entry.fontId = NextNumber(value, &stop);
        entries.push_back(std::move(entry));
        if (!SkipPastChar(value, '}')) break;
    }
    return entries;
}

const CommandStringRecord* FindCommandString(const CompileState& state, std::int32_t number)
{
    const auto found = state.firstCommandStringOfNumber.find(number & 0xFFFF);
    return found == state.firstCommandStringOfNumber.end() ? nullptr : &state.commandStrings[found->second];
}

LineAnswer HandleCommandString(CompileState& state, DescriptionLine& line)
{
    // An unquoted value is taken as raw text; only a value that decodes to
    // nothing is refused.
    std::optional<std::string> bytes = TakeQuotedBytes(line.value);
    if (!bytes) return LineAnswer::kLineRefused;
    CommandStringRecord record;
    record.number = ParseLooseNumber(line.option.View());
    record.bytes = bytes->substr(0, bytes->find('\0'));
    state.firstCommandStringOfNumber.try_emplace(record.number, state.commandStrings.size());
    state.commandStrings.push_back(std::move(record));
    return LineAnswer::kLineTaken;
}

LineAnswer HandleCommandGroup(CompileState& state, DescriptionLine& line)
{
    char stop = 0;
    std::optional<std::string_view> word = NextWord(line.value, &stop);
    if (!word) return LineAnswer::kLineTaken;
    const std::uint32_t group = LookupWordValue(CommandGroupWords, *word);
    if (group == 0 || !SkipPastChar(line.value, '{')) return LineAnswer::kLineTaken;
    state.header.groups[GroupSlots[group]] = ParseCommandBlock(state, line.value, false);
    return LineAnswer::kLineTaken;
}

LineAnswer HandleDeviceFonts(CompileState& state, DescriptionLine& line)
{
    if (auto entries = ParseFontIdList(line.value)) state.header.deviceFonts = std::move(*entries);
    return LineAnswer::kLineTaken;
}

LineAnswer HandleFontCartridge(CompileState& state, DescriptionLine& line)
{
    if (auto entries = ParseFontIdList(line.value)) state.header.fontCartridges = std::move(*entries);
    return LineAnswer::kLineTaken;
}

LineAnswer HandleTtfs(CompileState& state, DescriptionLine& line)
{
    UiOption* option = FindTranslatedOption(state, line, kUiFontTbl);
    if (!option || !EnterIdList(line.value)) return LineAnswer::kLineTaken;
    const int count = CountBracedEntries(line.value);
    if (count == 0) return LineAnswer::kLineTaken;
    std::vector<std::string> faces;
    std::vector<std::string> deviceFonts;
    TokenBuffer& value = line.value;
    while (static_cast<int>(faces.size()) < count && SkipPastChar(value, '{')) {
        std::optional<std::string> face = TakeEntryQuoted(value);
        if (!face || value.AtEnd()) break;
        std::optional<std::string> deviceFont = TakeEntryQuoted(value);
        if (!deviceFont) break;
        faces.push_back(std::move(*face));
        deviceFonts.push_back(std::move(*deviceFont));
        if (!SkipPastChar(value, '}')) break;
    }
    option->faceNames = std::move(faces);
    option->deviceFontNames = std::move(deviceFonts);
    return LineAnswer::kLineTaken;
}

}  // namespace vexl::model
