#include "common/model/block_layout.h"

#include "common/core/le.h"
#include "common/model/commands.h"
#include "common/model/judges.h"
#include "common/model/ui_entries.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <new>
#include <unordered_map>
#include <vector>

namespace vexl::model {

// ------------------------------------------------------------------ writer

bool BlockWriter::Room(std::uint32_t at, std::uint32_t bytes)
{
    if (static_cast<std::uint64_t>(at) + bytes > size_) {
        failed_ = true;
        return false;
    }
    return true;
}

BlockOffset BlockWriter::Reserve(std::uint32_t bytes)
{
    const std::uint64_t end = static_cast<std::uint64_t>(size_) + bytes;
    // Every offset must stay within what a tagged link can carry.
    if (failed_ || end > kMaxTaggedOffset || (!growable_ && buffer_ && end > capacity_)) {
        failed_ = true;
        return 0;
    }
    if (growable_) {
        growable_->resize(end);
        buffer_ = growable_->data();
    }
    const BlockOffset at = size_;
    size_ = static_cast<std::uint32_t>(end);
    return at;
}

BlockOffset BlockWriter::AppendText(std::string_view text)
{
    const BlockOffset at = Reserve(static_cast<std::uint32_t>(text.size() + 1));
    if (!failed_ && buffer_) std::memcpy(buffer_ + at, text.data(), text.size());
    return at;
}

BlockOffset BlockWriter::AppendWideText(std::u16string_view text)
{
    const BlockOffset at = Reserve(static_cast<std::uint32_t>(2 * (text.size() + 1)));
    if (!failed_ && buffer_) {
        for (std::size_t i = 0; i < text.size(); ++i) WriteLe16(buffer_ + at + 2 * i, text[i]);
    }
    return at;
}

void BlockWriter::Put16(std::uint32_t at, std::uint16_t value)
{
    if (Room(at, 2) && buffer_) WriteLe16(buffer_ + at, value);
}

void BlockWriter::Put32(std::uint32_t at, std::uint32_t value)
{
    if (Room(at, 4) && buffer_) WriteLe32(buffer_ + at, value);
}

// ------------------------------------------------------------------ layout

namespace {

// What a UI entry's option reference points to.
enum class ValueClass { kNone, kList, kBoolean, kNumeric, kString };

ValueClass ValueClassOf(std::uint16_t type)
{
    switch (UiKind(type)) {
    case kUiBoolean:
        return ValueClass::kBoolean;
    case kUiNumeric:
        return ValueClass::kNumeric;
    case kUiString:
        return ValueClass::kString;
    default:
        return ValueClass::kList;
    }
}

// A variant entry (its own symbol key shared) or an Identity entry (the
// symbol key in its variant field shared).
bool IsSharingEntry(const UiEntry& entry)
{
    return entry.variant != 0;
}
std::uint16_t SharedKey(const UiEntry& entry)
{
    return (entry.type & kUiIdentity) ? entry.variant : entry.symbolKey;
}

class ModelLayout {
public:
    ModelLayout(const CompileState& state, BlockWriter& writer) : state_(state), w_(writer) {}

    void Run()
    {
        w_.Reserve(kHeaderSize);
        LayoutConstraintPart();
        LayoutUiPart();
        LayoutCommandAndFontPart();
        WriteHeader();
    }

private:
    // ---------------------------------------------------- constraint part

    // The position of the first record of each number in a list.
    using RecordIndex = std::unordered_map<std::int32_t, std::size_t>;
    template <typename Record> static RecordIndex IndexRecords(const std::vector<Record>& records)
    {
        RecordIndex index;
        for (std::size_t i = 0; i < records.size(); ++i) index.try_emplace(records[i].number, i);
        return index;
    }

    // A reference by number: the first record of the kind with the low 16
    // bits of the field as its number.
    static int FindRecord(const RecordIndex& index, std::uint32_t reference)
    {
        const std::int32_t number = static_cast<std::int32_t>(reference & 0xFFFF);
        if (number == 0) return -1;
        const auto found = index.find(number);
        return found == index.end() ? -1 : static_cast<int>(found->second);
    }

