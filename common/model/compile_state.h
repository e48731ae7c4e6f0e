// The shared types of the description compiler: the line record of the
// reader, the records that the keyword handlers build and the state of one
// compilation. These are in-memory records of the parse; the layout of the
// compiled model turns them into the relocatable block.
#pragma once

#include "common/core/item_layout.h"
#include "platform/types.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vexl::model {

// What reading a line gave: a line, the end of the file, a line that could
// not be read (the reader goes on after it), or no memory left.
enum class LineResult { kLineRead = 0, kEndOfFile = 1, kBadLine = 3, kOutOfMemory = 4 };

// A keyword handler's answer: the line was taken, or refused as bad.
enum class LineAnswer { kLineRefused = 0, kLineTaken = 1 };

// One growable text buffer of a description line. The text is 8-bit; its
// end is the first NUL (or the end of the string). When a handler scans a
// value, the cursor is its read position.
struct TokenBuffer {
    std::string text;
    std::size_t cursor = 0;

    char At(std::size_t i) const { return i < text.size() ? text[i] : '\0'; }
    char Current() const { return At(cursor); }
    bool AtEnd() const { return Current() == '\0'; }
    bool Empty() const { return At(0) == '\0'; }
    // The text up to its first NUL.
    std::string_view View() const { return std::string_view(text.c_str()); }
    // The text from the cursor up to the next NUL.
    std::string_view Rest() const
    {
        return cursor < text.size() ? std::string_view(text.c_str() + cursor) : std::string_view{};
    }
    void Clear()
    {
        text.clear();
        cursor = 0;
    }
};

// The four tokens of one keyword line.
struct DescriptionLine {
    TokenBuffer keyword;
    TokenBuffer option;
    TokenBuffer translation;
    TokenBuffer value;
};

// Names of the model database that the description refers to.
struct SymbolRef {
    std::uint16_t itemId = 0;
    std::uint16_t key = 0;
};

class DescriptionNames {
public:
    virtual ~DescriptionNames() = default;
    // A UI symbol: its item id (0 for none) and symbol key.
    virtual std::optional<SymbolRef> FindSymbol(std::string_view name) const = 0;
    // An option or string constant: its option id.
    virtual std::optional<std::uint16_t> FindConstant(std::string_view name) const = 0;
    // An alert message: its message key.
    virtual std::optional<std::uint16_t> FindMessage(std::string_view name) const = 0;
    // A property page: its page id.
    virtual std::optional<std::uint16_t> FindPage(std::string_view name) const = 0;
    // A control among the page items, by its symbol name: its control id.
    virtual std::optional<std::uint16_t> FindPageControl(std::string_view name) const = 0;
};

// The names of this model's database tables.
const DescriptionNames& ModelDatabaseNames();

// ---------------------------------------------------------------- UI entries

// Type words of UI entries: the low bits name the kind, two high bits are flags.
inline constexpr std::uint16_t kUiPickOne = 0x0001;
inline constexpr std::uint16_t kUiPickMany = 0x0002;
inline constexpr std::uint16_t kUiBoolean = 0x0004;
inline constexpr std::uint16_t kUiNumeric = 0x0008;
inline constexpr std::uint16_t kUiString = 0x0010;
inline constexpr std::uint16_t kUiPickPage = 0x0101;
inline constexpr std::uint16_t kUiPickSlot = 0x0201;
inline constexpr std::uint16_t kUiFontTbl = 0x0401;
inline constexpr std::uint16_t kUiIdentity = 0x1000;
inline constexpr std::uint16_t kUiTypeUnknown = 0x2000;

// The kind of an entry: its type word without the two flags.
constexpr std::uint16_t UiKind(std::uint16_t type)
{
    return type & ~(kUiIdentity | kUiTypeUnknown);
}
// Entries whose options are a list (every kind with bit 0x0001 or 0x0002).
constexpr bool IsPickKind(std::uint16_t type)
{
    return (type & (kUiPickOne | kUiPickMany)) != 0;
}
// Entries with a default option and a default index (bit 0x0001).
constexpr bool HasDefaultIndex(std::uint16_t type)
{
    return (type & kUiPickOne) != 0;
}

