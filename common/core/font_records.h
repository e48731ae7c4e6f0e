// The font records that printer data and the compiled model share: a device
// font and a substitution pair, with the little-endian forms in which
// printer data keeps them.
#pragma once

#include "platform/win32.h"

#include <cstdint>

namespace vexl {

// A device font as printer data keeps it: u32 id and 32 UTF-16 characters, little-endian.
struct DeviceFontRecord {
    std::uint32_t id;
    WCHAR name[32];
};
inline constexpr std::uint32_t kDeviceFontRecordSize = 68;
static_assert(sizeof(DeviceFontRecord) == kDeviceFontRecordSize);
// A TrueType face and the device font that replaces it, 64 bytes each.
struct FontSubstPair {
    WCHAR trueTypeFace[32];
    WCHAR deviceFont[32];
};
inline constexpr std::uint32_t kFontNameBytes = 64;
// The most pairs a font substitution table read from printer data may hold.
inline constexpr std::uint32_t kMaxFontSubstPairs = 256;
inline constexpr std::uint32_t kFontSubstPairSize = 128;
static_assert(sizeof(FontSubstPair) == kFontSubstPairSize);

void EncodeDeviceFontRecord(const DeviceFontRecord& record, std::uint8_t* out);
DeviceFontRecord DecodeDeviceFontRecord(const std::uint8_t* bytes);

// A font name of 32 UTF-16 characters as kFontNameBytes little-endian bytes,
// and back (the last character read is always the terminator).
void EncodeFontName(const WCHAR* name, std::uint8_t* out);
void DecodeFontName(const std::uint8_t* bytes, WCHAR* name);

// The pairs of a substitution table as two arrays of names, and back.
void SplitFontSubstPairs(const FontSubstPair* pairs, std::uint32_t count, std::uint8_t* trueTypeNames,
                         std::uint8_t* deviceNames);
void JoinFontSubstPairs(const std::uint8_t* trueTypeNames, const std::uint8_t* deviceNames, std::uint32_t count,
                        FontSubstPair* pairs);

}  // namespace vexl
