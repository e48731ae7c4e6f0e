// Reading dialog templates: the standard layout and the extended one, with
// every field bounded by the size of the template.
#include "platform/windows_host.h"
#include "windows_state.h"

#include <cstring>

namespace vexl::windows {

namespace {

constexpr WORD kExtendedSignature = 0xFFFF;

// A cursor over the template's bytes; every read checks the end.
class Reader {
public:
    Reader(const BYTE* data, std::size_t size) : data_(data), size_(size) {}

    bool ok() const { return ok_; }
    std::size_t offset() const { return offset_; }

    WORD word()
    {
        if (!take(2)) return 0;
        return static_cast<WORD>(data_[offset_ - 2] | (data_[offset_ - 1] << 8));
    }
    DWORD dword()
    {
        const WORD low = word();
        const WORD high = word();
        return MAKELONG(low, high);
    }
    SHORT shortValue() { return static_cast<SHORT>(word()); }
    BYTE byte()
    {
        if (!take(1)) return 0;
        return data_[offset_ - 1];
    }

    // A terminated UTF-16 string.
    std::u16string string()
    {
        std::u16string out;
        for (;;) {
            const WORD c = word();
            if (!ok_ || c == 0) return out;
            out.push_back(static_cast<char16_t>(c));
        }
    }

    // 0x0000: nothing; 0xFFFF: an ordinal; otherwise a string.
    TemplateName nameOrOrdinal()
    {
        TemplateName name;
        if (offset_ + 2 > size_) {
            ok_ = false;
            return name;
        }
        const WORD first = static_cast<WORD>(data_[offset_] | (data_[offset_ + 1] << 8));
        if (first == 0) {
            word();
        } else if (first == 0xFFFF) {
            word();
            name.isOrdinal = true;
            name.id = word();
        } else {
            name.name = string();
        }
        return name;
    }

    void bytes(std::size_t count, std::vector<BYTE>& out)
    {
        if (!take(count)) return;
        out.assign(data_ + offset_ - count, data_ + offset_);
    }

    void alignDword()
    {
        const std::size_t aligned = (offset_ + 3) & ~std::size_t(3);
        if (aligned > size_) {
            // Padding after the last item may be missing.
            offset_ = size_;
            return;
        }
        offset_ = aligned;
    }

private:
    bool take(std::size_t count)
    {
        if (!ok_ || count > size_ - offset_) {
            ok_ = false;
            return false;
        }
        offset_ += count;
        return true;
    }

    const BYTE* data_;
    std::size_t size_;
    std::size_t offset_ = 0;
    bool ok_ = true;
};

}  // namespace

const WCHAR* StandardClassName(WORD ordinal)
{
    switch (ordinal) {
    case 0x80:
        return WC_BUTTON;
    case 0x81:
        return WC_EDIT;
    case 0x82:
        return WC_STATIC;
    case 0x83:
        return WC_LISTBOX;
    case 0x84:
        return WC_SCROLLBAR;
    case 0x85:
        return WC_COMBOBOX;
    default:
        return nullptr;
    }
}

bool ParseDialogTemplate(const void* data, std::size_t size, DialogTemplate& out)
{
    out = {};
    if (data == nullptr) return false;
    Reader in(static_cast<const BYTE*>(data), size);
    const WORD first = in.word();
    const WORD second = in.word();
    out.extended = first == 1 && second == kExtendedSignature;
    WORD count = 0;
    if (out.extended) {
        out.helpId = in.dword();
        out.exStyle = in.dword();
        out.style = in.dword();
    } else {
        out.style = MAKELONG(first, second);
        out.exStyle = in.dword();
    }
    count = in.word();
    out.x = in.shortValue();
    out.y = in.shortValue();
    out.cx = in.shortValue();
    out.cy = in.shortValue();
    out.menu = in.nameOrOrdinal();
    out.windowClass = in.nameOrOrdinal();
    out.caption = in.string();
    if ((out.style & DS_SETFONT) != 0) {
        out.pointSize = in.word();
        if (out.extended) {
            out.weight = in.word();
            out.italic = in.byte();
            out.charset = in.byte();
        }
        out.faceName = in.string();
    }
    if (!in.ok()) return false;
    out.items.reserve(count);
    for (WORD i = 0; i < count; ++i) {
        in.alignDword();
        DialogItem item;
        if (out.extended) {
            item.helpId = in.dword();
            item.exStyle = in.dword();
            item.style = in.dword();
        } else {
            item.style = in.dword();
            item.exStyle = in.dword();
        }
        item.x = in.shortValue();
        item.y = in.shortValue();
        item.cx = in.shortValue();
        item.cy = in.shortValue();
        item.id = out.extended ? in.dword() : in.word();
        item.windowClass = in.nameOrOrdinal();
        item.text = in.nameOrOrdinal();
        // The standard layout counts the size word in the creation data,
        // the extended one counts only the bytes that follow.
        const WORD extra = in.word();
        const std::size_t dataSize = out.extended ? extra : (extra > 2 ? extra - 2u : 0u);
        if (dataSize != 0) in.bytes(dataSize, item.creationData);
        if (!in.ok()) return false;
        if (item.windowClass.name.empty() && !item.windowClass.isOrdinal) return false;
        out.items.push_back(std::move(item));
    }
    return true;
}

}  // namespace vexl::windows
