// The job-ticket block of the private DEVMODE.
#include "ui/base/job_ticket.h"

#include "common/core/devmode_merge.h"
#include "common/core/devmode_public.h"
#include "common/core/items.h"
#include "common/core/memory.h"
#include "common/core/modeldb.h"
#include "common/core/paper_sync.h"
#include "common/core/store.h"
#include "common/model/capabilities.h"
#include "common/model/compiled_model.h"
#include "common/model/constraints.h"
#include "common/model/pjl_options.h"
#include "common/model/ui_lookup.h"
#include "common/storage/bidi_config.h"
#include "common/storage/persistence.h"

#include <cstring>
#include <optional>
#include <vector>

namespace vexl::ui {
namespace {

constexpr std::uint16_t kNone = 0xFFFF;
constexpr std::uint32_t kInvalid = 0xFFFFFFFF;  // -1: the validation decides
constexpr char kTicketMark[8] = {'R', 'C', 'O', 'M', 'M', 'O', 'N', 0};

// The ticket items in change-mask order.
constexpr std::uint16_t kTicketItems[] = {
    rdmJobBinder,     rdmDstResolutionW,   rdmOutPaperSize,   rdmOutputTrayID,    rdmFuncSelectScale,
    rdmFuncSelectNup, rdmFuncSelectDuplex, rdmFuncSelectSort, rdmFuncSelectPunch, rdmFuncSelectStaple,
    rdmScaleType,     rdmScaleH,           rdmNUPPOSTKind,    rdmNUPType,         rdmDuplexType,
    rdmSortType,      rdmPunchType,        rdmStapleType,     rdmExtPrintArea,
};
static_assert(std::size(kTicketItems) == 19);

constexpr FinisherRow kEndRow = {kNone, 0, 0};
constexpr FinisherRow kFinisherRows[] = {
    {10049, kNone, 5},  {10050, kNone, 7},  {10058, 31, 32},    {10059, 33, 34},
    {10060, kNone, 36}, {10061, 37, 38},    {10074, 31, 32},    {10075, 31, 32},
    {10076, 31, 32},    {10077, 31, 32},    {10078, 6, 7},      {10079, 6, 7},
    {10080, 6, 7},      {10081, 6, 7},      {10082, 39, 40},    {10083, 42, 43},
    {10084, 44, 45},    {10086, 39, 40},    {10087, 39, 40},    {10088, 39, 40},
    {10089, 39, 40},    {10090, 42, 43},    {10091, 42, 43},    {10092, 42, 43},
    {10093, 42, 43},    {10094, 44, 45},    {10095, 44, 45},    {10096, 44, 45},
    {10097, 44, 45},    {10098, kNone, 33}, {10099, kNone, 33}, {10100, kNone, 33},
    {10101, kNone, 33}, {10102, kNone, 33}, {10103, kNone, 33}, kEndRow,
};

// Output paper sizes by ticket code (index code - 1); 0: no such code.
constexpr std::uint16_t kOutputPapers[18] = {8, 9, 11, 70, 12, 13, 88, 1, 5, 43, 6, 3, 267, 268, 66, 0, 0, 269};
// Staple types by ticket code (index code - 2).
constexpr std::uint16_t kStapleTypes[11] = {34, 33, 50, 49, 50, 49, 65, 67, 66, 50, 49};
// Scale presets 0x4001 to 0x4007.
constexpr std::uint16_t kScalePresets[7] = {67, 70, 75, 80, 88, 100, 115};

std::uint8_t* DevmodeBytes(DEVMODEW* devmode)
{
    return reinterpret_cast<std::uint8_t*>(devmode);
}

void CopyStoreInto(DriverContext* context, DEVMODEW* in)
{
    std::memcpy(in, GetStoreBytes(context), GetDevmodeSize());
}

// "on" and the type by code 2, 3, 4; 1 off; other codes on and -1.
std::uint32_t ApplySwitchedField(DriverContext* context, std::uint8_t code, std::uint16_t select, std::uint16_t type,
                                 const std::uint32_t (&types)[3])
{
    if (code == 0) return 0;
    if (code == 1) return SetTicketItem(context, select, 0);
    std::uint32_t mask = SetTicketItem(context, select, 1);
    const std::uint32_t value = code >= 2 && code <= 4 ? types[code - 2] : kInvalid;
    return mask | SetTicketItem(context, type, static_cast<std::int32_t>(value));
}

std::uint32_t OutputTrayOfCode(DriverContext* context, std::uint8_t code)
{
    switch (code) {
    case 1:
        return 0;
    case 2:
        return 2;
    case 3:
        return 13;
    case 4:
        return 4;
    case 14:
        return FindInstalledFinisher(context).mainTray;
    case 15:
        return FindInstalledFinisher(context).secondTray;
    case 16:
        return 14;
    case 17:
        return 1;
    default:
        return code >= 5 && code <= 13 ? code + 10u : kInvalid;
    }
}

// Applies the fields of the ticket to the store; the change mask.
std::uint32_t ApplyTicketFields(DriverContext* context, const std::uint8_t* ticket)
{
    std::uint32_t mask = SetTicketItem(context, rdmJobBinder, 0);
    mask |= ApplySwitchedField(context, ticket[2], rdmFuncSelectDuplex, rdmDuplexType, {1, 2, 3});
    mask |= ApplySwitchedField(context, ticket[3], rdmFuncSelectSort, rdmSortType, {1, 4, 6});
    SetItemValue(context, dmCollate, GetItemValue(context, rdmFuncSelectSort) ? 1 : 0);
    mask |= ApplySwitchedField(context, ticket[4], rdmFuncSelectPunch, rdmPunchType, {1, 2, 3});
    if (const std::uint8_t code = ticket[5]; code == 1) {
        mask |= SetTicketItem(context, rdmFuncSelectStaple, 0);
    } else if (code != 0) {
        mask |= SetTicketItem(context, rdmFuncSelectStaple, 1);
        const std::uint32_t type = code >= 2 && code <= 12 ? kStapleTypes[code - 2] : kInvalid;
        mask |= SetTicketItem(context, rdmStapleType, static_cast<std::int32_t>(type));
    }
    if (ticket[6] != 0)
        mask |=
            SetTicketItem(context, rdmOutputTrayID, static_cast<std::int32_t>(OutputTrayOfCode(context, ticket[6])));
    if (const std::uint8_t code = ticket[7]; code != 0) {
        const std::uint32_t dpi = code == 1 ? 400 : code == 2 ? 600 : code == 3 ? 1200 : kInvalid;
        mask |= SetTicketItem(context, rdmDstResolutionW, static_cast<std::int32_t>(dpi));
    }
    if (const std::uint8_t code = ticket[8]; code != 0)
        mask |= SetTicketItem(context, rdmExtPrintArea, code == 1 ? 0 : code == 2 ? 1 : -1);
    if (const std::uint16_t scale = static_cast<std::uint16_t>(ticket[10] | ticket[11] << 8); scale != 0) {
        mask |= SetTicketItem(context, rdmFuncSelectScale, 1);
        mask |= SetTicketItem(context, rdmScaleType, 1);
        const std::uint16_t percent = scale >= 0x4001 && scale <= 0x4007 ? kScalePresets[scale - 0x4001] : scale;
        mask |= SetTicketItem(context, rdmScaleH, percent);
    }
    if (const std::uint8_t code = ticket[12]; code == 1) {
        mask |= SetTicketItem(context, rdmFuncSelectNup, 0);
    } else if (code != 0) {
        mask |= SetTicketItem(context, rdmFuncSelectNup, 1);
        std::int32_t kind = -1;
        std::int32_t type = -1;
        switch (code) {
        case 2:
            kind = 1, type = GetItemValue(context, dmOrientation) == DMORIENT_PORTRAIT ? 1 : 3;
            break;
        case 3:
            kind = 1, type = 2;
            break;
        case 4:
            kind = 2, type = 33;
            break;
        case 5:
            kind = 2, type = 34;
            break;
        case 6:
            kind = 2, type = 37;
            break;
        case 7:
            kind = 2, type = 38;
            break;
        default:
            break;
        }
        mask |= SetTicketItem(context, rdmNUPPOSTKind, kind);
        mask |= SetTicketItem(context, rdmNUPType, type);
    }
    if (const std::uint8_t code = ticket[13]; code != 0) {
        const std::uint32_t paper = code <= 18 && kOutputPapers[code - 1] != 0 ? kOutputPapers[code - 1] : kInvalid;
        mask |= SetTicketItem(context, rdmOutPaperSize, static_cast<std::int32_t>(paper));
    }
    return mask;
}

// The values ListAllowedItemValues gives for the item; none when it fails.
std::optional<std::vector<std::uint32_t>> AllowedValues(DriverContext* context, std::uint16_t item)
{
    std::int32_t count = 0;
    if (ListAllowedItemValues(context, item, 0, nullptr, &count) < 0) return std::nullopt;
    std::vector<std::uint32_t> values(count > 0 ? count : 0);
    if (count > 0 && ListAllowedItemValues(context, item, count, values.data(), &count) != 0) return std::nullopt;
    return values;
}

// Bits of the values that the table places: value table[i] sets bit i.
template <std::size_t N> std::uint32_t BitsOf(const std::vector<std::uint32_t>& values, const std::uint16_t (&table)[N])
{
    std::uint32_t bits = 0;
    for (std::uint32_t value : values) {
        for (std::size_t i = 0; i < N; ++i) {
            if (table[i] != 0 && table[i] == value) bits |= 1u << i;
        }
    }
    return bits;
}

}  // namespace

void InitPrivateHeader(DriverContext* context)
{
    InitPrivateHeaderTexts(context);
    SetItemBytes(context, rdmRcomMark, kTicketMark, sizeof kTicketMark);
    SetItemValue(context, rdmRcomVersion, kTicketVersion);
}

BOOL ApplyJobTicket(DriverContext* context, DEVMODEW* in)
{
    if (context == nullptr || in == nullptr || GetStoreBytes(context) == nullptr) return FALSE;
    std::uint8_t ticket[kTicketBytes];
    std::memcpy(ticket, DevmodeBytes(in) + kTicketOffset, kTicketBytes);
    if (ticket[1] != 1) return TRUE;
    context->workArea->mergeFlags |= kMergeTicketApplied;
    switch (ticket[0]) {
    case 2:
        SetModelDefaults(context);
        CopyStoreInto(context, in);
        return TRUE;
    case 4:
        SetModelDefaults(context);
        LoadStoredItems(context->printer, 2, context);
        CopyStoreInto(context, in);
        [[fallthrough]];
    case 3:
        if (!QueryPrinterConfig(context, nullptr, 4)) return FALSE;
        CopyStoreInto(context, in);
        return TRUE;
    default:
        break;
    }
    const std::uint32_t storeSize = GetSettingsStoreSize();
    auto* saved = static_cast<std::uint8_t*>(AllocZeroed(storeSize));
    if (saved == nullptr) return FALSE;
    std::uint8_t* store = GetStoreBytes(context);
    std::memcpy(saved, store, storeSize);
    std::memcpy(store, in, GetDevmodeSize());
    SetStoreAreaOffsets(store);
    const std::uint32_t mask = ApplyTicketFields(context, ticket);
    RunTicketTransacts(context, mask);
    auto* devmode = reinterpret_cast<DEVMODEW*>(store);
    SyncPrintQualityFromResolution(devmode, context);
    SyncPublicDuplex(devmode, context);
    CopyStoreInto(context, in);
    std::memcpy(store, saved, storeSize);
    FreeIfNotNull(saved);
    return TRUE;
}

BOOL ApplyJobTicketToCopy(DriverContext* context, const DEVMODEW* caller, DEVMODEW* ticketed)
{
    if (context == nullptr || caller == nullptr || ticketed == nullptr) return FALSE;
    // Only the driver's own DEVMODE, whole, carries a ticket.
    const std::uint16_t size = GetDevmodeField16(caller, offsetof(DEVMODEW, dmSize));
    const std::uint16_t extra = GetDevmodeField16(caller, offsetof(DEVMODEW, dmDriverExtra));
    if (size != GetPublicDevmodeSize() || extra < GetPrivateDevmodeSize() || !IsDevmodeSameModel(caller)) return FALSE;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(caller);
    if (bytes[kTicketOffset + 1] != 1) return FALSE;
    std::memcpy(ticketed, caller, GetDevmodeSize());
    SetDevmodeField16(ticketed, offsetof(DEVMODEW, dmDriverExtra), static_cast<std::uint16_t>(GetPrivateDevmodeSize()));
    ApplyJobTicket(context, ticketed);
    return TRUE;
}

BOOL ComposeJobTicketCaps(DriverContext* context, std::uint8_t (&caps)[kTicketBytes])
{
    std::memset(caps, 0, sizeof caps);
    caps[1] = HasDuplexUnit(context) ? 7 : 0;
    const auto sorts = AllowedValues(context, rdmSortType);
    const auto punches = AllowedValues(context, rdmPunchType);
    const auto staples = AllowedValues(context, rdmStapleType);
    const auto papers = AllowedValues(context, rdmOutPaperSize);
    if (!sorts || !punches || !staples || !papers) return FALSE;
    caps[2] = static_cast<std::uint8_t>(BitsOf(*sorts, {1, 4, 6}));
    caps[3] = 3;
    caps[4] = static_cast<std::uint8_t>(BitsOf(*punches, {1, 2, 3}));
    caps[5] = static_cast<std::uint8_t>(BitsOf(*staples, {34, 33, 18, 17, 2, 1, 65, 67}));
    caps[6] = static_cast<std::uint8_t>(BitsOf(*staples, {66, 50, 49}));

    const int trayCount = ListAllowedOptionValues(context, nullptr, rdmOutputTrayID);
    std::vector<std::uint16_t> trays(trayCount > 0 ? trayCount : 0);
    if (trayCount > 0) ListAllowedOptionValues(context, trays.data(), rdmOutputTrayID);
    const FinisherRow finisher = FindInstalledFinisher(context);
    std::uint32_t trayBits = 0x2;  // the main output tray is always there
    for (std::uint16_t tray : trays) {
        if (tray == 0) trayBits |= 1u << 0;
        if (tray == 13) trayBits |= 1u << 2;
        if (tray == 4) trayBits |= 1u << 3;
        if (tray >= 15 && tray <= 23) trayBits |= 1u << (tray - 11);
        if (finisher.setting != kNone && tray == finisher.mainTray) trayBits |= 1u << 13;
        if (finisher.setting != kNone && finisher.secondTray != kNone && tray == finisher.secondTray)
            trayBits |= 1u << 14;
        if (tray == 14) trayBits |= 1u << 15;
    }
    caps[7] = static_cast<std::uint8_t>(trayBits);
    caps[8] = static_cast<std::uint8_t>(trayBits >> 8);

    const int resolutionCount = ListAllowedOptionValues(context, nullptr, rdmDstResolutionW);
    std::vector<std::uint16_t> resolutions(resolutionCount > 0 ? resolutionCount : 0);
    if (resolutionCount > 0) ListAllowedOptionValues(context, resolutions.data(), rdmDstResolutionW);
    for (std::uint16_t dpi : resolutions) {
        if (dpi == 400) caps[10] |= 1;
        if (dpi == 600) caps[10] |= 2;
        if (dpi == 1200) caps[10] |= 4;
    }
    caps[11] = 1;
    caps[12] = 63;
    const std::uint32_t paperBits = BitsOf(*papers, kOutputPapers);
    caps[13] = static_cast<std::uint8_t>(paperBits);
    caps[14] = static_cast<std::uint8_t>(paperBits >> 8);
    caps[15] = static_cast<std::uint8_t>(paperBits >> 16);
    caps[17] = 1;
    return TRUE;
}

BOOL BuildJobTicketCaps(DriverContext* context)
{
    std::uint8_t caps[kTicketBytes];
    if (!ComposeJobTicketCaps(context, caps)) return FALSE;
    SetItemBytes(context, rdmRcomCaps, caps, kTicketBytes);
    SetItemBytes(context, rdmRcomMember, nullptr, 0);
    return TRUE;
}

std::uint32_t SetTicketItem(DriverContext* context, std::uint16_t item, std::int32_t value)
{
    for (std::size_t bit = 0; bit < std::size(kTicketItems); ++bit) {
        if (kTicketItems[bit] != item) continue;
        SetItemValue(context, item, static_cast<std::uint32_t>(value));
        return 1u << bit;
    }
    return 0;
}

void RunTicketTransacts(DriverContext* context, std::uint32_t mask)
{
    for (std::size_t bit = 0; bit < std::size(kTicketItems); ++bit) {
        if (!(mask & (1u << bit))) continue;
        const model::BlockOffset entry = LookupUiEntry(kTicketItems[bit], context);
        if (entry != 0) RunUiTransacts(entry, context);
    }
}

int ListAllowedOptionValues(DriverContext* context, std::uint16_t* out, std::uint16_t item)
{
    const model::BlockOffset entry = LookupUiEntry(item, context);
    if (entry == 0) return -1;
    const model::UiEntryRecord record = ReadContextUiEntry(context, entry);
    if ((record.type & 0xFF) != 1) return -1;
    SettingItemDescriptor* descriptor = FindItem(context, item);
    int count = 0;
    for (model::BlockOffset option = record.options; option != 0;) {
        const model::UiOptionRecord read = model::ReadUiOption(context->compiledModel, option, record.type);
        if (!IsUiOptionUnavailable(entry, read.optionId, context)) {
            if (descriptor == nullptr) return -1;
            const std::uint32_t value = StoredValueFromOption(context, descriptor, read.optionId);
            if (out != nullptr) out[count] = static_cast<std::uint16_t>(value);
            ++count;
        }
        option = read.next;
    }
    return count;
}

FinisherRow FindInstalledFinisher(DriverContext* context)
{
    for (const FinisherRow& row : kFinisherRows) {
        if (row.setting == kNone) break;
        if (GetItemValue(context, row.setting) != 0) return row;
    }
    return kEndRow;
}

BOOL IsFinisherTray(std::uint16_t tray, char column)
{
    for (const FinisherRow& row : kFinisherRows) {
        if (row.setting == kNone) break;
        if ((column == ' ' ? row.mainTray : row.secondTray) == tray) return TRUE;
    }
    return FALSE;
}

}  // namespace vexl::ui
