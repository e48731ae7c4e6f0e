// Dialog templates built in memory for tests, in the standard layout the
// resource libraries hold: the header, menu, class and caption, the font
// when DS_SETFONT, then each item DWORD-aligned.
#pragma once

#include "platform/windows.h"

#include <cstring>
#include <string>
#include <vector>

namespace vexl::test {

class DialogTemplateWriter {
public:
    DialogTemplateWriter(DWORD style, SHORT x, SHORT y, SHORT cx, SHORT cy, std::u16string caption, WORD pointSize = 8,
                         std::u16string face = u"MS Shell Dlg")
    {
        word(LOWORD(style));
        word(HIWORD(style));
        dword(0);
        countAt_ = bytes_.size();
        word(0);
        word(static_cast<WORD>(x));
        word(static_cast<WORD>(y));
        word(static_cast<WORD>(cx));
        word(static_cast<WORD>(cy));
        word(0);  // no menu
        word(0);  // the dialog class
        string(caption);
        if ((style & DS_SETFONT) != 0) {
            word(pointSize);
            string(face);
        }
    }

    // An item of a standard class (0x80 Button ... 0x85 ComboBox).
    DialogTemplateWriter& item(WORD classOrdinal, DWORD style, SHORT x, SHORT y, SHORT cx, SHORT cy, WORD id,
                               std::u16string text = u"", DWORD exStyle = 0)
    {
        header(style, exStyle, x, y, cx, cy, id);
        word(0xFFFF);
        word(classOrdinal);
        finish(text);
        return *this;
    }

    // An item of a class given by name.
    DialogTemplateWriter& item(const std::u16string& className, DWORD style, SHORT x, SHORT y, SHORT cx, SHORT cy,
                               WORD id, std::u16string text = u"", DWORD exStyle = 0)
    {
        header(style, exStyle, x, y, cx, cy, id);
        string(className);
        finish(text);
        return *this;
    }

    const std::vector<BYTE>& bytes() const { return bytes_; }

    // The template in DWORD-aligned memory, as the dialog functions take it.
    const DLGTEMPLATE* get()
    {
        aligned_.assign((bytes_.size() + 3) / 4, 0);
        std::memcpy(aligned_.data(), bytes_.data(), bytes_.size());
        return reinterpret_cast<const DLGTEMPLATE*>(aligned_.data());
    }

private:
    void word(WORD value)
    {
        bytes_.push_back(static_cast<BYTE>(value));
        bytes_.push_back(static_cast<BYTE>(value >> 8));
    }
    void dword(DWORD value)
    {
        word(LOWORD(value));
        word(HIWORD(value));
    }
    void string(const std::u16string& text)
    {
        for (char16_t c : text) word(c);
        word(0);
    }
    void header(DWORD style, DWORD exStyle, SHORT x, SHORT y, SHORT cx, SHORT cy, WORD id)
    {
        while (bytes_.size() % 4 != 0) bytes_.push_back(0);
        dword(style);
        dword(exStyle);
        word(static_cast<WORD>(x));
        word(static_cast<WORD>(y));
        word(static_cast<WORD>(cx));
        word(static_cast<WORD>(cy));
        word(id);
        const WORD count = static_cast<WORD>(bytes_[countAt_] | (bytes_[countAt_ + 1] << 8)) + 1;
        bytes_[countAt_] = static_cast<BYTE>(count);
        bytes_[countAt_ + 1] = static_cast<BYTE>(count >> 8);
    }
    void finish(const std::u16string& text)
    {
        string(text);
        word(0);  // no creation data
    }

    std::vector<BYTE> bytes_;
    std::vector<DWORD> aligned_;
    std::size_t countAt_ = 0;
};

}  // namespace vexl::test
