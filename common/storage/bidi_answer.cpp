#include "common/storage/bidi_answer.h"

#include "common/core/items.h"
#include "common/core/module_events.h"
#include "common/core/settings_modules.h"
#include "common/core/store.h"
#include "common/core/switches.h"
#include "common/core/textconv.h"
#include "common/storage/bidi_config.h"
#include "common/storage/persistence.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <new>
#include <string>

namespace vexl {

namespace {

// Device tray codes in the order in which a default tray is preferred.
constexpr std::array<std::uint32_t, 19> kTrayPreference = {3,  4,  5,  6,  7,  8,  9,  11, 2,  1,
                                                           10, 12, 51, 52, 53, 54, 60, 61, 101};
constexpr std::uint32_t kFallbackTrayCode = 3;
// Paper and media values that stand for "none".
constexpr std::uint32_t kUnknownPaper = 2048;
constexpr std::uint32_t kUnknownPaperRotated = 2049;
constexpr std::uint32_t kNoMedia = 2048;
// Numbered lists of the items a full report replaces: source option types,
// output option types, tray presence and orientation.
constexpr std::uint16_t kReportedItemLists[] = {6, 7, 8};
// Memory types reported on the channel.
constexpr DWORD kMemoryTypeReported1 = 1;
constexpr DWORD kMemoryTypeReported2 = 2;
constexpr DWORD kNameBytes = 256;

bool IsEndRow(const DeviceOptionCode& row)
{
    return row.first == 0 && row.second == 0;
}

// The item or value of a tray code in the model's own map when it is
// filled, else in the default map.
std::uint32_t LookUpTrayCode(const DeviceOptionCode* modelMap, const DeviceOptionCode* defaultMap,
                             std::uint32_t trayCode)
{
    const DeviceOptionCode* map = modelMap && !IsEndRow(modelMap[0]) ? modelMap : defaultMap;
    for (const DeviceOptionCode* row = map; row && !IsEndRow(*row); ++row)
        if (row->first == trayCode) return row->second;
    return 0;
}

// The value of a device code in a {value, device code} map, or 0.
std::uint32_t LookUpDeviceCode(const DeviceOptionCode* map, std::uint32_t deviceCode, bool* found)
{
    for (const DeviceOptionCode* row = map; row && !IsEndRow(*row); ++row) {
        if (row->second == deviceCode) {
            *found = true;
            return row->first;
        }
    }
    *found = false;
    return 0;
}

BOOL ReadAnswer(DWORD needed, BidiAnswer* out, DWORD minBytes, const auto& read)
{
    out->bytes.clear();
    out->entries = 0;
    if (needed == 0) return TRUE;
    if (needed > kMaxBidiAnswerBytes) return FALSE;
    try {
        out->bytes.assign(std::max(needed, minBytes), 0);
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
    const LONG entries = read(out->bytes.data(), static_cast<DWORD>(out->bytes.size()));
    if (entries < 0) {
        out->bytes.clear();
        return TRUE;
    }
    out->entries =
        std::min<std::uint32_t>(static_cast<std::uint32_t>(entries), static_cast<std::uint32_t>(out->bytes.size() / 4));
    return TRUE;
}

// The text of an answer up to its first NUL or its end.
std::string AnswerText(const BidiAnswer& answer, std::size_t from = 0)
{
    if (from >= answer.bytes.size()) return {};
    const auto* begin = reinterpret_cast<const char*>(answer.bytes.data()) + from;
    const std::size_t length = strnlen(begin, answer.bytes.size() - from);
    return std::string(begin, length);
}

// Puts 8-bit text into a text item; the item's own length cuts it.
void SetItemAnswerText(DriverContext* context, std::uint16_t id, const std::string& text)
{
    SettingItemDescriptor* item = FindItem(context, id);
    if (item == nullptr) return;
    std::u16string wide(text.size() + 1, u'\0');
    AnsiToWide(wide.data(), text.c_str(), static_cast<int>(wide.size()));
    SetItemString(context, item, wide.c_str());
}

DWORD ItemLengthOf(DriverContext* context, std::uint16_t id)
{
    const SettingItemDescriptor* item = FindItem(context, id);
    return item ? ItemLength(*item) : 0;
}

// One reported tray with its details, when they were asked for.
struct TrayReport {
    std::vector<std::uint32_t> coverTrays;
    std::vector<std::uint32_t> markTrays;
    std::vector<std::uint32_t> reverseCoverTrays;
    std::uint32_t chapterMasks[3] = {};
    std::uint32_t capabilities = 0;
};

void UpdateCapabilities(TrayReport* report)
{
    std::uint32_t bits = 0;
    if (!report->coverTrays.empty()) bits |= kBidiFuncCover;
    if (!report->markTrays.empty()) bits |= kBidiFuncMark;
    for (int kind = 0; kind < 3; ++kind)
        if (report->chapterMasks[kind] != 0) bits |= kBidiFuncChapter1 << kind;
    if (!report->reverseCoverTrays.empty()) bits |= kBidiFuncReverseCover;
    report->capabilities = bits;
}

void ApplyTrayPaper(DriverContext* context, std::uint32_t trayCode, std::uint32_t deviceCode)
{
    std::uint32_t rotated = 0;
    std::uint32_t paper = MapDevicePaperCode(deviceCode, &rotated);
    SettingItemDescriptor* paperItem = FindItem(context, MapTrayCodeToPaperItem(trayCode));
    SettingItemDescriptor* orientItem = FindItem(context, MapTrayCodeToOrientItem(trayCode));
    if (paperItem && !HasOptionForValue(context, paperItem, paper)) paper = 0;
    if (paperItem) WriteItemValue(context, paperItem, paper);
    if (orientItem) WriteItemValue(context, orientItem, rotated);
}

void ApplyTrayMedia(DriverContext* context, std::uint32_t trayCode, std::uint32_t deviceCode)
{
    std::uint32_t media = MapDeviceMediaCode(deviceCode);
    if (!HasOptionForValue(context, FindItem(context, rdmMediaType), media)) media = 0;
    if (media == 0 && !IsBuildFeatureOn(kFeatureMediaZeroKept)) media = 1;
    if (SettingItemDescriptor* item = FindItem(context, MapTrayCodeToMediaItem(trayCode)))
        WriteItemValue(context, item, media);
}

void ApplyTrayFlags(DriverContext* context, std::uint32_t trayCode, std::uint32_t flags, TrayReport* report)
{
    const std::uint16_t lockId = MapTrayCodeToLockItem(trayCode);
    if (lockId != 0) SetItemValue(context, lockId, flags & kTrayFlagLocked);
    for (std::uint32_t kind = 1; kind <= 3; ++kind) {
        if (lockId != 0 && TrayServesChapterKind(context, kind, flags))
            report->chapterMasks[kind - 1] |= 1u << ((lockId - rdmTrayLock0) & 31);
    }
    const std::uint32_t source = MapTrayCodeToSourceValue(trayCode);
    const struct {
        std::uint32_t bit;
        std::uint16_t item;
        std::vector<std::uint32_t>* list;
    } defaults[] = {
        {kTrayFlagCover, rdmCoverDefTray, &report->coverTrays},
        {kTrayFlagMark, rdmMPDefTray, &report->markTrays},
        {kTrayFlagReverseCover, rdmReverseCoverDefTray, &report->reverseCoverTrays},
    };
    for (const auto& entry : defaults) {
        if (!(flags & entry.bit)) continue;
        SetItemValue(context, entry.item, source);
        entry.list->push_back(trayCode);
    }
    UpdateCapabilities(report);
    if (TrayServesChapterKind(context, 0, flags)) {
        std::uint8_t used = static_cast<std::uint8_t>(report->capabilities);
        ChapterDefaultTrayRecord record{flags, source, &used};
        NotifySettingsModules(context, kModuleEventChapterDefaultTray, &record);
        report->capabilities |= used;
    }
}

void ApplyTrayDefaults(DriverContext* context, const TrayReport& report)
{
    SetItemValue(context, rdmCoverDefTray, MapTrayCodeToSourceValue(PickPreferredTray(report.coverTrays)));
    SetItemValue(context, rdmMPDefTray, MapTrayCodeToSourceValue(PickPreferredTray(report.markTrays)));
    SetItemValue(context, rdmReverseCoverDefTray,
                 MapTrayCodeToSourceValue(PickPreferredTray(report.reverseCoverTrays)));
    for (int kind = 0; kind < 3; ++kind)
        SetItemValue(context, static_cast<std::uint16_t>(rdmTrayChapterSep1 + kind), report.chapterMasks[kind]);
    SetBidiFuncBits(context, static_cast<std::uint8_t>(report.capabilities));
}

void ClearReportedItems(DriverContext* context)
{
    for (std::uint16_t index : kReportedItemLists) {
        const ValueList* list = GetNumberedValueList(index);
        for (std::uint32_t i = 0; list && i < list->count; ++i)
            SetItemValue(context, static_cast<std::uint16_t>(list->values[i]), 0);
    }
}

}  // namespace

std::uint32_t BidiAnswer::Value(std::uint32_t index) const
{
    std::uint32_t value = 0;
    if (index < entries) std::memcpy(&value, bytes.data() + 4 * static_cast<std::size_t>(index), 4);
    return value;
}

BOOL ReadBidiData(const BidiQuery& query, DWORD code, DWORD minBytes, BidiAnswer* out)
{
    DWORD needed = 0;
    query.table->readData(query.query, code, nullptr, 0, &needed);
    return ReadAnswer(needed, out, minBytes, [&](void* buffer, DWORD size) {
        DWORD ignored = 0;
        return query.table->readData(query.query, code, buffer, size, &ignored);
    });
}

BOOL ReadBidiChannelData(const BidiQuery& query, DWORD code, DWORD minBytes, BidiAnswer* out)
{
    DWORD needed = 0;
    if (!query.table->channelRequest(query.query, kBidiChannel, code, nullptr, 0, &needed) &&
        GetLastError() != ERROR_ACCESS_DENIED)
        needed = 0;
    return ReadAnswer(needed, out, minBytes, [&](void* buffer, DWORD size) -> LONG {
        DWORD ignored = 0;
        if (!query.table->channelRequest(query.query, kBidiChannel, code, buffer, size, &ignored)) return -1;
        return static_cast<LONG>(size / 4);
    });
}

// ---- code maps --------------------------------------------------------------------------------------

std::uint16_t MapTrayCodeToFieldItem(std::uint32_t trayCode)
{
    return static_cast<std::uint16_t>(LookUpTrayCode(GetModelTrayFieldMap(), GetDefaultTrayFieldMap(), trayCode));
}
std::uint16_t MapTrayCodeToOrientItem(std::uint32_t trayCode)
{
    return static_cast<std::uint16_t>(LookUpTrayCode(GetModelTrayOrientMap(), GetDefaultTrayOrientMap(), trayCode));
}
std::uint16_t MapTrayCodeToPaperItem(std::uint32_t trayCode)
{
    return static_cast<std::uint16_t>(LookUpTrayCode(GetModelTrayPaperMap(), GetDefaultTrayPaperMap(), trayCode));
}
std::uint16_t MapTrayCodeToMediaItem(std::uint32_t trayCode)
{
    return static_cast<std::uint16_t>(LookUpTrayCode(GetModelTrayMediaMap(), GetDefaultTrayMediaMap(), trayCode));
}
std::uint16_t MapTrayCodeToLockItem(std::uint32_t trayCode)
{
    return static_cast<std::uint16_t>(LookUpTrayCode(GetModelTrayLockMap(), GetDefaultTrayLockMap(), trayCode));
}
std::uint32_t MapTrayCodeToSourceValue(std::uint32_t trayCode)
{
    return LookUpTrayCode(GetModelTraySourceMap(), GetDefaultTraySourceMap(), trayCode);
}

std::uint32_t MapDevicePaperCode(std::uint32_t deviceCode, std::uint32_t* rotated)
{
    bool found = false;
    std::uint32_t paper = LookUpDeviceCode(GetDevicePaperMap(), deviceCode, &found);
    *rotated = 0;
    if (!found) {
        paper = LookUpDeviceCode(GetDevicePaperMapRotated(), deviceCode, &found);
        *rotated = found ? 1 : 0;
    }
    return paper == kUnknownPaper || paper == kUnknownPaperRotated ? 0 : paper;
}

std::uint32_t MapDeviceMediaCode(std::uint32_t deviceCode)
{
    bool found = false;
    const std::uint32_t media = LookUpDeviceCode(GetDeviceMediaMap(), deviceCode, &found);
    return media == kNoMedia ? 0 : media;
}

std::uint32_t FindCodeForValue(const DeviceOptionCode* map, std::uint32_t value)
{
    for (const DeviceOptionCode* row = map; row && row->second != 0; ++row)
        if (row->first == value) return row->second;
    return 0;
}

std::uint32_t PickPreferredTray(const std::vector<std::uint32_t>& trayCodes)
{
    for (std::uint32_t code : kTrayPreference)
        if (std::ranges::find(trayCodes, code) != trayCodes.end()) return code;
    return kFallbackTrayCode;
}

BOOL TrayServesChapterKind(DriverContext* context, std::uint32_t kind, std::uint32_t trayFlags)
{
    TrayChapterRecord record{trayFlags, kind, 0};
    NotifySettingsModules(context, kModuleEventTrayServesChapter, &record);
    return record.serves ? TRUE : FALSE;
}

// ---- readers ------------------------------------------------------------------------------------------

BOOL ReadTrayConfig(const BidiQuery& query, DriverContext* context)
{
    TrayDetailsRecord wanted{0};
    NotifySettingsModules(context, kModuleEventTrayDetailsWanted, &wanted);
    const bool details = wanted.wanted != 0;
    BidiAnswer trays, papers, media, flags;
    if (!ReadBidiData(query, kBidiCodeTrays, 0, &trays)) return FALSE;
    if (details) {
        if (!ReadBidiData(query, kBidiCodeTrayPaper, 0, &papers) ||
            !ReadBidiData(query, kBidiCodeTrayMedia, 0, &media) || !ReadBidiData(query, kBidiCodeTrayFlags, 0, &flags))
            return FALSE;
        NotifySettingsModules(context, kModuleEventTrayReportRead, nullptr);
    }
    TrayReport report;
    for (std::uint32_t i = 0; i < trays.entries; ++i) {
        const std::uint32_t trayCode = trays.Value(i);
        if (const std::uint16_t field = MapTrayCodeToFieldItem(trayCode)) SetItemValue(context, field, 1);
        if (!details) continue;
        // The detail arrays run parallel to the tray list; a shorter one
        // leaves the later trays without that detail.
        if (i < papers.entries) ApplyTrayPaper(context, trayCode, papers.Value(i));
        if (i < media.entries) ApplyTrayMedia(context, trayCode, media.Value(i));
        if (i < flags.entries) ApplyTrayFlags(context, trayCode, flags.Value(i), &report);
    }
    if (details) {
        UpdateCapabilities(&report);
        ApplyTrayDefaults(context, report);
    }
    return TRUE;
}

BOOL ReadInstalledOptions(const BidiQuery& query, DriverContext* context)
{
    BidiAnswer options;
    if (!ReadBidiData(query, kBidiCodeOptions, 0, &options)) return FALSE;
    std::uint32_t level = 0;
    for (std::uint32_t i = 0; i < options.entries; ++i) {
        const std::uint32_t code = options.Value(i);
        for (const DeviceOptionCode* row = GetDeviceOptionMap(); row && !IsEndRow(*row); ++row) {
            if (row->second != code) continue;
            const auto item = static_cast<std::uint16_t>(row->first);
            SetItemValue(context, item, 1);
            UpdateOneStepOptionNum(item, code, &level, context);
        }
    }
    return TRUE;
}

BOOL ReadPrinterMemory(const BidiQuery& query, DriverContext* context)
{
    BidiAnswer memory;
    if (!ReadBidiData(query, kBidiCodeMemory, 4, &memory)) return FALSE;
    if (memory.entries > 0) SetItemValue(context, rdmPrinterMemory, memory.Value(0) >> 10);
    return TRUE;
}

BOOL ReadSystemVersion(const BidiQuery& query, DriverContext* context)
{
    BidiAnswer version;
    if (!ReadBidiData(query, kBidiCodeSystemVersion, ItemLengthOf(context, rdmSystemVersion), &version)) return FALSE;
    if (!version.bytes.empty()) SetItemAnswerText(context, rdmSystemVersion, AnswerText(version));
    return TRUE;
}

BOOL ReadCustomMediaNames(const BidiQuery& query, DriverContext* context)
{
    ResetCustomMediaItems(context);
    BidiAnswer count, types, names, charSets;
    if (!ReadBidiData(query, kBidiCodeCustomMediaCount, 4, &count)) return FALSE;
    const std::uint32_t mediaCount = count.Value(0);
    if (mediaCount == 0) return TRUE;
    const DWORD nameBytes = std::min<DWORD>(mediaCount, kMaxBidiAnswerBytes / kNameBytes) * kNameBytes;
    if (!ReadBidiData(query, kBidiCodeCustomMediaTypes, 0, &types) ||
        !ReadBidiData(query, kBidiCodeCustomMediaNames, nameBytes, &names) ||
        !ReadBidiData(query, kBidiCodeCustomMediaCharSets, 0, &charSets))
        return FALSE;
    SetItemValue(context, wdmCustomMediaDataNum, mediaCount);
    std::size_t nameOffset = 0;
    std::uint32_t slotIndex = 0;
    for (const CustomMediaSlot* slot = GetCustomMediaSlotTable(); slot && slot->ratioItem && slotIndex < mediaCount;
         ++slot, ++slotIndex) {
        std::uint32_t media = MapDeviceMediaCode(types.Value(slotIndex));
        if (slotIndex >= types.entries || !HasOptionForValue(context, FindItem(context, rdmMediaType), media))
            media = 1;
        SetItemValue(context, slot->ratioItem, media);
        std::string name = AnswerText(names, nameOffset);
        nameOffset += name.size() + 1;
        if (name.size() > kNameBytes) name.resize(kNameBytes);
        SetItemAnswerText(context, slot->nameItem, name);
        SetItemValue(context, slot->charsetItem, charSets.Value(slotIndex));
    }
    return TRUE;
}

BOOL ReadChannelInfo(const BidiQuery& channelQuery, DriverContext* context)
{
    BidiQuery query = channelQuery;
    if (!query.table->openChannel(query.printer, &query.query, kBidiChannel, kBidiChannelOpenArgument) &&
        GetLastError() != kBidiErrorTreatedAsDone) {
        ReportBidiError(context);
        return TRUE;
    }
    BidiAnswer memoryType;
    if (!ReadBidiChannelData(query, kBidiChannelMemoryType, 4, &memoryType)) return TRUE;
    if (memoryType.bytes.empty()) {
        SetItemValue(context, rdmMemoryType, 1);
        return TRUE;
    }
    const std::uint32_t reported = memoryType.Value(0);
    SetItemValue(context, rdmMemoryType, reported == kMemoryTypeReported2 ? 0 : kMemoryTypeReported1);
    BidiAnswer text;
    if (ReadBidiChannelData(query, kBidiChannelEmulationVersion, ItemLengthOf(context, rdmEmulationVersion), &text) &&
        !text.bytes.empty())
        SetItemAnswerText(context, rdmEmulationVersion, AnswerText(text));
    if (ReadBidiChannelData(query, kBidiChannelOther, ItemLengthOf(context, rdmOther), &text) && !text.bytes.empty())
        SetItemAnswerText(context, rdmOther, AnswerText(text));
    return TRUE;
}

BOOL ReadEmulationVersion(const BidiQuery& channelQuery, DriverContext* context)
{
    BidiQuery query = channelQuery;
    if (!query.table->openChannel(query.printer, &query.query, kBidiChannel, kBidiChannelOpenArgument) &&
        GetLastError() != kBidiErrorTreatedAsDone) {
        ReportBidiError(context);
        return TRUE;
    }
    BidiAnswer text;
    if (!ReadBidiChannelData(query, kBidiChannelEmulationVersion, ItemLengthOf(context, rdmEmulationVersion), &text))
        return FALSE;
    if (!text.bytes.empty()) SetItemAnswerText(context, rdmEmulationVersion, AnswerText(text));
    return TRUE;
}

BOOL IsBidiCustomMediaWanted(DriverContext* context)
{
    return IsCustomMediaEnabled(context) && IsBuildFeatureOn(kFeatureBidiV2) ? TRUE : FALSE;
}

BOOL ReadPrinterConfigFull(const BidiQuery& query, DriverContext* context)
{
    std::uint8_t* area2 = context->store->bytes + kDevmodeSize;
    std::vector<std::uint8_t> saved(area2, area2 + kStoreArea2Size);
    ClearReportedItems(context);
    const bool read = ReadTrayConfig(query, context) && ReadInstalledOptions(query, context) &&
                      ReadPrinterMemory(query, context) && ReadSystemVersion(query, context) &&
                      (!IsBidiCustomMediaWanted(context) || ReadCustomMediaNames(query, context));
    if (!read) {
        std::memcpy(area2, saved.data(), saved.size());
        return FALSE;
    }
    NotifySettingsModules(context, kModuleEventDeviceAnswerRead, nullptr);
    ReadChannelInfo(query, context);
    StoreItemsPass(context->printer, context, kAreaPrinter, kStorePrinterSide);
    return TRUE;
}

BOOL ReadPrinterConfigStatus(const BidiQuery& query, DriverContext* context)
{
    return ReadSystemVersion(query, context) && ReadEmulationVersion(query, context) ? TRUE : FALSE;
}

}  // namespace vexl
