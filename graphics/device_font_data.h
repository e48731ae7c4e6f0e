// The device fonts of the printer as resources of the graphics library:
// four font descriptions (type 258) and three glyph sets (type 260), built
// from the readable table in device_font_data.cpp. The library carries them
// in its resource section; the tests register the same bytes with the
// engine.
#pragma once

#include <string>
#include <vector>

namespace vexl {

inline constexpr int kDeviceFontResourceType = 258;
inline constexpr int kGlyphSetResourceType = 260;
inline constexpr int kDeviceFontCount = 4;

// A font description: u32 total size, u32 offset of the IFIMETRICS, and at
// this offset the u32 offset of the symbol-set text.
inline constexpr unsigned kSymbolSetOffsetField = 572;
inline constexpr unsigned kMinDeviceFontResource = kSymbolSetOffsetField + 4;

struct DeviceFontResource {
    int type;
    int id;
    std::string bytes;
};

std::vector<DeviceFontResource> BuildDeviceFontResources();

}  // namespace vexl
