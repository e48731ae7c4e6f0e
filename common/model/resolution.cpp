#include "common/model/resolution.h"

#include "common/core/appservices.h"
#include "common/core/devmode_public.h"
#include "common/core/items.h"
#include "common/core/osinfo.h"
#include "common/core/paper_sync.h"
#include "common/core/store.h"
#include "common/core/units.h"

namespace vexl {

namespace {

bool BothWithin(DriverContext* context, std::uint16_t widthItem, std::uint16_t lengthItem, std::uint32_t limit,
                bool inclusive)
{
    const std::uint32_t width = GetItemValue(context, widthItem);
    const std::uint32_t length = GetItemValue(context, lengthItem);
    return inclusive ? width <= limit && length <= limit : width < limit && length < limit;
}

std::int64_t SignedItem32(DriverContext* context, std::uint16_t item)
{
    return static_cast<std::int32_t>(GetItemValue(context, item));
}

std::int64_t SignedItem16(DriverContext* context, std::uint16_t item)
{
    return static_cast<std::int16_t>(GetItemValue(context, item));
}

// For the cap: the resolution items follow the one that was set, and
// the dot sizes of the source and output paper are computed anew.
void RecomputeDotSizes(DriverContext* context, std::uint16_t destination)
{
    if (destination != 0) {
        SyncPrintQualityFromResolution(nullptr, context);
    } else {
        SyncResolutionFromPrintQuality(nullptr, context);
    }
    const auto* devmode = reinterpret_cast<const DEVMODEW*>(GetStoreBytes(context));
    const std::uint32_t bothSides = DM_PAPERLENGTH | DM_PAPERWIDTH;
    if (destination == 0 && devmode && (GetDevmodeFields(devmode) & bothSides) == bothSides) {
        SetSourcePaperFromPublicSize(nullptr, context);
    } else {
        SetSourcePaper(static_cast<std::uint16_t>(GetItemValue(context, dmPaperSize)), dmPaperSize, context, nullptr);
    }
    SetOutputPaper(static_cast<std::uint16_t>(GetItemValue(context, rdmOutPaperSize)), rdmOutPaperSize, context,
                   nullptr);
}

// For the cap: whether the page fits the printer at the current resolution.
bool FitsAtResolution(DriverContext* context)
{
    if (GetItemValue(context, dmPrintQuality) <= kCappedResolution) return true;
    const std::uint32_t loadShare = GetItemValue(context, rdmLoadShare);
    if (loadShare > 2) return IsDstPageWithinDotLimit(context) && IsScaledSrcPageWithinDotLimit(context);
    if (IsWin9x()) {
        return BothWithin(context, rdmSrcPaperWidthDot, rdmSrcPaperLengthDot, kPageDotLimit, false) &&
               IsDstPageWithinLargeDotLimit(context);
    }
    if (IsOutputSameAsSource(GetItemValue(context, rdmOutPaperSize))) return IsSrcPageWithinLargeDotLimit(context);
    return IsDstPageWithinLargeDotLimit(context);
}

}  // namespace

// ---- the resolution table --------------------------------------------------------------------


// ---- the resolution cap ------------------------------------------------------------------------

std::uint16_t ComputeResolutionCap(DriverContext* context, std::uint16_t destination, std::uint16_t mode)
{
    if (context == nullptr) return 0;
    const std::uint16_t resolutionItem = destination != 0 ? rdmDstResolutionW : dmPrintQuality;

    // The locked resolution takes the place of the setting. A locked code
    // without a row of the table counts as no lock.
    bool locked = false;
    std::uint32_t lockedDpi = 0;
    std::uint32_t oldValue = 0;
    if (IsFeatureClassOn(context, kFeatureAdminLocks, 0) && IsResolutionLocked(context)) {
        const auto code = static_cast<std::uint16_t>(GetItemValue(context, rdmLockDstResolutionBoth));
        if (const ResolutionEntry* row = FindResolutionEntry(code)) {
            locked = true;
            lockedDpi = row->xDpi;
            oldValue = GetItemValue(context, resolutionItem);
            SetItemValue(context, resolutionItem, lockedDpi);
        }
    }

    // The dot sizes at that resolution, and the cap when the page does not fit.
    RecomputeDotSizes(context, destination);
    std::uint32_t cap = FitsAtResolution(context) ? 0 : kCappedResolution;

    // The lock decides against the old value.
    if (locked) {
        if ((mode == kCapForJudge && oldValue <= cap) || (mode == kCapForSize && oldValue == cap)) {
            cap = 0;
        } else if (lockedDpi < cap) {
            cap = lockedDpi;
        }
    }
    return static_cast<std::uint16_t>(cap);
}

std::uint16_t GetResolutionCapForSize(DriverContext* context, std::uint16_t destination)
{
    return ComputeResolutionCap(context, destination, kCapForSize);
}

std::uint16_t GetDestinationResolutionCap(DriverContext* context, std::uint16_t destination)
{
    return ComputeResolutionCap(context, destination, kCapForJudge);
}

BOOL IsDstPageWithinDotLimit(DriverContext* context)
{
    return BothWithin(context, rdmDstPaperWidthDot, rdmDstPaperLengthDot, kPageDotLimit, false);
}

BOOL IsDstPageWithinLargeDotLimit(DriverContext* context)
{
    return BothWithin(context, rdmDstPaperWidthDot, rdmDstPaperLengthDot, kLargePageDotLimit, true);
}

BOOL IsSrcPageWithinLargeDotLimit(DriverContext* context)
{
    return BothWithin(context, rdmSrcPaperWidthDot, rdmSrcPaperLengthDot, kLargePageDotLimit, true);
}

BOOL IsScaledSrcPageWithinDotLimit(DriverContext* context)
{
    // 64-bit products: a large page at a large scale must not wrap around
    // into a small one.
    std::int64_t width = SignedItem32(context, rdmSrcPaperWidthDot);
    std::int64_t length = SignedItem32(context, rdmSrcPaperLengthDot);
    const std::uint32_t scaleType = GetItemValue(context, rdmScaleType);
    if (GetItemValue(context, rdmFuncSelectScale) != 0 && scaleType != 2) {
        const std::int64_t horizontal = SignedItem16(context, rdmScaleH);
        const std::int64_t vertical = scaleType == 1 ? horizontal : SignedItem16(context, rdmScaleV);
        length = length * vertical / 100;
        width = width * horizontal / 100;
    } else if (GetItemValue(context, rdmFuncSelectNup) != 0 && GetItemValue(context, rdmNUPPOSTKind) == 9) {
        const std::uint32_t kind = GetItemValue(context, rdmNUPType) & 0xFFFF;
        if (kind == 0x8001) {
            (width < length ? width : length) *= 2;
        } else if (kind > 0x8001) {
            width *= kind - 0x8000;
            length *= kind - 0x8000;
        }
    }
    return width <= kScaledPageDotLimit && length <= kScaledPageDotLimit;
}

}  // namespace vexl
