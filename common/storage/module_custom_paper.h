// The custom paper module: the custom size in hundredths of an inch
// (rdmPaperINCHLength, rdmPaperINCHWidth) while the size is shown in inches,
// the size controls' limits by tray and orientation, and the custom-size
// dialog's events.
#pragma once

#include "common/model/compiled_model.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl {

struct DriverContext;
struct PageDesc;
struct PageItem;

// One row of a custom paper limit table, ended by tray 0. Limits are in
// 1,200-dpi dots: length min, length max, width min, width max for metric
// display, then the same four for inch display.
struct PaperLimitRow {
    std::uint16_t platform;  // 3 any, 1 Windows 9x, 2 NT
    std::uint16_t tray;
    std::uint16_t orientation;
    std::int32_t limits[8];
};
inline constexpr std::uint16_t kPaperLimitAnyPlatform = 3;
inline constexpr std::uint16_t kPaperLimitNtPlatform = 2;
// A model's table: used when the driver's position in the model-name list
// (bit position - 1) is in mask.
struct PaperLimitSet {
    std::uint32_t modelMask;
    const PaperLimitRow* rows;
};

// The table of the context's model. The model database's list and default
// table are empty, so every tray answers "no limits".
const PaperLimitRow* FindModelPaperLimitTable(DriverContext* context);
// Tests put a table of their own in place; NULL brings the model's back.
using PaperLimitTableGetter = const PaperLimitRow* (*)(DriverContext* context);
void SetPaperLimitTableGetter(PaperLimitTableGetter getter);

// The tray's length or width limits in dots, each moved outwards to a whole
// display unit; FALSE when the table has no row for the tray.
BOOL GetTrayPaperLimits(DriverContext* context, std::uint32_t tray, std::uint32_t orientation, std::int32_t* outMin,
                        std::int32_t* outMax, BOOL length);
// The limits of a custom-size length or width control under the current
// page's tray and orientation.
BOOL GetFreeSizeControlLimits(DriverContext* context, const PageItem* control, std::int32_t* outMin,
                              std::int32_t* outMax);
// The first usable length (or width) control of the page, or NULL.
PageItem* FindFreeSizeControl(DriverContext* context, PageDesc* page, BOOL length);
// The inch items within the limits of the input dialog's size controls.
void ClampInchPaperToLimits(DriverContext* context);

// The hooks of the custom paper module's row.
int CustomPaperModuleCommand(DriverContext* context, std::uint16_t command, void* privateBuffer);
int CustomPaperModuleEvent(DriverContext* context, std::uint32_t event, void* param, void* privateBuffer);

}  // namespace vexl