    BlockOffset JudgeAt(std::uint32_t reference) const
    {
        const std::int32_t number = static_cast<std::int32_t>(reference & 0xFFFF);
        return number == 0 ? 0 : JudgeByNumber(number);
    }
    BlockOffset JudgeByNumber(std::int32_t number) const
    {
        const JudgeRecord* judge = FindJudgeByNumber(state_, number);
        return judge ? judges_[static_cast<std::size_t>(judge - state_.judges.data())] : 0;
    }
    static BlockOffset ListAt(const RecordIndex& index, const std::vector<BlockOffset>& heads, std::uint32_t reference)
    {
        const int i = FindRecord(index, reference);
        return i < 0 ? 0 : heads[static_cast<std::size_t>(i)];
    }

    // Each record's entries one after another; each next link the tagged
    // link of the entry after it.
    template <typename Record, typename WriteEntry>
    std::vector<BlockOffset> WriteEntryLists(const std::vector<Record>& records, std::uint32_t size, WriteEntry write)
    {
        std::vector<BlockOffset> heads;
        for (const Record& record : records) {
            BlockOffset head = 0;
            for (std::size_t i = 0; i < record.entries.size(); ++i) {
                const BlockOffset at = w_.Reserve(size);
                if (i == 0) head = at;
                if (i + 1 < record.entries.size()) w_.PutTagged(at, at + size);
                write(at, record.entries[i]);
            }
            heads.push_back(head);
        }
        return heads;
    }

    void LayoutConstraintPart()
    {
        for (const JudgeRecord& judge : state_.judges) {
            const BlockOffset at = w_.Reserve(static_cast<std::uint32_t>(judge.code.size()) * kJudgeOpSize);
            for (std::size_t i = 0; i < judge.code.size(); ++i) {
                w_.Put16(at + static_cast<std::uint32_t>(kJudgeOpSize * i) + judge_op::kKind, judge.code[i].kind);
                w_.Put16(at + static_cast<std::uint32_t>(kJudgeOpSize * i) + judge_op::kOperand, judge.code[i].operand);
            }
            judges_.push_back(judge.code.empty() ? 0 : at);
        }
        itemLists_ =
            WriteEntryLists(state_.items, kOptionRuleSize, [this](BlockOffset at, const ExclusiveOptionRule& e) {
                w_.Put16(at + option_rule::kOptionId, e.optionId);
                w_.PutTagged(at + option_rule::kJ1, JudgeAt(e.j1));
                w_.PutTagged(at + option_rule::kJ2, JudgeAt(e.j2));
                w_.PutTagged(at + option_rule::kJ3, JudgeAt(e.j3));
            });
        actionLists_ = WriteEntryLists(state_.actions, kActionEntrySize, [this](BlockOffset at, const ActionEntry& e) {
            w_.Put16(at + action_entry::kTarget, e.target);
            w_.Put16(at + action_entry::kKind, e.kind);
            w_.Put32(at + action_entry::kValue, e.value);
        });
        transactLists_ =
            WriteEntryLists(state_.transacts, kTransactEntrySize, [this](BlockOffset at, const TransactEntry& e) {
                w_.PutTagged(at + transact_entry::kJudge, JudgeAt(e.judge));
                w_.PutTagged(at + transact_entry::kActions, ListAt(actionsIndex_, actionLists_, e.actions));
            });
        alertActionLists_ = WriteEntryLists(state_.alertActions, kAlertActionEntrySize,
                                            [this](BlockOffset at, const AlertActionEntry& e) {
                                                w_.Put16(at + alert_action_entry::kSymbolKey, e.symbolKey);
                                                w_.PutTagged(at + alert_action_entry::kTransacts,
                                                             ListAt(transactsIndex_, transactLists_, e.transacts));
                                                w_.Put16(at + alert_action_entry::kPageId, e.pageId);
                                                w_.Put16(at + alert_action_entry::kControlId, e.controlId);
                                            });
        alertLists_ = WriteEntryLists(state_.alerts, kAlertEntrySize, [this](BlockOffset at, const AlertEntry& e) {
            w_.PutTagged(at + alert_entry::kJudge, JudgeAt(e.judge));
            w_.Put16(at + alert_entry::kMessageKey, e.messageKey);
            w_.Put16(at + alert_entry::kIcon, e.icon);
            w_.Put16(at + alert_entry::kButtons, e.buttons);
            w_.Put16(at + alert_entry::kTiming, e.timing);
            w_.PutTagged(at + alert_entry::kAlertActions,
                         ListAt(alertActionsIndex_, alertActionLists_, e.alertActions));
        });

        // The Exclusive table: one contiguous array linked by plain offsets.
        for (std::size_t i = 0; i < state_.exclusives.size(); ++i) {
            const ExclusiveRecord& e = state_.exclusives[i];
            const BlockOffset at = w_.Reserve(kExclusiveRecordSize);
            exclusives_.push_back(at);
            if (i + 1 < state_.exclusives.size()) w_.Put32(at + exclusive_record::kNext, at + kExclusiveRecordSize);
            w_.Put16(at + exclusive_record::kSymbolKey, e.symbolKey);
            w_.PutTagged(at + exclusive_record::kJ1, JudgeAt(e.j1));
            w_.PutTagged(at + exclusive_record::kJ2, JudgeAt(e.j2));
            w_.PutTagged(at + exclusive_record::kItems, ListAt(itemsIndex_, itemLists_, e.items));
            w_.PutTagged(at + exclusive_record::kAlerts, ListAt(alertsIndex_, alertLists_, e.alerts));
            w_.PutTagged(at + exclusive_record::kTransact1, ListAt(transactsIndex_, transactLists_, e.transact1));
            w_.PutTagged(at + exclusive_record::kTransact2, ListAt(transactsIndex_, transactLists_, e.transact2));
            w_.PutTagged(at + exclusive_record::kJ3, JudgeAt(e.j3));
        }
    }

