#include "common/model/compiled_model.h"

#include "common/core/items.h"
#include "common/core/le.h"
#include "common/core/memory.h"
#include "common/model/judges.h"
#include "common/model/ui_entries.h"

#include <bit>
#include <cstring>
#include <utility>
#include <vector>

namespace vexl::model {

std::uint32_t SlotOffset(std::uint16_t itemId)
{
    const int slot = UiSlotIndex(itemId);
    return slot < 0 ? 0 : 40u + 4u * static_cast<std::uint32_t>(slot);
}

std::uint32_t CommandNodeSize(std::int16_t kind)
{
    switch (kind) {
    case kNodeGroupType:
    case kNodeCommand:
        return 12;
    case kNodeStringType:
        return 16;
    default:
        return 8;
    }
}

// ------------------------------------------------------------------ readers

namespace {

bool Fits(const CompiledModel* model, std::uint32_t offset, std::uint32_t bytes)
{
    return model && model->block && offset != 0 && static_cast<std::uint64_t>(offset) + bytes <= model->totalSize;
}

// The bytes of a record, or null when it does not fit.
const std::uint8_t* At(const CompiledModel* model, std::uint32_t offset, std::uint32_t bytes)
{
    return Fits(model, offset, bytes) ? model->block + offset : nullptr;
}

std::int32_t ReadSigned32(const std::uint8_t* p)
{
    return static_cast<std::int32_t>(ReadLe32(p));
}
std::int16_t ReadSigned16(const std::uint8_t* p)
{
    return static_cast<std::int16_t>(ReadLe16(p));
}
BlockOffset ReadTagged(const std::uint8_t* p)
{
    return TaggedLinkOffset(ReadLe32(p));
}

}  // namespace

std::uint32_t ReadBlock32(const CompiledModel* model, std::uint32_t offset)
{
    const std::uint8_t* p = At(model, offset, 4);
    return p ? ReadLe32(p) : 0;
}

std::uint16_t ReadBlock16(const CompiledModel* model, std::uint32_t offset)
{
    const std::uint8_t* p = At(model, offset, 2);
    return p ? ReadLe16(p) : 0;
}

UiEntryRecord ReadUiEntry(const CompiledModel* model, BlockOffset offset)
{
    UiEntryRecord r{};
    if (const std::uint8_t* p = At(model, offset, kUiEntrySize)) {
        r.next = ReadLe32(p + ui_entry::kNext);
        r.symbolKey = ReadLe16(p + ui_entry::kSymbolKey);
        r.variant = ReadLe16(p + ui_entry::kVariant);
        r.itemId = ReadLe16(p + ui_entry::kItemId);
        r.type = ReadLe16(p + ui_entry::kType);
        r.defaultIndex = ReadSigned16(p + ui_entry::kDefaultIndex);
        r.commands = ReadLe32(p + ui_entry::kCommands);
        r.exclusive = ReadLe32(p + ui_entry::kExclusive);
        r.options = ReadLe32(p + ui_entry::kOptions);
    }
    return r;
}

UiOptionRecord ReadUiOption(const CompiledModel* model, BlockOffset offset, std::uint16_t entryType)
{
    UiOptionRecord r{};
    const std::uint32_t size = static_cast<std::uint32_t>(UiRecordSize(entryType));
    const std::uint8_t* p = At(model, offset, size);
    if (!p) return r;
    r.next = ReadLe32(p + ui_option::kNext);
    r.optionId = ReadLe16(p + ui_option::kOptionId);
    r.invocation = ReadLe32(p + ui_option::kInvocation);
    switch (UiKind(entryType)) {
    case kUiPickPage:
        r.width = ReadSigned32(p + ui_option::kWidth);
        r.length = ReadSigned32(p + ui_option::kLength);
        r.pageValues = ReadLe32(p + ui_option::kPageValues);
        break;
    case kUiPickSlot:
        r.count = ReadSigned32(p + ui_option::kCount);
        r.papers = ReadLe32(p + ui_option::kPapers);
        break;
    case kUiFontTbl:
        r.count = ReadSigned32(p + ui_option::kCount);
        r.faces = ReadLe32(p + ui_option::kFaces);
        r.devices = ReadLe32(p + ui_option::kDevices);
        break;
    default:
        break;
    }
    return r;
}

BooleanRecord ReadBooleanRecord(const CompiledModel* model, BlockOffset offset)
{
    BooleanRecord r{};
    if (const std::uint8_t* p = At(model, offset, kBooleanRecordSize)) {
        r.defaultValue = ReadSigned32(p + boolean_record::kDefaultValue);
        r.trueInvocation = ReadLe32(p + boolean_record::kTrueInvocation);
        r.falseInvocation = ReadLe32(p + boolean_record::kFalseInvocation);
    }
    return r;
}

NumericRecord ReadNumericRecord(const CompiledModel* model, BlockOffset offset)
{
    NumericRecord r{};
    if (const std::uint8_t* p = At(model, offset, kNumericRecordSize)) {
        r.leadingValue = ReadLe16(p + numeric_record::kLeadingValue);
        r.firstValue = ReadLe16(p + numeric_record::kFirstValue);
        for (int i = 0; i < 4; ++i) r.moreValues[i] = ReadLe16(p + numeric_record::kMoreValues + 2 * i);
        r.defaultValue = ReadSigned32(p + numeric_record::kDefaultValue);
        r.minimum = ReadSigned32(p + numeric_record::kMinimum);
        r.maximum = ReadSigned32(p + numeric_record::kMaximum);
    }
    return r;
}

StringRecord ReadStringRecord(const CompiledModel* model, BlockOffset offset)
{
    StringRecord r{};
    if (const std::uint8_t* p = At(model, offset, kStringRecordSize)) {
        r.defaultOption = ReadLe16(p + string_record::kDefaultOption);
        r.maxLength = ReadLe16(p + string_record::kMaxLength);
        r.characterSet = ReadLe16(p + string_record::kCharacterSet);
        r.displayFlags = ReadLe16(p + string_record::kDisplayFlags);
    }
    return r;
}

PageValueBlockRecord ReadPageValue(const CompiledModel* model, BlockOffset offset)
{
    PageValueBlockRecord r{};
    if (const std::uint8_t* p = At(model, offset, kPageValueSize)) {
        r.next = ReadLe32(p + page_value::kNext);
        r.resolutionKey = ReadLe16(p + page_value::kResolutionKey);
        r.orientationKey = ReadLe16(p + page_value::kOrientationKey);
        r.conditionKey = ReadLe16(p + page_value::kConditionKey);
        r.conditionValue = ReadLe16(p + page_value::kConditionValue);
        r.xOrigin = ReadSigned32(p + page_value::kXOrigin);
        r.yOrigin = ReadSigned32(p + page_value::kYOrigin);
        r.width = ReadSigned32(p + page_value::kWidth);
        r.length = ReadSigned32(p + page_value::kLength);
        r.paperWidth = ReadSigned32(p + page_value::kPaperWidth);
        r.paperLength = ReadSigned32(p + page_value::kPaperLength);
    }
    return r;
}

CommandPairRecord ReadCommandPair(const CompiledModel* model, BlockOffset offset)
{
    CommandPairRecord r{};
    if (const std::uint8_t* p = At(model, offset, kCommandPairSize)) {
        r.before = ReadLe32(p + command_pair::kBefore);
        r.after = ReadLe32(p + command_pair::kAfter);
    }
    return r;
}

ExclusiveBlockRecord ReadExclusiveRecord(const CompiledModel* model, BlockOffset offset)
{
    ExclusiveBlockRecord r{};
    if (const std::uint8_t* p = At(model, offset, kExclusiveRecordSize)) {
        r.next = ReadLe32(p + exclusive_record::kNext);
        r.symbolKey = ReadLe16(p + exclusive_record::kSymbolKey);
        r.j1 = ReadTagged(p + exclusive_record::kJ1);
        r.j2 = ReadTagged(p + exclusive_record::kJ2);
        r.items = ReadTagged(p + exclusive_record::kItems);
        r.alerts = ReadTagged(p + exclusive_record::kAlerts);
        r.transact1 = ReadTagged(p + exclusive_record::kTransact1);
        r.transact2 = ReadTagged(p + exclusive_record::kTransact2);
        r.j3 = ReadTagged(p + exclusive_record::kJ3);
    }
    return r;
}

OptionRuleRecord ReadOptionRule(const CompiledModel* model, BlockOffset offset)
{
    OptionRuleRecord r{};
    if (const std::uint8_t* p = At(model, offset, kOptionRuleSize)) {
        r.next = ReadTagged(p + option_rule::kNext);
        r.optionId = ReadLe16(p + option_rule::kOptionId);
        r.j1 = ReadTagged(p + option_rule::kJ1);
        r.j2 = ReadTagged(p + option_rule::kJ2);
        r.j3 = ReadTagged(p + option_rule::kJ3);
    }
    return r;
}

ActionRecordView ReadActionEntry(const CompiledModel* model, BlockOffset offset)
{
    ActionRecordView r{};
    if (const std::uint8_t* p = At(model, offset, kActionEntrySize)) {
        r.next = ReadTagged(p + action_entry::kNext);
        r.target = ReadLe16(p + action_entry::kTarget);
        r.kind = ReadLe16(p + action_entry::kKind);
        r.value = ReadLe32(p + action_entry::kValue);
    }
    return r;
}

TransactRecordView ReadTransactEntry(const CompiledModel* model, BlockOffset offset)
{
    TransactRecordView r{};
    if (const std::uint8_t* p = At(model, offset, kTransactEntrySize)) {
        r.next = ReadTagged(p + transact_entry::kNext);
        r.judge = ReadTagged(p + transact_entry::kJudge);
        r.actions = ReadTagged(p + transact_entry::kActions);
    }
    return r;
}

AlertActionRecordView ReadAlertActionEntry(const CompiledModel* model, BlockOffset offset)
{
    AlertActionRecordView r{};
    if (const std::uint8_t* p = At(model, offset, kAlertActionEntrySize)) {
        r.next = ReadTagged(p + alert_action_entry::kNext);
        r.symbolKey = ReadLe16(p + alert_action_entry::kSymbolKey);
        r.transacts = ReadTagged(p + alert_action_entry::kTransacts);
        r.pageId = ReadLe16(p + alert_action_entry::kPageId);
        r.controlId = ReadLe16(p + alert_action_entry::kControlId);
    }
    return r;
}

AlertRecordView ReadAlertEntry(const CompiledModel* model, BlockOffset offset)
{
    AlertRecordView r{};
    if (const std::uint8_t* p = At(model, offset, kAlertEntrySize)) {
        r.next = ReadTagged(p + alert_entry::kNext);
        r.judge = ReadTagged(p + alert_entry::kJudge);
        r.messageKey = ReadLe16(p + alert_entry::kMessageKey);
        r.icon = ReadLe16(p + alert_entry::kIcon);
        r.buttons = ReadLe16(p + alert_entry::kButtons);
        r.timing = ReadLe16(p + alert_entry::kTiming);
        r.alertActions = ReadTagged(p + alert_entry::kAlertActions);
    }
    return r;
}

CommandBlockRecord ReadCommandBlock(const CompiledModel* model, BlockOffset offset)
{
    CommandBlockRecord r{};
    if (const std::uint8_t* p = At(model, offset, kCommandBlockSize)) {
        r.judge = ReadTagged(p + command_block::kJudge);
        r.thenList = ReadLe32(p + command_block::kThenList);
        r.elseList = ReadLe32(p + command_block::kElseList);
    }
    return r;
}

CommandNodeRecord ReadCommandNode(const CompiledModel* model, BlockOffset offset)
{
    CommandNodeRecord r{};
    const std::uint8_t* p = At(model, offset, 8);
    if (!p) return r;
    r.next = ReadLe32(p + command_node::kNext);
    r.kind = ReadSigned16(p + command_node::kKind);
    if (!At(model, offset, CommandNodeSize(r.kind))) return CommandNodeRecord{};
    switch (r.kind) {
    case kNodeGroupType:
        r.symbolKey = ReadLe16(p + command_node::kSymbolKey);
        r.format = ReadSigned16(p + command_node::kFormat);
        break;
    case kNodeStringType:
        r.length = ReadSigned32(p + command_node::kLength);
        r.bytes = ReadLe32(p + command_node::kBytes);
        break;
    case kNodeCommand:
        r.block = ReadLe32(p + command_node::kBlock);
        break;
    default:
        break;
    }
    return r;
}

FontIdRecord ReadFontIdEntry(const CompiledModel* model, BlockOffset offset)
{
    FontIdRecord r{};
    if (const std::uint8_t* p = At(model, offset, kFontIdEntrySize)) {
        r.fontId = ReadSigned32(p + font_id_entry::kFontId);
        r.name = ReadLe32(p + font_id_entry::kName);
    }
    return r;
}

JudgeOpRecord ReadJudgeOp(const CompiledModel* model, BlockOffset offset)
{
    JudgeOpRecord r{};
    if (const std::uint8_t* p = At(model, offset, kJudgeOpSize)) {
        r.kind = ReadLe16(p + judge_op::kKind);
        r.operand = ReadLe16(p + judge_op::kOperand);
    }
    return r;
}

std::string_view ReadBlockText(const CompiledModel* model, BlockOffset offset)
{
    if (!Fits(model, offset, 1)) return {};
    const char* text = reinterpret_cast<const char*>(model->block + offset);
    const std::size_t room = model->totalSize - offset;
    const void* end = std::memchr(text, 0, room);
    return std::string_view(text, end ? static_cast<const char*>(end) - text : room);
}

std::u16string ReadBlockWideText(const CompiledModel* model, BlockOffset offset)
{
    std::u16string text;
    if (!Fits(model, offset, 2)) return text;
    for (std::uint32_t at = offset; static_cast<std::uint64_t>(at) + 2 <= model->totalSize; at += 2) {
        const char16_t unit = ReadLe16(model->block + at);
        if (unit == 0) break;
        text.push_back(unit);
    }
    return text;
}

std::uint16_t ReadArray16(const CompiledModel* model, BlockOffset array, std::int32_t index)
{
    if (index < 0) return 0;
    return ReadBlock16(model, array == 0 ? 0 : array + 2u * static_cast<std::uint32_t>(index));
}

BlockOffset ReadOffsetArray(const CompiledModel* model, BlockOffset array, std::int32_t index)
{
    if (index < 0) return 0;
    return ReadBlock32(model, array == 0 ? 0 : array + 4u * static_cast<std::uint32_t>(index));
}

// ------------------------------------------------------------------ header

std::u16string GetModelFileVersion(const CompiledModel* model)
{
    std::u16string version;
    if (!model || model->totalSize < kHeaderSize) return version;
    for (std::uint32_t i = 0; i < kFileVersionUnits; ++i) {
        const char16_t unit = ReadLe16(model->block + kHeaderFileVersion + 2 * i);
        if (unit == 0) break;
        version.push_back(unit);
    }
    return version;
}

BlockOffset GetFirstUiEntry(const CompiledModel* model)
{
    return ReadBlock32(model, kHeaderFirstUiEntry);
}

BlockOffset GetSlotEntry(const CompiledModel* model, std::uint16_t itemId)
{
    const std::uint32_t slot = SlotOffset(itemId);
    return slot ? ReadBlock32(model, slot) : 0;
}

BlockOffset GetFirstExclusive(const CompiledModel* model)
{
    return ReadBlock32(model, kHeaderFirstExclusive);
}

BlockOffset GetCommandGroup(const CompiledModel* model, CommandGroup group)
{
    if (group < 0 || group >= kCommandGroupCount) return 0;
    return ReadBlock32(model, kHeaderCommandGroups + 4u * static_cast<std::uint32_t>(group));
}

std::int32_t GetDeviceFontCount(const CompiledModel* model)
{
    return static_cast<std::int32_t>(ReadBlock32(model, kHeaderDeviceFontCount));
}

BlockOffset GetDeviceFontEntry(const CompiledModel* model, std::int32_t index)
{
    if (index >= GetDeviceFontCount(model)) return 0;
    return ReadOffsetArray(model, ReadBlock32(model, kHeaderDeviceFonts), index);
}

std::int32_t GetFontCartridgeCount(const CompiledModel* model)
{
    return static_cast<std::int32_t>(ReadBlock32(model, kHeaderCartridgeCount));
}

BlockOffset GetFontCartridgeEntry(const CompiledModel* model, std::int32_t index)
{
    if (index >= GetFontCartridgeCount(model)) return 0;
    return ReadOffsetArray(model, ReadBlock32(model, kHeaderCartridges), index);
}

// ------------------------------------------------------------- ownership

CompiledModel* MakeCompiledModel(const std::uint8_t* bytes, std::uint32_t size)
{
    auto* model = static_cast<CompiledModel*>(AllocZeroed(sizeof(CompiledModel)));
    if (!model) return nullptr;
    model->block = static_cast<std::uint8_t*>(AllocZeroed(size));
    if (!model->block) {
        FreeIfNotNull(model);
        return nullptr;
    }
    model->totalSize = size;
    if (bytes) std::memcpy(model->block, bytes, size);
    return model;
}

void FreeCompiledModel(CompiledModel* model)
{
    if (!model) return;
    FreeIfNotNull(model->block);
    FreeIfNotNull(model);
}

// ------------------------------------------------------------- validation

namespace {

// Marks that the flat marks of the validator cannot hold: a key (a kind in
// the high half, the record's offset in the low half) with a value, in one
// flat table with open addressing, allocated when the first key comes. Key 0
// marks a free slot; no kind is 0.
class RecordMarks {
public:
    // The value of the key; a missing key is added with the value 0 and
    // `added` set.
    std::uint32_t& Find(std::uint64_t key, bool& added)
    {
        if (2 * (used_ + 1) > slots_.size()) Grow();
        Slot& slot = Place(slots_, key);
        added = slot.key == 0;
        if (added) {
            slot.key = key;
            ++used_;
        }
        return slot.value;
    }

private:
    static constexpr std::size_t kFirstCapacity = 16;

