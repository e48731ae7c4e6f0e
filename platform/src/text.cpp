#include "platform/text.h"

#include "codepages.h"
#include "platform/kernel.h"
#include "platform/machine.h"
#include "profile.h"
#include "unicode.h"

#include <algorithm>
#include <climits>
#include <cstring>

using namespace vexl::platform;

namespace {

int Fail(DWORD error)
{
    SetLastError(error);
    return 0;
}

// The caller's buffer, or only a count when the caller asks for the size
// (capacity 0). A character goes in whole or not at all; once one does not
// fit, the conversion stops and the caller keeps what was written.
template <typename Unit> class Output {
public:
    Output(Unit* destination, int capacity) : destination_(destination), capacity_(capacity) {}

    bool Put(const Unit* units, int count)
    {
        const int room = capacity_ == 0 ? INT_MAX - written_ : capacity_ - written_;
        if (count > room) {
            full_ = true;
            return false;
        }
        if (capacity_ != 0) std::copy_n(units, count, destination_ + written_);
        written_ += count;
        return true;
    }

    int Finish() const { return full_ ? Fail(ERROR_INSUFFICIENT_BUFFER) : written_; }

private:
    Unit* destination_;
    int capacity_;
    int written_ = 0;
    bool full_ = false;
};

bool ValidConversion(const void* source, int sourceLength, const void* destination, int destinationLength)
{
    if (!source || sourceLength == 0 || sourceLength < -1) return false;
    if (destinationLength < 0 || (destinationLength > 0 && !destination)) return false;
    return source != destination;
}

UINT ResolveCodePage(UINT codePage)
{
    if (codePage == CP_ACP || codePage == CP_THREAD_ACP) return GetACP();
    if (codePage == CP_OEMCP) return GetOEMCP();
    return codePage;
}

bool IsKnownCodePage(UINT codePage)
{
    return codePage == CP_UTF8 || codePage == kShiftJisPage || FindSingleBytePage(codePage) != nullptr;
}

// One character read from UTF-16: a surrogate pair makes one code point; a
// lone surrogate reads as U+FFFD and is not valid.
struct Utf16Char {
    char32_t codePoint;
    std::size_t unitsRead;
    bool valid;
};

bool IsHighSurrogate(char16_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

Utf16Char ReadUtf16(const WCHAR* text, std::size_t available)
{
    const char16_t c = text[0];
    if (IsHighSurrogate(c) && available > 1 && IsLowSurrogate(text[1])) {
        return {0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(text[1]) - 0xDC00), 2, true};
    }
    if (IsHighSurrogate(c) || IsLowSurrogate(c)) return {0xFFFD, 1, false};
    return {c, 1, true};
}

int DecodeUtf8Text(DWORD flags, const BYTE* bytes, std::size_t length, Output<WCHAR>& out)
{
    for (std::size_t i = 0; i < length;) {
        const Utf8Char c = DecodeUtf8(bytes + i, length - i);
        if (!c.valid && (flags & MB_ERR_INVALID_CHARS)) return Fail(ERROR_NO_UNICODE_TRANSLATION);
        if (!out.Put(c.units, c.unitCount)) break;
        i += c.bytesRead;
    }
    return out.Finish();
}

int EncodeUtf8Text(DWORD flags, const WCHAR* text, std::size_t length, Output<char>& out)
{
    for (std::size_t i = 0; i < length;) {
        const Utf16Char c = ReadUtf16(text + i, length - i);
        if (!c.valid && (flags & WC_ERR_INVALID_CHARS)) return Fail(ERROR_NO_UNICODE_TRANSLATION);
        char bytes[4];
        if (!out.Put(bytes, EncodeUtf8(c.codePoint, bytes))) break;
        i += c.unitsRead;
    }
    return out.Finish();
}

int EncodeSingleByteText(const SingleBytePage& page, const WCHAR* text, std::size_t length, LPCSTR defaultChar,
                         BOOL* usedDefaultChar, Output<char>& out)
{
    const char fallback = defaultChar ? defaultChar[0] : '?';
    if (usedDefaultChar) *usedDefaultChar = FALSE;
    for (std::size_t i = 0; i < length; ++i) {
        const std::optional<BYTE> byte = EncodeChar(page, text[i]);
        if (!byte && usedDefaultChar) *usedDefaultChar = TRUE;
        const char c = byte ? static_cast<char>(*byte) : fallback;
        if (!out.Put(&c, 1)) break;
    }
    return out.Finish();
}

// Page 932: a byte below 0x80 or a half-width katakana stands alone; a lead
// byte takes the next byte with it. A lead byte at the end, or a pair the
// layer has no entry for, reads as U+30FB.
int DecodeShiftJisText(DWORD flags, const BYTE* bytes, std::size_t length, Output<WCHAR>& out)
{
    for (std::size_t i = 0; i < length;) {
        const bool pair = IsShiftJisLeadByte(bytes[i]) && i + 1 < length;
        const std::optional<char16_t> c =
            DecodeShiftJis(bytes[i], pair ? std::optional<BYTE>(bytes[i + 1]) : std::nullopt);
        if (!c && (flags & MB_ERR_INVALID_CHARS)) return Fail(ERROR_NO_UNICODE_TRANSLATION);
        const char16_t unit = c ? *c : u'\u30FB';
        if (!out.Put(&unit, 1)) break;
        i += pair ? 2 : 1;
    }
    return out.Finish();
}

int EncodeShiftJisText(const WCHAR* text, std::size_t length, LPCSTR defaultChar, BOOL* usedDefaultChar,
                       Output<char>& out)
{
    const char fallback = defaultChar ? defaultChar[0] : '?';
    if (usedDefaultChar) *usedDefaultChar = FALSE;
    for (std::size_t i = 0; i < length; ++i) {
        const std::optional<std::uint16_t> code = EncodeShiftJis(text[i]);
        if (!code && usedDefaultChar) *usedDefaultChar = TRUE;
        char bytes[2] = {fallback, 0};
        int count = 1;
        if (code) {
            bytes[0] = static_cast<char>(*code >> 8);
            bytes[1] = static_cast<char>(*code & 0xFF);
            count = IsShiftJisLeadByte(static_cast<BYTE>(bytes[0])) ? 2 : 1;
        }
        if (!out.Put(bytes, count)) break;
    }
    return out.Finish();
}

// Character sets and their ANSI code pages, in the order of the code page
// bits of a font signature.
struct CharsetRow {
    UINT charset;
    UINT codePage;
    int codePageBit;
};

constexpr CharsetRow kCharsets[] = {
    {ANSI_CHARSET, 1252, 0},   {EASTEUROPE_CHARSET, 1250, 1},  {RUSSIAN_CHARSET, 1251, 2},
    {GREEK_CHARSET, 1253, 3},  {TURKISH_CHARSET, 1254, 4},     {HEBREW_CHARSET, 1255, 5},
    {ARABIC_CHARSET, 1256, 6}, {BALTIC_CHARSET, 1257, 7},      {VIETNAMESE_CHARSET, 1258, 8},
    {THAI_CHARSET, 874, 16},   {SHIFTJIS_CHARSET, 932, 17},    {GB2312_CHARSET, 936, 18},
    {HANGUL_CHARSET, 949, 19}, {CHINESEBIG5_CHARSET, 950, 20}, {JOHAB_CHARSET, 1361, 21},
    {SYMBOL_CHARSET, 42, 31},
};

const CharsetRow* FindCharset(bool (*matches)(const CharsetRow&, DWORD), DWORD value)
{
    for (const CharsetRow& row : kCharsets) {
        if (matches(row, value)) return &row;
    }
    return nullptr;
}

}  // namespace

