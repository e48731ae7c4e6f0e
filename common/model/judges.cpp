#include "common/model/judges.h"

#include "common/model/reader.h"

#include <array>
#include <span>

namespace vexl::model {

namespace {

constexpr WordValue OperatorWords[] = {
    {"==", 1}, {"!=", 2}, {"&&", 3}, {"||", 4}, {"!", 5}, {">", 6}, {"<", 7}, {">=", 8}, {"<=", 9}, {nullptr, 0},
};
constexpr std::uint16_t kOperatorNot = 5;

constexpr WordValue ReferenceWords[] = {
    {"Judge", kRefJudge},
    {"Item", kRefItem},
    {"Action", kRefAction},
    {"Transact", kRefTransact},
    {"AlertAction", kRefAlertAction},
    {"Alert", kRefAlert},
    {"NULL", 0},
    {nullptr, kRefSymbolicName},
};

constexpr WordValue AlertIconWords[] = {
    {"MB_ICONSTOP", 0x10},        {"MB_ICONQUESTION", 0x20}, {"MB_ICONEXCLAMATION", 0x30},
    {"MB_ICONINFORMATION", 0x40}, {nullptr, 0xFFFF},
};
constexpr WordValue AlertButtonWords[] = {
    {"MB_OK", 0},    {"MB_OKCANCEL", 1},    {"MB_ABORTRETRYIGNORE", 2}, {"MB_YESNOCANCEL", 3},
    {"MB_YESNO", 4}, {"MB_RETRYCANCEL", 5}, {nullptr, 0xFFFF},
};
constexpr WordValue AlertTimingWords[] = {
    {"AlertAtOnce", 0}, {"AlertProperty", 1}, {"AlertOkApply", 2}, {"AlertDialog", 3}, {nullptr, 0xFFFF},
};

constexpr int kMaxJudgeDepth = 128;

bool IsOperatorByte(char c)
{
    return c == '=' || c == '!' || c == '&' || c == '>' || c == '<' || c == '|';
}

bool IsBracket(char c)
{
    return c == '(' || c == ')' || c == '{' || c == '}';
}

// ------------------------------------------------------------ judge code

enum class LevelEnd { Closed, EndOfCode, Failed };

// Compiles one bracket level, strictly left to right: an operator is
// appended after the operand that follows it.
LevelEnd CompileLevel(const CompileState& state, TokenBuffer& value, std::vector<JudgeOp>& code)
{
    std::uint16_t pending = 0;
    const auto flushPending = [&] {
        if (pending) code.push_back({kJudgeOperator, pending});
        pending = 0;
    };
    std::string token;
    for (;;) {
        const JudgeToken type = ScanJudgeToken(value, token);
        if (type == kTokenWord) {
            if (std::optional<SymbolRef> symbol = state.names.FindSymbol(token)) {
                code.push_back({kJudgeItem, symbol->itemId});
            } else if (std::optional<std::uint16_t> constant = state.names.FindConstant(token)) {
                code.push_back({kJudgeConstant, *constant});
            } else if (const JudgeRecord* judge = FindJudgeByName(state, token)) {
                for (const JudgeOp& op : judge->code) {
                    if (op == JudgeOp{kJudgeOperator, kJudgeEndCode}) break;
                    code.push_back(op);
                }
            } else {
                return LevelEnd::Failed;
            }
            flushPending();
        } else if (type == kTokenNumber) {
            code.push_back({kJudgeConstant, static_cast<std::uint16_t>(ParseLooseNumber(token))});
            flushPending();
        } else if (type == kTokenOperator) {
            flushPending();
            pending = LookupOperator(token);
        } else if (type == kTokenBracket && token == "(") {
            const LevelEnd inner = CompileLevel(state, value, code);
            if (inner != LevelEnd::Closed) return inner;
        } else if (type == kTokenBracket && token == ")") {
            flushPending();
            return LevelEnd::Closed;
        } else {
            flushPending();
            code.push_back({kJudgeOperator, kJudgeEndCode});
            return LevelEnd::EndOfCode;
        }
    }
}

// ------------------------------------------------------------ record lines

using RawFields = std::array<std::uint32_t, 8>;

enum class Field {
    OptionName,
    Judge,
    ItemList,
    ActionList,
    TransactList,
    AlertActionList,
    AlertList,
    ActionTarget,
    ActionValue,
    UiSymbol,
    Page,
    Control,
    Message,
    Icon,
    Buttons,
    Timing,
};

// The fields of each kind of entry, in token order, and how the entry is
// made from them.
template <typename Entry> struct EntryForm;

template <> struct EntryForm<ExclusiveOptionRule> {
    static constexpr Field fields[] = {Field::OptionName, Field::Judge, Field::Judge, Field::Judge};
    static ExclusiveOptionRule Make(const RawFields& f) { return {static_cast<std::uint16_t>(f[0]), f[1], f[2], f[3]}; }
};

template <> struct EntryForm<ActionEntry> {
    static constexpr Field fields[] = {Field::ActionTarget, Field::ActionValue};
    static ActionEntry Make(const RawFields& f)
    {
        return {static_cast<std::uint16_t>(f[0] & 0xFFFF), static_cast<std::uint16_t>(f[0] >> 16), f[1]};
    }
};

template <> struct EntryForm<TransactEntry> {
    static constexpr Field fields[] = {Field::Judge, Field::ActionList};
    static TransactEntry Make(const RawFields& f) { return {f[0], f[1]}; }
};

template <> struct EntryForm<AlertActionEntry> {
    static constexpr Field fields[] = {Field::UiSymbol, Field::TransactList, Field::Page, Field::Control};
    static AlertActionEntry Make(const RawFields& f)
    {
        return {static_cast<std::uint16_t>(f[0]), f[1], static_cast<std::uint16_t>(f[2]),
                static_cast<std::uint16_t>(f[3])};
    }
};

template <> struct EntryForm<AlertEntry> {
    static constexpr Field fields[] = {Field::Judge,   Field::Message, Field::Icon,
                                       Field::Buttons, Field::Timing,  Field::AlertActionList};
    static AlertEntry Make(const RawFields& f)
    {
        return {f[0],
                static_cast<std::uint16_t>(f[1]),
                static_cast<std::uint16_t>(f[2]),
                static_cast<std::uint16_t>(f[3]),
                static_cast<std::uint16_t>(f[4]),
                f[5]};
    }
};

template <> struct EntryForm<ExclusiveRecord> {
    static constexpr Field fields[] = {Field::UiSymbol,  Field::Judge,        Field::Judge,        Field::ItemList,
                                       Field::AlertList, Field::TransactList, Field::TransactList, Field::Judge};
    static ExclusiveRecord Make(const RawFields& f)
    {
        return {static_cast<std::uint16_t>(f[0]), f[1], f[2], f[3], f[4], f[5], f[6], f[7]};
    }
};

// A reference word of the expected kind keeps its code; a symbolic name
// gives the number it stands for in its list; anything else gives 0.
std::uint32_t ParseReferenceField(const CompileState& state, std::string_view word, std::uint32_t kind,
                                  SymbolicNameList list)
{
    const std::uint32_t code = ParseReference(word);
    if (code == kRefSymbolicName) return static_cast<std::uint32_t>(FindSymbolicName(state, word, list));
    if ((code & 0xFFFF0000u) == kind && kind != 0) return code;
    return 0;
}

std::uint32_t ParseActionTarget(const CompileState& state, std::string_view word)
{
    if (std::optional<std::uint16_t> page = state.names.FindPage(word))
        return (std::uint32_t{kActionPage} << 16) | *page;
    if (std::optional<SymbolRef> symbol = state.names.FindSymbol(word)) return symbol->itemId;
    return 0;
}

std::uint32_t ParseActionValue(const CompileState& state, JudgeToken type, std::string_view word, std::uint32_t target)
{
    if (type == kTokenNumber) return static_cast<std::uint32_t>(ParseLooseNumber(word));
    if (word == "Default") {
        if ((target >> 16) != kActionSetting) return 0;
        return GetModelDefaultOption(static_cast<std::uint16_t>(target), state);
    }
    if (std::optional<std::uint16_t> constant = state.names.FindConstant(word)) return *constant;
    return 0;
}

template <typename T> std::uint32_t ValueOr0(const std::optional<T>& found)
{
    return found ? static_cast<std::uint32_t>(*found) : 0;
}

std::uint32_t ParseField(const CompileState& state, Field field, JudgeToken type, std::string_view word,
                         const RawFields& sofar)
{
    switch (field) {
    case Field::OptionName:
        return ValueOr0(state.names.FindConstant(word));
    case Field::Judge:
        return ParseReferenceField(state, word, kRefJudge, kJudgeNames);
    case Field::ItemList:
        return ParseReferenceField(state, word, kRefItem, kItemNames);
    case Field::ActionList:
        return ParseReferenceField(state, word, kRefAction, kActionNames);
    case Field::TransactList:
        return ParseReferenceField(state, word, kRefTransact, kTransactNames);
    case Field::AlertActionList:
        return ParseReferenceField(state, word, kRefAlertAction, kAlertActionNames);
    case Field::AlertList:
        return ParseReferenceField(state, word, kRefAlert, kAlertNames);
    case Field::ActionTarget:
        return ParseActionTarget(state, word);
    case Field::ActionValue:
        return ParseActionValue(state, type, word, sofar[0]);
    case Field::UiSymbol: {
        std::optional<SymbolRef> symbol = state.names.FindSymbol(word);
        return symbol ? symbol->key : 0;
    }
    case Field::Page:
        return ValueOr0(state.names.FindPage(word));
    case Field::Control:
        return ValueOr0(state.names.FindPageControl(word));
    case Field::Message:
        return ValueOr0(state.names.FindMessage(word));
    case Field::Icon:
        return LookupWordValue(AlertIconWords, word);
    case Field::Buttons:
        return LookupWordValue(AlertButtonWords, word);
    case Field::Timing:
        return LookupWordValue(AlertTimingWords, word);
    }
    return 0;
}

// Reads the braced entries of a record line. Entries are counted by fields;
// braces around single entries only change the depth. True when the brace
// that opened the value closed it.
template <typename Entry>
bool ReadRecordEntries(const CompileState& state, TokenBuffer& value, std::vector<Entry>& entries)
{
    const std::span<const Field> fields(EntryForm<Entry>::fields);
    std::size_t next = 0;
    RawFields raw{};
    int depth = 0;
    std::string token;
    for (;;) {
        const JudgeToken type = ScanJudgeToken(value, token);
        if (type == kTokenBracket && token == "{") {
            ++depth;
        } else if (type == kTokenBracket && token == "}") {
            if (--depth == 0) return true;
        } else if (type == kTokenOther && token.empty()) {
            return false;  // the value ended inside the braces
        } else {
            if (next == 0) {
                raw = {};
                entries.push_back(Entry{});
            }
            raw[next] = ParseField(state, fields[next], type, token, raw);
            entries.back() = EntryForm<Entry>::Make(raw);
            next = (next + 1) % fields.size();
        }
    }
}

template <typename Entry>
LineAnswer HandleRecordLine(CompileState& state, DescriptionLine& line, SymbolicNameList list,
                            std::vector<ConstraintRecord<Entry>>& records)
{
    const std::string_view option = line.option.View();
    const std::int32_t number = ParseLooseNumber(option);
    if (number == 0) return LineAnswer::kLineRefused;
    AddSymbolicName(state, TextAfterEquals(option), number, list);
    ConstraintRecord<Entry> record;
    record.number = number;
    if (!ReadRecordEntries(state, line.value, record.entries)) return LineAnswer::kLineRefused;
    records.push_back(std::move(record));
    return LineAnswer::kLineTaken;
}

}  // namespace

JudgeToken ScanJudgeToken(TokenBuffer& value, std::string& token)
{
    token.clear();
    SkipBlanksAndLineEnds(value);
    const char c = value.Current();
    if (c == '\0') return kTokenOther;
    const std::size_t start = value.cursor;
    const auto takeRun = [&](auto belongs) {
        while (!value.AtEnd() && belongs(value.Current())) ++value.cursor;
        token = value.text.substr(start, value.cursor - start);
    };
    if (IsDigit(c)) {
        takeRun([](char b) { return IsDigit(b); });
        if (!HasClass(value.Current(), kKeywordChar)) return kTokenNumber;
        takeRun([](char b) { return HasClass(b, kKeywordChar); });
        return kTokenWord;
    }
    if (HasClass(c, kKeywordChar)) {
        takeRun([](char b) { return HasClass(b, kKeywordChar); });
        return kTokenWord;
    }
    if (IsOperatorByte(c)) {
        takeRun(IsOperatorByte);
        return kTokenOperator;
    }
    ++value.cursor;
    token.assign(1, c);
    return IsBracket(c) ? kTokenBracket : kTokenOther;
}

std::vector<JudgeOp> CompileJudge(const CompileState& state, TokenBuffer& value)
{
    std::vector<JudgeOp> code;
    switch (CompileLevel(state, value, code)) {
    case LevelEnd::EndOfCode:
        return code;
    case LevelEnd::Closed:
        code.push_back({kJudgeGroupEnd, 0});
        return code;  // a stray ')' ends the code unfinished
    case LevelEnd::Failed:
        break;
    }
    return {};
}

bool ValidateJudgeCode(const std::vector<JudgeOp>& code)
{
    int depth = 0;
    for (const JudgeOp& op : code) {
        if (op.kind == kJudgeItem || op.kind == kJudgeConstant) {
            if (++depth >= kMaxJudgeDepth) return false;
        } else if (op.kind == kJudgeOperator && op.operand == kJudgeEndCode) {
            return depth == 1;
        } else if (op.kind == kJudgeOperator && op.operand == kOperatorNot) {
            if (depth < 1) return false;  // '!' takes one value and gives one
        } else if (op.kind == kJudgeOperator && op.operand >= 1 && op.operand <= 9) {
            if (depth < 2) return false;
            --depth;
        } else {
            return false;
        }
    }
    return false;
}

std::uint16_t LookupOperator(std::string_view word)
{
    return static_cast<std::uint16_t>(LookupWordValue(OperatorWords, word));
}

std::uint32_t ParseReference(std::string_view word)
{
    for (const WordValue* row = ReferenceWords; row->word; ++row) {
        if (word.starts_with(row->word))
            return row->value | (static_cast<std::uint32_t>(ParseLooseNumber(word)) & 0xFFFF);
    }
    return kRefSymbolicName;
}

void AddSymbolicName(CompileState& state, std::string_view name, std::int32_t number, SymbolicNameList list)
{
    if (name.empty()) return;
    // The first entry of a name wins.
    if (!state.symbolicNumbers[list].try_emplace(std::string(name), number).second) return;
    state.symbolicNames[list].push_back({std::string(name), number});
}

std::int32_t FindSymbolicName(const CompileState& state, std::string_view name, SymbolicNameList list)
{
    const auto& numbers = state.symbolicNumbers[list];
    const auto found = numbers.find(name);
    return found == numbers.end() ? 0 : found->second;
}

const JudgeRecord* FindJudgeByNumber(const CompileState& state, std::int32_t number)
{
    const auto found = state.firstJudgeOfNumber.find(number);
    return found == state.firstJudgeOfNumber.end() ? nullptr : &state.judges[found->second];
}

const JudgeRecord* FindJudgeByName(const CompileState& state, std::string_view name)
{
    const std::int32_t number = FindSymbolicName(state, name, kJudgeNames);
    return number ? FindJudgeByNumber(state, number) : nullptr;
}

std::string_view TextAfterEquals(std::string_view option)
{
    const std::size_t equals = option.find('=');
    return equals == std::string_view::npos ? std::string_view{} : option.substr(equals + 1);
}

std::uint32_t GetModelDefaultOption(std::uint16_t itemId, const CompileState& state)
{
    const UiEntry* entry = nullptr;
    if (const int slot = UiSlotIndex(itemId); slot >= 0) {
        entry = state.header.slots[slot];
    } else {
        for (const auto& candidate : state.uiEntries) {
            if (candidate->itemId == itemId) {
                entry = candidate.get();
                break;
            }
        }
    }
    if (!entry) return 0;
    if ((entry->type & 0xFF) == kUiPickOne) {
        if (!entry->options || entry->defaultIndex < 0 ||
            static_cast<std::size_t>(entry->defaultIndex) >= entry->options->size())
            return 0;
        return (*entry->options)[static_cast<std::size_t>(entry->defaultIndex)].optionId;
    }
    switch (UiKind(entry->type)) {
    case kUiBoolean:
        return entry->boolean ? static_cast<std::uint32_t>(entry->boolean->defaultValue) : 0;
    case kUiNumeric:
        return entry->numeric ? static_cast<std::uint32_t>(entry->numeric->defaultValue) : 0;
    case kUiString:
        return entry->text ? entry->text->defaultOption : 0;
    default:
        return 0;
    }
}

LineAnswer HandleJudge(CompileState& state, DescriptionLine& line)
{
    const std::string_view option = line.option.View();
    const std::int32_t number = ParseLooseNumber(option);
    if (number == 0) return LineAnswer::kLineRefused;
    AddSymbolicName(state, TextAfterEquals(option), number, kJudgeNames);
    line.value.cursor = 0;
    std::vector<JudgeOp> code = CompileJudge(state, line.value);
    if (code.empty() || !ValidateJudgeCode(code)) return LineAnswer::kLineRefused;
    state.firstJudgeOfNumber.try_emplace(number, state.judges.size());
    state.judges.push_back({number, std::move(code)});
    return LineAnswer::kLineTaken;
}

LineAnswer HandleItem(CompileState& state, DescriptionLine& line)
{
    return HandleRecordLine(state, line, kItemNames, state.items);
}

LineAnswer HandleAction(CompileState& state, DescriptionLine& line)
{
    return HandleRecordLine(state, line, kActionNames, state.actions);
}

LineAnswer HandleTransact(CompileState& state, DescriptionLine& line)
{
    return HandleRecordLine(state, line, kTransactNames, state.transacts);
}

LineAnswer HandleAlertAction(CompileState& state, DescriptionLine& line)
{
    return HandleRecordLine(state, line, kAlertActionNames, state.alertActions);
}

LineAnswer HandleAlert(CompileState& state, DescriptionLine& line)
{
    return HandleRecordLine(state, line, kAlertNames, state.alerts);
}

LineAnswer HandleExclusive(CompileState& state, DescriptionLine& line)
{
    std::vector<ExclusiveRecord> records;
    if (!ReadRecordEntries(state, line.value, records)) return LineAnswer::kLineRefused;
    state.exclusives.insert(state.exclusives.end(), records.begin(), records.end());
    return LineAnswer::kLineTaken;
}

}  // namespace vexl::model
