// Set and verify handlers of the page-layout and finishing statuses: scaling,
// cover and mark sheets, N-up, duplex, image shift, sorting, staple, punch and
// fold, paper rotation, manual-tray orientation, index rotation, back and
// reverse covers, cover media and folding.
#include "api/status_writes.h"

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

BOOL IsSwitchAskedOff(const StatusInput& in)
{
    return in.U32(28) == 0;
}

// A trial on a copy of the DEVMODE part: every write made while it lives is
// taken back when it ends.
class DevmodeTrial {
public:
    explicit DevmodeTrial(DriverContext* instance) : copy_(SaveDevmodePart(instance)), instance_(instance) {}
    ~DevmodeTrial() { RestoreDevmodePart(instance_, copy_, TRUE); }
    DevmodeTrial(const DevmodeTrial&) = delete;
    DevmodeTrial& operator=(const DevmodeTrial&) = delete;
    bool Started() const { return copy_ != nullptr; }

private:
    std::uint8_t* copy_;
    DriverContext* instance_;
};

}  // namespace

// ---- 11: scaling ------------------------------------------------------------------------------

int SetScaling(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const std::uint32_t version = GetWrittenVersion(id, input);
    if (!PassesMinimumApi(id, version)) return -1;
    const StatusInput in = CopyStatusInput(id, input);
    if (SwitchOffIfAsked(instance, in, rdmFuncSelectScale)) return 1;
    const std::uint32_t type = in.U32(4);
    if (!IsValueAccepted(instance, rdmScaleType, type)) return -1;
    SetItemValue(instance, rdmScaleType, type);
    if (type == 1 || type == 3) {
        if (!IsValueAccepted(instance, rdmScaleH, in.U32(8))) return -1;
        SetItemValue(instance, rdmScaleH, in.U32(8));
        if (type == 3) {
            if (!IsValueAccepted(instance, rdmScaleV, in.U32(12))) return -1;
            SetItemValue(instance, rdmScaleV, in.U32(12));
        }
        if (version >= 2) {
            if (!IsValueAccepted(instance, rdmScaleCentering, in.U32(16))) return -1;
            SetItemValue(instance, rdmScaleCentering, in.U32(16));
        }
    } else if (type == 2) {
        UpdateDependentSettings(instance, 1);
    }
    SetItemValue(instance, rdmFuncSelectScale, in.U32(28));
    return 1;
}

int VerifyScaling(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const std::uint32_t version = GetWrittenVersion(id, input);
    const StatusInput in = CopyStatusInput(id, input);
    if (IsSwitchAskedOff(in)) return 1;
    if (GetItemValue(instance, rdmFuncSelectScale) == 0) return -1;
    const std::uint32_t type = in.U32(4);
    if (GetItemValue(instance, rdmScaleType) != type) return -1;
    if (type != 1 && type != 3) return 1;
    if (GetItemValue(instance, rdmScaleH) != in.U32(8)) return -1;
    if (type == 3 && GetItemValue(instance, rdmScaleV) != in.U32(12)) return -1;
    if (version >= 2 && GetItemValue(instance, rdmScaleCentering) != in.U32(16)) return -1;
    return 1;
}

// ---- 12 and 13: cover and mark sheets -----------------------------------------------------------