    struct Slot {
        std::uint64_t key = 0;
        std::uint32_t value = 0;
    };

    // Fibonacci hashing: the top bits of the product depend on every bit of
    // the key, the kind in its high half included.
    static Slot& Place(std::vector<Slot>& slots, std::uint64_t key)
    {
        const std::size_t mask = slots.size() - 1;
        const int shift = 64 - std::countr_zero(slots.size());
        for (std::size_t at = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> shift);;
             at = (at + 1) & mask) {
            if (slots[at].key == key || slots[at].key == 0) return slots[at];
        }
    }

    void Grow()
    {
        std::vector<Slot> larger(slots_.empty() ? kFirstCapacity : slots_.size() * 2);
        for (const Slot& slot : slots_) {
            if (slot.key != 0) Place(larger, slot.key) = slot;
        }
        slots_ = std::move(larger);
    }

    std::vector<Slot> slots_;
    std::size_t used_ = 0;
};

// What a validation knows of one offset of the body: the kind of list whose
// walk first met a record there, and which of the shared records starting
// there are checked. Records are packed at any byte offset, so there is one
// mark per byte of the body. A mark is 16 bits wide, not 8: writes through
// a byte type may alias any object, which makes the compiler reload the
// block and the vectors after each one (and an enumeration of one byte is
// zeroed a byte at a time).
using OffsetMark = std::uint16_t;
namespace offset_mark {
inline constexpr OffsetMark kListKind = 0x0F;  // 0: no walk met a record here
inline constexpr OffsetMark kUiEntry = 0x10;
inline constexpr OffsetMark kExclusive = 0x20;
inline constexpr OffsetMark kJudge = 0x40;
}  // namespace offset_mark

// Walks everything a reader can reach from the header, in time linear in
// the size of the block. Every record of a linked list is checked once for
// each kind of list it is walked as: a walk that meets a record an earlier
// walk checked ends there (its rest is checked), and one that meets a record
// of its own walk again has found a loop and fails. Shared records (judges,
// UI entries, Exclusive records) are checked once; a text is terminated when
// a zero byte follows it.
//
// Each body offset has a mark. A record met by a list of a second kind
// (entries of two kinds may share one option list) keeps its mark for that
// kind in a table beside them.
class BlockValidator {
public:
    explicit BlockValidator(const CompiledModel* model) : model_(model) {}

