// A printer's description is one truth: every value that a capability list
// or the spooler's DeviceCapabilitiesW offers for a setting is taken by the
// status that writes the setting and by a DEVMODE merge, and comes back from
// the status read; and every value the write takes is one that is offered.
// Walked through the exports of TZ16E140.DLL on the package's printer and
// on the settings interface's test printer.
#include "api_fixture.h"
#include "interface_printer.h"
#include "platform/printui.h"
#include "platform/spooler_driver.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace vexl::test {
namespace {

using Values = std::vector<std::uint32_t>;

enum class Printer { Package, Interface };

std::string PrinterLabel(const testing::TestParamInfo<Printer>& info)
{
    return info.param == Printer::Package ? "PackagePrinter" : "InterfacePrinter";
}

// One list of offered values and the status that writes its setting.
struct OfferedList {
    const char* name;
    std::uint32_t capability;  // the capability that lists the values
    std::uint32_t status;      // the status that writes one of them at offset 4
    std::uint32_t candidates;  // values 0 .. candidates - 1 are tried for "taken means offered" (0: not tried)
    bool regionPapers;         // the region papers 1024 to 1028 are tried too
    WORD spoolerList;          // the DeviceCapabilitiesW list that offers the values too (0: none)
};

const OfferedList kLists[] = {
    {"paper source", 2, VEXLDRV_STATUS_PAPER_SOURCE, 300, false, DC_BINS},
    {"media type", 4, VEXLDRV_STATUS_MEDIA_TYPE, 330, false, 0},
    // The output-tray capability answers the single entry 0 while the PJL
    // bin list names fewer than two bins, whatever output trays the model has.
    {"output tray", 6, VEXLDRV_STATUS_OUTPUT_TRAY, 0, false, 0},
    {"paper size", 10, VEXLDRV_STATUS_PAPER_SIZE, 600, false, DC_PAPERS},
    {"output paper size", 15, VEXLDRV_STATUS_OUTPUT_PAPER_SIZE, 600, true, 0},
};

class OfferedValuesTest : public MachineTest, public testing::WithParamInterface<Printer> {
protected:
    void SetUp() override
    {
        if (GetParam() == Printer::Package) {
            InstallApiPrinter();
            printerAnsi_ = kPrinterNameAnsi;
            printer_ = kPrinterName;
        } else {
            InstallInterfacePrinter({api::kApiVersionLatest, 0});
            printerAnsi_ = kInterfacePrinterNameAnsi;
            printer_ = kInterfacePrinterName;
        }
        library_.Load();
        library_.Find(getDevmode_, "VEXLDrvGetDevmode");
        library_.Find(getDevmodeEx_, "VEXLDrvGetDevmodeEx");
        ASSERT_EQ(library_.checkApiVer(printerAnsi_), VEXLAPI_VERSION_LATEST);
        instance_ = library_.enable(printerAnsi_);
        ASSERT_NE(instance_, nullptr);
        const VEXLDRVINITRECORD record{0, VEXLAPI_VERSION_LATEST};
        library_.init(1, &record);
    }
    void TearDown() override
    {
        if (instance_) library_.disable(instance_);
        library_.Unload();
    }

    Values Capability(std::uint32_t id)
    {
        const std::uint32_t count = library_.getCaps(instance_, id, nullptr);
        if (count == 0 || count == VEXLDRV_CAPS_FAILED) return {};
        Values values(count);
        EXPECT_EQ(library_.getCaps(instance_, id, values.data()), count);
        return values;
    }
    Values Spooler(WORD index)
    {
        const int count = DeviceCapabilitiesW(printer_, nullptr, index, nullptr, nullptr);
        if (count <= 0) return {};
        std::vector<WORD> words(static_cast<std::size_t>(count));
        EXPECT_EQ(DeviceCapabilitiesW(printer_, nullptr, index, reinterpret_cast<LPWSTR>(words.data()), nullptr),
                  count);
        return Values(words.begin(), words.end());
    }

