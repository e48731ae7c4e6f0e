// Set and verify handlers of the statuses that try a function on before
// they write it: N-up, duplex, staple, punch and fold.
#include "api/status_writes.h"

#include "api/devmode_delivery.h"
#include "api/item_helpers.h"
#include "api/versions.h"
#include "common/core/appservices.h"
#include "common/core/devmode_public.h"
#include "common/core/items.h"
#include "common/core/paper_sync.h"
#include "common/core/store.h"
#include "common/core/units.h"

namespace vexl::api {

namespace {

inline constexpr std::uint16_t kFeatureClassLocks = 2;

DEVMODEW* StoreDevmode(DriverContext* instance)
{
    return reinterpret_cast<DEVMODEW*>(GetStoreBytes(instance));
}

BOOL IsSwitchAskedOff(const StatusInput& in)
{
    return in.U32(28) == 0;
}

}  // namespace

// ---- 14: N-up -----------------------------------------------------------------------------------

namespace {

inline constexpr std::uint32_t kFirstPosterNupType = 32769;
inline constexpr std::uint32_t kKeepPostKind = 0;

// The N-up kind a type belongs to; kKeepPostKind when the type leaves the
// kind as it is, 0xFFFFFFFF when the type is refused under the API version in force.
std::uint32_t NupPostKindOfType(std::uint32_t type)
{
    struct KindRow {
        std::uint32_t first;
        std::uint32_t last;
        std::uint32_t kind;
        int minimumApi;
    };
    static constexpr KindRow kRows[] = {
        {1, 3, 1, 0},   {33, 34, 2, 0},   {37, 38, 2, 0},     {65, 66, 3, 0},     {69, 70, 3, 0},
        {97, 98, 4, 0}, {101, 102, 4, 0}, {129, 130, 11, 15}, {161, 163, 10, 15}, {32769, 32772, 9, 0},
    };
    for (const KindRow& row : kRows) {
        if (type < row.first || type > row.last) continue;
        if (GetApiVersionInForce() < row.minimumApi) return 0xFFFFFFFF;
        return row.kind;
    }
    return kKeepPostKind;
}

}  // namespace

int SetNup(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const std::uint32_t version = GetWrittenVersion(id, input);
    if (!PassesMinimumApi(id, version)) return -1;
    const StatusInput in = CopyStatusInput(id, input);
    const std::uint32_t type = in.U32(4);
    if (IsFeatureClassOn(instance, kFeatureClassLocks, 0) && IsNupKindLocked(instance) && type == 0) return -1;
    if (SwitchOffIfAsked(instance, in, rdmFuncSelectNup)) return 1;
    if (!IsValueAccepted(instance, rdmNUPType, type)) return -1;
    const std::uint32_t kind = NupPostKindOfType(type);
    if (kind == 0xFFFFFFFF) return -1;
    const std::uint32_t oldKind = GetItemValue(instance, rdmNUPPOSTKind);
    if (kind != kKeepPostKind) {
        if (!IsValueAccepted(instance, rdmNUPPOSTKind, kind)) return -1;
        SetItemValue(instance, rdmNUPPOSTKind, kind);
    }
    const bool withLine = version >= 2 && type < kFirstPosterNupType;
    if (!TrySwitchOn(instance, id, rdmFuncSelectNup, rdmNUPType, type) ||
        (withLine && !IsValueAccepted(instance, rdmNUPLine, in.U32(8)))) {
        SetItemValue(instance, rdmNUPPOSTKind, oldKind);
        return -1;
    }
    SetItemValue(instance, rdmNUPType, type);
    if (withLine) SetItemValue(instance, rdmNUPLine, in.U32(8));
    SetItemValue(instance, rdmFuncSelectNup, in.U32(28));
    return 1;
}

int VerifyNup(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const std::uint32_t version = GetWrittenVersion(id, input);
    const StatusInput in = CopyStatusInput(id, input);
    if (IsSwitchAskedOff(in)) return 1;
    if (GetItemValue(instance, rdmFuncSelectNup) == 0) return -1;
    if (version >= 2 && in.U32(4) <= 0x8000 && GetItemValue(instance, rdmNUPLine) != in.U32(8)) return -1;
    return 1;
}

// ---- 15: duplex ---------------------------------------------------------------------------------

int SetDuplex(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    const std::uint32_t type = in.U32(4);
    if (IsFeatureClassOn(instance, kFeatureClassLocks, 0) && IsDuplexLocked(instance) &&
        !CapabilityListHolds(instance, 104, type))
        return -1;
    if (SwitchOffIfAsked(instance, in, rdmFuncSelectDuplex)) {
        SyncPublicDuplex(StoreDevmode(instance), instance);
        return 1;
    }
    if (!IsValueAccepted(instance, rdmDuplexType, type)) return -1;
    if (!TrySwitchOn(instance, id, rdmFuncSelectDuplex, rdmDuplexType, type)) return -1;
    const std::uint32_t odd = TenthMmAsDots(in.U32(8));
    const std::uint32_t even = TenthMmAsDots(in.U32(12));
    if (DuplexTypeHasMargins(type) &&
        (!IsValueAccepted(instance, rdmMarginOdd, odd) || !IsValueAccepted(instance, rdmMarginEven, even)))
        return -1;
    SetItemValue(instance, rdmDuplexType, type);
    SetItemValue(instance, rdmFuncSelectDuplex, in.U32(28));
    SyncPublicDuplex(StoreDevmode(instance), instance);
    if (DuplexTypeHasMargins(type)) {
        SetItemValue(instance, rdmFuncSelectMargin, 1);
        SetItemValue(instance, rdmMarginOdd, odd);
        SetItemValue(instance, rdmMarginEven, even);
    }
    return 1;
}

int VerifyDuplex(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    if (IsSwitchAskedOff(in)) return 1;
    return GetItemValue(instance, rdmFuncSelectDuplex) != 0 ? 1 : -1;
}

// ---- 20, 21, 51: staple, punch, fold --------------------------------------------------------------

namespace {

struct FinishingRow {
    std::uint32_t status;
    std::uint16_t switchItem;
    std::uint16_t valueItem;
};

constexpr FinishingRow kFinishingRows[] = {
    {20, rdmFuncSelectStaple, rdmStapleType},
    {21, rdmFuncSelectPunch, rdmPunchType},
    {51, rdmFuncSelectFold, rdmFoldType},
};

const FinishingRow* FindFinishingRow(std::uint32_t status)
{
    for (const FinishingRow& row : kFinishingRows)
        if (row.status == status) return &row;
    return nullptr;
}

}  // namespace

int SetFinishing(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const FinishingRow* row = FindFinishingRow(id);
    if (row == nullptr) return -1;
    const StatusInput in = CopyStatusInput(id, input);
    if (SwitchOffIfAsked(instance, in, row->switchItem)) return 1;
    const std::uint32_t value = in.U32(4);
    if (!IsValueAccepted(instance, row->valueItem, value)) return -1;
    if (!TrySwitchOn(instance, id, row->switchItem, row->valueItem, value)) return -1;
    SetItemValue(instance, row->valueItem, value);
    SetItemValue(instance, row->switchItem, in.U32(28));
    return 1;
}

int VerifyFinishing(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const FinishingRow* row = FindFinishingRow(id);
    if (row == nullptr) return -1;
    const StatusInput in = CopyStatusInput(id, input);
    if (IsSwitchAskedOff(in)) return 1;
    return GetItemValue(instance, row->switchItem) != 0 ? 1 : -1;
}

}  // namespace vexl::api
