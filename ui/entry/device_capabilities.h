// DrvDeviceCapabilities: the DC_ answers of the printer. Fixed facts come
// from the model record, the installed options from printer data and the
// stored DEVMODE, and the option lists from a capabilities context into
// which the caller's DEVMODE is merged. Lists answer in two passes: without
// a buffer the count, with one the items too.
#pragma once

#include "common/core/context.h"
#include "platform/devmode.h"
#include "platform/printui.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl::ui {

inline constexpr DWORD kCapabilityUnsupported = 0xFFFFFFFF;

DWORD QueryDeviceCapability(HANDLE printer, PWSTR device, std::uint16_t index, void* out, const DEVMODEW* in);
DWORD QueryCapabilityWithContext(HANDLE printer, PWSTR device, std::uint16_t index, void* out, const DEVMODEW* in);

// The printer's stored DEVMODE into block (of the driver's DEVMODE size,
// zero-filled first) in the store's layout: its public part from the start
// and its driver part behind the driver's public part, each as far as the
// stored record declares it and the block holds it; FALSE when it has none.
BOOL ReadStoredDevmode(HANDLE printer, DEVMODEW* block);
// Key "PPM" of the model INI in the section of the printer's driver name; 0
// when absent.
int ReadPagesPerMinute(HANDLE printer);
// 0 when the DEVMODE's model has no colour, or colour is locked (bit 0 of
// lockBits) and the DEVMODE asks for monochrome; else 1.
BOOL IsColorAllowed(std::uint32_t lockBits, const DEVMODEW* devmode);

}  // namespace vexl::ui