    // The first Exclusive record of a symbol key.
    BlockOffset ExclusiveOf(std::uint16_t symbolKey) const
    {
        const auto found = firstExclusiveOfKey_.find(symbolKey);
        return found == firstExclusiveOfKey_.end() ? 0 : exclusives_[found->second];
    }
    static std::unordered_map<std::uint16_t, std::size_t> IndexExclusives(const std::vector<ExclusiveRecord>& records)
    {
        std::unordered_map<std::uint16_t, std::size_t> index;
        for (std::size_t i = 0; i < records.size(); ++i) index.try_emplace(records[i].symbolKey, i);
        return index;
    }

    // ------------------------------------------------------------ UI part

    // Variant and Identity entries that follow an ordinary entry go to the
    // front, in reverse order of appearance; those already at the head stay.
    std::vector<const UiEntry*> ReorderedUiList() const
    {
        std::vector<const UiEntry*> moved, leading, ordinary;
        bool seenOrdinary = false;
        for (const auto& entry : state_.uiEntries) {
            if (!IsSharingEntry(*entry)) {
                seenOrdinary = true;
                ordinary.push_back(entry.get());
            } else if (seenOrdinary) {
                moved.push_back(entry.get());
            } else {
                leading.push_back(entry.get());
            }
        }
        std::vector<const UiEntry*> list(moved.rbegin(), moved.rend());
        list.insert(list.end(), leading.begin(), leading.end());
        list.insert(list.end(), ordinary.begin(), ordinary.end());
        return list;
    }

    BlockOffset WriteText(const std::optional<std::string>& text) { return text ? w_.AppendText(*text) : 0; }

