// Lookups of UI entries in the context's compiled model: by item id through
// the slot tables, by symbol key, with the availability filter; the type,
// default and option list of an entry. Entries and options are offsets in
// the model (0: none); read them with the readers of compiled_model.h.
#pragma once

#include "common/core/context.h"
#include "common/model/compiled_model.h"

#include <cstdint>
#include <string>

namespace vexl {

using model::BlockOffset;

// Flags of FindAvailableUiEntry: the entry's J1 (not offered) and J2
// (refused) for the entry as a whole must be false.
inline constexpr std::uint32_t kAvailableCheckUnavailable = 1;
inline constexpr std::uint32_t kAvailableCheckRestricted = 2;

// Id 0: none; ids with a slot read it; other ids the first entry of the UI
// list with that item id.
BlockOffset FindUiEntry(std::uint16_t itemId, DriverContext* context);
// FindUiEntry, except for the free paper size items, which take the entry
// that is available while the free size input is on.
BlockOffset LookupUiEntry(std::uint16_t itemId, DriverContext* context);
BlockOffset FindAvailableUiEntry(std::uint16_t itemId, DriverContext* context, std::uint32_t flags);
// The first entry of the UI list with the symbol key.
BlockOffset FindUiEntryByKey(std::uint16_t symbolKey, DriverContext* context);
BlockOffset GetUiEntryByKey(std::uint16_t symbolKey, DriverContext* context);
// LookupUiEntry of the item at the position of the context's item table.
BlockOffset GetUiEntryOfItemIndex(DriverContext* context, int position);

// The decoded entry (all zero for offset 0).
model::UiEntryRecord ReadContextUiEntry(DriverContext* context, BlockOffset entry);

// The type word without the Identity and TypeUnknown flags; 0 without entry.
std::uint16_t GetUiType(std::uint16_t itemId, DriverContext* context);
std::uint16_t GetUiRawType(std::uint16_t itemId, DriverContext* context);
// The model's default of the item as an option id (see the entry kinds).
std::uint32_t GetUiDefaultValue(std::uint16_t itemId, DriverContext* context);
// The option list or value record; the default index goes to the
// out-argument for entries that have one.
BlockOffset GetUiOptionList(std::uint16_t itemId, DriverContext* context, std::int16_t* defaultIndex);
// -1 without entry, 0 for Boolean, Numeric and String, else the options.
int CountUiOptions(std::uint16_t itemId, DriverContext* context);
// The option of an entry with the option id, or 0.
BlockOffset FindUiOption(DriverContext* context, BlockOffset entry, std::uint16_t optionId);
// The UIResDLLName of the context's model; empty when it has none.
std::u16string GetUiResourceLibraryName(DriverContext* context);

}  // namespace vexl
