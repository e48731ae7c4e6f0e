// The descriptor tables and the static lists of the settings interface.
#include "api/descriptors.h"

#include "api/handler_rows.h"
#include "api/versions.h"
#include "common/core/item_ids.h"

#include <algorithm>
#include <array>
#include <vector>

namespace vexl::api {
namespace {

// What the write side of a status record holds.
enum class Writes : std::uint8_t {
    kNone,          // no set and no verify handler
    kVerified,      // set handler and its verify handler
    kAlwaysPasses,  // set handler; the verify always passes
};

struct StatusRow {
    std::uint32_t id;
    std::uint16_t mainItem;
    std::array<std::uint16_t, kCoveredItemCount> covered;
    std::uint32_t versions;
    Writes writes;
    bool enabled = true;
};

using enum Writes;

// clang-format off
const StatusRow kStatusRows[] = {
    {1, 0, {}, 1, kAlwaysPasses},
    {2, dmDefaultSource, {dmDefaultSource}, 1, kVerified},
    {3, rdmMediaType, {rdmMediaType}, 1, kVerified},
    {4, rdmOutputTrayID, {rdmOutputTrayID}, 1, kVerified},
    {5, dmColor, {dmColor}, 1, kVerified},
    {6, dmOrientation, {dmOrientation}, 1, kVerified},
    {7, dmPaperSize, {dmPaperSize, dmPaperWidth, dmPaperLength}, 2, kVerified},
    {8, rdmOutPaperSize, {rdmOutPaperSize}, 3, kVerified},
    {9, dmCopies, {dmCopies}, 1, kVerified},
    {10, rdmPrnMethod, {rdmPrnMethod, rdmUserID, rdmJOBPassword, rdmStoredPassword, rdmOwnerName, rdmDocumentName,
                        rdmMergeFileName, wdmOvlPath}, 3, kVerified},
    {11, rdmFuncSelectScale, {rdmFuncSelectScale, rdmScaleType, rdmScaleH, rdmScaleV}, 2, kVerified},
    {12, rdmFuncSelectCover, {rdmFuncSelectCover, rdmCoverType, rdmCoverInputTray}, 1, kVerified},
    {13, rdmFuncSelectMark, {rdmFuncSelectMark, rdmMarkPaperType, rdmMPInputTray}, 1, kVerified},
    {14, rdmFuncSelectNup, {rdmFuncSelectNup, rdmNUPPOSTKind, rdmNUPType}, 2, kVerified},
    {15, rdmFuncSelectDuplex, {rdmFuncSelectDuplex, rdmDuplexType}, 1, kVerified},
    {16, rdmWmKind, {}, 3, kAlwaysPasses},
    {17, rdmFuncSelectWaterMark, {rdmFuncSelectWaterMark, rdmWmID}, 1, kAlwaysPasses},
    {18, rdmFuncSelectMargin, {rdmFuncSelectMargin, rdmShiftDir}, 1, kVerified},
    {19, rdmFuncSelectSort, {rdmFuncSelectSort, rdmSortType, rdmExtOutput2SeparationSheet, rdmSeparationSheetCycle},
     2, kVerified},
    {20, rdmFuncSelectStaple, {rdmFuncSelectStaple, rdmStapleType}, 1, kVerified},
    {21, rdmFuncSelectPunch, {rdmFuncSelectPunch, rdmPunchType}, 1, kVerified},
    {22, rdmExtOutputDirection, {rdmExtOutputDirection}, 1, kVerified},
    {23, rdmExtOutputOrderly, {rdmExtOutputOrderly}, 1, kVerified},
    {24, rdmExtOutputWhitePaper, {rdmExtOutputWhitePaper}, 1, kVerified},
    {25, rdmEmulation, {rdmEmulation}, 1, kVerified},
    {26, rdmUserID, {rdmUserID}, 1, kAlwaysPasses},
    {27, rdmExtPrintArea, {rdmExtPrintArea}, 1, kVerified},
    {28, rdmExtOutputPaperRotation, {rdmExtOutputPaperRotation, rdmRotationMode, rdmNupLayout, rdmBookLayout}, 3,
     kVerified},
    {29, rdmActionMarge, {rdmActionMarge}, 1, kVerified},
    {30, rdmActionProof, {rdmActionProof}, 1, kVerified},
    {31, rdmActionSecurity, {rdmActionSecurity}, 1, kVerified},
    {32, rdmActionStored, {rdmActionStored}, 1, kVerified},
    {33, rdmActionOverlay, {rdmActionOverlay}, 1, kVerified},
    {34, rdmDstResolutionW, {rdmDstResolutionW, rdmDstResolutionBoth}, 1, kAlwaysPasses},
    {35, rdmPlaneUseCMYKCyan, {rdmPlaneUseCMYKCyan, rdmPlaneUseCMYKMagenta, rdmPlaneUseCMYKYellow,
                               rdmPlaneUseCMYKBlack}, 1, kVerified},
    {36, 0, {}, 1, kNone},
    {37, 0, {}, 1, kNone, false},
    {38, rdmAdjustMode, {rdmAdjustMode}, 1, kVerified},
    {39, rdmColorMode, {rdmColorMode}, 1, kVerified},
    {40, rdmBrightness, {rdmBrightness}, 1, kVerified},
    {41, rdmContrast, {rdmContrast}, 1, kVerified},
    {42, rdmSaturation, {rdmSaturation}, 1, kVerified},
    {43, rdmColorBalanceR, {rdmColorBalanceR, rdmColorBalanceG, rdmColorBalanceB}, 1, kVerified},
    {44, 0, {}, 1, kNone, false},
    {45, rdmExtOutput2A4Fit, {rdmExtOutput2A4Fit}, 1, kVerified},
    {46, rdmQualityFuncColorRevision, {rdmQualityFuncColorRevision}, 1, kVerified},
    {47, rdmHFFuncSelectDate, {rdmHFFuncSelectDate, rdmHFFuncSelectPage, rdmHFFuncSelectString, rdmHFDatePosi,
                               rdmHFPagePosi, rdmHFStrPosi, rdmHFFuncSelectOrder, rdmHFString}, 2, kVerified},
    {48, rdmExtOutputEMFSpool, {rdmExtOutputEMFSpool}, 1, kVerified},
    {49, rdmImagePrint, {rdmImagePrint}, 1, kVerified},
    {50, 0, {}, 1, kVerified},
    {51, rdmFuncSelectFold, {rdmFuncSelectFold, rdmFoldType}, 1, kVerified},
    {52, rdmFunc2SelectJobComplete, {rdmFunc2SelectJobComplete}, 1, kVerified},
    {53, rdmFunc2SelectJobErr, {rdmFunc2SelectJobErr}, 1, kVerified},
    {54, rdmPrnFuncAuthenticationMode, {rdmPrnFuncAuthenticationMode, rdmPrnFuncAuthenticationSecureMode}, 1, kNone},
    {55, rdmFuncSelectCopyProtect, {rdmFuncSelectCopyProtect}, 1, kVerified},
    {56, rdmPresetNo, {rdmPresetNo}, 2, kVerified},
    {57, rdmPreviewPrint, {rdmPreviewPrint}, 1, kVerified},
    {58, rdmExtOutput2OrientationManualTray, {rdmExtOutput2OrientationManualTray, rdmOrientationManualTray}, 1,
     kVerified},
    {59, rdmPrnFuncAuthenticationMode, {rdmPrnFuncAuthenticationMode, rdmPrnFuncAuthenticationSecureMode,
                                        wdmAuthenticationUserName, wdmAuthenticationPassword}, 1, kAlwaysPasses},
    {60, rdmPrnFuncAuthenticationMode, {rdmPrnFuncAuthenticationMode, rdmPrnFuncAuthenticationSecureMode,
                                        wdmAuthenticationNetworkKey}, 1, kVerified},
    {61, rdmLoadShare, {rdmLoadShare}, 1, kVerified},
    {62, rdmExtOutputIndexRotation, {rdmExtOutputIndexRotation, rdmExtOutputShiftPrint}, 1, kVerified},
    {63, 0, {}, 1, kNone},
    {64, rdmFuncSelectBack, {rdmFuncSelectBack, rdmBackCoverType, rdmBackCoverInputTray}, 1, kVerified},
    {65, rdmFuncSelectReverseCover, {rdmFuncSelectReverseCover, rdmReverseCoverType, rdmReverseCoverInputTray}, 1,
     kVerified},
    {66, 0, {rdmCoverMediaType, rdmBackCoverMediaType, rdmMPInputMediaType, rdmChapterMediaType,
             rdmReverseCoverMediaType}, 1, kAlwaysPasses},
    {67, rdmFuncSelectChapter, {rdmFuncSelectChapter, wdmChapterUseTray1, wdmChapterUseTray2, wdmChapterUseTray3,
                                wdmChapterUseTray4, wdmChapterUseTray5, wdmChapterUseTray6, wdmChapterUseTray7}, 2,
     kVerified},
    {68, rdmFunc2SelectEdgeCorner, {rdmFunc2SelectEdgeCorner, rdmCornerPosi}, 1, kVerified},
    {69, rdmFuncSelectMarginOverlap, {rdmFuncSelectMarginOverlap}, 1, kVerified},
    {70, rdmFuncSelectCrops, {rdmFuncSelectCrops, rdmFuncSelectCropsFirst}, 1, kVerified},
    {71, rdmCreepMarginInside, {rdmCreepMarginInside, rdmCreepMarginOutside}, 1, kVerified},
    {72, rdmExtOutput2PaperFace, {rdmExtOutput2PaperFace}, 1, kVerified},
    {73, rdmFunc2SelectPageSeparation, {rdmFunc2SelectPageSeparation}, 1, kVerified},
    {74, rdmExtOutput2NearStandard, {rdmExtOutput2NearStandard}, 1, kVerified},
    {75, rdmPrnFuncReduceFont, {rdmPrnFuncReduceFont}, 1, kNone},
    {76, rdmActionPause, {rdmActionPause}, 1, kVerified},
    {77, rdmActionSave, {rdmActionSave}, 1, kVerified},
    {78, rdmActionPrintAndSave, {rdmActionPrintAndSave}, 1, kVerified},
    {79, rdmFunc2SelectFolding, {rdmFunc2SelectFolding, rdmFunc2SelectFoldingPunch, rdmFunc2SelectFoldingCorner,
                                 rdmFoldingType, rdmFoldingLongFanType, rdmFoldingCustomType, rdmFoldingProgramType},
     1, kVerified},
    {257, rdmAdjustObject, {rdmAdjustObject}, 1, kVerified},
    {258, rdmUseUserMacro, {}, 1, kNone},
    {259, rdmPrintMacro, {}, 1, kNone},
    {260, rdmBalanceMacro, {}, 1, kNone},
    {261, rdmUserPrintMacro, {}, 1, kNone},
    {262, 0, {rdmUseUserMacro, rdmPrintMacro, rdmBalanceMacro, rdmUserPrintMacro}, 1, kVerified},
    {263, rdmQualityFuncEcoColor, {rdmQualityFuncEcoColor}, 1, kVerified},
    {264, rdmFuncSelectTonerSave, {rdmFuncSelectTonerSave, rdmTonerSave}, 1, kVerified},
    {265, rdmColorMatching, {rdmColorMatching}, 1, kVerified},
    {266, rdmICMType, {rdmICMType}, 1, kVerified},
    {267, rdmICMIntent, {rdmICMIntent}, 1, kVerified},
    {268, rdmExtOutputprinterSide, {rdmExtOutputprinterSide}, 1, kVerified},
    {269, rdmColorMatchingMode, {rdmColorMatchingMode}, 1, kVerified},
};

// Capabilities that carry a main item.
struct CapabilityMainItem {
    std::uint32_t id;
    std::uint16_t item;
};
constexpr CapabilityMainItem kCapabilityMainItems[] = {
    {8, dmColor}, {55, rdmPlaneUseCMYKCyan}, {61, rdmColorMode}, {64, rdmSaturation}, {65, rdmColorBalanceR},
    {70, rdmQualityFuncColorRevision}, {72, rdmExtOutputEMFSpool}, {75, rdmFuncSelectFold},
    {76, rdmExtOutput2SeparationSheet}, {77, wdmWMPrinterStamp2PlanePrint}, {78, wdmWMFuncSelectOrder},
    {79, rdmHFFuncSelectOrder}, {80, rdmFunc2SelectJobComplete}, {81, rdmFunc2SelectJobErr},
    {82, rdmPrnFuncAuthenticationMode}, {84, rdmFuncSelectCopyProtect}, {85, rdmPresetNo}, {101, rdmNupLayout},
    {102, rdmBookLayout}, {126, rdmFunc2SelectFolding}, {262, rdmSaturation}, {263, rdmSaturation},
    {264, rdmColorBalanceR}, {265, rdmColorBalanceR}, {266, rdmPrintMacro}, {267, rdmPrintMacro},
    {268, rdmBalanceMacro}, {269, rdmBalanceMacro}, {276, rdmColorMatching}, {277, rdmICMType}, {278, rdmICMIntent},
    {279, rdmICMIntent}, {280, rdmExtOutputprinterSide}, {281, rdmColorMatchingMode}, {282, rdmColorMatchingMode},
};
// clang-format on

constexpr std::uint32_t kDisabledCapabilities[] = {58, 59, 68};
constexpr std::uint32_t kStubCapabilities[] = {1, 24};
constexpr std::uint32_t kCapabilityLowLast = 127;
constexpr std::uint32_t kCapabilityHighLast = 282;

constexpr StatusSwitchRow kStatusSwitchMap[] = {
    {11, rdmFuncSelectScale, 0},
    {12, rdmFuncSelectCover, kSwitchQuietWhileUnavailable | kSwitchQuietWhileOff},
    {13, rdmFuncSelectMark, kSwitchQuietWhileOff},
    {14, rdmFuncSelectNup, 0},
    {15, rdmFuncSelectDuplex, 0},
    {17, rdmFuncSelectWaterMark, 0},
    {18, rdmFuncSelectMargin, 0},
    {19, rdmFuncSelectSort, 0},
    {20, rdmFuncSelectStaple, 0},
    {21, rdmFuncSelectPunch, 0},
    {262, rdmUseUserMacro, 0},
    {264, rdmFuncSelectTonerSave, 0},
    {51, rdmFuncSelectFold, 0},
    {55, rdmFuncSelectCopyProtect, 0},
    {58, rdmExtOutput2OrientationManualTray, 0},
    {79, rdmFunc2SelectFolding, 0},
};

constexpr WatermarkColor kWatermarkColors[] = {
    {0, 0, 0, 0}, {1, 255, 0, 0}, {2, 0, 255, 0}, {3, 0, 0, 255}, {4, 0, 255, 255}, {5, 255, 0, 255}, {6, 255, 255, 0},
};

constexpr std::uint32_t kWatermarkKinds[] = {1, 2, 3, 128};

constexpr std::uint32_t kTrayCodes[kTraySlotCount] = {
    1,   3,   2,   256, 261, 262, 263, 0, 0, 0,  0, 0, 0, 298, 295, 296,
    287, 288, 289, 290, 0,   0,   0,   0, 0, 11, 0, 4, 4, 286, 0,   0,
};

template <typename Row> const Row* FindRow(std::span<const Row> rows, std::uint32_t id)
{
    for (const Row& row : rows) {
        if (row.id == id) return &row;
    }
    return nullptr;
}

bool Contains(std::span<const std::uint32_t> ids, std::uint32_t id)
{
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

ApiDescriptor MakeStatusRecord(const StatusRow& row)
{
    ApiDescriptor record{};
    record.id = row.id;
    record.enabled = row.enabled ? 1 : 0;
    record.versionCount = row.versions;
    record.mainItem = row.mainItem;
    std::copy(row.covered.begin(), row.covered.end(), record.coveredItems);
    if (const StatusReadRow* read = FindRow(StatusReadRows(), row.id)) record.get = read->get;
    const StatusWriteRow* write = FindRow(StatusWriteRows(), row.id);
    if (row.writes != kNone && write != nullptr) {
        record.set = write->set;
        record.verify = row.writes == kAlwaysPasses ? VerifyAlwaysPasses : write->verify;
    }
    return record;
}

ApiDescriptor MakeCapabilityRecord(std::uint32_t id)
{
    ApiDescriptor record{};
    record.id = id;
    record.enabled = Contains(kDisabledCapabilities, id) ? 0 : 1;
    record.versionCount = 1;
    for (const CapabilityMainItem& main : kCapabilityMainItems) {
        if (main.id == id) record.mainItem = main.item;
    }
    if (Contains(kStubCapabilities, id)) {
        record.capability = CapsSupportedStub;
    } else if (const CapabilityHandlerRow* row = FindRow(CapabilityHandlerRows(), id)) {
        record.capability = row->handler;
    }
    return record;
}

// The tables, bound once per process.
struct DescriptorTables {
    std::vector<ApiDescriptor> statuses;
    std::vector<ApiDescriptor> capabilities;
    std::vector<ApiDescriptor> extra;

    DescriptorTables()
    {
        for (const StatusRow& row : kStatusRows) statuses.push_back(MakeStatusRecord(row));
        for (std::uint32_t id = 1; id <= kCapabilityLowLast; ++id) capabilities.push_back(MakeCapabilityRecord(id));
        for (std::uint32_t id = kFirstHighId; id <= kCapabilityHighLast; ++id) {
            capabilities.push_back(MakeCapabilityRecord(id));
        }
        extra.push_back(MakeCapabilityRecord(kExtraCapabilityId));
    }
};

const DescriptorTables& Tables()
{
    static const DescriptorTables tables;
    return tables;
}

bool InRange(std::uint32_t id, ApiIdLimits limits)
{
    return (id >= 1 && id <= limits.low) || (id >= kFirstHighId && id <= limits.high);
}

const ApiDescriptor* FindRecord(std::span<const ApiDescriptor> table, std::uint32_t id)
{
    return FindRow(table, id);
}

}  // namespace

std::span<const ApiDescriptor> StatusTable()
{
    return Tables().statuses;
}

std::span<const ApiDescriptor> CapabilityTable()
{
    return Tables().capabilities;
}

std::span<const ApiDescriptor> ExtraCapabilityTable()
{
    return Tables().extra;
}

const ApiDescriptor* FindStatusDescriptorForVersion(std::uint32_t id, int version)
{
    if (id == 0 || !InRange(id, GetStatusIdLimits(version))) return nullptr;
    return FindRecord(StatusTable(), id);
}

const ApiDescriptor* FindCapabilityDescriptorForVersion(std::uint32_t id, int version)
{
    if (id == 0) return nullptr;
    if (InRange(id, GetCapabilityIdLimits(version))) return FindRecord(CapabilityTable(), id);
    return FindExtraCapabilityDescriptor(id);
}

const ApiDescriptor* FindStatusDescriptor(std::uint32_t id)
{
    return FindStatusDescriptorForVersion(id, GetApiVersionInForce());
}

const ApiDescriptor* FindCapabilityDescriptor(std::uint32_t id)
{
    return FindCapabilityDescriptorForVersion(id, GetApiVersionInForce());
}

const ApiDescriptor* FindExtraCapabilityDescriptor(std::uint32_t id)
{
    std::span<const ApiDescriptor> extra = ExtraCapabilityTable();
    extra = extra.first(std::min<std::size_t>(extra.size(), GetCapabilityIdLimit(2)));
    return FindRecord(extra, id);
}

std::span<const StatusSwitchRow> StatusSwitchMap()
{
    return kStatusSwitchMap;
}

std::uint16_t GetStatusSwitchItem(std::uint32_t statusId, const StatusSwitchRow** row)
{
    for (const StatusSwitchRow& entry : kStatusSwitchMap) {
        if (entry.statusId != statusId) continue;
        if (row) *row = &entry;
        return entry.switchItem;
    }
    return 0;
}

std::span<const WatermarkColor> WatermarkColorTable()
{
    return kWatermarkColors;
}

const WatermarkColor* FindWatermarkColor(std::uint32_t code)
{
    for (const WatermarkColor& color : kWatermarkColors) {
        if (color.code == (code & 0xFF)) return &color;
    }
    return nullptr;
}

std::span<const std::uint32_t> WatermarkKindList()
{
    return kWatermarkKinds;
}

std::span<const std::uint32_t> TrayCodeTable()
{
    return kTrayCodes;
}

int CapsSupportedStub(DriverContext*, std::uint32_t, void*)
{
    return 1;
}

int VerifyAlwaysPasses(DriverContext*, std::uint32_t, const void*, std::uint8_t*, std::uint32_t)
{
    return 1;
}

}  // namespace vexl::api
