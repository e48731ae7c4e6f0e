// The set and verify handlers of the statuses that do more than write a
// value: the preset file (1), the paper sizes (7, 8), the job information
// (10), the interface's own watermark (16), the watermark selection (17) and
// the driver information selectors (50). Every handler reads the caller's
// structure through its own copy and never writes into it; it checks every
// field before it writes anything, so that a refused write has stored
// nothing outside the settings the engine puts back.
#include "api/status_writes_complex.h"

#include "api/descriptors.h"
#include "api/devmode_delivery.h"
#include "api/frame.h"
#include "api/item_helpers.h"
#include "api/job_control.h"
#include "api/option_tests.h"
#include "api/status_writes.h"
#include "api/validators.h"
#include "api/versions.h"
#include "common/core/appservices.h"
#include "common/core/file_names.h"
#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/core/osinfo.h"
#include "common/core/paper_sync.h"
#include "common/core/printer_facts.h"
#include "common/core/settings_modules.h"
#include "common/core/store.h"
#include "common/core/units.h"
#include "common/storage/directories.h"
#include "common/storage/ini_lists.h"
#include "common/storage/job_control.h"
#include "common/storage/persistence.h"
#include "common/storage/settings_files.h"
#include "platform/devmode.h"
#include "platform/spooler.h"
#include "platform/text.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace vexl::api {

