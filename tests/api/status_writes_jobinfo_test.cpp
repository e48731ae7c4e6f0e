// The job information write (status 10) on the settings interface's test
// printer: the checks of each print method and field mask with the codes
// they refuse with, the print method stored at once, and the fields a
// structure version does not have left alone.
#include "api/frame.h"
#include "api/status_layouts.h"
#include "api/versions.h"
#include "common/core/items.h"

#include "common/core/le.h"
#include "common/model/model_list.h"
#include "interface_instance.h"
#include "vexlapi/vexlapi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace vexl::test {
namespace {

class JobInformationWrite : public InterfaceInstanceTest {
protected:
    struct Fields {
        std::uint32_t method, mask;
        const char* userId = "";
        const char* password4 = "";
        const char* password8 = "";
        const char* document = "";
    };
    std::vector<std::uint8_t> JobInfo(std::uint32_t version, const Fields& f)
    {
        std::vector<std::uint8_t> s(api::GetStatusStructureSize(10, version));
        WriteLe32(s.data(), version);
        WriteLe32(s.data() + 4, f.method);
        WriteLe32(s.data() + 8, f.mask);
        std::strcpy(reinterpret_cast<char*>(s.data() + 12), f.userId);
        std::strcpy(reinterpret_cast<char*>(s.data() + 21), f.password4);
        std::strcpy(reinterpret_cast<char*>(s.data() + 48), f.document);
        if (version >= 2) std::strcpy(reinterpret_cast<char*>(s.data() + 399), f.password8);
        return s;
    }
    std::string Text(std::uint16_t item)
    {
        const SettingItemDescriptor* d = FindItem(instance_, item);
        return d ? std::string(reinterpret_cast<const char*>(GetItemAddress(instance_, d))) : std::string();
    }

};

TEST_F(JobInformationWrite, MethodsCheckTheirFieldsWithTheirCodes)
{

    struct Case {
        Fields fields;
        int result;
        std::int32_t code;
    };
    const Case cases[] = {
        {{0, 0x1, "AB-1"}, -1, api::kApiErrorRefused},       // not alphanumeric
        {{8, 0x1, "AB-1"}, -1, api::kApiErrorBadCharacter},  // the same, method 8 names it
        {{8, 0x1, ""}, -1, api::kApiErrorRefused},           // an identifier is needed
        {{8, 0x201, "AB12", "", "", "A\"B"}, -1, api::kApiErrorBadCharacter},
        {{1, 0x3, "AB12", "12a4"}, -1, api::kApiErrorRefused},  // four digits
        {{10, 0x2001, "AB12", "", "12ab"}, -1, api::kApiErrorBadCharacter},
        {{10, 0x2001, "AB12", "", "123"}, -1, api::kApiErrorRefused},  // four to eight
        {{12, 0x0}, -1, api::kApiErrorRefused},                        // no such method
        {{1, 0x3, "AB12", "1234"}, 0, 0},
        {{10, 0x2001, "AB12", "", "123456"}, 0, 0},
    };
    for (const Case& c : cases) {
        api::SetApiLastError(instance_, 0);
        const std::vector<std::uint8_t> s = JobInfo(3, c.fields);
        EXPECT_EQ(api::SetStatusDispatch(instance_, 10, s.data(), nullptr, 0), c.result)
            << c.fields.method << "/" << c.fields.mask << " code " << api::GetApiLastError(instance_);
        EXPECT_EQ(api::GetApiLastError(instance_), c.code) << c.fields.method << "/" << c.fields.mask;
    }
    EXPECT_EQ(GetItemValue(instance_, rdmPrnMethod), 10u);
    EXPECT_EQ(Text(rdmUserID), "AB12");
    EXPECT_EQ(Text(rdmStoredPassword), "123456");
}

// The print method is stored at once: a new instance (as another process
// would make) starts from it; a refused write leaves the stored one.
TEST_F(JobInformationWrite, PrintMethodIsStoredAtOnce)
{
    std::vector<std::uint8_t> s = JobInfo(3, {2, 0x1, "AB12"});
    ASSERT_EQ(api::SetStatusDispatch(instance_, 10, s.data(), nullptr, 0), 0);
    s = JobInfo(3, {8, 0x1, "AB-1"});
    ASSERT_EQ(api::SetStatusDispatch(instance_, 10, s.data(), nullptr, 0), -1);
    api::CloseApiInstance(instance_);
    PurgeContextCache(TRUE);
    instance_ = api::OpenApiInstance(kInterfacePrinterNameAnsi);
    ASSERT_NE(instance_, nullptr);
    EXPECT_EQ(GetItemValue(instance_, rdmPrnMethod), 2u);
}

// The model's passwords have 8 characters (capability 83): a version-1
// structure, which has room for 4 only, is refused; version 2 carries them.
TEST_F(JobInformationWrite, EightCharacterPasswordsNeedVersionTwo)
{
    ASSERT_EQ(static_cast<std::int32_t>(api::DispatchCapability(instance_, 83, nullptr)), 8);
    std::vector<std::uint8_t> s = JobInfo(1, {1, 0x3, "AB12", "4321"});
    ASSERT_EQ(s.size(), 392u);
    EXPECT_EQ(api::SetStatusDispatch(instance_, 10, s.data(), nullptr, 0), -1);
    s = JobInfo(2, {1, 0x3, "AB12", "4321"});
    EXPECT_EQ(api::SetStatusDispatch(instance_, 10, s.data(), nullptr, 0), 0);
    EXPECT_EQ(Text(rdmJOBPassword), "4321");
}

}  // namespace
}  // namespace vexl::test