    bool Run()
    {
        if (!model_ || !model_->block || model_->totalSize <= kHeaderSize) return false;
        for (std::uint32_t at = model_->totalSize; at-- > kHeaderSize;) {
            if (model_->block[at] == 0) {
                lastZero_ = at;
                break;
            }
        }
        if (ReadLe32(model_->block + kHeaderTotalSize) != model_->totalSize) return false;
        if (!FileVersionEnds()) return false;

        marks_.resize(model_->totalSize - kHeaderSize);
        judgeCode_.reserve(kJudgeCodeRoom);

        if (!UiList(Header(kHeaderFirstUiEntry))) return false;
        // Most slots are empty: a run of them is passed over with one test.
        for (std::uint32_t run = kHeaderSlots; run < kHeaderUiResDllName; run += kSlotRunBytes) {
            if (Zero(run, kSlotRunBytes)) continue;
            for (std::uint32_t slot = run; slot < run + kSlotRunBytes; slot += 4) {
                const BlockOffset entry = Header(slot);
                if (entry != 0 && !UiEntryChecked(entry) && !UiEntry(entry)) return false;
            }
        }
        if (!WideText(Header(kHeaderUiResDllName)) || !WideText(Header(kHeaderExcDepDllName))) return false;
        for (int group = 0; group < kCommandGroupCount; ++group) {
            const BlockOffset block = Header(kHeaderCommandGroups + 4u * static_cast<std::uint32_t>(group));
            if (block && !CommandBlock(block, 0)) return false;
        }
        if (!FontList(kHeaderDeviceFontCount, kHeaderDeviceFonts)) return false;
        if (!FontList(kHeaderCartridgeCount, kHeaderCartridges)) return false;
        return ExclusiveTable(Header(kHeaderFirstExclusive));
    }

private:
    static constexpr int kMaxBlockDepth = 256;
    static constexpr std::size_t kJudgeCodeRoom = 64;  // longer judge code grows the buffer
    static constexpr std::uint32_t kSlotRunBytes = 32;  // eight slots
    static_assert((kHeaderUiResDllName - kHeaderSlots) % kSlotRunBytes == 0);