    // The status read at its latest version.
    std::vector<std::uint8_t> Read(std::uint32_t status)
    {
        const int size = library_.getStatus(instance_, status, nullptr, 0);
        EXPECT_GT(size, 0) << "status " << status;
        if (size <= 0) return {};
        std::vector<std::uint8_t> structure(static_cast<std::size_t>(size), 0);
        EXPECT_EQ(library_.getStatus(instance_, status, structure.data(), 0), size);
        return structure;
    }
    static std::uint32_t U32(const std::vector<std::uint8_t>& structure, std::size_t offset)
    {
        std::uint32_t value = 0;
        if (structure.size() >= offset + 4) std::memcpy(&value, structure.data() + offset, 4);
        return value;
    }
    static void PutU32(std::vector<std::uint8_t>& structure, std::size_t offset, std::uint32_t value)
    {
        std::memcpy(structure.data() + offset, &value, 4);
    }

    // The setting's status read, value at 4 changed, written back: as an
    // application edits one field. A custom size asks for an A4-sized sheet.
    int Write(std::uint32_t status, std::uint32_t value)
    {
        std::vector<std::uint8_t> structure = Read(status);
        if (structure.empty()) return -1;
        PutU32(structure, 4, value);
        if (status == VEXLDRV_STATUS_PAPER_SIZE || status == VEXLDRV_STATUS_OUTPUT_PAPER_SIZE) {
            PutU32(structure, 8, 2100);
            PutU32(structure, 12, 2970);
        }
        return library_.setStatus(instance_, status, structure.data(), nullptr, 0);
    }

    // The instance's DEVMODE with one public field merged from a caller's copy.
    std::vector<std::uint8_t> Merge(std::size_t offset, std::uint32_t bit, std::uint16_t value)
    {
        std::vector<std::uint8_t> devmode(VEXLDRV_DEVMODE_BYTES, 0);
        EXPECT_EQ(getDevmode_(instance_, VEXLDRV_DEVMODE_REDERIVE, devmode.data()), VEXLDRV_DEVMODE_BYTES);
        std::vector<std::uint8_t> caller = devmode;
        std::memcpy(caller.data() + offset, &value, 2);
        DWORD fields = 0;
        std::memcpy(&fields, caller.data() + offsetof(DEVMODEW, dmFields), 4);
        fields |= bit;
        std::memcpy(caller.data() + offsetof(DEVMODEW, dmFields), &fields, 4);
        std::vector<std::uint8_t> merged(VEXLDRV_DEVMODE_BYTES, 0);
        EXPECT_EQ(getDevmodeEx_(instance_, VEXLDRV_DEVMODE_MERGE, merged.data(), caller.data(), 0),
                  VEXLDRV_DEVMODE_BYTES);
        return merged;
    }
    static std::uint16_t Field16(const std::vector<std::uint8_t>& devmode, std::size_t offset)
    {
        std::uint16_t value = 0;
        std::memcpy(&value, devmode.data() + offset, 2);
        return value;
    }

