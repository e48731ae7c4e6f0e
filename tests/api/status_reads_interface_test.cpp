// Status reads on the settings interface's test printer, whose model has
// the entries the capability-gated reads ask for, presets on file and
// comments in its settings INI.
#include "api/frame.h"
#include "api/handler_rows.h"
#include "api/status_layouts.h"
#include "api/versions.h"
#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/model/model_list.h"
#include "interface_instance.h"
#include "vexlapi/vexlapi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace vexl::test {
namespace {

constexpr std::uint8_t kCanary = 0xCC;

class InterfaceStatusReads : public InterfaceInstanceTest {
protected:
    int Read(std::uint32_t id, void* out, std::uint32_t version = 0)
    {
        return api::GetStatusDispatch(instance_, id, out, version);
    }

};

// The statuses that ask a capability before they read, and the page
// separation that the model's option bit opens: those the model offers
// answer with their size and stay within it, the others fail with code 100.
TEST_F(InterfaceStatusReads, CapabilityGatedStatusesAnswer)
{
    SetItemValue(instance_, rdmPrnFuncAuthenticationMode, 1);
    SetItemValue(instance_, rdmPrnFuncAuthenticationSecureMode, 1);
    int answered = 0;
    for (std::uint32_t id : {52u, 53u, 54u, 55u, 57u, 73u, 265u, 266u, 267u, 268u, 269u}) {
        std::vector<std::uint8_t> bytes(256, kCanary);
        const int size = Read(id, bytes.data());
        if (size == -1) {
            EXPECT_EQ(api::GetApiLastError(instance_), api::kApiErrorFailure) << id;
            continue;
        }
        ++answered;
        EXPECT_EQ(size, Read(id, nullptr)) << id;
        for (std::size_t i = static_cast<std::size_t>(size); i < bytes.size(); ++i)
            ASSERT_EQ(bytes[i], kCanary) << id << " byte " << i;
        if (id == 54) {
            EXPECT_EQ(api::GetStatusU32(bytes.data(), 4), 2u);  // secure mode
        }
    }
    EXPECT_GT(answered, 0);
}

// The model's job passwords have eight characters, which the first version
// of the job information cannot carry.
TEST_F(InterfaceStatusReads, EightCharacterPasswordsNeedTheSecondVersion)
{
    ASSERT_EQ(static_cast<int>(api::DispatchCapability(instance_, 83, nullptr)), 8);
    std::vector<std::uint8_t> bytes(sizeof(VEXL_STATUS_JOB_INFO), kCanary);
    EXPECT_EQ(Read(VEXLDRV_STATUS_JOB_INFORMATION, bytes.data(), 1), -1);
    EXPECT_EQ(api::GetApiLastError(instance_), api::kApiErrorVersion);
    EXPECT_EQ(bytes, std::vector<std::uint8_t>(sizeof(VEXL_STATUS_JOB_INFO), kCanary));
    EXPECT_EQ(Read(VEXLDRV_STATUS_JOB_INFORMATION, bytes.data(), 2), 408);
}

TEST_F(InterfaceStatusReads, PresetCommentsTurnBackslashNIntoLineBreaks)
{
    std::vector<std::uint8_t> bytes(sizeof(VEXL_STATUS_PRESET), 0);
    api::PutStatusU32(bytes.data(), offsetof(VEXL_STATUS_PRESET, number), 2);
    ASSERT_EQ(Read(VEXLDRV_STATUS_PRESET_NUMBER, bytes.data()), 824);
    VEXL_STATUS_PRESET preset;
    std::memcpy(&preset, bytes.data(), sizeof preset);
    EXPECT_STREQ(preset.name, "Booklet");
    EXPECT_STREQ(preset.comment, "Two sided\r\nfolded booklet");
}

}  // namespace
}  // namespace vexl::test
