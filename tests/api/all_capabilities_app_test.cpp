// The all-capabilities record as an application takes it from TZ16E140.DLL:
// built on the settings interface's test printer, read field by field
// through the public layout, compared with the single answers, and handed
// back.
#include "api_fixture.h"
#include "common/model/model_list.h"
#include "interface_printer.h"

#include <cstring>

namespace vexl::test {
namespace {

class AllCapabilitiesApplicationTest : public MachineTest {
protected:
    void SetUp() override
    {
        InstallInterfacePrinter({api::kApiVersionLatest, 0x200});
        machine::InstallFile(VEXL_TZ16E130_FILE, std::u16string(kInterfaceDriverFolder) + u"\\TZ16E130.DLL");
        library_.Load();
    }
    void TearDown() override { library_.Unload(); }

    ApiLibrary library_;
};

TEST_F(AllCapabilitiesApplicationTest, RecordIsReadThroughThePublicLayoutAndFreed)
{
    VEXLDRVHANDLE h = library_.enable(kInterfacePrinterNameAnsi);
    const VEXLDRVINITRECORD init{0, api::kApiVersionLatest};
    ASSERT_EQ(library_.init(1, &init), 1);
    ASSERT_NE(h, nullptr);
    const std::uint32_t answer = library_.getCaps(h, VEXL_CAPS_ALL, nullptr);
    ASSERT_NE(answer, 0u) << "last error " << library_.getLastError(h);
    ASSERT_LT(answer, 0x80000000u) << "the record lies below 2 GB";
    const auto* all = reinterpret_cast<const VEXLALLCAPS*>(static_cast<std::uintptr_t>(answer));

    std::uint8_t bitmap[64] = {};
    ASSERT_EQ(library_.getCaps(h, 0, bitmap), 64u);
    ASSERT_NE(all->enabledBitmap, 0u);
    EXPECT_EQ(std::memcmp(reinterpret_cast<const void*>(static_cast<std::uintptr_t>(all->enabledBitmap)), bitmap, 64),
              0);
    EXPECT_EQ(all->cap1, library_.getCaps(h, 1, nullptr));
    // Every list is the capability's own answer, entry for entry.
    struct List {
        const VEXLCAPSLIST* field;
        std::uint32_t capability, entryBytes;
    };
    for (const List list : {List{&all->cap2, 2, 4}, List{&all->cap3, 3, VEXL_CAPS_NAME24}, List{&all->cap10, 10, 4},
                            List{&all->cap11, 11, VEXL_CAPS_NAME64}, List{&all->cap12, 12, 8}}) {
        const std::int32_t count = static_cast<std::int32_t>(library_.getCaps(h, list.capability, nullptr));
        ASSERT_EQ(static_cast<std::int32_t>(list.field->count), std::max(count, 0)) << list.capability;
        if (list.field->count == 0) {
            EXPECT_EQ(list.field->address, 0u) << list.capability;
            continue;
        }
        std::vector<std::uint8_t> own(list.field->count * list.entryBytes);
        library_.getCaps(h, list.capability, own.data());
        EXPECT_EQ(std::memcmp(reinterpret_cast<const void*>(static_cast<std::uintptr_t>(list.field->address)),
                              own.data(), own.size()),
                  0)
            << list.capability;
    }
    const std::uint32_t packed = library_.getCaps(h, 13, nullptr);
    EXPECT_EQ(all->cap13Width, packed & 0xFFFF);
    EXPECT_EQ(all->cap13Length, packed >> 16);
    EXPECT_EQ(library_.getCaps(h, VEXL_CAPS_FREE_ALL, const_cast<VEXLALLCAPS*>(all)), 1u);
    EXPECT_EQ(library_.getCaps(h, VEXL_CAPS_FREE_ALL, nullptr), 1u);
    library_.disable(h);
}

}  // namespace
}  // namespace vexl::test