namespace {

struct SheetRow {
    std::uint32_t status;
    std::uint16_t switchItem;
    std::uint16_t typeItem;
    std::uint16_t trayItem;
};

constexpr SheetRow kCoverSheet = {12, rdmFuncSelectCover, rdmCoverType, rdmCoverInputTray};
constexpr SheetRow kMarkSheet = {13, rdmFuncSelectMark, rdmMarkPaperType, rdmMPInputTray};

// The option of the sheet type exists and is offered.
BOOL IsSheetTypeOffered(DriverContext* instance, std::uint16_t typeItem, std::uint32_t type)
{
    const std::uint16_t option = FindOptionByConstantValue(instance, typeItem, type);
    return option != 0 && IsItemAvailable(instance, typeItem, option, 1);
}

// Duplex types 17 to 19 print the cover sheets on both sides.
BOOL IsBookletDuplexOn(DriverContext* instance)
{
    if (GetItemValue(instance, rdmFuncSelectDuplex) == 0) return FALSE;
    const std::uint32_t type = GetItemValue(instance, rdmDuplexType);
    return type >= 17 && type <= 19;
}

int WriteSheet(DriverContext* instance, const SheetRow& row, const StatusInput& in)
{
    SetItemValue(instance, row.typeItem, in.U32(4));
    SetItemValue(instance, row.trayItem, in.U32(8));
    SetItemValue(instance, row.switchItem, in.U32(28));
    return 1;
}

int VerifySheet(DriverContext* instance, const SheetRow& row, std::uint32_t id, const void* input)
{
    const StatusInput in = CopyStatusInput(id, input);
    if (IsSwitchAskedOff(in)) return 1;
    return GetItemValue(instance, row.switchItem) != 0 && GetItemValue(instance, row.typeItem) == in.U32(4) &&
                   GetItemValue(instance, row.trayItem) == in.U32(8)
               ? 1
               : -1;
}

}  // namespace

int SetCoverSheet(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    const SheetRow& row = kCoverSheet;
    if (SwitchOffIfAsked(instance, in, row.switchItem)) return 1;
    const std::uint32_t type = in.U32(4);
    if (!IsValueAccepted(instance, row.typeItem, type) || !IsValueAccepted(instance, row.trayItem, in.U32(8)))
        return -1;
    {
        DevmodeTrial trial(instance);
        if (!trial.Started()) return RefuseWrite(instance, kApiErrorFailure);
        SetItemValue(instance, row.switchItem, 1);
        SetItemValue(instance, row.typeItem, type);
        SetItemValue(instance, row.trayItem, in.U32(8));
        if (type == 3 && GetValueCheckCode(instance, row.typeItem, type) == 5) return -1;
        if (IsBookletDuplexOn(instance) && !IsSheetTypeOffered(instance, row.typeItem, type)) return -1;
    }
    return WriteSheet(instance, row, in);
}

int VerifyCoverSheet(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    return VerifySheet(instance, kCoverSheet, id, input);
}

int SetMarkSheet(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    const SheetRow& row = kMarkSheet;
    if (SwitchOffIfAsked(instance, in, row.switchItem)) return 1;
    const std::uint32_t type = in.U32(4);
    if (!IsValueAccepted(instance, row.typeItem, type) || !IsValueAccepted(instance, row.trayItem, in.U32(8)))
        return -1;
    if (!IsSheetTypeOffered(instance, row.typeItem, type)) return -1;
    return WriteSheet(instance, row, in);
}

int VerifyMarkSheet(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    return VerifySheet(instance, kMarkSheet, id, input);
}

// ---- 18: image shift ------------------------------------------------------------------------------

int SetImageShift(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    const std::uint32_t direction = in.U32(4);
    const std::uint32_t x = TenthMmAsDots(in.U32(8));
    const std::uint32_t y = TenthMmAsDots(in.U32(12));
    if (!IsValueAccepted(instance, rdmShiftDir, direction) || !IsValueAccepted(instance, rdmShiftMarginX, x) ||
        !IsValueAccepted(instance, rdmShiftMarginY, y))
        return -1;
    SetItemValue(instance, rdmShiftDir, direction);
    SetItemValue(instance, rdmShiftMarginX, x);
    SetItemValue(instance, rdmShiftMarginY, y);
    SetItemValue(instance, rdmFuncSelectMargin, 1);
    return 1;
}

int VerifyImageShift(DriverContext* instance, std::uint32_t, const void*, std::uint8_t*, std::uint32_t)
{
    return GetItemValue(instance, rdmFuncSelectMargin) != 0 ? 1 : -1;
}

// ---- 19: sorting ------------------------------------------------------------------------------------

