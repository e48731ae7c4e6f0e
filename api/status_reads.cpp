// The status reads of the settings interface: the read dispatch behind
// VEXLDrvGetStatus and the read handler of every readable status. A read
// fills only the fields of the version it serves; with no buffer it answers
// the size of that version and reads nothing else.
#include "api/descriptors.h"
#include "api/handler_rows.h"
#include "api/item_helpers.h"
#include "api/job_control.h"
#include "api/load_share.h"
#include "api/option_tests.h"
#include "api/status_layouts.h"
#include "api/versions.h"
#include "common/core/devmode_services.h"
#include "common/core/file_names.h"
#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/core/osinfo.h"
#include "common/core/paper_sync.h"
#include "common/core/printer_facts.h"
#include "common/core/textconv.h"
#include "common/core/units.h"
#include "common/model/constraints.h"
#include "common/model/paper_geometry.h"
#include "common/model/pjl_options.h"
#include "common/model/resolution.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/ini_lists.h"
#include "common/storage/module_custom_paper.h"
#include "common/storage/module_presets.h"
#include "common/storage/persistence.h"
#include "common/storage/settings_files.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace vexl::api {

namespace {

// The version stamp of the settings core; status 50 answers the text
// between "=" and the next "*".
constexpr char kCoreVersionStamp[] = "********CoreVersion=6.634********";

// Page and control of the user-code button of the initial settings page.
constexpr std::int16_t kInitialSettingsPage = kPageDialogInit;
constexpr std::int16_t kUserCodeButton = 2570;

// The option of dmDefaultSource that the second bypass slot of the tray
// table needs.
constexpr std::uint16_t kSecondBypassOption = 8;

// Item 723: the second source of the finishing option texts of status 50.
constexpr std::uint16_t kFinishingJudgeItem = 723;

// Job-control value masks.
constexpr std::uint32_t kJobUserCode = 0x1;
constexpr std::uint32_t kJobOwnerName = 0x2;
constexpr std::uint32_t kJobPassword = 0x4;
constexpr std::uint32_t kJobUserId = 0x8;
constexpr std::uint32_t kJobDocumentName = 0x10;
constexpr std::uint32_t kJobStoredPassword = 0x80;

// ---- small services of the handlers ---------------------------------------------------------

int Fail(DriverContext* instance, std::int32_t code)
{
    SetApiLastError(instance, code);
    return -1;
}

std::uint32_t Value(DriverContext* instance, std::uint16_t item)
{
    return GetItemValue(instance, item);
}

bool IsOn(DriverContext* instance, std::uint16_t item)
{
    return GetItemValue(instance, item) != 0;
}

// A capability as an application would ask it; its code is kept out of the read's.
int AskCapability(DriverContext* instance, std::uint32_t id, void* buffer)
{
    return static_cast<int>(DispatchCapability(instance, id, buffer));
}

bool CapabilityAnswers(DriverContext* instance, std::uint32_t id)
{
    const int answer = AskCapability(instance, id, nullptr);
    return answer != -1 && answer != 0;
}

// The value list of a capability; empty when it has none or answers -1.
std::vector<std::uint32_t> CapabilityValues(DriverContext* instance, std::uint32_t id)
{
    const int count = AskCapability(instance, id, nullptr);
    if (count <= 0) return {};
    std::vector<std::uint32_t> values(static_cast<std::size_t>(count));
    const int filled = AskCapability(instance, id, values.data());
    values.resize(static_cast<std::size_t>(std::clamp(filled, 0, count)));
    return values;
}

// The text of a text item in the ANSI code page.
std::string ItemText(DriverContext* instance, std::uint16_t id)
{
    SettingItemDescriptor* item = FindItem(instance, id);
    if (item == nullptr) return {};
    std::array<WCHAR, 600> wide{};
    if (GetItemString(instance, item, wide.data(), wide.size()) == nullptr) return {};
    std::array<char, 1200> ansi{};
    WideToAnsi(ansi.data(), wide.data(), static_cast<int>(ansi.size()));
    return ansi.data();
}

// Zero-fills a char[size] field and copies the text into it when it has at
// least one character and fits with its terminator; a longer text leaves the
// field empty.
void PutTextField(void* out, std::size_t offset, std::size_t size, const std::string& text)
{
    std::memset(static_cast<char*>(out) + offset, 0, size);
    if (!text.empty()) PutStatusText(out, offset, size, text);
}

void PutItem(void* out, std::size_t offset, DriverContext* instance, std::uint16_t item)
{
    PutStatusU32(out, offset, Value(instance, item));
}

void PutItem16(void* out, std::size_t offset, DriverContext* instance, std::uint16_t item)
{
    PutStatusU16(out, offset, static_cast<std::uint16_t>(Value(instance, item)));
}

std::uint32_t TenthMm(DriverContext* instance, std::uint16_t item)
{
    return DotsToUnits(kUnitTenthMm, Value(instance, item), kGeometryDpi);
}

std::uint32_t DisplaySize(DriverContext* instance, std::uint16_t item)
{
    return static_cast<std::uint32_t>(GetItemDisplaySize(instance, item, 0));
}

// 0 off, 1 on, 2 on in secure mode.
std::uint32_t AuthenticationLevel(DriverContext* instance)
{
    if (!IsOn(instance, rdmPrnFuncAuthenticationMode)) return 0;
    return IsOn(instance, rdmPrnFuncAuthenticationSecureMode) ? 2 : 1;
}

// The size a versioned read serves: the row's size once the API version in
// force reaches the row's minimum; -1 with code 6 otherwise.
int VersionSize(DriverContext* instance, std::uint32_t id, std::uint32_t version)
{
    const StatusVersionRow* row = FindStatusVersion(id, version);
    if (row == nullptr) return Fail(instance, kApiErrorVersion);
    if (GetApiVersionInForce() < static_cast<int>(row->minimumApi)) return Fail(instance, kApiErrorVersion);
    return static_cast<int>(row->size);
}

// Takes the settings snapshot and gives it back, restored, on every path.
class RestoringSnapshot {
public:
    explicit RestoringSnapshot(DriverContext* instance) : instance_(instance)
    {
        services::PushSettingsSnapshot(instance);
    }
    ~RestoringSnapshot() { services::PopSettingsSnapshot(instance_, TRUE); }
    RestoringSnapshot(const RestoringSnapshot&) = delete;
    RestoringSnapshot& operator=(const RestoringSnapshot&) = delete;

private:
    DriverContext* instance_;
};

// Every "\n" of a preset comment becomes CR LF, in place.
void ExpandCommentLineBreaks(char* text, std::size_t size)
{
    for (std::size_t i = 0; i + 1 < size && text[i] != '\0'; ++i) {
        if (text[i] == '\\' && text[i + 1] == 'n') {
            text[i] = '\r';
            text[i + 1] = '\n';
            ++i;
        }
    }
}

// Name and comment of a preset into +264 and +301.
void PutPresetTexts(void* out, const WCHAR* name, const WCHAR* comment)
{
    auto* bytes = static_cast<char*>(out);
    WideToAnsi(bytes + offsetof(VEXL_STATUS_PRESET, name), name, sizeof(VEXL_STATUS_PRESET::name));
    char* commentField = bytes + offsetof(VEXL_STATUS_PRESET, comment);
    WideToAnsi(commentField, comment, sizeof(VEXL_STATUS_PRESET::comment));
    ExpandCommentLineBreaks(commentField, sizeof(VEXL_STATUS_PRESET::comment));
}

constexpr int kPresetNameChars = 36;
constexpr int kPresetCommentChars = 512;

// ---- statuses of one or a few plain values ---------------------------------------------------

// A status whose fields are item values: u32 at +4, +8, +12 and +16, the
// switch at +28; a capability that must answer neither -1 nor 0 first.
struct ValueStatusRow {
    std::uint32_t id;
    std::uint16_t items[4];
    std::uint16_t switchItem;
    std::uint16_t capability;
};

constexpr ValueStatusRow kValueStatuses[] = {
    {2, {dmDefaultSource}, 0, 0},
    {3, {rdmMediaType}, 0, 0},
    {4, {rdmOutputTrayID}, 0, 0},
    {5, {dmColor}, 0, 0},
    {6, {dmOrientation}, 0, 0},
    {9, {dmCopies}, 0, 0},
    {12, {rdmCoverType, rdmCoverInputTray}, rdmFuncSelectCover, 0},
    {13, {rdmMarkPaperType, rdmMPInputTray}, rdmFuncSelectMark, 0},
    {20, {rdmStapleType}, rdmFuncSelectStaple, 0},
    {21, {rdmPunchType}, rdmFuncSelectPunch, 0},
    {22, {rdmExtOutputDirection}, 0, 0},
    {23, {rdmExtOutputOrderly}, 0, 0},
    {24, {rdmExtOutputWhitePaper}, 0, 0},
    {25, {rdmEmulation}, 0, 0},
    {27, {rdmExtPrintArea}, 0, 0},
    {29, {rdmActionMarge}, 0, 0},
    {30, {rdmActionProof}, 0, 0},
    {31, {rdmActionSecurity}, 0, 0},
    {32, {rdmActionStored}, 0, 0},
    {33, {rdmActionOverlay}, 0, 0},
    {35, {rdmPlaneUseCMYKCyan, rdmPlaneUseCMYKMagenta, rdmPlaneUseCMYKYellow, rdmPlaneUseCMYKBlack}, 0, 0},
    {38, {rdmAdjustMode}, 0, 0},
    {45, {rdmExtOutput2A4Fit}, 0, 0},
    {48, {rdmExtOutputEMFSpool}, 0, 0},
    {49, {rdmImagePrint}, 0, 0},
    {51, {rdmFoldType}, rdmFuncSelectFold, 0},
    {52, {rdmFunc2SelectJobComplete}, 0, 80},
    {53, {rdmFunc2SelectJobErr}, 0, 81},
    {58, {rdmExtOutput2OrientationManualTray, rdmOrientationManualTray}, 0, 0},
    {66, {rdmMPInputMediaType}, 0, 0},
    {68, {rdmCornerPosi}, rdmFunc2SelectEdgeCorner, 0},
    {69, {rdmFuncSelectMarginOverlap}, 0, 0},
    {70, {rdmFuncSelectCrops, rdmFuncSelectCropsFirst}, 0, 0},
    {72, {rdmExtOutput2PaperFace}, 0, 0},
    {74, {rdmExtOutput2NearStandard}, 0, 0},
    {75, {rdmPrnFuncReduceFont}, 0, 0},
    {76, {rdmActionPause}, 0, 0},
    {77, {rdmActionSave}, 0, 0},
    {78, {rdmActionPrintAndSave}, 0, 0},
    {257, {rdmAdjustObject}, 0, 0},
    {263, {rdmQualityFuncEcoColor}, 0, 0},
    {264, {rdmTonerSave}, rdmFuncSelectTonerSave, 0},
    {265, {rdmColorMatching}, 0, 276},
    {266, {rdmICMType}, 0, 277},
    {268, {rdmExtOutputprinterSide}, 0, 280},
};

const ValueStatusRow* FindValueStatus(std::uint32_t id)
{
    for (const ValueStatusRow& row : kValueStatuses)
        if (row.id == id) return &row;
    return nullptr;
}

int ReadValueStatus(DriverContext* instance, std::uint32_t id, void* out, std::uint32_t)
{
    const ValueStatusRow* row = FindValueStatus(id);
    if (row == nullptr) return -1;
    if (out == nullptr) return sizeof(VEXL_STATUS_VALUE);
    if (row->capability != 0 && !CapabilityAnswers(instance, row->capability)) return -1;
    for (std::size_t i = 0; i < std::size(row->items) && row->items[i] != 0; ++i)
        PutItem(out, kStatusValueOffset[i], instance, row->items[i]);
    if (row->switchItem != 0) PutItem(out, kStatusSwitchOffset, instance, row->switchItem);
    return sizeof(VEXL_STATUS_VALUE);
}

// Colour adjustment: the item and its text, line and image variants, 16
// bits each from +8.
struct ColorStatusRow {
    std::uint32_t id;
    std::uint16_t items[12];
    std::uint16_t capability;
};

constexpr ColorStatusRow kColorStatuses[] = {
    {39, {rdmColorMode, wdmColorModeText, wdmColorModeLine, wdmColorModeImage}, 0},
    {40, {rdmBrightness, wdmBrightnessText, wdmBrightnessLine, wdmBrightnessImage}, 0},
    {41, {rdmContrast, wdmContrastText, wdmContrastLine, wdmContrastImage}, 0},
    {42, {rdmSaturation, wdmSaturationText, wdmSaturationLine, wdmSaturationImage}, 0},
    {43,
     {rdmColorBalanceR, rdmColorBalanceG, rdmColorBalanceB, wdmColorBalanceRText, wdmColorBalanceGText,
      wdmColorBalanceBText, wdmColorBalanceRLine, wdmColorBalanceGLine, wdmColorBalanceBLine, wdmColorBalanceRImage,
      wdmColorBalanceGImage, wdmColorBalanceBImage},
     0},
    {46,
     {rdmQualityFuncColorRevision, wdmQualityFuncTextColorRevision, wdmQualityFuncLineColorRevision,
      wdmQualityFuncImageColorRevision},
     0},
    {267, {rdmICMIntent, wdmICMIntentText, wdmICMIntentLine, wdmICMIntentImage}, 278},
    {269, {rdmColorMatchingMode, wdmColorMatchingText, wdmColorMatchingLine, wdmColorMatchingImage}, 281},
};

int ReadColorStatus(DriverContext* instance, std::uint32_t id, void* out, std::uint32_t)
{
    const auto* row = std::find_if(std::begin(kColorStatuses), std::end(kColorStatuses),
                                   [id](const ColorStatusRow& r) { return r.id == id; });
    if (row == std::end(kColorStatuses)) return -1;
    if (out == nullptr) return sizeof(VEXL_STATUS_COLOR_ADJUST);
    if (row->capability != 0 && !CapabilityAnswers(instance, row->capability)) return -1;
    for (std::size_t i = 0; i < std::size(row->items) && row->items[i] != 0; ++i)
        PutItem16(out, offsetof(VEXL_STATUS_COLOR_ADJUST, value) + 2 * i, instance, row->items[i]);
    return sizeof(VEXL_STATUS_COLOR_ADJUST);
}

// ---- statuses with small computed bodies ----------------------------------------------------

int ReadPaperSize(DriverContext* instance, std::uint32_t id, void* out, std::uint32_t version)
{
    const int size = VersionSize(instance, id, version);
    if (size < 0 || out == nullptr) return size;
    const std::uint32_t paper = Value(instance, dmPaperSize);
    const bool slotPaper = paper >= kFirstCustomSlotPaper && paper <= kLastCustomSlotPaper;
    std::uint32_t width = Value(instance, dmPaperWidth);
    std::uint32_t length = Value(instance, dmPaperLength);
    if (IsOn(instance, rdmFuncSelectFreeShortOver)) {
        if (paper == kPaperFreeSizePaperId) {
            width = DisplaySize(instance, rdmPaperFreeSizeWidth);
            length = DisplaySize(instance, rdmPaperFreeSizeLength);
        } else if (slotPaper) {
            width = DisplaySize(instance, wdmFreeSizeWidth);
            length = DisplaySize(instance, wdmFreeSizeLength);
        }
    }
    std::uint32_t orientation = 0;
    if (version >= 2) {
        if (paper == kPaperFreeSizePaperId) orientation = Value(instance, rdmPaperFreeSizeOrient);
        if (slotPaper) orientation = Value(instance, wdmSrcFreeSizeOrient);
    }
    PutStatusU32(out, 4, paper);
    PutStatusU32(out, 8, width);
    PutStatusU32(out, 12, length);
    PutStatusU32(out, 16, orientation);
    return size;
}

int ReadOutputPaperSize(DriverContext* instance, std::uint32_t id, void* out, std::uint32_t version)
{
    const int size = VersionSize(instance, id, version);
    if (size < 0 || out == nullptr) return size;
    const std::uint32_t paper = Value(instance, rdmOutPaperSize);
    if (paper == kPrintFreeSizePaperId && version < 2) return Fail(instance, kApiErrorVersion);
    std::uint32_t width = 0;
    std::uint32_t length = 0;
    std::uint32_t orientation = 0;
    if (version >= 2) {
        if (paper == kOutputPaperSameOrFit) {
            width = Value(instance, dmPaperWidth);
            length = Value(instance, dmPaperLength);
            const std::uint32_t source = Value(instance, dmPaperSize);
            if (IsOn(instance, rdmFuncSelectFreeShortOver)) {
                if (source == kPaperFreeSizePaperId) {
                    width = DisplaySize(instance, rdmPaperFreeSizeWidth);
                    length = DisplaySize(instance, rdmPaperFreeSizeLength);
                } else if (source >= kFirstCustomSlotPaper && source <= kLastCustomSlotPaper) {
                    width = DisplaySize(instance, wdmFreeSizeWidth);
                    length = DisplaySize(instance, wdmFreeSizeLength);
                }
            }
        } else if (paper == kPrintFreeSizePaperId) {
            width = DisplaySize(instance, rdmPrintFreeSizeWidth);
            length = DisplaySize(instance, rdmPrintFreeSizeLength);
            if (version >= 3) orientation = Value(instance, rdmPrintFreeSizeOrient);
        } else if (IsFreeSizeSlotPaper(paper)) {
            width = DisplaySize(instance, wdmFreeSizeWidth);
            length = DisplaySize(instance, wdmFreeSizeLength);
            if (version >= 3) orientation = Value(instance, wdmFreeSizeOrient);
        } else {
            PaperExtent extent{};
            GetPaperOptionSize(instance, &extent, rdmOutPaperSize);
            width = static_cast<std::uint32_t>(extent.width);
            length = static_cast<std::uint32_t>(extent.length);
        }
        PutStatusU32(out, 8, width);
        PutStatusU32(out, 12, length);
    }
    PutStatusU32(out, 4, paper);
    PutStatusU32(out, 16, orientation);
    return size;
}

// The scaling status keeps a second version row but is served in any
// version the dispatch lets through.
int ReadScaling(DriverContext* instance, std::uint32_t, void* out, std::uint32_t version)
{
    if (out == nullptr) return sizeof(VEXL_STATUS_VALUE);
    if (Value(instance, rdmScaleType) == 2) SyncPaperAfterChange(instance, kSyncPaperOrScale);
    PutItem(out, 4, instance, rdmScaleType);
    PutItem(out, 8, instance, rdmScaleH);
    PutItem(out, 12, instance, rdmScaleV);
    if (version >= 2) PutItem(out, 16, instance, rdmScaleCentering);
    PutItem(out, kStatusSwitchOffset, instance, rdmFuncSelectScale);
    return sizeof(VEXL_STATUS_VALUE);
}

int ReadNup(DriverContext* instance, std::uint32_t id, void* out, std::uint32_t version)
{
    const int size = VersionSize(instance, id, version);
    if (size < 0 || out == nullptr) return size;
    PutItem(out, 4, instance, rdmNUPType);
    if (version >= 2) PutItem(out, 8, instance, rdmNUPLine);
    PutItem(out, kStatusSwitchOffset, instance, rdmFuncSelectNup);
    return size;
}

// Two margins in 0.1 mm while the margin switch is on, else 0 and 0.
void PutMargins(void* out, std::size_t offset, DriverContext* instance, std::uint16_t first, std::uint16_t second)
{
    const bool on = IsOn(instance, rdmFuncSelectMargin);
    PutStatusU32(out, offset, on ? TenthMm(instance, first) : 0);
    PutStatusU32(out, offset + 4, on ? TenthMm(instance, second) : 0);
}

int ReadDuplex(DriverContext* instance, std::uint32_t, void* out, std::uint32_t)
{
    if (out == nullptr) return sizeof(VEXL_STATUS_VALUE);
    PutItem(out, 4, instance, rdmDuplexType);
    PutMargins(out, 8, instance, rdmMarginOdd, rdmMarginEven);
    PutItem(out, kStatusSwitchOffset, instance, rdmFuncSelectDuplex);
    return sizeof(VEXL_STATUS_VALUE);
}

int ReadImageShift(DriverContext* instance, std::uint32_t, void* out, std::uint32_t)
{
    if (out == nullptr) return sizeof(VEXL_STATUS_VALUE);
    PutItem(out, 4, instance, rdmShiftDir);
    PutMargins(out, 8, instance, rdmShiftMarginX, rdmShiftMarginY);
    return sizeof(VEXL_STATUS_VALUE);
}

int ReadCreepMargins(DriverContext* instance, std::uint32_t, void* out, std::uint32_t)
{
    if (out == nullptr) return sizeof(VEXL_STATUS_VALUE);
    PutMargins(out, 4, instance, rdmCreepMarginInside, rdmCreepMarginOutside);
    return sizeof(VEXL_STATUS_VALUE);
}

int ReadWatermarkSelection(DriverContext* instance, std::uint32_t, void* out, std::uint32_t)
{
    if (out == nullptr) return sizeof(VEXL_STATUS_VALUE);
    const std::uint32_t stamp = Value(instance, rdmWmID);
    PutStatusU32(out, 4, stamp == kWorkingStampSlot ? stamp : stamp + 1);
    PutItem(out, kStatusSwitchOffset, instance, rdmFuncSelectWaterMark);
    return sizeof(VEXL_STATUS_VALUE);
}

int ReadSorting(DriverContext* instance, std::uint32_t id, void* out, std::uint32_t version)
{
    const int size = VersionSize(instance, id, version);
    if (size < 0 || out == nullptr) return size;
    PutItem(out, 4, instance, rdmSortType);
    if (version >= 2) {
        const bool offered = CapabilityAnswers(instance, 76);
        PutStatusU32(out, 8, offered ? Value(instance, rdmExtOutput2SeparationSheet) : 0);
        PutStatusU32(out, 12, offered ? Value(instance, rdmSeparationSheetCycle) : 0);
    }
    PutItem(out, kStatusSwitchOffset, instance, rdmFuncSelectSort);
    return size;
}

int ReadPaperRotation(DriverContext* instance, std::uint32_t id, void* out, std::uint32_t version)
{
    const int size = VersionSize(instance, id, version);
    if (size < 0 || out == nullptr) return size;
    PutStatusU32(out, 0, version);
    PutItem(out, 4, instance, rdmExtOutputPaperRotation);
    if (version >= 2) PutItem(out, 8, instance, rdmRotationMode);
    if (version >= 3) {
        if (IsItemAvailable(instance, rdmNupLayout, 0, kAvailableTestUnavailable))
            PutItem(out, 12, instance, rdmNupLayout);
        if (IsItemAvailable(instance, rdmBookLayout, 0, kAvailableTestUnavailable))
            PutItem(out, 16, instance, rdmBookLayout);
    }
    return size;
}

int ReadResolution(DriverContext* instance, std::uint32_t, void* out, std::uint32_t)
{
    if (out == nullptr) return sizeof(VEXL_STATUS_VALUE);
    const auto entry = services::LookupUiEntry(rdmDstResolutionW, instance);
    const std::uint16_t type = services::GetUiType(entry, instance);
    const std::uint32_t dpi = Value(instance, rdmDstResolutionW);
    if (type == kUiTypeNumeric && dpi != 0) {
        PutItem(out, 4, instance, rdmDstResolutionBoth);
        return sizeof(VEXL_STATUS_VALUE);
    }
    if ((type & kUiTypePickOne) != 0 && services::HasUiOptionList(entry, instance)) {
        const auto code = static_cast<std::int16_t>(
            FindResolutionCode(static_cast<std::uint16_t>(dpi), static_cast<std::uint16_t>(dpi)));
        if (code == 0) return -1;
        PutStatusU32(out, 4, static_cast<std::uint32_t>(static_cast<std::int32_t>(code)));
        return sizeof(VEXL_STATUS_VALUE);
    }
    return -1;
}

int ReadAuthentication(DriverContext* instance, std::uint32_t, void* out, std::uint32_t)
{
    if (out == nullptr) return sizeof(VEXL_STATUS_VALUE);
    if (!CapabilityAnswers(instance, 82)) return -1;
    PutStatusU32(out, 4, AuthenticationLevel(instance));
    return sizeof(VEXL_STATUS_VALUE);
}

int ReadAuthenticationUser(DriverContext* instance, std::uint32_t, void* out, std::uint32_t)
{
    if (out != nullptr) PutStatusU32(out, 4, AuthenticationLevel(instance));
    return sizeof(VEXL_STATUS_AUTH_USER);
}

int ReadAuthenticationLevel(DriverContext* instance, std::uint32_t, void* out, std::uint32_t)
{
    if (out != nullptr) PutStatusU32(out, 4, AuthenticationLevel(instance));
    return sizeof(VEXL_STATUS_AUTH_LEVEL);
}

int ReadPreview(DriverContext* instance, std::uint32_t, void* out, std::uint32_t)
{
    if (out == nullptr) return sizeof(VEXL_STATUS_VALUE);
    if (!CapabilityAnswers(instance, 87)) return -1;
    if (SettingItemDescriptor* item = FindItem(instance, rdmPreviewPrint))
        LoadItemFromIni(instance, item, GetSettingsIniPath(instance), nullptr, nullptr);
    PutItem(out, 4, instance, rdmPreviewPrint);
    return sizeof(VEXL_STATUS_VALUE);
}

int ReadLoadSharing(DriverContext* instance, std::uint32_t, void* out, std::uint32_t)
{
    if (out == nullptr) return sizeof(VEXL_STATUS_VALUE);
    const ApiRecord* record = instance->workArea != nullptr ? instance->workArea->apiRecord : nullptr;
    const std::int32_t code = GetLoadShareCode(instance, record != nullptr ? record->loadShareAvailable : 0);
    if (code >= 0) PutStatusU32(out, 4, static_cast<std::uint32_t>(code));
    return sizeof(VEXL_STATUS_VALUE);
}

int ReadIndexRotation(DriverContext* instance, std::uint32_t, void* out, std::uint32_t)
{
    if (out == nullptr) return sizeof(VEXL_STATUS_VALUE);
    std::uint32_t value = 0;
    if (IsOn(instance, rdmExtOutputIndexRotation)) value = IsOn(instance, rdmExtOutputShiftPrint) ? 2 : 1;
    PutStatusU32(out, 4, value);
    return sizeof(VEXL_STATUS_VALUE);
}

int ReadBackCover(DriverContext* instance, std::uint32_t, void* out, std::uint32_t)
{
    if (out == nullptr) return sizeof(VEXL_STATUS_VALUE);
    if (!IsOn(instance, rdmFuncSelectBack)) {
        PutStatusU32(out, 4, 0);
    } else {
        const std::uint32_t type = Value(instance, rdmBackCoverType);
        if (type == 0) PutStatusU32(out, 4, 1);
        if (type == 2 || type == 3) PutStatusU32(out, 4, type);
    }
    PutItem(out, 8, instance, rdmBackCoverInputTray);
    PutItem(out, 12, instance, rdmExtOutput2ReverseCoverOutside);
    return sizeof(VEXL_STATUS_VALUE);
}

int ReadReverseCover(DriverContext* instance, std::uint32_t, void* out, std::uint32_t)
{
    if (out == nullptr) return sizeof(VEXL_STATUS_VALUE);
    if (!IsOn(instance, rdmFuncSelectReverseCover)) {
        PutStatusU32(out, 4, 0);
    } else {
        const std::uint32_t type = Value(instance, rdmReverseCoverType);
        if (type == 1 || type == 2) PutStatusU32(out, 4, type);
    }
    PutItem(out, 8, instance, rdmReverseCoverInputTray);
    PutItem(out, 12, instance, rdmExtOutput2ReverseCoverOutside);
    return sizeof(VEXL_STATUS_VALUE);
}

int ReadPageSeparation(DriverContext* instance, std::uint32_t, void* out, std::uint32_t)
{
    if (out == nullptr) return sizeof(VEXL_STATUS_VALUE);
    if (!HasApiOption(instance, kApiOptionPageSeparation)) return -1;
    PutItem(out, 4, instance, rdmFunc2SelectPageSeparation);
    return sizeof(VEXL_STATUS_VALUE);
}

int ReadFolding(DriverContext* instance, std::uint32_t, void* out, std::uint32_t)
{
    if (out == nullptr) return sizeof(VEXL_STATUS_VALUE);
    const std::uint32_t type = Value(instance, rdmFoldingType);
    PutStatusU32(out, 4, IsOn(instance, rdmFunc2SelectFolding) ? type : 255);
    std::uint32_t subType = 0;
    if (type == 5) subType = Value(instance, rdmFoldingLongFanType);
    if (type == 6) subType = Value(instance, rdmFoldingCustomType);
    if (type == 7) subType = Value(instance, rdmFoldingProgramType);
    PutStatusU32(out, 8, subType);
    std::uint32_t flags = 0;
    if (Value(instance, rdmFunc2SelectFoldingPunch) == 1) flags |= 1;
    if (Value(instance, rdmFunc2SelectFoldingCorner) == 1) flags |= 2;
    PutStatusU32(out, 12, flags);
    return sizeof(VEXL_STATUS_VALUE);
}

int ReadPrintMacro(DriverContext* instance, std::uint32_t, void* out, std::uint32_t)
{
    if (out == nullptr) return sizeof(VEXL_STATUS_VALUE);
    PutItem(out, 4, instance, rdmPrintMacro);
    PutItem(out, 8, instance, rdmBalanceMacro);
    PutItem(out, 12, instance, rdmUserPrintMacro);
    std::uint32_t useUserMacro = Value(instance, rdmUseUserMacro);
    if (!CapabilityAnswers(instance, 266) && CapabilityAnswers(instance, 268) &&
        Value(instance, rdmUserPrintMacro) != 160)
        useUserMacro = 0;
    PutStatusU32(out, kStatusSwitchOffset, useUserMacro);
    return sizeof(VEXL_STATUS_VALUE);
}

// ---- job information ---------------------------------------------------------------------------

struct JobTextField {
    std::size_t offset;
    std::size_t size;
    std::uint16_t item;
};

// The text fields of each version, in structure order.
constexpr JobTextField kJobTextsV1[] = {
    {offsetof(VEXL_STATUS_JOB_INFO, userId), 9, rdmUserID},
    {offsetof(VEXL_STATUS_JOB_INFO, jobPassword4), 5, rdmJOBPassword},
    {offsetof(VEXL_STATUS_JOB_INFO, storedPassword4), 5, rdmStoredPassword},
    {offsetof(VEXL_STATUS_JOB_INFO, ownerName), 17, rdmOwnerName},
    {offsetof(VEXL_STATUS_JOB_INFO, documentName), 17, rdmDocumentName},
    {offsetof(VEXL_STATUS_JOB_INFO, mergeFileName), 65, rdmMergeFileName},
    {offsetof(VEXL_STATUS_JOB_INFO, overlayPath), 260, wdmOvlPath},
};
// From version 2 the passwords travel in their 8-character fields.
constexpr JobTextField kJobTextsV2[] = {
    {offsetof(VEXL_STATUS_JOB_INFO, userId), 9, rdmUserID},
    {offsetof(VEXL_STATUS_JOB_INFO, ownerName), 17, rdmOwnerName},
    {offsetof(VEXL_STATUS_JOB_INFO, documentName), 17, rdmDocumentName},
    {offsetof(VEXL_STATUS_JOB_INFO, mergeFileName), 65, rdmMergeFileName},
    {offsetof(VEXL_STATUS_JOB_INFO, overlayPath), 260, wdmOvlPath},
    {offsetof(VEXL_STATUS_JOB_INFO, jobPassword), 9, rdmJOBPassword},
    {offsetof(VEXL_STATUS_JOB_INFO, storedPassword), 9, rdmStoredPassword},
};
constexpr JobTextField kJobTextsV3[] = {
    {offsetof(VEXL_STATUS_JOB_INFO, documentName8), 17, rdmDocumentName},
    {offsetof(VEXL_STATUS_JOB_INFO, documentName9), 17, rdmDocumentName},
    {offsetof(VEXL_STATUS_JOB_INFO, storedPassword9), 9, rdmStoredPassword},
    {offsetof(VEXL_STATUS_JOB_INFO, documentName10), 17, rdmDocumentName},
    {offsetof(VEXL_STATUS_JOB_INFO, storedPassword10), 9, rdmStoredPassword},
};

constexpr std::uint32_t kJobFieldMaskV1 = 0x7F;
constexpr std::uint32_t kJobFieldMaskV2 = 0x1F9;
constexpr std::uint32_t kJobFieldMaskV3 = 0x1F9 | 0x7E00;

void ReloadFromSettingsIni(DriverContext* instance, std::uint16_t id)
{
    if (SettingItemDescriptor* item = FindItem(instance, id))
        LoadItemFromIni(instance, item, GetSettingsIniPath(instance), nullptr, nullptr);
}

int ReadJobInformation(DriverContext* instance, std::uint32_t id, void* out, std::uint32_t version)
{
    const int size = VersionSize(instance, id, version);
    if (size < 0 || out == nullptr) return size;
    const int passwordLength = AskCapability(instance, 83, nullptr);
    if (passwordLength == 8 && version < 2) return Fail(instance, kApiErrorVersion);

    ReloadFromSettingsIni(instance, rdmPrnMethod);
    ReloadFromSettingsIni(instance, rdmSharedPrnData);

    std::span<const JobTextField> texts = kJobTextsV1;
    std::uint32_t mask = kJobFieldMaskV1;
    if (version >= 2) {
        texts = kJobTextsV2;
        mask = version >= 3 ? kJobFieldMaskV3 : kJobFieldMaskV2;
    }
    PutItem(out, offsetof(VEXL_STATUS_JOB_INFO, printMethod), instance, rdmPrnMethod);
    PutStatusU32(out, offsetof(VEXL_STATUS_JOB_INFO, fieldMask), mask);
    for (const JobTextField& field : texts) std::memset(static_cast<char*>(out) + field.offset, 0, field.size);
    if (version >= 3) {
        for (const JobTextField& field : kJobTextsV3)
            std::memset(static_cast<char*>(out) + field.offset, 0, field.size);
    }

    for (std::uint32_t valueMask : {kJobUserId, kJobPassword, kJobStoredPassword, kJobOwnerName, kJobDocumentName})
        LoadJobControlValues(instance, valueMask);

    for (const JobTextField& field : texts) PutTextField(out, field.offset, field.size, ItemText(instance, field.item));
    if (version >= 3) {
        for (const JobTextField& field : kJobTextsV3)
            PutTextField(out, field.offset, field.size, ItemText(instance, field.item));
        PutItem(out, offsetof(VEXL_STATUS_JOB_INFO, sharedPrintData), instance, rdmSharedPrnData);
    }
    return size;
}

int ReadUserId(DriverContext* instance, std::uint32_t, void* out, std::uint32_t)
{
    if (out == nullptr) return VEXL_STATUS_JOB_INFO_SIZE_V1;
    constexpr std::size_t field = offsetof(VEXL_STATUS_JOB_INFO, userId);
    PutStatusU32(out, offsetof(VEXL_STATUS_JOB_INFO, fieldMask), 0);
    std::memset(static_cast<char*>(out) + field, 0, sizeof(VEXL_STATUS_JOB_INFO::userId));
    LoadJobControlValues(instance, kJobUserId);
    const std::string userId = ItemText(instance, rdmUserID);
    if (!userId.empty() && PutStatusText(out, field, sizeof(VEXL_STATUS_JOB_INFO::userId), userId))
        PutStatusU32(out, offsetof(VEXL_STATUS_JOB_INFO, fieldMask), VEXL_JOB_FIELD_USER_ID);
    return VEXL_STATUS_JOB_INFO_SIZE_V1;
}

// ---- presets -----------------------------------------------------------------------------------

int ReadPresetFile(DriverContext* instance, std::uint32_t, void* out, std::uint32_t)
{
    if (out == nullptr) return VEXL_STATUS_PRESET_SIZE;
    const std::optional<std::string_view> pathText =
        GetStatusText(out, offsetof(VEXL_STATUS_PRESET, path), sizeof(VEXL_STATUS_PRESET::path));
    if (!pathText || pathText->empty()) return Fail(instance, kApiErrorBadFile);
    WCHAR path[MAX_PATH + 1] = {};
    AnsiToWide(path, std::string(*pathText).c_str(), MAX_PATH + 1);
    if (!IsAbsolutePath(path) || !FileExists(path)) return Fail(instance, kApiErrorBadFile);

    {
        RestoringSnapshot snapshot(instance);
        LoadSettingsFile(instance->printer, path, kSettingsPresetCarrier, instance);
    }
    if (GetSettingsFileError(instance) == kSettingsFileHeaderRefused) return Fail(instance, kApiErrorPresetLoad);

    const WCHAR* section = GetPrinterSectionName(instance);
    WCHAR name[kPresetNameChars + 1] = {};
    WCHAR comment[kPresetCommentChars + 1] = {};
    ReadIniString(section, u"wdmPresetName", u"", name, kPresetNameChars + 1, path);
    ReadIniString(section, u"wdmPresetComment", u"", comment, kPresetCommentChars + 1, path);
    PutPresetTexts(out, name, comment);
    return VEXL_STATUS_PRESET_SIZE;
}

int ReadPresetByNumber(DriverContext* instance, std::uint32_t id, void* out, std::uint32_t version)
{
    if (VersionSize(instance, id, version) < 0) return -1;
    if (out == nullptr) return VEXL_STATUS_PRESET_SIZE;
    if (!CapabilityAnswers(instance, 85)) return -1;
    PutStatusU32(out, 0, version);
    const auto asked = static_cast<std::int32_t>(GetStatusU32(out, offsetof(VEXL_STATUS_PRESET, number)));
    if (asked == 0 && GetApiVersionInForce() < 14) return Fail(instance, kApiErrorRefused);
    if (asked < 0 || asked > GetPresetCount(instance)) return Fail(instance, kApiErrorRefused);
    std::int32_t number = asked;
    if (number == 0) {
        // rdmPresetNo is a signed byte; 0xFF means no preset is in use.
        const std::uint32_t stored = Value(instance, rdmPresetNo) & 0xFF;
        if (stored == 0xFF) return VEXL_STATUS_PRESET_SIZE;
        number = static_cast<std::int32_t>(stored) + 1;
    }
    WCHAR section[kIniSectionChars] = {};
    if (const WCHAR* name = GetPrinterSectionName(instance)) lstrcpynW(section, name, kIniSectionChars);
    SanitizeIniSection(section);
    const WCHAR* iniPath = GetSettingsIniPath(instance);
    WCHAR key[kListKeyChars] = {};
    WCHAR name[kPresetNameChars + 1] = {};
    WCHAR comment[kPresetCommentChars + 1] = {};
    FormatPresetKey(key, number - 1, kPresetKeyName);
    ReadIniString(section, key, u"", name, kPresetNameChars + 1, iniPath);
    FormatPresetKey(key, number - 1, kPresetKeyComment);
    ReadIniString(section, key, u"", comment, kPresetCommentChars + 1, iniPath);
    PutPresetTexts(out, name, comment);
    return VEXL_STATUS_PRESET_SIZE;
}

// ---- watermark ---------------------------------------------------------------------------------

constexpr std::uint32_t kWatermarkText = 1;
constexpr std::uint32_t kWatermarkBitmap = 2;
constexpr std::uint32_t kWatermarkOverlay = 3;
constexpr std::uint32_t kWatermarkSecret = 128;

void FillWatermark(DriverContext* instance, void* out, std::uint32_t version)
{
    using W = VEXL_STATUS_WATERMARK;
    const std::uint32_t kind = Value(instance, rdmWmKind);
    const std::string text = ItemText(instance, wdmWmChar);
    const bool textKind = kind == kWatermarkText || (kind == kWatermarkSecret && !text.empty());
    const bool imageKind = kind == kWatermarkBitmap || kind == kWatermarkOverlay;
    auto itemIf = [instance](bool when, std::uint16_t item) { return when ? Value(instance, item) : 0u; };

    PutStatusU32(out, offsetof(W, kind), kind);
    PutStatusU32(out, offsetof(W, position), itemIf(textKind || kind == kWatermarkBitmap, wdmWmPosi));
    PutStatusU32(out, offsetof(W, opaque), itemIf(textKind || imageKind, wdmWmOpaque));
    PutItem(out, offsetof(W, page), instance, wdmWmPage);
    PutStatusU32(out, offsetof(W, fontStyle), itemIf(textKind, wdmWmFontStyle));
    PutStatusU32(out, offsetof(W, effect), itemIf(textKind, wdmWmEffect));
    PutStatusU32(out, offsetof(W, color), itemIf(textKind, wdmWmColor));
    PutStatusU32(out, offsetof(W, density), itemIf(textKind, wdmWmDensity));
    std::uint32_t size = itemIf(textKind, wdmWmFontPoint);
    if (kind == kWatermarkBitmap) size = Value(instance, wdmWmFontScale);
    PutStatusU32(out, offsetof(W, size), size);
    PutStatusU32(out, offsetof(W, angle), itemIf(textKind, wdmWmAngle));
    PutTextField(out, offsetof(W, text), sizeof(W::text), textKind ? text : std::string());
    PutTextField(out, offsetof(W, fontName), sizeof(W::fontName),
                 textKind ? ItemText(instance, wdmWmFontName) : std::string());
    const bool withImage = imageKind || (kind == kWatermarkSecret && version >= 2);
    PutTextField(out, offsetof(W, image), sizeof(W::image), withImage ? ItemText(instance, wdmWmImage) : std::string());
    if (version < 2) return;

    const bool secretText = kind == kWatermarkSecret && textKind;
    PutStatusU32(out, offsetof(W, linePitch), itemIf(secretText, wdmWmLinePitch));
    PutStatusU32(out, offsetof(W, textPattern), itemIf(secretText, wdmWmTextPattern));
    PutStatusU32(out, offsetof(W, tilePattern), itemIf(secretText, wdmWmTilePattern));
    PutStatusU32(out, offsetof(W, tileColor), itemIf(secretText, wdmWmTileColor));
    PutStatusU32(out, offsetof(W, tileDensity), itemIf(secretText, wdmWmTileDensity));
    PutStatusU32(out, offsetof(W, tileMask), itemIf(secretText, wdmWmTileMask));
    PutStatusU32(out, offsetof(W, flags), secretText && Value(instance, wdmWmTileRotate) == 2 ? 1u : 0u);
    PutStatusU32(out, offsetof(W, secretPattern), itemIf(kind == kWatermarkSecret, wdmWmSecretPattern));
    PutStatusU32(out, offsetof(W, reserved404), 0);
    PutStatusU32(out, offsetof(W, reserved408), 0);
    if (version < 3) return;

    std::uint32_t twoPlane = 0;
    std::uint32_t order = 0;
    if (kind == kWatermarkText || kind == kWatermarkBitmap) {
        const std::vector<std::uint32_t> planes = CapabilityValues(instance, 77);
        if (std::find(planes.begin(), planes.end(), kind) != planes.end())
            twoPlane = Value(instance, wdmWMPrinterStamp2PlanePrint);
        if (CapabilityAnswers(instance, 78)) order = Value(instance, wdmWMFuncSelectOrder);
    }
    PutStatusU32(out, offsetof(W, twoPlanePrint), twoPlane);
    PutStatusU32(out, offsetof(W, printOrder), order);
}

int ReadWatermark(DriverContext* instance, std::uint32_t id, void* out, std::uint32_t version)
{
    const int size = VersionSize(instance, id, version);
    if (size < 0 || out == nullptr) return size;
    if (!IsCurrentStampStored(instance)) return Fail(instance, kApiErrorStampNotStored);
    RestoringSnapshot snapshot(instance);
    if (SettingItemDescriptor* item = FindItem(instance, wdmWmChar)) WriteItemBytes(instance, item, nullptr, 0);
    if (SettingItemDescriptor* item = FindItem(instance, wdmWmImage)) WriteItemBytes(instance, item, nullptr, 0);
    LoadStampSlot(instance, kWorkingStampSlot);
    if (Value(instance, rdmWmKind) == kWatermarkSecret && version < 2) return Fail(instance, kApiErrorVersion);
    FillWatermark(instance, out, version);
    return size;
}

// ---- header and footer, anti-copy pattern ------------------------------------------------------

int ReadHeaderFooter(DriverContext* instance, std::uint32_t id, void* out, std::uint32_t version)
{
    using H = VEXL_STATUS_HEADER_FOOTER;
    const int size = VersionSize(instance, id, version);
    if (size < 0 || out == nullptr) return size;
    std::uint32_t flags = 0;
    if (IsOn(instance, rdmHFFuncSelectDate)) flags |= 1;
    if (IsOn(instance, rdmHFFuncSelectPage)) flags |= 2;
    if (IsOn(instance, rdmHFFuncSelectString)) flags |= 4;
    PutStatusU32(out, offsetof(H, flags), flags);
    PutTextField(out, offsetof(H, fontName), sizeof(H::fontName), ItemText(instance, rdmHFFontName));
    PutItem(out, offsetof(H, fontPoint), instance, rdmHFFontPoint);
    PutItem(out, offsetof(H, datePosition), instance, rdmHFDatePosi);
    PutItem(out, offsetof(H, dateForm), instance, rdmHFDateForm);
    PutItem(out, offsetof(H, pagePosition), instance, rdmHFPagePosi);
    PutItem(out, offsetof(H, pageForm), instance, rdmHFPageForm);
    PutItem(out, offsetof(H, stringPosition), instance, rdmHFStrPosi);
    PutItem(out, offsetof(H, stringForm), instance, rdmHFStrForm);
    PutTextField(out, offsetof(H, string), sizeof(H::string), ItemText(instance, rdmHFString));
    if (version >= 2)
        PutStatusU32(out, offsetof(H, order),
                     CapabilityAnswers(instance, 79) ? Value(instance, rdmHFFuncSelectOrder) : 0);
    return size;
}

int ReadAntiCopy(DriverContext* instance, std::uint32_t, void* out, std::uint32_t)
{
    using A = VEXL_STATUS_ANTI_COPY;
    if (out == nullptr) return sizeof(A);
    if (!CapabilityAnswers(instance, 84)) return -1;
    const std::string text = ItemText(instance, rdmCopyProtectChar);
    const bool guard = IsOn(instance, rdmCopyProtectFuncSelectCopyGuard);
    std::uint32_t mode = 0;
    if (IsOn(instance, rdmFuncSelectCopyProtect)) mode = (guard ? 1u : 0u) | (text.empty() ? 0u : 2u);
    PutStatusU32(out, offsetof(A, mode), mode);
    PutItem(out, offsetof(A, color), instance, rdmCopyProtectColor);
    PutItem(out, offsetof(A, density), instance, rdmCopyProtectDensity);
    PutStatusU32(out, offsetof(A, tileMask),
                 IsOn(instance, rdmCopyProtectFuncSelectMaskPattern) ? Value(instance, rdmCopyProtectTileMask) : 0);
    PutItem(out, offsetof(A, switchPattern), instance, rdmCopyProtectFuncSelectSwitchPattern);
    PutTextField(out, offsetof(A, text), sizeof(A::text), text);
    PutTextField(out, offsetof(A, fontName), sizeof(A::fontName), ItemText(instance, rdmCopyProtectFontName));
    PutItem(out, offsetof(A, fontPoint), instance, rdmCopyProtectFontPoint);
    PutItem(out, offsetof(A, fontStyle), instance, rdmCopyProtectFontStyle);
    PutItem(out, offsetof(A, angle), instance, rdmCopyProtectAngle);
    PutStatusU32(out, offsetof(A, position),
                 IsOn(instance, rdmCopyProtectFuncSelectRepeat) ? 64 : Value(instance, rdmCopyProtectPosi));
    PutItem(out, offsetof(A, linePitch), instance, rdmCopyProtectLinePitch);
    PutItem(out, offsetof(A, reverse), instance, rdmCopyProtectFuncSelectReverse);
    std::uint32_t background = 0;
    if (IsOn(instance, rdmCopyProtectFuncSelectOutline))
        background = 3;
    else if (IsOn(instance, rdmCopyProtectFuncSelectWhiteBackground))
        background = 255;
    PutStatusU32(out, offsetof(A, background), background);
    return sizeof(A);
}

// ---- driver information ------------------------------------------------------------------------

using D = VEXL_STATUS_DRIVER_INFO;

void PutVersionTexts(DriverContext* instance, void* out)
{
    const ModelRecord* record = instance->modelRecord;
    char version[32] = {};
    if (record != nullptr && record->descriptionVersion != nullptr)
        WideToAnsi(version, record->descriptionVersion, sizeof version);
    PutTextField(out, offsetof(D, u.text), sizeof(D::u.text), version);
    const std::string_view stamp(kCoreVersionStamp);
    const std::size_t equals = stamp.find('=');
    const std::size_t end = stamp.find('*', equals);
    PutTextField(out, offsetof(D, secondText), sizeof(D::secondText),
                 std::string(stamp.substr(equals + 1, end - equals - 1)));
}

// The finishing option texts of selector 248: a size pass (+24 = 0) puts the
// list's size into +28; a fill pass (+24 = 1) writes the list to the address
// at +32 when it fits the capacity at +28, else puts the size needed into +28
// and refuses. The input is checked before anything is looked up: a fill
// pass without an address is refused even when there is no list.
int ReadFinishingList(DriverContext* instance, void* out)
{
    const std::uint32_t pass = GetStatusU32(out, offsetof(D, u.list.value));
    if (pass > 1) return Fail(instance, kApiErrorRefused);
    const std::uint64_t address = GetStatusU64(out, offsetof(D, u.list.listAddress));
    if (pass == 1 && address == 0) return Fail(instance, kApiErrorRefused);
    std::uint16_t item = rdmFuncSelectPunch;
    std::uint32_t needed = 0;
    if (ListPjlOptionWords(instance, item, 0, nullptr, &needed) < 0) return -1;
    if (needed == 0) {
        item = kFinishingJudgeItem;
        if (ListPjlOptionWords(instance, item, 0, nullptr, &needed) < 0) return -1;
    }
    if (needed == 0) return sizeof(D);
    if (pass == 0) {
        PutStatusU32(out, offsetof(D, u.list.listSize), needed);
        return sizeof(D);
    }
    const std::uint32_t capacity = GetStatusU32(out, offsetof(D, u.list.listSize));
    if (needed > capacity) {
        PutStatusU32(out, offsetof(D, u.list.listSize), needed);
        return Fail(instance, kApiErrorRefused);
    }
    auto* list = reinterpret_cast<char*>(static_cast<std::uintptr_t>(address));
    const int result = ListPjlOptionWords(instance, item, capacity, list, &needed);
    if (result < 0) return -1;
    if (result > 0) {
        PutStatusU32(out, offsetof(D, u.list.listSize), needed);
        return Fail(instance, kApiErrorRefused);
    }
    return sizeof(D);
}

int ReadDriverInformation(DriverContext* instance, std::uint32_t, void* out, std::uint32_t)
{
    if (out == nullptr) return sizeof(D);
    const int api = GetApiVersionInForce();
    const std::uint32_t selector = GetStatusU32(out, offsetof(D, selector));
    switch (selector) {
    case VEXL_DRIVER_INFO_VERSIONS:
        PutVersionTexts(instance, out);
        break;
    case VEXL_DRIVER_INFO_USER_CODE:
        if (api < 13) break;
        PutStatusU32(out, offsetof(D, u.list.value),
                     IsControlOptionAllowed(instance, kInitialSettingsPage, kUserCodeButton, 2) ? 1 : 0);
        LoadJobControlValues(instance, kJobUserCode);
        if (const std::string code = ItemText(instance, rdmUserCode); !code.empty() && code.size() <= 8)
            PutStatusText(out, offsetof(D, secondText), sizeof(D::secondText), code);
        break;
    case VEXL_DRIVER_INFO_STAMP:
        if (api >= 12) return Fail(instance, kApiErrorSelectorWriteOnly);
        break;
    case VEXL_DRIVER_INFO_FINISHING_LIST:
        if (api < 12) break;
        return ReadFinishingList(instance, out);
    case VEXL_DRIVER_INFO_INDEX_ROTATION:
    case VEXL_DRIVER_INFO_REVERSE_COVER:
    case VEXL_DRIVER_INFO_SCALE_CENTERING:
    case VEXL_DRIVER_INFO_CHAPTERS:
    case VEXL_DRIVER_INFO_BACK_COVER: {
        if (api < 12) break;
        constexpr std::uint16_t kItems[] = {rdmExtOutputIndexRotation, rdmFuncSelectReverseCover, rdmScaleCentering,
                                            rdmFuncSelectChapter, rdmFuncSelectBack};
        const std::uint16_t item = kItems[selector - VEXL_DRIVER_INFO_INDEX_ROTATION];
        const bool available = IsItemAvailable(instance, item, 0, kAvailableTestUnavailable | kAvailableTestRestricted);
        PutStatusU32(out, offsetof(D, u.list.value), available ? Value(instance, item) : 0);
        break;
    }
    case VEXL_DRIVER_INFO_JOB_BINDER:
        if (api >= 12) PutItem(out, offsetof(D, u.list.value), instance, rdmJobBinder);
        break;
    case VEXL_DRIVER_INFO_SEQUENCE_MARK:
        if (api >= 10) {
            // The first 20 characters, always terminated.
            const std::string mark = ItemText(instance, rdmSeqmark);
            PutStatusText(out, offsetof(D, secondText), 21, mark.substr(0, 20));
        }
        break;
    default:
        break;
    }
    return sizeof(D);
}

// ---- tray information ------------------------------------------------------------------------------

using T = VEXL_STATUS_TRAY;

constexpr std::size_t kTraySlots = 32;
constexpr std::size_t kSecondBypassSlot = 28;  // slot 29, counted from 0

std::uint32_t ThisPlatform()
{
    return IsWin9x() ? 1 : kPaperLimitNtPlatform;
}

void PutLimits(DriverContext* instance, void* out, std::size_t offset, const PaperLimitRow& row)
{
    for (std::size_t i = 0; i < 4; ++i)
        PutStatusU32(out, offset + 4 * i, static_cast<std::uint32_t>(GetItemDisplaySize(instance, 0, row.limits[i])));
}

int ReadTrayInformation(DriverContext* instance, std::uint32_t, void* out, std::uint32_t version)
{
    if (out == nullptr) return sizeof(T);
    const std::uint32_t tray = GetStatusU32(out, offsetof(T, trayCode));
    const std::vector<std::uint32_t> allowed = CapabilityValues(instance, 2);
    if (std::find(allowed.begin(), allowed.end(), tray) == allowed.end()) return Fail(instance, kApiErrorRefused);

    PutStatusU32(out, 0, version);
    std::memset(static_cast<std::uint8_t*>(out) + offsetof(T, paper), 0, sizeof(T) - offsetof(T, paper));
    const std::span<const std::uint32_t> codes = TrayCodeTable();
    for (std::size_t slot = 0; slot < std::min(codes.size(), kTraySlots); ++slot) {
        if (codes[slot] != tray) continue;
        if (slot == kSecondBypassSlot &&
            IsItemOptionUnavailableStrict(dmDefaultSource, kSecondBypassOption, instance) != 0)
            continue;
        const auto n = static_cast<std::uint16_t>(slot);
        PutItem(out, offsetof(T, paper), instance, static_cast<std::uint16_t>(rdmTray1Paper + n));
        PutItem(out, offsetof(T, orientation), instance, static_cast<std::uint16_t>(rdmTrayOrient0 + n));
        PutItem(out, offsetof(T, media), instance, static_cast<std::uint16_t>(rdmTray1Media + n));
        PutItem(out, offsetof(T, lock), instance, static_cast<std::uint16_t>(rdmTrayLock0 + n));
    }

    bool firstFilled = false;
    bool otherFilled = false;
    for (const PaperLimitRow* row = FindModelPaperLimitTable(instance); row != nullptr && row->tray != 0; ++row) {
        if (row->tray != tray) continue;
        if (row->platform != kPaperLimitAnyPlatform && row->platform != ThisPlatform()) continue;
        if (row->orientation == 1) {
            PutLimits(instance, out, offsetof(T, limits), *row);
            firstFilled = true;
        } else {
            PutLimits(instance, out, offsetof(T, otherLimits), *row);
            otherFilled = true;
        }
        if (firstFilled && otherFilled) break;
    }
    return sizeof(T);
}

// ---- chapters ----------------------------------------------------------------------------------------

int ReadChapters(DriverContext* instance, std::uint32_t id, void* out, std::uint32_t version)
{
    using C = VEXL_STATUS_CHAPTERS;
    const int size = VersionSize(instance, id, version);
    if (size < 0 || out == nullptr) return size;
    if (instance->workArea != nullptr && instance->workArea->apiRecord != nullptr)
        instance->workArea->apiRecord->chapterIndex = 0;
    PrepareModuleData(instance);
    const std::uint32_t index = GetStatusU32(out, offsetof(C, index));
    const std::uint32_t count = Value(instance, wdmChapterNum);
    if (index > count) return Fail(instance, kApiErrorRefused);
    NotifyModulesRevalidate(instance);
    StoreIniItems(instance->printer, instance);
    PutItem(out, offsetof(C, chapterSwitch), instance, rdmFuncSelectChapter);
    PutItem(out, offsetof(C, count), instance, wdmChapterNum);
    if (index == 0) return size;
    std::uintptr_t request[kModuleListRequestWords] = {index - 1};
    if (!RunModuleListOperation(instance, 5, request)) return -1;
    PutStatusU32(out, offsetof(C, startPage), static_cast<std::uint32_t>(request[1]));
    PutStatusU32(out, offsetof(C, kind), static_cast<std::uint32_t>(request[2]));
    PutStatusU32(out, offsetof(C, tray), static_cast<std::uint32_t>(request[3]));
    PutStatusU32(out, offsetof(C, printFlag), static_cast<std::uint32_t>(request[4]));
    if (version >= 2)
        PutStatusU32(out, offsetof(C, endPage), request[2] == 3 ? static_cast<std::uint32_t>(request[5]) : 0);
    return size;
}

// ---- the table ---------------------------------------------------------------------------------

constexpr StatusReadRow kStatusReadRows[] = {
    {1, ReadPresetFile},
    {2, ReadValueStatus},
    {3, ReadValueStatus},
    {4, ReadValueStatus},
    {5, ReadValueStatus},
    {6, ReadValueStatus},
    {7, ReadPaperSize},
    {8, ReadOutputPaperSize},
    {9, ReadValueStatus},
    {10, ReadJobInformation},
    {11, ReadScaling},
    {12, ReadValueStatus},
    {13, ReadValueStatus},
    {14, ReadNup},
    {15, ReadDuplex},
    {16, ReadWatermark},
    {17, ReadWatermarkSelection},
    {18, ReadImageShift},
    {19, ReadSorting},
    {20, ReadValueStatus},
    {21, ReadValueStatus},
    {22, ReadValueStatus},
    {23, ReadValueStatus},
    {24, ReadValueStatus},
    {25, ReadValueStatus},
    {26, ReadUserId},
    {27, ReadValueStatus},
    {28, ReadPaperRotation},
    {29, ReadValueStatus},
    {30, ReadValueStatus},
    {31, ReadValueStatus},
    {32, ReadValueStatus},
    {33, ReadValueStatus},
    {34, ReadResolution},
    {35, ReadValueStatus},
    {38, ReadValueStatus},
    {39, ReadColorStatus},
    {40, ReadColorStatus},
    {41, ReadColorStatus},
    {42, ReadColorStatus},
    {43, ReadColorStatus},
    {45, ReadValueStatus},
    {46, ReadColorStatus},
    {47, ReadHeaderFooter},
    {48, ReadValueStatus},
    {49, ReadValueStatus},
    {50, ReadDriverInformation},
    {51, ReadValueStatus},
    {52, ReadValueStatus},
    {53, ReadValueStatus},
    {54, ReadAuthentication},
    {55, ReadAntiCopy},
    {56, ReadPresetByNumber},
    {57, ReadPreview},
    {58, ReadValueStatus},
    {59, ReadAuthenticationUser},
    {60, ReadAuthenticationLevel},
    {61, ReadLoadSharing},
    {62, ReadIndexRotation},
    {63, ReadTrayInformation},
    {64, ReadBackCover},
    {65, ReadReverseCover},
    {66, ReadValueStatus},
    {67, ReadChapters},
    {68, ReadValueStatus},
    {69, ReadValueStatus},
    {70, ReadValueStatus},
    {71, ReadCreepMargins},
    {72, ReadValueStatus},
    {73, ReadPageSeparation},
    {74, ReadValueStatus},
    {75, ReadValueStatus},
    {76, ReadValueStatus},
    {77, ReadValueStatus},
    {78, ReadValueStatus},
    {79, ReadFolding},
    {257, ReadValueStatus},
    {262, ReadPrintMacro},
    {263, ReadValueStatus},
    {264, ReadValueStatus},
    {265, ReadValueStatus},
    {266, ReadValueStatus},
    {267, ReadColorStatus},
    {268, ReadValueStatus},
    {269, ReadColorStatus},
};

}  // namespace

