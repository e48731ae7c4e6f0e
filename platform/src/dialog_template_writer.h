// Dialog templates the layer makes in memory (the property-sheet frame, the
// plain file dialog), written in the layout resource libraries hold.
#pragma once

#include "platform/windows.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace vexl::windows {

class DialogTemplateWriter {
public:
    // The header; the item count is counted as items are added.
    DialogTemplateWriter(DWORD style, DWORD exStyle, SHORT cx, SHORT cy, std::u16string_view caption, WORD pointSize,
                         std::u16string_view face)
    {
        u32(style | DS_SETFONT);
        u32(exStyle);
        u16(0);
        u16(0);
        u16(0);
        u16(static_cast<std::uint16_t>(cx));
        u16(static_cast<std::uint16_t>(cy));
        u16(0);  // no menu
        u16(0);  // the dialog class
        text(caption);
        u16(pointSize);
        text(face);
    }

    // An item of a class by name, in dialog units.
    void item(DWORD style, int id, std::u16string_view windowClass, std::u16string_view caption, SHORT x, SHORT y,
              SHORT cx, SHORT cy)
    {
        while (bytes_.size() % 4) bytes_.push_back(0);
        u32(style | WS_CHILD);
        u32(0);
        for (SHORT value : {x, y, cx, cy}) u16(static_cast<std::uint16_t>(value));
        u16(static_cast<std::uint16_t>(id));
        text(windowClass);
        text(caption);
        u16(0);
        ++bytes_[8];
    }

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    void u16(std::uint32_t value)
    {
        bytes_.push_back(static_cast<std::uint8_t>(value));
        bytes_.push_back(static_cast<std::uint8_t>(value >> 8));
    }
    void u32(std::uint32_t value)
    {
        u16(value & 0xFFFF);
        u16(value >> 16);
    }
    void text(std::u16string_view value)
    {
        for (char16_t c : value) u16(c);
        u16(0);
    }

    std::vector<std::uint8_t> bytes_;
};

}  // namespace vexl::windows
