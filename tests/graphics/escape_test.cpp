// The escapes as an application drives them through ExtEscape: every buffer
// is exactly as large as the application says, so that a read or write past
// it shows; short and malformed buffers are refused before anything changes.
#include "graphics/escapes.h"

#include "common/core/item_ids.h"
#include "graphics/document.h"
#include "graphics/job_info.h"
#include "graphics/records.h"
#include "common/core/le.h"
#include "vexl_dump.h"

#include "graphics/graphics_fixture.h"

#include <bit>
#include <optional>
#include <string>

namespace vexl::test {
namespace {

using Bytes = std::vector<BYTE>;

Bytes Le16(std::uint16_t v)
{
    return {BYTE(v), BYTE(v >> 8)};
}
Bytes Le32(std::uint32_t v)
{
    return {BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)};
}
Bytes Text(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}
Bytes Wide(const std::u16string& text)
{
    Bytes bytes;
    for (char16_t c : text) {
        bytes.push_back(BYTE(c));
        bytes.push_back(BYTE(c >> 8));
    }
    return bytes;
}

// What an escape answered, with its output buffer.
struct Answer {
    ULONG result;
    DWORD error;
    Bytes out;
};

class EscapeTest : public GraphicsPrinterTest {
protected:
    void SetUp() override
    {
        GraphicsPrinterTest::SetUp();
        pdev_ = Enable();
        ASSERT_NE(pdev_, nullptr);
        so_ = EnableSurface(pdev_);
        ASSERT_NE(so_, nullptr);
    }

    // The input is null when absent; the output is a buffer of outSize
    // bytes, null when outSize is absent.
    Answer Escape(ULONG escape, const std::optional<Bytes>& in, std::optional<ULONG> outSize = std::nullopt,
                  std::optional<ULONG> statedInSize = std::nullopt)
    {
        std::unique_ptr<Bytes> input = in ? std::make_unique<Bytes>(*in) : nullptr;
        std::unique_ptr<Bytes> output = outSize ? std::make_unique<Bytes>(*outSize, BYTE{0xEE}) : nullptr;
        const ULONG inSize = statedInSize ? *statedInSize : input ? static_cast<ULONG>(input->size()) : 0;
        SetLastError(0);
        const ULONG result = DrvEscape(so_, escape, inSize, input && !input->empty() ? input->data() : nullptr,
                                       outSize.value_or(0), output && !output->empty() ? output->data() : nullptr);
        return {result, GetLastError(), output ? *output : Bytes()};
    }

    std::string ItemText(std::uint16_t id)
    {
        SettingItemDescriptor* item = FindItem(pdev_->context, id);
        const std::uint8_t* address = GetItemAddress(pdev_->context, item);
        return std::string(reinterpret_cast<const char*>(address),
                           strnlen(reinterpret_cast<const char*>(address), ItemLength(*item)));
    }