std::span<const StatusReadRow> StatusReadRows()
{
    return kStatusReadRows;
}

int GetStatusDispatch(DriverContext* instance, std::uint32_t id, void* output, std::uint32_t version)
{
    if (instance == nullptr) return -1;
    if (id < 1 || id > 512 || !IsApiIdEnabled(kApiKindStatus, id)) return Fail(instance, kApiErrorNotEnabled);
    const ApiDescriptor* record = FindStatusDescriptor(id);
    if (record == nullptr) return Fail(instance, kApiErrorFailure);
    if (!record->enabled) return Fail(instance, kApiErrorNotEnabled);
    if (record->get == nullptr) return -1;

    InstancePrinter printer(instance);
    if (!printer.IsOpen()) return Fail(instance, kApiErrorFailure);
    const std::int32_t kept = GetApiLastError(instance);
    SetApiLastError(instance, kApiErrorFailure);

    const std::uint32_t latest = record->versionCount;
    if (CompareStructureVersion(latest, version) == 2) return Fail(instance, kApiErrorVersion);
    const std::uint32_t served = version == 0 ? latest : version;
    const int result = record->get(instance, id, output, served);
    if (result == -1) return -1;
    if (output != nullptr) PutStatusU32(output, 0, served);
    SetApiLastError(instance, kept);
    return result;
}

}  // namespace vexl::api
