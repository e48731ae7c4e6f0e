// Checks of the texts an application hands to the settings interface (user
// identifiers, file names, overlay file paths) and the probes that an output
// file path can be written. Texts are 8-bit ANSI of the process code page; a
// lead byte of a double-byte character takes the byte after it along, so a
// trail byte is never mistaken for a separator.
#pragma once

#include "platform/win32.h"

#include <cstdint>

namespace vexl::api {

// 1 when every byte is 0-9, A-Z or a-z (the empty text too); 0 for NULL.
BOOL IsAsciiAlphanumeric(const char* text);
// 0 for NULL, or when a byte outside a double-byte character is one of
// / : ; , * ? " < > | (or a backslash unless allowBackslash); else 1.
BOOL HasNoForbiddenChars(const char* text, BOOL allowBackslash);
// A bare file name: no forbidden character, backslash included.
BOOL IsValidFileNameText(const char* text);
// A path: an optional drive prefix ("C:"), then no forbidden character but
// backslashes.
BOOL IsValidPathText(const char* text);
// The text after the last backslash (a trail byte is no backslash); the
// whole text when there is none; NULL for NULL.
const char* FindBaseNameAnsi(const char* path);
// The text after the last "." of the base name, its length to *outLength.
// A path without a directory part or with an empty base name answers the
// whole path with length 0.
const char* FindExtensionAnsi(const char* path, std::int32_t* outLength);
// A valid path with a directory part, a valid base name and the extension
// "rpo" in any case: the overlay file of the job information.
BOOL IsOverlayFilePath(const char* path);
// 1 when the text holds the single byte c outside every double-byte
// character; 0 otherwise and for NULL.
BOOL ContainsAnsiChar(const char* text, char c);

// Capacity of the full and short path answers, in bytes or characters.
inline constexpr int kProbePathCapacity = 260;

// 1 when a file can be written at path: an existing file is accepted as it
// is; otherwise the file is created and deleted again, creating one missing
// directory level for the trial. Nothing created by the probe is left
// behind. On success the full path (ANSI, at most 260 bytes with the
// terminator) goes to fullPath when given.
BOOL ProbeOutputPath(const char* path, char* fullPath);
// The same probe answering the short form of the path (at most 260
// characters with the terminator) in shortPath.
BOOL ProbeOutputPathShort(const WCHAR* path, WCHAR* shortPath);

}  // namespace vexl::api