    // The kinds of linked list, each with its own record layout. Option
    // lists are told apart by the layout of their records: the kinds of
    // entry without extra option fields share one.
    enum ListKind : std::uint8_t {
        kListUiEntries = 1,
        kListPageValues,
        kListExclusives,
        kListRules,
        kListActions,
        kListTransacts,
        kListAlertActions,
        kListAlerts,
        kListOptions,
        kListPageOptions,
        kListSlotOptions,
        kListFontOptions,
        kListKindEnd
    };
    static_assert(kListKindEnd - 1 <= offset_mark::kListKind, "a list kind fits its mark");
    // The kind of the shared text arrays in the table of other marks (the
    // value: the longest count checked); above every list kind.
    static constexpr std::uint64_t kSharedTextArray = 0x100;

    std::uint32_t Header(std::uint32_t offset) const { return ReadLe32(model_->block + offset); }
    const std::uint8_t* Bytes(std::uint32_t offset) const { return model_->block + offset; }

    // True when the bytes of the header from offset on are all zero; bytes
    // is a multiple of 8.
    bool Zero(std::uint32_t offset, std::uint32_t bytes) const
    {
        std::uint64_t any = 0;
        for (std::uint32_t at = offset; at < offset + bytes; at += 8) {
            std::uint64_t word;
            std::memcpy(&word, Bytes(at), sizeof word);
            any |= word;
        }
        return any == 0;
    }

