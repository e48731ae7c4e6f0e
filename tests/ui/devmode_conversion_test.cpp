// DEVMODE conversion, the copy to a caller, the form match and the job check.
#include "ui_fixture.h"

#include "common/core/devmode_public.h"
#include "common/core/le.h"
#include "common/core/memory.h"
#include "ui/entry/devmode_conversion.h"
#include "ui/install/install_work.h"

#include <cstddef>
#include <memory>

namespace vexl::test {
namespace {

using namespace ui;

std::uint16_t Field16(const std::vector<std::uint8_t>& bytes, std::size_t offset)
{
    return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

TEST_F(UiPrinterTest, ConversionCoreSizesAndErrors)
{
    std::vector<std::uint8_t> in = DefaultDevmode();
    std::vector<std::uint8_t> out(1236);
    std::u16string name = kPrinterName;

    SetLastError(0);
    EXPECT_EQ(ConvertDevmodeCore(name.data(), AsDevmode(in), AsDevmode(out), nullptr, CDM_CONVERT), kConvertFailed);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    LONG size = 0;
    EXPECT_EQ(ConvertDevmodeCore(name.data(), nullptr, AsDevmode(out), &size, CDM_DRIVER_DEFAULT), kConvertFailed);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(size, 1236);
    EXPECT_EQ(ConvertDevmodeCore(name.data(), nullptr, AsDevmode(out), &size, CDM_DRIVER_DEFAULT), kConvertContinue);

    size = 100;
    EXPECT_EQ(ConvertDevmodeCore(name.data(), AsDevmode(in), AsDevmode(out), &size, CDM_CONVERT351), kConvertFailed);
    EXPECT_EQ(size, 188 + 1016);
    EXPECT_EQ(ConvertDevmodeCore(name.data(), AsDevmode(in), AsDevmode(out), &size, CDM_CONVERT351), kConvertDone);
    EXPECT_EQ(Field16(out, offsetof(DEVMODEW, dmSpecVersion)), 0x320);
    EXPECT_EQ(Field16(out, offsetof(DEVMODEW, dmSize)), 188);
    EXPECT_EQ(Field16(out, offsetof(DEVMODEW, dmDriverVersion)), 0x350);
    EXPECT_EQ(Field16(out, offsetof(DEVMODEW, dmDriverExtra)), 1016);
    // The private part follows the shorter public part.
    EXPECT_EQ(std::memcmp(out.data() + 188, in.data() + 220, 4), 0);

    EXPECT_EQ(ConvertDevmodeCore(name.data(), AsDevmode(in), AsDevmode(out), &size, 77), kConvertContinue);
}

TEST_F(UiPrinterTest, ConversionNeverWritesPastTheTargetLayoutTheCallerDeclared)
{
    std::vector<std::uint8_t> in = DefaultDevmode();
    // A target of the public part and 200 private bytes, in a buffer with a
    // guard behind it.
    std::vector<std::uint8_t> out(420 + 64, 0xEE);
    std::memcpy(out.data(), in.data(), 220);
    out[offsetof(DEVMODEW, dmDriverExtra)] = 200;
    out[offsetof(DEVMODEW, dmDriverExtra) + 1] = 0;
    LONG size = 420;
    std::u16string name = kPrinterName;
    EXPECT_TRUE(ConvertDriverDevmode(name.data(), AsDevmode(in), AsDevmode(out), &size, CDM_CONVERT));
    EXPECT_EQ(size, 420);
    for (std::size_t i = 420; i < out.size(); ++i) ASSERT_EQ(out[i], 0xEE) << "byte " << i;
    EXPECT_EQ(GetSharedIdentityFlag(), 0u);
}

// A DEVMODE of the previous driver version converted for an installed
// printer: the caller's public fields come through whatever the size of the
// private part the caller declared for the output.
TEST_F(UiPrinterTest, AnUpgradeConversionKeepsTheCallersPublicFieldsInASmallerLayout)
{
    ASSERT_TRUE(InitializePrinterSettings(printer_, nullptr, kInitPrinter));
    std::vector<std::uint8_t> in = DefaultDevmode();
    WriteLe32(in.data() + kPrivateVersionOffset, 321);
    AsDevmode(in)->dmCopies = 7;
    std::u16string name = kPrinterName;
    for (const std::uint16_t extra : {std::uint16_t(1016), std::uint16_t(200)}) {
        SCOPED_TRACE(extra);
        std::vector<std::uint8_t> out(220 + extra, 0);
        std::memcpy(out.data(), in.data(), 220);
        AsDevmode(out)->dmCopies = 0;
        AsDevmode(out)->dmDriverExtra = extra;
        LONG size = LONG(out.size());
        ASSERT_TRUE(ConvertDriverDevmode(name.data(), AsDevmode(in), AsDevmode(out), &size, CDM_CONVERT));
        EXPECT_EQ(AsDevmode(out)->dmCopies, 7);
        EXPECT_EQ(AsDevmode(out)->dmDriverExtra, extra);
    }
}

TEST_F(UiPrinterTest, ConversionRefusesATargetBufferTooSmallForItsOwnHeader)
{
    std::vector<std::uint8_t> in = DefaultDevmode();
    std::u16string name = kPrinterName;
    for (const LONG held : {LONG(0), LONG(40), LONG(71)}) {
        auto out = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(held) + 1);
        LONG size = held;
        SetLastError(0);
        EXPECT_EQ(ConvertDevmodeCore(name.data(), AsDevmode(in), reinterpret_cast<DEVMODEW*>(out.get()), &size,
                                     CDM_CONVERT),
                  kConvertFailed);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
}

TEST_F(UiPrinterTest, CopyToCallerTakesTheSmallerLayout)
{
    std::vector<std::uint8_t> driver = DefaultDevmode();
    std::vector<std::uint8_t> out(1236, 0);
    EXPECT_EQ(CopyDevmodeToCaller(AsDevmode(driver), nullptr, nullptr), -1);
    EXPECT_EQ(CopyDevmodeToCaller(AsDevmode(driver), nullptr, AsDevmode(out)), 1);
    EXPECT_EQ(out, driver);

    std::vector<std::uint8_t> caller = driver;
    caller[offsetof(DEVMODEW, dmDriverExtra)] = 16;
    caller[offsetof(DEVMODEW, dmDriverExtra) + 1] = 0;
    std::vector<std::uint8_t> small(1236, 0xEE);
    EXPECT_EQ(CopyDevmodeToCaller(AsDevmode(driver), AsDevmode(caller), AsDevmode(small)), 1);
    EXPECT_EQ(Field16(small, offsetof(DEVMODEW, dmSize)), 220);
    EXPECT_EQ(Field16(small, offsetof(DEVMODEW, dmDriverExtra)), 16);
    EXPECT_EQ(small[236], 0xEE);
}

class FormTest : public UiPrinterTest {
protected:
    void SetUp() override
    {
        UiPrinterTest::SetUp();
        machine::AddForm(u"Letter", SIZEL{215900, 279400});
        machine::AddForm(u"A4", SIZEL{210000, 297000});
        machine::AddForm(u"A form whose name is far longer than the field", SIZEL{100000, 100000});
    }
    // The position of a form in the spooler's list (1-based).
    DWORD Position(std::u16string_view name)
    {
        std::uint32_t count = 0;
        FORM_INFO_1W* forms = EnumPrinterForms(printer_, &count);
        DWORD found = 0;
        for (std::uint32_t i = 0; i < count && found == 0; ++i)
            if (forms[i].pName == name) found = i + 1;
        FreeIfNotNull(forms);
        return found;
    }
    std::vector<std::uint8_t> Job(SHORT width, SHORT length)
    {
        std::vector<std::uint8_t> job = DefaultDevmode();
        auto* dm = AsDevmode(job);
        dm->dmFields = DM_PAPERWIDTH | DM_PAPERLENGTH;
        dm->dmPaperWidth = width;
        dm->dmPaperLength = length;
        dm->dmPaperSize = 0;
        return job;
    }
};

TEST_F(FormTest, AJobOfA4SizeMatchesTheA4FormAndTakesItsNameAndPosition)
{
    std::vector<std::uint8_t> job = Job(2100, 2970);
    MatchedForm form;
    EXPECT_EQ(MatchDevmodeForm(printer_, AsDevmode(job), &form), kFormMatched);
    EXPECT_EQ(std::u16string(form.name), u"A4");
    const auto* dm = AsDevmode(job);
    EXPECT_EQ(DWORD(dm->dmPaperSize), Position(u"A4"));
    EXPECT_TRUE(dm->dmFields & DM_FORMNAME);
    EXPECT_EQ(std::u16string(dm->dmFormName), u"A4");
}

TEST_F(FormTest, ASizeTwelveMillimetresOffIsACustomSizeAndTheJobStaysAsItWas)
{
    std::vector<std::uint8_t> job = Job(2220, 2970);
    const std::vector<std::uint8_t> before = job;
    MatchedForm form;
    EXPECT_EQ(MatchDevmodeForm(printer_, AsDevmode(job), &form), kFormCustom);
    EXPECT_EQ(form.size.cx, 222000);
    EXPECT_EQ(job, before);
}

TEST_F(FormTest, ALongFormNameIsCutToTheFieldAndAShortJobDevmodeIsNotWrittenPastItsSize)
{
    std::vector<std::uint8_t> job = Job(1000, 1000);
    MatchedForm form;
    EXPECT_EQ(MatchDevmodeForm(printer_, AsDevmode(job), &form), kFormMatched);
    const auto* dm = AsDevmode(job);
    EXPECT_EQ(std::u16string(dm->dmFormName), u"A form whose name is far longer");
    EXPECT_EQ(dm->dmFormName[31], 0);

    // A public part that ends before dmFormName keeps its bytes behind it.
    std::vector<std::uint8_t> shortJob = Job(2100, 2970);
    shortJob[offsetof(DEVMODEW, dmSize)] = 100;
    shortJob[offsetof(DEVMODEW, dmSize) + 1] = 0;
    std::memset(shortJob.data() + 100, 0xEE, 120);
    EXPECT_EQ(MatchDevmodeForm(printer_, AsDevmode(shortJob), &form), kFormMatched);
    for (std::size_t i = 100; i < 220; ++i) ASSERT_EQ(shortJob[i], 0xEE) << "byte " << i;
}

// A job DEVMODE in a heap block of exactly its declared size, so that a read
// past it is caught: dmSize bytes of public record, no driver part.
struct ShortJob {
    std::uint16_t size;
    std::uint32_t fields;
    std::int16_t paperSize;
    const char16_t* formName;  // written only when it fits the record
    int expected;

    std::unique_ptr<std::uint8_t[]> Build(std::uint16_t declared) const
    {
        auto bytes = std::make_unique<std::uint8_t[]>(size);
        std::memset(bytes.get(), 0, size);
        WriteLe16(bytes.get() + offsetof(DEVMODEW, dmSize), declared);
        if (size >= offsetof(DEVMODEW, dmOrientation)) WriteLe32(bytes.get() + offsetof(DEVMODEW, dmFields), fields);
        if (size >= offsetof(DEVMODEW, dmPaperLength))
            WriteLe16(bytes.get() + offsetof(DEVMODEW, dmPaperSize), static_cast<std::uint16_t>(paperSize));
        const std::size_t nameEnd = offsetof(DEVMODEW, dmFormName) + 2 * CCHFORMNAME;
        for (std::size_t i = 0; formName && size >= nameEnd && formName[i] != 0; ++i)
            WriteLe16(bytes.get() + offsetof(DEVMODEW, dmFormName) + 2 * i, formName[i]);
        return bytes;
    }
};

// Fields past a job's dmSize are absent: nothing is read past the record,
// and a field that is inside it still counts.
TEST_F(FormTest, AJobDevmodeIsReadOnlyAsFarAsItsSize)
{
    const ShortJob jobs[] = {
        {72, 0, 0, nullptr, kFormNone},                                // dmSize 0: not even dmFields
        {80, DM_PAPERWIDTH | DM_PAPERLENGTH, 0, nullptr, kFormNone},   // the size fields lie past it
        {100, DM_FORMNAME, 0, nullptr, kFormNone},                     // the form name lies past it
        {80, DM_PAPERSIZE, 2, nullptr, kFormMatched},                  // dmPaperSize is inside
        {166, DM_FORMNAME, 0, u"A4", kFormMatched},                    // the name ends with the record
    };
    for (const ShortJob& job : jobs) {
        SCOPED_TRACE(job.size);
        std::unique_ptr<std::uint8_t[]> bytes = job.Build(job.size == 72 ? 0 : job.size);
        const std::vector<std::uint8_t> before(bytes.get(), bytes.get() + job.size);
        MatchedForm form;
        EXPECT_EQ(MatchDevmodeForm(printer_, reinterpret_cast<DEVMODEW*>(bytes.get()), &form), job.expected);
        if (job.expected == kFormMatched && job.formName) {
            EXPECT_EQ(std::u16string(form.name), job.formName);
        }
        // Too short to take the matched form's size or name: left as it was.
        if (job.size < 166) {
            EXPECT_EQ(std::vector<std::uint8_t>(bytes.get(), bytes.get() + job.size), before);
        }
    }
}

TEST_F(FormTest, TheJobCheckTakesShortJobDevmodesWithoutReadingPastThem)
{
    const ShortJob jobs[] = {
        {72, 0, 0, nullptr, 0},
        {80, DM_PAPERWIDTH | DM_PAPERLENGTH, 0, nullptr, 0},
        {100, DM_FORMNAME, 0, nullptr, 0},
    };
    for (const ShortJob& job : jobs) {
        SCOPED_TRACE(job.size);
        std::unique_ptr<std::uint8_t[]> bytes = job.Build(job.size == 72 ? 0 : job.size);
        DEVQUERYPRINT_INFO info{sizeof info, 1, printer_, reinterpret_cast<DEVMODEW*>(bytes.get()), nullptr, 0, 0};
        EXPECT_TRUE(CheckJobDevmode(&info));
    }
}

TEST_F(UiPrinterTest, TheJobCheckAcceptsJobsAndNeverWritesAnErrorText)
{
    EXPECT_FALSE(CheckJobDevmode(nullptr));
    WCHAR error[64] = {u'x', 0};
    DEVQUERYPRINT_INFO info{sizeof info, 1, printer_, nullptr, error, 64, 0};
    EXPECT_TRUE(CheckJobDevmode(&info));
    std::vector<std::uint8_t> job = DefaultDevmode();
    info.pDevMode = AsDevmode(job);
    EXPECT_TRUE(CheckJobDevmode(&info));
    EXPECT_EQ(std::u16string(error), u"x");
}

}  // namespace
}  // namespace vexl::test
