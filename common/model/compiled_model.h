// The compiled model: one block that holds everything the description says,
// the 7,992-byte header with its slot tables followed by the constraint part,
// the UI part and the command-and-font part. The block is the same in memory
// and in the BCS cache file: little-endian records that refer to each other
// by offsets from the start of the block, either plain (0: none) or as
// tagged links, (offset << 4) | 1. Records are read through the helpers
// below, which decode one record into a plain struct and resolve both kinds
// of reference into offsets.
#pragma once

#include "common/core/context.h"
#include "common/model/compile_state.h"
#include "platform/win32.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vexl {

struct CompiledModel {
    std::uint8_t* block;      // the block, AllocZeroed
    std::uint32_t totalSize;  // bytes of the block, the header included
};

namespace model {

// An offset inside the block; 0 means none.
using BlockOffset = std::uint32_t;

// ---------------------------------------------------------------- header

inline constexpr std::uint32_t kHeaderSize = 7992;
inline constexpr std::uint32_t kHeaderFileVersion = 0;  // 16 UTF-16 units
inline constexpr std::uint32_t kFileVersionUnits = 16;
inline constexpr std::uint32_t kHeaderTotalSize = 32;
inline constexpr std::uint32_t kHeaderFirstUiEntry = 36;
inline constexpr std::uint32_t kHeaderSlots = 40;
inline constexpr std::uint32_t kHeaderUiResDllName = 7944;
inline constexpr std::uint32_t kHeaderExcDepDllName = 7948;
inline constexpr std::uint32_t kHeaderCommandGroups = 7952;  // five blocks, in CommandGroup order
inline constexpr std::uint32_t kHeaderDeviceFontCount = 7972;
inline constexpr std::uint32_t kHeaderDeviceFonts = 7976;
inline constexpr std::uint32_t kHeaderCartridgeCount = 7980;
inline constexpr std::uint32_t kHeaderCartridges = 7984;
inline constexpr std::uint32_t kHeaderFirstExclusive = 7988;
static_assert(kHeaderSlots + 4 * kUiSlotCount == kHeaderUiResDllName);
static_assert(kHeaderCommandGroups + 4 * kCommandGroupCount == kHeaderDeviceFontCount);
static_assert(kHeaderFirstExclusive + 4 == kHeaderSize);

// The header offset of an item's slot, or 0 when the id has none: items 1
// to 696 at 36 + 4n, 10001 to 10434 at 4n - 37180, 697 to 1542 at 4n + 1772.
std::uint32_t SlotOffset(std::uint16_t itemId);

// ---------------------------------------------------------------- records

inline constexpr std::uint32_t kUiEntrySize = 28;
inline constexpr std::uint32_t kUiOptionSize = 12;
inline constexpr std::uint32_t kUiOptionSlotSize = 20;
inline constexpr std::uint32_t kUiOptionPageSize = 24;  // PickPage and FontTbl
inline constexpr std::uint32_t kBooleanRecordSize = 12;
inline constexpr std::uint32_t kNumericRecordSize = 24;
inline constexpr std::uint32_t kStringRecordSize = 8;
inline constexpr std::uint32_t kPageValueSize = 36;
inline constexpr std::uint32_t kCommandPairSize = 8;
inline constexpr std::uint32_t kExclusiveRecordSize = 36;
inline constexpr std::uint32_t kOptionRuleSize = 20;
inline constexpr std::uint32_t kActionEntrySize = 12;
inline constexpr std::uint32_t kTransactEntrySize = 12;
inline constexpr std::uint32_t kAlertActionEntrySize = 16;
inline constexpr std::uint32_t kAlertEntrySize = 20;
inline constexpr std::uint32_t kCommandBlockSize = 12;
inline constexpr std::uint32_t kFontIdEntrySize = 8;
inline constexpr std::uint32_t kJudgeOpSize = 4;
// Bytes of a command node of the kind.
std::uint32_t CommandNodeSize(std::int16_t kind);

// ---------------------------------------------------------- record layouts
//
// The fields of each record: offset from the record's start, then width and
// kind in the comment. "offset" is a plain block offset (0: none), "tagged
// link" is (offset << 4) | 1. The layout writer and the readers below use
// these names and nothing else; the entries of the constraint lists are
// linked by their tagged next link at offset 0.

// A UI entry, kUiEntrySize bytes:
namespace ui_entry {
inline constexpr std::uint32_t kNext = 0;           // 4 bytes, offset
inline constexpr std::uint32_t kSymbolKey = 4;      // 2 bytes, u16
inline constexpr std::uint32_t kVariant = 6;        // 2 bytes, u16
inline constexpr std::uint32_t kItemId = 8;         // 2 bytes, u16
inline constexpr std::uint32_t kType = 10;          // 2 bytes, u16
inline constexpr std::uint32_t kDefaultIndex = 12;  // 2 bytes, i16
inline constexpr std::uint32_t kCommands = 16;      // 4 bytes, offset
inline constexpr std::uint32_t kExclusive = 20;     // 4 bytes, offset
inline constexpr std::uint32_t kOptions = 24;       // 4 bytes, offset
}  // namespace ui_entry

// A UI option: kUiOptionSize bytes, kUiOptionSlotSize for PickSlot (count,
// papers), kUiOptionPageSize for PickPage (width, length, pageValues) and
// FontTbl (count, faces, devices):
namespace ui_option {
inline constexpr std::uint32_t kNext = 0;         // 4 bytes, offset
inline constexpr std::uint32_t kOptionId = 4;     // 2 bytes, u16
inline constexpr std::uint32_t kInvocation = 8;   // 4 bytes, offset
inline constexpr std::uint32_t kWidth = 12;       // 4 bytes, i32
inline constexpr std::uint32_t kCount = 12;       // 4 bytes, i32
inline constexpr std::uint32_t kLength = 16;      // 4 bytes, i32
inline constexpr std::uint32_t kPapers = 16;      // 4 bytes, offset
inline constexpr std::uint32_t kFaces = 16;       // 4 bytes, offset
inline constexpr std::uint32_t kPageValues = 20;  // 4 bytes, offset
inline constexpr std::uint32_t kDevices = 20;     // 4 bytes, offset
}  // namespace ui_option

// The value record of a Boolean entry, kBooleanRecordSize bytes:
namespace boolean_record {
inline constexpr std::uint32_t kDefaultValue = 0;     // 4 bytes, i32
inline constexpr std::uint32_t kTrueInvocation = 4;   // 4 bytes, offset
inline constexpr std::uint32_t kFalseInvocation = 8;  // 4 bytes, offset
}  // namespace boolean_record

// The value record of a Numeric entry, kNumericRecordSize bytes:
namespace numeric_record {
inline constexpr std::uint32_t kLeadingValue = 0;   // 2 bytes, u16
inline constexpr std::uint32_t kFirstValue = 2;     // 2 bytes, u16
inline constexpr std::uint32_t kMoreValues = 4;     // 8 bytes, u16[4]
inline constexpr std::uint32_t kDefaultValue = 12;  // 4 bytes, i32
inline constexpr std::uint32_t kMinimum = 16;       // 4 bytes, i32
inline constexpr std::uint32_t kMaximum = 20;       // 4 bytes, i32
}  // namespace numeric_record

// The value record of a String entry, kStringRecordSize bytes:
namespace string_record {
inline constexpr std::uint32_t kDefaultOption = 0;  // 2 bytes, u16
inline constexpr std::uint32_t kMaxLength = 2;      // 2 bytes, u16
inline constexpr std::uint32_t kCharacterSet = 4;   // 2 bytes, u16
inline constexpr std::uint32_t kDisplayFlags = 6;   // 2 bytes, u16
}  // namespace string_record

// A page-value block of a PickPage option, kPageValueSize bytes; the six
// geometry values from xOrigin on are written as one run:
namespace page_value {
inline constexpr std::uint32_t kNext = 0;             // 4 bytes, offset
inline constexpr std::uint32_t kResolutionKey = 4;    // 2 bytes, u16
inline constexpr std::uint32_t kOrientationKey = 6;   // 2 bytes, u16
inline constexpr std::uint32_t kConditionKey = 8;     // 2 bytes, u16
inline constexpr std::uint32_t kConditionValue = 10;  // 2 bytes, u16
inline constexpr std::uint32_t kXOrigin = 12;         // 4 bytes, i32
inline constexpr std::uint32_t kYOrigin = 16;         // 4 bytes, i32
inline constexpr std::uint32_t kWidth = 20;           // 4 bytes, i32
inline constexpr std::uint32_t kLength = 24;          // 4 bytes, i32
inline constexpr std::uint32_t kPaperWidth = 28;      // 4 bytes, i32
inline constexpr std::uint32_t kPaperLength = 32;     // 4 bytes, i32
}  // namespace page_value

// The command pair of an option, kCommandPairSize bytes:
namespace command_pair {
inline constexpr std::uint32_t kBefore = 0;  // 4 bytes, offset
inline constexpr std::uint32_t kAfter = 4;   // 4 bytes, offset
}  // namespace command_pair

// An exclusive block, kExclusiveRecordSize bytes:
namespace exclusive_record {
inline constexpr std::uint32_t kNext = 0;        // 4 bytes, offset
inline constexpr std::uint32_t kSymbolKey = 4;   // 2 bytes, u16
inline constexpr std::uint32_t kJ1 = 8;          // 4 bytes, tagged link
inline constexpr std::uint32_t kJ2 = 12;         // 4 bytes, tagged link
inline constexpr std::uint32_t kItems = 16;      // 4 bytes, tagged link
inline constexpr std::uint32_t kAlerts = 20;     // 4 bytes, tagged link
inline constexpr std::uint32_t kTransact1 = 24;  // 4 bytes, tagged link
inline constexpr std::uint32_t kTransact2 = 28;  // 4 bytes, tagged link
inline constexpr std::uint32_t kJ3 = 32;         // 4 bytes, tagged link
}  // namespace exclusive_record

// An option rule of an exclusive block, kOptionRuleSize bytes:
namespace option_rule {
inline constexpr std::uint32_t kNext = 0;      // 4 bytes, tagged link
inline constexpr std::uint32_t kOptionId = 4;  // 2 bytes, u16
inline constexpr std::uint32_t kJ1 = 8;        // 4 bytes, tagged link
inline constexpr std::uint32_t kJ2 = 12;       // 4 bytes, tagged link
inline constexpr std::uint32_t kJ3 = 16;       // 4 bytes, tagged link
}  // namespace option_rule

// An action of a transaction, kActionEntrySize bytes:
namespace action_entry {
inline constexpr std::uint32_t kNext = 0;    // 4 bytes, tagged link
inline constexpr std::uint32_t kTarget = 4;  // 2 bytes, u16
inline constexpr std::uint32_t kKind = 6;    // 2 bytes, u16
inline constexpr std::uint32_t kValue = 8;   // 4 bytes, u32
}  // namespace action_entry

// A transaction, kTransactEntrySize bytes:
namespace transact_entry {
inline constexpr std::uint32_t kNext = 0;     // 4 bytes, tagged link
inline constexpr std::uint32_t kJudge = 4;    // 4 bytes, tagged link
inline constexpr std::uint32_t kActions = 8;  // 4 bytes, tagged link
}  // namespace transact_entry

// An action of an alert, kAlertActionEntrySize bytes:
namespace alert_action_entry {
inline constexpr std::uint32_t kNext = 0;        // 4 bytes, tagged link
inline constexpr std::uint32_t kSymbolKey = 4;   // 2 bytes, u16
inline constexpr std::uint32_t kTransacts = 8;   // 4 bytes, tagged link
inline constexpr std::uint32_t kPageId = 12;     // 2 bytes, u16
inline constexpr std::uint32_t kControlId = 14;  // 2 bytes, u16
}  // namespace alert_action_entry

// An alert, kAlertEntrySize bytes:
namespace alert_entry {
inline constexpr std::uint32_t kNext = 0;           // 4 bytes, tagged link
inline constexpr std::uint32_t kJudge = 4;          // 4 bytes, tagged link
inline constexpr std::uint32_t kMessageKey = 8;     // 2 bytes, u16
inline constexpr std::uint32_t kIcon = 10;          // 2 bytes, u16
inline constexpr std::uint32_t kButtons = 12;       // 2 bytes, u16
inline constexpr std::uint32_t kTiming = 14;        // 2 bytes, u16
inline constexpr std::uint32_t kAlertActions = 16;  // 4 bytes, tagged link
}  // namespace alert_entry

// A command block, kCommandBlockSize bytes:
namespace command_block {
inline constexpr std::uint32_t kJudge = 0;     // 4 bytes, tagged link
inline constexpr std::uint32_t kThenList = 4;  // 4 bytes, offset
inline constexpr std::uint32_t kElseList = 8;  // 4 bytes, offset
}  // namespace command_block

// A command node, CommandNodeSize(kind) bytes: GroupType has symbolKey and
// format, StringType length and bytes, Command block:
namespace command_node {
inline constexpr std::uint32_t kNext = 0;       // 4 bytes, offset
inline constexpr std::uint32_t kKind = 4;       // 2 bytes, i16
inline constexpr std::uint32_t kSymbolKey = 6;  // 2 bytes, u16
inline constexpr std::uint32_t kFormat = 8;     // 2 bytes, i16
inline constexpr std::uint32_t kLength = 8;     // 4 bytes, i32
inline constexpr std::uint32_t kBlock = 8;      // 4 bytes, offset
inline constexpr std::uint32_t kBytes = 12;     // 4 bytes, offset
}  // namespace command_node

// A font-id entry, kFontIdEntrySize bytes:
namespace font_id_entry {
inline constexpr std::uint32_t kFontId = 0;  // 4 bytes, i32
inline constexpr std::uint32_t kName = 4;    // 4 bytes, offset
}  // namespace font_id_entry

// A judge operation, kJudgeOpSize bytes:
namespace judge_op {
inline constexpr std::uint32_t kKind = 0;     // 2 bytes, u16
inline constexpr std::uint32_t kOperand = 2;  // 2 bytes, u16
}  // namespace judge_op

// Each record ends with its last field.
static_assert(ui_entry::kOptions + 4 == kUiEntrySize);
static_assert(ui_option::kInvocation + 4 == kUiOptionSize);
static_assert(ui_option::kPapers + 4 == kUiOptionSlotSize);
static_assert(ui_option::kPageValues + 4 == kUiOptionPageSize && ui_option::kDevices + 4 == kUiOptionPageSize);
static_assert(boolean_record::kFalseInvocation + 4 == kBooleanRecordSize);
static_assert(numeric_record::kMaximum + 4 == kNumericRecordSize);
static_assert(string_record::kDisplayFlags + 2 == kStringRecordSize);
static_assert(page_value::kPaperLength + 4 == kPageValueSize && page_value::kXOrigin + 6 * 4 == kPageValueSize);
static_assert(command_pair::kAfter + 4 == kCommandPairSize);
static_assert(exclusive_record::kJ3 + 4 == kExclusiveRecordSize);
static_assert(option_rule::kJ3 + 4 == kOptionRuleSize);
static_assert(action_entry::kValue + 4 == kActionEntrySize);
static_assert(transact_entry::kActions + 4 == kTransactEntrySize);
static_assert(alert_action_entry::kControlId + 2 == kAlertActionEntrySize);
static_assert(alert_entry::kAlertActions + 4 == kAlertEntrySize);
static_assert(command_block::kElseList + 4 == kCommandBlockSize);
static_assert(font_id_entry::kName + 4 == kFontIdEntrySize);
static_assert(judge_op::kOperand + 2 == kJudgeOpSize);

// Tagged links.
constexpr std::uint32_t MakeTaggedLink(BlockOffset offset)
{
    return offset == 0 ? 0 : (offset << 4) | 1u;
}
constexpr BlockOffset TaggedLinkOffset(std::uint32_t link)
{
    return link >> 4;
}
constexpr bool IsTaggedLink(std::uint32_t link)
{
    return link == 0 || (link & 0xF) == 1;
}
// The largest offset that a tagged link can carry.
inline constexpr std::uint32_t kMaxTaggedOffset = 0x0FFFFFFF;

// Decoded records. References are offsets; tagged links are already turned
// into offsets.
struct UiEntryRecord {
    BlockOffset next;
    std::uint16_t symbolKey;
    std::uint16_t variant;
    std::uint16_t itemId;
    std::uint16_t type;
    std::int16_t defaultIndex;
    BlockOffset commands;   // OptionCommandPair
    BlockOffset exclusive;  // ExclusiveRecord
    BlockOffset options;    // first UiOption, or the value record
};

struct UiOptionRecord {
    BlockOffset next;
    std::uint16_t optionId;
    BlockOffset invocation;  // 8-bit text
    // PickPage
    std::int32_t width;
    std::int32_t length;
    BlockOffset pageValues;
    // PickSlot: papers is an array of u16; FontTbl: faces and devices are
    // arrays of text offsets.
    std::int32_t count;
    BlockOffset papers;
    BlockOffset faces;
    BlockOffset devices;
};

struct BooleanRecord {
    std::int32_t defaultValue;
    BlockOffset trueInvocation;
    BlockOffset falseInvocation;
};

struct NumericRecord {
    std::uint16_t leadingValue;
    std::uint16_t firstValue;
    std::uint16_t moreValues[4];
    std::int32_t defaultValue;
    std::int32_t minimum;
    std::int32_t maximum;
};

struct StringRecord {
    std::uint16_t defaultOption;
    std::uint16_t maxLength;
    std::uint16_t characterSet;
    std::uint16_t displayFlags;
};

struct PageValueBlockRecord {
    BlockOffset next;
    std::uint16_t resolutionKey;
    std::uint16_t orientationKey;
    std::uint16_t conditionKey;
    std::uint16_t conditionValue;
    std::int32_t xOrigin;
    std::int32_t yOrigin;
    std::int32_t width;
    std::int32_t length;
    std::int32_t paperWidth;
    std::int32_t paperLength;
};

struct CommandPairRecord {
    BlockOffset before;
    BlockOffset after;
};

struct ExclusiveBlockRecord {
    BlockOffset next;
    std::uint16_t symbolKey;
    BlockOffset j1;
    BlockOffset j2;
    BlockOffset items;
    BlockOffset alerts;
    BlockOffset transact1;
    BlockOffset transact2;
    BlockOffset j3;
};

struct OptionRuleRecord {
    BlockOffset next;
    std::uint16_t optionId;
    BlockOffset j1;
    BlockOffset j2;
    BlockOffset j3;
};

struct ActionRecordView {
    BlockOffset next;
    std::uint16_t target;
    std::uint16_t kind;
    std::uint32_t value;
};

struct TransactRecordView {
    BlockOffset next;
    BlockOffset judge;
    BlockOffset actions;
};

struct AlertActionRecordView {
    BlockOffset next;
    std::uint16_t symbolKey;
    BlockOffset transacts;
    std::uint16_t pageId;
    std::uint16_t controlId;
};

struct AlertRecordView {
    BlockOffset next;
    BlockOffset judge;
    std::uint16_t messageKey;
    std::uint16_t icon;
    std::uint16_t buttons;
    std::uint16_t timing;
    BlockOffset alertActions;
};

struct CommandBlockRecord {
    BlockOffset judge;
    BlockOffset thenList;
    BlockOffset elseList;
};

struct CommandNodeRecord {
    BlockOffset next;
    std::int16_t kind;
    std::uint16_t symbolKey;  // GroupType
    std::int16_t format;      // GroupType
    std::int32_t length;      // StringType: bytes with the terminator
    BlockOffset bytes;        // StringType
    BlockOffset block;        // Command
};

struct FontIdRecord {
    std::int32_t fontId;
    BlockOffset name;  // 8-bit text
};

struct JudgeOpRecord {
    std::uint16_t kind;
    std::uint16_t operand;
};

// Readers. A record that does not fit the block reads as zero: the block is
// validated before use, so this only keeps a fault from reading outside it.
std::uint32_t ReadBlock32(const CompiledModel* model, std::uint32_t offset);
std::uint16_t ReadBlock16(const CompiledModel* model, std::uint32_t offset);
UiEntryRecord ReadUiEntry(const CompiledModel* model, BlockOffset offset);
// Option records carry the fields of the entry's kind.
UiOptionRecord ReadUiOption(const CompiledModel* model, BlockOffset offset, std::uint16_t entryType);
BooleanRecord ReadBooleanRecord(const CompiledModel* model, BlockOffset offset);
NumericRecord ReadNumericRecord(const CompiledModel* model, BlockOffset offset);
StringRecord ReadStringRecord(const CompiledModel* model, BlockOffset offset);
PageValueBlockRecord ReadPageValue(const CompiledModel* model, BlockOffset offset);
CommandPairRecord ReadCommandPair(const CompiledModel* model, BlockOffset offset);
ExclusiveBlockRecord ReadExclusiveRecord(const CompiledModel* model, BlockOffset offset);
OptionRuleRecord ReadOptionRule(const CompiledModel* model, BlockOffset offset);
ActionRecordView ReadActionEntry(const CompiledModel* model, BlockOffset offset);
TransactRecordView ReadTransactEntry(const CompiledModel* model, BlockOffset offset);
AlertActionRecordView ReadAlertActionEntry(const CompiledModel* model, BlockOffset offset);
AlertRecordView ReadAlertEntry(const CompiledModel* model, BlockOffset offset);
CommandBlockRecord ReadCommandBlock(const CompiledModel* model, BlockOffset offset);
CommandNodeRecord ReadCommandNode(const CompiledModel* model, BlockOffset offset);
FontIdRecord ReadFontIdEntry(const CompiledModel* model, BlockOffset offset);
JudgeOpRecord ReadJudgeOp(const CompiledModel* model, BlockOffset offset);
// Texts: 8-bit up to the terminator, UTF-16 up to the terminator; empty
// for offset 0.
std::string_view ReadBlockText(const CompiledModel* model, BlockOffset offset);
std::u16string ReadBlockWideText(const CompiledModel* model, BlockOffset offset);
// The element of an array of u16 or of offsets.
std::uint16_t ReadArray16(const CompiledModel* model, BlockOffset array, std::int32_t index);
BlockOffset ReadOffsetArray(const CompiledModel* model, BlockOffset array, std::int32_t index);

// Header fields.
std::u16string GetModelFileVersion(const CompiledModel* model);
BlockOffset GetFirstUiEntry(const CompiledModel* model);
BlockOffset GetSlotEntry(const CompiledModel* model, std::uint16_t itemId);
BlockOffset GetFirstExclusive(const CompiledModel* model);
BlockOffset GetCommandGroup(const CompiledModel* model, CommandGroup group);
std::int32_t GetDeviceFontCount(const CompiledModel* model);
BlockOffset GetDeviceFontEntry(const CompiledModel* model, std::int32_t index);
std::int32_t GetFontCartridgeCount(const CompiledModel* model);
BlockOffset GetFontCartridgeEntry(const CompiledModel* model, std::int32_t index);

// ------------------------------------------------------------- building

// Lays the parse out as a block: measures it, allocates it zeroed and writes
// it with the same code, bounds-checked. Null when memory runs out or the
// model does not fit a block.
CompiledModel* LayoutCompiledModel(const CompileState& state);

// A block made from bytes (a loaded cache file): a copy, or null.
CompiledModel* MakeCompiledModel(const std::uint8_t* bytes, std::uint32_t size);
void FreeCompiledModel(CompiledModel* model);

// True when every reference of the block stays inside it and fits its
// record, texts end inside it, lists end, judges are well formed and the
// header agrees with the size. A block that fails is never read.
bool ValidateCompiledModel(const CompiledModel* model);

}  // namespace model
}  // namespace vexl