namespace {

constexpr std::uint32_t kCustomPaper = 256;
constexpr std::uint32_t kOutputCustomPaper = 448;
constexpr std::uint32_t kOutputSameAsSource = 1024;
constexpr std::uint32_t kFreeSizeDevmodeLimit = 32760;
constexpr std::uint32_t kInterfaceStampSlot = 256;

// ---- small services ----------------------------------------------------------------------

std::u16string Widen(const std::string& text)
{
    if (text.empty()) return {};
    std::u16string wide(text.size() + 1, u'\0');
    const int written =
        MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    wide.resize(written > 0 ? static_cast<std::size_t>(written - 1) : 0);
    return wide;
}

bool IsDigitText(const std::string& text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Empty, or from minimum to maximum digits.
bool IsOptionalPin(const std::string& text, std::size_t minimum, std::size_t maximum)
{
    return text.empty() || (text.size() >= minimum && text.size() <= maximum && IsDigitText(text));
}

void WriteText(DriverContext* instance, std::uint16_t item, const std::string& text)
{
    SetItemBytes(instance, item, text.c_str(), text.size() + 1);
}

void WriteWideText(DriverContext* instance, std::uint16_t item, const std::string& text)
{
    const std::u16string wide = Widen(text);
    if (SettingItemDescriptor* d = FindItem(instance, item)) SetItemString(instance, d, wide.c_str());
}

// The text of an 8-bit text item, up to its terminator or its length.
std::string ReadText(DriverContext* instance, std::uint16_t item)
{
    SettingItemDescriptor* d = FindItem(instance, item);
    const std::uint8_t* at = d ? GetItemAddress(instance, d) : nullptr;
    if (at == nullptr) return {};
    const char* text = reinterpret_cast<const char*>(at);
    return std::string(text, strnlen(text, ItemLength(*d)));
}

HANDLE PrinterOf(DriverContext* instance)
{
    return instance->printer;
}

const WCHAR* SettingsIniPath(DriverContext* instance)
{
    return GetSettingsIniPath(instance);
}

void StoreNow(DriverContext* instance, std::uint16_t item)
{
    if (SettingItemDescriptor* d = FindItem(instance, item))
        StoreItem(PrinterOf(instance), instance, d, SettingsIniPath(instance));
}

void SetDevmodeFieldBits(DriverContext* instance, std::uint32_t add, std::uint32_t remove)
{
    SetItemValue(instance, dmFields, (GetItemValue(instance, dmFields) | add) & ~remove);
}

bool AdminLocksApply(DriverContext* instance)
{
    return IsFeatureClassOn(instance, kFeatureAdminLocks, 0) != 0 && IsAnyLockSet(instance) != 0;
}

void SetCurrentChapterSlot(DriverContext* instance, std::uint32_t slot)
{
    if (instance->workArea != nullptr && instance->workArea->apiRecord != nullptr)
        instance->workArea->apiRecord->chapterIndex = slot;
}

// ---- status 1: preset file ---------------------------------------------------------------

}  // namespace

int SetPresetFile(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    const std::uint32_t method = GetItemValue(instance, rdmPrnMethod);
    if (method == 3 || method == 5 || method == 7) return -1;
    const StatusText path = in.Text(4, 260);
    if (!path.terminated || path.text.empty()) return RefuseWrite(instance, kApiErrorBadFile);
    const std::u16string widePath = Widen(path.text);
    if (!IsAbsolutePath(widePath.c_str()) || !FileExists(widePath.c_str()))
        return RefuseWrite(instance, kApiErrorBadFile);
    if (AdminLocksApply(instance) &&
        !CheckFileAgainstLocks(instance, widePath.c_str(), GetPrinterSectionName(instance), 0))
        return -1;

    SetCurrentChapterSlot(instance, 1);
    LoadSettingsFile(PrinterOf(instance), widePath.c_str(), 0, instance);
    // A refused file header loaded nothing: nothing goes out to the plug-in
    // or the stored settings then.
    if (GetSettingsFileError(instance) == 1) return RefuseWrite(instance, kApiErrorPresetLoad);
    if (GetItemValue(instance, rdmFuncSelectMargin) == 0) ResetMarginItems(instance);
    LoadJobControlValues(instance, 1);
    for (std::uint32_t slot : {2u, 4u, 8u, 16u, 128u, 2048u}) StoreJobControlValue(instance, slot);
    StoreRegularItems(PrinterOf(instance), instance);
    return 1;
}

namespace {

// ---- status 7: paper size ----------------------------------------------------------------

// A custom size as it is stored: the width never above the length.
struct CustomSize {
    std::uint32_t width;
    std::uint32_t length;
};

CustomSize NormalizedCustomSize(const StatusInput& in)
{
    const std::uint32_t width = in.U32(8);
    const std::uint32_t length = in.U32(12);
    return width > length ? CustomSize{length, width} : CustomSize{width, length};
}

bool IsBeyondDevmodeRange(const CustomSize& size)
{
    return size.width > kFreeSizeDevmodeLimit || size.length > kFreeSizeDevmodeLimit;
}

}  // namespace

int SetPaperSize(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    const std::uint32_t v = GetWrittenVersion(id, input);
    if (!PassesMinimumApi(id, v)) return -1;
    const std::uint32_t paper = in.U32(4);
    if (!IsValueAccepted(instance, dmPaperSize, paper)) return -1;
    if (AdminLocksApply(instance) && AlertNamesMessage(instance, dmPaperSize, 10205, paper, 1)) return -1;
    const bool custom = paper == kCustomPaper;
    const CustomSize size = NormalizedCustomSize(in);
    if (custom) {
        if (!IsCustomSizeInRange(instance, size.width, size.length)) return -1;
        if (v >= 2 && !IsValueAccepted(instance, rdmPaperFreeSizeOrient, in.U32(16))) return -1;
    }

    if (!custom) {
        SetItemValue(instance, dmPaperSize, paper);
        SetDevmodeFieldBits(instance, DM_PAPERSIZE, DM_PAPERLENGTH | DM_PAPERWIDTH);
        UpdateDependentSettings(instance, 1);
        return 1;
    }
    struct Kept {
        std::uint32_t paper, width, length, fields, shortOver, freeWidth, freeLength;
    };
    const Kept kept{GetItemValue(instance, dmPaperSize),
                    GetItemValue(instance, dmPaperWidth),
                    GetItemValue(instance, dmPaperLength),
                    GetItemValue(instance, dmFields),
                    GetItemValue(instance, rdmFuncSelectFreeShortOver),
                    GetItemValue(instance, rdmPaperFreeSizeWidth),
                    GetItemValue(instance, rdmPaperFreeSizeLength)};
    SetItemValue(instance, dmPaperSize, paper);
    const bool beyond = IsBeyondDevmodeRange(size);
    SetItemValue(instance, rdmFuncSelectFreeShortOver, beyond ? 1 : 0);
    if (beyond) {
        SetItemValue(instance, dmPaperWidth, 0);
        SetItemValue(instance, dmPaperLength, 0);
        SetDevmodeFieldBits(instance, DM_PAPERSIZE, DM_PAPERLENGTH | DM_PAPERWIDTH);
    } else {
        SetItemValue(instance, dmPaperWidth, size.width);
        SetItemValue(instance, dmPaperLength, size.length);
        SetDevmodeFieldBits(instance, DM_PAPERLENGTH | DM_PAPERWIDTH, DM_PAPERSIZE);
    }
    // The structure gives 0.1 mm whatever unit the pages display.
    SetItemValue(instance, rdmPaperFreeSizeWidth, TenthMmAsDots(size.width));
    SetItemValue(instance, rdmPaperFreeSizeLength, TenthMmAsDots(size.length));
    if (IsPaperCombinationRefused(instance)) {
        SetItemValue(instance, dmPaperSize, kept.paper);
        SetItemValue(instance, dmPaperWidth, kept.width);
        SetItemValue(instance, dmPaperLength, kept.length);
        SetItemValue(instance, dmFields, kept.fields);
        SetItemValue(instance, rdmFuncSelectFreeShortOver, kept.shortOver);
        SetItemValue(instance, rdmPaperFreeSizeWidth, kept.freeWidth);
        SetItemValue(instance, rdmPaperFreeSizeLength, kept.freeLength);
        return RefuseWrite(instance, kApiErrorCombinationRefused);
    }
    if (v >= 2) SetItemValue(instance, rdmPaperFreeSizeOrient, in.U32(16));
    UpdateDependentSettings(instance, 1);
    return 1;
}

int VerifyPaperSize(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    const std::uint32_t v = GetWrittenVersion(id, input);
    if (GetItemValue(instance, dmPaperSize) != in.U32(4)) return -1;
    if (in.U32(4) != kCustomPaper) return 1;
    const CustomSize size = NormalizedCustomSize(in);
    if (GetItemValue(instance, rdmFuncSelectFreeShortOver) == 0) {
        if (GetItemValue(instance, dmPaperWidth) != size.width || GetItemValue(instance, dmPaperLength) != size.length)
            return -1;
        if (GetItemValue(instance, rdmPaperFreeSizeWidth) != TenthMmAsDots(size.width) ||
            GetItemValue(instance, rdmPaperFreeSizeLength) != TenthMmAsDots(size.length))
            return -1;
    }
    if (v >= 2 && GetItemValue(instance, rdmPaperFreeSizeOrient) != in.U32(16)) return -1;
    return 1;
}

namespace {

// ---- status 8: output paper size ----------------------------------------------------------

}  // namespace

int SetOutputPaper(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    const std::uint32_t v = GetWrittenVersion(id, input);
    if (!PassesMinimumApi(id, v)) return -1;
    const std::uint32_t paper = in.U32(4);
    if (!IsValueAccepted(instance, rdmOutPaperSize, paper)) return -1;
    if (paper != kOutputSameAsSource && !IsValueStrictlyAccepted(instance, rdmOutPaperSize, paper)) return -1;
    const bool custom = paper == kOutputCustomPaper;
    const std::uint32_t width = TenthMmAsDots(in.U32(8));
    const std::uint32_t length = TenthMmAsDots(in.U32(12));
    if (custom) {
        if (v < 2) return -1;
        if (!IsValueStrictlyAccepted(instance, rdmPrintFreeSizeWidth, width) ||
            !IsValueStrictlyAccepted(instance, rdmPrintFreeSizeLength, length))
            return -1;
        if (v >= 3 && !IsValueAccepted(instance, rdmPrintFreeSizeOrient, in.U32(16))) return -1;
    }
    const std::uint32_t keptPaper = GetItemValue(instance, rdmOutPaperSize);
    const std::uint32_t keptWidth = GetItemValue(instance, rdmPrintFreeSizeWidth);
    const std::uint32_t keptLength = GetItemValue(instance, rdmPrintFreeSizeLength);
    SetItemValue(instance, rdmOutPaperSize, paper);
    if (custom) {
        SetItemValue(instance, rdmPrintFreeSizeWidth, width);
        SetItemValue(instance, rdmPrintFreeSizeLength, length);
    }
    if (IsPaperCombinationRefused(instance)) {
        SetItemValue(instance, rdmOutPaperSize, keptPaper);
        SetItemValue(instance, rdmPrintFreeSizeWidth, keptWidth);
        SetItemValue(instance, rdmPrintFreeSizeLength, keptLength);
        return RefuseWrite(instance, kApiErrorCombinationRefused);
    }
    if (custom && v >= 3) SetItemValue(instance, rdmPrintFreeSizeOrient, in.U32(16));
    UpdateDependentSettings(instance, 1);
    return 1;
}

int VerifyOutputPaper(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    const std::uint32_t v = GetWrittenVersion(id, input);
    if (GetItemValue(instance, rdmOutPaperSize) != in.U32(4)) return -1;
    if (in.U32(4) != kOutputCustomPaper || v < 2) return 1;
    // The sizes asked are converted the way they were written, so the test
    // is exact whatever the rounding of the display unit.
    if (GetItemValue(instance, rdmPrintFreeSizeWidth) != TenthMmAsDots(in.U32(8)) ||
        GetItemValue(instance, rdmPrintFreeSizeLength) != TenthMmAsDots(in.U32(12)))
        return -1;
    if (v >= 3 && GetItemValue(instance, rdmPrintFreeSizeOrient) != in.U32(16)) return -1;
    return 1;
}

namespace {

// ---- status 10: job information ----------------------------------------------------------

// Field mask bits of the job information.
enum JobInfoMask : std::uint32_t {
    kJobUserId = 0x1,
    kJobPassword4 = 0x2,
    kJobStoredPassword4 = 0x4,
    kJobOwner = 0x8,
    kJobDocument = 0x10,
    kJobMergeFile = 0x20,
    kJobOverlay = 0x40,
    kJobPassword8 = 0x80,
    kJobStoredPassword8 = 0x100,
    kJobDocumentM8 = 0x200,
    kJobDocumentM9 = 0x400,
    kJobStoredPasswordM9 = 0x800,
    kJobDocumentM10 = 0x1000,
    kJobStoredPasswordM10 = 0x2000,
    kJobSharedData = 0x4000,
};

// Job-control value slots (mask bits of the plug-in bridge).
constexpr std::uint32_t kSlotOwner = 2;
constexpr std::uint32_t kSlotPassword = 4;
constexpr std::uint32_t kSlotUserId = 8;
constexpr std::uint32_t kSlotDocument = 16;
constexpr std::uint32_t kSlotStoredPassword = 128;

// The texts of a job-information structure; a field without terminator
// makes the whole structure unusable.
struct JobInfoTexts {
    StatusText userId, password4, storedPassword4, owner, document, mergeFile, overlay, password8, storedPassword8;
    bool AllTerminated() const
    {
        for (const StatusText* t : {&userId, &password4, &storedPassword4, &owner, &document, &mergeFile, &overlay,
                                    &password8, &storedPassword8})
            if (!t->terminated) return false;
        return true;
    }
};

JobInfoTexts ReadJobInfoTexts(const StatusInput& in, std::uint32_t v)
{
    JobInfoTexts t{in.Text(12, 9),
                   in.Text(21, 5),
                   in.Text(26, 5),
                   in.Text(31, 17),
                   in.Text(48, 17),
                   in.Text(65, 65),
                   in.Text(130, 260),
                   {},
                   {}};
    if (v >= 2) {
        t.password8 = in.Text(390, 9);
        t.storedPassword8 = in.Text(399, 9);
    } else {
        t.password8.terminated = t.storedPassword8.terminated = true;
    }
    return t;
}

std::uint32_t MaskForVersion(std::uint32_t mask, std::uint32_t v)
{
    if (v <= 1) return mask & 0x7F;
    if (v == 2) return mask & 0x1FF;
    return mask;
}

bool HasUserIdStored(DriverContext* instance)
{
    LoadJobControlValues(instance, kSlotUserId);
    return !ReadText(instance, rdmUserID).empty();
}

bool IsPaperFreeSize(DriverContext* instance)
{
    const std::uint32_t output = GetItemValue(instance, rdmOutPaperSize);
    if (output != kOutputSameAsSource) return IsFreeSizePaper(output) != 0;
    return IsFreeSizePaper(GetItemValue(instance, dmPaperSize)) != 0 || IsFreeSizePaper(output) != 0;
}

// The overlay path in the form the printer keeps: the short form on
// Windows 9x, the full form otherwise. Empty when it cannot be formed.
std::string ConvertOverlayPath(const std::string& path)
{
    if (IsWin9x()) {
        const std::u16string wide = Widen(path);
        WCHAR shortPath[kProbePathCapacity] = {};
        if (!ProbeOutputPathShort(wide.c_str(), shortPath)) return {};
        char ansi[kProbePathCapacity] = {};
        if (WideCharToMultiByte(CP_ACP, 0, shortPath, -1, ansi, sizeof ansi, nullptr, nullptr) <= 0) return {};
        return ansi;
    }
    char full[kProbePathCapacity] = {};
    if (!ProbeOutputPath(path.c_str(), full)) return {};
    return std::string(full, strnlen(full, sizeof full));
}

// The checks of one print method; answers the code to refuse with (-1 for
// the engine's own), 0 when the fields pass. overlay gets the converted path.
int CheckJobInfoFields(DriverContext* instance, const StatusInput& in, std::uint32_t method, std::uint32_t mask,
                       std::uint32_t passwordLength, const JobInfoTexts& t, std::string& overlay)
{
    const bool hasUser = (mask & kJobUserId) != 0;
    const std::string& u = t.userId.text;
    switch (method) {
    case 0:
        if (hasUser && !u.empty() && !IsAsciiAlphanumeric(u.c_str())) return -1;
        return 0;
    case 1:
    case 2:
        if (hasUser ? (u.empty() || !IsAsciiAlphanumeric(u.c_str())) : !HasUserIdStored(instance)) return -1;
        if (method == 2) return 0;
        if ((mask & kJobPassword4) != 0) return t.password4.text.size() == 4 && IsDigitText(t.password4.text) ? 0 : -1;
        if ((mask & kJobPassword8) != 0) {
            const std::string& p = t.password8.text;
            if (p.size() < 4 || p.size() > 8 || !IsDigitText(p)) return -1;
            return passwordLength == 4 && p.size() > 4 ? -1 : 0;
        }
        LoadJobControlValues(instance, kSlotPassword);
        return ReadText(instance, rdmJOBPassword).size() > 3 ? 0 : -1;
    case 3:
        if (hasUser && !u.empty() && !IsAsciiAlphanumeric(u.c_str())) return -1;
        if ((mask & kJobStoredPassword4) != 0 && !IsOptionalPin(t.storedPassword4.text, 4, 4)) return -1;
        if ((mask & kJobStoredPassword8) != 0) {
            if (!IsOptionalPin(t.storedPassword8.text, 4, 8)) return -1;
            if (passwordLength == 4 && t.storedPassword8.text.size() > 4) return -1;
        }
        if ((mask & kJobOwner) != 0 && ContainsAnsiChar(t.owner.text.c_str(), '"')) return -1;
        if ((mask & kJobDocument) != 0 && ContainsAnsiChar(t.document.text.c_str(), '"')) return -1;
        return 0;
    case 5:
        if ((mask & kJobMergeFile) != 0 && !IsValidFileNameText(t.mergeFile.text.c_str())) return -1;
        return 0;
    case 7:
        if (GetItemValue(instance, rdmFuncSelectWaterMark) != 0) return -1;
        if ((mask & kJobOverlay) == 0) return ReadText(instance, wdmOvlPath).empty() ? -1 : 0;
        if (t.overlay.text.empty() || !IsOverlayFilePath(t.overlay.text.c_str())) return -1;
        overlay = ConvertOverlayPath(t.overlay.text);
        return overlay.empty() ? -1 : 0;
    case 8:
    case 9:
    case 10: {
        if (hasUser) {
            if (u.empty()) return -1;
            if (!IsAsciiAlphanumeric(u.c_str())) return kApiErrorBadCharacter;
        } else if (!HasUserIdStored(instance)) {
            return -1;
        }
        const std::uint32_t documentBit = method == 8 ? kJobDocumentM8 : method == 9 ? kJobDocumentM9 : kJobDocumentM10;
        if ((mask & documentBit) != 0 && ContainsAnsiChar(t.document.text.c_str(), '"')) return kApiErrorBadCharacter;
        if (method == 8) return 0;
        const std::uint32_t storedBit = method == 9 ? kJobStoredPasswordM9 : kJobStoredPasswordM10;
        if ((mask & storedBit) != 0) {
            const std::string& p = t.storedPassword8.text;
            if (!p.empty() && (p.size() < 4 || p.size() > 8)) return -1;
            if (!IsDigitText(p)) return kApiErrorBadCharacter;
        }
        if ((mask & kJobSharedData) != 0 &&
            IsItemAvailable(instance, rdmSharedPrnData, 0, kAvailableTestUnavailable | kAvailableTestRestricted) &&
            !IsValueAccepted(instance, rdmSharedPrnData, in.U32(480)))
            return -1;
        return 0;
    }
    default:
        return -1;
    }
}

void WriteJobText(DriverContext* instance, std::uint16_t item, const StatusText& text, std::uint32_t slot)
{
    WriteText(instance, item, text.text);
    if (slot != 0) StoreJobControlValue(instance, slot);
}

void WriteJobInfoFields(DriverContext* instance, const StatusInput& in, std::uint32_t method, std::uint32_t mask,
                        const JobInfoTexts& t, const std::string& overlay)
{
    auto has = [mask](std::uint32_t bit) { return (mask & bit) != 0; };
    if (has(kJobUserId) && (method <= 3 || method >= 8)) WriteJobText(instance, rdmUserID, t.userId, kSlotUserId);
    switch (method) {
    case 1:
        if (has(kJobPassword4)) WriteJobText(instance, rdmJOBPassword, t.password4, kSlotPassword);
        if (has(kJobPassword8)) WriteJobText(instance, rdmJOBPassword, t.password8, kSlotPassword);
        break;
    case 3:
        if (has(kJobStoredPassword4)) WriteJobText(instance, rdmStoredPassword, t.storedPassword4, kSlotStoredPassword);
        if (has(kJobOwner)) WriteJobText(instance, rdmOwnerName, t.owner, kSlotOwner);
        if (has(kJobDocument)) WriteJobText(instance, rdmDocumentName, t.document, kSlotDocument);
        if (has(kJobStoredPassword8)) WriteJobText(instance, rdmStoredPassword, t.storedPassword8, kSlotStoredPassword);
        break;
    case 5:
        if (has(kJobMergeFile)) WriteJobText(instance, rdmMergeFileName, t.mergeFile, 0);
        break;
    case 7:
        if (has(kJobOverlay)) {
            WriteText(instance, wdmOvlPath, overlay);
            StoreNow(instance, wdmOvlPath);
        }
        break;
    case 8:
        if (has(kJobDocumentM8)) WriteJobText(instance, rdmDocumentName, t.document, 0);
        break;
    case 9:
    case 10: {
        const bool nine = method == 9;
        if (has(nine ? kJobDocumentM9 : kJobDocumentM10)) WriteJobText(instance, rdmDocumentName, t.document, 0);
        // The stored password of these methods is checked and written from
        // the same 8-character field.
        if (has(nine ? kJobStoredPasswordM9 : kJobStoredPasswordM10))
            WriteJobText(instance, rdmStoredPassword, t.storedPassword8, 0);
        if (has(kJobSharedData) &&
            IsItemAvailable(instance, rdmSharedPrnData, 0, kAvailableTestUnavailable | kAvailableTestRestricted)) {
            SetItemValue(instance, rdmSharedPrnData, in.U32(480));
            StoreNow(instance, rdmSharedPrnData);
        }
        break;
    }
    default:
        break;
    }
}

}  // namespace

int SetJobInformation(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    const std::uint32_t v = GetWrittenVersion(id, input);
    if (!PassesMinimumApi(id, v)) return -1;
    const std::int32_t answer = AskCapability(instance, 83);
    const std::uint32_t passwordLength = answer != -1 && answer != 0 ? static_cast<std::uint32_t>(answer) : 4;
    if (passwordLength == 8 && v == 1) return -1;
    const std::uint32_t method = in.U32(4);
    if (!IsValueAccepted(instance, rdmPrnMethod, method)) return -1;
    if (method == 3 && IsPaperFreeSize(instance) && AlertNamesMessage(instance, rdmPrnMethod, 10075, 3, 1)) return -1;
    const std::uint32_t mask = MaskForVersion(in.U32(8), v);
    const JobInfoTexts texts = ReadJobInfoTexts(in, v);
    if (!texts.AllTerminated()) return RefuseWrite(instance, kApiErrorBadCharacter);
    std::string overlay;
    if (const int code = CheckJobInfoFields(instance, in, method, mask, passwordLength, texts, overlay); code != 0)
        return code > 0 ? RefuseWrite(instance, code) : -1;

    SetItemValue(instance, rdmPrnMethod, method);
    StoreNow(instance, rdmPrnMethod);
    WriteJobInfoFields(instance, in, method, mask, texts, overlay);
    return 1;
}

int VerifyJobInformation(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    return GetItemValue(instance, rdmPrnMethod) == in.U32(4) ? 1 : -1;
}

namespace {

// ---- status 16: the interface's own watermark ----------------------------------------------

constexpr std::uint32_t kWmText = 1;
constexpr std::uint32_t kWmImage = 2;
constexpr std::uint32_t kWmOverlay = 3;
constexpr std::uint32_t kWmSecure = 128;

struct WatermarkFields {
    std::uint32_t kind, posi, opaque, page, style, effect, color, density, size, angle;
    StatusText text, font, image;
    std::uint32_t linePitch, textPattern, tilePattern, tileColor, tileDensity, tileMask, tileRotate, secretPattern;
    std::uint32_t twoPlane, order;
};

WatermarkFields ReadWatermarkFields(const StatusInput& in)
{
    WatermarkFields f{};
    f.kind = in.U32(4);
    f.posi = in.U32(8);
    f.opaque = in.U32(12);
    f.page = in.U32(16);
    f.style = in.U32(20);
    f.effect = in.U32(24);
    f.color = in.U32(28);
    f.density = in.U32(32);
    f.size = in.U32(36);
    f.angle = in.U32(40);
    f.text = in.Text(44, 33);
    f.font = in.Text(77, 32);
    f.image = in.Text(109, 260);
    f.linePitch = in.U32(372);
    f.textPattern = in.U32(376);
    f.tilePattern = in.U32(380);
    f.tileColor = in.U32(384);
    f.tileDensity = in.U32(388);
    f.tileMask = in.U32(392);
    f.tileRotate = in.U32(396);
    f.secretPattern = in.U32(400);
    f.twoPlane = in.U32(412);
    f.order = in.U32(416);
    return f;
}

// A watermark field value: in the item's value list when it has one, else
// accepted by the model's entry when there is one; a field that neither
// the tables nor the model constrain takes any value.
bool IsWatermarkValueAllowed(DriverContext* instance, std::uint16_t item, std::uint32_t value)
{
    if (FindItemValueList(item) != nullptr) return IsItemValueAllowed(item, value) != 0;
    if (FindItemUiEntry(item, instance) != 0) return IsValueAccepted(instance, item, value) != 0;
    return true;
}

// Text stamps: kind 1, and kind 128 when it carries a text.
bool IsTextKind(const WatermarkFields& f)
{
    return f.kind == kWmText || (f.kind == kWmSecure && !f.text.text.empty());
}

// Whether two-plane printing is offered for the kind (capability 77 lists
// 1 for text and 2 for image stamps). -1 when the list cannot be had.
int OffersTwoPlane(DriverContext* instance, std::uint32_t kind)
{
    const std::int32_t count = AskCapability(instance, 77);
    if (count <= 0) return 0;
    return CapabilityListHolds(instance, 77, kind) ? 1 : 0;
}

// The checks of a watermark; the code to refuse with, -1 for the engine's,
// 0 when it passes. Any check that reads a field reads it from the copy.
int CheckWatermark(DriverContext* instance, const WatermarkFields& f, std::uint32_t v, bool twoPlane, bool orderOffered)
{
    const bool text = IsTextKind(f);
    if ((f.kind == kWmText || f.kind == kWmImage || text) && !IsWatermarkValueAllowed(instance, wdmWmPosi, f.posi))
        return -1;
    if ((f.kind <= kWmOverlay || text) && f.opaque > 1) return -1;
    if (f.page > 1) return -1;
    if (!f.text.terminated || !f.font.terminated || !f.image.terminated) return kApiErrorBadCharacter;
    if (text) {
        if (!IsWatermarkValueAllowed(instance, wdmWmFontStyle, f.style) ||
            !IsWatermarkValueAllowed(instance, wdmWmEffect, f.effect))
            return -1;
        if (f.kind == kWmText && !(v >= 3 && twoPlane) && !IsWatermarkValueAllowed(instance, wdmWmColor, f.color))
            return -1;
        if (f.kind == kWmSecure && f.color != 0 && f.color != 4 && f.color != 5) return -1;
        if (f.density > 100) return -1;
        if (f.size <= 5 || f.size >= 1000) return -1;
        if (f.angle >= 360) return -1;
        if (f.kind == kWmText && f.text.text.empty()) return -1;
        if (f.font.text.empty() || !IsFontInstalled(instance, f.font.text.c_str())) return kApiErrorFontMissing;
        if (f.posi != 0 && f.posi != 64 && f.angle != 0) return -1;
    }
    if (f.kind == kWmImage && (f.size < 30 || f.size >= 1000)) return -1;
    if (f.kind == kWmImage || f.kind == kWmOverlay) {
        if (f.image.text.empty() || !IsUsableFileOfType(instance, f.kind, f.image.text.c_str()))
            return kApiErrorBadFile;
    }
    if (f.kind == kWmSecure) {
        if (f.image.text.size() > 32) return -1;
        if (!f.text.text.empty()) {
            if (f.linePitch >= 1000) return -1;
            if (!IsWatermarkValueAllowed(instance, wdmWmTextPattern, f.textPattern) ||
                !IsWatermarkValueAllowed(instance, wdmWmTilePattern, f.tilePattern) ||
                !IsWatermarkValueAllowed(instance, wdmWmTileColor, f.tileColor) ||
                !IsWatermarkValueAllowed(instance, wdmWmTileMask, f.tileMask))
                return -1;
            if (f.tileDensity > 100) return -1;
        }
        if (!IsWatermarkValueAllowed(instance, wdmWmSecretPattern, f.secretPattern)) return -1;
    }
    if (v >= 3 && (f.kind == kWmText || f.kind == kWmImage)) {
        if (twoPlane && f.twoPlane > 1) return -1;
        if (orderOffered && f.order > 1) return -1;
    }
    return 0;
}

void WriteWatermarkColor(DriverContext* instance, std::uint16_t item, std::uint16_t red, std::uint32_t code)
{
    SetItemValue(instance, item, code);
    const WatermarkColor* row = FindWatermarkColor(code);
    SetItemValue(instance, red, row ? row->red : 0);
    SetItemValue(instance, static_cast<std::uint16_t>(red + 1), row ? row->green : 0);
    SetItemValue(instance, static_cast<std::uint16_t>(red + 2), row ? row->blue : 0);
}

void WriteWatermark(DriverContext* instance, const WatermarkFields& f, std::uint32_t v, bool twoPlane,
                    bool orderOffered)
{
    const bool text = IsTextKind(f);
    SetItemValue(instance, rdmWmKind, f.kind);
    if (text) SetItemValue(instance, wdmWmUnit, 0);
    if (f.kind == kWmText || f.kind == kWmImage || text) SetItemValue(instance, wdmWmPosi, f.posi);
    SetItemValue(instance, wdmWmOpaque, f.opaque);
    SetItemValue(instance, wdmWmPage, f.page);
    SetItemValue(instance, wdmWmStartPage, 1);
    SetItemValue(instance, wdmWmEndPage, 1);
    if (text) {
        SetItemValue(instance, wdmWmFontStyle, f.style);
        SetItemValue(instance, wdmWmEffect, f.effect);
        // Text stamps printed in two planes take colour 0.
        const std::uint32_t color = f.kind == kWmText && v >= 3 && twoPlane ? 0 : f.color;
        WriteWatermarkColor(instance, wdmWmColor, wdmWmColorR, color);
        SetItemValue(instance, wdmWmDensity, f.density);
        SetItemValue(instance, wdmWmFontPoint, f.size);
        SetItemValue(instance, wdmWmAngle, f.angle);
        WriteWideText(instance, wdmWmChar, f.text.text);
        WriteText(instance, wdmWmFontName, f.font.text);
    }
    if (f.kind == kWmImage) SetItemValue(instance, wdmWmFontScale, f.size);
    if (f.kind == kWmImage || f.kind == kWmOverlay || f.kind == kWmSecure)
        WriteText(instance, wdmWmImage, f.image.text);
    if (f.kind == kWmSecure) {
        if (!f.text.text.empty()) {
            SetItemValue(instance, wdmWmLinePitch, f.linePitch);
            SetItemValue(instance, wdmWmTextPattern, f.textPattern);
            SetItemValue(instance, wdmWmTilePattern, f.tilePattern);
            WriteWatermarkColor(instance, wdmWmTileColor, wdmWmTileColorR, f.tileColor);
            SetItemValue(instance, wdmWmTileDensity, f.tileDensity);
            SetItemValue(instance, wdmWmTileMask, f.tileMask);
            SetItemValue(instance, wdmWmTileRotate, 2 * (f.tileRotate & 1));
        }
        WriteWideText(instance, wdmWmChar, f.text.text);
        SetItemValue(instance, wdmWmSecretPattern, f.secretPattern);
    }
    if (v >= 3 && (f.kind == kWmText || f.kind == kWmImage)) {
        if (twoPlane) SetItemValue(instance, wdmWMPrinterStamp2PlanePrint, f.twoPlane);
        if (orderOffered) SetItemValue(instance, wdmWMFuncSelectOrder, f.order);
    }
}

}  // namespace

int SetWatermark(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    const std::uint32_t v = GetWrittenVersion(id, input);
    if (!PassesMinimumApi(id, v)) return -1;
    const WatermarkFields f = ReadWatermarkFields(in);
    if (!IsItemValueAllowed(rdmWmKind, f.kind)) return -1;
    if (f.kind == kWmSecure &&
        (GetApiVersionInForce() < 3 || v < 2 || !HasApiOption(instance, kApiOptionWatermarkKind128)))
        return -1;
    if (f.kind == kWmText && f.text.text.empty()) return -1;
    bool twoPlane = false;
    if (v >= 3 && (f.kind == kWmText || f.kind == kWmImage)) {
        const int offered = OffersTwoPlane(instance, f.kind);
        if (offered < 0) return RefuseWrite(instance, kApiErrorFailure);
        twoPlane = offered == 1;
    }
    const bool orderOffered = CapabilityAnswers(instance, 78) != 0;

    // The texts of the current stamp are emptied outside the snapshot, so
    // they stay empty after the write.
    SetItemBytes(instance, wdmWmChar, nullptr, 0);
    SetItemBytes(instance, wdmWmImage, nullptr, 0);
    if (const int code = CheckWatermark(instance, f, v, twoPlane, orderOffered); code != 0)
        return code > 0 ? RefuseWrite(instance, code) : -1;

    PushSettingsSnapshot(instance);
    WriteWatermark(instance, f, v, twoPlane, orderOffered);
    SaveStampSlot(instance, static_cast<int>(kInterfaceStampSlot));
    PopSettingsSnapshot(instance, TRUE);
    return 1;
}

namespace {

// ---- status 17: watermark selection --------------------------------------------------------

}  // namespace

int SetWatermarkSelection(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    if (SwitchOffIfAsked(instance, in, rdmFuncSelectWaterMark)) return 1;
    const std::uint32_t value = in.U32(4);
    if (value == kInterfaceStampSlot) {
        if (!IsCurrentStampStored(instance)) return -1;
        SetItemValue(instance, rdmWmID, kInterfaceStampSlot);
    } else {
        if (value == 0 || !CapabilityListHolds(instance, 32, value)) return -1;
        SetItemValue(instance, rdmWmID, value - 1);
    }
    SetItemValue(instance, rdmFuncSelectWaterMark, in.U32(28));
    return 1;
}

namespace {

// ---- status 50: driver information ----------------------------------------------------------

constexpr std::uint32_t kSelectorUserCode = 246;
constexpr std::uint32_t kSelectorStampCopy = 247;
constexpr std::uint32_t kSelectorJobBinder = 254;
constexpr std::uint32_t kSelectorSequenceMark = 256;
constexpr std::int16_t kInitialSettingsPage = kPageDialogInit;
constexpr std::int16_t kUserCodeButton = 2570;       // KSD_IDC_INIT_BUTTON_USERCODE

// On Windows 9x the private header repeats the job-binder word (+4) at +12.
void CopyWin9xSecondSignature(DriverContext* instance)
{
    std::uint8_t* privatePart = GetPrivateDevmode(instance);
    if (privatePart != nullptr) std::memmove(privatePart + 12, privatePart + 4, 4);
}

// The API version from which a selector is written; 0 for selectors that
// are not written.
std::uint32_t SelectorMinimumApi(std::uint32_t selector)
{
    if (selector == kSelectorUserCode) return 13;
    if (selector >= kSelectorStampCopy && selector <= kSelectorJobBinder) return 12;
    if (selector == kSelectorSequenceMark) return 10;
    return 0;
}

int WriteUserCode(DriverContext* instance, const StatusInput& in)
{
    if (!IsControlOptionAllowed(instance, kInitialSettingsPage, kUserCodeButton, 3)) return -1;
    if (!IsWin9x() && !IsUserAdministrator()) return RefuseWrite(instance, kApiErrorNeedsAdministrator);
    const StatusText code = in.Text(40, 260);
    if (!code.terminated) return RefuseWrite(instance, kApiErrorBadCharacter);
    if (code.text.empty()) return -1;
    if (code.text.size() > 8 || !IsDigitText(code.text)) return RefuseWrite(instance, kApiErrorBadCharacter);
    WriteText(instance, rdmUserCode, code.text);
    // The plug-in keeps a user code of its own for the printer when it
    // answers value 1 (18 bytes): the code then goes to the printer data.
    WCHAR pluginCode[9] = {};
    if (ReadJobControlValueForPrinter(PrinterOf(instance), 1, 1, pluginCode)) {
        std::u16string wide = Widen(code.text);
        WCHAR name[] = u"JCUserCode";
        SetPrinterDataW(PrinterOf(instance), name, REG_SZ, reinterpret_cast<LPBYTE>(wide.data()),
                        static_cast<DWORD>((wide.size() + 1) * sizeof(WCHAR)));
    } else {
        StoreJobControlValue(instance, 1);
    }
    return 1;
}

int CopyStampToInterfaceSlot(DriverContext* instance, const StatusInput& in)
{
    const std::uint32_t number = in.U32(24);
    if (number == 0 || number == kInterfaceStampSlot || !CapabilityListHolds(instance, 32, number)) return -1;
    SetItemBytes(instance, wdmWmChar, nullptr, 0);
    SetItemBytes(instance, wdmWmImage, nullptr, 0);
    PushSettingsSnapshot(instance);
    LoadStampSlot(instance, static_cast<int>(number - 1));
    SaveStampSlot(instance, static_cast<int>(kInterfaceStampSlot));
    PopSettingsSnapshot(instance, TRUE);
    return 1;
}

}  // namespace

int SetDriverInformation(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    const std::uint32_t selector = in.U32(4);
    const std::uint32_t minimum = SelectorMinimumApi(selector);
    if (minimum == 0 || static_cast<std::uint32_t>(GetApiVersionInForce()) < minimum) return 1;
    switch (selector) {
    case kSelectorUserCode:
        return WriteUserCode(instance, in);
    case kSelectorStampCopy:
        return CopyStampToInterfaceSlot(instance, in);
    case kSelectorJobBinder:
        if (!IsValueAccepted(instance, rdmJobBinder, in.U32(24))) return -1;
        SetItemValue(instance, rdmJobBinder, in.U32(24));
        if (IsWin9x()) CopyWin9xSecondSignature(instance);
        return 1;
    case kSelectorSequenceMark: {
        const StatusText mark = in.Text(40, 260);
        WriteText(instance, rdmSeqmark, mark.text.substr(0, 20));
        return 1;
    }
    default:
        return RefuseWrite(instance, kApiErrorSelectorRetired);
    }
}

int VerifyDriverInformation(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    if (in.U32(4) != kSelectorJobBinder || GetApiVersionInForce() < 12) return 1;
    return GetItemValue(instance, rdmJobBinder) == in.U32(24) ? 1 : -1;
}

}  // namespace vexl::api
