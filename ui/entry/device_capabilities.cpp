// The device capabilities of the printer.
#include "ui/entry/device_capabilities.h"

#include "common/core/caller_devmode.h"
#include "common/core/devmode_public.h"
#include "common/core/items.h"
#include "common/core/le.h"
#include "common/core/memory.h"
#include "common/core/modeldb.h"
#include "common/core/printer.h"
#include "common/core/store.h"
#include "common/model/capabilities.h"
#include "common/model/pjl_options.h"
#include "common/storage/devmode_settings_merge.h"
#include "common/storage/directories.h"
#include "common/storage/ini_lists.h"
#include "common/storage/resources.h"
#include "platform/inifile.h"
#include "platform/spooler.h"
#include "platform/text.h"
#include "ui/base/printer_values.h"
#include "ui/base/ui_context.h"
#include "ui/install/upgrade_check.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace vexl::ui {
namespace {

constexpr std::uint16_t kFirstIndex = DC_FIELDS;
constexpr std::uint16_t kLastIndex = DC_NUP;
constexpr std::uint16_t kPaperItem = dmPaperSize;
constexpr int kTrayCount = 32;
constexpr std::uint16_t kFirstCustomPaper = 384;
constexpr std::uint16_t kLastCustomPaper = 393;

// Lock bits of "rdmLock000InfoBit" and "rdmLock001InfoBit".
constexpr std::uint8_t kLockRestrictNup = 0x08;
constexpr std::uint8_t kLockLiftNupRestriction = 0x10;
constexpr std::uint8_t kLockDuplexForced = 0x20;
constexpr std::uint8_t kLockColor = 0x01;

struct NupRow {
    std::uint32_t condition;
    std::uint32_t pages;
};
constexpr NupRow kNupRows[] = {{0, 1}, {1, 2}, {2, 4}, {3, 9}, {4, 16}};

const ModelRecord* Model()
{
    return GetModelDatabase()->modelRecord;
}

DWORD Answer(std::int32_t value)
{
    return static_cast<DWORD>(value);
}

DWORD AnswerDuplex(HANDLE printer)
{
    WCHAR name[] = u"Duplex";
    BYTE bytes[4] = {};
    DWORD type = 0;
    DWORD needed = 0;
    if (GetPrinterDataW(printer, name, &type, bytes, sizeof bytes, &needed) != ERROR_SUCCESS)
        return kCapabilityUnsupported;
    if (ReadLe32(bytes) != 0) return 1;
    std::uint8_t locks = 0;
    ReadLockBits(printer, &locks, kLockBitsDefaultItem);
    return (locks & kLockDuplexForced) ? 1 : 0;
}

DWORD AnswerColorDevice(HANDLE printer)
{
    std::vector<std::uint8_t> block(GetDevmodeSize());
    auto* stored = reinterpret_cast<DEVMODEW*>(block.data());
    if (!ReadStoredDevmode(printer, stored)) return kCapabilityUnsupported;
    std::uint8_t locks = 0;
    ReadLockBits(printer, &locks, kLockBitsColorItem);
    return IsColorAllowed(locks, stored);
}

// With the n-up restriction the pages of the stored N-up kind's rows; the
// count is what was written (never more than the size pass announced).
DWORD AnswerNup(HANDLE printer, void* out)
{
    std::uint8_t locks = 0;
    ReadLockBits(printer, &locks, kLockBitsDefaultItem);
    auto* values = static_cast<DWORD*>(out);
    if (!(locks & kLockRestrictNup) || (locks & kLockLiftNupRestriction)) {
        if (values != nullptr) {
            for (std::size_t i = 0; i < std::size(kNupRows); ++i) values[i] = kNupRows[i].pages;
        }
        return static_cast<DWORD>(std::size(kNupRows));
    }
    constexpr DWORD kRestrictedCount = 2;
    if (values == nullptr) return kRestrictedCount;
    std::vector<std::uint8_t> block(GetDevmodeSize());
    if (!ReadStoredDevmode(printer, reinterpret_cast<DEVMODEW*>(block.data()))) return 0;
    const std::uint32_t kind = block[ItemStoreOffset(rdmNUPPOSTKind)];
    DWORD written = 0;
    for (const NupRow& row : kNupRows) {
        if (written < kRestrictedCount && (row.condition == 0 || row.condition == kind)) values[written++] = row.pages;
    }
    return written;
}

// The papers the printer's trays hold, each once, with the names of their
// options (custom sizes by their slots' names).
DWORD AnswerMediaReady(DriverContext* context, void* out)
{
    struct ReadyPaper {
        std::uint16_t paper;
        std::uint32_t option;
    };
    std::vector<ReadyPaper> papers;
    for (int tray = 0; tray < kTrayCount; ++tray) {
        const std::uint16_t field = static_cast<std::uint16_t>(rdmTrayField0 + tray);
        const std::uint16_t paperItem = static_cast<std::uint16_t>(rdmTray1Paper + tray);
        const auto paper = static_cast<std::uint16_t>(GetItemValue(context, paperItem));
        if (GetItemValue(context, field) == 0 || paper == 0) continue;
        if (std::any_of(papers.begin(), papers.end(), [&](const ReadyPaper& p) { return p.paper == paper; })) continue;
        papers.push_back({paper, GetItemOption(context, paperItem)});
    }
    if (auto* names = static_cast<WCHAR*>(out)) {
        LoadAllFreeSizeSlotsOnce(context);
        for (std::size_t i = 0; i < papers.size(); ++i) {
            WCHAR* slot = names + i * CCH_PAPERNAME;
            std::memset(slot, 0, CCH_PAPERNAME * sizeof(WCHAR));
            const std::uint16_t paper = papers[i].paper;
            if (paper >= kFirstCustomPaper && paper <= kLastCustomPaper) {
                const int row = GetSlotForPaperId(paper, context);
                if (row >= 0 && row < kPaperTableRows) {
                    const char* name = context->workArea->paperTable[row].displayName;
                    MultiByteToWideChar(CP_ACP, 0, name, static_cast<int>(strnlen(name, 64)), slot, CCH_PAPERNAME - 1);
                }
            } else {
                LoadUiString(context, papers[i].option, slot, CCH_PAPERNAME, FALSE);
            }
            slot[CCH_PAPERNAME - 1] = 0;
        }
    }
    return static_cast<DWORD>(papers.size());
}

DWORD AnswerWithContext(DriverContext* context, std::uint16_t index, void* out)
{
    switch (index) {
    case DC_FIELDS:
        return GetDevmodeFields(reinterpret_cast<const DEVMODEW*>(GetStoreBytes(context)));
    case DC_PAPERS:
        return Answer(ListPaperIds(context, static_cast<std::uint16_t*>(out), kPaperItem));
    case DC_PAPERSIZE:
        return Answer(ListPaperSizes(context, static_cast<POINT*>(out), kPaperItem));
    case DC_BINS:
        return Answer(ListTrayIds(context, static_cast<std::uint16_t*>(out), 0));
    case DC_BINNAMES:
        return Answer(ListTrayNames(context, static_cast<WCHAR*>(out), CCH_BINNAME, 0));
    case DC_ENUMRESOLUTIONS:
        return Answer(ListResolutions(context, static_cast<std::int32_t*>(out), kResolutionPairs));
    case DC_TRUETYPE:
        return (GetItemValue(context, rdmFrontFunc) & 1) ? (DCTT_BITMAP | DCTT_SUBDEV) : DCTT_BITMAP;
    case DC_PAPERNAMES:
        return Answer(ListPaperNames(context, static_cast<WCHAR*>(out), CCH_PAPERNAME, kPaperItem));
    case DC_COLLATE:
        return IsCollateSelectable(context) ? 1 : 0;
    case DC_MEDIAREADY:
        return AnswerMediaReady(context, out);
    case DC_STAPLE: {
        // At least one staple type is allowed now.
        std::int32_t count = 0;
        return ListAllowedItemValuesEx(context, rdmStapleType, 0, nullptr, &count, TRUE) == 1 ? 1 : 0;
    }
    default:
        return kCapabilityUnsupported;
    }
}

bool IsMergedRoad(std::uint16_t index)
{
    return index != DC_TRUETYPE && index != DC_DATATYPE_PRODUCED;
}

}  // namespace

