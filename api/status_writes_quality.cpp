// Set and verify handlers of the print-quality statuses: resolution, the
// CMYK planes, the print and balance macros, toner save and load sharing.
#include "api/status_writes.h"

#include "api/item_helpers.h"
#include "api/load_share.h"
#include "api/option_tests.h"
#include "common/core/appservices.h"
#include "common/core/devmode_services.h"
#include "common/core/items.h"
#include "common/core/paper_sync.h"
#include "common/core/store.h"
#include "common/storage/ini_lists.h"

namespace vexl::api {

// ---- 35: CMYK planes --------------------------------------------------------------------------------

namespace {

constexpr std::uint16_t kPlaneItems[] = {rdmPlaneUseCMYKCyan, rdmPlaneUseCMYKMagenta, rdmPlaneUseCMYKYellow,
                                         rdmPlaneUseCMYKBlack};

}  // namespace

int SetPlanes(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    bool any = false;
    for (std::size_t i = 0; i < 4; ++i) {
        const std::uint32_t value = in.U32(4 + 4 * i);
        any = any || value != 0;
        if (!IsValueAccepted(instance, kPlaneItems[i], value)) return -1;
    }
    if (!any) return -1;  // a page prints on at least one plane
    for (std::size_t i = 0; i < 4; ++i) SetItemValue(instance, kPlaneItems[i], in.U32(4 + 4 * i));
    return 1;
}

int VerifyPlanes(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    for (std::size_t i = 0; i < 4; ++i)
        if (GetItemValue(instance, kPlaneItems[i]) != in.U32(4 + 4 * i)) return -1;
    return 1;
}

// ---- 262: print macros ---------------------------------------------------------------------------------

namespace {

inline constexpr std::uint32_t kFirstQualityListMacro = 32;
inline constexpr std::uint32_t kSavedQualityMacro = 160;
inline constexpr int kSavedQualitySlot = 128;

// Which of the two macro lists the model offers (capabilities 266 and 268).
struct MacroOffer {
    bool printMacro;
    bool balanceMacro;
};

MacroOffer AskMacroOffer(DriverContext* instance)
{
    return {CapabilityAnswers(instance, 266) != 0, CapabilityAnswers(instance, 268) != 0};
}

// The quality list of a user macro value (32 to 39).
int QualitySlotOfMacro(std::uint32_t macro)
{
    return static_cast<int>(macro - kFirstQualityListMacro);
}

}  // namespace

int SetPrintMacro(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    const MacroOffer offer = AskMacroOffer(instance);
    const std::uint32_t userSwitch = in.U32(28);
    if (userSwitch == 0) {
        const std::uint32_t printMacro = in.U32(4);
        const std::uint32_t balanceMacro = in.U32(8);
        if (offer.printMacro && !IsValueAccepted(instance, rdmPrintMacro, printMacro)) return -1;
        if (offer.balanceMacro && !IsValueAccepted(instance, rdmBalanceMacro, balanceMacro)) return -1;
        SetItemValue(instance, rdmUseUserMacro, 0);
        if (offer.printMacro) SetItemValue(instance, rdmPrintMacro, printMacro);
        if (offer.balanceMacro) {
            // The media type's transactions run with the first user macro,
            // as the quality page starts them.
            SetItemValue(instance, wdmUIStart, 1);
            SetItemValue(instance, rdmUserPrintMacro, kFirstQualityListMacro);
            RunItemTransacts(instance, rdmMediaType);
            SetItemValue(instance, wdmUIStart, 0);
            SetItemValue(instance, rdmBalanceMacro, balanceMacro);
            const std::uint32_t userMacro = GetItemValue(instance, rdmUserPrintMacro);
            if (balanceMacro == kFirstQualityListMacro && userMacro >= kFirstQualityListMacro)
                LoadQualityListSlot(instance, QualitySlotOfMacro(userMacro));
        }
        return 1;
    }
    const std::uint32_t userMacro = in.U32(12);
    if (!IsValueAccepted(instance, rdmUserPrintMacro, userMacro)) return -1;
    if (userMacro == kSavedQualityMacro) {
        SaveQualityListSlot(instance, kSavedQualitySlot);
    } else {
        if (userMacro < kFirstQualityListMacro || !IsMainItemOffered(instance, rdmUserPrintMacro)) return -1;
        LoadQualityListSlot(instance, QualitySlotOfMacro(userMacro));
    }
    SetItemValue(instance, rdmUseUserMacro, userSwitch);
    SetItemValue(instance, rdmUserPrintMacro, userMacro);
    if (!offer.printMacro && offer.balanceMacro) SetItemValue(instance, rdmBalanceMacro, kFirstQualityListMacro);
    return 1;
}

int VerifyPrintMacro(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    const std::uint32_t userSwitch = in.U32(28);
    if (userSwitch != 0) {
        if (GetItemValue(instance, rdmUserPrintMacro) != in.U32(12)) return -1;
    } else {
        const MacroOffer offer = AskMacroOffer(instance);
        if (offer.printMacro && GetItemValue(instance, rdmPrintMacro) != in.U32(4)) return -1;
        if (offer.balanceMacro) {
            const std::uint32_t balance = GetItemValue(instance, rdmBalanceMacro);
            if (balance == kFirstQualityListMacro) return 1;
            if (balance != in.U32(8)) return -1;
        }
    }
    return GetItemValue(instance, rdmUseUserMacro) == userSwitch ? 1 : -1;
}

// ---- 264: toner save ---------------------------------------------------------------------------------

namespace {

inline constexpr std::int32_t kTonerSaveNeedsMacro160 = 2;

}  // namespace

int SetTonerSave(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const std::int32_t offered = AskCapability(instance, 274);
    if (offered == 0 || offered == -1) return -1;
    if (offered == kTonerSaveNeedsMacro160 && !IsUserMacro160Active(instance))
        return RefuseWrite(instance, kApiErrorQualityMacro);
    const StatusInput in = CopyStatusInput(id, input);
    if (SwitchOffIfAsked(instance, in, rdmFuncSelectTonerSave)) return 1;
    const std::uint32_t level = in.U32(4);
    if (AskCapability(instance, 275) == 1) {
        // The level follows the quality macro: only the stored one may be asked.
        if (GetItemValue(instance, rdmTonerSave) != level) return -1;
    } else {
        if (!IsValueAccepted(instance, rdmTonerSave, level)) return -1;
        SetItemValue(instance, rdmTonerSave, level);
    }
    SetItemValue(instance, rdmFuncSelectTonerSave, in.U32(28));
    return 1;
}

int VerifyTonerSave(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    if (in.U32(28) == 0) return 1;
    return GetItemValue(instance, rdmFuncSelectTonerSave) == in.U32(28) &&
                   GetItemValue(instance, rdmTonerSave) == in.U32(4)
               ? 1
               : -1;
}

// ---- 61: load sharing -----------------------------------------------------------------------------------

namespace {

std::uint32_t GetLoadShareAvailability(DriverContext* instance)
{
    const ApiRecord* record = instance->workArea ? instance->workArea->apiRecord : nullptr;
    return record ? record->loadShareAvailable : 0;
}

}  // namespace

int SetLoadShare(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    std::uint32_t value = 0;
    if (!FindLoadShareValue(instance, GetLoadShareAvailability(instance), in.U32(4), &value)) return -1;
    const std::uint32_t old = GetItemValue(instance, rdmLoadShare);
    SetItemValue(instance, rdmLoadShare, value);
    if (IsPaperCombinationRefused(instance)) {
        SetItemValue(instance, rdmLoadShare, old);
        return RefuseWrite(instance, kApiErrorCombinationRefused);
    }
    return 1;
}

int VerifyLoadShare(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    return IsLoadShareCodeStored(instance, GetLoadShareAvailability(instance), in.U32(4)) ? 1 : -1;
}

}  // namespace vexl::api
