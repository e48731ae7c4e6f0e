// One model, two roads, one truth: what the settings interface answers of
// papers, trays, resolutions and copies agrees with what the printer
// interface library answers the spooler's DeviceCapabilitiesW.
#include "api/capabilities.h"

#include "common/core/items.h"
#include "common/model/resolution.h"
#include "platform/printui.h"
#include "platform/spooler_driver.h"

#include "support/integration_fixture.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace vexl::test {
namespace {

class CapabilityRoadsTest : public DriverPrinterTest {
protected:
    void SetUp() override
    {
        DriverPrinterTest::SetUp();
        machine::InstallFile(VEXL_TZ16E130_FILE, std::u16string(kDriverFolder) + u"\\TZ16E130.DLL");
        instance_ = Create(kCallerSettingsInterface);
        ASSERT_NE(instance_, nullptr);
    }
    void TearDown() override
    {
        if (instance_) ReleaseDriverContext(instance_, kReleaseDestroy);
        DriverPrinterTest::TearDown();
    }

    // A DeviceCapabilitiesW list in both passes.
    template <typename T> std::vector<T> Spooler(WORD index, std::size_t perEntry = 1)
    {
        const int count = DeviceCapabilitiesW(kPrinterName, nullptr, index, nullptr, nullptr);
        EXPECT_GT(count, 0) << index;
        if (count <= 0) return {};
        std::vector<T> out(count * perEntry);
        EXPECT_EQ(DeviceCapabilitiesW(kPrinterName, nullptr, index, reinterpret_cast<LPWSTR>(out.data()), nullptr),
                  count);
        return out;
    }
    std::vector<std::string> SpoolerNames(WORD index, int chars)
    {
        const std::vector<WCHAR> slots = Spooler<WCHAR>(index, chars);
        std::vector<std::string> names;
        for (std::size_t at = 0; at < slots.size(); at += chars) {
            char ansi[64] = {};
            WideCharToMultiByte(CP_ACP, 0, slots.data() + at, -1, ansi, sizeof(ansi), nullptr, nullptr);
            names.emplace_back(ansi);
        }
        return names;
    }
    // A capability's list in both passes.
    template <typename T> std::vector<T> Interface(std::uint32_t id, std::size_t entryBytes)
    {
        const int count = api::RunCapabilityHandler(instance_, id, nullptr);
        EXPECT_GT(count, 0) << id;
        if (count <= 0) return {};
        std::vector<std::uint8_t> bytes(count * entryBytes);
        EXPECT_EQ(api::RunCapabilityHandler(instance_, id, bytes.data()), count) << id;
        std::vector<T> out(bytes.size() / sizeof(T));
        std::memcpy(out.data(), bytes.data(), bytes.size());
        return out;
    }
    std::vector<std::string> InterfaceNames(std::uint32_t id, std::size_t slotBytes)
    {
        const std::vector<char> slots = Interface<char>(id, slotBytes);
        std::vector<std::string> names;
        for (std::size_t at = 0; at < slots.size(); at += slotBytes) {
            names.emplace_back(&slots[at], strnlen(&slots[at], slotBytes));
        }
        return names;
    }

    DriverContext* instance_ = nullptr;
};

TEST_F(CapabilityRoadsTest, PapersTraysResolutionsAndCopiesAgreeWithDeviceCapabilities)
{
    // Papers: the same values, names and sizes in the same order.
    const std::vector<WORD> papers = Spooler<WORD>(DC_PAPERS);
    const std::vector<std::uint32_t> paperValues = Interface<std::uint32_t>(10, 4);
    EXPECT_EQ(paperValues, std::vector<std::uint32_t>(papers.begin(), papers.end()));
    EXPECT_EQ(InterfaceNames(11, 64), SpoolerNames(DC_PAPERNAMES, CCH_PAPERNAME));
    const std::vector<std::int32_t> sizes = Interface<std::int32_t>(12, 8);
    const std::vector<POINT> spoolerSizes = Spooler<POINT>(DC_PAPERSIZE);
    ASSERT_EQ(sizes.size(), spoolerSizes.size() * 2);
    for (std::size_t i = 0; i < spoolerSizes.size(); ++i) {
        EXPECT_EQ(sizes[2 * i], spoolerSizes[i].x) << papers[i];
        EXPECT_EQ(sizes[2 * i + 1], spoolerSizes[i].y) << papers[i];
    }

    // Trays: every tray the interface allows is a bin of the spooler's, with
    // the same name.
    const std::vector<WORD> bins = Spooler<WORD>(DC_BINS);
    const std::vector<std::string> binNames = SpoolerNames(DC_BINNAMES, CCH_BINNAME);
    const std::vector<std::uint32_t> trays = Interface<std::uint32_t>(2, 4);
    const std::vector<std::string> trayNames = InterfaceNames(3, 24);
    ASSERT_EQ(trays.size(), trayNames.size());
    for (std::size_t i = 0; i < trays.size(); ++i) {
        const auto bin = std::find(bins.begin(), bins.end(), trays[i]);
        ASSERT_NE(bin, bins.end()) << trays[i];
        EXPECT_EQ(trayNames[i], binNames[bin - bins.begin()]) << trays[i];
    }

    // Resolutions: the square resolutions of the interface's codes are the
    // spooler's pairs.
    std::set<std::pair<std::int32_t, std::int32_t>> square;
    for (std::uint32_t code : Interface<std::uint32_t>(54, 4)) {
        const ResolutionEntry* row = FindResolutionEntry(static_cast<std::uint16_t>(code));
        ASSERT_NE(row, nullptr) << code;
        if (row->xDpi == row->yDpi) square.insert({row->xDpi, row->yDpi});
    }
    const std::vector<std::int32_t> pairs = Spooler<std::int32_t>(DC_ENUMRESOLUTIONS, 2);
    std::set<std::pair<std::int32_t, std::int32_t>> spoolerPairs;
    for (std::size_t i = 0; i + 1 < pairs.size(); i += 2) spoolerPairs.insert({pairs[i], pairs[i + 1]});
    EXPECT_FALSE(square.empty());
    EXPECT_EQ(square, spoolerPairs);

    // Copies.
    EXPECT_EQ(api::RunCapabilityHandler(instance_, 17, nullptr),
              DeviceCapabilitiesW(kPrinterName, nullptr, DC_COPIES, nullptr, nullptr));
}

}  // namespace
}  // namespace vexl::test