// One geometry case of a paper option.
struct PageValueRecord {
    std::uint16_t resolutionKey = 0;
    std::uint16_t orientationKey = 0;
    std::uint16_t conditionKey = 0;  // 0: no condition
    std::uint16_t conditionValue = 0;
    std::int32_t xOrigin = 0;
    std::int32_t yOrigin = 0;
    std::int32_t width = 0;
    std::int32_t length = 0;
    std::int32_t paperWidth = 0;
    std::int32_t paperLength = 0;
};

// The option record of a pick entry. Which of the added fields the record
// carries follows the entry's kind (UiRecordSize): paper options their size
// and geometry, tray options their papers, font-table options their
// substitutions.
struct UiOption {
    std::uint16_t optionId = 0;
    std::optional<std::string> invocation;  // the printer command that selects the option
    // PickPage
    std::int32_t width = 0;
    std::int32_t length = 0;
    std::vector<PageValueRecord> pageValues;
    // PickSlot
    std::vector<std::uint16_t> papers;
    // FontTbl
    std::vector<std::string> faceNames;
    std::vector<std::string> deviceFontNames;
};

struct BooleanValueRecord {
    std::int32_t defaultValue = 0;  // 1 true, 0 false
    std::optional<std::string> trueInvocation;
    std::optional<std::string> falseInvocation;
};

struct NumericRange {
    std::uint16_t leadingValue = 0;
    std::uint16_t firstValue = 0;
    std::array<std::uint16_t, 4> moreValues{};  // the fifth to eighth values
    std::int32_t defaultValue = 0;
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
};

struct StringValueRecord {
    std::uint16_t defaultOption = 0;
    std::uint16_t maxLength = 0;
    std::uint16_t characterSet = 0;
    std::uint16_t displayFlags = 0;
};

struct OptionCommandPair {
    std::optional<std::string> before;
    std::optional<std::string> after;
};

using UiOptionList = std::vector<UiOption>;

// One OpenUI line. The records an entry refers to are owned by the
// CompileState: a variant or Identity entry refers to its first entry's
// records and owns nothing.
struct UiEntry {
    std::uint16_t symbolKey = 0;
    std::uint16_t variant = 0;  // variant number, or the shared symbol key of an Identity entry
    std::uint16_t itemId = 0;
    std::uint16_t type = 0;
    std::int16_t defaultIndex = 0;  // an option id until CloseUI, then a position
    bool defaultFromLine = false;   // parse time: this entry's own Default line set it
    OptionCommandPair* commands = nullptr;
    UiOptionList* options = nullptr;        // pick entries
    BooleanValueRecord* boolean = nullptr;  // Boolean entries
    NumericRange* numeric = nullptr;        // Numeric entries
    StringValueRecord* text = nullptr;      // String entries
};

// ------------------------------------------------------- judges and constraints

struct JudgeOp {
    std::uint16_t kind = 0;
    std::uint16_t operand = 0;
    bool operator==(const JudgeOp&) const = default;
};

inline constexpr std::uint16_t kJudgeItem = 1;
inline constexpr std::uint16_t kJudgeConstant = 2;
inline constexpr std::uint16_t kJudgeOperator = 3;
inline constexpr std::uint16_t kJudgeGroupEnd = 4;
inline constexpr std::uint16_t kJudgeEndCode = 10;  // operand of the end operation

struct JudgeRecord {
    std::int32_t number = 0;
    std::vector<JudgeOp> code;  // the end operation included
    std::int32_t CodeLength() const { return static_cast<std::int32_t>(code.size() * 4); }
};