    ApiLibrary library_;
    PFN_VEXLDrvGetDevmode getDevmode_ = nullptr;
    PFN_VEXLDrvGetDevmodeEx getDevmodeEx_ = nullptr;
    VEXLDRVHANDLE instance_ = nullptr;
    const char* printerAnsi_ = nullptr;
    const WCHAR* printer_ = nullptr;
};

TEST_P(OfferedValuesTest, EveryOfferedValueIsWrittenAndReadBack)
{
    for (const OfferedList& list : kLists) {
        const Values offered = Capability(list.capability);
        EXPECT_FALSE(offered.empty()) << list.name;
        for (std::uint32_t value : offered) {
            SCOPED_TRACE(testing::Message() << list.name << " " << value);
            EXPECT_NE(Write(list.status, value), -1) << "code " << library_.getLastError(instance_);
            EXPECT_EQ(U32(Read(list.status), 4), value);
        }
    }
}

TEST_P(OfferedValuesTest, EveryValueTheWriteTakesIsOffered)
{
    for (const OfferedList& list : kLists) {
        Values offered = Capability(list.capability);
        if (list.spoolerList != 0) {
            const Values listed = Spooler(list.spoolerList);
            offered.insert(offered.end(), listed.begin(), listed.end());
        }
        Values candidates;
        for (std::uint32_t value = 0; value < list.candidates; ++value) candidates.push_back(value);
        if (list.regionPapers) candidates.insert(candidates.end(), {1024, 1025, 1026, 1027, 1028});
        for (std::uint32_t value : candidates) {
            if (Write(list.status, value) == -1) continue;
            EXPECT_NE(std::find(offered.begin(), offered.end(), value), offered.end())
                << list.name << " " << value << " is taken but not offered";
        }
    }
}

TEST_P(OfferedValuesTest, TheSpoolersTraysAndPapersAreTakenByTheWriteAndTheMerge)
{
    struct Field {
        WORD index;
        std::uint32_t status;
        std::size_t offset;
        std::uint32_t bit;
    };
    const Field fields[] = {
        {DC_BINS, VEXLDRV_STATUS_PAPER_SOURCE, offsetof(DEVMODEW, dmDefaultSource), DM_DEFAULTSOURCE},
        {DC_PAPERS, VEXLDRV_STATUS_PAPER_SIZE, offsetof(DEVMODEW, dmPaperSize), DM_PAPERSIZE},
    };
    for (const Field& field : fields) {
        const Values listed = Spooler(field.index);
        EXPECT_FALSE(listed.empty()) << field.index;
        for (std::uint32_t value : listed) {
            SCOPED_TRACE(testing::Message() << "DeviceCapabilitiesW " << field.index << " value " << value);
            if (value == 256) continue;  // the merge needs its size fields as well
            EXPECT_EQ(Field16(Merge(field.offset, field.bit, static_cast<std::uint16_t>(value)), field.offset), value);
            EXPECT_NE(Write(field.status, value), -1);
        }
    }
}

TEST_P(OfferedValuesTest, ACustomSizeIsReadEditedAndWrittenBackAtTheLatestVersion)
{
    std::vector<std::uint8_t> paper = Read(VEXLDRV_STATUS_PAPER_SIZE);
    ASSERT_EQ(U32(paper, 0), 2u);  // the read hands out the latest structure version
    PutU32(paper, 4, 256);
    PutU32(paper, 8, 1500);
    PutU32(paper, 12, 2500);
    PutU32(paper, 16, 1);  // landscape
    ASSERT_NE(library_.setStatus(instance_, VEXLDRV_STATUS_PAPER_SIZE, paper.data(), nullptr, 0), -1)
        << "code " << library_.getLastError(instance_);
    const std::vector<std::uint8_t> back = Read(VEXLDRV_STATUS_PAPER_SIZE);
    EXPECT_EQ(U32(back, 4), 256u);
    EXPECT_EQ(U32(back, 8), 1500u);
    EXPECT_EQ(U32(back, 12), 2500u);
    EXPECT_EQ(U32(back, 16), 1u);

    PutU32(paper, 16, 2);  // no orientation of a custom size
    EXPECT_EQ(library_.setStatus(instance_, VEXLDRV_STATUS_PAPER_SIZE, paper.data(), nullptr, 0), -1);
    EXPECT_EQ(U32(Read(VEXLDRV_STATUS_PAPER_SIZE), 16), 1u);
}

TEST_P(OfferedValuesTest, IndexRotationIsWrittenUnderTheOfferedMediaThatAllowsIt)
{
    const Values media = Capability(4);
    ASSERT_NE(std::find(media.begin(), media.end(), 272u), media.end());
    std::vector<std::uint8_t> rotation = Read(VEXLDRV_STATUS_INDEX_ROTATION);
    ASSERT_FALSE(rotation.empty());
    PutU32(rotation, 4, 1);
    EXPECT_EQ(library_.setStatus(instance_, VEXLDRV_STATUS_INDEX_ROTATION, rotation.data(), nullptr, 0), -1);
    EXPECT_EQ(library_.getLastError(instance_), VEXLDRV_ERROR_COMBINATION_REFUSED);

    ASSERT_NE(Write(VEXLDRV_STATUS_MEDIA_TYPE, 272), -1);
    EXPECT_NE(library_.setStatus(instance_, VEXLDRV_STATUS_INDEX_ROTATION, rotation.data(), nullptr, 0), -1)
        << "code " << library_.getLastError(instance_);
    EXPECT_EQ(U32(Read(VEXLDRV_STATUS_INDEX_ROTATION), 4), 1u);
}

TEST_P(OfferedValuesTest, EveryOfferedMediaSurvivesTheMergeAndNoOtherDoes)
{
    const std::size_t offset = offsetof(DEVMODEW, dmMediaType);
    const auto merge = [&](std::uint32_t media) {
        std::vector<std::uint8_t> devmode(VEXLDRV_DEVMODE_BYTES, 0);
        EXPECT_EQ(getDevmode_(instance_, VEXLDRV_DEVMODE_REDERIVE, devmode.data()), VEXLDRV_DEVMODE_BYTES);
        std::memcpy(devmode.data() + offset, &media, 4);
        DWORD fields = 0;
        std::memcpy(&fields, devmode.data() + offsetof(DEVMODEW, dmFields), 4);
        fields |= DM_MEDIATYPE;
        std::memcpy(devmode.data() + offsetof(DEVMODEW, dmFields), &fields, 4);
        std::vector<std::uint8_t> merged(VEXLDRV_DEVMODE_BYTES, 0);
        EXPECT_EQ(getDevmodeEx_(instance_, VEXLDRV_DEVMODE_MERGE, merged.data(), devmode.data(), 0),
                  VEXLDRV_DEVMODE_BYTES);
        return U32(merged, offset);
    };
    for (std::uint32_t media : Capability(4)) EXPECT_EQ(merge(media), media);
    EXPECT_NE(merge(300), 300u);  // a media the model does not have
}

TEST_P(OfferedValuesTest, EveryListedPaperHasANameAndASize)
{
    const Values papers = Spooler(DC_PAPERS);
    ASSERT_FALSE(papers.empty());
    const int count = static_cast<int>(papers.size());
    std::vector<WCHAR> names(papers.size() * 64, 0);
    ASSERT_EQ(DeviceCapabilitiesW(printer_, nullptr, DC_PAPERNAMES, names.data(), nullptr), count);
    std::vector<POINT> sizes(papers.size());
    ASSERT_EQ(DeviceCapabilitiesW(printer_, nullptr, DC_PAPERSIZE, reinterpret_cast<LPWSTR>(sizes.data()), nullptr),
              count);
    for (std::size_t at = 0; at < papers.size(); ++at) {
        SCOPED_TRACE(testing::Message() << "paper " << papers[at]);
        // The stored custom sizes name and size 384 to 393; the install
        // writes them, and this machine has none.
        if (papers[at] >= 384 && papers[at] <= 393) continue;
        EXPECT_NE(names[at * 64], 0) << "a paper without a name";
        EXPECT_GT(sizes[at].x, 0);
        EXPECT_GT(sizes[at].y, 0);
    }
}

TEST_P(OfferedValuesTest, EveryOfferedValueHasANameOfItsOwn)
{
    struct NameList {
        std::uint32_t capability;  // the names of the list before it
        std::size_t slotBytes;
    };
    for (const NameList& list : {NameList{3, 24}, NameList{5, 64}, NameList{16, 64}}) {
        SCOPED_TRACE(testing::Message() << "capability " << list.capability);
        const std::uint32_t count = library_.getCaps(instance_, list.capability, nullptr);
        ASSERT_NE(count, VEXLDRV_CAPS_FAILED);
        ASSERT_EQ(count, Capability(list.capability - 1).size());
        std::vector<char> slots(count * list.slotBytes, 0);
        ASSERT_EQ(library_.getCaps(instance_, list.capability, slots.data()), count);
        std::set<std::string> names;
        for (std::uint32_t at = 0; at < count; ++at) {
            const std::string name(&slots[at * list.slotBytes], strnlen(&slots[at * list.slotBytes], list.slotBytes));
            EXPECT_FALSE(name.empty()) << "entry " << at;
            EXPECT_NE(name, "Not listed") << "entry " << at;
            EXPECT_TRUE(names.insert(name).second) << name << " names two entries";
        }
    }
}

// The package's printer is a colour machine, as its name says.
class PackagePrinterTest : public OfferedValuesTest {};

TEST_P(PackagePrinterTest, IsAColourMachine)
{
    EXPECT_EQ(library_.getCaps(instance_, VEXLDRV_CAPS_EXTRA, nullptr), 1u);  // the machine's colour type
}

INSTANTIATE_TEST_SUITE_P(Package, PackagePrinterTest, testing::Values(Printer::Package), PrinterLabel);

INSTANTIATE_TEST_SUITE_P(BothPrinters, OfferedValuesTest, testing::Values(Printer::Package, Printer::Interface),
                         PrinterLabel);

}  // namespace
}  // namespace vexl::test
