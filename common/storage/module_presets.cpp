// The preset list of the settings INI, the judge items of the modules and
// the list operations of the settings interface.
#include "common/storage/module_presets.h"

#include "common/core/appservices.h"
#include "common/core/context.h"
#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/ini_lists.h"
#include "common/storage/module_color_profiles.h"

#include <algorithm>
#include <string>

namespace vexl {
namespace {

constexpr std::uint16_t kFirstModuleJudge = 1259;
constexpr std::uint16_t kLastModuleJudge = 1418;
constexpr std::uint16_t kFirstColorJudge = 1291;
constexpr std::uint16_t kLastColorJudge = 1306;
constexpr std::uint16_t kFirstSeparationJudge = 1403;
constexpr std::int16_t kChapterPage = kPageDialogChapter;
constexpr int kChapterRangeChars = 16;

ModuleServices g_services{};

std::u16string Decimal(long long value)
{
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

std::u16string PresetKey(int slot, int kind)
{
    WCHAR key[kListKeyChars] = {};
    FormatPresetKey(key, slot, kind);
    return key;
}

void WriteCount(DriverContext* context, int count)
{
    WriteIniString(GetPrinterSectionName(context), u"Count", Decimal(count).c_str(), GetSettingsIniPath(context));
}

// Copies text into out (size characters), cut and always terminated.
void CopyBounded(WCHAR* out, std::size_t size, const WCHAR* text)
{
    if (out == nullptr || size == 0) return;
    std::size_t n = 0;
    while (text && text[n] && n + 1 < size) {
        out[n] = text[n];
        ++n;
    }
    out[n] = 0;
}

// Op 1: a profile into the settings and the mode control's text out.
BOOL LoadProfileText(DriverContext* context, std::uintptr_t* request)
{
    SettingItemDescriptor* item = GetProfileModeItem(context);
    if (item == nullptr) return FALSE;
    LoadProfileIntoSettings(context, static_cast<int>(request[0]));
    WCHAR text[kProfileTextChars] = {};
    GetItemString(context, item, text, kProfileTextChars);
    CopyBounded(reinterpret_cast<WCHAR*>(request[1]), request[2], text);
    return TRUE;
}

// Op 2: one page or a range of pages as a new chapter.
BOOL MergeChapterRequest(DriverContext* context, std::uintptr_t* request)
{
    PageDesc* page = FindPage(context, kChapterPage);
    if (page == nullptr || g_services.mergeChapterPages == nullptr) return FALSE;
    const auto first = static_cast<std::int32_t>(request[0]);
    const auto last = static_cast<std::int32_t>(request[2]);
    const std::int32_t pages[2] = {first, 0};
    std::u16string text = Decimal(first);
    if (last != 0 && last != first) text += u"-" + Decimal(last);
    WCHAR range[kChapterRangeChars] = {};
    CopyBounded(range, kChapterRangeChars, text.c_str());
    request[3] = static_cast<std::uintptr_t>(g_services.mergeChapterPages(context, page, pages, range));
    return TRUE;
}

std::u16string ChapterKey(const WCHAR* name, int index)
{
    return name + Decimal(index + 1);
}

// Op 5: a chapter as the settings INI keeps it.
BOOL ReadChapterRequest(DriverContext* context, std::uintptr_t* request)
{
    const int index = static_cast<int>(request[0]);
    const WCHAR* ini = GetSettingsIniPath(context);
    const WCHAR* section = GetPrinterSectionName(context);
    auto read = [&](const WCHAR* name) {
        return static_cast<std::uintptr_t>(ReadIniInt(section, ChapterKey(name, index).c_str(), 0, ini));
    };
    request[1] = read(u"wdmChapterPage");
    request[2] = read(u"wdmChapterKind");
    request[3] = read(u"wdmChapterTray");
    request[4] = read(u"wdmChapterPrint");
    if (request[2] != 3) return TRUE;
    WCHAR range[kChapterRangeChars] = {};
    ReadIniString(section, ChapterKey(u"wdmChapterPageRange", index).c_str(), u"", range, kChapterRangeChars, ini);
    if (range[0] == 0) {
        request[5] = request[1];
        return TRUE;
    }
    const std::u16string_view text(range);
    const std::size_t dash = text.find(u'-');
    const std::u16string_view last = dash == std::u16string_view::npos ? text : text.substr(dash + 1);
    std::uintptr_t value = 0;
    for (WCHAR c : last) {
        if (c < u'0' || c > u'9') break;
        value = value * 10 + static_cast<std::uintptr_t>(c - u'0');
    }
    request[5] = value;
    return TRUE;
}

}  // namespace

BOOL AppendPresetEntry(DriverContext* context, const WCHAR* path, const WCHAR* name, const WCHAR* comment)
{
    const int count = GetPresetCount(context);
    if (count < 0 || count >= kPresetSlotCount) return FALSE;
    const WCHAR* ini = GetSettingsIniPath(context);
    const WCHAR* section = GetPrinterSectionName(context);
    WriteIniString(section, PresetKey(count, kPresetKeyPath).c_str(), path, ini);
    WriteIniString(section, PresetKey(count, kPresetKeyName).c_str(), name, ini);
    WriteIniString(section, PresetKey(count, kPresetKeyComment).c_str(), comment, ini);
    WriteCount(context, count + 1);
    ManagePresetSnapshots(context, nullptr, kSnapshotFreeAll);
    return TRUE;
}

void ClearPresetList(DriverContext* context)
{
    WriteCount(context, 0);
    ManagePresetSnapshots(context, nullptr, kSnapshotFreeAll);
}

std::uint32_t EvaluateModuleJudge(DriverContext* context, std::uint16_t judgeItemId)
{
    if (judgeItemId < kFirstModuleJudge || judgeItemId > kLastModuleJudge) return 0;
    if (judgeItemId >= kFirstColorJudge && judgeItemId <= kLastColorJudge)
        return EvaluateColorProfileJudge(context, judgeItemId);
    if (judgeItemId >= kFirstSeparationJudge)
        return g_services.evaluateSeparationJudge ? g_services.evaluateSeparationJudge(context, judgeItemId) : 0;
    return 0;
}

const ModuleServices& GetModuleServices()
{
    return g_services;
}

void SetModuleServices(const ModuleServices& services)
{
    g_services = services;
}

BOOL RunModuleListOperation(DriverContext* context, int operation, std::uintptr_t* request)
{
    if (context == nullptr || request == nullptr) return FALSE;
    switch (operation) {
    case 0:
        request[0] = static_cast<std::uintptr_t>(GetProfileCount(context));
        return TRUE;
    case 1:
        return LoadProfileText(context, request);
    case 2:
        return MergeChapterRequest(context, request);
    case 3: {
        if (g_services.deleteChapter == nullptr) return FALSE;
        if (context->workArea && context->workArea->apiRecord)
            context->workArea->apiRecord->chapterIndex = static_cast<std::uint32_t>(request[0]);
        request[1] = static_cast<std::uintptr_t>(g_services.deleteChapter(context));
        return TRUE;
    }
    case 4:
        if (g_services.clearChapters == nullptr) return FALSE;
        request[0] = static_cast<std::uintptr_t>(g_services.clearChapters(context));
        return TRUE;
    case 5:
        return ReadChapterRequest(context, request);
    case 6:
        if (g_services.compareChapterLists == nullptr) return FALSE;
        request[2] = static_cast<std::uintptr_t>(g_services.compareChapterLists(
            context, reinterpret_cast<const void*>(request[0]), reinterpret_cast<const void*>(request[1])));
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace vexl