    // The file version ends with a zero unit inside its field.
    bool FileVersionEnds() const
    {
        for (std::uint32_t i = 0; i < kFileVersionUnits; ++i) {
            if (ReadLe16(Bytes(kHeaderFileVersion + 2 * i)) == 0) return true;
        }
        return false;
    }

    // A record of the body: after the header and inside the block.
    bool Record(BlockOffset offset, std::uint64_t bytes) const
    {
        return offset >= kHeaderSize && offset + bytes <= model_->totalSize;
    }
    // The number of records of the size that fit the block: the most a list can hold.
    std::uint32_t Cap(std::uint32_t recordSize) const { return model_->totalSize / recordSize + 1; }

    // The mark of an offset of the body (Record(offset, 1) holds).
    OffsetMark& MarkAt(BlockOffset offset) { return marks_[offset - kHeaderSize]; }

    // Marks a shared record of the body; true when it was not marked before.
    bool MarkFirst(OffsetMark shared, BlockOffset offset)
    {
        OffsetMark& mark = MarkAt(offset);
        if (mark & shared) return false;
        mark |= shared;
        return true;
    }

    bool Text(BlockOffset offset) const
    {
        if (offset == 0) return true;
        return Record(offset, 1) && offset <= lastZero_;
    }

    // Walks the list of a kind from first: check(at, &next) checks a record
    // and gives the next link.
    template <typename CheckRecord> bool Walk(ListKind kind, BlockOffset first, CheckRecord check)
    {
        const std::uint32_t walk = ++walks_;
        std::uint32_t steps = 0;
        for (BlockOffset at = first; at != 0; ++steps) {
            if (!Record(at, 1)) return false;  // every check refuses a record outside the body
            OffsetMark& mark = MarkAt(at);
            const OffsetMark markedKind = mark & offset_mark::kListKind;
            if (markedKind == 0) {
                mark |= kind;
            } else if (markedKind == kind) {
                // Checked by an earlier walk, unless this walk met it: a loop.
                return !Visits(kind, first, steps, at);
            } else {
                bool fresh = false;
                std::uint32_t& walkOfRecord = others_.Find((std::uint64_t{kind} << 32) | at, fresh);
                if (!fresh) return walkOfRecord != walk;
                walkOfRecord = walk;
            }
            BlockOffset next = 0;
            if (!check(at, &next)) return false;
            at = next;
        }
        return true;
    }