// Reference fields hold, while parsing, the code of a reference word (kind
// tag and number) or the number that a symbolic name stood for; the layout
// resolves them by their low 16 bits.
inline constexpr std::uint32_t kRefJudge = 0x10000;
inline constexpr std::uint32_t kRefItem = 0x20000;
inline constexpr std::uint32_t kRefAction = 0x30000;
inline constexpr std::uint32_t kRefTransact = 0x40000;
inline constexpr std::uint32_t kRefAlert = 0x50000;
inline constexpr std::uint32_t kRefAlertAction = 0x60000;
inline constexpr std::uint32_t kRefSymbolicName = 0x70000;

struct ExclusiveOptionRule {
    std::uint16_t optionId = 0;
    std::uint32_t j1 = 0;
    std::uint32_t j2 = 0;
    std::uint32_t j3 = 0;
};

inline constexpr std::uint16_t kActionSetting = 0;
inline constexpr std::uint16_t kActionPage = 1;

struct ActionEntry {
    std::uint16_t target = 0;  // item id or page id
    std::uint16_t kind = 0;    // 0 setting, 1 page
    std::uint32_t value = 0;
};

struct TransactEntry {
    std::uint32_t judge = 0;
    std::uint32_t actions = 0;
};

struct AlertActionEntry {
    std::uint16_t symbolKey = 0;
    std::uint32_t transacts = 0;
    std::uint16_t pageId = 0;
    std::uint16_t controlId = 0;
};

struct AlertEntry {
    std::uint32_t judge = 0;
    std::uint16_t messageKey = 0;
    std::uint16_t icon = 0;
    std::uint16_t buttons = 0;
    std::uint16_t timing = 0;
    std::uint32_t alertActions = 0;
};

struct ExclusiveRecord {
    std::uint16_t symbolKey = 0;
    std::uint32_t j1 = 0;  // the option is not offered
    std::uint32_t j2 = 0;  // the option is refused
    std::uint32_t items = 0;
    std::uint32_t alerts = 0;
    std::uint32_t transact1 = 0;
    std::uint32_t transact2 = 0;
    std::uint32_t j3 = 0;
};

// A numbered record line and its entries.
template <typename Entry> struct ConstraintRecord {
    std::int32_t number = 0;
    std::vector<Entry> entries;
};

using ItemRecord = ConstraintRecord<ExclusiveOptionRule>;
using ActionRecord = ConstraintRecord<ActionEntry>;
using TransactRecord = ConstraintRecord<TransactEntry>;
using AlertActionRecord = ConstraintRecord<AlertActionEntry>;
using AlertRecord = ConstraintRecord<AlertEntry>;

// The six lists of symbolic names, alive for one compilation.
enum SymbolicNameList { kJudgeNames, kItemNames, kActionNames, kTransactNames, kAlertActionNames, kAlertNames };

// Hashes text of any string type, so that a map keyed by std::string is
// searched with a std::string_view.
struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const noexcept { return std::hash<std::string_view>{}(text); }
};

struct SymbolicName {
    std::string name;
    std::int32_t number = 0;
};

// ------------------------------------------------------ commands and fonts

struct CommandStringRecord {
    std::int32_t number = 0;
    std::string bytes;  // cut at the first NUL
    std::int32_t Length() const { return static_cast<std::int32_t>(bytes.size() + 1); }
};

inline constexpr std::int16_t kNodeGroupType = 1;
inline constexpr std::int16_t kNodeStringType = 2;
inline constexpr std::int16_t kNodeCommand = 3;
inline constexpr std::int16_t kNodeFontType = 4;

struct CommandBlock;

struct CommandNode {
    std::int16_t kind = 0;
    std::uint16_t symbolKey = 0;          // GroupType
    std::int16_t format = 0;              // GroupType
    std::int32_t stringNumber = 0;        // StringType
    std::unique_ptr<CommandBlock> block;  // Command
};