DWORD QueryCapabilityWithContext(HANDLE printer, PWSTR, std::uint16_t index, void* out, const DEVMODEW* in)
{
    auto* info = static_cast<PRINTER_INFO_2W*>(GetPrinterInfo(printer, 2));
    DWORD answer = kCapabilityUnsupported;
    if (CheckPrinterUpgradeEx(printer, 0, info) == 1) {
        ContextHolder context(CreateDriverContextWithInfo(printer, printer, nullptr, kCallerDeviceCapabilities, info),
                              kReleaseToCapabilitiesCache);
        if (context && (!IsMergedRoad(index) || MergeDevmodeSettings(context.get(), in, kMergeDeviceCapabilities))) {
            answer = AnswerWithContext(context.get(), index, out);
        }
    }
    FreeIfNotNull(info);
    return answer;
}

DWORD QueryDeviceCapability(HANDLE printer, PWSTR device, std::uint16_t index, void* out, const DEVMODEW* in)
{
    if (index < kFirstIndex || index > kLastIndex) return kCapabilityUnsupported;
    switch (index) {
    case DC_MINEXTENT:
    case DC_MAXEXTENT:
        return GetPaperExtentPacked(GetModelDatabase(), static_cast<POINTS*>(out), index);
    case DC_DUPLEX:
        return AnswerDuplex(printer);
    case DC_SIZE:
        return GetPublicDevmodeSize();
    case DC_EXTRA:
        return GetDevmodeSize() - GetPublicDevmodeSize();
    case DC_VERSION:
        return Model()->specVersion;
    case DC_DRIVER:
        return Model()->driverVersion;
    case DC_FILEDEPENDENCIES:
        return 0;
    case DC_ORIENTATION:
        return GetLandscapeAngle(GetModelDatabase());
    case DC_COPIES:
        return Model()->maxCopies;
    case DC_BINADJUST:
    case DC_EMF_COMPLIANT:
    case DC_DATATYPE_PRODUCED:
        QueryCapabilityWithContext(printer, device, index, out, in);
        return kCapabilityUnsupported;
    case DC_MANUFACTURER:
    case DC_MODEL:
    case DC_PRINTERMEM:
        return kCapabilityUnsupported;
    case DC_PERSONALITY:
        if (auto* slot = static_cast<WCHAR*>(out)) {
            std::memset(slot, 0, CCH_PERSONALITY * sizeof(WCHAR));
            lstrcpynW(slot, u"VEXL", CCH_PERSONALITY);
        }
        return 1;
    case DC_PRINTRATE:
    case DC_PRINTRATEPPM:
        return static_cast<DWORD>(ReadPagesPerMinute(printer));
    case DC_PRINTRATEUNIT:
        return PRINTRATEUNIT_PPM;
    case DC_COLORDEVICE:
        return AnswerColorDevice(printer);
    case DC_NUP:
        return AnswerNup(printer, out);
    default:
        return QueryCapabilityWithContext(printer, device, index, out, in);
    }
}