int lstrlenW(LPCWSTR text)
{
    return static_cast<int>(TextLength(text));
}

// Copies at most maxChars - 1 characters and always terminates within
// maxChars. A count of 0 writes nothing; a negative count is refused rather
// than taken as an unbounded copy.
LPWSTR lstrcpynW(LPWSTR destination, LPCWSTR source, int maxChars)
{
    if (!destination) return nullptr;
    if (maxChars < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (maxChars == 0) return destination;
    int i = 0;
    for (; source && i < maxChars - 1 && source[i]; ++i) destination[i] = source[i];
    destination[i] = 0;
    return destination;
}

int lstrcmpW(LPCWSTR a, LPCWSTR b)
{
    const int order = View(a).compare(View(b));
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

int lstrcmpiW(LPCWSTR a, LPCWSTR b)
{
    return CompareNoCase(View(a), View(b));
}

int lstrlenA(LPCSTR text)
{
    return text ? static_cast<int>(std::strlen(text)) : 0;
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceBytes, LPWSTR destination,
                        int destinationChars)
{
    if (!ValidConversion(source, sourceBytes, destination, destinationChars)) return Fail(ERROR_INVALID_PARAMETER);
    const UINT page = ResolveCodePage(codePage);
    if (!IsKnownCodePage(page)) return Fail(ERROR_INVALID_PARAMETER);

    const auto* bytes = reinterpret_cast<const BYTE*>(source);
    const std::size_t length = sourceBytes == -1 ? std::strlen(source) + 1 : static_cast<std::size_t>(sourceBytes);
    Output<WCHAR> out(destination, destinationChars);
    if (page == CP_UTF8) return DecodeUtf8Text(flags, bytes, length, out);
    if (page == kShiftJisPage) return DecodeShiftJisText(flags, bytes, length, out);

    const SingleBytePage& table = *FindSingleBytePage(page);
    for (std::size_t i = 0; i < length; ++i) {
        const char16_t c = DecodeByte(table, bytes[i]);
        if (!out.Put(&c, 1)) break;
    }
    return out.Finish();
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR source, int sourceChars, LPSTR destination,
                        int destinationBytes, LPCSTR defaultChar, BOOL* usedDefaultChar)
{
    if (!ValidConversion(source, sourceChars, destination, destinationBytes)) return Fail(ERROR_INVALID_PARAMETER);
    const UINT page = ResolveCodePage(codePage);
    if (!IsKnownCodePage(page)) return Fail(ERROR_INVALID_PARAMETER);

    const std::size_t length = sourceChars == -1 ? TextLength(source) + 1 : static_cast<std::size_t>(sourceChars);
    Output<char> out(destination, destinationBytes);
    if (page == CP_UTF8) {
        // Every character has UTF-8 bytes, so there is no default character to use or report.
        if (defaultChar || usedDefaultChar) return Fail(ERROR_INVALID_PARAMETER);
        return EncodeUtf8Text(flags, source, length, out);
    }
    if (page == kShiftJisPage) return EncodeShiftJisText(source, length, defaultChar, usedDefaultChar, out);
    return EncodeSingleByteText(*FindSingleBytePage(page), source, length, defaultChar, usedDefaultChar, out);
}

// The machine profile names the ANSI code page; one the layer cannot
// convert leaves the machine on 1252.
UINT GetACP()
{
    const UINT page = vexl::machine::CurrentProfile()->ansiCodePage;
    return page != CP_ACP && IsKnownCodePage(page) ? page : 1252;
}

UINT GetOEMCP()
{
    return 437;
}

BOOL IsDBCSLeadByte(BYTE byte)
{
    return IsDBCSLeadByteEx(CP_ACP, byte);
}

// Only page 932 among the pages the layer knows has bytes that lead a pair.
BOOL IsDBCSLeadByteEx(UINT codePage, BYTE byte)
{
    const UINT page = ResolveCodePage(codePage);
    if (!IsKnownCodePage(page)) SetLastError(ERROR_INVALID_PARAMETER);
    return page == kShiftJisPage && IsShiftJisLeadByte(byte) ? TRUE : FALSE;
}

BOOL TranslateCharsetInfo(DWORD* source, LPCHARSETINFO charsetInfo, DWORD flags)
{
    if (!charsetInfo) return Fail(ERROR_INVALID_PARAMETER);
    const auto value = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(source));
    const CharsetRow* row = nullptr;
    switch (flags) {
    case TCI_SRCCHARSET:
        row = FindCharset([](const CharsetRow& r, DWORD v) { return r.charset == v; }, value);
        break;
    case TCI_SRCCODEPAGE:
        row = FindCharset([](const CharsetRow& r, DWORD v) { return r.codePage == v; }, value);
        break;
    case TCI_SRCFONTSIG:
        if (!source) return Fail(ERROR_INVALID_PARAMETER);
        row = FindCharset([](const CharsetRow& r, DWORD v) { return (v >> r.codePageBit & 1) != 0; }, source[0]);
        break;
    default:
        return Fail(ERROR_INVALID_PARAMETER);
    }
    if (!row) return FALSE;
    *charsetInfo = CHARSETINFO{};
    charsetInfo->ciCharset = row->charset;
    charsetInfo->ciACP = row->codePage;
    charsetInfo->fs.fsCsb[0] = DWORD(1) << row->codePageBit;
    return TRUE;
}