int SetSorting(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const std::uint32_t version = GetWrittenVersion(id, input);
    if (!PassesMinimumApi(id, version)) return -1;
    const StatusInput in = CopyStatusInput(id, input);
    if (SwitchOffIfAsked(instance, in, rdmFuncSelectSort)) return 1;
    const std::uint32_t type = in.U32(4);
    if (!IsValueAccepted(instance, rdmSortType, type)) return -1;
    const bool withSheet = version >= 2 && CapabilityAnswers(instance, 76);
    const std::uint32_t sheet = in.U32(8);
    if (withSheet) {
        if (!IsValueAccepted(instance, rdmExtOutput2SeparationSheet, sheet)) return -1;
        if (sheet == 1 && !IsValueAccepted(instance, rdmSeparationSheetCycle, in.U32(12))) return -1;
    }
    SetItemValue(instance, rdmSortType, type);
    if (withSheet) {
        SetItemValue(instance, rdmExtOutput2SeparationSheet, sheet);
        if (sheet == 1) SetItemValue(instance, rdmSeparationSheetCycle, in.U32(12));
    }
    SetItemValue(instance, rdmFuncSelectSort, in.U32(28));
    return 1;
}

int VerifySorting(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const std::uint32_t version = GetWrittenVersion(id, input);
    const StatusInput in = CopyStatusInput(id, input);
    if (IsSwitchAskedOff(in)) return 1;
    if (GetItemValue(instance, rdmFuncSelectSort) == 0) return -1;
    if (version >= 2 && CapabilityAnswers(instance, 76) &&
        GetItemValue(instance, rdmExtOutput2SeparationSheet) != in.U32(8))
        return -1;
    return 1;
}

// ---- 28: paper rotation -----------------------------------------------------------------------------

namespace {

inline constexpr std::uint32_t kRotationModeLayout = 1;
inline constexpr std::uint32_t kRotationModeRotate = 2;

}  // namespace

int SetPaperRotation(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const std::uint32_t version = GetWrittenVersion(id, input);
    if (!PassesMinimumApi(id, version)) return -1;
    const StatusInput in = CopyStatusInput(id, input);
    const std::uint32_t rotation = in.U32(4);
    if (version <= 1) {
        if (!IsValueAccepted(instance, rdmExtOutputPaperRotation, rotation)) return -1;
        SetItemValue(instance, rdmExtOutputPaperRotation, rotation);
        return 1;
    }
    const std::uint32_t mode = in.U32(8);
    if (!IsValueAccepted(instance, rdmRotationMode, mode)) return -1;
    if (mode == kRotationModeRotate && !IsValueAccepted(instance, rdmExtOutputPaperRotation, rotation)) return -1;
    const bool layouts = version >= 3 && mode == kRotationModeLayout;
    const bool nup = layouts && IsItemAvailable(instance, rdmNupLayout, 0, 1);
    const bool book = layouts && IsItemAvailable(instance, rdmBookLayout, 0, 1);
    if (nup && !IsValueAccepted(instance, rdmNupLayout, in.U32(12))) return -1;
    if (book && !IsValueAccepted(instance, rdmBookLayout, in.U32(16))) return -1;
    SetItemValue(instance, rdmRotationMode, mode);
    if (mode == kRotationModeRotate) SetItemValue(instance, rdmExtOutputPaperRotation, rotation);
    if (nup) SetItemValue(instance, rdmNupLayout, in.U32(12));
    if (book) SetItemValue(instance, rdmBookLayout, in.U32(16));
    return 1;
}

int VerifyPaperRotation(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const std::uint32_t version = GetWrittenVersion(id, input);
    const StatusInput in = CopyStatusInput(id, input);
    if (version <= 1) return GetItemValue(instance, rdmExtOutputPaperRotation) == in.U32(4) ? 1 : -1;
    const std::uint32_t mode = in.U32(8);
    if (GetItemValue(instance, rdmRotationMode) != mode) return -1;
    if (mode == kRotationModeRotate && GetItemValue(instance, rdmExtOutputPaperRotation) != in.U32(4)) return -1;
    if (version >= 3 && mode == kRotationModeLayout) {
        if (IsItemAvailable(instance, rdmNupLayout, 0, 1) && GetItemValue(instance, rdmNupLayout) != in.U32(12))
            return -1;
        if (IsItemAvailable(instance, rdmBookLayout, 0, 1) && GetItemValue(instance, rdmBookLayout) != in.U32(16))
            return -1;
    }
    return 1;
}

// ---- 58: orientation of the manual tray ----------------------------------------------------------------