    // True when the first records of a list, each checked already, include
    // the record. A walk asks this only when it meets a record of its kind
    // that is marked, once at most, so walks stay linear.
    bool Visits(ListKind kind, BlockOffset first, std::uint32_t records, BlockOffset record) const
    {
        for (BlockOffset at = first; records-- > 0; at = NextRecord(kind, at)) {
            if (at == record) return true;
        }
        return false;
    }

    // The next link of a checked list record: plain, or tagged in the
    // entry lists of the constraint part.
    BlockOffset NextRecord(ListKind kind, BlockOffset at) const
    {
        static_assert(ui_entry::kNext == 0 && ui_option::kNext == 0 && page_value::kNext == 0 &&
                      exclusive_record::kNext == 0 && option_rule::kNext == 0 && action_entry::kNext == 0 &&
                      transact_entry::kNext == 0 && alert_action_entry::kNext == 0 && alert_entry::kNext == 0);
        const std::uint32_t link = ReadLe32(Bytes(at));
        switch (kind) {
        case kListRules:
        case kListActions:
        case kListTransacts:
        case kListAlertActions:
        case kListAlerts:
            return TaggedLinkOffset(link);
        default:
            return link;
        }
    }

    bool WideText(BlockOffset offset) const
    {
        if (offset == 0) return true;
        for (std::uint64_t at = offset; Record(offset, at - offset + 2); at += 2) {
            if (ReadLe16(Bytes(static_cast<std::uint32_t>(at))) == 0) return true;
        }
        return false;
    }

    // A tagged reference: 0 or a link whose tag is set.
    static bool Tagged(std::uint32_t raw, BlockOffset* offset)
    {
        if (!IsTaggedLink(raw)) return false;
        *offset = TaggedLinkOffset(raw);
        return true;
    }

    // A UI entry that is checked already: the cheap test before the full
    // check for the header's slots, whose entries are mostly the UI list's.
    bool UiEntryChecked(BlockOffset entry) const
    {
        return Record(entry, kUiEntrySize) && (marks_[entry - kHeaderSize] & offset_mark::kUiEntry) != 0;
    }

    bool UiList(BlockOffset first)
    {
        return Walk(kListUiEntries, first, [this](BlockOffset at, BlockOffset* next) {
            if (!UiEntry(at)) return false;
            *next = ReadLe32(Bytes(at) + ui_entry::kNext);
            return true;
        });
    }

    bool UiEntry(BlockOffset offset)
    {
        if (!Record(offset, kUiEntrySize)) return false;
        if (!MarkFirst(offset_mark::kUiEntry, offset)) return true;
        const std::uint8_t* p = Bytes(offset);
        if (const BlockOffset commands = ReadLe32(p + ui_entry::kCommands)) {
            if (!Record(commands, kCommandPairSize)) return false;
            const std::uint8_t* pair = Bytes(commands);
            if (!Text(ReadLe32(pair + command_pair::kBefore)) || !Text(ReadLe32(pair + command_pair::kAfter)))
                return false;
        }
        if (const BlockOffset exclusive = ReadLe32(p + ui_entry::kExclusive)) {
            if (!ExclusiveRecord(exclusive)) return false;
        }
        const BlockOffset options = ReadLe32(p + ui_entry::kOptions);
        if (options == 0) return true;
        switch (UiKind(ReadLe16(p + ui_entry::kType))) {
        case kUiBoolean: {
            if (!Record(options, kBooleanRecordSize)) return false;
            const std::uint8_t* r = Bytes(options);
            return Text(ReadLe32(r + boolean_record::kTrueInvocation)) &&
                   Text(ReadLe32(r + boolean_record::kFalseInvocation));
        }
        case kUiNumeric:
            return Record(options, kNumericRecordSize);
        case kUiString:
            return Record(options, kStringRecordSize);
        case kUiPickPage:
            return OptionList(kListPageOptions, options, kUiOptionPageSize);
        case kUiPickSlot:
            return OptionList(kListSlotOptions, options, kUiOptionSlotSize);
        case kUiFontTbl:
            return OptionList(kListFontOptions, options, kUiOptionPageSize);
        default:
            return OptionList(kListOptions, options, kUiOptionSize);
        }
    }

