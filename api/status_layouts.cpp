// The structure versions of the statuses.
#include "api/status_layouts.h"

#include <algorithm>
#include <array>

namespace vexl::api {

namespace {

// Statuses with more than one structure version.
constexpr StatusVersionRow kPaperSizeVersions[] = {{32, 1}, {32, 12}};
constexpr StatusVersionRow kOutputPaperSizeVersions[] = {{32, 1}, {32, 10}, {32, 12}};
constexpr StatusVersionRow kJobInformationVersions[] = {
    {VEXL_STATUS_JOB_INFO_SIZE_V1, 1}, {VEXL_STATUS_JOB_INFO_SIZE_V2, 10}, {VEXL_STATUS_JOB_INFO_SIZE_V3, 14}};
constexpr StatusVersionRow kScalingVersions[] = {{32, 1}, {32, 14}};
constexpr StatusVersionRow kNupVersions[] = {{32, 1}, {32, 10}};
constexpr StatusVersionRow kWatermarkVersions[] = {
    {VEXL_STATUS_WATERMARK_SIZE_V1, 1}, {VEXL_STATUS_WATERMARK_SIZE_V2, 3}, {VEXL_STATUS_WATERMARK_SIZE_V3, 10}};
constexpr StatusVersionRow kSortingVersions[] = {{32, 1}, {32, 10}};
constexpr StatusVersionRow kPaperRotationVersions[] = {{32, 1}, {32, 12}, {32, 14}};
constexpr StatusVersionRow kHeaderFooterVersions[] = {{VEXL_STATUS_HEADER_FOOTER_SIZE_V1, 8},
                                                      {VEXL_STATUS_HEADER_FOOTER_SIZE_V2, 10}};
// Version 1 of the preset by number has no structure of its own; the read
// answers the 824-byte frame for either version.
constexpr StatusVersionRow kPresetByNumberVersions[] = {{0, 0}, {VEXL_STATUS_PRESET_SIZE, 11}};
constexpr StatusVersionRow kChaptersVersions[] = {{VEXL_STATUS_CHAPTERS_SIZE_V1, 13},
                                                  {VEXL_STATUS_CHAPTERS_SIZE_V2, 15}};

// One-version statuses, by size and first API version of the identifier.
constexpr StatusVersionRow kSmallApi1[] = {{32, 1}};
constexpr StatusVersionRow kSmallApi6[] = {{32, 6}};
constexpr StatusVersionRow kSmallApi7[] = {{32, 7}};
constexpr StatusVersionRow kSmallApi10[] = {{32, 10}};
constexpr StatusVersionRow kSmallApi12[] = {{32, 12}};
constexpr StatusVersionRow kSmallApi13[] = {{32, 13}};
constexpr StatusVersionRow kSmallApi14[] = {{32, 14}};
constexpr StatusVersionRow kSmallApi15[] = {{32, 15}};
constexpr StatusVersionRow kSmallApi16[] = {{32, 16}};
constexpr StatusVersionRow kPresetFile[] = {{VEXL_STATUS_PRESET_SIZE, 1}};
constexpr StatusVersionRow kUserId[] = {{VEXL_STATUS_JOB_INFO_SIZE_V1, 1}};
constexpr StatusVersionRow kDriverInformation[] = {{VEXL_STATUS_DRIVER_INFO_SIZE, 10}};
constexpr StatusVersionRow kAntiCopy[] = {{sizeof(VEXL_STATUS_ANTI_COPY), 11}};
constexpr StatusVersionRow kAuthenticationUser[] = {{sizeof(VEXL_STATUS_AUTH_USER), 12}};
constexpr StatusVersionRow kAuthenticationLevel[] = {{sizeof(VEXL_STATUS_AUTH_LEVEL), 12}};
constexpr StatusVersionRow kTrayInformation[] = {{sizeof(VEXL_STATUS_TRAY), 13}};

constexpr StatusLayout kLayouts[] = {
    {1, kPresetFile},
    {2, kSmallApi1},
    {3, kSmallApi1},
    {4, kSmallApi1},
    {5, kSmallApi1},
    {6, kSmallApi1},
    {7, kPaperSizeVersions},
    {8, kOutputPaperSizeVersions},
    {9, kSmallApi1},
    {10, kJobInformationVersions},
    {11, kScalingVersions},
    {12, kSmallApi1},
    {13, kSmallApi1},
    {14, kNupVersions},
    {15, kSmallApi1},
    {16, kWatermarkVersions},
    {17, kSmallApi1},
    {18, kSmallApi1},
    {19, kSortingVersions},
    {20, kSmallApi1},
    {21, kSmallApi1},
    {22, kSmallApi1},
    {23, kSmallApi1},
    {24, kSmallApi1},
    {25, kSmallApi1},
    {26, kUserId},
    {27, kSmallApi1},
    {28, kPaperRotationVersions},
    {29, kSmallApi1},
    {30, kSmallApi1},
    {31, kSmallApi1},
    {32, kSmallApi1},
    {33, kSmallApi1},
    {34, kSmallApi1},
    {35, kSmallApi1},
    {38, kSmallApi6},
    {39, kSmallApi6},
    {40, kSmallApi6},
    {41, kSmallApi6},
    {42, kSmallApi6},
    {43, kSmallApi6},
    {45, kSmallApi6},
    {46, kSmallApi7},
    {47, kHeaderFooterVersions},
    {48, kSmallApi10},
    {49, kSmallApi10},
    {50, kDriverInformation},
    {51, kSmallApi10},
    {52, kSmallApi10},
    {53, kSmallApi10},
    {54, kSmallApi10},
    {55, kAntiCopy},
    {56, kPresetByNumberVersions},
    {57, kSmallApi12},
    {58, kSmallApi12},
    {59, kAuthenticationUser},
    {60, kAuthenticationLevel},
    {61, kSmallApi13},
    {62, kSmallApi13},
    {63, kTrayInformation},
    {64, kSmallApi13},
    {65, kSmallApi13},
    {66, kSmallApi13},
    {67, kChaptersVersions},
    {68, kSmallApi14},
    {69, kSmallApi14},
    {70, kSmallApi14},
    {71, kSmallApi14},
    {72, kSmallApi14},
    {73, kSmallApi15},
    {74, kSmallApi15},
    {75, kSmallApi15},
    {76, kSmallApi15},
    {77, kSmallApi15},
    {78, kSmallApi15},
    {79, kSmallApi16},
    {257, kSmallApi6},
    {262, kSmallApi6},
    {263, kSmallApi6},
    {264, kSmallApi6},
    {265, kSmallApi10},
    {266, kSmallApi10},
    {267, kSmallApi10},
    {268, kSmallApi10},
    {269, kSmallApi10},
};

}  // namespace

const StatusLayout* FindStatusLayout(std::uint32_t id)
{
    const auto* it = std::find_if(std::begin(kLayouts), std::end(kLayouts),
                                  [id](const StatusLayout& layout) { return layout.id == id; });
    return it == std::end(kLayouts) ? nullptr : it;
}

const StatusVersionRow* FindStatusVersion(std::uint32_t id, std::uint32_t version)
{
    const StatusLayout* layout = FindStatusLayout(id);
    if (layout == nullptr || version == 0 || version > layout->latest()) return nullptr;
    return &layout->versions[version - 1];
}

std::uint32_t GetStatusStructureSize(std::uint32_t id, std::uint32_t version)
{
    const StatusVersionRow* row = FindStatusVersion(id, version);
    return row == nullptr ? 0 : row->size;
}

bool IsStatusVersionAllowed(std::uint32_t id, std::uint32_t version, std::uint32_t apiVersion)
{
    const StatusVersionRow* row = FindStatusVersion(id, version);
    return row != nullptr && apiVersion >= row->minimumApi;
}

int CompareStructureVersion(std::uint32_t latest, std::uint32_t requested)
{
    if (requested == 0 || requested == latest) return 0;
    return requested < latest ? 1 : 2;
}

}  // namespace vexl::api
