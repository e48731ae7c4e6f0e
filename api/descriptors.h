// The status and capability descriptor tables of the settings interface and
// the small static lists the status handlers share: the function-switch map,
// the watermark colours, the watermark kinds and the tray codes.
//
// Each record says whether the identifier is enabled, its structure versions,
// its main item, its handlers and the items it covers. The handlers are bound
// at first use from the rows that each handler file keeps (handler_rows.h).
#pragma once

#include "api/frame.h"

#include <cstdint>
#include <span>

namespace vexl::api {

inline constexpr std::uint32_t kExtraCapabilityId = 0x30000;
inline constexpr int kCoveredItemCount = 8;

// Every record of each table, in id order.
std::span<const ApiDescriptor> StatusTable();
std::span<const ApiDescriptor> CapabilityTable();
std::span<const ApiDescriptor> ExtraCapabilityTable();

// Lookups bounded by the identifier limits of the version in force: an id
// outside them, or inside without a record, gives none.
const ApiDescriptor* FindStatusDescriptor(std::uint32_t id);
const ApiDescriptor* FindCapabilityDescriptor(std::uint32_t id);
const ApiDescriptor* FindExtraCapabilityDescriptor(std::uint32_t id);
// The same under a version given.
const ApiDescriptor* FindStatusDescriptorForVersion(std::uint32_t id, int version);
const ApiDescriptor* FindCapabilityDescriptorForVersion(std::uint32_t id, int version);

// ---- the function-switch map of the statuses -----------------------------------------------
// Flag 1: a change of a covered item is not reported while the switch
// item's UI entry is unavailable or restricted. Flag 2: a change of the
// cover or mark paper type is not reported while the switch is off.
inline constexpr std::uint32_t kSwitchQuietWhileUnavailable = 1;
inline constexpr std::uint32_t kSwitchQuietWhileOff = 2;

struct StatusSwitchRow {
    std::uint32_t statusId;
    std::uint16_t switchItem;
    std::uint32_t flags;
};
std::span<const StatusSwitchRow> StatusSwitchMap();
// The switch item of the status, 0 when it has no row; the row through row
// when asked.
std::uint16_t GetStatusSwitchItem(std::uint32_t statusId, const StatusSwitchRow** row);

// ---- watermark colours and kinds ------------------------------------------------------------
struct WatermarkColor {
    std::uint8_t code;
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};
std::span<const WatermarkColor> WatermarkColorTable();
// The row of the low 8 bits of code, or none.
const WatermarkColor* FindWatermarkColor(std::uint32_t code);
// The kinds the watermark-kind capability offers: 1, 2, 3, 128.
std::span<const std::uint32_t> WatermarkKindList();

// ---- trays ----------------------------------------------------------------------------------
inline constexpr int kTraySlotCount = 32;
// The dmDefaultSource code of each tray slot 0 to 31 (0: none).
std::span<const std::uint32_t> TrayCodeTable();

// ---- shared handlers -------------------------------------------------------------------------
// Capabilities 1 and 24: supported, whatever the context and buffer.
int CapsSupportedStub(DriverContext* instance, std::uint32_t id, void* buffer);
// The verify handler of the statuses whose write is its own check.
int VerifyAlwaysPasses(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                       std::uint32_t mode);

}  // namespace vexl::api