BOOL ReadStoredDevmode(HANDLE printer, DEVMODEW* block)
{
    if (block == nullptr) return FALSE;
    std::memset(block, 0, GetDevmodeSize());
    auto* info = static_cast<PRINTER_INFO_2W*>(GetPrinterInfo(printer, 2));
    if (info == nullptr || info->pDevMode == nullptr) {
        FreeIfNotNull(info);
        return FALSE;
    }
    // The stored record laid out as the store's: its public part from the
    // start, its driver part behind the store's public part, each as far as
    // the stored one declares it.
    const CallerDevmode stored(info->pDevMode);
    auto* bytes = reinterpret_cast<std::uint8_t*>(block);
    std::memcpy(bytes, stored.Devmode(), std::min<std::size_t>(stored.PublicSize(), GetPublicDevmodeSize()));
    if (const std::uint8_t* driverPart = stored.DriverPart())
        std::memcpy(bytes + GetPublicDevmodeSize(), driverPart,
                    std::min<std::size_t>(stored.DriverExtra(), GetPrivateDevmodeSize()));
    FreeIfNotNull(info);
    return TRUE;
}

int ReadPagesPerMinute(HANDLE printer)
{
    auto* info = static_cast<PRINTER_INFO_2W*>(GetPrinterInfo(printer, 2));
    WCHAR driver[MAX_PATH] = {};
    const WCHAR* name = info && info->pDriverName ? info->pDriverName : Model()->driverNameFallback;
    lstrcpynW(driver, name ? name : u"", MAX_PATH);
    FreeIfNotNull(info);
    const WCHAR* iniName = Model()->modelIniName ? Model()->modelIniName : u"";
    WCHAR path[MAX_PATH] = {};
    if (iniName[0] != 0 && iniName[1] == u':')
        lstrcpynW(path, iniName, MAX_PATH);
    else if (BuildDriverDirPath(path, MAX_PATH, iniName, printer) == nullptr || path[0] == 0)
        return 0;
    return static_cast<int>(GetPrivateProfileIntW(driver, u"PPM", 0, path));
}

BOOL IsColorAllowed(std::uint32_t lockBits, const DEVMODEW* devmode)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(devmode);
    if ((bytes[ItemStoreOffset(rdmMachineTypeColor)] & 1) == 0) return 0;
    const auto color = static_cast<SHORT>(GetDevmodeField16(devmode, offsetof(DEVMODEW, dmColor)));
    if ((lockBits & kLockColor) && color == DMCOLOR_MONOCHROME) return 0;
    return 1;
}

}  // namespace vexl::ui
