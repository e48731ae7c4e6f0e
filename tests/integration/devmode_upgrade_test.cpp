// A caller's DEVMODE of an older private version merged into a context of
// the package's printer: the description's KSD_ConvertDevmode script brings
// a private part of the same major version up to date one version at a
// time, and a private part it cannot convert gives way to the context's.
#include "common/core/devmode_merge.h"
#include "common/core/devmode_services.h"
#include "common/core/le.h"
#include "common/model/constraints.h"
#include "common/wiring.h"

#include "support/integration_fixture.h"
#include "support/scoped_services.h"

#include <optional>

namespace vexl::test {
namespace {

constexpr std::size_t kPrivateVersionAt = 220 + 137;
constexpr std::size_t kMachineIdAt = 368;
constexpr std::uint32_t kCallerCopies = 3;
constexpr std::uint32_t kCallerMacro = 17;  // rdmUserPrintMacro; the model's default is 16

// The versions the script was run with, in turn.
std::vector<std::uint32_t>& VersionsSeen()
{
    static std::vector<std::uint32_t> seen;
    return seen;
}

// The description's script, with each run recorded.
std::uint16_t RecordAndRunScript(std::uint16_t symbolKey, std::uint32_t unused, DriverContext* context)
{
    VersionsSeen().push_back(GetItemValue(context, wdmConvertVersion));
    return RunKeyTransacts(symbolKey, unused, context);
}

class DevmodeUpgrade : public DriverPrinterTest {
protected:
    void SetUp() override
    {
        DriverPrinterTest::SetUp();
        VersionsSeen().clear();
        DevmodeServices services = GetDefaultDevmodeServices();
        services.runKeyTransacts = RecordAndRunScript;
        devmodeServices_.emplace(services);
    }
    void TearDown() override
    {
        devmodeServices_.reset();
        DriverPrinterTest::TearDown();
    }

    // The driver's own DEVMODE with a choice in its public and its private part.
    std::vector<std::uint8_t> CallerDevmode()
    {
        DriverContext* source = Create();
        EXPECT_NE(source, nullptr);
        if (source == nullptr) return {};
        SetItemValue(source, dmCopies, kCallerCopies);
        SetItemValue(source, rdmUserPrintMacro, kCallerMacro);
        std::vector<std::uint8_t> devmode = DevmodeBytes(source);
        ReleaseDriverContext(source, kReleaseDestroy);
        return devmode;
    }

    std::optional<ScopedDevmodeServices> devmodeServices_;
};

TEST_F(DevmodeUpgrade, OlderPrivatePartsAreConvertedOrDiscarded)
{
    struct Case {
        const char* what;
        std::uint32_t version;
        std::uint8_t machineId;
        std::vector<std::uint32_t> steps;
        bool privateKept;
    };
    std::vector<std::uint32_t> twelveSteps;
    for (std::uint32_t v = 311; v <= 322; ++v) twelveSteps.push_back(v);
    const Case cases[] = {
        {"one minor version behind", 321, 0x8C, {322}, true},
        {"twelve minor versions behind", 310, 0x8C, twelveSteps, true},
        {"current", 322, 0x8C, {}, true},
        {"an older major version", 299, 0x8C, {}, false},
        {"another model", 322, 0x8D, {}, false},
    };
    const std::vector<std::uint8_t> own = CallerDevmode();
    ASSERT_EQ(own.size(), 1236u);
    for (const Case& c : cases) {
        std::vector<std::uint8_t> caller = own;
        WriteLe32(caller.data() + kPrivateVersionAt, c.version);
        caller[kMachineIdAt] = c.machineId;
        VersionsSeen().clear();

        DriverContext* context = Create();
        ASSERT_NE(context, nullptr);
        ASSERT_EQ(MergeDevmode(context, reinterpret_cast<const DEVMODEW*>(caller.data()), kMergeFromCaller), 1);
        const std::vector<std::uint8_t> merged = DevmodeBytes(context);
        EXPECT_EQ(VersionsSeen(), c.steps) << c.what;
        EXPECT_TRUE(IsDevmodeCurrent(merged.data())) << c.what;
        EXPECT_EQ(ReadLe32(merged.data() + kPrivateVersionAt), 322u) << c.what;
        EXPECT_EQ(merged[kMachineIdAt], 0x8C) << c.what;
        // The public part is the caller's whatever became of the private one.
        EXPECT_EQ(GetItemValue(context, dmCopies), kCallerCopies) << c.what;
        EXPECT_EQ(GetItemValue(context, rdmUserPrintMacro), c.privateKept ? kCallerMacro : 16u) << c.what;
        ReleaseDriverContext(context, kReleaseDestroy);
    }
}

}  // namespace
}  // namespace vexl::test
