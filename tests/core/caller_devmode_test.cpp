// A caller's DEVMODE read within its declared sizes and its buffer.
#include "common/core/caller_devmode.h"
#include "common/core/le.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace vexl {
namespace {

std::unique_ptr<std::uint8_t[]> Record(std::size_t held, std::uint16_t size, std::uint16_t extra)
{
    auto bytes = std::make_unique<std::uint8_t[]>(held);
    std::memset(bytes.get(), 0x5A, held);
    if (held >= CallerDevmode::kHeaderEnd) {
        WriteLe16(bytes.get() + offsetof(DEVMODEW, dmSize), size);
        WriteLe16(bytes.get() + offsetof(DEVMODEW, dmDriverExtra), extra);
    }
    return bytes;
}

TEST(CallerDevmodeTest, FieldsOutsideTheDeclaredSizesOrTheBufferAreAbsent)
{
    struct Case {
        std::size_t held;        // bytes of the block
        std::size_t bufferSize;  // as the caller states it
        std::uint16_t size;
        std::uint16_t extra;
        std::size_t publicSize;
        std::size_t driverExtra;
        bool fields;      // dmFields readable
        bool paperWidth;  // dmPaperWidth readable
        bool formName;    // dmFormName readable
    };
    constexpr std::size_t kUnknown = CallerDevmode::kBufferSizeUnknown;
    const Case cases[] = {
        {72, kUnknown, 0, 0, 0, 0, false, false, false},
        {80, kUnknown, 80, 0, 80, 0, true, false, false},
        {166, kUnknown, 166, 0, 166, 0, true, true, true},
        {230, kUnknown, 220, 10, 220, 10, true, true, true},
        // The buffer the caller states cuts what the header declares.
        {40, 40, 220, 10, 0, 0, false, false, false},
        {100, 100, 220, 10, 100, 0, true, true, false},
        {225, 225, 220, 10, 220, 5, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.held << " held, dmSize " << c.size);
        auto bytes = Record(c.held, c.size, c.extra);
        const CallerDevmode reader(reinterpret_cast<const DEVMODEW*>(bytes.get()), c.bufferSize);
        EXPECT_EQ(reader.PublicSize(), c.publicSize);
        EXPECT_EQ(reader.DriverExtra(), c.driverExtra);
        EXPECT_EQ(reader.Fields() != 0, c.fields);
        EXPECT_EQ(reader.Short(offsetof(DEVMODEW, dmPaperWidth)).has_value(), c.paperWidth);
        WCHAR name[CCHFORMNAME];
        EXPECT_EQ(reader.FormName(name), c.formName);
        EXPECT_EQ(reader.DriverPart() != nullptr, c.driverExtra != 0);
    }
}

TEST(CallerDevmodeTest, ReadsFieldsLittleEndianAndCutsTheFormName)
{
    auto bytes = Record(220, 220, 0);
    WriteLe16(bytes.get() + offsetof(DEVMODEW, dmPaperWidth), 0xFF38);  // -200
    WriteLe32(bytes.get() + offsetof(DEVMODEW, dmFields), DM_FORMNAME | DM_PAPERWIDTH);
    for (int i = 0; i < CCHFORMNAME; ++i) WriteLe16(bytes.get() + offsetof(DEVMODEW, dmFormName) + 2 * i, u'F');
    const CallerDevmode reader(reinterpret_cast<const DEVMODEW*>(bytes.get()));
    EXPECT_EQ(reader.Fields(), std::uint32_t(DM_FORMNAME | DM_PAPERWIDTH));
    EXPECT_EQ(reader.Short(offsetof(DEVMODEW, dmPaperWidth)), -200);
    EXPECT_EQ(reader.Field16(offsetof(DEVMODEW, dmPaperWidth)), 0xFF38);
    WCHAR name[CCHFORMNAME];
    ASSERT_TRUE(reader.FormName(name));
    EXPECT_EQ(std::u16string(name), std::u16string(31, u'F'));
    EXPECT_FALSE(CallerDevmode(nullptr).IsPresent());
    EXPECT_EQ(CallerDevmode(nullptr).Fields(), 0u);
}

}  // namespace
}  // namespace vexl
