// The exclusive handles of the Exc interface. An application opens a handle
// on a printer, hands it the "@PJL SET" lines it means to send (the base
// text) and learns which lines the model's constraints change. Handles are
// opaque values checked against the registry of live handles: a handle
// that was freed, or never issued, is refused and never followed.
#pragma once

#include "common/core/context.h"
#include "platform/win32.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace vexl::api {

// Items 1 to 724 can be recorded in a handle; items up to 722 are mirrored
// into its context, 723 and 724 exist only in the handle.
inline constexpr std::int32_t kPjlEntryCount = 724;
inline constexpr std::uint32_t kPjlContextItemLimit = 722;

struct ExclusiveSession {
    DriverContext* context = nullptr;  // caller kind kCallerPjlOptions, fresh at every reset
    HANDLE printer = nullptr;
    std::u16string printerName;
    std::int32_t entryCount = kPjlEntryCount;
    // Entry i: item i + 1 was given a value by a line or as its consequence.
    std::array<std::uint8_t, kPjlEntryCount> setFlags{};
    std::array<std::uint32_t, kPjlEntryCount> values{};
    // The texts without their terminator; none when there is no text.
    std::optional<std::string> baseText;
    std::optional<std::string> changeText;
};

// Bytes of a text with its terminator; 0 for none.
std::int32_t TextLength(const std::optional<std::string>& text);

// Creates a handle for the printer (ANSI name): the printer opened, a
// context opened with the printer asked for its device information now.
// NULL on any failure, with nothing left behind.
void* OpenExclusiveSession(const char* printerName);
// The live session of a handle; NULL for NULL, a freed or a foreign handle.
ExclusiveSession* FindExclusiveSession(const void* handle);
// Frees a live handle and everything it owns; other values are ignored.
void CloseExclusiveSession(const void* handle);

// Releases the session's context (parked contexts of the process are
// destroyed) and opens a fresh one; queryNow asks the printer for its
// device information when it is not known yet. The user code of the
// job-control plug-in goes into rdmUserCode. 0, or -1 without a context.
int OpenExclusiveContext(ExclusiveSession& session, BOOL queryNow);
// Forgets every recorded entry and both texts; with reopen a fresh context
// is opened (its result is the answer), else 0.
int ResetExclusiveSession(ExclusiveSession& session, bool reopen);

// ---- the driver's DEVMODE in the ANSI layout -------------------------------------------

// The ANSI DEVMODE is the wide one less 64 bytes: the two 32-character names
// take one byte a character instead of two.
inline constexpr std::size_t kDevmodeNameShrink = sizeof(DEVMODEW) - sizeof(DEVMODEA);

// Writes the wide DEVMODE (with its private part) into ansi, which is
// kDevmodeNameShrink bytes shorter: the fields from dmSpecVersion to
// dmCollate and from dmLogPixels on are copied, dmSize is lowered to the
// ANSI record's size, the form name is converted to the ANSI code page and
// the device name is the printer name cut to 31 bytes. Every copy is bounded
// by both buffers; false when they do not have the sizes of one DEVMODE.
bool WriteAnsiDevmode(std::span<const std::uint8_t> wide, const char* printerName, std::span<std::uint8_t> ansi);

}  // namespace vexl::api
