// The job-ticket block of the private DEVMODE: the mark, version and
// capabilities that the driver writes, and the 32-byte job ticket of coded
// choices that an outside application writes and the merge applies.
#pragma once

#include "common/core/context.h"
#include "platform/devmode.h"
#include "platform/win32.h"

#include <cstddef>
#include <cstdint>

namespace vexl::ui {

inline constexpr std::size_t kTicketMarkOffset = 276;     // "RCOMMON" and a NUL
inline constexpr std::size_t kTicketVersionOffset = 284;  // 5
inline constexpr std::size_t kTicketOffset = 285;         // rdmRcomMember, 32 bytes
inline constexpr std::size_t kTicketCapsOffset = 317;     // rdmRcomCaps, 32 bytes
inline constexpr std::size_t kTicketBytes = 32;
inline constexpr std::uint8_t kTicketVersion = 5;
inline constexpr std::uint32_t kMergeTicketApplied = 0x40000000;

// The private header as this library fills it: the INI name and the two
// version texts, the mark "RCOMMON", version 5, empty ticket and capabilities.
void InitPrivateHeader(DriverContext* context);

// Applies the ticket of in (the driver's whole DEVMODE) through the model's
// settings and transactions and rewrites in; TRUE also when the ticket is
// not valid (byte 1 not 1: nothing changes).
BOOL ApplyJobTicket(DriverContext* context, DEVMODEW* in);

// The merge's ticket step: a caller's DEVMODE of this model and of the
// driver's whole size with a valid ticket is copied into ticketed and the
// ticket applied there (TRUE); any other DEVMODE is left alone (FALSE). The
// caller's DEVMODE is never written.
BOOL ApplyJobTicketToCopy(DriverContext* context, const DEVMODEW* caller, DEVMODEW* ticketed);

// rdmRcomCaps := the capabilities of the current settings; rdmRcomMember
// cleared. FALSE (nothing written) when a value list cannot be made.
BOOL BuildJobTicketCaps(DriverContext* context);
// The capabilities record into caps; FALSE as above.
BOOL ComposeJobTicketCaps(DriverContext* context, std::uint8_t (&caps)[kTicketBytes]);

// Sets the item when it is one of the 19 ticket items; its bit in the
// ticket's change mask, 0 for another item (nothing set).
std::uint32_t SetTicketItem(DriverContext* context, std::uint16_t item, std::int32_t value);
// The transactions of every ticket item whose bit is in mask.
void RunTicketTransacts(DriverContext* context, std::uint32_t mask);

// The stored values of the options of the item's pick-one entry that are not
// unavailable, into out (NULL: count only); -1 without such an entry or
// when an option has no stored value.
int ListAllowedOptionValues(DriverContext* context, std::uint16_t* out, std::uint16_t item);

struct FinisherRow {
    std::uint16_t setting;
    std::uint16_t secondTray;  // 0xFFFF: none
    std::uint16_t mainTray;
};
// The first finisher row whose installed-option setting is on, else the end
// row {0xFFFF, 0, 0}.
FinisherRow FindInstalledFinisher(DriverContext* context);
// The tray in the main-tray column (column ' ') or the second-tray column.
BOOL IsFinisherTray(std::uint16_t tray, char column);

}  // namespace vexl::ui