    bool OptionList(ListKind kind, BlockOffset first, std::uint32_t size)
    {
        return Walk(kind, first, [this, kind, size](BlockOffset at, BlockOffset* next) {
            if (!Record(at, size)) return false;
            const std::uint8_t* p = Bytes(at);
            if (!Text(ReadLe32(p + ui_option::kInvocation))) return false;
            switch (kind) {
            case kListPageOptions:
                if (!PageValues(ReadLe32(p + ui_option::kPageValues))) return false;
                break;
            case kListSlotOptions: {
                const std::int32_t count = static_cast<std::int32_t>(ReadLe32(p + ui_option::kCount));
                if (count < 0 || (count > 0 && !Record(ReadLe32(p + ui_option::kPapers), 2ull * count))) return false;
                break;
            }
            case kListFontOptions: {
                const std::int32_t count = static_cast<std::int32_t>(ReadLe32(p + ui_option::kCount));
                if (count < 0) return false;
                if (count > 0 && !(TextArray(ReadLe32(p + ui_option::kFaces), count) &&
                                   TextArray(ReadLe32(p + ui_option::kDevices), count)))
                    return false;
                break;
            }
            default:
                break;
            }
            *next = ReadLe32(p + ui_option::kNext);
            return true;
        });
    }

    bool PageValues(BlockOffset first)
    {
        return Walk(kListPageValues, first, [this](BlockOffset at, BlockOffset* next) {
            if (!Record(at, kPageValueSize)) return false;
            *next = ReadLe32(Bytes(at) + page_value::kNext);
            return true;
        });
    }

    // An array of text offsets; an array shared by several records is
    // checked once for its longest count.
    bool TextArray(BlockOffset array, std::int32_t count)
    {
        if (!Record(array, 4ull * count)) return false;
        bool added = false;
        std::uint32_t& checked = others_.Find((kSharedTextArray << 32) | array, added);
        if (static_cast<std::uint32_t>(count) <= checked) return true;
        checked = static_cast<std::uint32_t>(count);
        for (std::int32_t i = 0; i < count; ++i) {
            if (!Text(ReadLe32(Bytes(array + 4u * static_cast<std::uint32_t>(i))))) return false;
        }
        return true;
    }

    bool ExclusiveTable(BlockOffset first)
    {
        return Walk(kListExclusives, first, [this](BlockOffset at, BlockOffset* next) {
            if (!ExclusiveRecord(at)) return false;
            *next = ReadLe32(Bytes(at) + exclusive_record::kNext);
            return true;
        });
    }

    bool ExclusiveRecord(BlockOffset offset)
    {
        if (!Record(offset, kExclusiveRecordSize)) return false;
        if (!MarkFirst(offset_mark::kExclusive, offset)) return true;
        const std::uint8_t* p = Bytes(offset);
        BlockOffset j1, j2, items, alerts, t1, t2, j3;
        return Tagged(ReadLe32(p + exclusive_record::kJ1), &j1) && Tagged(ReadLe32(p + exclusive_record::kJ2), &j2) &&
               Tagged(ReadLe32(p + exclusive_record::kItems), &items) &&
               Tagged(ReadLe32(p + exclusive_record::kAlerts), &alerts) &&
               Tagged(ReadLe32(p + exclusive_record::kTransact1), &t1) &&
               Tagged(ReadLe32(p + exclusive_record::kTransact2), &t2) &&
               Tagged(ReadLe32(p + exclusive_record::kJ3), &j3) && Judge(j1) && Judge(j2) && Judge(j3) &&
               RuleList(items) && AlertList(alerts) && TransactList(t1) && TransactList(t2);
    }

    // Judge code: operations up to the end operation, inside the block, that
    // pass the compiler's own check of judge code.
    bool Judge(BlockOffset offset)
    {
        if (offset == 0) return true;
        if (!Record(offset, kJudgeOpSize)) return false;
        // A judge that fails fails the whole block, so it is marked first.
        if (!MarkFirst(offset_mark::kJudge, offset)) return true;
        std::vector<JudgeOp>& code = judgeCode_;
        code.clear();
        for (std::uint64_t at = offset;; at += kJudgeOpSize) {
            if (!Record(offset, at - offset + kJudgeOpSize)) return false;
            const std::uint8_t* p = Bytes(static_cast<std::uint32_t>(at));
            const JudgeOp op{ReadLe16(p + judge_op::kKind), ReadLe16(p + judge_op::kOperand)};
            code.push_back(op);
            if (op.kind == kJudgeOperator && op.operand == kJudgeEndCode) break;
        }
        return ValidateJudgeCode(code);
    }

