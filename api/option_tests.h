// Availability tests of settings and dialog controls for the settings
// interface, the option bits a model's INI grants to it, and the test
// whether a TrueType font family is installed.
#pragma once

#include "common/core/context.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl::api {

// Bits of the model INI's [VEXLAPI] VEXLAPIFunc1.
inline constexpr std::uint32_t kApiOptionWatermarkKind128 = 0x1;
inline constexpr std::uint32_t kApiOptionColorMode255 = 0x2;
inline constexpr std::uint32_t kApiOptionCapability57 = 0x4;
inline constexpr std::uint32_t kApiOptionPageSeparation = 0x200;

// 1 when the settings INI holds, in the stamp section of slot 256 for the
// current language, a non-empty value under the key named after rdmWmKind.
BOOL IsCurrentStampStored(DriverContext* instance);
// 1 when the page has the control with a symbol key and, for flag 1, option
// 0 of the key is not unavailable, for flag 2 not restricted. A key without
// constraint record counts as not allowed.
BOOL IsControlOptionAllowed(DriverContext* instance, std::int16_t pageId, std::int16_t controlId, std::uint32_t flags);
// The model option bits, read from the instance's model INI on every call;
// 0 when the model INI path is empty.
std::uint32_t ReadApiOptionBits(DriverContext* instance);
// 1 when any bit of the mask is granted to the instance's printer.
BOOL HasApiOption(DriverContext* instance, std::uint32_t mask);
BOOL HasApiOptionWatermark128(DriverContext* instance);
BOOL HasApiOptionColorMode255(DriverContext* instance);
BOOL HasApiOptionCapability57(DriverContext* instance);
// The item has a UI entry, a control of some page carries the entry's
// symbol key, and option 0 of the entry is not unavailable.
BOOL IsMainItemOffered(DriverContext* instance, std::uint16_t itemId);
// As IsMainItemOffered, with the control on the given page.
BOOL IsItemOfferedOnPage(DriverContext* instance, std::uint16_t itemId, std::int16_t pageId);
// A TrueType family of exactly that face name (case included) is
// installed; vertical-writing families ("@...") never match.
BOOL IsFontInstalled(DriverContext* instance, const char* faceName);

}  // namespace vexl::api