    BlockOffset WritePageValues(const std::vector<PageValueRecord>& values)
    {
        BlockOffset next = 0;
        for (auto it = values.rbegin(); it != values.rend(); ++it) {
            const BlockOffset at = w_.Reserve(kPageValueSize);
            w_.Put32(at + page_value::kNext, next);
            w_.Put16(at + page_value::kResolutionKey, it->resolutionKey);
            w_.Put16(at + page_value::kOrientationKey, it->orientationKey);
            w_.Put16(at + page_value::kConditionKey, it->conditionKey);
            w_.Put16(at + page_value::kConditionValue, it->conditionValue);
            const std::int32_t geometry[] = {it->xOrigin, it->yOrigin,    it->width,
                                             it->length,  it->paperWidth, it->paperLength};
            for (int i = 0; i < 6; ++i)
                w_.Put32(at + page_value::kXOrigin + 4 * i, static_cast<std::uint32_t>(geometry[i]));
            next = at;
        }
        return next;
    }

    BlockOffset WriteTextArray(const std::vector<std::string>& texts, std::size_t count)
    {
        std::vector<BlockOffset> offsets;
        for (std::size_t i = 0; i < count; ++i) offsets.push_back(w_.AppendText(texts[i]));
        const BlockOffset array = w_.Reserve(static_cast<std::uint32_t>(4 * count));
        for (std::size_t i = 0; i < count; ++i) w_.Put32(array + static_cast<std::uint32_t>(4 * i), offsets[i]);
        return array;
    }

    // The options from last to first, each after what it owns.
    BlockOffset WriteOptionList(const UiOptionList& options, std::uint16_t type)
    {
        const std::uint32_t size = static_cast<std::uint32_t>(UiRecordSize(type));
        BlockOffset next = 0;
        for (auto it = options.rbegin(); it != options.rend(); ++it) {
            const UiOption& option = *it;
            const BlockOffset invocation = WriteText(option.invocation);
            BlockOffset a = 0, b = 0;
            std::int32_t count = 0;
            switch (UiKind(type)) {
            case kUiPickPage:
                a = WritePageValues(option.pageValues);
                break;
            case kUiPickSlot:
                count = static_cast<std::int32_t>(option.papers.size());
                if (count > 0) {
                    a = w_.Reserve(static_cast<std::uint32_t>(2 * count));
                    for (std::int32_t i = 0; i < count; ++i)
                        w_.Put16(a + 2u * static_cast<std::uint32_t>(i), option.papers[static_cast<std::size_t>(i)]);
                }
                break;
            case kUiFontTbl:
                count = static_cast<std::int32_t>(std::min(option.faceNames.size(), option.deviceFontNames.size()));
                if (count > 0) {
                    a = WriteTextArray(option.faceNames, static_cast<std::size_t>(count));
                    b = WriteTextArray(option.deviceFontNames, static_cast<std::size_t>(count));
                }
                break;
            default:
                break;
            }
            const BlockOffset at = w_.Reserve(size);
            w_.Put32(at + ui_option::kNext, next);
            w_.Put16(at + ui_option::kOptionId, option.optionId);
            w_.Put32(at + ui_option::kInvocation, invocation);
            switch (UiKind(type)) {
            case kUiPickPage:
                w_.Put32(at + ui_option::kWidth, static_cast<std::uint32_t>(option.width));
                w_.Put32(at + ui_option::kLength, static_cast<std::uint32_t>(option.length));
                w_.Put32(at + ui_option::kPageValues, a);
                break;
            case kUiPickSlot:
                w_.Put32(at + ui_option::kCount, static_cast<std::uint32_t>(count));
                w_.Put32(at + ui_option::kPapers, a);
                break;
            case kUiFontTbl:
                w_.Put32(at + ui_option::kCount, static_cast<std::uint32_t>(count));
                w_.Put32(at + ui_option::kFaces, a);
                w_.Put32(at + ui_option::kDevices, b);
                break;
            default:
                break;
            }
            next = at;
        }
        return next;
    }