    Pdev* pdev_ = nullptr;
    SURFOBJ* so_ = nullptr;
};

struct EscapeCase {
    const char* name;
    ULONG escape;
    std::optional<Bytes> in;
    std::optional<ULONG> outSize;
    ULONG result;
    DWORD error;  // the last error, 0 when none is set
    Bytes out;    // the first bytes of the output
};

TEST_F(EscapeTest, EachEscapeAnswersOrRefusesItsBuffers)
{
    const ULONG kError = kEscapeError;
    const Bytes version = Text(std::string(kLibraryVersionText) + '\0');
    const EscapeCase cases[] = {
        {"query: copy count", 8, Le16(17), {}, 999, 0, {}},
        {"query: pass-through without the job binder", 8, Le16(19), {}, 0, 0, {}},
        {"query: 30", 8, Le16(30), {}, 0, 0, {}},
        {"query: 141", 8, Le16(141), {}, 1, 0, {}},
        {"query: one byte", 8, Bytes{17}, {}, 0, ERROR_INVALID_PARAMETER, {}},
        {"query: no input", 8, std::nullopt, {}, 0, ERROR_INVALID_PARAMETER, {}},
        {"copies 0", 17, Le32(0), 4, 1, 0, Le32(1)},
        {"copies 7", 17, Le32(7), 4, 1, 0, Le32(7)},
        {"copies 5000", 17, Le32(5000), 4, 1, 0, Le32(999)},
        {"copies 0xFFFFFFFF", 17, Le32(0xFFFFFFFF), 4, 1, 0, Le32(999)},
        {"copies without output", 17, Le32(3), {}, 1, 0, {}},
        {"copies: three input bytes", 17, Bytes{1, 0, 0}, 4, kError, ERROR_INVALID_PARAMETER, {0xEE}},
        {"copies: no input", 17, std::nullopt, {}, kError, ERROR_INVALID_PARAMETER, {}},
        {"copies: two output bytes", 17, Le32(3), 2, 0, ERROR_INSUFFICIENT_BUFFER, {0xEE, 0xEE}},
        {"pass-through without the job binder", 19, Bytes{1, 0, 'x'}, {}, 0, 0, {}},
        {"technology", 20, {}, 5, 1, 0, Text(std::string("VEXL") + '\0')},
        {"technology: four bytes", 20, {}, 4, 0, ERROR_INSUFFICIENT_BUFFER, {0xEE}},
        {"technology: no output", 20, {}, {}, 0, ERROR_INSUFFICIENT_BUFFER, {}},
        {"device units: 15 bytes", 42, {}, 15, 0, ERROR_INSUFFICIENT_BUFFER, {0xEE}},
        {"user code: no input", 111, std::nullopt, {}, 0, ERROR_INVALID_PARAMETER, {}},
        {"line: no input", 117, std::nullopt, {}, 0, ERROR_INVALID_PARAMETER, {}},
        {"default source without output", 119, {}, {}, 1, 0, {}},
        {"default source: one byte", 119, {}, 1, 0, ERROR_INSUFFICIENT_BUFFER, {0xEE}},
        {"API use flag: one byte", 126, {}, 1, 0, ERROR_INSUFFICIENT_BUFFER, {0xEE}},
        {"INI path: no input", 121, std::nullopt, {}, 0, ERROR_INVALID_PARAMETER, {}},
        {"INI path: one byte", 121, Bytes{'C'}, {}, 0, ERROR_INVALID_PARAMETER, {}},
        {"INI path of 260 units", 121, Wide(std::u16string(260, u'p')), {}, 0, ERROR_INVALID_PARAMETER, {}},
        {"option texts absent", 122, std::nullopt, {}, 1, 0, {}},
        {"version", 140, {}, 24, 1, 0, version},
        {"version: 23 bytes", 140, {}, 23, 0, ERROR_INSUFFICIENT_BUFFER, {0xEE}},
        {"spool library", 141, {}, 13, 1, 0, Text(std::string("TZ16C123.DLL") + '\0')},
        {"spool library: 12 bytes", 141, {}, 12, 0, ERROR_INSUFFICIENT_BUFFER, {0xEE}},
        {"escape 30", 30, Bytes{1, 2, 3, 4}, 16, 0, 0, {0xEE}},
        {"escape 127", 127, {}, 16, 0, 0, {0xEE}},
    };
    for (const EscapeCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::uint32_t copies = GetItemValue(pdev_->context, dmCopies);
        const Answer answer = Escape(c.escape, c.in, c.outSize);
        EXPECT_EQ(answer.result, c.result);
        if (c.error != 0) {
            EXPECT_EQ(answer.error, c.error);
        }
        ASSERT_GE(answer.out.size(), c.out.size());
        EXPECT_EQ(Bytes(answer.out.begin(), answer.out.begin() + static_cast<long>(c.out.size())), c.out);
        // A refused copy count changes nothing.
        if (c.escape == 17 && answer.result != 1) {
            EXPECT_EQ(GetItemValue(pdev_->context, dmCopies), copies);
        }
    }
}

TEST_F(EscapeTest, TheCopyCountGoesToTheSettingAndThePdev)
{
    EXPECT_EQ(Escape(17, Le32(5000), 4).result, 1u);
    EXPECT_EQ(GetItemValue(pdev_->context, dmCopies), 999u);
    EXPECT_EQ(pdev_->copies, 999);
    EXPECT_EQ(Escape(17, Le32(0)).result, 1u);
    EXPECT_EQ(GetItemValue(pdev_->context, dmCopies), 1u);
}

TEST_F(EscapeTest, SettingValuesAnswerTheirLow16Bits)
{
    const struct {
        ULONG escape;
        std::uint16_t item;
    } cases[] = {{119, dmDefaultSource}, {120, rdmPrnMethod}, {126, rdmAPIUseFlag}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.escape);
        const Answer answer = Escape(c.escape, {}, 2);
        EXPECT_EQ(answer.result, 1u);
        EXPECT_EQ(ReadLe16(answer.out.data()), GetItemValue(pdev_->context, c.item) & 0xFFFF);
    }
}

