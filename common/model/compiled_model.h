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
