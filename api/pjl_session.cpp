#include "api/pjl_session.h"

#include "api/pjl_values.h"
#include "common/core/items.h"
#include "common/core/paper_sync.h"
#include "common/core/store.h"
#include "common/model/constraints.h"
#include "common/model/pjl_table.h"
#include "common/model/resolution.h"
#include "common/storage/ini_lists.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

namespace vexl::api {

namespace {

bool IsRecordable(std::uint32_t item)
{
    return item >= 1 && item <= static_cast<std::uint32_t>(kPjlEntryCount);
}

bool IsHeld(const ExclusiveSession& session, std::uint32_t item)
{
    return IsRecordable(item) && session.setFlags[item - 1] != 0;
}

std::uint32_t RecordedValue(const ExclusiveSession& session, std::uint32_t item)
{
    return IsRecordable(item) ? session.values[item - 1] : 0;
}

std::span<const PjlOption> OptionsOf(const PjlVariable& row)
{
    return row.options ? std::span(row.options, row.optionCount) : std::span<const PjlOption>();
}

void RunItemTransacts(DriverContext* context, std::uint32_t item)
{
    const BlockOffset entry = FindUiEntryForVariable(context, item, 0);
    if (entry != 0) RunUiTransacts(entry, context);
}

// Records the value; written into the context unless the caller only notes
// what the context already holds.
void Record(ExclusiveSession& session, std::uint32_t item, std::uint32_t value, PjlApplyMode mode, bool write)
{
    if (!IsRecordable(item)) return;
    if (mode == PjlApplyMode::kUpdate && IsHeld(session, item) && session.values[item - 1] == value) return;
    session.setFlags[item - 1] = 1;
    session.values[item - 1] = value;
    if (write && item <= kPjlContextItemLimit) SetItemValue(session.context, static_cast<std::uint16_t>(item), value);
    if (mode == PjlApplyMode::kUpdate) {
        RunItemTransacts(session.context, item);
        RefreshPjlValues(session);
    }
}

void ApplyModelVariable(ExclusiveSession& session, const PjlVariable& row, std::string_view text, PjlApplyMode mode)
{
    DriverContext* context = session.context;
    const BlockOffset entry = FindUiEntryForVariable(context, row.item, row.uiVariant);
    const PjlValueFormat format = PjlFormatOfKind(row.kind);
    // Only numbers are recorded in a handle: text variables are printer
    // values, never set by a line.
    if (entry == 0 || format == PjlValueFormat::kString || !IsRecordable(row.item)) return;
    const std::optional<std::uint32_t> option = ParsePjlValue(context, row.item, entry, format, text);
    if (!option) return;
    const auto item = static_cast<std::uint16_t>(row.item);
    SetItemOption(context, item, *option);
    const std::uint32_t value = GetItemValue(context, item);
    const bool changed = !IsHeld(session, row.item) || session.values[row.item - 1] != value;
    session.setFlags[row.item - 1] = 1;
    session.values[row.item - 1] = value;
    if (mode == PjlApplyMode::kUpdate && changed) RunItemTransacts(context, row.item);
}

// The option a word stands for: the first of that word whose condition
// holds, else the first of that word. Aliases are never read.
const PjlOption* FindOptionForWord(DriverContext* context, const PjlVariable& row, std::string_view word)
{
    const PjlOption* first = nullptr;
    for (const PjlOption& option : OptionsOf(row)) {
        if ((option.flags & kPjlOptionAlias) || word != option.word) continue;
        if (EvaluateSettingCondition(context, option.condition)) return &option;
        if (!first) first = &option;
    }
    return first;
}

// The item an item is written through (rdmFuncSelectSort through
// rdmSortType's COLLATE); 0 when none.
std::uint32_t WrittenThrough(std::uint32_t item)
{
    for (const PjlItemAlias* alias = GetPjlItemAliasTable(); alias && alias->item != 0; ++alias) {
        if (alias->item == item) return alias->writtenThrough;
    }
    return 0;
}

bool SidesAgree(const ExclusiveSession& session, const PjlOption& option)
{
    for (std::uint32_t i = 0; i < option.sideCount; ++i) {
        const PjlSideSetting& side = option.sides[i];
        if (IsHeld(session, side.item) && session.values[side.item - 1] != side.value) return false;
    }
    return true;
}

std::string OwnFullLine(const ExclusiveSession& session, const PjlVariable& row, std::uint32_t value)
{
    for (const PjlOption& option : OptionsOf(row)) {
        const bool matches = option.storedValue == value || (option.flags & kPjlOptionNeutral);
        if (!matches || !SidesAgree(session, option)) continue;
        std::string line;
        AppendPjlSetLine(line, row.name, option.word);
        return line;
    }
    return {};
}

// The description's option command around the value text; the description
// is expected to make it a well-formed line.
std::string ModelFullLine(ExclusiveSession& session, const PjlVariable& row, std::uint32_t value)
{
    DriverContext* context = session.context;
    const BlockOffset entry = FindUiEntryForVariable(context, row.item, row.uiVariant);
    if (entry == 0) return {};
    const std::uint32_t option =
        OptionFromStoredValue(context, FindItem(context, static_cast<std::uint16_t>(row.item)), value);
    const PjlCommandTexts commands = GetPjlCommandTexts(context, entry);
    std::string line(commands.before);
    line += FormatPjlValue(context, row.item, entry, PjlFormatOfKind(row.kind), option);
    line += commands.after;
    return line;
}

// The full text, one piece per variable.
std::vector<std::string> BuildFullLines(ExclusiveSession& session)
{
    std::vector<std::string> lines;
    std::vector<const PjlVariable*> written;
    for (std::uint32_t item = 1; item <= static_cast<std::uint32_t>(kPjlEntryCount); ++item) {
        if (!IsHeld(session, item)) continue;
        std::uint32_t valueItem = item;
        const PjlVariable* row = FindPjlVariableByItem(item, kPjlAccessCommand);
        if (!row) {
            valueItem = WrittenThrough(item);
            row = valueItem != 0 ? FindPjlVariableByItem(valueItem, kPjlAccessCommand) : nullptr;
        }
        if (!row || std::find(written.begin(), written.end(), row) != written.end()) continue;
        written.push_back(row);
        const std::uint32_t value = RecordedValue(session, valueItem);
        std::string line =
            row->source == kPjlSourceModel ? ModelFullLine(session, *row, value) : OwnFullLine(session, *row, value);
        if (!line.empty()) lines.push_back(std::move(line));
    }
    return lines;
}

struct PjlChange {
    std::string change;
    std::string base;
};

// The change lines and the rebuilt base of a full text against the base,
// for an optional request line.
PjlChange ComputePjlChange(std::string_view base, const std::vector<std::string>& fullLines, const PjlSetLine* request)
{
    std::vector<PjlSetLine> full;
    for (const std::string& piece : fullLines) {
        std::string_view rest = piece;
        PjlSetLine line;
        for (std::ptrdiff_t used; (used = ParsePjlSetLine(rest, &line)) > 0;) {
            full.push_back(line);
            rest.remove_prefix(static_cast<std::size_t>(used));
        }
    }
    PjlChange result;
    for (const PjlSetLine& line : full) {
        PjlSetLine given;
        if (!FindPjlSetLine(base, line.name, &given)) continue;
        const bool requested = request && request->name == line.name;
        // A value the model changed, unless it is what the caller asked for;
        // or the caller's request, when the model kept the base value.
        const bool emit = line.value != given.value ? !(requested && request->value == line.value)
                                                    : requested && request->value != line.value;
        if (emit) AppendPjlSetLine(result.change, line.name, line.value);
    }
    std::string_view rest = base;
    PjlSetLine given;
    for (std::ptrdiff_t used; (used = ParsePjlSetLine(rest, &given)) > 0;
         rest.remove_prefix(static_cast<std::size_t>(used))) {
        const auto taken =
            std::find_if(full.begin(), full.end(), [&](const PjlSetLine& line) { return line.name == given.name; });
        std::string_view value;
        if (taken != full.end()) {
            value = taken->value;
        } else if (request && FindPjlVariable(given.name, kPjlAccessCommand)) {
            value = request->name == given.name ? request->value : given.value;
        } else {
            continue;  // unknown variables, printer values and variables not written
        }
        AppendPjlSetLine(result.base, given.name, value);
    }
    return result;
}

// The DEVMODE part of the store, put back when the trial ends.
class DevmodePartBackup {
public:
    explicit DevmodePartBackup(DriverContext* context) : bytes_(GetStoreBytes(context))
    {
        if (bytes_) saved_.assign(bytes_, bytes_ + GetDevmodeSize());
    }
    ~DevmodePartBackup()
    {
        if (bytes_) std::memcpy(bytes_, saved_.data(), saved_.size());
    }
    DevmodePartBackup(const DevmodePartBackup&) = delete;
    DevmodePartBackup& operator=(const DevmodePartBackup&) = delete;

private:
    std::uint8_t* bytes_;
    std::vector<std::uint8_t> saved_;
};

// The handle's entries and the DEVMODE part, put back when the trial ends.
class SessionTrial {
public:
    explicit SessionTrial(ExclusiveSession& session)
        : session_(session), flags_(session.setFlags), values_(session.values), devmode_(session.context)
    {
    }
    ~SessionTrial()
    {
        session_.setFlags = flags_;
        session_.values = values_;
    }
    SessionTrial(const SessionTrial&) = delete;
    SessionTrial& operator=(const SessionTrial&) = delete;

private:
    ExclusiveSession& session_;
    std::array<std::uint8_t, kPjlEntryCount> flags_;
    std::array<std::uint32_t, kPjlEntryCount> values_;
    DevmodePartBackup devmode_;
};

// The items every base text must give a value.
bool HoldsRequiredItems(const ExclusiveSession& session)
{
    for (const std::uint16_t* item = GetRequiredPjlItems(); item && *item != 0; ++item) {
        if (!IsHeld(session, *item)) return false;
    }
    return true;
}

void AddListEntry(std::string& list, std::string_view entry)
{
    if (entry.empty()) return;  // an empty entry would end the list
    list += entry;
    list += '\0';
}

std::string EndList(std::string list)
{
    if (!list.empty()) list += '\0';
    return list;
}

}  // namespace

int SetPjlCommandBase(ExclusiveSession& session, const char* text)
{
    if (ResetExclusiveSession(session, true) != 0) return -1;
    if (!text) return -2;
    std::string_view rest = text;
    PjlSetLine line;
    for (std::ptrdiff_t used; (used = ParsePjlSetLine(rest, &line)) != 0;) {
        if (used < 0) return -1;  // what was applied stays applied
        if (const PjlVariable* row = FindPjlVariable(line.name, kPjlAccessCommand | kPjlAccessPrinterOption))
            ApplyPjlVariable(session, *row, line.value, PjlApplyMode::kInitial);
        rest.remove_prefix(static_cast<std::size_t>(used));
    }
    if (*text == '\0' || !HoldsRequiredItems(session)) {
        ResetExclusiveSession(session, true);
        return -2;
    }
    session.baseText = std::string(text);
    return BuildPjlChangeText(session, nullptr);
}

int UpdatePjlCommand(ExclusiveSession& session, const char* text)
{
    session.changeText.reset();
    PjlSetLine line;
    const std::ptrdiff_t used = ParsePjlSetLine(text, &line);
    if (used < 0) return -1;
    if (used == 0) return 0;
    const PjlVariable* row = FindPjlVariable(line.name, kPjlAccessCommand);
    if (!row || !IsPjlVariableSettable(session, *row)) return 0;
    ApplyPjlVariable(session, *row, line.value, PjlApplyMode::kUpdate);
    return BuildPjlChangeText(session, &line);
}

void RecordPjlValue(ExclusiveSession& session, std::uint32_t item, std::uint32_t value, PjlApplyMode mode)
{
    Record(session, item, value, mode, true);
}

void RefreshPjlValues(ExclusiveSession& session)
{
    for (std::uint32_t item = 1; item <= kPjlContextItemLimit; ++item) {
        if (session.setFlags[item - 1])
            session.values[item - 1] = GetItemValue(session.context, static_cast<std::uint16_t>(item));
    }
}

void ApplyPjlVariable(ExclusiveSession& session, const PjlVariable& row, std::string_view value, PjlApplyMode mode)
{
    if (row.source == kPjlSourceModel) {
        ApplyModelVariable(session, row, value, mode);
        return;
    }
    const PjlOption* option = FindOptionForWord(session.context, row, value);
    if (!option) return;
    for (std::uint32_t i = 0; i < option->sideCount; ++i)
        RecordPjlValue(session, option->sides[i].item, option->sides[i].value, mode);
    if (option->flags & kPjlOptionNeutral) {
        // "Off" leaves the item as it is and notes what it holds.
        Record(session, row.item, GetItemValue(session.context, static_cast<std::uint16_t>(row.item)), mode, false);
    } else {
        RecordPjlValue(session, row.item, option->storedValue, mode);
    }
}

void DerivePjlSettings(DriverContext* context)
{
    const std::uint16_t cap = GetResolutionCapForSize(context, 0);
    if (cap != 0) SetItemValue(context, dmPrintQuality, cap);
    SetItemValue(context, dmFields, GetItemValue(context, dmFields) | DM_PRINTQUALITY);
    SyncResolutionFromPrintQuality(nullptr, context);
    SetSourcePaper(static_cast<std::uint16_t>(GetItemValue(context, dmPaperSize)), dmPaperSize, context, nullptr);
    SetOutputPaper(static_cast<std::uint16_t>(GetItemValue(context, rdmOutPaperSize)), rdmOutPaperSize, context,
                   nullptr);
    ApplyAllItemTransacts(context);
}

std::string BuildPjlFullText(ExclusiveSession& session)
{
    std::string text;
    for (const std::string& line : BuildFullLines(session)) text += line;
    return text;
}

int BuildPjlChangeText(ExclusiveSession& session, const PjlSetLine* request)
{
    try {
        DerivePjlSettings(session.context);
        RefreshPjlValues(session);
        const std::vector<std::string> full = BuildFullLines(session);
        PjlChange result = ComputePjlChange(session.baseText.value_or(std::string()), full, request);
        const bool changed = !result.change.empty();
        if (changed) {
            session.changeText = std::move(result.change);
        } else {
            session.changeText.reset();
        }
        if (session.baseText) session.baseText = std::move(result.base);
        return changed ? 1 : 0;
    } catch (const std::bad_alloc&) {
        return -1;
    }
}

bool IsPjlVariableSettable(const ExclusiveSession& session, const PjlVariable& row)
{
    return IsHeld(session, row.item);
}

bool IsPjlOptionAllowed(DriverContext* context, const PjlVariable&, const PjlOption& option)
{
    if (option.flags & kPjlOptionNeverOffered) return false;
    if ((option.flags & kPjlOptionAlias) && !option.condition) return false;
    return EvaluateSettingCondition(context, option.condition) != FALSE;
}

bool TrySetPjlOption(ExclusiveSession& session, const PjlVariable& row, const PjlOption& option)
{
    if (!session.baseText || !IsPjlOptionAllowed(session.context, row, option)) return false;
    SessionTrial trial(session);
    if (!(option.flags & kPjlOptionNeutral))
        RecordPjlValue(session, row.item, option.storedValue, PjlApplyMode::kInitial);
    for (std::uint32_t i = 0; i < option.sideCount; ++i)
        RecordPjlValue(session, option.sides[i].item, option.sides[i].value, PjlApplyMode::kInitial);
    const PjlSetLine candidate{row.name, option.word};
    DerivePjlSettings(session.context);
    RefreshPjlValues(session);
    return ComputePjlChange(*session.baseText, BuildFullLines(session), &candidate).change.empty();
}

std::uint32_t TrySetPjlValue(ExclusiveSession& session, const PjlVariable& row, std::uint32_t option)
{
    DevmodePartBackup backup(session.context);
    const auto item = static_cast<std::uint16_t>(row.item);
    SetItemOption(session.context, item, option);
    DerivePjlSettings(session.context);
    return GetItemOption(session.context, item);
}

std::string ListPjlCommandValues(ExclusiveSession& session, const PjlVariable& row, bool check)
{
    DriverContext* context = session.context;
    std::string list;
    if (row.source == kPjlSourceOwn) {
        for (const PjlOption& option : OptionsOf(row)) {
            const bool alias = option.flags & kPjlOptionAlias;
            if (check) {
                if ((alias && !option.condition) || !TrySetPjlOption(session, row, option)) continue;
            } else {
                // What the model can support, not what is installed.
                if (alias) continue;
                if ((row.access & kPjlAccessPrinterOption) && !EvaluateSupportCondition(context, option.condition))
                    continue;
            }
            AddListEntry(list, option.word);
        }
        return EndList(std::move(list));
    }
    if (PjlFormatOfKind(row.kind) != PjlValueFormat::kNumeric) return {};
    if (check && !EvaluateSettingCondition(context, row.listingCondition)) return {};
    const BlockOffset entry = FindUiEntryForVariable(context, row.item, row.uiVariant);
    const std::optional<model::NumericRecord> range = GetPjlNumericRange(context, entry);
    if (!range) return {};
    auto minimum = static_cast<std::uint32_t>(range->minimum);
    auto maximum = static_cast<std::uint32_t>(range->maximum);
    if (check) {
        minimum = TrySetPjlValue(session, row, minimum);
        maximum = TrySetPjlValue(session, row, maximum);
    }
    for (const std::uint32_t value : {minimum, maximum, static_cast<std::uint32_t>(range->moreValues[1])})
        AddListEntry(list, FormatPjlValue(context, row.item, entry, PjlValueFormat::kNumeric, value));
    return EndList(std::move(list));
}

std::string ListPjlPrinterOptions(DriverContext* context, const PjlVariable& row)
{
    std::string list;
    for (const PjlOption& option : OptionsOf(row)) {
        if (IsPjlOptionAllowed(context, row, option)) AddListEntry(list, option.word);
    }
    return EndList(std::move(list));
}

std::string GetPjlPrinterValueText(DriverContext* context, const PjlVariable& row)
{
    const auto item = static_cast<std::uint16_t>(row.item);
    if (row.source == kPjlSourceModel) {
        const BlockOffset entry = FindUiEntryForVariable(context, row.item, row.uiVariant);
        if (entry == 0) return {};
        return FormatPjlValue(context, row.item, entry, PjlFormatOfKind(row.kind), GetItemOption(context, item));
    }
    const std::uint32_t value = GetItemValue(context, item);
    for (const PjlOption& option : OptionsOf(row)) {
        if (option.storedValue == value || (option.flags & kPjlOptionNeutral)) return option.word;
    }
    return {};
}

std::string BuildWatermarkList(DriverContext* context, std::int32_t kind)
{
    constexpr std::uint32_t kStampKindText = 1;
    constexpr std::uint32_t kStampKindImage = 2;
    const std::uint32_t wanted = kind == 0 ? kStampKindText : kStampKindImage;
    std::string list;
    DevmodePartBackup backup(context);
    const int count = GetStampCount(context);
    for (int slot = 0; slot < count; ++slot) {
        LoadStampSlot(context, slot);
        if (GetItemValue(context, rdmWmKind) != wanted) continue;
        const std::string block = BuildWatermarkBlock(context, kind == 0 ? kWatermarkText : kWatermarkImage);
        if (block.empty()) continue;
        list += block;
        list += '\0';
    }
    return EndList(std::move(list));
}

}  // namespace vexl::api
