#include "common/model/ui_entries.h"

#include "common/model/reader.h"

namespace vexl::model {

namespace {

constexpr WordValue UiTypeWords[] = {
    {"PickOne", kUiPickOne},   {"PickMany", kUiPickMany},       {"Boolean", kUiBoolean},   {"Numeric", kUiNumeric},
    {"String", kUiString},     {"PickPage", kUiPickPage},       {"PickSlot", kUiPickSlot}, {"FontTbl", kUiFontTbl},
    {"Identity", kUiIdentity}, {"TypeUnknown", kUiTypeUnknown}, {nullptr, kUiPickOne},
};

constexpr WordValue CharacterSetWords[] = {
    {"MultiByte", 0x01}, {"ASCII", 0x02}, {"Numeric", 0x04}, {"Capital", 0x08}, {"Small", 0x10}, {nullptr, 0x01},
};

constexpr WordValue DisplayFlagWords[] = {
    {"Password", 0x100},
    {"ShowCapital", 0x200},
    {"ShowSmall", 0x400},
    {nullptr, 0},
};

// Room made in the indexes of the UI list at its first entry.
constexpr std::size_t kUsualEntryCount = 128;

// Room made in a new option list at once: most entries have fewer options.
constexpr std::size_t kUsualOptionCount = 8;

// Type words are read into a field of 16 bytes; a longer word fits no
// row and reads as unknown.
constexpr std::size_t kTypeWordField = 16;

std::uint16_t LookupTypeWord(std::string_view word)
{
    if (word.size() >= kTypeWordField) return static_cast<std::uint16_t>(LookupWordValue(UiTypeWords, {}));
    return static_cast<std::uint16_t>(LookupWordValue(UiTypeWords, word));
}

template <typename Record> Record* KeepRecord(std::vector<std::unique_ptr<Record>>& pool)
{
    pool.push_back(std::make_unique<Record>());
    return pool.back().get();
}

UiEntry* OpenEntry(const CompileState& state)
{
    return FindOpenUiEntry(state.openSymbolKey, state);
}
UiEntry* OpenEntryVariant(const CompileState& state)
{
    return FindOpenUiEntryVariant(state.openSymbolKey, state.openVariant, state);
}

// A word standing for an option id or a plain number.
std::uint16_t OptionOrNumber(const CompileState& state, std::string_view word)
{
    if (std::optional<std::uint16_t> id = state.names.FindConstant(word)) return *id;
    return static_cast<std::uint16_t>(ParseDecimal(word, nullptr));
}

void RegisterSlot(CompileState& state, UiEntry* entry)
{
    const int slot = UiSlotIndex(entry->itemId);
    if (slot >= 0) state.header.slots[slot] = entry;
}

void TakeOptionList(CompileState& state, DescriptionLine& line, UiEntry& entry)
{
    char stop = 0;
    TokenBuffer& value = line.value;
    std::optional<std::string_view> first = NextWord(value, &stop);
    if (!first || *first != "IDList" || stop == '\0') return;
    if (stop != '{' && !SkipPastChar(value, '{')) return;
    for (;;) {
        SkipBlanksAndLineEnds(value);
        if (value.AtEnd() || value.Current() == '}') return;
        const bool withInvocation = value.Current() == '{';
        if (withInvocation) ++value.cursor;
        std::optional<std::string_view> name = NextWord(value, &stop);
        if (!name) return;
        std::optional<std::uint16_t> optionId = state.names.FindConstant(*name);
        if (!optionId) return;
        UiOption option;
        option.optionId = *optionId;
        if (withInvocation && stop != '\0') option.invocation = TakeQuotedBytes(value);
        AppendUniqueOption(*entry.options, std::move(option));
        if (stop == '\0') return;
        if (withInvocation) {
            SkipBlanksAndLineEnds(value);
            if (value.Current() != '}') return;
            ++value.cursor;
        }
    }
}

}  // namespace

int UiSlotIndex(std::uint16_t itemId)
{
    if (kUiSlotFirstRun.Holds(itemId)) return itemId - kUiSlotFirstRun.first;
    if (kPrinterItems.Holds(itemId)) return kUiSlotFirstRun.Count() + (itemId - kPrinterItems.first);
    if (kUiSlotLastRun.Holds(itemId))
        return kUiSlotFirstRun.Count() + kPrinterItems.Count() + (itemId - kUiSlotLastRun.first);
    return -1;
}

namespace {

std::uint32_t VariantKey(std::uint16_t symbolKey, std::uint16_t variant)
{
    return static_cast<std::uint32_t>(symbolKey) << 16 | variant;
}

// Appends an entry to the UI list and keeps the first entries by key.
void AddUiEntry(CompileState& state, std::unique_ptr<UiEntry> entry)
{
    if (state.uiEntries.empty()) {
        state.firstUiEntryOfKey.reserve(kUsualEntryCount);
        state.firstUiEntryOfVariant.reserve(kUsualEntryCount);
    }
    state.firstUiEntryOfKey.try_emplace(entry->symbolKey, entry.get());
    state.firstUiEntryOfVariant.try_emplace(VariantKey(entry->symbolKey, entry->variant), entry.get());
    state.uiEntries.push_back(std::move(entry));
}

}  // namespace

UiEntry* FindOpenUiEntry(std::uint16_t symbolKey, const CompileState& state)
{
    const auto found = state.firstUiEntryOfKey.find(symbolKey);
    return found == state.firstUiEntryOfKey.end() ? nullptr : found->second;
}

UiEntry* FindOpenUiEntryVariant(std::uint16_t symbolKey, std::uint16_t variant, const CompileState& state)
{
    const auto found = state.firstUiEntryOfVariant.find(VariantKey(symbolKey, variant));
    return found == state.firstUiEntryOfVariant.end() ? nullptr : found->second;
}

UiOption* FindOptionById(std::uint16_t optionId, UiOptionList* list)
{
    if (!list) return nullptr;
    for (UiOption& option : *list) {
        if (option.optionId == optionId) return &option;
    }
    return nullptr;
}

// The option of the open entry named by the line's translation, when the
// entry is of the kind that carries such values.
UiOption* FindTranslatedOption(CompileState& state, DescriptionLine& line, std::uint16_t kind)
{
    if (line.translation.Empty() || line.value.Empty()) return nullptr;
    UiEntry* entry = FindOpenUiEntry(state.openSymbolKey, state);
    if (!entry || UiKind(entry->type) != kind) return nullptr;
    char stop = 0;
    std::optional<std::string_view> name = NextWord(line.translation, &stop);
    if (!name) return nullptr;
    std::optional<std::uint16_t> optionId = state.names.FindConstant(*name);
    if (!optionId) return nullptr;
    return FindOptionById(*optionId, entry->options);
}

void AppendUniqueOption(UiOptionList& list, UiOption option)
{
    if (FindOptionById(option.optionId, &list)) return;
    list.push_back(std::move(option));
}

int UiRecordSize(std::uint16_t type)
{
    switch (UiKind(type)) {
    case kUiPickPage:
    case kUiFontTbl:
    case kUiNumeric:
        return 24;
    case kUiPickSlot:
        return 20;
    case kUiString:
        return 8;
    default:
        return 12;
    }
}

void ParseUiTypeWords(const CompileState& state, std::string_view value, UiEntry& entry)
{
    auto wordEnd = [&](std::size_t from) {
        std::size_t i = from;
        while (i < value.size() && value[i] != '|' && !IsBlank(value[i]) && value[i] != '\0') ++i;
        return i;
    };
    const std::size_t firstEnd = wordEnd(0);
    const std::string_view first = value.substr(0, firstEnd);
    entry.type = LookupTypeWord(first);
    if (firstEnd >= value.size() || value[firstEnd] == '\0') return;
    if (entry.type == kUiIdentity && first.size() < kTypeWordField) {
        std::size_t i = firstEnd;
        while (i < value.size() && IsBlank(value[i])) ++i;
        if (i < value.size() && value[i] == '*') {
            std::size_t end = ++i;
            while (end < value.size() && !IsBlank(value[end]) && value[end] != '\0') ++end;
            if (std::optional<SymbolRef> symbol = state.names.FindSymbol(value.substr(i, end - i)))
                entry.variant = symbol->key;
        }
        return;
    }
    const std::size_t bar = value.find('|', firstEnd);
    if (bar == std::string_view::npos) return;
    std::size_t i = bar + 1;
    while (i < value.size() && IsBlank(value[i])) ++i;
    entry.type |= LookupTypeWord(value.substr(i, wordEnd(i) - i));
}

LineAnswer HandleOpenUi(CompileState& state, DescriptionLine& line)
{
    if (state.openKeyword) return LineAnswer::kLineRefused;
    const std::string_view option = line.option.View();
    if (!option.starts_with('*')) return LineAnswer::kLineRefused;
    const std::string_view name = option.substr(1);
    std::optional<SymbolRef> symbol = state.names.FindSymbol(name);
    if (!symbol) return LineAnswer::kLineRefused;

    auto entry = std::make_unique<UiEntry>();
    UiEntry* first = line.translation.Empty() ? nullptr : FindOpenUiEntry(symbol->key, state);
    if (first) {
        // A variant: shares the first entry's records, which it does not own.
        *entry = *first;
        entry->variant = static_cast<std::uint16_t>(ParseDecimal(line.translation.View(), nullptr));
        entry->defaultFromLine = false;
    } else {
        entry->symbolKey = symbol->key;
        entry->itemId = symbol->itemId;
        ParseUiTypeWords(state, line.value.View(), *entry);
        const UiEntry* shared = entry->variant ? FindOpenUiEntry(entry->variant, state) : nullptr;
        if (shared) {
            entry->type |= shared->type;
            entry->defaultIndex = shared->defaultIndex;
            entry->defaultFromLine = false;
            entry->options = shared->options;
            entry->boolean = shared->boolean;
            entry->numeric = shared->numeric;
            entry->text = shared->text;
        } else if (IsPickKind(entry->type) && !(entry->type & kUiIdentity)) {
            entry->options = KeepRecord(state.optionLists);
            entry->options->reserve(kUsualOptionCount);
        }
        RegisterSlot(state, entry.get());
    }
    state.openKeyword = std::string(name);
    state.openSymbolKey = entry->symbolKey;
    state.openVariant = entry->variant;
    AddUiEntry(state, std::move(entry));
    return LineAnswer::kLineTaken;
}

LineAnswer HandleCloseUi(CompileState& state, DescriptionLine& /*line*/)
{
    if (UiEntry* entry = OpenEntryVariant(state); entry && HasDefaultIndex(entry->type)) {
        const int count = entry->options ? static_cast<int>(entry->options->size()) : 0;
        int position = -1;
        // A variant or Identity entry without a Default line of its own holds
        // the position it inherited, which is no option id to look for.
        if (entry->variant == 0 || entry->defaultFromLine) {
            for (int i = 0; i < count; ++i) {
                if ((*entry->options)[i].optionId == static_cast<std::uint16_t>(entry->defaultIndex)) {
                    position = i;
                    break;
                }
            }
        }
        if (position >= 0)
            entry->defaultIndex = static_cast<std::int16_t>(position);
        else if (entry->variant == 0 || entry->defaultIndex < 0 || entry->defaultIndex >= count)
            entry->defaultIndex = 0;
    }
    state.openKeyword.reset();
    state.openSymbolKey = 0;
    state.openVariant = 0;
    state.keywordHint = 0;
    return LineAnswer::kLineTaken;
}

LineAnswer HandleOptionLine(CompileState& state, DescriptionLine& line)
{
    UiEntry* entry = OpenEntry(state);
    if (!entry) return LineAnswer::kLineTaken;
    if (line.option.Empty()) {
        if (entry->options) TakeOptionList(state, line, *entry);
        return LineAnswer::kLineTaken;
    }
    if (IsPickKind(entry->type)) {
        if (!entry->options) return LineAnswer::kLineTaken;
        std::optional<std::uint16_t> optionId = state.names.FindConstant(line.option.View());
        if (!optionId) return LineAnswer::kLineTaken;
        UiOption option;
        option.optionId = *optionId;
        if (!line.value.Empty()) option.invocation = TakeQuotedBytes(line.value);
        AppendUniqueOption(*entry->options, std::move(option));
        return LineAnswer::kLineTaken;
    }
    // True and False lines belong to Boolean entries only.
    if (UiKind(entry->type) != kUiBoolean || line.value.Empty()) return LineAnswer::kLineTaken;
    if (!entry->boolean) entry->boolean = KeepRecord(state.booleanRecords);
    std::optional<std::string>& slot =
        ParseBooleanWord(line.option.View()) ? entry->boolean->trueInvocation : entry->boolean->falseInvocation;
    slot = TakeQuotedBytes(line.value);
    return LineAnswer::kLineTaken;
}

LineAnswer HandleDefaultLine(CompileState& state, DescriptionLine& line)
{
    UiEntry* entry = OpenEntryVariant(state);
    if (!entry) return LineAnswer::kLineTaken;
    std::string_view word = line.value.View();
    if (std::size_t blank = word.find_first_of(" \t"); blank != std::string_view::npos) word = word.substr(0, blank);
    if (HasDefaultIndex(entry->type)) {
        if (std::optional<std::uint16_t> id = state.names.FindConstant(word)) {
            entry->defaultIndex = static_cast<std::int16_t>(*id);
            entry->defaultFromLine = true;
        }
    } else if (UiKind(entry->type) == kUiBoolean) {
        if (!entry->boolean) entry->boolean = KeepRecord(state.booleanRecords);
        entry->boolean->defaultValue = static_cast<std::int32_t>(ParseBooleanWord(word));
    } else if (UiKind(entry->type) == kUiString) {
        if (std::optional<std::uint16_t> id = state.names.FindConstant(word)) {
            if (!entry->text) entry->text = KeepRecord(state.stringRecords);
            entry->text->defaultOption = *id;
        }
    }
    return LineAnswer::kLineTaken;
}

LineAnswer HandleStringValue(CompileState& state, DescriptionLine& line)
{
    UiEntry* entry = OpenEntry(state);
    if (!entry || UiKind(entry->type) != kUiString || line.value.Empty()) return LineAnswer::kLineTaken;
    if (!entry->text) entry->text = KeepRecord(state.stringRecords);
    StringValueRecord& record = *entry->text;
    record.maxLength = record.characterSet = record.displayFlags = 0;
    TokenBuffer& value = line.value;
    char stop = 0;
    record.maxLength = static_cast<std::uint16_t>(NextNumber(value, &stop));
    if (stop == '\0') return LineAnswer::kLineTaken;
    std::optional<std::string_view> charSet = NextWord(value, &stop);
    if (!charSet) return LineAnswer::kLineTaken;
    record.characterSet = static_cast<std::uint16_t>(LookupWordValue(CharacterSetWords, *charSet));
    if (stop == '\0') return LineAnswer::kLineTaken;
    if (SkipPastChar(value, '|')) {
        if (std::optional<std::string_view> display = NextWord(value, &stop))
            record.displayFlags = static_cast<std::uint16_t>(LookupWordValue(DisplayFlagWords, *display));
    }
    return LineAnswer::kLineTaken;
}

LineAnswer HandleNumericValue(CompileState& state, DescriptionLine& line)
{
    UiEntry* entry = OpenEntry(state);
    if (!entry || UiKind(entry->type) != kUiNumeric || line.value.Empty()) return LineAnswer::kLineTaken;
    if (!entry->numeric) entry->numeric = KeepRecord(state.numericRecords);
    NumericRange& range = *entry->numeric;
    range = NumericRange{};
    TokenBuffer& value = line.value;
    while (IsBlank(value.Current())) ++value.cursor;
    if (value.Current() != '"') {
        // The leading word's sign may be written either way.
        std::string_view word = value.Rest();
        if (word.starts_with('+')) word.remove_prefix(1);
        range.leadingValue = static_cast<std::uint16_t>(ParseDecimal(word, nullptr));
    }
    if (!SkipPastChar(value, '"')) return LineAnswer::kLineTaken;
    const auto store = [&range](int index, std::int32_t number) {
        switch (index) {
        case 0:
            range.firstValue = static_cast<std::uint16_t>(number);
            break;
        case 1:
            range.defaultValue = number;
            break;
        case 2:
            range.minimum = number;
            break;
        case 3:
            range.maximum = number;
            break;
        default:
            range.moreValues[index - 4] = static_cast<std::uint16_t>(number);
            break;
        }
    };
    for (int index = 0; index < 8; ++index) {
        char stop = 0;
        const std::int32_t number = NextNumber(value, &stop);
        store(index, number);
        if (stop == '\0' || stop == '"') break;
    }
    return LineAnswer::kLineTaken;
}

LineAnswer HandlePageValue(CompileState& state, DescriptionLine& line)
{
    UiOption* option = FindTranslatedOption(state, line, kUiPickPage);
    if (!option) return LineAnswer::kLineTaken;
    TokenBuffer& value = line.value;
    PageValueRecord record;
    char stop = 0;
    std::optional<std::string_view> resolution = NextWord(value, &stop);
    if (!resolution) return LineAnswer::kLineTaken;
    record.resolutionKey = OptionOrNumber(state, *resolution);
    if (record.resolutionKey == 0) return LineAnswer::kLineTaken;
    std::optional<std::string_view> orientation = NextWord(value, &stop);
    if (!orientation) return LineAnswer::kLineTaken;
    std::optional<std::uint16_t> orientationId = state.names.FindConstant(*orientation);
    if (!orientationId) return LineAnswer::kLineTaken;
    record.orientationKey = *orientationId;
    while (IsBlank(value.Current())) ++value.cursor;
    if (!value.AtEnd() && value.Current() != '"') {
        std::optional<std::string_view> symbolName = NextWord(value, &stop);
        std::optional<SymbolRef> symbol = symbolName ? state.names.FindSymbol(*symbolName) : std::nullopt;
        if (!symbol) return LineAnswer::kLineTaken;
        std::optional<std::string_view> word = NextWord(value, &stop);
        if (!word) return LineAnswer::kLineTaken;
        record.conditionKey = symbol->key;
        std::optional<std::uint16_t> id = state.names.FindConstant(*word);
        record.conditionValue = id ? *id : static_cast<std::uint16_t>(ParseBooleanWord(*word));
    }
    if (SkipPastChar(value, '"')) {
        std::int32_t* const fields[] = {&record.xOrigin, &record.yOrigin,    &record.width,
                                        &record.length,  &record.paperWidth, &record.paperLength};
        for (std::int32_t* field : fields) {
            *field = NextNumber(value, &stop);
            if (stop == '\0' || stop == '"') break;
        }
    }
    option->pageValues.push_back(record);
    return LineAnswer::kLineTaken;
}

LineAnswer HandlePageMMValue(CompileState& state, DescriptionLine& line)
{
    UiOption* option = FindTranslatedOption(state, line, kUiPickPage);
    if (!option || !SkipPastChar(line.value, '"')) return LineAnswer::kLineTaken;
    char stop = 0;
    option->width = NextNumber(line.value, &stop);
    if (stop != '\0' && stop != '"') option->length = NextNumber(line.value, &stop);
    return LineAnswer::kLineTaken;
}

LineAnswer HandleSlotPaper(CompileState& state, DescriptionLine& line)
{
    UiOption* option = FindTranslatedOption(state, line, kUiPickSlot);
    if (!option || !SkipPastChar(line.value, '{')) return LineAnswer::kLineTaken;
    // The papers are read with the same scanner that delimits them, so the
    // list holds exactly the words found up to the closing brace.
    std::vector<std::uint16_t> papers;
    char stop = 0;
    for (;;) {
        std::optional<std::string_view> word = NextWord(line.value, &stop);
        if (!word) break;
        if (!word->empty()) {
            std::optional<std::uint16_t> paper = state.names.FindConstant(*word);
            if (!paper) return LineAnswer::kLineTaken;  // one unknown paper drops the list
            papers.push_back(*paper);
        }
        if (stop == '}' || stop == '\0') break;
    }
    if (!papers.empty()) option->papers = std::move(papers);
    return LineAnswer::kLineTaken;
}

LineAnswer HandleOptionCommand(CompileState& state, DescriptionLine& line)
{
    UiEntry* entry = OpenEntryVariant(state);
    if (!entry || line.value.Empty() || !SkipPastChar(line.value, '{')) return LineAnswer::kLineTaken;
    OptionCommandPair* pair = KeepRecord(state.commandPairs);
    pair->before = TakeQuotedBytes(line.value);
    // The second text must be a quoted string of its own: the rest of the
    // braces is no command.
    if (line.value.Rest().find('"') != std::string_view::npos) pair->after = TakeQuotedBytes(line.value);
    entry->commands = pair;
    return LineAnswer::kLineTaken;
}

LineAnswer HandleUiResDllName(CompileState& state, DescriptionLine& line)
{
    if (std::optional<std::u16string> name = TakeQuotedWide(line.value)) state.header.uiResDllName = std::move(name);
    return LineAnswer::kLineTaken;
}

LineAnswer HandleExcDepDllName(CompileState& state, DescriptionLine& line)
{
    if (std::optional<std::u16string> name = TakeQuotedWide(line.value)) state.header.excDepDllName = std::move(name);
    return LineAnswer::kLineTaken;
}

}  // namespace vexl::model