    // What an ordinary entry owns, by its kind (flag bits ignored).
    BlockOffset WriteEntryValues(const UiEntry& entry)
    {
        switch (ValueClassOf(entry.type)) {
        case ValueClass::kBoolean: {
            if (!entry.boolean) return 0;
            const BlockOffset yes = WriteText(entry.boolean->trueInvocation);
            const BlockOffset no = WriteText(entry.boolean->falseInvocation);
            const BlockOffset at = w_.Reserve(kBooleanRecordSize);
            w_.Put32(at + boolean_record::kDefaultValue, static_cast<std::uint32_t>(entry.boolean->defaultValue));
            w_.Put32(at + boolean_record::kTrueInvocation, yes);
            w_.Put32(at + boolean_record::kFalseInvocation, no);
            return at;
        }
        case ValueClass::kNumeric: {
            if (!entry.numeric) return 0;
            const NumericRange& r = *entry.numeric;
            const BlockOffset at = w_.Reserve(kNumericRecordSize);
            w_.Put16(at + numeric_record::kLeadingValue, r.leadingValue);
            w_.Put16(at + numeric_record::kFirstValue, r.firstValue);
            for (int i = 0; i < 4; ++i)
                w_.Put16(at + numeric_record::kMoreValues + 2 * i, r.moreValues[static_cast<std::size_t>(i)]);
            w_.Put32(at + numeric_record::kDefaultValue, static_cast<std::uint32_t>(r.defaultValue));
            w_.Put32(at + numeric_record::kMinimum, static_cast<std::uint32_t>(r.minimum));
            w_.Put32(at + numeric_record::kMaximum, static_cast<std::uint32_t>(r.maximum));
            return at;
        }
        case ValueClass::kString: {
            if (!entry.text) return 0;
            const BlockOffset at = w_.Reserve(kStringRecordSize);
            w_.Put16(at + string_record::kDefaultOption, entry.text->defaultOption);
            w_.Put16(at + string_record::kMaxLength, entry.text->maxLength);
            w_.Put16(at + string_record::kCharacterSet, entry.text->characterSet);
            w_.Put16(at + string_record::kDisplayFlags, entry.text->displayFlags);
            return at;
        }
        default:
            return entry.options ? WriteOptionList(*entry.options, entry.type) : 0;
        }
    }

    // A pair that variant entries share with their first entry is written once.
    BlockOffset WriteCommandPair(const OptionCommandPair* pair)
    {
        if (!pair) return 0;
        if (auto found = pairs_.find(pair); found != pairs_.end()) return found->second;
        const BlockOffset before = WriteText(pair->before);
        const BlockOffset after = WriteText(pair->after);
        const BlockOffset at = w_.Reserve(kCommandPairSize);
        w_.Put32(at + command_pair::kBefore, before);
        w_.Put32(at + command_pair::kAfter, after);
        pairs_[pair] = at;
        return at;
    }

    struct SharedValues {
        BlockOffset offset = 0;
        ValueClass valueClass = ValueClass::kNone;
    };