int SetManualTrayOrientation(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    const std::uint32_t on = in.U32(4);
    if (on == 0) {
        SetItemValue(instance, rdmExtOutput2OrientationManualTray, 0);
        return 1;
    }
    if (!IsValueAccepted(instance, rdmExtOutput2OrientationManualTray, on) ||
        !IsValueAccepted(instance, rdmOrientationManualTray, in.U32(8)))
        return -1;
    SetItemValue(instance, rdmExtOutput2OrientationManualTray, on);
    SetItemValue(instance, rdmOrientationManualTray, in.U32(8));
    return 1;
}

int VerifyManualTrayOrientation(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*,
                                std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    if (GetItemValue(instance, rdmExtOutput2OrientationManualTray) != in.U32(4)) return -1;
    if (in.U32(4) != 0 && GetItemValue(instance, rdmOrientationManualTray) != in.U32(8)) return -1;
    return 1;
}

// ---- 62: index rotation ------------------------------------------------------------------------------

namespace {

inline constexpr std::uint32_t kIndexMediaType = 272;

}  // namespace

int SetIndexRotation(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    const std::uint32_t value = in.U32(4);
    if (value > 2) return -1;
    if (GetItemValue(instance, rdmMediaType) != kIndexMediaType)
        return RefuseWrite(instance, kApiErrorCombinationRefused);
    SetItemValue(instance, rdmExtOutputIndexRotation, value >= 1 ? 1 : 0);
    SetItemValue(instance, rdmExtOutputShiftPrint, value == 2 ? 1 : 0);
    return 1;
}

int VerifyIndexRotation(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    const std::uint32_t value = in.U32(4);
    const bool rotation = GetItemValue(instance, rdmExtOutputIndexRotation) != 0;
    const bool shift = GetItemValue(instance, rdmExtOutputShiftPrint) != 0;
    return rotation == (value >= 1) && shift == (value == 2) ? 1 : -1;
}

// ---- 64 and 65: back cover and reverse cover -----------------------------------------------------------

namespace {

struct CoverRow {
    std::uint32_t status;
    std::uint16_t switchItem;
    std::uint16_t typeItem;
    std::uint16_t trayItem;
    std::uint32_t types[4];  // the stored type of each asked value 1 to 3; index 0 unused
    std::uint32_t lastValue;
};

constexpr CoverRow kBackCover = {64, rdmFuncSelectBack, rdmBackCoverType, rdmBackCoverInputTray, {0, 0, 2, 3}, 3};
constexpr CoverRow kReverseCover = {
    65, rdmFuncSelectReverseCover, rdmReverseCoverType, rdmReverseCoverInputTray, {0, 1, 2, 0}, 2};

inline constexpr std::uint32_t kCoverBothSides = 3;

BOOL IsCoverOutsideOffered(DriverContext* instance)
{
    return IsItemAvailable(instance, rdmExtOutput2ReverseCoverOutside, 0, 1);
}

int SetCover(DriverContext* instance, const CoverRow& row, std::uint32_t id, const void* input)
{
    const StatusInput in = CopyStatusInput(id, input);
    const std::uint32_t value = in.U32(4);
    if (value == 0) {
        SetItemValue(instance, row.switchItem, 0);
        return 1;
    }
    if (value > row.lastValue) return -1;
    if (value == kCoverBothSides && GetItemValue(instance, rdmFuncSelectDuplex) == 0)
        return RefuseWrite(instance, kApiErrorCombinationRefused);
    const std::uint32_t tray = in.U32(8);
    if (!IsValueAccepted(instance, row.trayItem, tray)) return -1;
    const std::uint32_t type = row.types[value];
    const bool outside = IsCoverOutsideOffered(instance);
    {
        DevmodeTrial trial(instance);
        if (!trial.Started()) return RefuseWrite(instance, kApiErrorFailure);
        SetItemValue(instance, row.switchItem, 1);
        SetItemValue(instance, row.trayItem, tray);
        SetItemValue(instance, row.typeItem, type);
        if (type == kCoverBothSides && GetValueCheckCode(instance, row.typeItem, type) == 5)
            return RefuseWrite(instance, kApiErrorCombinationRefused);
        if (outside && !IsValueAccepted(instance, rdmExtOutput2ReverseCoverOutside, in.U32(12))) return -1;
    }
    SetItemValue(instance, row.switchItem, 1);
    SetItemValue(instance, row.typeItem, type);
    SetItemValue(instance, row.trayItem, tray);
    if (outside) SetItemValue(instance, rdmExtOutput2ReverseCoverOutside, in.U32(12));
    return 1;
}

int VerifyCover(DriverContext* instance, const CoverRow& row, std::uint32_t id, const void* input)
{
    const StatusInput in = CopyStatusInput(id, input);
    const std::uint32_t value = in.U32(4);
    if (value == 0) return GetItemValue(instance, row.switchItem) == 0 ? 1 : -1;
    if (value > row.lastValue) return -1;
    if (GetItemValue(instance, row.typeItem) != row.types[value]) return -1;
    if (GetItemValue(instance, row.trayItem) != in.U32(8)) return -1;
    if (IsCoverOutsideOffered(instance) && GetItemValue(instance, rdmExtOutput2ReverseCoverOutside) != in.U32(12))
        return -1;
    return 1;
}

}  // namespace

