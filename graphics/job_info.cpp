// The job information a document starts with.
#include "graphics/job_info.h"

#include "common/core/appservices.h"
#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/core/module_events.h"
#include "common/core/paper_sync.h"
#include "common/core/settings_modules.h"
#include "common/core/store.h"
#include "common/core/units.h"
#include "common/storage/bidi_config.h"
#include "common/storage/devmode_settings_merge.h"
#include "common/storage/persistence.h"
#include "graphics/graphics_context.h"
#include "graphics/job_plugin.h"

#include <cstring>

namespace vexl {
namespace {

// The job strings that follow a job from one context to another.
constexpr std::uint16_t kJobStringItems[] = {
    rdmUserCode, rdmOwnerName, rdmJOBPassword, rdmUserID, rdmDocumentName, rdmTelNo, rdmTelLine, rdmStoredPassword,
};
constexpr std::uint16_t kAuthenticationItems[] = {
    wdmAuthenticationUserName,
    wdmAuthenticationNetworkKey,
    wdmAuthenticationPassword,
};

// The job strings kept across document start, with their limits in bytes
// (the terminator not counted).
struct KeptString {
    std::uint16_t item;
    std::size_t limit;
    bool authentication;
};
constexpr KeptString kKeptStrings[] = {
    {rdmUserID, 8, false},
    {rdmUserCode, 8, false},
    {rdmOwnerName, 16, false},
    {rdmDocumentName, 16, false},
    {rdmJOBPassword, 8, false},
    {rdmStoredPassword, 8, false},
    {rdmTelNo, 64, false},
    {wdmAuthenticationUserName, 128, true},
    {wdmAuthenticationPassword, 256, true},
    {wdmAuthenticationNetworkKey, 32, true},
};
constexpr std::size_t kKeptStringBytes = 257;

// Merge step of the stored settings: class 3 in mode 2.
constexpr std::int32_t kWorkClass = 3;
constexpr std::uint32_t kLoadModeSecond = 2;

constexpr std::uint32_t kCollateField = 0x8000;
constexpr std::uint32_t kFrontFuncRegionFit = 0x8;
constexpr std::uint32_t kFrontFuncModeFit = 0x20;
constexpr std::uint32_t kFirstRegionPaper = 1024;
constexpr std::uint32_t kLastRegionPaper = 1028;

void CopyItem(DriverContext* to, DriverContext* from, std::uint16_t id)
{
    SettingItemDescriptor* source = FindItem(from, id);
    if (!source) return;
    switch (ItemTypeCode(*source)) {
    case kValueRaw:
    case kValueAnsiText:
    case kValueWideText:
    case kValueAnsiText2:
    case kValueWideText2:
        if (const std::uint8_t* bytes = GetItemAddress(from, source)) SetItemBytes(to, id, bytes, ItemLength(*source));
        break;
    default:
        SetItemValue(to, id, ReadItemValue(from, source));
        break;
    }
}

struct KeptJobStrings {
    char text[std::size(kKeptStrings)][kKeptStringBytes];
    std::uint32_t telLine;
};

// A text longer than its limit (one that fills its field without a
// terminator) is not kept: its copy stays empty.
void KeepJobStrings(DriverContext* context, bool authentication, KeptJobStrings* kept)
{
    std::memset(kept, 0, sizeof *kept);
    for (std::size_t i = 0; i < std::size(kKeptStrings); ++i) {
        const KeptString& row = kKeptStrings[i];
        if (row.authentication && !authentication) continue;
        const SettingItemDescriptor* item = FindItem(context, row.item);
        const std::uint8_t* address = item ? GetItemAddress(context, item) : nullptr;
        if (address == nullptr) continue;
        const std::size_t field = std::min<std::size_t>(ItemLength(*item), kKeptStringBytes);
        const std::size_t length = strnlen(reinterpret_cast<const char*>(address), field);
        if (length > row.limit || length >= field) continue;
        std::memcpy(kept->text[i], address, length);
    }
    kept->telLine = GetItemValue(context, rdmTelLine);
}

void PutBackJobStrings(DriverContext* context, const KeptJobStrings& kept)
{
    for (std::size_t i = 0; i < std::size(kKeptStrings); ++i) {
        if (kept.text[i][0] == 0) continue;
        SetItemBytes(context, kKeptStrings[i].item, kept.text[i], std::strlen(kept.text[i]) + 1);
    }
    SetItemValue(context, rdmTelLine, kept.telLine);
}

bool IsRegionOutputPaper(std::uint32_t paper)
{
    return paper >= kFirstRegionPaper && paper <= kLastRegionPaper;
}

// Duplex off, or of a duplex type 1 to 3.
bool IsDuplexScalable(DriverContext* context)
{
    if (GetItemValue(context, rdmFuncSelectDuplex) == 0) return true;
    const std::uint32_t type = GetItemValue(context, rdmDuplexType);
    return type >= 1 && type <= 3;
}

void RecordPaperFit(DriverContext* context, int at)
{
    std::uint32_t* record = context->workArea->paperFitRecord + at;
    record[0] = 1;
    record[1] = GetItemValue(context, rdmOutPaperSize);
    record[2] = GetItemValue(context, rdmFuncSelectScale);
    record[3] = GetItemValue(context, rdmScaleType);
}

void UseRegionStandardPaper(DriverContext* context)
{
    const std::uint16_t paper = GetRegionStandardPaper(context);
    SetItemValue(context, rdmOutPaperSize, paper);
    SetOutputPaper(paper, rdmOutPaperSize, context, nullptr);
}

void AdjustSort(DriverContext* context)
{
    const auto* devmode = reinterpret_cast<const DEVMODEW*>(GetStoreBytes(context));
    if (devmode == nullptr) return;
    if ((devmode->dmFields & kCollateField) == 0) {
        SetItemValue(context, rdmFuncSelectSort, 0);
    } else if (devmode->dmCollate == 1) {
        SetItemValue(context, rdmFuncSelectSort, 1);
    }
}

void AdjustRegionFit(DriverContext* context)
{
    if ((GetItemValue(context, rdmFrontFunc) & kFrontFuncRegionFit) == 0) return;
    if (!IsRegionOutputPaper(GetItemValue(context, rdmOutPaperSize))) return;
    std::uint32_t* record = context->workArea->paperFitRecord + kRegionFitRecord;
    if (!NeedsRegionPaperFit(context)) {
        record[0] = 0;
        return;
    }
    RecordPaperFit(context, kRegionFitRecord);
    UseRegionStandardPaper(context);
    if (GetItemValue(context, rdmFuncSelectNup) == 0 && IsDuplexScalable(context)) {
        SetItemValue(context, rdmFuncSelectScale, 1);
        SetItemValue(context, rdmScaleType, 2);
    }
}

void AdjustModeFit(DriverContext* context)
{
    if ((GetItemValue(context, rdmFrontFunc) & kFrontFuncModeFit) == 0) return;
    if (!IsRegionOutputPaper(GetItemValue(context, rdmOutPaperSize))) return;
    std::uint32_t* record = context->workArea->paperFitRecord + kModeFitRecord;
    if (NeedsRegionPaperFit(context)) {
        record[0] = 0;
        return;
    }
    RecordPaperFit(context, kModeFitRecord);
    if (!IsPaperInModeList(context, GetItemValue(context, dmPaperSize))) return;
    UseRegionStandardPaper(context);
    const bool scaledOtherwise =
        GetItemValue(context, rdmFuncSelectScale) != 0 && GetItemValue(context, rdmScaleType) != 2;
    if (GetItemValue(context, rdmFuncSelectNup) == 0 && IsDuplexScalable(context) && !scaledOtherwise) {
        SetItemValue(context, rdmFuncSelectScale, 1);
        SetItemValue(context, rdmScaleType, 1);
    }
}

}  // namespace

int ReadJobInfoAtStartDoc(DriverContext* context, const DEVMODEW* devmodeCopy, std::uint32_t flags, HANDLE printer,
                          DWORD jobId)
{
    if (context == nullptr || context->workArea == nullptr) return 1;
    const bool authentication = IsFeatureClassOn(context, kFeatureAuthJobValues, 0);
    KeptJobStrings kept;
    KeepJobStrings(context, authentication, &kept);

    context->workArea->callerKind = kCallerStartDoc;
    LoadItemsOfClass(context->printer, context, kAllAreas, 0);
    LoadItemsOfClass(context->printer, context, kWorkClass, kLoadModeSecond);
    if (IsBidiIniFlagSet(context)) LoadBidiIniSettings(context);
    MergeDevmodeSettings(context, devmodeCopy, flags);
    AdjustOutputPaperFit(context);
    graphics::UpdateDeviceInfoFlag(context);
    PutBackJobStrings(context, kept);

    ReadJobControlValuesIfEnabled(context, printer, jobId);
    SetItemValue(context, rdmFunc2SelectPreviewFlag, 1);
    return 1;
}

void AdjustOutputPaperFit(DriverContext* context)
{
    if (context == nullptr || context->workArea == nullptr) return;
    AdjustSort(context);
    AdjustRegionFit(context);
    AdjustModeFit(context);
    NotifySettingsModules(context, kModuleEventPaperFitAdjusted, nullptr);
}

void CopyJobStrings(DriverContext* to, DriverContext* from)
{
    for (std::uint16_t id : kJobStringItems) CopyItem(to, from, id);
    if (IsFeatureClassOn(from, kFeatureAuthJobValues, 0)) {
        for (std::uint16_t id : kAuthenticationItems) CopyItem(to, from, id);
    }
}

void StoreOptionTexts(graphics::JobCommandState* table, const void* block, std::size_t blockBytes)
{
    if (table == nullptr || block == nullptr) return;
    const auto* bytes = static_cast<const std::uint8_t*>(block);
    const std::size_t entries = blockBytes / kOptionTextEntryBytes;
    for (std::size_t row = 0; row < graphics::kOptionTextRows && row < entries; ++row) {
        graphics::OptionTextRow& target = table->optionTexts[row];
        if (target.optionId == 0) break;
        const std::uint8_t* text = bytes + row * kOptionTextEntryBytes + kOptionTextEntryTextOffset;
        for (int i = 0; i < graphics::kOptionTextChars; ++i)
            target.text[i] = static_cast<WCHAR>(text[2 * i] | (text[2 * i + 1] << 8));
        target.text[graphics::kOptionTextChars - 1] = 0;
    }
}

}  // namespace vexl