    // The entry lists of the constraint part: entries of a size, linked by
    // tagged next links at offset 0, each checked by the given function.
    template <typename CheckEntry>
    bool EntryList(ListKind kind, BlockOffset first, std::uint32_t size, CheckEntry check)
    {
        return Walk(kind, first, [this, size, &check](BlockOffset at, BlockOffset* next) {
            return Record(at, size) && check(Bytes(at)) && Tagged(ReadLe32(Bytes(at)), next);
        });
    }

    bool RuleList(BlockOffset first)
    {
        return EntryList(kListRules, first, kOptionRuleSize, [this](const std::uint8_t* p) {
            BlockOffset j1, j2, j3;
            return Tagged(ReadLe32(p + option_rule::kJ1), &j1) && Tagged(ReadLe32(p + option_rule::kJ2), &j2) &&
                   Tagged(ReadLe32(p + option_rule::kJ3), &j3) && Judge(j1) && Judge(j2) && Judge(j3);
        });
    }

    // No action may write the count or address of a heap-owned list: the
    // count would leave its block.
    bool ActionList(BlockOffset first)
    {
        return EntryList(kListActions, first, kActionEntrySize, [](const std::uint8_t* p) {
            return ReadLe16(p + action_entry::kKind) != kActionSetting ||
                   !IsHeapListItem(ReadLe16(p + action_entry::kTarget));
        });
    }

    bool TransactList(BlockOffset first)
    {
        return EntryList(kListTransacts, first, kTransactEntrySize, [this](const std::uint8_t* p) {
            BlockOffset judge, actions;
            return Tagged(ReadLe32(p + transact_entry::kJudge), &judge) &&
                   Tagged(ReadLe32(p + transact_entry::kActions), &actions) && Judge(judge) && ActionList(actions);
        });
    }

    bool AlertActionList(BlockOffset first)
    {
        return EntryList(kListAlertActions, first, kAlertActionEntrySize, [this](const std::uint8_t* p) {
            BlockOffset transacts;
            return Tagged(ReadLe32(p + alert_action_entry::kTransacts), &transacts) && TransactList(transacts);
        });
    }

    bool AlertList(BlockOffset first)
    {
        return EntryList(kListAlerts, first, kAlertEntrySize, [this](const std::uint8_t* p) {
            BlockOffset judge, list;
            return Tagged(ReadLe32(p + alert_entry::kJudge), &judge) &&
                   Tagged(ReadLe32(p + alert_entry::kAlertActions), &list) && Judge(judge) && AlertActionList(list);
        });
    }

    bool CommandBlock(BlockOffset offset, int depth)
    {
        if (depth > kMaxBlockDepth || !Record(offset, kCommandBlockSize)) return false;
        const std::uint8_t* p = Bytes(offset);
        BlockOffset judge;
        return Tagged(ReadLe32(p + command_block::kJudge), &judge) && Judge(judge) &&
               CommandNodes(ReadLe32(p + command_block::kThenList), depth) &&
               CommandNodes(ReadLe32(p + command_block::kElseList), depth);
    }

    bool CommandNodes(BlockOffset first, int depth)
    {
        std::uint32_t steps = Cap(8);
        for (BlockOffset at = first; at != 0;) {
            if (--steps == 0 || !Record(at, 8)) return false;
            const std::uint8_t* p = Bytes(at);
            const std::int16_t kind = static_cast<std::int16_t>(ReadLe16(p + command_node::kKind));
            if (!Record(at, CommandNodeSize(kind))) return false;
            if (kind == kNodeStringType) {
                const BlockOffset bytes = ReadLe32(p + command_node::kBytes);
                const std::int32_t length = static_cast<std::int32_t>(ReadLe32(p + command_node::kLength));
                if (bytes != 0 && (length <= 0 || !Record(bytes, static_cast<std::uint32_t>(length)))) return false;
            }
            if (kind == kNodeCommand) {
                const BlockOffset block = ReadLe32(p + command_node::kBlock);
                if (block != 0 && !CommandBlock(block, depth + 1)) return false;
            }
            at = ReadLe32(p + command_node::kNext);
        }
        return true;
    }

    bool FontList(std::uint32_t countField, std::uint32_t arrayField) const
    {
        const std::int32_t count = static_cast<std::int32_t>(Header(countField));
        const BlockOffset array = Header(arrayField);
        if (count < 0) return false;
        if (count == 0) return true;
        if (!Record(array, 4ull * count)) return false;
        for (std::int32_t i = 0; i < count; ++i) {
            const BlockOffset entry = ReadLe32(Bytes(array + 4u * static_cast<std::uint32_t>(i)));
            if (entry == 0) continue;
            if (!Record(entry, kFontIdEntrySize) || !Text(ReadLe32(Bytes(entry) + font_id_entry::kName))) return false;
        }
        return true;
    }

    const CompiledModel* model_;
    std::vector<OffsetMark> marks_;   // one per offset of the body
    RecordMarks others_;              // (kind, record) marks the flat ones cannot hold
    std::vector<JudgeOp> judgeCode_;
    std::uint32_t walks_ = 0;
    std::uint32_t lastZero_ = 0;  // the last zero byte of the body
};

}  // namespace

bool ValidateCompiledModel(const CompiledModel* model)
{
    return BlockValidator(model).Run();
}

}  // namespace vexl::model
