#include "platform/kernel.h"
#include "platform/text.h"
#include "support/test_machine.h"

#include <string>

namespace vexl::test {
namespace {

using namespace std::string_literals;

// A conversion into a 16-unit buffer prefilled with '#', so a test sees
// exactly which units the call wrote.
template <typename Unit> struct Converted {
    int result;
    DWORD error;
    std::basic_string<Unit> buffer;
};

Converted<char16_t> ToWide(UINT page, std::string_view source, int sourceLength, int capacity, DWORD flags = 0)
{
    std::u16string buffer(16, u'#');
    SetLastError(ERROR_SUCCESS);
    const int result = MultiByteToWideChar(page, flags, source.data(), sourceLength, buffer.data(), capacity);
    return {result, GetLastError(), buffer};
}

Converted<char> ToBytes(UINT page, std::u16string_view source, int sourceLength, int capacity)
{
    std::string buffer(16, '#');
    SetLastError(ERROR_SUCCESS);
    const int result =
        WideCharToMultiByte(page, 0, source.data(), sourceLength, buffer.data(), capacity, nullptr, nullptr);
    return {result, GetLastError(), buffer};
}

std::u16string Widen(std::string_view ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

// Whole texts converted with a page; the wide side is the reference.
std::u16string Decode(UINT page, std::string_view bytes, DWORD flags = 0)
{
    std::u16string out(bytes.size() * 2 + 1, u'\0');
    const int n = MultiByteToWideChar(page, flags, bytes.data(), static_cast<int>(bytes.size()), out.data(),
                                      static_cast<int>(out.size()));
    out.resize(n > 0 ? n : 0);
    return out;
}

std::string Encode(UINT page, std::u16string_view text, LPCSTR defaultChar = nullptr, BOOL* usedDefault = nullptr)
{
    std::string out(text.size() * 4 + 1, '\0');
    const int n = WideCharToMultiByte(page, 0, text.data(), static_cast<int>(text.size()), out.data(),
                                      static_cast<int>(out.size()), defaultChar, usedDefault);
    out.resize(n > 0 ? n : 0);
    return out;
}

// "abcdef" and its terminator, with the buffer as it looks after the call.
struct TruncationCase {
    int sourceLength;
    int capacity;
    int result;
    DWORD error;
    std::string buffer;
};

const TruncationCase kTruncationCases[] = {
    {-1, 0, 7, ERROR_SUCCESS, "################"},              // size query counts the terminator
    {-1, 7, 7, ERROR_SUCCESS, "abcdef\0#########"s},            // exact fit
    {-1, 4, 0, ERROR_INSUFFICIENT_BUFFER, "abcd############"},  // what fits is written
    {-1, 6, 0, ERROR_INSUFFICIENT_BUFFER, "abcdef##########"},  // no room for the terminator
    {3, 0, 3, ERROR_SUCCESS, "################"},               // explicit length, size query
    {3, 10, 3, ERROR_SUCCESS, "abc#############"},              // no terminator added
    {7, 16, 7, ERROR_SUCCESS, "abcdef\0#########"s},            // a counted terminator is copied
    {2, 1, 0, ERROR_INSUFFICIENT_BUFFER, "a###############"},
};

TEST(CodePageConversion, TruncatesLikeWindowsBothWays)
{
    for (const TruncationCase& c : kTruncationCases) {
        SCOPED_TRACE(testing::Message() << "length " << c.sourceLength << " capacity " << c.capacity);
        const Converted<char16_t> wide = ToWide(1252, "abcdef", c.sourceLength, c.capacity);
        EXPECT_EQ(wide.result, c.result);
        EXPECT_EQ(wide.error, c.error);
        EXPECT_EQ(wide.buffer, Widen(c.buffer));
        const Converted<char> bytes = ToBytes(1252, u"abcdef", c.sourceLength, c.capacity);
        EXPECT_EQ(bytes.result, c.result);
        EXPECT_EQ(bytes.error, c.error);
        EXPECT_EQ(bytes.buffer, c.buffer);
    }
}

TEST(CodePageConversion, NeverSplitsACharacterAtTheEndOfTheBuffer)
{
    // U+1F600 is two UTF-16 units and four UTF-8 bytes.
    const Converted<char16_t> wide = ToWide(CP_UTF8, "a\xF0\x9F\x98\x80", 5, 2);
    EXPECT_EQ(wide.result, 0);
    EXPECT_EQ(wide.error, ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(wide.buffer, u"a###############");

    const Converted<char> bytes = ToBytes(CP_UTF8, u"a\U0001F600", 3, 4);
    EXPECT_EQ(bytes.result, 0);
    EXPECT_EQ(bytes.error, ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(bytes.buffer, "a###############");
    EXPECT_EQ(ToBytes(CP_UTF8, u"a\U0001F600", 3, 0).result, 5);
}

TEST(CodePageConversion, RefusesBadArguments)
{
    char bytes[8] = "abc";
    WCHAR wide[8] = u"abc";
    BOOL used = FALSE;
    struct Case {
        const char* name;
        int (*call)(char*, WCHAR*, BOOL*);
    } cases[] = {
        {"null source", [](char*, WCHAR* w, BOOL*) { return MultiByteToWideChar(1252, 0, nullptr, 3, w, 8); }},
        {"empty source", [](char* b, WCHAR* w, BOOL*) { return MultiByteToWideChar(1252, 0, b, 0, w, 8); }},
        {"length below -1", [](char* b, WCHAR* w, BOOL*) { return MultiByteToWideChar(1252, 0, b, -2, w, 8); }},
        {"negative room", [](char* b, WCHAR* w, BOOL*) { return MultiByteToWideChar(1252, 0, b, -1, w, -1); }},
        {"room without buffer", [](char* b, WCHAR*, BOOL*) { return MultiByteToWideChar(1252, 0, b, -1, nullptr, 8); }},
        {"unknown page", [](char* b, WCHAR* w, BOOL*) { return MultiByteToWideChar(936, 0, b, -1, w, 8); }},
        {"wide null source",
         [](char* b, WCHAR*, BOOL*) { return WideCharToMultiByte(1252, 0, nullptr, 3, b, 8, nullptr, nullptr); }},
        {"wide room without buffer",
         [](char*, WCHAR* w, BOOL*) { return WideCharToMultiByte(1252, 0, w, -1, nullptr, 8, nullptr, nullptr); }},
        {"wide unknown page",
         [](char* b, WCHAR* w, BOOL*) { return WideCharToMultiByte(12345, 0, w, -1, b, 8, nullptr, nullptr); }},
        {"same buffer",
         [](char*, WCHAR* w, BOOL*) {
             return WideCharToMultiByte(1252, 0, w, -1, reinterpret_cast<char*>(w), 8, nullptr, nullptr);
         }},
        {"UTF-8 with a default flag",
         [](char* b, WCHAR* w, BOOL* u) { return WideCharToMultiByte(CP_UTF8, 0, w, -1, b, 8, nullptr, u); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(c.call(bytes, wide, &used), 0);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
}

TEST(CodePageConversion, EveryByteOfEverySingleBytePageRoundTrips)
{
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    for (UINT page : {1252u, 1250u, 1251u, 28591u, 437u}) {
        SCOPED_TRACE(page);
        const std::u16string wide = Decode(page, all);
        ASSERT_EQ(wide.size(), 256u);
        BOOL used = TRUE;
        EXPECT_EQ(Encode(page, wide, nullptr, &used), all);
        EXPECT_FALSE(used);
    }
}

TEST(CodePageConversion, MapsKnownBytes)
{
    struct Case {
        UINT page;
        BYTE byte;
        char16_t character;
    } cases[] = {
        {1252, 0x41, u'A'},   {1252, 0x80, 0x20AC}, {1252, 0x81, 0x0081}, {1252, 0x8D, 0x008D}, {1252, 0x8F, 0x008F},
        {1252, 0x90, 0x0090}, {1252, 0x9D, 0x009D}, {1252, 0x8C, 0x0152}, {1252, 0x99, 0x2122}, {1252, 0x9F, 0x0178},
        {1252, 0xA0, 0x00A0}, {1252, 0xE9, 0x00E9}, {1250, 0x8C, 0x015A}, {1250, 0xB9, 0x0105}, {1250, 0xFF, 0x02D9},
        {1251, 0x88, 0x20AC}, {1251, 0xB9, 0x2116}, {1251, 0xC0, 0x0410}, {1251, 0xFF, 0x044F}, {28591, 0x80, 0x0080},
        {437, 0x80, 0x00C7},  {437, 0xDB, 0x2588},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.page << " byte " << int(c.byte));
        EXPECT_EQ(Decode(c.page, std::string(1, static_cast<char>(c.byte))), std::u16string(1, c.character));
        EXPECT_EQ(Encode(c.page, std::u16string(1, c.character)), std::string(1, static_cast<char>(c.byte)));
    }
}

TEST(CodePageConversion, ReplacesUnmappableCharactersWithTheDefault)
{
    struct Case {
        std::u16string text;
        LPCSTR defaultChar;
        std::string bytes;
        BOOL used;
    } cases[] = {
        {u"plain \u00e9\u2122", nullptr, "plain \xE9\x99", FALSE},
        {u"a\u0100b\u4E00", nullptr, "a?b?", TRUE},
        {u"a\u0100b\u4E00", "*", "a*b*", TRUE},
        {u"\u0080", nullptr, "?", TRUE},  // 0x80 is the euro sign on this page
        {u"\U0001F600", nullptr, "??", TRUE},
    };
    for (const Case& c : cases) {
        BOOL used = !c.used;
        EXPECT_EQ(Encode(1252, c.text, c.defaultChar, &used), c.bytes);
        EXPECT_EQ(used, c.used);
    }
    // The size query reports the default character too.
    BOOL used = FALSE;
    EXPECT_EQ(WideCharToMultiByte(1252, 0, u"\u4E00", -1, nullptr, 0, nullptr, &used), 2);
    EXPECT_TRUE(used);
}

TEST(CodePageConversion, ReadsAndWritesUtf8)
{
    struct Case {
        std::string bytes;
        std::u16string text;
        bool wellFormed;
    } cases[] = {
        {"caf\xC3\xA9 \xE2\x82\xAC", u"caf\u00e9 \u20ac", true},
        {"\xF0\x9F\x98\x80", u"\U0001F600", true},
        {"\xC0\xAF", u"\uFFFD\uFFFD", false},                      // overlong form
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", false},            // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD", false},  // above U+10FFFF
        {"a\xE2\x82", u"a\uFFFD", false},                          // cut short
        {"\xE2\x82z", u"\uFFFDz", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(Decode(CP_UTF8, c.bytes), c.text);
        if (c.wellFormed) {
            EXPECT_EQ(Encode(CP_UTF8, c.text), c.bytes);
            continue;
        }
        const Converted<char16_t> strict = ToWide(CP_UTF8, c.bytes, -1, 0, MB_ERR_INVALID_CHARS);
        EXPECT_EQ(strict.result, 0);
        EXPECT_EQ(strict.error, ERROR_NO_UNICODE_TRANSLATION);
    }
    EXPECT_EQ(Encode(CP_UTF8, u"x\xD800y"), "x\xEF\xBF\xBDy");  // a lone surrogate
}

TEST(CodePageConversion, JapanesePageConvertsBothWays)
{
    machine::Profile profile;
    profile.ansiCodePage = 932;
    TestMachine machine(profile);
    EXPECT_EQ(GetACP(), 932u);
    struct Case {
        std::u16string_view text;
        std::string_view bytes;
    };
    const Case cases[] = {
        {u"Abc", "Abc"},
        {u"\u660e\u671d", "\x96\xBE\x92\xA9"},                        // 明朝
        {u"\uFF7A\uFF9E\uFF7C\uFF6F\uFF78", "\xBA\xDE\xBC\xAF\xB8"},  // ｺﾞｼｯｸ, half-width
        {u"\uFF24\uFF26\uFF27", "\x82\x63\x82\x65\x82\x66"},          // ＤＦＧ
        {u"\u5916\u5B57", "\x8A\x4F\x8E\x9A"},                        // 外字
        {u"@\u3042\u30A2\u30F3", "@\x82\xA0\x83\x41\x83\x93"},        // hiragana and katakana
        {u"\u4E9C\u7199", "\x88\x9F\xEA\xA4"},                        // the first level 1 and the last level 2 ideograph
        {u"\u2160\u2252\uFFE2", "\x87\x54\x81\xE0\x81\xCA"},        // Ⅰ≒¬: row 13 and JIS codes over the IBM block
        {u"\u2170\u7E8A", "\xFA\x40\xFA\x5C"},                        // ⅰ纊: the IBM block over the NEC-selected one
        {u"\uE000\uE757", "\xF0\x40\xF9\xFC"},                        // the user-defined area
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Encode(CP_ACP, c.text), c.bytes);
        EXPECT_EQ(Decode(CP_ACP, c.bytes), c.text);
    }
    BOOL usedDefault = FALSE;
    EXPECT_EQ(Encode(932, u"\u00e9x", nullptr, &usedDefault), "?x");
    EXPECT_TRUE(usedDefault);
    EXPECT_EQ(Decode(932, "a\x82"), u"a\u30FB");    // a lead byte without its trail
    EXPECT_EQ(Decode(932, "\x85\x40"), u"\u30FB");  // an unassigned pair
    EXPECT_EQ(MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, "\x85\x40", 2, nullptr, 0), 0);
    EXPECT_EQ(Decode(932, "\xEE\xEF\x87\x90"), u"\u2170\u2252");  // duplicates read as their characters
    EXPECT_TRUE(IsDBCSLeadByte(0x82));
    EXPECT_TRUE(IsDBCSLeadByteEx(932, 0xE0));
    EXPECT_FALSE(IsDBCSLeadByte(0xA1));
    EXPECT_FALSE(IsDBCSLeadByteEx(1252, 0x82));
}

TEST(CodePageConversion, AnsiPageFollowsTheMachineProfile)
{
    struct Case {
        UINT profilePage;
        UINT acp;
        char16_t byteC0;
    } cases[] = {
        {1252, 1252, 0x00C0},
        {1251, 1251, 0x0410},
        {1250, 1250, 0x0154},
        {936, 1252, 0x00C0},  // a page the layer cannot convert leaves the machine on 1252
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.profilePage);
        machine::Profile profile;
        profile.ansiCodePage = c.profilePage;
        TestMachine machine(profile);
        EXPECT_EQ(GetACP(), c.acp);
        EXPECT_EQ(Decode(CP_ACP, "\xC0"), std::u16string(1, c.byteC0));
        EXPECT_EQ(Encode(CP_ACP, std::u16string(1, c.byteC0)), "\xC0");
        for (int b = 0; b < 256; ++b) EXPECT_FALSE(IsDBCSLeadByte(static_cast<BYTE>(b)));
    }
    EXPECT_EQ(GetOEMCP(), 437u);
    EXPECT_EQ(Decode(CP_OEMCP, "\x82"), u"\u00e9");
}

TEST(CharsetInfo, TranslatesCodePagesAndCharsetsBothWays)
{
    struct Case {
        UINT codePage;
        UINT charset;
    } cases[] = {
        {1252, ANSI_CHARSET},       {932, SHIFTJIS_CHARSET},    {949, HANGUL_CHARSET},      {1361, JOHAB_CHARSET},
        {936, GB2312_CHARSET},      {950, CHINESEBIG5_CHARSET}, {1253, GREEK_CHARSET},      {1254, TURKISH_CHARSET},
        {1258, VIETNAMESE_CHARSET}, {1255, HEBREW_CHARSET},     {1256, ARABIC_CHARSET},     {1257, BALTIC_CHARSET},
        {1251, RUSSIAN_CHARSET},    {874, THAI_CHARSET},        {1250, EASTEUROPE_CHARSET},
    };
    auto source = [](UINT value) { return reinterpret_cast<DWORD*>(static_cast<std::uintptr_t>(value)); };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.codePage);
        CHARSETINFO byPage{};
        ASSERT_TRUE(TranslateCharsetInfo(source(c.codePage), &byPage, TCI_SRCCODEPAGE));
        EXPECT_EQ(byPage.ciCharset, c.charset);
        EXPECT_EQ(byPage.ciACP, c.codePage);
        CHARSETINFO byCharset{};
        ASSERT_TRUE(TranslateCharsetInfo(source(c.charset), &byCharset, TCI_SRCCHARSET));
        EXPECT_EQ(byCharset.ciACP, c.codePage);
        // The font signature bit leads back to the same row.
        CHARSETINFO bySignature{};
        ASSERT_TRUE(TranslateCharsetInfo(byPage.fs.fsCsb, &bySignature, TCI_SRCFONTSIG));
        EXPECT_EQ(bySignature.ciACP, c.codePage);
    }
    CHARSETINFO info{};
    EXPECT_FALSE(TranslateCharsetInfo(source(437), &info, TCI_SRCCODEPAGE));
    EXPECT_FALSE(TranslateCharsetInfo(source(99), &info, TCI_SRCCHARSET));
    EXPECT_FALSE(TranslateCharsetInfo(source(1252), nullptr, TCI_SRCCODEPAGE));
}

TEST(WideText, CopiesWithinTheGivenRoomAndTerminates)
{
    struct Case {
        const WCHAR* source;
        int maxChars;
        std::u16string buffer;  // the 8 units after the call
    } cases[] = {
        {u"abcdef", 4, u"abc\0####"s}, {u"ab", 8, u"ab\0#####"s},   {u"abcdef", 1, u"\0#######"s},
        {u"abcdef", 0, u"########"},   {nullptr, 8, u"\0#######"s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.maxChars);
        std::u16string buffer(8, u'#');
        EXPECT_EQ(lstrcpynW(buffer.data(), c.source, c.maxChars), buffer.data());
        EXPECT_EQ(buffer, c.buffer);
    }
    std::u16string buffer(8, u'#');
    EXPECT_EQ(lstrcpynW(buffer.data(), u"abc", -1), nullptr);
    EXPECT_EQ(buffer, u"########");
}

TEST(WideText, ComparesAndMeasuresNullSafely)
{
    struct Case {
        const WCHAR* a;
        const WCHAR* b;
        int exact;
        int ignoringCase;
    } cases[] = {
        {u"abc", u"abc", 0, 0},
        {u"abc", u"ABC", 1, 0},
        {u"abc", u"abd", -1, -1},
        {u"ab", u"abc", -1, -1},
        {u"\u00e9t\u00e9", u"\u00c9T\u00c9", 1, 0},
        {nullptr, u"", 0, 0},
        {nullptr, u"a", -1, -1},
        {u"a", nullptr, 1, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(lstrcmpW(c.a, c.b), c.exact);
        EXPECT_EQ(lstrcmpiW(c.a, c.b), c.ignoringCase);
    }
    EXPECT_EQ(lstrlenW(u"abc"), 3);
    EXPECT_EQ(lstrlenW(nullptr), 0);
    EXPECT_EQ(lstrlenA("abcd"), 4);
    EXPECT_EQ(lstrlenA(nullptr), 0);
}

}  // namespace
}  // namespace vexl::test