TEST_F(EscapeTest, DeviceUnitsGiveTheOffsetsOnlyWhileAPageIsOpen)
{
    pdev_->paper.xOffset = 120;
    pdev_->paper.yOffset = 96;
    auto units = [&] {
        const Answer answer = Escape(42, {}, 16);
        EXPECT_EQ(answer.result, 1u);
        std::vector<float> values;
        for (int i = 0; i < 4; ++i) values.push_back(std::bit_cast<float>(ReadLe32(answer.out.data() + 4 * i)));
        return values;
    };
    const float width = static_cast<float>(pdev_->paper.printableWidthDots);
    const float length = static_cast<float>(pdev_->paper.printableLengthDots);
    EXPECT_GT(width, 0.0f);
    EXPECT_EQ(units(), (std::vector<float>{width, length, 0.0f, 0.0f}));
    pdev_->flags |= kPdevPageOpen;
    EXPECT_EQ(units(), (std::vector<float>{width, length, 120.0f, 96.0f}));
    pdev_->flags &= ~kPdevPageOpen;
}

TEST_F(EscapeTest, SettingTextsAreCutToTheirItemAndTerminated)
{
    struct TextCase {
        ULONG escape;
        std::uint16_t item;
        Bytes in;
        std::string stored;
    } cases[] = {
        {111, rdmUserCode, Text("1234"), "1234"},
        // No terminator in the input: the input's size ends it.
        {111, rdmUserCode, Text("12345678901"), "12345678"},
        {112, rdmOwnerName, Text(std::string("Ann\0Bob", 7)), "Ann"},
        {113, rdmJOBPassword, Text("secret"), "secret"},
        {114, rdmUserID, Text("u1"), "u1"},
        {115, rdmDocumentName, Text(std::string(40, 'd')), std::string(16, 'd')},
        {116, rdmTelNo, Text("+49 30 1234"), "+49 30 1234"},
        {118, rdmStoredPassword, Text("0000"), "0000"},
        {123, wdmAuthenticationUserName, Text(std::string(200, 'n')), std::string(128, 'n')},
        {124, wdmAuthenticationNetworkKey, Text("key"), "key"},
        {125, wdmAuthenticationPassword, Text(std::string(300, 'p')), std::string(256, 'p')},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.escape);
        EXPECT_EQ(Escape(c.escape, c.in).result, 1u);
        EXPECT_EQ(ItemText(c.item), c.stored);
    }
    // The line number is the number the text starts with.
    EXPECT_EQ(Escape(117, Text("3 lines")).result, 1u);
    EXPECT_EQ(GetItemValue(pdev_->context, rdmTelLine), 3u);
    EXPECT_EQ(Escape(117, Text(std::string(100, '9'))).result, 1u);
}

TEST_F(EscapeTest, TheSettingsIniPathTakesAPathThatFits)
{
    const std::u16string path = u"C:\\apps\\settings.ini";
    Bytes in = Wide(path + u'\0' + u"ignored");
    EXPECT_EQ(Escape(121, in).result, 1u);
    EXPECT_EQ(std::u16string(pdev_->context->workArea->settingsIniPath), path);
    // 259 units without a terminator still fit; 260 do not and change nothing.
    const std::u16string longest(259, u'q');
    EXPECT_EQ(Escape(121, Wide(longest)).result, 1u);
    EXPECT_EQ(std::u16string(pdev_->context->workArea->settingsIniPath), longest);
    EXPECT_EQ(Escape(121, Wide(std::u16string(260, u'r'))).result, 0u);
    EXPECT_EQ(std::u16string(pdev_->context->workArea->settingsIniPath), longest);
}

// An option-text block of entries {key, string id, text}.
Bytes OptionTextBlock(const std::vector<std::u16string>& texts)
{
    Bytes block;
    std::uint16_t key = 900;
    for (const std::u16string& text : texts) {
        Bytes entry(kOptionTextEntryBytes, 0);
        WriteLe16(entry.data(), key++);
        WriteLe16(entry.data() + 2, 4242);
        const Bytes wide = Wide(text.substr(0, graphics::kOptionTextChars));
        std::copy(wide.begin(), wide.end(), entry.begin() + kOptionTextEntryTextOffset);
        block.insert(block.end(), entry.begin(), entry.end());
    }
    return block;
}

