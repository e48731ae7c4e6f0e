// The list answers of the settings interface's capabilities: values the
// PJL option table allows now, the names of those values taken from the
// model's own lists, the model's values and names in the interface's forms,
// and the names of a PickOne's values through the item's value map.
//
// Every list works in two passes: without a buffer it answers the number of
// entries and writes nothing; with a buffer it writes exactly that many and
// answers the same number. -1 means the model lacks the data; 0 an empty
// list. Lists are made in full before anything reaches the caller's buffer,
// and a buffer that holds fewer entries than the list gets nothing.
#pragma once

#include "common/core/context.h"
#include "common/core/option_strings.h"
#include "platform/win32.h"

#include <cstdint>
#include <span>
#include <vector>

namespace vexl::api {

// Entries a caller's buffer holds. VEXLDrvGetCaps has no size argument, so
// its buffers count as unbounded; the all-capabilities record passes the
// count of its first pass, so that a list that grew in between is refused
// instead of written past its array.
inline constexpr std::uint32_t kUnboundedEntries = 0xFFFFFFFF;

struct CapabilityBuffer {
    void* data = nullptr;  // NULL: the count alone
    std::uint32_t capacity = kUnboundedEntries;
};

// Name slots of the name lists, in bytes.
inline constexpr std::uint32_t kShortNameSlot = 24;
inline constexpr std::uint32_t kNameSlot = 64;
inline constexpr std::uint32_t kPathNameSlot = 260;

// UI string of an allowed value that the model does not name.
inline constexpr std::uint32_t kUnknownValueNameString = 204;

// A value list being made.
using ValueList = std::vector<std::uint32_t>;

// A name list being made: zero-terminated ANSI texts in fixed slots.
struct NameList {
    explicit NameList(std::uint32_t slot) : slotBytes(slot) {}
    std::uint32_t Count() const { return slotBytes ? static_cast<std::uint32_t>(bytes.size() / slotBytes) : 0; }
    // A new zero-filled slot at the end.
    char* AddSlot();
    char* Slot(std::uint32_t index) { return bytes.data() + static_cast<std::size_t>(index) * slotBytes; }

    std::uint32_t slotBytes;
    std::vector<char> bytes;
    bool conversionFailed = false;  // a name did not convert to ANSI: the answer is -1
};

// A size list: {width, length} in 0.1 mm.
struct PaperExtent {
    std::int32_t width;
    std::int32_t length;
};
using SizeList = std::vector<PaperExtent>;

// ---- delivery into the caller's buffer ------------------------------------------------------------

// The count of a list (0 when empty); with a buffer the entries are written,
// little-endian, when they fit the capacity, else nothing is written and
// the answer is -1. A name list whose conversion failed answers -1, as a
// size query too; with a buffer its slots are written all the same.
int DeliverValues(const CapabilityBuffer& out, std::span<const std::uint32_t> values);
int DeliverNames(const CapabilityBuffer& out, const NameList& names);
int DeliverSizes(const CapabilityBuffer& out, std::span<const PaperExtent> sizes);

// ---- listers of the model's own values and names ---------------------------------------------------

// A lister of 16-bit values of an item (NULL out: the count), -1 when none.
using ModelValueLister = std::int32_t (*)(DriverContext* instance, std::uint16_t* out, std::uint16_t itemId);
// A lister of UTF-16 names in slots of slotChars characters.
using ModelNameLister = std::int32_t (*)(DriverContext* instance, WCHAR* out, std::uint32_t slotChars,
                                         std::uint16_t itemId);

// ---- the lists --------------------------------------------------------------------------------------

// The values the PJL option table allows the item now. rdmOutputTrayID
// starts with an extra 0, drops its own 0 values and, with fewer than two
// other values, is the single entry 0. -1 when memory runs out, 0 when
// nothing is allowed.
int CollectAllowedValues(DriverContext* instance, std::uint16_t itemId, ValueList* values);
int ListAllowedValueCaps(DriverContext* instance, std::uint32_t* out, std::uint16_t itemId);

// The names of the allowed values, one slot each: the model's name of the
// same value, or UI string 204 for a value the model does not list. -1 when
// nothing is allowed or the model's values and names do not pair up.
int CollectAllowedValueNames(DriverContext* instance, std::uint16_t itemId, ModelValueLister values,
                             ModelNameLister names, NameList* list);
int ListAllowedValueNames(DriverContext* instance, char* out, std::uint16_t itemId, std::uint32_t slotBytes,
                          ModelValueLister values, ModelNameLister names);

// The lister's 16-bit values widened to 32 bits.
int CollectModelValues(DriverContext* instance, std::uint16_t itemId, ModelValueLister lister, ValueList* values);
int ListModelValuesWide(DriverContext* instance, std::uint32_t* out, std::uint16_t itemId, ModelValueLister lister);

// The lister's names in ANSI slots of slotChars bytes.
int CollectModelNames(DriverContext* instance, std::uint16_t itemId, ModelNameLister lister, NameList* list);
int ListModelNamesAnsi(DriverContext* instance, char* out, std::uint32_t slotChars, std::uint16_t itemId,
                       ModelNameLister lister);

// Modes of the option value names.
inline constexpr std::uint32_t kNamesFromOptionStrings = 0;  // through the option-to-string table
inline constexpr std::uint32_t kNamesFromOptionIds = 1;      // the option id is the string id

// The names of the item's available PickOne values found through its value
// map. Mode 1: the first map row of the value gives the option, whose id is
// the string. Mode 0: every map row of the value is looked up in the
// option-to-string table, the last one found naming the slot. A value
// without a name keeps an empty slot. -1 when the item has no such values.
int CollectOptionValueNames(DriverContext* instance, std::uint16_t itemId, std::uint32_t mode, NameList* list);
int ListOptionValueNames(DriverContext* instance, char* out, std::uint16_t itemId, std::uint32_t slotBytes,
                         std::uint32_t mode);

// The string of an option id in the option-to-string table, 0 when the
// table has none.
std::uint16_t FindOptionString(std::uint16_t optionId);

// ---- small helpers the handlers share ----------------------------------------------------------------

// UI string id into an ANSI slot (zero-filled first); FALSE when the text
// does not convert into the slot.
BOOL LoadAnsiUiString(DriverContext* instance, std::uint32_t stringId, char* slot, std::uint32_t slotBytes);
// UTF-16 text into an ANSI slot: FALSE when it does not fit. The slot is
// zero-filled first and always terminated.
BOOL ConvertNameToSlot(const WCHAR* text, char* slot, std::uint32_t slotBytes);
// UTF-16 text into an ANSI slot, cut so that its terminator fits.
void CopyNameCut(const WCHAR* text, char* slot, std::uint32_t slotBytes);

}  // namespace vexl::api