int SetBackCover(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    return SetCover(instance, kBackCover, id, input);
}

int VerifyBackCover(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    return VerifyCover(instance, kBackCover, id, input);
}

int SetReverseCover(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    return SetCover(instance, kReverseCover, id, input);
}

int VerifyReverseCover(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    return VerifyCover(instance, kReverseCover, id, input);
}

// ---- 66: cover media ----------------------------------------------------------------------------------

int SetCoverMedia(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    static constexpr std::uint16_t kMediaItems[] = {rdmCoverMediaType, rdmBackCoverMediaType, rdmMPInputMediaType,
                                                    rdmChapterMediaType, rdmReverseCoverMediaType};
    const StatusInput in = CopyStatusInput(id, input);
    const std::uint32_t value = in.U32(4);
    if (!IsValueAccepted(instance, rdmCoverMediaType, value)) return -1;
    for (std::uint16_t item : kMediaItems) SetItemValue(instance, item, value);
    return 1;
}

// ---- 79: folding --------------------------------------------------------------------------------------

namespace {

inline constexpr std::uint32_t kFoldingOff = 255;

// The sub-type item of folding types 5, 6 and 7; 0 for the others.
std::uint16_t FoldingSubTypeItem(std::uint32_t type)
{
    switch (type) {
    case 5:
        return rdmFoldingLongFanType;
    case 6:
        return rdmFoldingCustomType;
    case 7:
        return rdmFoldingProgramType;
    default:
        return 0;
    }
}

}  // namespace

int SetFolding(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    const std::uint32_t type = in.U32(4);
    if (type == kFoldingOff) {
        SetItemValue(instance, rdmFunc2SelectFolding, 0);
        return 1;
    }
    const std::uint32_t punch = in.U32(12) & 1;
    const std::uint32_t corner = (in.U32(12) >> 1) & 1;
    const std::uint16_t subTypeItem = FoldingSubTypeItem(type);
    if (!IsValueAccepted(instance, rdmFunc2SelectFolding, 1) ||
        !IsValueAccepted(instance, rdmFunc2SelectFoldingPunch, punch) ||
        !IsValueAccepted(instance, rdmFunc2SelectFoldingCorner, corner) ||
        !IsValueAccepted(instance, rdmFoldingType, type))
        return -1;
    if (subTypeItem != 0 && !IsValueAccepted(instance, subTypeItem, in.U32(8))) return -1;
    SetItemValue(instance, rdmFunc2SelectFolding, 1);
    SetItemValue(instance, rdmFunc2SelectFoldingPunch, punch);
    SetItemValue(instance, rdmFunc2SelectFoldingCorner, corner);
    SetItemValue(instance, rdmFoldingType, type);
    if (subTypeItem != 0) SetItemValue(instance, subTypeItem, in.U32(8));
    return 1;
}

int VerifyFolding(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    if (in.U32(4) == kFoldingOff) return 1;
    return GetItemValue(instance, rdmFunc2SelectFolding) != 0 ? 1 : -1;
}

}  // namespace vexl::api