    void LayoutUiPart()
    {
        const std::vector<const UiEntry*> list = ReorderedUiList();
        std::map<std::uint16_t, SharedValues> shared;
        for (const UiEntry* entry : list) {
            if (!IsSharingEntry(*entry)) break;
            shared.try_emplace(SharedKey(*entry));
        }
        slots_.fill(0);
        BlockOffset next = 0;
        for (auto it = list.rbegin(); it != list.rend(); ++it) {
            const UiEntry& entry = **it;
            BlockOffset values = 0;
            if (!IsSharingEntry(entry)) {
                values = WriteEntryValues(entry);
                if (auto found = shared.find(entry.symbolKey); found != shared.end())
                    found->second = {values, ValueClassOf(entry.type)};
            } else if (auto found = shared.find(SharedKey(entry));
                       found != shared.end() && found->second.valueClass == ValueClassOf(entry.type)) {
                // Only values of the kind the entry reads them as.
                values = found->second.offset;
            }
            const BlockOffset pair = WriteCommandPair(entry.commands);
            const BlockOffset at = w_.Reserve(kUiEntrySize);
            w_.Put32(at + ui_entry::kNext, next);
            w_.Put16(at + ui_entry::kSymbolKey, entry.symbolKey);
            w_.Put16(at + ui_entry::kVariant, entry.variant);
            w_.Put16(at + ui_entry::kItemId, entry.itemId);
            w_.Put16(at + ui_entry::kType, entry.type);
            w_.Put16(at + ui_entry::kDefaultIndex, static_cast<std::uint16_t>(entry.defaultIndex));
            w_.Put32(at + ui_entry::kCommands, pair);
            w_.Put32(at + ui_entry::kExclusive, ExclusiveOf(entry.symbolKey));
            w_.Put32(at + ui_entry::kOptions, values);
            const int slot = UiSlotIndex(entry.itemId);
            if (slot >= 0 && (!IsSharingEntry(entry) || slots_[static_cast<std::size_t>(slot)] == 0))
                slots_[static_cast<std::size_t>(slot)] = at;
            next = at;
        }
        firstUiEntry_ = next;
    }

    // ---------------------------------------------- command-and-font part

    BlockOffset WriteNodes(const std::vector<CommandNode>& nodes)
    {
        BlockOffset next = 0;
        for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
            const CommandNode& node = *it;
            const BlockOffset nested = (node.kind == kNodeCommand && node.block) ? WriteBlock(*node.block) : 0;
            const BlockOffset at = w_.Reserve(CommandNodeSize(node.kind));
            w_.Put32(at + command_node::kNext, next);
            w_.Put16(at + command_node::kKind, static_cast<std::uint16_t>(node.kind));
            switch (node.kind) {
            case kNodeGroupType:
                w_.Put16(at + command_node::kSymbolKey, node.symbolKey);
                w_.Put16(at + command_node::kFormat, static_cast<std::uint16_t>(node.format));
                break;
            case kNodeStringType:
                if (const CommandStringRecord* text = FindCommandString(state_, node.stringNumber)) {
                    w_.Put32(at + command_node::kLength, static_cast<std::uint32_t>(text->Length()));
                    w_.Put32(at + command_node::kBytes,
                             commandStrings_[static_cast<std::size_t>(text - state_.commandStrings.data())]);
                } else {
                    // No such string: the number stays, and nothing is emitted.
                    w_.Put32(at + command_node::kLength, static_cast<std::uint32_t>(node.stringNumber));
                }
                break;
            case kNodeCommand:
                w_.Put32(at + command_node::kBlock, nested);
                break;
            default:
                break;
            }
            next = at;
        }
        return next;
    }

    BlockOffset WriteBlock(const CommandBlock& block)
    {
        const BlockOffset thenList = WriteNodes(block.thenList);
        const BlockOffset elseList = WriteNodes(block.elseList);
        const BlockOffset at = w_.Reserve(kCommandBlockSize);
        w_.PutTagged(at + command_block::kJudge, JudgeByNumber(block.judge));
        w_.Put32(at + command_block::kThenList, thenList);
        w_.Put32(at + command_block::kElseList, elseList);
        return at;
    }

    void WriteFontList(const std::vector<FontIdEntry>& fonts, std::uint32_t countField, std::uint32_t arrayField)
    {
        headerFields_[countField] = static_cast<std::uint32_t>(fonts.size());
        if (fonts.empty()) return;
        std::vector<BlockOffset> entries;
        for (const FontIdEntry& font : fonts) {
            const BlockOffset name = w_.AppendText(font.name);
            const BlockOffset at = w_.Reserve(kFontIdEntrySize);
            w_.Put32(at + font_id_entry::kFontId, static_cast<std::uint32_t>(font.fontId));
            w_.Put32(at + font_id_entry::kName, name);
            entries.push_back(at);
        }
        const BlockOffset array = w_.Reserve(static_cast<std::uint32_t>(4 * entries.size()));
        for (std::size_t i = 0; i < entries.size(); ++i)
            w_.Put32(array + static_cast<std::uint32_t>(4 * i), entries[i]);
        headerFields_[arrayField] = array;
    }