TEST_F(EscapeTest, OptionTextsChangeOnlyTheRowTexts)
{
    const graphics::JobCommandState before = pdev_->jobCommands;
    EXPECT_EQ(Escape(122, OptionTextBlock({u"first", u"second", u"third", u""})).result, 1u);
    const graphics::OptionTextRow* rows = pdev_->jobCommands.optionTexts;
    EXPECT_EQ(std::u16string(rows[0].text), u"first");
    EXPECT_EQ(std::u16string(rows[1].text), u"second");
    EXPECT_EQ(std::u16string(rows[2].text), u"third");
    for (int i = 0; i < graphics::kOptionTextRows; ++i) {
        EXPECT_EQ(rows[i].optionId, before.optionTexts[i].optionId);
        EXPECT_EQ(rows[i].stringId, before.optionTexts[i].stringId);
    }

    // Only whole entries are read, and a text that fills its entry is
    // terminated within the row.
    Bytes block = OptionTextBlock({std::u16string(261, u'x'), u"cut"});
    block.resize(kOptionTextEntryBytes + 100);
    EXPECT_EQ(Escape(122, block).result, 1u);
    EXPECT_EQ(std::u16string(rows[0].text), std::u16string(260, u'x'));
    EXPECT_EQ(std::u16string(rows[1].text), u"second");
}

// The job file the spool library wrote for a job id.
std::vector<std::uint8_t> JobBytes(const TestMachine& machine, DWORD jobId)
{
    return ReadHostFileBytes(machine.host(u"C:\\standin\\spool\\job-" + std::u16string(1, u'0' + jobId) + u".bin"));
}

TEST_F(EscapeTest, PassThroughBytesFollowTheDisplayListFlushedSoFar)
{
    machine::InstallFile(VEXL_TZ16C123_FILE, std::u16string(kDriverFolder) + u"\\TZ16C123.DLL");
    pdev_->jobBinder = 1;
    const Bytes raw = {'<', 'b', 'i', 'n', 'd', 'e', 'r', 0x01, '>'};
    Bytes in = Le16(static_cast<std::uint16_t>(raw.size()));
    in.insert(in.end(), raw.begin(), raw.end());

    // Outside a document the bytes would go nowhere.
    EXPECT_EQ(Escape(19, in).result, kEscapeError);
    ASSERT_TRUE(DrvStartDoc(so_, const_cast<LPWSTR>(u"Bound"), 4));
    EXPECT_EQ(Escape(8, Le16(19)).result, 1u);
    ASSERT_TRUE(DrvStartPage(so_));
    ASSERT_TRUE(DrvSendPage(so_));
    ASSERT_TRUE(DrvStartPage(so_));
    // A count beyond the input is refused.
    Bytes overlong = in;
    overlong[0] = static_cast<BYTE>(raw.size() + 1);
    EXPECT_EQ(Escape(19, overlong).result, kEscapeError);
    EXPECT_EQ(Escape(19, Bytes{5}).result, kEscapeError);
    EXPECT_EQ(Escape(19, in).result, raw.size());
    ASSERT_TRUE(DrvSendPage(so_));
    ASSERT_TRUE(DrvEndDoc(so_, 0));

    const std::vector<std::uint8_t> job = JobBytes(machine_, 4);
    dump::DecodeOptions options;
    options.rawChunks.push_back(std::vector<std::uint8_t>(raw.begin(), raw.end()));
    const dump::DecodeResult decoded = dump::DecodeJobStream(job, options);
    ASSERT_TRUE(decoded.ok()) << dump::FormatViolation(*decoded.violation) << "\n" << decoded.listing;
    EXPECT_EQ(decoded.summary.rawChunks, 1u);
    // The page-begin record was sent before the bytes, the page end after them.
    const std::string bytes(job.begin(), job.end());
    const std::size_t at = bytes.find(std::string(raw.begin(), raw.end()));
    ASSERT_NE(at, std::string::npos);
    ASSERT_GE(at, 24u);
    EXPECT_EQ(static_cast<BYTE>(bytes[at - 24]), kFrameDisplayList);
    EXPECT_EQ(static_cast<BYTE>(bytes[at - 16]), kRecordPageBegin);
    EXPECT_EQ(static_cast<BYTE>(bytes[at + raw.size()]), kFrameDisplayList);
}

}  // namespace
}  // namespace vexl::test
