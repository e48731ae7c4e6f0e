// Status structures an application hands to the status reads: the first
// byte picks the status, the second the structure version asked, the rest
// is the caller's structure. The buffer is exactly the size the read answers
// for that version, so a read that writes or reads past it is caught. The
// finishing list's fill pass gets a real list buffer of the capacity given.
#include "fuzz_support.h"

#include "api/api_fixture.h"
#include "api/frame.h"
#include "api/versions.h"
#include "vexlapi/vexl_status.h"

#include <algorithm>
#include <cstring>
#include <vector>

using namespace vexl;

namespace {

// The statuses whose reads take input from the structure, and two whose
// size depends most on the version.
constexpr std::uint32_t kStatuses[] = {1, 50, 56, 63, 67, 10, 16, 8};

DriverContext* FuzzInstance()
{
    static DriverContext* instance = [] {
        test::InstallApiPrinter(api::kApiVersionLatest);
        api::CheckApiVersion(test::kPrinterNameAnsi);
        api::BuildEnabledIdBitmaps(api::GetRequestedApiVersion());
        DriverContext* opened = api::OpenApiInstance(test::kPrinterNameAnsi);
        const VEXLDRVINITRECORD record{0, api::kApiVersionLatest};
        api::InitApiVersion(1, &record);
        fuzz::KeepFolderLibrariesLoaded(test::kDriverFolder);
        return opened;
    }();
    return instance;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::UseFuzzMachine();
    DriverContext* instance = FuzzInstance();
    if (instance == nullptr) return 0;
    fuzz::InputReader input(data, size);
    const std::uint32_t id = kStatuses[input.Byte() % std::size(kStatuses)];
    const std::uint32_t version = input.Byte() % 5;
    const int needed = api::GetStatusDispatch(instance, id, nullptr, version);
    if (needed <= 0) return 0;

    std::vector<std::uint8_t> structure(static_cast<std::size_t>(needed));
    const std::string_view bytes = input.Rest();
    std::memcpy(structure.data(), bytes.data(), std::min(bytes.size(), structure.size()));
    std::vector<char> list;
    if (id == VEXLDRV_STATUS_SELECTORS) {
        VEXL_STATUS_DRIVER_INFO info;
        std::memcpy(&info, structure.data(), sizeof info);
        list.resize(std::min<std::uint32_t>(info.u.list.listSize, 4096));
        info.u.list.listSize = static_cast<std::uint32_t>(list.size());
        info.u.list.listAddress = list.empty() ? 0 : reinterpret_cast<std::uintptr_t>(list.data());
        std::memcpy(structure.data(), &info, sizeof info);
    }
    api::GetStatusDispatch(instance, id, structure.data(), version);
    return 0;
}