    void LayoutCommandAndFontPart()
    {
        for (const CommandStringRecord& text : state_.commandStrings)
            commandStrings_.push_back(w_.AppendText(text.bytes));
        const CompileHeader& h = state_.header;
        if (h.uiResDllName) headerFields_[kHeaderUiResDllName] = w_.AppendWideText(*h.uiResDllName);
        if (h.excDepDllName) headerFields_[kHeaderExcDepDllName] = w_.AppendWideText(*h.excDepDllName);
        for (int group = 0; group < kCommandGroupCount; ++group) {
            if (const auto& block = h.groups[static_cast<std::size_t>(group)])
                headerFields_[kHeaderCommandGroups + 4u * static_cast<std::uint32_t>(group)] = WriteBlock(*block);
        }
        WriteFontList(h.deviceFonts, kHeaderDeviceFontCount, kHeaderDeviceFonts);
        WriteFontList(h.fontCartridges, kHeaderCartridgeCount, kHeaderCartridges);
    }

    // --------------------------------------------------------------- header

    void WriteHeader()
    {
        for (std::uint32_t i = 0; i < kFileVersionUnits; ++i)
            w_.Put16(kHeaderFileVersion + 2 * i, static_cast<std::uint16_t>(state_.header.fileVersion[i]));
        w_.Put32(kHeaderTotalSize, w_.Size());
        w_.Put32(kHeaderFirstUiEntry, firstUiEntry_);
        for (std::size_t i = 0; i < slots_.size(); ++i)
            w_.Put32(kHeaderSlots + static_cast<std::uint32_t>(4 * i), slots_[i]);
        for (const auto& [field, value] : headerFields_) w_.Put32(field, value);
        w_.Put32(kHeaderFirstExclusive, exclusives_.empty() ? 0 : exclusives_.front());
    }

    const CompileState& state_;
    const RecordIndex itemsIndex_ = IndexRecords(state_.items);
    const RecordIndex actionsIndex_ = IndexRecords(state_.actions);
    const RecordIndex transactsIndex_ = IndexRecords(state_.transacts);
    const RecordIndex alertActionsIndex_ = IndexRecords(state_.alertActions);
    const RecordIndex alertsIndex_ = IndexRecords(state_.alerts);
    const std::unordered_map<std::uint16_t, std::size_t> firstExclusiveOfKey_ = IndexExclusives(state_.exclusives);
    BlockWriter& w_;
    std::vector<BlockOffset> judges_, itemLists_, actionLists_, transactLists_, alertActionLists_, alertLists_;
    std::vector<BlockOffset> exclusives_, commandStrings_;
    std::map<const OptionCommandPair*, BlockOffset> pairs_;
    std::array<BlockOffset, kUiSlotCount> slots_{};
    BlockOffset firstUiEntry_ = 0;
    // Header fields of the command-and-font part, by header offset.
    std::map<std::uint32_t, std::uint32_t> headerFields_;
};

}  // namespace

void WriteCompiledModel(const CompileState& state, BlockWriter& writer)
{
    ModelLayout(state, writer).Run();
}

CompiledModel* LayoutCompiledModel(const CompileState& state)
{
    // One pass into a buffer that grows, then the block copied at its size.
    constexpr std::size_t kUsualBlockBytes = 64 * 1024;
    std::vector<std::uint8_t> bytes;
    try {
        bytes.reserve(kUsualBlockBytes);
        BlockWriter writer(&bytes);
        WriteCompiledModel(state, writer);
        if (writer.Failed() || writer.Size() != bytes.size()) return nullptr;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return MakeCompiledModel(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

}  // namespace vexl::model
