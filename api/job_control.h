// The bridge between setting items and the job-control plug-in's value
// store: user code, owner and document names, passwords, fax and
// authentication data. Each item has a numbered value slot and a bit of the
// job-control mask.
#pragma once

#include "common/core/context.h"
#include "platform/win32.h"

#include <cstdint>
#include <span>

namespace vexl::api {

// One job-control value: its mask bit, value slot, setting item, and text
// size in bytes with the terminator (0: the item's length).
struct JobControlSlot {
    std::uint32_t maskBit;
    std::uint32_t valueSlot;
    std::uint16_t item;
    std::uint16_t textSize;
    bool readable;
    bool writable;
    bool numeric;  // the text is stored as a decimal number
};

std::span<const JobControlSlot> JobControlSlots();

// Loads the job-control values of the mask bits into their items. Nothing
// happens while the job-control feature is off or the plug-in is missing.
void LoadJobControlValues(DriverContext* instance, std::uint32_t mask);
// Writes one item's text into its value slot. On Windows 9x the mask must
// be exactly one writable bit.
void StoreJobControlValue(DriverContext* instance, std::uint32_t maskBit);
// One write through the job-control plug-in for the printer: the text of
// byteSize bytes into the value slot. 1 when the plug-in took it.
BOOL CallJobControlPlugin(HANDLE printer, std::uint32_t slot, std::uint32_t kind, const WCHAR* text,
                          std::uint32_t byteSize);

}  // namespace vexl::api