struct CommandBlock {
    std::int32_t judge = 0;  // judge number, 0: none
    std::vector<CommandNode> thenList;
    std::vector<CommandNode> elseList;
};

// The command groups in header order.
enum CommandGroup { kJobStart, kJobEnd, kDocReset, kPageStart, kPageEnd, kCommandGroupCount };

struct FontIdEntry {
    std::int32_t fontId = 0;
    std::string name;
};

// ------------------------------------------------------------ compile state

// Item ids with a slot in the header, in slot order: the DEVMODE settings, the
// printer items, then the items from the run-time items to the printer names.
inline constexpr ItemIdRun kUiSlotFirstRun = {kPublicDevmodeItems.first, kPrivateSettingItems.last};
inline constexpr ItemIdRun kUiSlotLastRun = {kRunTimeItems.first, kPrinterNameItems.last};
inline constexpr int kUiSlotCount = kUiSlotFirstRun.Count() + kPrinterItems.Count() + kUiSlotLastRun.Count();
static_assert(kUiSlotCount == 696 + 434 + 846);
// The slot of an item id, or -1 when the id has none.
int UiSlotIndex(std::uint16_t itemId);

// What the header of the compiled model receives during the parse.
struct CompileHeader {
    WCHAR fileVersion[16] = {};
    std::array<UiEntry*, kUiSlotCount> slots{};  // parse-time slots, for Default values of Actions
    std::optional<std::u16string> uiResDllName;
    std::optional<std::u16string> excDepDllName;
    std::array<std::unique_ptr<CommandBlock>, kCommandGroupCount> groups;
    std::vector<FontIdEntry> deviceFonts;
    std::vector<FontIdEntry> fontCartridges;
};

struct CompileState {
    explicit CompileState(const DescriptionNames& names) : names(names) {}

    const DescriptionNames& names;
    CompileHeader header;

    // The open UI entry.
    std::optional<std::string> openKeyword;
    std::uint16_t openSymbolKey = 0;
    std::uint16_t openVariant = 0;
    // 0, or one more than the keyword table row that matched last.
    int keywordHint = 0;

    // The UI list in file order, and the records its entries refer to.
    std::vector<std::unique_ptr<UiEntry>> uiEntries;
    // The first entry of each symbol key, and of each symbol key and variant
    // (the key in the high half), so that a line finds its entry without
    // walking the list.
    std::unordered_map<std::uint16_t, UiEntry*> firstUiEntryOfKey;
    std::unordered_map<std::uint32_t, UiEntry*> firstUiEntryOfVariant;
    std::vector<std::unique_ptr<UiOptionList>> optionLists;
    std::vector<std::unique_ptr<BooleanValueRecord>> booleanRecords;
    std::vector<std::unique_ptr<NumericRange>> numericRecords;
    std::vector<std::unique_ptr<StringValueRecord>> stringRecords;
    std::vector<std::unique_ptr<OptionCommandPair>> commandPairs;

    // The build lists, in file order.
    std::vector<CommandStringRecord> commandStrings;
    std::vector<JudgeRecord> judges;
    std::vector<ItemRecord> items;
    std::vector<ActionRecord> actions;
    std::vector<TransactRecord> transacts;
    std::vector<AlertActionRecord> alertActions;
    std::vector<AlertRecord> alerts;
    std::vector<ExclusiveRecord> exclusives;

    // The first judge and command string of each number: their positions in
    // the lists.
    std::unordered_map<std::int32_t, std::size_t> firstJudgeOfNumber;
    std::unordered_map<std::int32_t, std::size_t> firstCommandStringOfNumber;

    // Symbolic names of record lines, alive for this compilation only: the
    // names in file order and, by name, the number that the first of them
    // stands for.
    std::array<std::vector<SymbolicName>, 6> symbolicNames;
    std::array<std::unordered_map<std::string, std::int32_t, TextHash, std::equal_to<>>, 6> symbolicNumbers;
};

}  // namespace vexl::model
