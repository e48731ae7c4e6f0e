#include "api/load_share.h"

#include "common/core/devmode_public.h"
#include "common/core/items.h"
#include "common/model/constraints.h"

namespace vexl::api {

namespace {

constexpr LoadShareRow kLoadShareRows[] = {
    {0, 0, 2669}, {0, 16, 2672}, {1, 1, 2670}, {1, 17, 2673}, {2, 2, 2671}, {3, 18, 2674},
};

bool IsRowAvailable(std::uint32_t available, std::size_t row)
{
    return (available & (1u << row)) != 0;
}

}  // namespace

std::span<const LoadShareRow> LoadShareTable()
{
    return kLoadShareRows;
}

std::uint32_t RefreshLoadShareAvailability(DriverContext* instance)
{
    if (instance == nullptr) return 0;
    std::uint32_t available = 0;
    for (std::size_t row = 0; row < std::size(kLoadShareRows); ++row) {
        if (IsItemOptionUnavailableStrict(rdmLoadShare, kLoadShareRows[row].option, instance) == 0)
            available |= 1u << row;
    }
    return available;
}

BOOL FindLoadShareValue(DriverContext* instance, std::uint32_t available, std::uint32_t code, std::uint32_t* value)
{
    if (instance == nullptr) return FALSE;
    for (std::size_t row = 0; row < std::size(kLoadShareRows); ++row) {
        const LoadShareRow& r = kLoadShareRows[row];
        if (r.code != code || !IsRowAvailable(available, row)) continue;
        // The row must still be offered under the current settings, and the
        // model must not refuse the value (a setting the model does not
        // judge by its UI symbol is taken as the row allows it).
        if (IsItemOptionUnavailableStrict(rdmLoadShare, r.option, instance) != 0) continue;
        const int check = CheckItemValue(rdmLoadShare, r.value, instance);
        if (check == kCheckNotOption || check == kCheckExcluded) continue;
        if (value != nullptr) *value = r.value;
        return TRUE;
    }
    return FALSE;
}

BOOL IsLoadShareCodeStored(DriverContext* instance, std::uint32_t available, std::uint32_t code)
{
    if (instance == nullptr) return FALSE;
    const std::uint32_t stored = GetItemValue(instance, rdmLoadShare);
    for (std::size_t row = 0; row < std::size(kLoadShareRows); ++row) {
        const LoadShareRow& r = kLoadShareRows[row];
        if (r.code == code && r.value == stored && IsRowAvailable(available, row)) return TRUE;
    }
    return FALSE;
}

std::int32_t GetLoadShareCode(DriverContext* instance, std::uint32_t available)
{
    if (instance == nullptr) return -1;
    const std::uint32_t stored = GetItemValue(instance, rdmLoadShare);
    std::int32_t code = -1;
    for (std::size_t row = 0; row < std::size(kLoadShareRows); ++row) {
        const LoadShareRow& r = kLoadShareRows[row];
        if (r.value == stored && IsRowAvailable(available, row)) code = static_cast<std::int32_t>(r.code);
    }
    return code;
}

}  // namespace vexl::api
